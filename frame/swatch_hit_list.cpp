#include "frame/swatch_hit_list.h"

#include <stdlib.h>

#include "app/window_system.h"

namespace {

struct SwatchList {
  SwatchRect *entries;
  int32_t count;
  int32_t capacity;
};

SwatchList *SwatchHitList = nullptr;

} // namespace

void CreateSwatchHitList(void) {
  SwatchHitList = static_cast<SwatchList *>(AllocateOrStop(sizeof(SwatchList)));
}

void ClearSwatchHitList(void) { SwatchHitList->count = 0; }

void AppendSwatch(const SwatchRect *rect) {
  if (SwatchHitList->count == SwatchHitList->capacity) {
    int32_t capacity = SwatchHitList->capacity == 0 ? 64 : SwatchHitList->capacity * 2;
    SwatchRect *grown = static_cast<SwatchRect *>(AllocateOrStop(sizeof(SwatchRect) * static_cast<size_t>(capacity)));
    for (int32_t i = 0; i < SwatchHitList->count; ++i) {
      grown[i] = SwatchHitList->entries[i];
    }
    free(SwatchHitList->entries);
    SwatchHitList->entries = grown;
    SwatchHitList->capacity = capacity;
  }
  SwatchHitList->entries[SwatchHitList->count++] = *rect;
}

int32_t SwatchCount(void) { return SwatchHitList->count; }

const SwatchRect *SwatchAt(int32_t index) { return &SwatchHitList->entries[index]; }

void ReleaseSwatchHitList(void) {
  if (SwatchHitList != nullptr) {
    free(SwatchHitList->entries);
    free(SwatchHitList);
    SwatchHitList = nullptr;
  }
}
