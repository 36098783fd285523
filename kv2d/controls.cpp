#include "kv2d/controls.h"

#include <algorithm>
#include <cmath>

namespace kv2d {

namespace {

bool Vertical(const Control &c) { return c.rect.height() > c.rect.width(); }
float Along(const Control &c, float x, float y) { return Vertical(c) ? y : x; }
float Start(const Control &c) { return Vertical(c) ? c.rect.top : c.rect.left; }
float Length(const Control &c) { return std::max(0.0f, Vertical(c) ? c.rect.height() : c.rect.width()); }

// A square thumb as thick as the bar, but never more than half its length.
float ThumbLength(const Control &c) {
  float thickness = std::max(0.0f, Vertical(c) ? c.rect.width() : c.rect.height());
  return std::min(thickness, Length(c) / 2);
}

float Travel(const Control &c) { return Length(c) - ThumbLength(c); }

} // namespace

void Panel::Add(Control control) {
  if (Control *old = Find(control.id)) {
    *old = std::move(control);
  } else {
    controls_.push_back(std::move(control));
  }
}

Control *Panel::Find(int32_t id) {
  for (Control &c : controls_) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

void Panel::Clear() {
  controls_.clear();
  controls_.shrink_to_fit();
  clicks_.clear();
  hot_.reset();
  active_.reset();
  focus_.reset();
  held_ = false;
}

float Panel::Value(int32_t id, int32_t property) const {
  for (const Control &c : controls_) {
    if (c.id == id) {
      return c.kind == ControlKind::kScrollBar && property == kPropValue ? c.value : 0.0f;
    }
  }
  return 0.0f;
}

void Panel::SetValue(int32_t id, int32_t property, float value) {
  Control *c = Find(id);
  if (c != nullptr && c->kind == ControlKind::kScrollBar && property == kPropValue) {
    SetScrollValue(*c, value);
  }
}

void Panel::SetScrollValue(Control &c, float value) {
  if (std::isnan(value)) {
    return;
  }
  value = std::clamp(value, c.low, c.high);
  if (value != c.value) {
    c.value = value;
    changed_ = true;
  }
}

bool Panel::Bind(int32_t id, int32_t event, kv2d_callback callback) {
  Control *c = Find(id);
  if (c == nullptr || event != kEventClick) {
    return false;
  }
  c->on_click = callback;
  return true;
}

Control *Panel::TopmostAt(float x, float y) {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    if (it->rect.Contains(x, y)) return &*it;
  }
  return nullptr;
}

Rect Panel::Thumb(const Control &c) {
  float span = c.high - c.low;
  float fraction = span > 0 ? (c.value - c.low) / span : 0.0f;
  float from = Start(c) + Travel(c) * fraction;
  float to = from + ThumbLength(c);
  Rect thumb = c.rect;
  if (Vertical(c)) {
    thumb.top = from;
    thumb.bottom = to;
  } else {
    thumb.left = from;
    thumb.right = to;
  }
  return thumb;
}

void Panel::DragTo(Control &c, float x, float y) {
  float travel = Travel(c);
  if (travel <= 0) {
    return;
  }
  // Always measured from where the drag started, so nothing accumulates.
  float moved = Along(c, x, y) - drag_from_;
  SetScrollValue(c, drag_from_value_ + moved / travel * (c.high - c.low));
}

void Panel::PointerMoved(float x, float y) {
  Control *under = TopmostAt(x, y);
  hot_ = under ? std::optional(under->id) : std::nullopt;
  if (active_) {
    if (Control *c = Find(*active_); c != nullptr && c->kind == ControlKind::kScrollBar) {
      DragTo(*c, x, y);
    }
  }
}

void Panel::PointerPressed(float x, float y) {
  PointerMoved(x, y);
  held_ = true;
  active_.reset();
  Control *c = TopmostAt(x, y);
  if (c == nullptr || c->kind == ControlKind::kLabel) {
    return;
  }
  active_ = c->id;
  if (c->kind == ControlKind::kScrollBar) {
    if (!Thumb(*c).Contains(x, y) && Travel(*c) > 0) {
      // A press on the track brings the thumb's middle under the pointer.
      float thumb_start = Along(*c, x, y) - ThumbLength(*c) / 2;
      SetScrollValue(*c, c->low + (thumb_start - Start(*c)) / Travel(*c) * (c->high - c->low));
    }
    drag_from_ = Along(*c, x, y);
    drag_from_value_ = c->value;
  }
}

void Panel::PointerReleased(float x, float y) {
  PointerMoved(x, y);
  if (active_) {
    Control *c = Find(*active_);
    if (c != nullptr && c->kind == ControlKind::kButton && c->rect.Contains(x, y)) {
      QueueClick(c->id);
    }
  }
  active_.reset();
  held_ = false;
}

void Panel::QueueClick(int32_t id) {
  if (clicks_.size() == kMaxPendingClicks) {
    clicks_.pop_front();
  }
  clicks_.push_back(id);
  changed_ = true;
}

void Panel::CancelPress() {
  active_.reset();
  held_ = false;
}

void Panel::Wheel(float x, float y, float steps) {
  Control *c = TopmostAt(x, y);
  if (c != nullptr && c->kind == ControlKind::kScrollBar && active_ != c->id) {
    SetScrollValue(*c, c->value + steps);
  }
}

void Panel::MoveFocus(bool backwards) {
  const size_t n = controls_.size();
  // The search starts from the focused control; with none, from just before
  // the first (going forwards) or just after the last (going backwards).
  size_t at = backwards ? 0 : n - 1;
  for (size_t i = 0; focus_ && i < n; ++i) {
    if (controls_[i].id == *focus_) at = i;
  }
  for (size_t step = 1; step <= n; ++step) {
    const Control &c = controls_[backwards ? (at + n - step) % n : (at + step) % n];
    if (c.kind != ControlKind::kLabel) {
      if (focus_ != c.id) changed_ = true;
      focus_ = c.id;
      return;
    }
  }
}

Control *Panel::FocusedOf(ControlKind kind) {
  Control *c = focus_ ? Find(*focus_) : nullptr;
  return c != nullptr && c->kind == kind ? c : nullptr;
}

bool Panel::ClickFocused() {
  Control *c = FocusedOf(ControlKind::kButton);
  if (c != nullptr) QueueClick(c->id);
  return c != nullptr;
}

bool Panel::StepFocused(float by) {
  Control *c = FocusedOf(ControlKind::kScrollBar);
  if (c != nullptr) SetScrollValue(*c, c->value + by);
  return c != nullptr;
}

bool Panel::MoveFocusedToEnd(bool high) {
  Control *c = FocusedOf(ControlKind::kScrollBar);
  if (c != nullptr) SetScrollValue(*c, high ? c->high : c->low);
  return c != nullptr;
}

std::optional<int32_t> Panel::TakeClick() {
  if (clicks_.empty()) {
    return std::nullopt;
  }
  int32_t id = clicks_.front();
  clicks_.pop_front();
  return id;
}

bool Panel::TakeChanged() {
  bool changed = changed_;
  changed_ = false;
  return changed;
}

bool Panel::ShowsHot(const Control &c) const {
  if (active_) {
    return *active_ == c.id && hot_ == c.id;
  }
  return !held_ && hot_ == c.id;
}

} // namespace kv2d
