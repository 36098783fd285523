// The fonts chosen for face names, remembered between runs, so that a start
// needs no fontconfig (whose start reads its whole configuration: about as
// long as the rest of the engine's start together).
//
// Kept in $XDG_CACHE_HOME/vorhel-colour-picker/font-choices (or under
// ~/.cache) with the state of every file and directory fontconfig's answer
// depends on; a remembered choice counts only while none of them has
// changed, with the same fontconfig and the same FONTCONFIG_* variables.
// For one thread.
#pragma once

#include <optional>
#include <string_view>

#include "common/cjk_font.h"

namespace desktop {

// True when choices remembered by an earlier run still hold.
bool FontChoicesRemembered(void);

// The font remembered for the face, if any still holds.
std::optional<FontFace> RememberedFontChoice(std::string_view face);

// Remembers fontconfig's answer for the face; fontconfig must have been
// started. Failing to write the cache costs only the next start's time.
void RememberFontChoice(std::string_view face, const FontFace &font);

} // namespace desktop
