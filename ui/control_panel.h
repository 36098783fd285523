// The control panel: the engine GUI controls and the three button handlers.
#pragma once

#include <stdint.h>

#include "engine/entry_points.h"

// Control ids.
inline constexpr int32_t kButtonClose = 100;
inline constexpr int32_t kScrollRed = 102;
inline constexpr int32_t kScrollGreen = 104;
inline constexpr int32_t kScrollBlue = 106;
inline constexpr int32_t kLabelHint = 107;
inline constexpr int32_t kButtonLearnMore = 108;
inline constexpr int32_t kButtonCopy = 109;

// A control's current value (the channel value of a scroll bar), a float.
inline constexpr int32_t kPropValue = 7;
// The GUI event of a click on a control.
inline constexpr int32_t kEventClick = 2;
// The engine font slot that every text names.
inline constexpr int32_t kFontMain = 100;

// Creates the seven controls and binds the three handlers, in order.
void BuildControlPanel(void);

int32_t KV2D_CALL OnCloseClicked(void);
int32_t KV2D_CALL OnLearnMoreClicked(void);
int32_t KV2D_CALL OnCopyClicked(void);
