// The GUI controls and how the pointer works them.
//
// One control at a time is "active": the one the left button went down on.
// A button clicks when the button comes up over the active button; a scroll
// bar follows the pointer from where the drag started. Controls are kept in
// creation order; where they overlap the later one is on top.
//
// One button or scroll bar at a time may have the keyboard focus, which
// moves through them in creation order. A focused button clicks when asked
// (the click queues like a mouse click); a focused scroll bar steps.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "engine/entry_points.h"

namespace kv2d {

struct Rect {
  float left = 0, top = 0, right = 0, bottom = 0;
  float width() const { return right - left; }
  float height() const { return bottom - top; }
  // The pixel rule: left and top inside, right and bottom outside.
  bool Contains(float x, float y) const { return x >= left && x < right && y >= top && y < bottom; }
};

enum class ControlKind : uint8_t { kButton, kScrollBar, kLabel };

struct Control {
  int32_t id = 0;
  ControlKind kind = ControlKind::kLabel;
  Rect rect;
  int32_t font_slot = 0;
  std::string text; // UTF-8
  // Colour roles, packed:
  int32_t ink = 0;       // button and label text; scroll bar track
  int32_t paint = 0;     // button fill; scroll bar thumb; label background
  int32_t paint_hot = 0; // button fill while hovered or pressed
  // Scroll bars: the value and its range.
  float value = 0, low = 0, high = 0;
  kv2d_callback on_click = nullptr;
};

class Panel {
public:
  static constexpr int32_t kPropValue = 7;
  static constexpr int32_t kEventClick = 2;
  static constexpr size_t kMaxPendingClicks = 64;

  // Adds a control after the others; one with the same id is replaced in
  // place.
  void Add(Control control);
  Control *Find(int32_t id);
  const std::vector<Control> &controls() const { return controls_; }
  void Clear();

  // Property reads are 0 for anything unknown; writes to anything unknown
  // are ignored. A scroll bar's value is clamped to its range and NaN is
  // ignored.
  float Value(int32_t id, int32_t property) const;
  void SetValue(int32_t id, int32_t property, float value);
  bool Bind(int32_t id, int32_t event, kv2d_callback callback);

  // The pointer, in drawing pixels.
  void PointerMoved(float x, float y);
  void PointerPressed(float x, float y);
  void PointerReleased(float x, float y);
  // The left button was let go somewhere we did not see: no click.
  void CancelPress();
  void Wheel(float x, float y, float steps);

  // Keyboard focus: to the next button or scroll bar after the focused one
  // (or before it, backwards), round the end; the first (or last) when none
  // has it.
  void MoveFocus(bool backwards);
  std::optional<int32_t> focused() const { return focus_; }
  // The focused button clicks. False when the focus is not on a button.
  bool ClickFocused();
  // The focused scroll bar's value moves by `by`, or to the low or high end
  // of its range. False when the focus is not on a scroll bar.
  bool StepFocused(float by);
  bool MoveFocusedToEnd(bool high);

  // The next click not yet delivered.
  std::optional<int32_t> TakeClick();
  // True when a value changed or a click came since the last call.
  bool TakeChanged();

  // Whether a button shows its hot fill: hovered with no button held, or
  // pressed and still under the pointer.
  bool ShowsHot(const Control &control) const;
  // Where a scroll bar's thumb is.
  static Rect Thumb(const Control &control);

private:
  Control *TopmostAt(float x, float y);
  void SetScrollValue(Control &control, float value);
  void DragTo(Control &control, float x, float y);
  void QueueClick(int32_t id);
  Control *FocusedOf(ControlKind kind);

  std::vector<Control> controls_;
  std::deque<int32_t> clicks_;
  std::optional<int32_t> hot_, active_, focus_;
  bool held_ = false;
  float drag_from_ = 0, drag_from_value_ = 0;
  bool changed_ = false;
};

} // namespace kv2d
