#include "kv2d/engine.h"

#include <SDL_syswm.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <system_error>
#include <optional>
#include <thread>

#include "common/desktop_scale.h"
#include "common/font_choices.h"
#include "common/gbk_text.h"
#include "kv2d/colour.h"

namespace kv2d {

namespace {

// The keyboard focus ring: this thick, this far outside its control (drawing
// pixels).
constexpr float kFocusRing = 2.0f;
constexpr float kFocusGap = 1.0f;

// Texts are converted once, where they come in.
std::string Utf8Of(const char *gbk) { return gbk == nullptr ? std::string() : desktop::GbkToUtf8(gbk); }

Rect Normalised(Rect r) {
  if (std::isnan(r.left) || std::isnan(r.top) || std::isnan(r.right) || std::isnan(r.bottom)) {
    return Rect{};
  }
  if (r.right < r.left) std::swap(r.left, r.right);
  if (r.bottom < r.top) std::swap(r.top, r.bottom);
  return r;
}

// The desktop's scale, from the X display the window lives on; 1 without X.
int DesktopScaleOf(SDL_Window *window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11) {
    return desktop::ReadDesktopScale(info.info.x11.display);
  }
  return 1;
}

bool Is32BitRgb(const SDL_PixelFormat *f) {
  return f->BytesPerPixel == 4 && f->Rloss == 0 && f->Gloss == 0 && f->Bloss == 0;
}

// fontconfig's start: reading its configuration and the cache of every font
// directory. It needs nothing of the window, and takes about as long as
// getting the window ready to draw on, so the two go on at once.
class FontconfigStart {
public:
  FontconfigStart() {
    try {
      thread_ = std::thread([this] { ok_ = FcInit() == FcTrue; });
    } catch (const std::system_error &) {
      ok_ = FcInit() == FcTrue; // no thread to be had: here and now
    }
  }
  FontconfigStart(const FontconfigStart &) = delete;
  FontconfigStart &operator=(const FontconfigStart &) = delete;
  ~FontconfigStart() { Succeeded(); }

  bool Succeeded() {
    if (thread_.joinable()) {
      thread_.join();
    }
    return ok_;
  }

private:
  std::thread thread_;
  bool ok_ = false;
};

// Fresh window memory costs a page fault for each page at its first touch;
// the kernel provides all of it in one call instead (Linux 5.14 and later;
// elsewhere the call fails and the pages come one by one, as before).
void PrefaultPixels(const SDL_Surface *surface) {
  static const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  uintptr_t first = reinterpret_cast<uintptr_t>(surface->pixels) & ~(page - 1);
  uintptr_t end = reinterpret_cast<uintptr_t>(surface->pixels) +
                  static_cast<uintptr_t>(surface->pitch) * static_cast<uintptr_t>(surface->h);
  madvise(reinterpret_cast<void *>(first), end - first, MADV_POPULATE_WRITE);
}

} // namespace

