// Turning the engine's floats into the program's integers.
#pragma once

#include <math.h>
#include <stdint.h>

// Truncates toward zero (127.9 gives 127, -0.5 gives 0). Values that a
// 32-bit integer cannot hold are made safe: NaN gives 0, and values beyond
// either end saturate to that end.
inline int32_t TruncateToInt32(float value) {
  if (isnan(value)) {
    return 0;
  }
  if (value >= 2147483648.0f) {
    return INT32_MAX;
  }
  if (value < -2147483648.0f) {
    return INT32_MIN;
  }
  return static_cast<int32_t>(value);
}
