// Loading the engine library: three routines, one implementation per
// platform (engine/<platform>/loader.cpp).
#pragma once

// The engine library's file name on this platform.
const char *EngineLibraryFileName(void);

// Loads the library at path (absolute, or a bare file name for the system's
// standard search). Returns null when it cannot be loaded.
void *OpenEngineLibrary(const char *path);

// The address of the exported, undecorated name, or null.
void *FindEngineEntry(void *library, const char *name);

void CloseEngineLibrary(void *library);
