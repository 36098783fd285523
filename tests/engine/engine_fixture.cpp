#include "engine_fixture.h"

namespace kv2d_test {

namespace {

// SDL video stays up for the whole test program.
class SdlVideo : public ::testing::Environment {
public:
  void SetUp() override { ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError(); }
  void TearDown() override { SDL_Quit(); }
};
const auto *const sdl_video = ::testing::AddGlobalTestEnvironment(new SdlVideo);

EngineTest *current = nullptr;

int32_t KV2D_CALL OnFrame() {
  current->engine.DeliverEvents();
  if (current->engine.created() && current->on_frame) current->on_frame(current->engine);
  return 1;
}

int32_t KV2D_CALL OnRender() {
  kv2d::Engine &e = current->engine;
  e.Clear(kv2d::PackArgb(0, 0, 0, 0));
  e.BeginScene();
  if (current->draw) current->draw(e);
  e.EndScene();
  return 1;
}

SDL_Event MouseButton(uint32_t type, uint32_t window, int x, int y) {
  SDL_Event e{};
  e.type = type;
  e.button.windowID = window;
  e.button.button = SDL_BUTTON_LEFT;
  e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.button.clicks = 1;
  e.button.x = x;
  e.button.y = y;
  return e;
}

} // namespace

std::string OutputPath(const std::string &name) { return std::string(KV2D_TEST_OUTPUT_DIR) + "/" + name; }

void EngineTest::Open(int scale) {
  current = this;
  window = SDL_CreateWindow("engine test", 0, 0, 800, 600, SDL_WINDOW_HIDDEN);
  ASSERT_NE(window, nullptr) << SDL_GetError();
  window_id = SDL_GetWindowID(window);
  kv2d::CreateOptions options;
  options.window_id = window_id;
  options.scale = scale;
  std::string log = OutputPath("engine-test.log");
  options.log_path = log.c_str();
  ASSERT_TRUE(engine.Create(options));
  engine.LoadFont(kFontSlot, kHeiti);
  engine.SetFrameFunction(OnFrame);
  engine.SetRenderFunction(OnRender);
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

void EngineTest::TearDown() {
  engine.Stop();
  if (window != nullptr) SDL_DestroyWindow(window);
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  current = nullptr;
}

void EngineTest::Move(int x, int y) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = window_id;
  e.motion.x = x;
  e.motion.y = y;
  SDL_PushEvent(&e);
}

void EngineTest::Press(int x, int y) {
  SDL_Event e = MouseButton(SDL_MOUSEBUTTONDOWN, window_id, x, y);
  SDL_PushEvent(&e);
}

void EngineTest::Release(int x, int y) {
  SDL_Event e = MouseButton(SDL_MOUSEBUTTONUP, window_id, x, y);
  SDL_PushEvent(&e);
}

void EngineTest::Wheel(int steps) {
  SDL_Event e{};
  e.type = SDL_MOUSEWHEEL;
  e.wheel.windowID = window_id;
  e.wheel.y = steps;
  e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
  SDL_PushEvent(&e);
}

void EngineTest::Key(SDL_Keycode key, bool down, uint16_t mod, bool repeat) {
  SDL_Event e{};
  e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  e.key.windowID = window_id;
  e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  e.key.repeat = repeat ? 1 : 0;
  e.key.keysym.sym = key;
  e.key.keysym.mod = mod;
  SDL_PushEvent(&e);
}

void EngineTest::Tap(SDL_Keycode key, uint16_t mod) {
  Key(key, true, mod);
  Key(key, false, mod);
}

void EngineTest::PushWindowEvent(SDL_WindowEventID event) {
  SDL_Event e{};
  e.type = SDL_WINDOWEVENT;
  e.window.windowID = window_id;
  e.window.event = static_cast<uint8_t>(event);
  SDL_PushEvent(&e);
}

Rgba EngineTest::Pixel(int x, int y) const {
  SDL_Surface *surface = SDL_GetWindowSurface(window);
  EXPECT_NE(surface, nullptr);
  EXPECT_EQ(surface->format->BytesPerPixel, 4);
  const auto *row = static_cast<const uint8_t *>(surface->pixels) + static_cast<ptrdiff_t>(y) * surface->pitch;
  uint32_t value = reinterpret_cast<const uint32_t *>(row)[x];
  Rgba c;
  SDL_GetRGBA(value, surface->format, &c.r, &c.g, &c.b, &c.a);
  return c;
}

void AddProgramControls(kv2d::Engine &e) {
  e.AddButton(100, {690, 560, 790, 590}, kFontSlot, kOpaqueRed, "\xB9\xD8\xB1\xD5", kTranslucentWhite, kOpaqueGreen);
  e.AddScrollBar(102, {550, 60, 750, 80}, kTranslucentWhite, kOpaqueRed, 255.0f);
  e.AddScrollBar(104, {550, 115, 750, 135}, kTranslucentWhite, kOpaqueRed, 255.0f);
  e.AddScrollBar(106, {550, 170, 750, 190}, kTranslucentWhite, kOpaqueRed, 255.0f);
  e.AddLabel(107, {15, 520, 700, 550}, kFontSlot, kOpaqueRed, kHint, kTransparent);
  e.AddButton(108, {15, 560, 150, 590}, kFontSlot, kOpaqueRed, kLearnMore, kTranslucentWhite, kOpaqueGreen);
  e.AddButton(109, {520, 560, 650, 590}, kFontSlot, kOpaqueRed, kCopy, kTranslucentWhite, kOpaqueGreen);
}

} // namespace kv2d_test

namespace kv2d {
// Readable failures for pixel comparisons.
void PrintTo(const Rgba &c, std::ostream *os) {
  *os << "rgba(" << int(c.r) << "," << int(c.g) << "," << int(c.b) << "," << int(c.a) << ")";
}
} // namespace kv2d
