// The Linux probe. The program and this library share the one libSDL2 that
// the program loaded and initialised, so the program's window is found by
// its SDL window ID. SDL is never initialised here.
#include "platform_probe.h"

#include <SDL.h>
#include <stdio.h>
#include <unistd.h>

#include <string>

namespace recorder {
namespace {

std::string CurrentDirectoryHex(void) {
  std::string directory(4096, '\0');
  if (getcwd(directory.data(), directory.size()) == nullptr) {
    return "?";
  }
  return Hex(directory.c_str());
}

} // namespace

std::string DescribeWindowAndDirectory(uint32_t handle) {
  std::string cwd = " cwd=" + CurrentDirectoryHex();
  SDL_Window *window = SDL_GetWindowFromID(handle);
  if (window == nullptr) {
    return "missing" + cwd;
  }
  Uint32 flags = SDL_GetWindowFlags(window);
  int x = 0, y = 0, width = 0, height = 0;
  SDL_GetWindowPosition(window, &x, &y);
  SDL_GetWindowSize(window, &width, &height);
  char numbers[160];
  snprintf(numbers, sizeof numbers, "shown=%d x=%d y=%d width=%d height=%d resizable=%d",
           (flags & SDL_WINDOW_SHOWN) != 0 && (flags & SDL_WINDOW_HIDDEN) == 0 ? 1 : 0, x, y, width, height,
           (flags & SDL_WINDOW_RESIZABLE) != 0 ? 1 : 0);
  return numbers + std::string(" title=") + Hex(SDL_GetWindowTitle(window)) + cwd;
}

void ServeWindowBriefly(void) {
  SDL_PumpEvents();
  SDL_Delay(10);
}

} // namespace recorder
