// The clipboard: text through SDL, and at exit the hand-over to a keeper so
// that what the user copied can still be pasted after the program ends.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <stdlib.h>
#include <string.h>

#include "app/linux/window_system_linux.h"
#include "app/window_system.h"

namespace {

// The last text the program put on the clipboard.
char *clipboard_text = nullptr;
// The X window that owned the clipboard for us right after: SDL keeps a
// hidden window of its own for this, not MainWindow.
Window clipboard_owner = None;

// SDL's connection to the X server, or null when SDL does not run on X.
Display *SdlDisplay(void) {
  SDL_Window *window = MainWindowOrNull();
  if (window == nullptr) {
    return nullptr;
  }
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) {
    return nullptr;
  }
  return info.info.x11.display;
}

Window ClipboardOwner(Display *display) {
  return XGetSelectionOwner(display, XInternAtom(display, "CLIPBOARD", False));
}

} // namespace

bool PutTextOnClipboard(const char *text) {
  if (!VideoIsReady() || SDL_SetClipboardText(text) != 0) {
    return false;
  }
  size_t length = strlen(text);
  char *copy = static_cast<char *>(AllocateOrStop(length + 1));
  memcpy(copy, text, length);
  free(clipboard_text);
  clipboard_text = copy;

  Display *display = SdlDisplay();
  if (display == nullptr) {
    clipboard_owner = None;
    return true;
  }
  clipboard_owner = ClipboardOwner(display);
  return clipboard_owner != None;
}

void HandClipboardToKeeper(void) {
  Display *display = SdlDisplay();
  if (clipboard_text != nullptr && clipboard_owner != None && display != nullptr &&
      ClipboardOwner(display) == clipboard_owner) {
    StartClipboardKeeper(DisplayString(display), clipboard_text);
  }
  free(clipboard_text);
  clipboard_text = nullptr;
}
