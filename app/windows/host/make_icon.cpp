// Host tool of the Windows build, compiled with the build machine's own
// compiler: writes the program's icon as an .ico file with one 48 by 48
// image of 32 bits per pixel.
//
//   make-icon <output.ico>
#include <stdint.h>
#include <stdio.h>

#include <vector>

#include "app/icon_pixels.h"

namespace {

constexpr int kSide = kIconSize;

void PutU16(std::vector<uint8_t> &out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutU32(std::vector<uint8_t> &out, uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

std::vector<uint8_t> IconFile(const uint32_t *argb) {
  constexpr uint32_t kMaskRowBytes = ((kSide + 31) / 32) * 4; // 1 bit a pixel, rows in whole 32-bit words
  constexpr uint32_t kImageBytes = 40 + kSide * kSide * 4 + kMaskRowBytes * kSide;
  std::vector<uint8_t> out;
  // The directory: one icon image.
  PutU16(out, 0);
  PutU16(out, 1);
  PutU16(out, 1);
  // Its entry.
  out.push_back(kSide);
  out.push_back(kSide);
  out.push_back(0); // no palette
  out.push_back(0);
  PutU16(out, 1);  // planes
  PutU16(out, 32); // bits per pixel
  PutU32(out, kImageBytes);
  PutU32(out, 6 + 16);
  // The image: a bitmap header whose height counts the colour rows and the
  // mask rows, then the colour rows bottom-up as B, G, R, A, then the mask.
  PutU32(out, 40);
  PutU32(out, kSide);
  PutU32(out, 2 * kSide);
  PutU16(out, 1);
  PutU16(out, 32);
  for (int i = 0; i < 6; ++i) {
    PutU32(out, 0);
  }
  for (int y = kSide - 1; y >= 0; --y) {
    for (int x = 0; x < kSide; ++x) {
      uint32_t pixel = argb[y * kSide + x];
      out.push_back(static_cast<uint8_t>(pixel));
      out.push_back(static_cast<uint8_t>(pixel >> 8));
      out.push_back(static_cast<uint8_t>(pixel >> 16));
      out.push_back(static_cast<uint8_t>(pixel >> 24));
    }
  }
  // The mask marks the fully transparent pixels, for readers that ignore alpha.
  for (int y = kSide - 1; y >= 0; --y) {
    uint8_t row[kMaskRowBytes] = {};
    for (int x = 0; x < kSide; ++x) {
      if ((argb[y * kSide + x] >> 24) == 0) {
        row[x / 8] = static_cast<uint8_t>(row[x / 8] | (0x80 >> (x % 8)));
      }
    }
    out.insert(out.end(), row, row + kMaskRowBytes);
  }
  return out;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    fputs("usage: make-icon <output.ico>\n", stderr);
    return 2;
  }
  std::vector<uint32_t> pixels(kSide * kSide);
  DrawProgramIcon(pixels.data());
  std::vector<uint8_t> file = IconFile(pixels.data());
  FILE *out = fopen(argv[1], "wb");
  if (out == nullptr || fwrite(file.data(), 1, file.size(), out) != file.size() || fclose(out) != 0) {
    perror(argv[1]);
    return 1;
  }
  return 0;
}
