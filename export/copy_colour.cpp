#include "export/copy_colour.h"

#include <stdlib.h>
#include <string.h>

#include "app/texts.h"
#include "app/window_system.h"
#include "engine/conversions.h"
#include "engine/engine.h"
#include "ui/control_panel.h"

namespace {

constexpr int32_t kFormHex = 1;
constexpr char kDigits[] = "0123456789ABCDEF";

} // namespace

char *BytesToHexText(const uint8_t *bytes, size_t count) {
  char *text = static_cast<char *>(AllocateOrStop(count * 2 + 1));
  for (size_t i = 0; i < count; ++i) {
    text[2 * i] = kDigits[(bytes[i] >> 4) & 15];
    text[2 * i + 1] = kDigits[bytes[i] & 15];
  }
  text[count * 2] = '\0';
  return text;
}

void CopyColourToClipboard(int32_t form) {
  if (form != kFormHex) {
    return;
  }
  int32_t red = TruncateToInt32(GUI_GetGUIObjFloatValue(kScrollRed, kPropValue));
  int32_t green = TruncateToInt32(GUI_GetGUIObjFloatValue(kScrollGreen, kPropValue));
  int32_t blue = TruncateToInt32(GUI_GetGUIObjFloatValue(kScrollBlue, kPropValue));
  int32_t colour = Tool_ARGB(255, red, green, blue);

  uint32_t word = static_cast<uint32_t>(colour);
  uint8_t bytes[4];
  for (int i = 0; i < 4; ++i) {
    bytes[i] = static_cast<uint8_t>(word >> (8 * i)); // least significant first
  }
  char *text = BytesToHexText(bytes, sizeof bytes);
  bool copied = PutTextOnClipboard(text);
  free(text);

  // A copy that did not reach the clipboard is said so, not confirmed.
  if (copied) {
    ShowMessageBox(kCopyDoneText, kCopyBoxTitle, kBoxIconInformation);
  } else {
    ShowMessageBox(kCopyFailedText, kCopyBoxTitle, kBoxIconError);
  }
}
