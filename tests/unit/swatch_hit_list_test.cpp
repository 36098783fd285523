#include <gtest/gtest.h>

#include "frame/swatch_hit_list.h"

namespace {

TEST(SwatchHitList, HoldsCopiesInOrderAndClearsBetweenPasses) {
  CreateSwatchHitList();
  EXPECT_EQ(SwatchCount(), 0);
  for (int pass = 0; pass < 3; ++pass) {
    ClearSwatchHitList();
    SwatchRect working = {0, 0, 0, 0, 0};
    for (int i = 0; i < 49; ++i) {
      working = {i, pass, i + 40, pass + 40, i * 7};
      AppendSwatch(&working);
      working.left = -1; // the caller's record is its own
    }
    ASSERT_EQ(SwatchCount(), 49);
    for (int i = 0; i < 49; ++i) {
      const SwatchRect *entry = SwatchAt(i);
      EXPECT_EQ(entry->left, i);
      EXPECT_EQ(entry->top, pass);
      EXPECT_EQ(entry->right, i + 40);
      EXPECT_EQ(entry->colour, i * 7);
    }
  }
  ReleaseSwatchHitList();
  ReleaseSwatchHitList(); // a second release is harmless
}

} // namespace
