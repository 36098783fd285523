#include "common/desktop_scale.h"

#include <X11/Xlib.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace desktop {

namespace {

constexpr char kDpiResource[] = "Xft.dpi";
constexpr double kBaseDpi = 96.0;
// Beyond this a value is taken for a mistake rather than a display.
constexpr int kLargestScale = 8;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The value of the Xft.dpi line, or 0 when there is none that reads as a
// positive number. The last such line wins, as with the resource manager.
double DpiOf(const char *resources) {
  double dpi = 0;
  const size_t name_length = strlen(kDpiResource);
  for (const char *line = resources; *line != '\0';) {
    const char *end = strchr(line, '\n');
    if (end == nullptr) {
      end = line + strlen(line);
    }
    const char *p = line;
    while (p < end && IsBlank(*p)) {
      ++p;
    }
    if (static_cast<size_t>(end - p) > name_length && strncmp(p, kDpiResource, name_length) == 0) {
      p += name_length;
      while (p < end && IsBlank(*p)) {
        ++p;
      }
      if (p < end && *p == ':') {
        char *number_end = nullptr;
        double value = strtod(p + 1, &number_end);
        const char *rest = number_end;
        while (rest < end && IsBlank(*rest)) {
          ++rest;
        }
        if (number_end != p + 1 && rest == end && std::isfinite(value) && value > 0) {
          dpi = value;
        }
      }
    }
    line = *end == '\n' ? end + 1 : end;
  }
  return dpi;
}

} // namespace

int ScaleFromResources(const char *resources) {
  if (resources == nullptr) {
    return 1;
  }
  double dpi = DpiOf(resources);
  if (dpi <= 0) {
    return 1;
  }
  long scale = std::lround(dpi / kBaseDpi);
  if (scale < 1) {
    return 1;
  }
  return scale > kLargestScale ? kLargestScale : static_cast<int>(scale);
}

int ReadDesktopScale(_XDisplay *display) {
  Display *own = nullptr;
  if (display == nullptr) {
    own = XOpenDisplay(nullptr);
    if (own == nullptr) {
      return 1;
    }
    display = own;
  }
  int scale = ScaleFromResources(XResourceManagerString(display));
  if (own != nullptr) {
    XCloseDisplay(own);
  }
  return scale;
}

} // namespace desktop
