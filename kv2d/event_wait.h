// Sleeping until the window system has something for the engine.
//
// SDL's own waiting pumps its event sources several times over for each
// event that comes in, and each pump costs a handful of system calls. With
// X, the engine instead sleeps on the X connection itself and pumps once
// when it wakes; without X (SDL's dummy driver in tests) it uses SDL's wait.
#pragma once

#include <SDL.h>

struct _XDisplay;

namespace kv2d {

class EventWait {
public:
  // Uses the X connection of the window, if it has one.
  void Attach(SDL_Window *window);
  void Detach() { display_ = nullptr; }

  // Returns when an event may be waiting (SDL's queue or the connection has
  // something) or the process got a signal. Returns at once when SDL's
  // queue or Xlib's already holds events.
  void Wait();

private:
  _XDisplay *display_ = nullptr;
};

} // namespace kv2d
