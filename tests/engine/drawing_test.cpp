// Quads, text and the frame comparison, read back from the window's pixels.
#include <SDL_ttf.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine_fixture.h"

namespace kv2d_test {
namespace {

using kv2d::PackArgb;

constexpr Rgba kWhite{255, 255, 255, 255};
constexpr Rgba kBlue{0, 0, 255, 255};
constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kGreen{0, 255, 0, 255};

void Quad(kv2d::Engine &e, float l, float t, float r, float b, int32_t colour, bool filled) {
  const int32_t corners[4] = {colour, colour, colour, colour};
  e.DrawQuad(l, t, r, b, corners, filled);
}

class QuadTest : public EngineTest, public ::testing::WithParamInterface<int> {
protected:
  void SetUp() override { Open(GetParam()); }
};

TEST_P(QuadTest, FilledAndOutlinedQuadsCoverTheirPixelsInCallOrder) {
  draw = [](kv2d::Engine &e) {
    Quad(e, 16, 16, 499, 499, PackArgb(255, 0, 0, 255), true);   // the preview's fill
    Quad(e, 15, 15, 500, 500, PackArgb(255, 255, 255, 255), false); // its outline
    Quad(e, 100, 100, 200, 200, PackArgb(255, 255, 0, 0), true);  // later covers earlier
    Quad(e, 790, -10, 810, 610, PackArgb(255, 0, 255, 0), false); // mostly off the window
  };
  ASSERT_TRUE(Frames());

  struct Probe {
    int x, y;
    Rgba colour;
  };
  const Probe probes[] = {
      // The outline is the outermost ring of 15..499, one pixel outside the fill.
      {15, 15, kWhite}, {499, 499, kWhite}, {15, 250, kWhite}, {499, 250, kWhite}, {250, 15, kWhite}, {250, 499, kWhite},
      {16, 16, kBlue}, {498, 498, kBlue}, {16, 250, kBlue}, {250, 498, kBlue},
      {14, 250, kBlack}, {500, 250, kBlack}, {250, 14, kBlack}, {250, 500, kBlack},
      {100, 100, kRed}, {199, 199, kRed}, {200, 150, kBlue}, {150, 200, kBlue},
      // Of the quad past the edges only its left side shows.
      {790, 0, kGreen}, {790, 599, kGreen}, {791, 300, kBlack}, {799, 0, kBlack},
  };
  const int s = GetParam();
  for (const Probe &p : probes) {
    // Every device pixel of the drawing pixel.
    for (int dy = 0; dy < s; ++dy) {
      for (int dx = 0; dx < s; ++dx) {
        EXPECT_EQ(Pixel(p.x * s + dx, p.y * s + dy), p.colour) << "at " << p.x << "," << p.y;
      }
    }
  }
}

TEST_P(QuadTest, MousePositionIsInDrawingPixels) {
  Move(301, 101);
  ASSERT_TRUE(Frames());
  float x = -1, y = -1;
  engine.MousePosition(&x, &y);
  EXPECT_FLOAT_EQ(x, 301.0f / static_cast<float>(GetParam()));
  EXPECT_FLOAT_EQ(y, 101.0f / static_cast<float>(GetParam()));
}

// The focus ring: two drawing pixels of the control's ink, made opaque, one
// pixel outside the control. Around the close button (690,560 .. 790,590,
// red text) it covers 687..688 and 791..792 across, 557..558 and 591..592
// down; around the red bar (track translucent white) it is opaque white.
TEST_P(QuadTest, FocusRingShowsAroundTheFocusedControlOnly) {
  AddProgramControls(engine);
  draw = [](kv2d::Engine &e) { e.RenderControls(); };
  ASSERT_TRUE(Frames());
  const int s = GetParam();
  auto at = [&](int x, int y) { return Pixel(x * s, y * s); };
  EXPECT_EQ(at(687, 575), kBlack);
  Tap(SDLK_TAB);
  ASSERT_TRUE(Frames());
  for (auto [x, y] : {std::pair{687, 575}, {688, 575}, {791, 575}, {792, 575}, {740, 557}, {740, 592}, {687, 557}}) {
    EXPECT_EQ(at(x, y), kRed) << x << "," << y;
    EXPECT_EQ(Pixel(x * s + s - 1, y * s + s - 1), kRed) << x << "," << y; // crisp: whole device pixels
  }
  for (auto [x, y] : {std::pair{686, 575}, {689, 575}, {790, 575}, {793, 575}, {740, 556}, {740, 593}}) {
    EXPECT_NE(at(x, y), kRed) << x << "," << y;
  }
  Tap(SDLK_TAB);
  ASSERT_TRUE(Frames());
  EXPECT_EQ(at(687, 575), kBlack); // the ring moved on
  EXPECT_EQ(at(548, 70), kWhite);
  EXPECT_EQ(at(650, 58), kWhite);
  EXPECT_EQ(at(650, 81), kWhite);
  EXPECT_EQ(at(650, 59), kBlack); // the gap
}

INSTANTIATE_TEST_SUITE_P(Scales, QuadTest, ::testing::Values(1, 2));

TEST_F(EngineTest, TranslucentAndShadedQuadsBlend) {
  draw = [](kv2d::Engine &e) {
    Quad(e, 0, 0, 10, 10, kTranslucentWhite, true); // over black
    Quad(e, 20, 0, 30, 10, kOpaqueRed, true);
    Quad(e, 20, 0, 30, 10, kTranslucentWhite, true); // over red
    Quad(e, 40, 0, 50, 10, kTranslucentWhite, false); // a translucent ring is blended once
    const int32_t corners[4] = {PackArgb(255, 255, 0, 0), PackArgb(255, 0, 255, 0), PackArgb(255, 0, 0, 255),
                                PackArgb(255, 255, 255, 255)};
    e.DrawQuad(100, 100, 201, 201, corners, true);
  };
  ASSERT_TRUE(Frames());
  EXPECT_EQ(Pixel(5, 5), (Rgba{100, 100, 100, 255}));
  EXPECT_EQ(Pixel(25, 5), (Rgba{255, 100, 100, 255}));
  EXPECT_EQ(Pixel(40, 0), (Rgba{100, 100, 100, 255}));
  EXPECT_EQ(Pixel(45, 5), kBlack);
  // Corners top-left, top-right, bottom-right, bottom-left.
  EXPECT_EQ(Pixel(100, 100), kRed);
  EXPECT_EQ(Pixel(200, 100), kGreen);
  EXPECT_EQ(Pixel(200, 200), kBlue);
  EXPECT_EQ(Pixel(100, 200), kWhite);
  EXPECT_EQ(Pixel(150, 150), (Rgba{128, 128, 128, 255}));
}

TEST_F(EngineTest, TextStaysInsideItsBox) {
  AddProgramControls(engine);
  // A button far too narrow for its text: the text is cut at its edges.
  engine.AddButton(110, {300, 300, 340, 330}, kFontSlot, kOpaqueRed, kCopy, kTransparent, kTransparent);
  draw = [](kv2d::Engine &e) {
    e.DrawText(kReadout, 550, 30, PackArgb(255, 255, 255, 0), kFontSlot);
    e.RenderControls();
  };
  ASSERT_TRUE(Frames());

  struct Box {
    const char *what;
    int left, top, right, bottom;
    int inked = 0; // pixels of text colour inside
  };
  std::vector<Box> boxes = {
      {"readout", 550, 30, 800, 30 + 24}, {"hint", 15, 520, 700, 550},   {"learn more", 15, 560, 150, 590},
      {"copy", 520, 560, 650, 590},      {"close", 690, 560, 790, 590}, {"narrow", 300, 300, 340, 330},
      {"red bar", 550, 60, 750, 80},     {"green bar", 550, 115, 750, 135}, {"blue bar", 550, 170, 750, 190},
  };
  int outside = 0;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 800; ++x) {
      Rgba c = Pixel(x, y);
      if (c == kBlack) continue;
      auto box = std::find_if(boxes.begin(), boxes.end(), [&](const Box &b) {
        return x >= b.left && x < b.right && y >= b.top && y < b.bottom;
      });
      if (box == boxes.end()) {
        ++outside;
        continue;
      }
      bool text_colour = c.r > c.b + 60; // red or yellow ink over black or grey
      if (text_colour) ++box->inked;
    }
  }
  EXPECT_EQ(outside, 0);
  for (const Box &b : boxes) {
    bool has_text = std::string(b.what).find("bar") == std::string::npos;
    if (has_text) {
      EXPECT_GT(b.inked, 40) << b.what;
    }
  }
  // The hint is vertically centred in its 30 pixels and starts at its left.
  int top = 600, bottom = -1, left = 800;
  for (int y = 520; y < 550; ++y) {
    for (int x = 15; x < 700; ++x) {
      if (Pixel(x, y) != kBlack) {
        top = std::min(top, y), bottom = std::max(bottom, y), left = std::min(left, x);
      }
    }
  }
  EXPECT_LE(std::abs((top - 520) - (549 - bottom)), 4) << top << ".." << bottom;
  EXPECT_LT(left, 15 + 4);
}

