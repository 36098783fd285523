#include "kv2d/input.h"

namespace kv2d {

int VirtualKeyOfKey(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return 0x70 + (key - SDLK_F1);
  switch (key) {
  case SDLK_BACKSPACE: return 0x08;
  case SDLK_TAB: return kVkTab;
  case SDLK_RETURN:
  case SDLK_KP_ENTER: return kVkEnter;
  case SDLK_LSHIFT:
  case SDLK_RSHIFT: return kVkShift;
  case SDLK_LCTRL:
  case SDLK_RCTRL: return 0x11;
  case SDLK_LALT:
  case SDLK_RALT: return 0x12;
  case SDLK_PAUSE: return 0x13;
  case SDLK_ESCAPE: return kVkEscape;
  case SDLK_SPACE: return kVkSpace;
  case SDLK_PAGEUP: return kVkPageUp;
  case SDLK_PAGEDOWN: return kVkPageDown;
  case SDLK_END: return kVkEnd;
  case SDLK_HOME: return kVkHome;
  case SDLK_LEFT: return kVkLeft;
  case SDLK_UP: return kVkUp;
  case SDLK_RIGHT: return kVkRight;
  case SDLK_DOWN: return kVkDown;
  case SDLK_INSERT: return 0x2D;
  case SDLK_DELETE: return 0x2E;
  default: return 0;
  }
}

int VirtualKeyOfButton(uint8_t button) {
  switch (button) {
  case SDL_BUTTON_LEFT: return kVkLeftButton;
  case SDL_BUTTON_RIGHT: return kVkRightButton;
  case SDL_BUTTON_MIDDLE: return kVkMiddleButton;
  case SDL_BUTTON_X1: return 0x05;
  case SDL_BUTTON_X2: return 0x06;
  default: return 0;
  }
}

void Input::Press(int vk) {
  if (Valid(vk)) {
    held_[static_cast<size_t>(vk)] = true;
    pressed_[static_cast<size_t>(vk)] = true;
  }
}

void Input::Release(int vk) {
  if (Valid(vk)) {
    held_[static_cast<size_t>(vk)] = false;
    released_[static_cast<size_t>(vk)] = true;
  }
}

void Input::ForgetKeys() {
  for (int vk = 0; vk < 256; ++vk) {
    bool mouse = vk == kVkLeftButton || vk == kVkRightButton || vk == kVkMiddleButton || vk == 0x05 || vk == 0x06;
    if (!mouse) held_[static_cast<size_t>(vk)] = false;
  }
}

} // namespace kv2d
