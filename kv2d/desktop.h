// The few desktop services the engine needs from outside SDL: GBK text as
// UTF-8, the font file for a face name, and the desktop's scale.
//
// Kept behind this small header so the engine does not care where they come
// from.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kv2d::desktop {

// GBK (code page 936) bytes as UTF-8. A byte sequence that is not GBK
// becomes U+FFFD and the conversion goes on after it.
std::string GbkToUtf8(std::string_view gbk);

// True when fontconfig can be initialised, so that fonts can be found.
bool FontSystemUsable();

// A font file as fontconfig names it: the file and the face inside a
// collection.
struct FontFile {
  std::string path;
  int index = 0;
  std::string family;
  bool chinese = false; // covers Simplified Chinese (lang zh-cn)
};

// Finds the font for a face name (UTF-8; may be empty). The family is asked
// for with lang=zh-cn and taken only if it really covers Chinese; otherwise
// any font that covers Chinese; otherwise the best font there is, with
// `chinese` false. Empty when fontconfig knows no font file at all.
std::optional<FontFile> FindFont(const std::string &family);

// Device pixels per drawing pixel of the desktop: 1 normally, 2 on a
// desktop set to twice the usual density.
int DesktopScale();

} // namespace kv2d::desktop
