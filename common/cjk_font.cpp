#include "common/cjk_font.h"

#include "common/font_choices.h"

#include <fontconfig/fontconfig.h>
#include <unistd.h>

namespace desktop {

namespace {

// Characters that a font must have to count as a Chinese font: those of the
// program's title and of the message box's button (颜色选择器确定).
constexpr FcChar32 kProbeCharacters[] = {0x989C, 0x8272, 0x9009, 0x62E9, 0x5668, 0x786E, 0x5B9A};

bool HasProbeCharacters(FcPattern *font) {
  FcCharSet *characters = nullptr;
  if (FcPatternGetCharSet(font, FC_CHARSET, 0, &characters) != FcResultMatch) {
    return false;
  }
  for (FcChar32 c : kProbeCharacters) {
    if (!FcCharSetHasChar(characters, c)) {
      return false;
    }
  }
  return true;
}

// The font's file and face, if the file can be read.
bool ReadableFace(FcPattern *font, FontFace *face) {
  FcChar8 *file = nullptr;
  if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch ||
      access(reinterpret_cast<const char *>(file), R_OK) != 0) {
    return false;
  }
  int index = 0;
  if (FcPatternGetInteger(font, FC_INDEX, 0, &index) != FcResultMatch) {
    index = 0;
  }
  face->path = reinterpret_cast<const char *>(file);
  face->index = index;
  return true;
}

FontFace AskFontconfig(std::string_view face) {
  FontFace found;
  if (!FcInit()) {
    return found;
  }
  FcPattern *pattern = FcPatternCreate();
  if (pattern == nullptr) {
    return found;
  }
  std::string family(face);
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(family.c_str()));
  FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8 *>("zh-cn"));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);

  // Every font, best first: the family itself leads if it is installed, then
  // the fonts that speak zh-cn.
  FcResult result = FcResultNoMatch;
  FcFontSet *fonts = FcFontSort(nullptr, pattern, FcFalse, nullptr, &result);
  FcPatternDestroy(pattern);
  if (fonts == nullptr) {
    return found;
  }
  for (int i = 0; i < fonts->nfont; ++i) {
    if (HasProbeCharacters(fonts->fonts[i]) && ReadableFace(fonts->fonts[i], &found)) {
      found.has_cjk = true;
      break;
    }
  }
  for (int i = 0; !found.has_cjk && i < fonts->nfont; ++i) {
    if (ReadableFace(fonts->fonts[i], &found)) {
      break;
    }
  }
  FcFontSetDestroy(fonts);
  return found;
}

} // namespace

FontFace FindCjkFont(std::string_view face) {
  if (std::optional<FontFace> remembered = RememberedFontChoice(face)) {
    return *remembered;
  }
  FontFace found = AskFontconfig(face);
  RememberFontChoice(face, found);
  return found;
}

} // namespace desktop
