// The engine: one program window, its controls, its fonts, its frame loop
// and what each frame draws. The exported entry points are thin calls into
// this class; tests use it directly.
//
// Coordinates given to the engine are drawing pixels of a fixed drawing
// space (800 by 600 for the picker). The window is that size times the
// desktop's scale in device pixels, and everything, text included, is drawn
// at device resolution.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>

#include "engine/entry_points.h"
#include "kv2d/canvas.h"
#include "kv2d/controls.h"
#include "kv2d/event_wait.h"
#include "kv2d/input.h"
#include "kv2d/log.h"
#include "kv2d/text.h"

namespace kv2d {

inline constexpr const char *kVersion = "1.0";

struct CreateOptions {
  uint32_t window_id = 0;
  int width = 800, height = 600; // drawing space
  const char *log_path = nullptr;
  int scale = 0; // device pixels per drawing pixel; 0 asks the desktop
};

// Counters that show what the loop did; tests read them.
struct FrameStats {
  uint64_t frames = 0;     // frames run
  uint64_t rasterized = 0; // frames whose picture changed and was drawn
  SDL_Rect last_update{};  // the part of the window the last drawn frame updated
};

class Engine {
public:
  Engine() = default;
  Engine(const Engine &) = delete;
  Engine &operator=(const Engine &) = delete;
  ~Engine() { Stop(); }

  // Attaches to the window. False when there is no such window, no way to
  // draw on it, or no font system.
  bool Create(const CreateOptions &options);
  // Releases everything the engine holds and makes a running loop return.
  // Harmless when already stopped.
  void Stop();
  bool created() const { return window_ != nullptr; }
  // True while the engine is inside its loop or a callback: it must not be
  // destroyed then.
  bool busy() const { return running_ || calls_in_flight_ > 0; }

  // Fonts.
  void LoadFont(int32_t slot, const char *face_gbk);

  // Controls. Texts are GBK.
  void AddButton(int32_t id, Rect rect, int32_t slot, int32_t ink, const char *text, int32_t fill, int32_t fill_hot);
  void AddScrollBar(int32_t id, Rect rect, int32_t track, int32_t thumb, float top);
  void AddLabel(int32_t id, Rect rect, int32_t slot, int32_t ink, const char *text, int32_t background);
  void SetEventReceiver(int32_t id, int32_t event, kv2d_callback callback);
  float GetFloat(int32_t id, int32_t property) const;
  void SetFloat(int32_t id, int32_t property, float value);
  // Calls the receivers of the clicks that came in since the last call.
  void DeliverEvents();

  // The loop.
  void SetFrameFunction(kv2d_callback callback) { frame_function_ = callback; }
  void SetRenderFunction(kv2d_callback callback) { render_function_ = callback; }
  // Runs frames until the window is closed, Escape is pressed or Stop.
  void Run();
  // Test hook: takes in the events waiting and runs `count` frames at once,
  // without pacing. False when the loop would have ended.
  bool RunFrames(int count);

  // Drawing, in drawing pixels.
  void Clear(int32_t colour);
  void BeginScene();
  void EndScene();
  void RenderControls();
  void DrawQuad(float left, float top, float right, float bottom, const int32_t corners[4], bool filled);
  void DrawText(const char *text_gbk, int32_t x, int32_t y, int32_t colour, int32_t slot);

  // Input.
  void MousePosition(float *x, float *y) const;
  int32_t KeyState(int32_t vk) const { return input_.DownThisFrame(vk) ? 1 : 0; }
  int32_t KeyUp(int32_t vk) const { return input_.ReleasedThisFrame(vk) ? 1 : 0; }

  // The control with the keyboard focus, if any.
  std::optional<int32_t> focused() const { return panel_.focused(); }

  SDL_Window *window() const { return window_; }
  int scale() const { return scale_; }
  const FrameStats &stats() const { return stats_; }

private:
  // One pump of SDL's event sources, then everything that is queued.
  void TakeInEvents();
  void HandleEvent(const SDL_Event &event);
  void KeyDown(int vk, bool shift, bool repeat);
  void PointerAt(int window_x, int window_y);
  void RunFrame();
  void Call(kv2d_callback callback);
  void ResyncPointer();
  SDL_Rect DeviceRect(float left, float top, float right, float bottom) const;
  SDL_Rect DeviceRect(const Rect &r) const { return DeviceRect(r.left, r.top, r.right, r.bottom); }
  SDL_Surface *Target();
  int RefreshRate() const;

  Log log_;
  Fonts fonts_;
  Canvas canvas_;
  Panel panel_;
  Input input_;
  EventWait wait_;

  SDL_Window *window_ = nullptr;
  uint32_t window_id_ = 0;
  int scale_ = 1;
  int width_ = 800, height_ = 600;
  bool ttf_started_ = false;

  // The window surface the last frame went to; a different one (or one of
  // another size) holds none of our picture.
  SDL_Surface *last_surface_ = nullptr;
  int last_surface_w_ = 0, last_surface_h_ = 0;
  // Used when the window surface is not 32-bit: drawn here, then copied.
  SDL_Surface *canvas_surface_ = nullptr;
  bool surface_failed_logged_ = false;

  kv2d_callback frame_function_ = nullptr;
  kv2d_callback render_function_ = nullptr;
  bool running_ = false;
  bool quit_ = false;
  bool frame_wanted_ = true;
  bool present_all_ = false;
  int calls_in_flight_ = 0;
  FrameStats stats_;
};

} // namespace kv2d
