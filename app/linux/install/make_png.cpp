// Host tool of the Linux build: writes the program's icon, the same 48 by 48
// pixels as the window icon, as a PNG file for the desktop's icon theme.
//
//   make-png <output.png>
//
// The image data is stored without compression (deflate's stored blocks):
// 9 KiB needs no compression library.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <vector>

#include "app/icon_pixels.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutU32BigEndian(Bytes &out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<uint8_t>(value >> shift));
  }
}

uint32_t Crc32(const uint8_t *data, size_t length) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < length; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
  }
  return ~crc;
}

uint32_t Adler32(const Bytes &data) {
  uint32_t a = 1, b = 0;
  for (uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  return b << 16 | a;
}

// A chunk: length, type, data, and the CRC of type and data.
void PutChunk(Bytes &out, const char type[4], const Bytes &data) {
  PutU32BigEndian(out, static_cast<uint32_t>(data.size()));
  size_t crc_from = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutU32BigEndian(out, Crc32(out.data() + crc_from, out.size() - crc_from));
}

// A zlib stream of stored deflate blocks (at most 65535 bytes each).
Bytes StoredZlib(const Bytes &raw) {
  Bytes out = {0x78, 0x01};
  size_t at = 0;
  do {
    size_t length = raw.size() - at < 65535 ? raw.size() - at : 65535;
    bool last = at + length == raw.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<uint8_t>(length));
    out.push_back(static_cast<uint8_t>(length >> 8));
    out.push_back(static_cast<uint8_t>(~length));
    out.push_back(static_cast<uint8_t>(~length >> 8));
    auto from = raw.begin() + static_cast<ptrdiff_t>(at);
    out.insert(out.end(), from, from + static_cast<ptrdiff_t>(length));
    at += length;
  } while (at < raw.size());
  PutU32BigEndian(out, Adler32(raw));
  return out;
}

// 8-bit RGBA, straight alpha, every row unfiltered.
Bytes Png(const uint32_t *argb, int side) {
  Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  PutU32BigEndian(header, static_cast<uint32_t>(side));
  PutU32BigEndian(header, static_cast<uint32_t>(side));
  header.insert(header.end(), {8, 6, 0, 0, 0}); // depth, RGBA, deflate, no filter method, no interlace
  PutChunk(out, "IHDR", header);
  Bytes raw;
  for (int y = 0; y < side; ++y) {
    raw.push_back(0); // filter: none
    for (int x = 0; x < side; ++x) {
      uint32_t pixel = argb[y * side + x];
      raw.insert(raw.end(), {static_cast<uint8_t>(pixel >> 16), static_cast<uint8_t>(pixel >> 8),
                             static_cast<uint8_t>(pixel), static_cast<uint8_t>(pixel >> 24)});
    }
  }
  PutChunk(out, "IDAT", StoredZlib(raw));
  PutChunk(out, "IEND", {});
  return out;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: make-png <output.png>\n");
    return 2;
  }
  static uint32_t pixels[kIconSize * kIconSize];
  DrawProgramIcon(pixels);
  Bytes png = Png(pixels, kIconSize);
  FILE *file = fopen(argv[1], "wb");
  if (file == nullptr) {
    perror(argv[1]);
    return 1;
  }
  bool written = fwrite(png.data(), 1, png.size(), file) == png.size();
  if (fclose(file) != 0 || !written) {
    perror(argv[1]);
    return 1;
  }
  return 0;
}