bool Engine::Create(const CreateOptions &options) {
  if (created()) {
    log_.Write("create: already attached to window %u", window_id_);
    return true;
  }
  log_.Open(options.log_path);
  SDL_version sdl;
  SDL_GetVersion(&sdl);
  const SDL_version *ttf = TTF_Linked_Version();
  log_.Write("Kelvaran 2D NOC %s for Linux: software drawing on SDL %d.%d.%d, SDL_ttf %d.%d.%d", kVersion, sdl.major,
             sdl.minor, sdl.patch, ttf->major, ttf->minor, ttf->patch);

  auto fail = [this](const char *what, const char *detail) {
    log_.Write("create failed: %s%s%s", what, detail[0] ? ": " : "", detail);
    if (ttf_started_) {
      TTF_Quit();
      ttf_started_ = false;
    }
    log_.Close();
    return false;
  };
  if (SDL_WasInit(SDL_INIT_VIDEO) == 0) {
    return fail("SDL video is not initialised", "");
  }
  SDL_Window *window = SDL_GetWindowFromID(options.window_id);
  if (window == nullptr) {
    std::string id = std::to_string(options.window_id);
    return fail("no window with ID", id.c_str());
  }
  // Before anything asks for the window's surface: otherwise SDL may back
  // it with OpenGL, which loads a whole GL stack for nothing.
  SDL_SetHintWithPriority(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0", SDL_HINT_OVERRIDE);
  // The fonts an earlier run chose spare fontconfig's start altogether.
  std::optional<FontconfigStart> fontconfig;
  if (!desktop::FontChoicesRemembered()) {
    fontconfig.emplace();
  }
  if (TTF_Init() != 0) {
    return fail("SDL_ttf cannot start", TTF_GetError());
  }
  ttf_started_ = true;

  scale_ = std::clamp(options.scale > 0 ? options.scale : DesktopScaleOf(window), 1, 4);
  width_ = std::clamp(options.width > 0 ? options.width : 800, 1, 8192);
  height_ = std::clamp(options.height > 0 ? options.height : 600, 1, 8192);
  int want_w = width_ * scale_, want_h = height_ * scale_;
  int now_w = 0, now_h = 0;
  SDL_GetWindowSize(window, &now_w, &now_h);
  if (now_w != want_w || now_h != want_h) {
    int x = 0, y = 0;
    SDL_GetWindowPosition(window, &x, &y);
    SDL_SetWindowSize(window, want_w, want_h);
    SDL_SetWindowPosition(window, x - (want_w - now_w) / 2, y - (want_h - now_h) / 2); // same centre
    log_.Write("window: resized from %dx%d to %dx%d", now_w, now_h, want_w, want_h);
  }
  SDL_Surface *surface = SDL_GetWindowSurface(window);
  if (surface == nullptr) {
    return fail("cannot draw on the window", SDL_GetError());
  }
  if (surface->pixels != nullptr) {
    PrefaultPixels(surface);
  }
  log_.Write("window %u: %dx%d drawing pixels at scale %d, video driver %s", options.window_id, width_, height_,
             scale_, SDL_GetCurrentVideoDriver());
  log_.Write("drawing: software, on the window surface (%dx%d, %s)", surface->w, surface->h,
             SDL_GetPixelFormatName(surface->format->format));

  // Black to start from, drawn while fontconfig starts (the memory's first
  // touch costs more than the drawing). It is not presented: the first
  // frame, presented whole, follows within milliseconds, and presenting the
  // black picture before it delayed it by about 10 ms.
  SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
  if ((SDL_GetWindowFlags(window) & SDL_WINDOW_HIDDEN) != 0) {
    SDL_ShowWindow(window);
    log_.Write("window: shown");
  }
  if (fontconfig && !fontconfig->Succeeded()) {
    return fail("fontconfig cannot start", "");
  }
  window_ = window;
  window_id_ = options.window_id;
  wait_.Attach(window);
  fonts_.Attach(&log_, scale_);
  last_surface_ = nullptr;
  quit_ = false;
  frame_wanted_ = true;
  return true;
}

void Engine::Stop() {
  if (!created()) {
    return;
  }
  log_.Write("stopped after %llu frames, %llu of them drawn", static_cast<unsigned long long>(stats_.frames),
             static_cast<unsigned long long>(stats_.rasterized));
  quit_ = true;
  panel_.Clear();
  canvas_.Reset();
  fonts_.Clear();
  if (canvas_surface_ != nullptr) {
    SDL_FreeSurface(canvas_surface_);
    canvas_surface_ = nullptr;
  }
  if (ttf_started_) {
    TTF_Quit();
    ttf_started_ = false;
  }
  frame_function_ = nullptr;
  render_function_ = nullptr;
  window_ = nullptr;
  window_id_ = 0;
  wait_.Detach();
  last_surface_ = nullptr;
  log_.Close();
}

void Engine::LoadFont(int32_t slot, const char *face_gbk) {
  if (created()) {
    fonts_.Load(slot, Utf8Of(face_gbk));
  }
}

void Engine::AddButton(int32_t id, Rect rect, int32_t slot, int32_t ink, const char *text, int32_t fill,
                       int32_t fill_hot) {
  if (!created()) return;
  Control c;
  c.id = id;
  c.kind = ControlKind::kButton;
  c.rect = Normalised(rect);
  c.font_slot = slot;
  c.text = Utf8Of(text);
  c.ink = ink;
  c.paint = fill;
  c.paint_hot = fill_hot;
  panel_.Add(std::move(c));
}

void Engine::AddScrollBar(int32_t id, Rect rect, int32_t track, int32_t thumb, float top) {
  if (!created()) return;
  Control c;
  c.id = id;
  c.kind = ControlKind::kScrollBar;
  c.rect = Normalised(rect);
  c.ink = track;
  c.paint = thumb;
  if (std::isfinite(top)) {
    c.low = std::min(0.0f, top);
    c.high = std::max(0.0f, top);
  } else {
    log_.Write("scroll bar %d: top of range is not a number; range 0 to 0", static_cast<int>(id));
  }
  panel_.Add(std::move(c));
}

void Engine::AddLabel(int32_t id, Rect rect, int32_t slot, int32_t ink, const char *text, int32_t background) {
  if (!created()) return;
  Control c;
  c.id = id;
  c.kind = ControlKind::kLabel;
  c.rect = Normalised(rect);
  c.font_slot = slot;
  c.text = Utf8Of(text);
  c.ink = ink;
  c.paint = background;
  panel_.Add(std::move(c));
}

void Engine::SetEventReceiver(int32_t id, int32_t event, kv2d_callback callback) {
  if (created() && !panel_.Bind(id, event, callback)) {
    log_.Write("event receiver for control %d, event %d: no such control or event", static_cast<int>(id),
               static_cast<int>(event));
  }
}

float Engine::GetFloat(int32_t id, int32_t property) const { return created() ? panel_.Value(id, property) : 0.0f; }

void Engine::SetFloat(int32_t id, int32_t property, float value) {
  if (created()) panel_.SetValue(id, property, value);
}

void Engine::Call(kv2d_callback callback) {
  if (callback != nullptr) {
    ++calls_in_flight_;
    callback(); // may stop the engine, open a modal box, or never return
    --calls_in_flight_;
  }
}

void Engine::DeliverEvents() {
  while (created()) {
    auto id = panel_.TakeClick();
    if (!id) {
      break;
    }
    const Control *control = panel_.Find(*id);
    if (control == nullptr || control->on_click == nullptr) {
      continue;
    }
    Call(control->on_click);
    if (created()) {
      ResyncPointer();
      frame_wanted_ = true;
    }
  }
}

void Engine::ResyncPointer() {
  // A receiver that ran a modal loop of its own may have taken our window's
  // mouse events; SDL still knows where the mouse is.
  if (SDL_GetMouseFocus() != window_) {
    return;
  }
  int x = 0, y = 0;
  uint32_t buttons = SDL_GetMouseState(&x, &y);
  PointerAt(x, y);
  if (input_.Held(kVkLeftButton) && (buttons & SDL_BUTTON_LMASK) == 0) {
    input_.Release(kVkLeftButton);
    panel_.CancelPress();
  }
}

void Engine::PointerAt(int window_x, int window_y) {
  input_.x = static_cast<float>(window_x) / static_cast<float>(scale_);
  input_.y = static_cast<float>(window_y) / static_cast<float>(scale_);
  panel_.PointerMoved(input_.x, input_.y);
}

void Engine::TakeInEvents() {
  SDL_PumpEvents();
  SDL_Event event;
  while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
    HandleEvent(event);
  }
}

