// Binding the program to the engine library at run time.
//
// Every entry point starts out unbound. Its first call loads the library if
// no call has loaded it yet (from the program directory first, by absolute
// path, then by the system's standard search; never from the current
// directory first), looks the entry point up by its undecorated name and
// keeps the address for the rest of the run. A library or an entry point
// that cannot be found is a fatal stop naming both.
#include "engine/engine.h"

#include <stdlib.h>
#include <string.h>

#include "app/program_directory.h"
#include "app/texts.h"
#include "app/window_system.h"
#include "engine/loader.h"

namespace {

void *library = nullptr;

char *JoinTexts(const char *a, const char *b, const char *c, const char *d) {
  size_t length = strlen(a) + strlen(b) + strlen(c) + strlen(d);
  char *text = static_cast<char *>(AllocateOrStop(length + 1));
  strcat(strcat(strcat(strcat(text, a), b), c), d);
  return text;
}

void LoadEngineLibrary(const char *entry_name) {
  char *directory = GetProgramDirectory();
  char *path = JoinDirectoryAndFile(directory, EngineLibraryFileName());
  free(directory);
  library = OpenEngineLibrary(path);
  free(path);
  if (library == nullptr) {
    library = OpenEngineLibrary(EngineLibraryFileName());
  }
  if (library == nullptr) {
    FatalStop(JoinTexts(kFatalNoLibraryText, EngineLibraryFileName(), kFatalEntrySeparator, entry_name));
  }
}

} // namespace

// Resolves one entry point; never returns null.
static void *ResolveEngineEntry(const char *name) {
  if (library == nullptr) {
    LoadEngineLibrary(name);
  }
  void *entry = FindEngineEntry(library, name);
  if (entry == nullptr) {
    FatalStop(JoinTexts(kFatalNoEntryText, EngineLibraryFileName(), kFatalEntrySeparator, name));
  }
  return entry;
}

#define KV2D_DEFINE_ROUTINE(ret, name, kinds)                               \
  KV2D_TYPE_##ret name(KV2D_PARAMS kinds) {                                 \
    static name##_fn entry = nullptr;                                       \
    if (entry == nullptr) {                                                 \
      entry = reinterpret_cast<name##_fn>(ResolveEngineEntry(#name));       \
    }                                                                       \
    return entry(KV2D_ARGS kinds);                                          \
  }
KV2D_ENTRY_POINTS(KV2D_DEFINE_ROUTINE)
#undef KV2D_DEFINE_ROUTINE

void UnbindEngine(void) {
  if (library != nullptr) {
    CloseEngineLibrary(library);
    library = nullptr;
  }
}
