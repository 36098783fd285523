// X errors that must not end the program.
//
// SDL makes every X error fatal. But SDL itself sends events to windows that
// may be gone by the time the server reads them: to wake a waiting event
// loop it sends a client message, over a second connection, to the newest
// window, which may be a message box that is destroyed a moment later; and
// it answers clipboard requests by sending to the requesting program's
// window, which may have closed meanwhile. Such an event reaches no one and
// harms no one, so that one error is let pass.
#include <X11/Xlib.h>
#include <X11/Xproto.h>

#include "app/linux/window_system_linux.h"

namespace {

XErrorHandler next_handler = nullptr;

int OnXError(Display *display, XErrorEvent *error) {
  if (error->error_code == BadWindow && error->request_code == X_SendEvent) {
    return 0;
  }
  return next_handler != nullptr ? next_handler(display, error) : 0;
}

} // namespace

void ForgiveEventsToVanishedWindows(void) { next_handler = XSetErrorHandler(OnXError); }