void Engine::HandleEvent(const SDL_Event &e) {
  frame_wanted_ = true;
  auto ours = [this](uint32_t id) { return id == window_id_; };
  switch (e.type) {
  case SDL_QUIT:
    quit_ = true;
    break;
  case SDL_WINDOWEVENT:
    if (!ours(e.window.windowID)) break;
    switch (e.window.event) {
    case SDL_WINDOWEVENT_CLOSE:
      quit_ = true;
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      present_all_ = true;
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      // The window gets a new surface, possibly at the old one's address:
      // either way it holds none of our picture.
      last_surface_ = nullptr;
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      input_.ForgetKeys();
      break;
    case SDL_WINDOWEVENT_LEAVE:
      if (!input_.Held(kVkLeftButton)) {
        // Report where the mouse really is, outside the window.
        int gx = 0, gy = 0, wx = 0, wy = 0;
        SDL_GetGlobalMouseState(&gx, &gy);
        SDL_GetWindowPosition(window_, &wx, &wy);
        PointerAt(gx - wx, gy - wy);
      }
      break;
    default:
      break;
    }
    break;
  case SDL_MOUSEMOTION:
    if (ours(e.motion.windowID)) PointerAt(e.motion.x, e.motion.y);
    break;
  case SDL_MOUSEBUTTONDOWN:
  case SDL_MOUSEBUTTONUP: {
    if (!ours(e.button.windowID)) break;
    PointerAt(e.button.x, e.button.y);
    int vk = VirtualKeyOfButton(e.button.button);
    bool down = e.type == SDL_MOUSEBUTTONDOWN;
    if (down) {
      input_.Press(vk);
    } else {
      input_.Release(vk);
    }
    if (vk == kVkLeftButton) {
      if (down) {
        panel_.PointerPressed(input_.x, input_.y);
      } else {
        panel_.PointerReleased(input_.x, input_.y);
      }
    }
    break;
  }
  case SDL_MOUSEWHEEL: {
    if (!ours(e.wheel.windowID)) break;
    float steps = static_cast<float>(e.wheel.y + e.wheel.x);
    if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) steps = -steps;
    panel_.Wheel(input_.x, input_.y, steps);
    break;
  }
  case SDL_KEYDOWN:
  case SDL_KEYUP: {
    if (!ours(e.key.windowID)) break;
    int vk = VirtualKeyOfKey(e.key.keysym.sym);
    if (e.type == SDL_KEYDOWN) {
      input_.Press(vk);
      KeyDown(vk, (e.key.keysym.mod & KMOD_SHIFT) != 0 || input_.Held(kVkShift), e.key.repeat != 0);
    } else {
      input_.Release(vk);
    }
    break;
  }
  default:
    break;
  }
}

