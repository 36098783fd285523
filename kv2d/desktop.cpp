#include "kv2d/desktop.h"

#include <fontconfig/fontconfig.h>
#include <iconv.h>

#include <cerrno>

namespace kv2d::desktop {

std::string GbkToUtf8(std::string_view gbk) {
  std::string out;
  iconv_t cd = iconv_open("UTF-8", "GBK");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // No converter: keep ASCII, mark everything else.
    for (unsigned char c : gbk) {
      out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
  }
  std::string in(gbk);
  char *src = in.data();
  size_t src_left = in.size();
  char buffer[256];
  while (src_left > 0) {
    char *dst = buffer;
    size_t dst_left = sizeof buffer;
    size_t result = iconv(cd, &src, &src_left, &dst, &dst_left);
    out.append(buffer, static_cast<size_t>(dst - buffer));
    if (result == static_cast<size_t>(-1) && errno != E2BIG) {
      // EILSEQ or EINVAL (a lead byte at the very end): skip one byte.
      out += "\xEF\xBF\xBD";
      ++src;
      --src_left;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  iconv_close(cd);
  return out;
}

bool FontSystemUsable() { return FcInit() == FcTrue; }

namespace {

std::optional<FontFile> Match(const std::string &family, bool want_chinese) {
  FcPattern *pattern = FcPatternCreate();
  if (pattern == nullptr) {
    return std::nullopt;
  }
  if (!family.empty()) {
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family.c_str()));
  }
  if (want_chinese) {
    FcLangSet *langs = FcLangSetCreate();
    FcLangSetAdd(langs, reinterpret_cast<const FcChar8 *>("zh-cn"));
    FcPatternAddLangSet(pattern, FC_LANG, langs);
    FcLangSetDestroy(langs);
  }
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern *match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) {
    return std::nullopt;
  }
  std::optional<FontFile> font;
  FcChar8 *path = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
    font.emplace();
    font->path = reinterpret_cast<const char *>(path);
    int index = 0;
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) {
      font->index = index;
    }
    FcChar8 *name = nullptr;
    if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch) {
      font->family = reinterpret_cast<const char *>(name);
    }
    FcLangSet *langs = nullptr;
    font->chinese = FcPatternGetLangSet(match, FC_LANG, 0, &langs) == FcResultMatch &&
                    FcLangSetHasLang(langs, reinterpret_cast<const FcChar8 *>("zh-cn")) == FcLangEqual;
  }
  FcPatternDestroy(match);
  return font;
}

} // namespace

std::optional<FontFile> FindFont(const std::string &family) {
  // A plain match for a Chinese face name often lands on a font without
  // Chinese, so the family is asked for together with the language.
  if (!family.empty()) {
    if (auto font = Match(family, true); font && font->chinese) {
      return font;
    }
  }
  if (auto font = Match("", true); font && font->chinese) {
    return font;
  }
  return Match(family, false);
}

int DesktopScale() { return 1; }

} // namespace kv2d::desktop
