// SwatchHitList: where each swatch of the current pass lies and which colour
// it shows. The program's one global list.
#pragma once

#include <stdint.h>

struct SwatchRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
  int32_t colour; // as Tool_ARGB packed it in this pass
};

void CreateSwatchHitList(void);
// Drops every entry, leaving the list empty.
void ClearSwatchHitList(void);
// Appends a copy of rect at the end.
void AppendSwatch(const SwatchRect *rect);
int32_t SwatchCount(void);
// The entry at position index, 0 for the first.
const SwatchRect *SwatchAt(int32_t index);
// Releases every entry, then the list itself. The program's exit routine.
void ReleaseSwatchHitList(void);
