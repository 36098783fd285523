// Pure conversions: engine floats to integers, bytes to hexadecimal text.
#include <math.h>
#include <stdlib.h>

#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "engine/conversions.h"
#include "export/copy_colour.h"

namespace {

TEST(TruncateToInt32, TruncatesTowardZeroAndMakesTheRestSafe) {
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    float value;
    int32_t expected;
  } cases[] = {
      {127.9f, 127},       {0.0f, 0},          {255.0f, 255},     {254.99f, 254},
      {0.99f, 0},          {-0.5f, 0},         {-1.9f, -1},       {2147483520.0f, 2147483520},
      {-2147483648.0f, INT32_MIN},             {NAN, 0},          {inf, INT32_MAX},
      {-inf, INT32_MIN},   {3e9f, INT32_MAX},  {-3e9f, INT32_MIN}, {2147483648.0f, INT32_MAX},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(TruncateToInt32(c.value), c.expected) << c.value;
  }
}

std::string Hex(std::initializer_list<uint8_t> bytes) {
  char *text = BytesToHexText(bytes.begin(), bytes.size());
  std::string result(text);
  free(text);
  return result;
}

TEST(BytesToHexText, TwoUppercaseDigitsPerByteInByteOrder) {
  EXPECT_EQ(Hex({0}), "00");
  EXPECT_EQ(Hex({10}), "0A");
  EXPECT_EQ(Hex({255}), "FF");
  EXPECT_EQ(Hex({}), "");
  EXPECT_EQ(Hex({0x56, 0x34, 0x12, 0xFF}), "563412FF");
  EXPECT_EQ(Hex({0x01, 0xAB, 0xC0, 0x0F}), "01ABC00F");
}

} // namespace
