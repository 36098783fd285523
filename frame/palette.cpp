// The colour preview and the 7 by 7 swatch palette.
#include <stdint.h>

#include "engine/conversions.h"
#include "engine/engine.h"
#include "frame/frame_cycle.h"
#include "frame/swatch_hit_list.h"
#include "ui/control_panel.h"

namespace {

struct SwatchRow {
  int32_t left, top, right, bottom;
  int32_t alpha, red, green, blue;
};

// In drawing order: column by column from the left, each column from the
// top. Column c and row r (from 1): left = 510 + 40(c - 1), top = 220 + 40(r - 1).
constexpr SwatchRow kSwatchTable[49] = {
    {510, 220, 550, 260, 255, 255, 128, 128}, {510, 260, 550, 300, 255, 255, 0, 0},
    {510, 300, 550, 340, 255, 128, 64, 64},   {510, 340, 550, 380, 255, 128, 0, 0},
    {510, 380, 550, 420, 255, 64, 0, 0},      {510, 420, 550, 460, 255, 0, 0, 0},
    {510, 460, 550, 500, 255, 255, 128, 255},

    {550, 220, 590, 260, 255, 255, 255, 128}, {550, 260, 590, 300, 255, 255, 255, 0},
    {550, 300, 590, 340, 255, 255, 128, 64},  {550, 340, 590, 380, 255, 255, 128, 0},
    {550, 380, 590, 420, 255, 128, 64, 0},    {550, 420, 590, 460, 255, 128, 128, 0},
    {550, 460, 590, 500, 255, 255, 0, 255},

    {590, 220, 630, 260, 255, 128, 255, 128}, {590, 260, 630, 300, 255, 128, 255, 0},
    {590, 300, 630, 340, 255, 0, 255, 0},     {590, 340, 630, 380, 255, 0, 128, 0},
    {590, 380, 630, 420, 255, 0, 64, 0},      {590, 420, 630, 460, 255, 128, 128, 64},
    {590, 460, 630, 500, 255, 255, 0, 128},

    {630, 220, 670, 260, 255, 0, 255, 128},   {630, 260, 670, 300, 255, 0, 255, 64},
    {630, 300, 670, 340, 255, 0, 128, 128},   {630, 340, 670, 380, 255, 0, 128, 64},
    {630, 380, 670, 420, 255, 0, 64, 64},     {630, 420, 670, 460, 255, 128, 128, 128},
    {630, 460, 670, 500, 255, 128, 0, 255},

    {670, 220, 710, 260, 255, 128, 255, 255}, {670, 260, 710, 300, 255, 0, 255, 255},
    {670, 300, 710, 340, 255, 0, 64, 128},    {670, 340, 710, 380, 255, 0, 0, 255},
    {670, 380, 710, 420, 255, 0, 0, 128},     {670, 420, 710, 460, 255, 64, 128, 128},
    {670, 460, 710, 500, 255, 255, 255, 255},

    {710, 220, 750, 260, 255, 0, 128, 255},   {710, 260, 750, 300, 255, 0, 128, 192},
    {710, 300, 750, 340, 255, 128, 128, 255}, {710, 340, 750, 380, 255, 0, 0, 160},
    {710, 380, 750, 420, 255, 0, 0, 64},      {710, 420, 750, 460, 255, 192, 192, 192},
    {710, 460, 750, 500, 255, 100, 255, 255},

    {750, 220, 790, 260, 255, 255, 128, 192}, {750, 260, 790, 300, 255, 128, 128, 192},
    {750, 300, 790, 340, 255, 128, 0, 64},    {750, 340, 790, 380, 255, 128, 0, 128},
    {750, 380, 790, 420, 255, 64, 0, 64},     {750, 420, 790, 460, 255, 64, 0, 128},
    {750, 460, 790, 500, 255, 192, 0, 192},
};

} // namespace

void DrawPreviewAndPalette(void) {
  SwatchRect working = {0, 0, 0, 0, 0};

  int32_t red = TruncateToInt32(GUI_GetGUIObjFloatValue(kScrollRed, kPropValue));
  int32_t green = TruncateToInt32(GUI_GetGUIObjFloatValue(kScrollGreen, kPropValue));
  int32_t blue = TruncateToInt32(GUI_GetGUIObjFloatValue(kScrollBlue, kPropValue));
  int32_t preview = Tool_ARGB(255, red, green, blue);
  Render_Draw2DQuad(16.0f, 16.0f, 499.0f, 499.0f, preview, preview, preview, preview, 0, 0, 0, 0, 0, 1, 0);

  ClearSwatchHitList();
  for (const SwatchRow &row : kSwatchTable) {
    int32_t colour = Tool_ARGB(row.alpha, row.red, row.green, row.blue);
    Render_Draw2DQuad(static_cast<float>(row.left), static_cast<float>(row.top), static_cast<float>(row.right),
                      static_cast<float>(row.bottom), colour, colour, colour, colour, 0, 0, 0, 0, 0, 1, 0);
    working = {row.left, row.top, row.right, row.bottom, colour};
    AppendSwatch(&working);
  }
}