TEST_F(EngineTest, AnUnchangedFrameIsNotDrawnAgain) {
  float x = 100;
  draw = [&x](kv2d::Engine &e) {
    Quad(e, 0, 0, 800, 600, PackArgb(255, 0, 0, 255), true);
    Quad(e, x, 100, x + 20, 120, kOpaqueRed, true);
  };
  ASSERT_TRUE(Frames());
  uint64_t drawn = engine.stats().rasterized;
  ASSERT_TRUE(Frames(3));
  EXPECT_EQ(engine.stats().rasterized, drawn);

  // Only the part that changed is drawn and shown again.
  x = 300;
  ASSERT_TRUE(Frames());
  EXPECT_EQ(engine.stats().rasterized, drawn + 1);
  SDL_Rect update = engine.stats().last_update;
  EXPECT_EQ(update.x, 100);
  EXPECT_EQ(update.y, 100);
  EXPECT_EQ(update.w, 220);
  EXPECT_EQ(update.h, 20);
  EXPECT_EQ(Pixel(105, 105), kBlue);
  EXPECT_EQ(Pixel(305, 105), kRed);
}

TEST_F(EngineTest, LogNamesTheEngineAndTheFontFile) {
  // The fixture's engine wrote its set-up lines already.
  std::FILE *file = std::fopen(OutputPath("engine-test.log").c_str(), "r");
  ASSERT_NE(file, nullptr);
  std::string text(4096, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), file));
  std::fclose(file);
  EXPECT_NE(text.find("Kelvaran 2D NOC"), std::string::npos) << text;
  EXPECT_NE(text.find("wqy-zenhei"), std::string::npos) << text;
}