void Engine::KeyDown(int vk, bool shift, bool repeat) {
  // Keys that move a focused scroll bar, and by how much; Home and End go to
  // the ends of its range.
  const float step = shift ? 10.0f : 1.0f;
  switch (vk) {
  case kVkEscape: quit_ = true; break;
  case kVkTab: panel_.MoveFocus(shift); break;
  case kVkSpace:
    if (!repeat) panel_.ClickFocused(); // one click a press, however long it is held
    break;
  case kVkLeft:
  case kVkDown: panel_.StepFocused(-step); break;
  case kVkRight:
  case kVkUp: panel_.StepFocused(step); break;
  case kVkPageDown: panel_.StepFocused(-10.0f); break;
  case kVkPageUp: panel_.StepFocused(10.0f); break;
  case kVkHome: panel_.MoveFocusedToEnd(false); break;
  case kVkEnd: panel_.MoveFocusedToEnd(true); break;
  default: break;
  }
}

int Engine::RefreshRate() const {
  SDL_DisplayMode mode;
  int display = SDL_GetWindowDisplayIndex(window_);
  if (display >= 0 && SDL_GetCurrentDisplayMode(display, &mode) == 0 && mode.refresh_rate > 0) {
    return std::min(mode.refresh_rate, 1000);
  }
  return 60;
}

void Engine::RunFrame() {
  frame_wanted_ = false;
  ++stats_.frames;
  Call(frame_function_);
  if (!created()) return;
  Call(render_function_);
  if (!created()) return;
  input_.EndFrame();
  if (panel_.TakeChanged()) {
    frame_wanted_ = true; // what changed shows in the next frame
  }
}

