// The program's icon, drawn in code: 48 by 48 pixels, 32 bits each. Every
// platform makes its window icon from these pixels.
#pragma once

#include <stdint.h>

inline constexpr int kIconSize = 48;

// Fills pixels (kIconSize * kIconSize words, rows top to bottom) with the
// icon as straight (not premultiplied) ARGB words: alpha in the top byte.
void DrawProgramIcon(uint32_t *pixels);
