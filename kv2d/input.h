// Keyboard and mouse state as the program asks for it: by Windows virtual-key
// codes, tracked from SDL events.
#pragma once

#include <SDL.h>

#include <array>
#include <cstdint>

namespace kv2d {

// Virtual-key codes the program may ask about.
enum VirtualKey : int {
  kVkLeftButton = 1,
  kVkRightButton = 2,
  kVkMiddleButton = 4,
  kVkTab = 0x09,
  kVkEnter = 13,
  kVkShift = 0x10,
  kVkEscape = 27,
  kVkSpace = 0x20,
  kVkPageUp = 0x21,
  kVkPageDown = 0x22,
  kVkEnd = 0x23,
  kVkHome = 0x24,
  kVkLeft = 0x25,
  kVkUp = 0x26,
  kVkRight = 0x27,
  kVkDown = 0x28,
};

// The virtual-key code of an SDL key or mouse button; 0 when it has none.
int VirtualKeyOfKey(SDL_Keycode key);
int VirtualKeyOfButton(uint8_t button);

class Input {
public:
  void Press(int vk);
  void Release(int vk);
  // Every keyboard key let go, without counting as released: the window
  // lost the keyboard and will not see the key-ups. Mouse buttons stay.
  void ForgetKeys();
  // Ends a frame: "pressed" and "released in this frame" start afresh.
  void EndFrame() {
    pressed_.fill(false);
    released_.fill(false);
  }

  bool Held(int vk) const { return Valid(vk) && held_[static_cast<size_t>(vk)]; }
  // Down now, or pressed at some point in this frame: a quick click whose
  // press and release both arrive between two frames still counts as down
  // for that frame.
  bool DownThisFrame(int vk) const { return Held(vk) || (Valid(vk) && pressed_[static_cast<size_t>(vk)]); }
  bool ReleasedThisFrame(int vk) const { return Valid(vk) && released_[static_cast<size_t>(vk)]; }

  // Pointer position in drawing pixels.
  float x = 0.0f, y = 0.0f;

private:
  static bool Valid(int vk) { return vk > 0 && vk < 256; }
  std::array<bool, 256> held_{};
  std::array<bool, 256> pressed_{};
  std::array<bool, 256> released_{};
};

} // namespace kv2d