void Engine::Run() {
  if (!created() || running_) {
    return;
  }
  running_ = true;
  quit_ = false;
  frame_wanted_ = true;
  int rate = RefreshRate();
  log_.Write("loop: started with %zu controls, at most %d frames a second", panel_.controls().size(), rate);
  const uint64_t frequency = SDL_GetPerformanceFrequency();
  const uint64_t period = frequency / static_cast<uint64_t>(rate);
  uint64_t next = 0;
  while (created() && !quit_) {
    if (!frame_wanted_) {
      wait_.Wait(); // idle: sleep until something happens
    }
    // At most one frame a period: sleep out the rest of it first. What comes
    // in meanwhile is taken in just before the frame, in order, by one pump
    // (which also turns a signal that came while we slept into a quit event).
    if (uint64_t now = SDL_GetPerformanceCounter(); now < next) {
      SDL_Delay(static_cast<uint32_t>((next - now) * 1000 / frequency) + 1);
    }
    TakeInEvents();
    if (quit_) {
      break;
    }
    if (frame_wanted_) {
      next = SDL_GetPerformanceCounter() + period;
      RunFrame();
    }
  }
  running_ = false;
  if (created()) {
    log_.Write("loop: ended");
  }
}

bool Engine::RunFrames(int count) {
  quit_ = false;
  for (int i = 0; i < count && created(); ++i) {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
      HandleEvent(event);
    }
    if (quit_) {
      break;
    }
    RunFrame();
  }
  return created() && !quit_;
}

SDL_Rect Engine::DeviceRect(float left, float top, float right, float bottom) const {
  if (std::isnan(left) || std::isnan(top) || std::isnan(right) || std::isnan(bottom)) {
    return SDL_Rect{0, 0, 0, 0};
  }
  // Pixel x is covered when left <= x < right: from ceil(left) to
  // ceil(right) - 1, in device pixels.
  auto edge = [this](float v) {
    double d = std::ceil(static_cast<double>(v) * scale_);
    return static_cast<int>(std::clamp(d, -1.0e7, 1.0e7));
  };
  int x0 = edge(std::min(left, right)), x1 = edge(std::max(left, right));
  int y0 = edge(std::min(top, bottom)), y1 = edge(std::max(top, bottom));
  return SDL_Rect{x0, y0, x1 - x0, y1 - y0};
}

void Engine::Clear(int32_t colour) {
  if (created()) canvas_.Clear(colour);
}

void Engine::BeginScene() {
  if (created()) canvas_.Begin();
}

void Engine::DrawQuad(float left, float top, float right, float bottom, const int32_t corners[4], bool filled) {
  if (!created()) return;
  SDL_Rect space{0, 0, width_ * scale_, height_ * scale_};
  canvas_.Quad(DeviceRect(left, top, right, bottom), corners, filled, scale_, space);
}

void Engine::DrawText(const char *text_gbk, int32_t x, int32_t y, int32_t colour, int32_t slot) {
  if (!created() || text_gbk == nullptr) return;
  SDL_Rect space{0, 0, width_ * scale_, height_ * scale_};
  canvas_.Text(fonts_.Render(slot, text_gbk, Encoding::kGbk), x * scale_, y * scale_, colour, space);
}

