#include "engine/loader.h"

#include <dlfcn.h>

const char *EngineLibraryFileName(void) { return "Kelvaran 2D NOC.so"; }

void *OpenEngineLibrary(const char *path) {
  // A bare name is looked up by the dynamic linker's standard search, which
  // does not include the current directory.
  int flags = RTLD_NOW | RTLD_LOCAL;
#ifdef VORHEL_ENGINE_NODELETE
  // Sanitizer builds keep the library mapped, so leak reports from inside it
  // keep their frames.
  flags |= RTLD_NODELETE;
#endif
  return dlopen(path, flags);
}

void *FindEngineEntry(void *library, const char *name) { return dlsym(library, name); }

void CloseEngineLibrary(void *library) { dlclose(library); }
