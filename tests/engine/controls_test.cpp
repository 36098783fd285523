// Buttons, scroll bars, values, keys and the loop, driven by injected events.
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

#include "engine_fixture.h"

namespace kv2d_test {
namespace {

int clicks = 0;
int32_t KV2D_CALL CountClick() {
  ++clicks;
  return 1;
}

// The program's close button sits at 690,560 .. 790,590.
struct ClickCase {
  const char *name;
  std::vector<SDL_Point> path; // pressed at the first point, released at the last
  int expected;
};

void PrintTo(const ClickCase &c, std::ostream *os) { *os << c.name; }

class ButtonTest : public EngineTest, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(ButtonTest, ClicksOnceOnReleaseOverThePressedButton) {
  AddProgramControls(engine);
  engine.SetEventReceiver(100, 2, CountClick);
  clicks = 0;
  const auto &path = GetParam().path;
  Press(path.front().x, path.front().y);
  ASSERT_TRUE(Frames());
  for (size_t i = 1; i + 1 < path.size(); ++i) {
    Move(path[i].x, path[i].y);
    ASSERT_TRUE(Frames());
  }
  Release(path.back().x, path.back().y);
  ASSERT_TRUE(Frames(3));
  EXPECT_EQ(clicks, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ButtonTest,
    ::testing::Values(ClickCase{"inside", {{740, 575}, {745, 578}}, 1},
                      ClickCase{"on_the_top_left_edge", {{690, 560}, {690, 560}}, 1},
                      ClickCase{"released_outside", {{740, 575}, {740, 520}}, 0},
                      ClickCase{"released_on_the_right_edge", {{740, 575}, {790, 575}}, 0},
                      ClickCase{"pressed_outside", {{740, 520}, {740, 575}}, 0},
                      ClickCase{"pressed_on_another_button", {{580, 575}, {740, 575}}, 0},
                      ClickCase{"out_and_back", {{740, 575}, {400, 300}, {740, 575}}, 1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(EngineTest, ReceiverMayStopTheEngine) {
  AddProgramControls(engine);
  static kv2d::Engine *target = nullptr;
  target = &engine;
  engine.SetEventReceiver(100, 2, []() -> int32_t {
    target->Stop();
    return 1;
  });
  Press(740, 575);
  Release(740, 575);
  EXPECT_FALSE(Frames(2));
  EXPECT_FALSE(engine.created());
  EXPECT_EQ(engine.GetFloat(102, 7), 0.0f);
}

// The red bar: 550,60 .. 750,80, range 0..255, a 20-pixel thumb, so 180
// pixels of travel.
struct Gesture {
  enum Kind { kPress, kMove, kRelease, kWheel } kind;
  int x, y; // for kWheel: x is the number of steps
};

struct ScrollCase {
  const char *name;
  std::vector<Gesture> gestures;
  float expected;
};

void PrintTo(const ScrollCase &c, std::ostream *os) { *os << c.name; }

class ScrollBarTest : public EngineTest, public ::testing::WithParamInterface<ScrollCase> {};

TEST_P(ScrollBarTest, FollowsThePointer) {
  AddProgramControls(engine);
  ASSERT_TRUE(Frames());
  ASSERT_EQ(engine.GetFloat(102, 7), 0.0f); // a new bar starts at the bottom of its range
  for (const Gesture &g : GetParam().gestures) {
    switch (g.kind) {
    case Gesture::kPress: Press(g.x, g.y); break;
    case Gesture::kMove: Move(g.x, g.y); break;
    case Gesture::kRelease: Release(g.x, g.y); break;
    case Gesture::kWheel: Move(g.y, 70), Wheel(g.x); break;
    }
    ASSERT_TRUE(Frames());
  }
  EXPECT_NEAR(engine.GetFloat(102, 7), GetParam().expected, 1e-3);
  EXPECT_EQ(engine.GetFloat(104, 7), 0.0f); // the others stay
}

constexpr float kPerPixel = 255.0f / 180.0f;

INSTANTIATE_TEST_SUITE_P(
    Gestures, ScrollBarTest,
    ::testing::Values(
        ScrollCase{"drag_thumb", {{Gesture::kPress, 560, 70}, {Gesture::kMove, 650, 90}, {Gesture::kRelease, 650, 90}},
                   90 * kPerPixel},
        ScrollCase{"drag_past_the_end", {{Gesture::kPress, 560, 70}, {Gesture::kMove, 900, 70}}, 255},
        ScrollCase{"drag_out_and_back_ends_where_it_began",
                   {{Gesture::kPress, 565, 70}, {Gesture::kMove, 700, 10}, {Gesture::kMove, 613, 300},
                    {Gesture::kMove, 565, 75}},
                   0},
        ScrollCase{"track_click_centres_the_thumb", {{Gesture::kPress, 700, 70}, {Gesture::kRelease, 700, 70}},
                   140 * kPerPixel},
        ScrollCase{"track_click_then_drag", {{Gesture::kPress, 700, 70}, {Gesture::kMove, 710, 70}},
                   150 * kPerPixel},
        ScrollCase{"press_on_the_thumb_keeps_the_value", {{Gesture::kPress, 551, 70}}, 0},
        ScrollCase{"wheel_up", {{Gesture::kWheel, 1, 600}, {Gesture::kWheel, 2, 600}}, 3},
        ScrollCase{"wheel_down_stops_at_zero", {{Gesture::kWheel, -1, 600}}, 0},
        ScrollCase{"wheel_elsewhere", {{Gesture::kWheel, 1, 400}}, 0},
        ScrollCase{"move_without_press", {{Gesture::kMove, 560, 70}, {Gesture::kMove, 700, 70}}, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(EngineTest, ValuesWrittenAreReadBackWithinRange) {
  AddProgramControls(engine);
  struct Case {
    int32_t id, property;
    float written, read;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      {102, 7, 127.5f, 127.5f}, {102, 7, 300.0f, 255.0f}, {102, 7, -5.0f, 0.0f},
      {104, 7, 64.0f, 64.0f},   {104, 7, nan, 64.0f},     // NaN leaves the value
      {999, 7, 10.0f, 0.0f},                              // no such control
      {106, 8, 10.0f, 0.0f},                              // no such property
      {107, 7, 10.0f, 0.0f},                              // a label has no value
  };
  for (const Case &c : cases) {
    engine.SetFloat(c.id, c.property, c.written);
    EXPECT_EQ(engine.GetFloat(c.id, c.property), c.read) << c.id << "," << c.property << " <- " << c.written;
  }
}

TEST_F(EngineTest, KeyStatesFollowTheEvents) {
  std::vector<int> left, enter_up;
  on_frame = [&](kv2d::Engine &e) {
    left.push_back(e.KeyState(1));
    enter_up.push_back(e.KeyUp(13));
  };
  Press(10, 10);
  Key(SDLK_RETURN, true);
  ASSERT_TRUE(Frames());
  ASSERT_TRUE(Frames()); // still held
  Release(10, 10);
  Key(SDLK_RETURN, false);
  ASSERT_TRUE(Frames());
  ASSERT_TRUE(Frames());
  EXPECT_EQ(left, (std::vector<int>{1, 1, 0, 0}));
  EXPECT_EQ(enter_up, (std::vector<int>{0, 0, 1, 0}));
}

TEST_F(EngineTest, AQuickClickBetweenTwoFramesCountsAsDownForOneFrame) {
  std::vector<int> left;
  on_frame = [&](kv2d::Engine &e) { left.push_back(e.KeyState(1)); };
  Press(10, 10);
  Release(10, 10);
  ASSERT_TRUE(Frames());
  ASSERT_TRUE(Frames());
  EXPECT_EQ(left, (std::vector<int>{1, 0}));
}

// The keyboard. The program's focusable controls in creation order: close,
// the three bars, learn more, copy (the hint label is skipped).
TEST_F(EngineTest, TabAndShiftTabMoveTheFocusRoundTheButtonsAndBars) {
  AddProgramControls(engine);
  ASSERT_TRUE(Frames());
  EXPECT_FALSE(engine.focused().has_value()); // nothing has it until Tab is used
  std::vector<int32_t> forwards, backwards;
  for (int i = 0; i < 7; ++i) {
    Tap(SDLK_TAB);
    ASSERT_TRUE(Frames());
    forwards.push_back(engine.focused().value_or(-1));
  }
  EXPECT_EQ(forwards, (std::vector<int32_t>{100, 102, 104, 106, 108, 109, 100}));
  for (int i = 0; i < 3; ++i) {
    Tap(SDLK_TAB, KMOD_LSHIFT);
    ASSERT_TRUE(Frames());
    backwards.push_back(engine.focused().value_or(-1));
  }
  EXPECT_EQ(backwards, (std::vector<int32_t>{109, 108, 106}));
}

TEST_F(EngineTest, ShiftTabWithoutFocusStartsAtTheLastControl) {
  AddProgramControls(engine);
  Tap(SDLK_TAB, KMOD_RSHIFT);
  ASSERT_TRUE(Frames());
  EXPECT_EQ(engine.focused(), std::optional<int32_t>(109));
}

struct KeyPress {
  SDL_Keycode key;
  uint16_t mod = KMOD_NONE;
};

struct FocusedBarCase {
  const char *name;
  float start;
  std::vector<KeyPress> keys;
  float expected;
};

void PrintTo(const FocusedBarCase &c, std::ostream *os) { *os << c.name; }

class FocusedBarTest : public EngineTest, public ::testing::WithParamInterface<FocusedBarCase> {};

// The green bar has the focus (three Tabs); the keys act on it alone.
TEST_P(FocusedBarTest, KeysMoveIt) {
  AddProgramControls(engine);
  engine.SetFloat(104, 7, GetParam().start);
  for (int i = 0; i < 3; ++i) Tap(SDLK_TAB);
  ASSERT_TRUE(Frames());
  ASSERT_EQ(engine.focused(), std::optional<int32_t>(104));
  for (const KeyPress &k : GetParam().keys) {
    Tap(k.key, k.mod);
    ASSERT_TRUE(Frames());
  }
  EXPECT_EQ(engine.GetFloat(104, 7), GetParam().expected);
  EXPECT_EQ(engine.GetFloat(102, 7), 0.0f);
  EXPECT_EQ(engine.GetFloat(106, 7), 0.0f);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, FocusedBarTest,
    ::testing::Values(
        FocusedBarCase{"right_and_up_add_one", 100, {{SDLK_RIGHT}, {SDLK_RIGHT}, {SDLK_UP}}, 103},
        FocusedBarCase{"left_and_down_take_one", 100, {{SDLK_LEFT}, {SDLK_DOWN}}, 98},
        FocusedBarCase{"shift_arrows_step_ten",
                       100,
                       {{SDLK_RIGHT, KMOD_LSHIFT}, {SDLK_RIGHT, KMOD_LSHIFT}, {SDLK_DOWN, KMOD_RSHIFT}},
                       110},
        FocusedBarCase{"page_up_and_down_step_ten", 100, {{SDLK_PAGEUP}, {SDLK_PAGEUP}, {SDLK_PAGEDOWN}}, 110},
        FocusedBarCase{"home_goes_to_zero", 100.5f, {{SDLK_HOME}}, 0},
        FocusedBarCase{"end_goes_to_the_top", 3, {{SDLK_END}}, 255},
        FocusedBarCase{"steps_stop_at_the_ends",
                       250,
                       {{SDLK_PAGEUP}, {SDLK_RIGHT}, {SDLK_HOME}, {SDLK_LEFT}, {SDLK_PAGEDOWN}},
                       0},
        FocusedBarCase{"a_fraction_stays_a_fraction", 7.25f, {{SDLK_RIGHT}}, 8.25f},
        FocusedBarCase{"space_and_other_keys_leave_it", 42, {{SDLK_SPACE}, {SDLK_RETURN}, {SDLK_a}}, 42}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(EngineTest, SpaceClicksTheFocusedButtonAsTheMouseDoes) {
  AddProgramControls(engine);
  engine.SetEventReceiver(109, 2, CountClick);
  clicks = 0;
  Tap(SDLK_SPACE); // no focus yet: nothing
  Tap(SDLK_TAB, KMOD_LSHIFT);
  ASSERT_TRUE(Frames());
  ASSERT_EQ(engine.focused(), std::optional<int32_t>(109));
  EXPECT_EQ(clicks, 0);
  Tap(SDLK_SPACE);
  ASSERT_TRUE(Frames());
  EXPECT_EQ(clicks, 1);
  // Held down, the key repeats; it still clicks once.
  Key(SDLK_SPACE, true);
  Key(SDLK_SPACE, true, KMOD_NONE, true);
  Key(SDLK_SPACE, true, KMOD_NONE, true);
  Key(SDLK_SPACE, false);
  ASSERT_TRUE(Frames(2));
  EXPECT_EQ(clicks, 2);
  // Arrows do nothing to a button; the bars stay.
  Tap(SDLK_RIGHT);
  Tap(SDLK_END);
  ASSERT_TRUE(Frames());
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(engine.GetFloat(102, 7) + engine.GetFloat(104, 7) + engine.GetFloat(106, 7), 0.0f);
}

class LoopEndTest : public EngineTest, public ::testing::WithParamInterface<int> {};

TEST_P(LoopEndTest, RunReturns) {
  switch (GetParam()) {
  case 0: {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    break;
  }
  case 1: PushWindowEvent(SDL_WINDOWEVENT_CLOSE); break;
  case 2: Key(SDLK_ESCAPE, true); break;
  case 3: {
    static kv2d::Engine *target = nullptr;
    target = &engine;
    engine.SetFrameFunction([]() -> int32_t {
      target->Stop();
      return 1;
    });
    break;
  }
  }
  engine.Run();
  EXPECT_FALSE(engine.busy());
}

std::string WayName(const ::testing::TestParamInfo<int> &info) {
  const char *names[] = {"quit", "close_box", "escape", "stop_from_frame_function"};
  return names[info.param];
}
INSTANTIATE_TEST_SUITE_P(Ways, LoopEndTest, ::testing::Values(0, 1, 2, 3), WayName);

TEST_F(EngineTest, StopTwiceAndCallsAfterStopAreHarmless) {
  AddProgramControls(engine);
  engine.SetFloat(102, 7, 42.0f);
  engine.Stop();
  engine.Stop();
  EXPECT_FALSE(engine.created());
  EXPECT_EQ(engine.GetFloat(102, 7), 0.0f);
  const int32_t corners[4] = {kOpaqueRed, kOpaqueRed, kOpaqueRed, kOpaqueRed};
  engine.Clear(0);
  engine.BeginScene();
  engine.DrawQuad(0, 0, 10, 10, corners, true);
  engine.DrawText(kReadout, 0, 0, kOpaqueRed, kFontSlot);
  engine.RenderControls();
  engine.EndScene();
  engine.DeliverEvents();
  engine.Run();
  EXPECT_FALSE(Frames());
}

TEST(EngineCreate, FailsForAWindowThatDoesNotExist) {
  kv2d::Engine engine;
  kv2d::CreateOptions options;
  options.window_id = 987654;
  EXPECT_FALSE(engine.Create(options));
  EXPECT_FALSE(engine.created());
}

} // namespace
} // namespace kv2d_test
