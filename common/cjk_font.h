// Finding a font that can show Chinese text, through fontconfig.
#pragma once

#include <string>
#include <string_view>

namespace desktop {

struct FontFace {
  std::string path; // the font file; empty when fontconfig knows no font at all
  int index = 0;    // the face within a font collection (.ttc)
  bool has_cjk = false; // false: no font has the Chinese glyphs; path is merely the best font
  bool remembered = false; // the choice of an earlier run, fontconfig not asked
};

// Resolves a face name given in UTF-8 ("黑体", "SimHei", "sans-serif") to a
// readable font file that has Chinese glyphs. A plain match would send a
// Windows face name to a font without Chinese, so the family is asked for
// together with lang=zh-cn, and the font's character set is checked. When
// the family itself has no such font, the best font that does is taken.
FontFace FindCjkFont(std::string_view face);

} // namespace desktop