TEST(TextCache, StaysBoundedAndKeepsImagesInUse) {
  ASSERT_EQ(TTF_Init(), 0);
  {
    kv2d::Fonts fonts;
    fonts.Attach(nullptr, 1);
    ASSERT_TRUE(fonts.Load(kFontSlot, "\xE9\xBB\x91\xE4\xBD\x93")); // 黑体, UTF-8
    kv2d::TextImageRef first = fonts.Render(kFontSlot, "0", kv2d::Encoding::kUtf8);
    ASSERT_TRUE(first);
    EXPECT_EQ(fonts.Render(kFontSlot, "0", kv2d::Encoding::kUtf8), first); // drawn once
    for (size_t i = 1; i < kv2d::Fonts::kMaxEntries + 100; ++i) {
      fonts.Render(kFontSlot, std::to_string(i), kv2d::Encoding::kUtf8);
    }
    EXPECT_LE(fonts.cached_count(), kv2d::Fonts::kMaxEntries);
    // Evicted, but a frame that still shows it keeps it whole.
    EXPECT_NE(fonts.Render(kFontSlot, "0", kv2d::Encoding::kUtf8), first);
    EXPECT_GT(first->width(), 0);
    EXPECT_NE(first->surface()->pixels, nullptr);
  }
  TTF_Quit();
}

} // namespace
} // namespace kv2d_test
