#include "kv2d/event_wait.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <poll.h>

namespace kv2d {

void EventWait::Attach(SDL_Window *window) {
  display_ = nullptr;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
    display_ = info.info.x11.display;
  }
}

void EventWait::Wait() {
  if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) {
    return;
  }
  if (display_ == nullptr) {
    if (SDL_WaitEvent(nullptr) == 0) {
      SDL_Delay(10);
    }
    return;
  }
  // Events that Xlib has read off the connection already (while waiting for
  // a reply, say) no longer show on it.
  if (XPending(display_) > 0) {
    return;
  }
  pollfd connection{ConnectionNumber(display_), POLLIN, 0};
  poll(&connection, 1, -1); // a signal ends it too: SDL turns SIGTERM into a quit event at the next pump
}

} // namespace kv2d
