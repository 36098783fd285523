// The two per-frame callbacks and the drawing steps of a render pass.
#pragma once

#include <stdint.h>

#include "engine/entry_points.h"

int32_t KV2D_CALL OnFrame(void);
int32_t KV2D_CALL OnRender(void);

void DrawChannelReadouts(void);
// The preview square and the 49 swatches; rebuilds SwatchHitList.
void DrawPreviewAndPalette(void);
// Outlines, hover highlight and pick.
void DrawGridAndPick(void);
