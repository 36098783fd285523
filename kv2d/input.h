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
  kVkEnter = 13,
  kVkEscape = 27,
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
  // Ends a frame: "released in this frame" starts afresh.
  void EndFrame() { released_.fill(false); }

  bool Held(int vk) const { return Valid(vk) && held_[static_cast<size_t>(vk)]; }
  bool ReleasedThisFrame(int vk) const { return Valid(vk) && released_[static_cast<size_t>(vk)]; }

  // Pointer position in drawing pixels.
  float x = 0.0f, y = 0.0f;

private:
  static bool Valid(int vk) { return vk > 0 && vk < 256; }
  std::array<bool, 256> held_{};
  std::array<bool, 256> released_{};
};

} // namespace kv2d
