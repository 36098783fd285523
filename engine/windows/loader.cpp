#include "engine/loader.h"

#include <windows.h>

const char *EngineLibraryFileName(void) { return "Kelvaran 2D NOC.dll"; }

void *OpenEngineLibrary(const char *path) {
  return reinterpret_cast<void *>(LoadLibraryA(path));
}

void *FindEngineEntry(void *library, const char *name) {
  return reinterpret_cast<void *>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseEngineLibrary(void *library) { FreeLibrary(static_cast<HMODULE>(library)); }
