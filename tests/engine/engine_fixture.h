// A window of our own under SDL's dummy video driver, an engine on it, and
// helpers to inject input, run frames and read pixels back.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

#include "kv2d/colour.h"
#include "kv2d/engine.h"

namespace kv2d {
void PrintTo(const Rgba &colour, std::ostream *os);
}

namespace kv2d_test {

using kv2d::Rgba;

// GBK texts, with their reading.
inline constexpr char kHeiti[] = "\xBA\xDA\xCC\xE5"; // 黑体
inline constexpr char kReadout[] = "\xBA\xEC\xC9\xAB\xA3\xA8"
                                   "128"
                                   "\xA3\xA9"; // 红色（128）
inline constexpr char kHint[] =
    "\xCC\xE1\xCA\xBE\xA3\xBA\xD7\xF3\xBC\xFC\xB5\xA5\xBB\xF7[\xB8\xB4\xD6\xC6\xB5\xBD\xBC\xF4\xCC\xF9\xB0\xE5]"
    "\xBD\xAB\xB8\xB4\xD6\xC6\xCA\xAE\xC1\xF9\xBD\xF8\xD6\xC6\xD1\xD5\xC9\xAB\xD6\xB5\xA1\xA3"; // 提示：左键单击[复制到剪贴板]将复制十六进制颜色值。
inline constexpr char kLearnMore[] = "\xC1\xCB\xBD\xE2 \xE1\xB0\xF1\xB7\xD2\xFD\xC7\xE6\xA3\xA1"; // 了解 岚穹引擎！
inline constexpr char kCopy[] = "\xB8\xB4\xD6\xC6\xB5\xBD\xBC\xF4\xCC\xF9\xB0\xE5";             // 复制到剪贴板

inline constexpr int32_t kFontSlot = 100;
inline constexpr int32_t kOpaqueRed = kv2d::PackArgb(255, 255, 0, 0);
inline constexpr int32_t kTranslucentWhite = kv2d::PackArgb(100, 255, 255, 255);
inline constexpr int32_t kOpaqueGreen = kv2d::PackArgb(255, 0, 255, 0);
inline constexpr int32_t kTransparent = kv2d::PackArgb(0, 0, 0, 0);

inline constexpr Rgba kBlack{0, 0, 0, 255};

// Where a test may write: the build tree.
std::string OutputPath(const std::string &name);

class EngineTest : public ::testing::Test {
public:
  void SetUp() override { Open(1); }
  void TearDown() override;

  // Makes the window and attaches a fresh engine at the given scale, with
  // the program's font in slot 100 and our frame and render routines.
  void Open(int scale);

  // What each render pass draws between clearing to black and ending the
  // scene.
  std::function<void(kv2d::Engine &)> draw;
  // Runs after the engine's events were delivered in each frame.
  std::function<void(kv2d::Engine &)> on_frame;

  bool Frames(int count = 1) { return engine.RunFrames(count); }

  // Input, in window (device) pixels, queued for the next frame.
  void Move(int x, int y);
  void Press(int x, int y);
  void Release(int x, int y);
  void Wheel(int steps);
  void Key(SDL_Keycode key, bool down, uint16_t mod = KMOD_NONE, bool repeat = false);
  // A key pressed and let go.
  void Tap(SDL_Keycode key, uint16_t mod = KMOD_NONE);
  void PushWindowEvent(SDL_WindowEventID event);

  // A device pixel of the window.
  Rgba Pixel(int x, int y) const;

  kv2d::Engine engine;
  SDL_Window *window = nullptr;
  uint32_t window_id = 0;
};

// The program's controls, with the program's arguments.
void AddProgramControls(kv2d::Engine &engine);

} // namespace kv2d_test