void Engine::RenderControls() {
  if (!created()) return;
  for (const Control &c : panel_.controls()) {
    SDL_Rect box = DeviceRect(c.rect);
    auto flat = [](int32_t colour) { return std::array<int32_t, 4>{colour, colour, colour, colour}; };
    switch (c.kind) {
    case ControlKind::kButton: {
      canvas_.Quad(box, flat(panel_.ShowsHot(c) ? c.paint_hot : c.paint).data(), true, 0, box);
      if (TextImageRef text = fonts_.Render(c.font_slot, c.text, Encoding::kUtf8)) {
        int x = box.x + (box.w - text->width()) / 2;
        int y = box.y + (box.h - text->height()) / 2;
        canvas_.Text(text, x, y, c.ink, box);
      }
      break;
    }
    case ControlKind::kScrollBar:
      canvas_.Quad(box, flat(c.ink).data(), true, 0, box);
      canvas_.Quad(DeviceRect(Panel::Thumb(c)), flat(c.paint).data(), true, 0, box);
      break;
    case ControlKind::kLabel:
      canvas_.Quad(box, flat(c.paint).data(), true, 0, box);
      if (TextImageRef text = fonts_.Render(c.font_slot, c.text, Encoding::kUtf8)) {
        canvas_.Text(text, box.x, box.y + (box.h - text->height()) / 2, c.ink, box);
      }
      break;
    }
  }
  // The keyboard focus: a ring in the control's ink, made opaque, around it
  // with a pixel's gap, over the other controls.
  if (auto id = panel_.focused()) {
    if (const Control *c = panel_.Find(*id)) {
      const Rect &r = c->rect;
      int32_t ink = PackArgb(255, RedOf(c->ink), GreenOf(c->ink), BlueOf(c->ink));
      const int32_t ring[4] = {ink, ink, ink, ink};
      SDL_Rect space{0, 0, width_ * scale_, height_ * scale_};
      float out = kFocusGap + kFocusRing;
      canvas_.Quad(DeviceRect(r.left - out, r.top - out, r.right + out, r.bottom + out), ring, false,
                   static_cast<int>(kFocusRing) * scale_, space);
    }
  }
}

SDL_Surface *Engine::Target() {
  SDL_Surface *surface = SDL_GetWindowSurface(window_);
  if (surface == nullptr && !surface_failed_logged_) {
    surface_failed_logged_ = true;
    log_.Write("drawing failed: no window surface: %s", SDL_GetError());
  }
  return surface;
}

void Engine::EndScene() {
  if (!created()) return;
  SDL_Surface *target = Target();
  if (target == nullptr) {
    canvas_.Reset();
    return;
  }
  bool fresh = target != last_surface_ || target->w != last_surface_w_ || target->h != last_surface_h_;
  last_surface_ = target;
  last_surface_w_ = target->w;
  last_surface_h_ = target->h;

  SDL_Surface *draw_on = target;
  if (!Is32BitRgb(target->format)) {
    if (canvas_surface_ == nullptr || canvas_surface_->w != target->w || canvas_surface_->h != target->h) {
      SDL_FreeSurface(canvas_surface_);
      canvas_surface_ = SDL_CreateRGBSurfaceWithFormat(0, target->w, target->h, 32, SDL_PIXELFORMAT_XRGB8888);
      fresh = true;
      if (canvas_surface_ == nullptr) {
        canvas_.Reset();
        return;
      }
      SDL_SetSurfaceBlendMode(canvas_surface_, SDL_BLENDMODE_NONE);
    }
    draw_on = canvas_surface_;
  }

  std::optional<SDL_Rect> changed = canvas_.Finish(draw_on, fresh);
  if (changed) {
    if (draw_on != target) {
      SDL_Rect from = *changed, to = *changed;
      SDL_BlitSurface(draw_on, &from, target, &to);
    }
    ++stats_.rasterized;
    stats_.last_update = *changed;
    frame_wanted_ = true; // a picture that moves may move on
    bool whole = changed->w == target->w && changed->h == target->h;
    if (whole || present_all_) {
      SDL_UpdateWindowSurface(window_);
    } else {
      SDL_UpdateWindowSurfaceRects(window_, &*changed, 1);
    }
    present_all_ = false;
  } else if (present_all_) {
    SDL_UpdateWindowSurface(window_);
    present_all_ = false;
  }
}

void Engine::MousePosition(float *x, float *y) const {
  if (x != nullptr) *x = created() ? input_.x : 0.0f;
  if (y != nullptr) *y = created() ? input_.y : 0.0f;
}

} // namespace kv2d
