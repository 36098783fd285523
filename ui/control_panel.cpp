#include "ui/control_panel.h"

#include <stdlib.h>

#include "app/program_directory.h"
#include "app/texts.h"
#include "app/window_system.h"
#include "engine/engine.h"
#include "export/copy_colour.h"

namespace {

// The page about the engine that ships beside the executable.
constexpr char kEnginePageFileName[] = "engine.html";

struct ButtonSpec {
  int32_t id;
  float left, top, right, bottom;
  const char *text;
};

// Colours are packed immediately before the call that takes them, in the
// order of that call's arguments (positions 7, 12, 13).
void AddButton(const ButtonSpec &b) {
  int32_t text_colour = Tool_ARGB(255, 255, 0, 0);
  int32_t face_colour = Tool_ARGB(100, 255, 255, 255);
  int32_t hover_colour = Tool_ARGB(255, 0, 255, 0);
  GUI_AddButton(b.id, b.left, b.top, b.right, b.bottom, kFontMain, text_colour, b.text, 1, 0, 0,
                face_colour, hover_colour, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1);
}

// Positions 7 and 8.
void AddScrollBar(int32_t id, float top, float bottom) {
  int32_t track_colour = Tool_ARGB(100, 255, 255, 255);
  int32_t thumb_colour = Tool_ARGB(255, 255, 0, 0);
  GUI_AddScrollBar(id, 550.0f, top, 750.0f, bottom, 0, track_colour, thumb_colour, 0, 0, 0, 0, 0, 0, 0,
                   0, 0, 0, 255.0f, 0, 0, -1);
}

} // namespace

void BuildControlPanel(void) {
  AddButton({kButtonClose, 690.0f, 560.0f, 790.0f, 590.0f, kButtonCloseText});
  GUI_SetEvenReceiver(kButtonClose, kEventClick, OnCloseClicked, -1);

  AddScrollBar(kScrollRed, 60.0f, 80.0f);
  AddScrollBar(kScrollGreen, 115.0f, 135.0f);
  AddScrollBar(kScrollBlue, 170.0f, 190.0f);

  // Positions 7 and 14.
  int32_t hint_colour = Tool_ARGB(255, 255, 0, 0);
  int32_t hint_background = Tool_ARGB(0, 0, 0, 0);
  GUI_AddLabel(kLabelHint, 15.0f, 520.0f, 700.0f, 550.0f, kFontMain, hint_colour, kLabelHintText, 1, 0, 0,
               0, 0, hint_background, -1);

  AddButton({kButtonLearnMore, 15.0f, 560.0f, 150.0f, 590.0f, kButtonLearnMoreText});
  GUI_SetEvenReceiver(kButtonLearnMore, kEventClick, OnLearnMoreClicked, -1);

  AddButton({kButtonCopy, 520.0f, 560.0f, 650.0f, 590.0f, kButtonCopyText});
  GUI_SetEvenReceiver(kButtonCopy, kEventClick, OnCopyClicked, -1);
}

int32_t KV2D_CALL OnCloseClicked(void) {
  System_KV2DStop();
  EndProgram(0);
}

int32_t KV2D_CALL OnLearnMoreClicked(void) {
  char *directory = GetProgramDirectory();
  char *path = JoinDirectoryAndFile(directory, kEnginePageFileName);
  free(directory);
  OpenWithShell(path);
  free(path);
  return 1;
}

int32_t KV2D_CALL OnCopyClicked(void) {
  CopyColourToClipboard(1);
  return 1;
}
