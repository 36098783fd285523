#include "frame/frame_cycle.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/texts.h"
#include "app/window_system.h"
#include "engine/conversions.h"
#include "engine/engine.h"
#include "ui/control_panel.h"

namespace {

constexpr int32_t kKeyEnter = 13;

struct Readout {
  int32_t scroll_bar;
  const char *prefix;
  int32_t y;
};

constexpr Readout kReadouts[3] = {
    {kScrollRed, kReadoutRedPrefix, 30},
    {kScrollGreen, kReadoutGreenPrefix, 85},
    {kScrollBlue, kReadoutBluePrefix, 140},
};

// A new text: prefix, value in decimal, suffix.
char *BuildReadoutText(const char *prefix, int32_t value) {
  char digits[16];
  snprintf(digits, sizeof digits, "%d", static_cast<int>(value));
  size_t prefix_length = strlen(prefix);
  size_t digits_length = strlen(digits);
  char *text = static_cast<char *>(AllocateOrStop(prefix_length + digits_length + sizeof kReadoutSuffix));
  memcpy(text, prefix, prefix_length);
  memcpy(text + prefix_length, digits, digits_length);
  memcpy(text + prefix_length + digits_length, kReadoutSuffix, sizeof kReadoutSuffix);
  return text;
}

} // namespace

int32_t KV2D_CALL OnFrame(void) {
  InputWin32_KeyUp(kKeyEnter); // nothing follows from Enter either way
  GUI_OnEven();
  Media_MediaOnEvent();
  return 1;
}

int32_t KV2D_CALL OnRender(void) {
  int32_t background = Tool_ARGB(0, 0, 0, 0);
  Render_Clear(background);
  Render_BeginScene();
  DrawChannelReadouts();
  GUI_RenderAll();
  DrawPreviewAndPalette();
  DrawGridAndPick();
  Render_EndScene();
  return 1;
}

void DrawChannelReadouts(void) {
  int32_t values[3];
  for (int i = 0; i < 3; ++i) {
    values[i] = TruncateToInt32(GUI_GetGUIObjFloatValue(kReadouts[i].scroll_bar, kPropValue));
  }
  for (int i = 0; i < 3; ++i) {
    char *text = BuildReadoutText(kReadouts[i].prefix, values[i]);
    int32_t colour = Tool_ARGB(255, 255, 255, 0);
    Render_RenderFont(text, 550, kReadouts[i].y, colour, 1, kFontMain);
    free(text);
  }
}
