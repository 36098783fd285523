// The program's view of the engine: one routine per entry point, each bound
// to the engine library at its first call (see engine/binding.cpp).
#pragma once

#include "engine/entry_points.h"

#define KV2D_DECLARE_ROUTINE(ret, name, kinds) KV2D_TYPE_##ret name(KV2D_PARAMS kinds);
KV2D_ENTRY_POINTS(KV2D_DECLARE_ROUTINE)
#undef KV2D_DECLARE_ROUTINE

// Unloads the engine library if it was loaded. Only the window system calls
// this, while it shuts down; no engine routine may be called afterwards.
void UnbindEngine(void);
