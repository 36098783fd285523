// Fault injection for the copy's failure path, preloaded into the program
// under test (LD_PRELOAD). An X server practically never refuses the
// clipboard, so a test makes one of the two steps the program checks fail:
//   VORHEL_CLIPBOARD_FAULT=set    SDL_SetClipboardText reports an error
//   VORHEL_CLIPBOARD_FAULT=owner  the CLIPBOARD selection has no owner afterwards
// Anything else passes every call through unchanged.
#include <SDL.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <stdlib.h>
#include <string.h>

namespace {

bool Fault(const char *kind) {
  const char *chosen = getenv("VORHEL_CLIPBOARD_FAULT");
  return chosen != nullptr && strcmp(chosen, kind) == 0;
}

template <class F> F Next(const char *name) { return reinterpret_cast<F>(dlsym(RTLD_NEXT, name)); }

} // namespace

extern "C" __attribute__((visibility("default"))) int SDL_SetClipboardText(const char *text) {
  if (Fault("set")) {
    return SDL_SetError("clipboard refused for a test");
  }
  return Next<int (*)(const char *)>("SDL_SetClipboardText")(text);
}

extern "C" __attribute__((visibility("default"))) Window XGetSelectionOwner(Display *display, Atom selection) {
  if (Fault("owner") && selection == XInternAtom(display, "CLIPBOARD", True)) {
    return None;
  }
  return Next<Window (*)(Display *, Atom)>("XGetSelectionOwner")(display, selection);
}
