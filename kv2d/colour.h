// Packed colours: alpha in the top byte, then red, green and blue.
#pragma once

#include <cstdint>

namespace kv2d {

struct Rgba {
  uint8_t r = 0, g = 0, b = 0, a = 0;
  bool operator==(const Rgba &) const = default;
};

// a<<24 | r<<16 | g<<8 | b. Each channel is taken modulo 256 first, so any
// argument gives a defined colour.
constexpr int32_t PackArgb(int32_t a, int32_t r, int32_t g, int32_t b) {
  uint32_t packed = (static_cast<uint32_t>(a) & 0xFFu) << 24 | (static_cast<uint32_t>(r) & 0xFFu) << 16 |
                    (static_cast<uint32_t>(g) & 0xFFu) << 8 | (static_cast<uint32_t>(b) & 0xFFu);
  return static_cast<int32_t>(packed);
}

constexpr int32_t AlphaOf(int32_t packed) { return static_cast<int32_t>((static_cast<uint32_t>(packed) >> 24) & 0xFFu); }
constexpr int32_t RedOf(int32_t packed) { return static_cast<int32_t>((static_cast<uint32_t>(packed) >> 16) & 0xFFu); }
constexpr int32_t GreenOf(int32_t packed) { return static_cast<int32_t>((static_cast<uint32_t>(packed) >> 8) & 0xFFu); }
constexpr int32_t BlueOf(int32_t packed) { return static_cast<int32_t>(static_cast<uint32_t>(packed) & 0xFFu); }

constexpr Rgba Unpack(int32_t packed) {
  return {static_cast<uint8_t>(RedOf(packed)), static_cast<uint8_t>(GreenOf(packed)),
          static_cast<uint8_t>(BlueOf(packed)), static_cast<uint8_t>(AlphaOf(packed))};
}

} // namespace kv2d
