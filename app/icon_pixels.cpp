// The icon: a 3 by 3 palette of rounded colour squares on a transparent
// ground, edges smoothed by coverage.
#include "app/icon_pixels.h"

#include <math.h>

namespace {

constexpr int kSquare = 12;  // side of one swatch
constexpr int kGap = 3;      // between swatches
constexpr int kMargin = (kIconSize - 3 * kSquare - 2 * kGap) / 2;
constexpr float kRadius = 3.5f;

// Red, orange, yellow; green, teal, blue; indigo, violet, pink.
constexpr uint32_t kSwatchColours[9] = {
    0xE53935, 0xFB8C00, 0xFDD835,
    0x43A047, 0x00ACC1, 0x1E88E5,
    0x3949AB, 0x8E24AA, 0xD81B60,
};

// How much of the pixel whose centre is (x, y) lies inside the rounded square
// with its top left corner at (left, top): 0 to 1.
float Coverage(float x, float y, float left, float top) {
  float half = kSquare / 2.0f;
  float dx = fabsf(x - (left + half)) - (half - kRadius);
  float dy = fabsf(y - (top + half)) - (half - kRadius);
  float outside = hypotf(fmaxf(dx, 0.0f), fmaxf(dy, 0.0f)) + fminf(fmaxf(dx, dy), 0.0f) - kRadius;
  return fminf(fmaxf(0.5f - outside, 0.0f), 1.0f);
}

} // namespace

void DrawProgramIcon(uint32_t *pixels) {
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      uint32_t pixel = 0; // transparent
      for (int i = 0; i < 9; ++i) {
        float left = static_cast<float>(kMargin + (i % 3) * (kSquare + kGap));
        float top = static_cast<float>(kMargin + (i / 3) * (kSquare + kGap));
        float cover = Coverage(static_cast<float>(x) + 0.5f, static_cast<float>(y) + 0.5f, left, top);
        if (cover > 0) {
          uint32_t alpha = static_cast<uint32_t>(lroundf(cover * 255.0f));
          pixel = alpha << 24 | kSwatchColours[i];
          break; // swatches never overlap
        }
      }
      pixels[y * kIconSize + x] = pixel;
    }
  }
}
