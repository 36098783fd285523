// The palette grid, the hover highlight and the pick.
#include <stdint.h>

#include "engine/engine.h"
#include "frame/frame_cycle.h"
#include "frame/swatch_hit_list.h"
#include "ui/control_panel.h"

namespace {

constexpr int32_t kKeyLeftButton = 1;
constexpr double kEdgeTolerance = 0.0000001;

// A white outline: four packings of opaque white, then the quad.
void DrawWhiteOutline(double left, double top, double right, double bottom, int32_t layer) {
  int32_t c1 = Tool_ARGB(255, 255, 255, 255);
  int32_t c2 = Tool_ARGB(255, 255, 255, 255);
  int32_t c3 = Tool_ARGB(255, 255, 255, 255);
  int32_t c4 = Tool_ARGB(255, 255, 255, 255);
  Render_Draw2DQuad(static_cast<float>(left), static_cast<float>(top), static_cast<float>(right),
                    static_cast<float>(bottom), c1, c2, c3, c4, 0, 0, 0, 0, 0, 0, layer);
}

// The closed rectangle of the swatch, edges included.
bool SwatchHolds(const SwatchRect &e, float x, float y) {
  return static_cast<double>(x) - e.left >= -kEdgeTolerance && static_cast<double>(x) - e.right <= kEdgeTolerance &&
         static_cast<double>(y) - e.top >= -kEdgeTolerance && static_cast<double>(y) - e.bottom <= kEdgeTolerance;
}

} // namespace

void DrawGridAndPick(void) {
  SwatchRect working = {0, 0, 0, 0, 0};

  DrawWhiteOutline(15.0, 15.0, 500.0, 500.0, 0);
  for (int i = 1; i <= 7; ++i) {
    for (int j = 1; j <= 7; ++j) {
      DrawWhiteOutline((j - 1) * 40.0 + 510, (i - 1) * 40.0 + 220, (j - 1) * 40.0 + 550, (i - 1) * 40.0 + 260, 0);
    }
  }

  float x = 0.0f;
  float y = 0.0f;
  InputWin32_GetMousePos(&x, &y);

  int32_t count = SwatchCount();
  for (int32_t index = 0; index < count; ++index) {
    if (!SwatchHolds(*SwatchAt(index), x, y)) {
      continue;
    }
    working = *SwatchAt(index);
    double left = working.left - 20.0;
    double top = working.top - 20.0;
    double right = working.right + 20.0;
    double bottom = working.bottom + 20.0;
    Render_Draw2DQuad(static_cast<float>(left), static_cast<float>(top), static_cast<float>(right),
                      static_cast<float>(bottom), working.colour, working.colour, working.colour, working.colour, 0, 0,
                      0, 0, 0, 1, 2);
    DrawWhiteOutline(left, top, right, bottom, 2);

    if (InputWin32_GetTheKeyState(kKeyLeftButton) == 1) {
      int32_t red = Tool_GetR(working.colour);
      int32_t green = Tool_GetG(working.colour);
      int32_t blue = Tool_GetB(working.colour);
      GUI_SetGUIObjValue_Float(kScrollRed, kPropValue, static_cast<float>(red));
      GUI_SetGUIObjValue_Float(kScrollGreen, kPropValue, static_cast<float>(green));
      GUI_SetGUIObjValue_Float(kScrollBlue, kPropValue, static_cast<float>(blue));
    }
  }
}
