// A stand-in icon for the Windows build until the program's own drawing of
// it is in the tree: a disc in the three channel colours.
#include <stdint.h>

void DrawIconPixels(uint32_t *argb) {
  constexpr int kSide = 48;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      int dx = 2 * x + 1 - kSide;
      int dy = 2 * y + 1 - kSide;
      uint32_t pixel = 0;
      if (dx * dx + dy * dy <= (kSide - 2) * (kSide - 2)) {
        pixel = y < kSide / 2 ? 0xFFE03030u : (x < kSide / 2 ? 0xFF30B040u : 0xFF3050E0u);
      }
      argb[y * kSide + x] = pixel;
    }
  }
}
