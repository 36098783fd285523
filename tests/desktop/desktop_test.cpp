// The shared desktop library: GBK to UTF-8, the desktop's scale, the CJK font.
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "common/cjk_font.h"
#include "common/desktop_scale.h"
#include "common/gbk_text.h"

namespace {

TEST(GbkToUtf8, ConvertsAndReplacesBadBytes) {
  struct Case {
    const char *gbk;
    const char *utf8;
  };
  const Case cases[] = {
      {"", ""},
      {"Vorhel 2D", "Vorhel 2D"},
      {"\xd1\xd5\xc9\xab\xd1\xa1\xd4\xf1\xc6\xf7", "颜色选择器"},
      {"\xa3\xa1", "！"},
      // a byte that starts no character, between two good ones
      {"\xd1\xd5\xff\xc9\xab", "颜\uFFFD色"},
      // a lead byte whose trail is not a trail byte: the trail survives
      {"\xd1 x", "\uFFFD x"},
      // a lead byte cut off by the end of the text
      {"ab\xd1", "ab\uFFFD"},
      // a four-byte sequence of the larger code page is not GBK
      {"\x81\x30\x81\x30", "\uFFFD0\uFFFD0"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(desktop::GbkToUtf8(c.gbk), c.utf8) << "for " << testing::PrintToString(std::string(c.gbk));
  }
}

TEST(GbkToUtf8, KeepsGoingPastManyBadBytesInALongText) {
  std::string gbk;
  std::string expected;
  for (int i = 0; i < 400; ++i) {
    gbk += "\xd1\xd5\xff";
    expected += "颜\uFFFD";
  }
  EXPECT_EQ(desktop::GbkToUtf8(gbk), expected);
}

TEST(DesktopScale, ComesFromXftDpi) {
  struct Case {
    const char *resources;
    int scale;
  };
  const Case cases[] = {
      {nullptr, 1},
      {"", 1},
      {"Xft.antialias:\t1\n", 1},
      {"Xft.dpi:\t96\n", 1},
      {"Xft.dpi:\t192\n", 2},
      {"Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n", 2},
      {"Xft.dpi: 288", 3},
      {"Xft.dpi:\t96.0\n", 1},
      {"Xft.dpi:\t120\n", 1},  // 1.25 rounds down
      {"Xft.dpi:\t144\n", 2},  // 1.5 rounds up
      {"Xft.dpi:\t48\n", 1},   // never below 1
      {"Xft.dpi:\t0\n", 1},
      {"Xft.dpi:\t-192\n", 1},
      {"Xft.dpi:\tlarge\n", 1},
      {"Xft.dpi:\t192 dpi\n", 1},
      {"Xft.dpi:\tnan\n", 1},
      {"Xft.dpi:\t1e9\n", 8},  // an absurd value is capped
      {"Xft.dpix:\t192\n", 1},
      {"Xft.dpi\t192\n", 1},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(desktop::ScaleFromResources(c.resources), c.scale)
        << "for " << (c.resources == nullptr ? "null" : testing::PrintToString(std::string(c.resources)));
  }
}

bool AnyChineseFontInstalled() {
  FcPattern *pattern = FcNameParse(reinterpret_cast<const FcChar8 *>(":lang=zh-cn"));
  FcObjectSet *objects = FcObjectSetBuild(FC_FILE, nullptr);
  FcFontSet *fonts = FcFontList(nullptr, pattern, objects);
  bool any = fonts != nullptr && fonts->nfont > 0;
  if (fonts != nullptr) {
    FcFontSetDestroy(fonts);
  }
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  return any;
}

// The face names the program and its boxes ask for; a plain fontconfig match
// sends the first two to a font without Chinese.
class CjkFont : public testing::TestWithParam<const char *> {};

TEST_P(CjkFont, IsAReadableFileWithTheTitlesGlyphs) {
  if (!AnyChineseFontInstalled()) {
    GTEST_SKIP() << "no font for lang=zh-cn is installed";
  }
  desktop::FontFace face = desktop::FindCjkFont(GetParam());
  ASSERT_TRUE(face.has_cjk);
  ASSERT_EQ(access(face.path.c_str(), R_OK), 0) << face.path;

  // Checked through the font itself, face by face, not through fontconfig.
  ASSERT_EQ(TTF_Init(), 0);
  TTF_Font *font = TTF_OpenFontIndex(face.path.c_str(), 16, face.index);
  ASSERT_NE(font, nullptr) << face.path << " face " << face.index;
  for (Uint32 c : {0x989Cu, 0x8272u, 0x9009u, 0x62E9u, 0x5668u}) { // 颜色选择器
    EXPECT_NE(TTF_GlyphIsProvided32(font, c), 0) << std::hex << c;
  }
  TTF_CloseFont(font);
  TTF_Quit();
}

INSTANTIATE_TEST_SUITE_P(FaceNames, CjkFont, testing::Values("黑体", "SimHei", "sans-serif", "No Such Face"));

} // namespace
