#include "kv2d/canvas.h"

#include <algorithm>
#include <climits>

#include "kv2d/colour.h"

namespace kv2d {

namespace {

constexpr SDL_Rect kEverywhere{INT_MIN / 4, INT_MIN / 4, INT_MAX / 2, INT_MAX / 2};

bool Empty(const SDL_Rect &r) { return r.w <= 0 || r.h <= 0; }

SDL_Rect Intersect(const SDL_Rect &a, const SDL_Rect &b) {
  int x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
  int x1 = std::min(a.x + a.w, b.x + b.w), y1 = std::min(a.y + a.h, b.y + b.h);
  if (x1 <= x0 || y1 <= y0) {
    return SDL_Rect{0, 0, 0, 0};
  }
  return SDL_Rect{x0, y0, x1 - x0, y1 - y0};
}

SDL_Rect Union(const SDL_Rect &a, const SDL_Rect &b) {
  if (Empty(a)) return b;
  if (Empty(b)) return a;
  int x0 = std::min(a.x, b.x), y0 = std::min(a.y, b.y);
  int x1 = std::max(a.x + a.w, b.x + b.w), y1 = std::max(a.y + a.h, b.y + b.h);
  return SDL_Rect{x0, y0, x1 - x0, y1 - y0};
}

bool SameRect(const SDL_Rect &a, const SDL_Rect &b) { return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h; }

// Where a command can change pixels.
SDL_Rect Bounds(const Command &c) { return c.kind == Command::Kind::kClear ? c.clip : Intersect(c.area, c.clip); }

// Pixel access for any 32-bit format with 8-bit colour channels.
struct Pixels {
  SDL_Surface *surface;
  const SDL_PixelFormat *format;

  uint32_t *Row(int y) const {
    return reinterpret_cast<uint32_t *>(static_cast<uint8_t *>(surface->pixels) + static_cast<ptrdiff_t>(y) * surface->pitch);
  }
  uint32_t Encode(int r, int g, int b) const {
    return static_cast<uint32_t>(r) << format->Rshift | static_cast<uint32_t>(g) << format->Gshift |
           static_cast<uint32_t>(b) << format->Bshift | format->Amask;
  }
  // Source-over with an opaque destination: d + (s - d) * a / 255, rounded.
  uint32_t Blend(uint32_t dst, int r, int g, int b, int a) const {
    auto mix = [a](int d, int s) { return d + ((s - d) * a + (s >= d ? 127 : -127)) / 255; };
    int dr = static_cast<int>((dst & format->Rmask) >> format->Rshift);
    int dg = static_cast<int>((dst & format->Gmask) >> format->Gshift);
    int db = static_cast<int>((dst & format->Bmask) >> format->Bshift);
    return Encode(mix(dr, r), mix(dg, g), mix(db, b));
  }
};

void FillFlat(const Pixels &px, const SDL_Rect &r, int32_t colour) {
  Rgba c = Unpack(colour);
  if (c.a == 0 || Empty(r)) {
    return;
  }
  if (c.a == 255) {
    SDL_FillRect(px.surface, &r, px.Encode(c.r, c.g, c.b));
    return;
  }
  for (int y = r.y; y < r.y + r.h; ++y) {
    uint32_t *row = px.Row(y);
    for (int x = r.x; x < r.x + r.w; ++x) {
      row[x] = px.Blend(row[x], c.r, c.g, c.b, c.a);
    }
  }
}

// Bilinear blend of the corner colours over `area`, drawn in `r` only.
void FillGradient(const Pixels &px, const SDL_Rect &r, const SDL_Rect &area, const int32_t colours[4]) {
  Rgba tl = Unpack(colours[0]), tr = Unpack(colours[1]), br = Unpack(colours[2]), bl = Unpack(colours[3]);
  auto lerp = [](float a, float b, float t) { return a + (b - a) * t; };
  for (int y = r.y; y < r.y + r.h; ++y) {
    float v = area.h > 1 ? static_cast<float>(y - area.y) / static_cast<float>(area.h - 1) : 0.0f;
    uint32_t *row = px.Row(y);
    for (int x = r.x; x < r.x + r.w; ++x) {
      float u = area.w > 1 ? static_cast<float>(x - area.x) / static_cast<float>(area.w - 1) : 0.0f;
      auto channel = [&](uint8_t Rgba::*m) {
        float top = lerp(static_cast<float>(tl.*m), static_cast<float>(tr.*m), u);
        float bottom = lerp(static_cast<float>(bl.*m), static_cast<float>(br.*m), u);
        return static_cast<int>(lerp(top, bottom, v) + 0.5f);
      };
      int a = channel(&Rgba::a);
      if (a > 0) {
        row[x] = px.Blend(row[x], channel(&Rgba::r), channel(&Rgba::g), channel(&Rgba::b), a);
      }
    }
  }
}

bool AllEqual(const int32_t colours[4]) {
  return colours[0] == colours[1] && colours[1] == colours[2] && colours[2] == colours[3];
}

void FillPart(const Pixels &px, const SDL_Rect &part, const Command &c, const SDL_Rect &limit) {
  SDL_Rect r = Intersect(part, limit);
  if (Empty(r)) {
    return;
  }
  if (AllEqual(c.colours)) {
    FillFlat(px, r, c.colours[0]);
  } else {
    FillGradient(px, r, c.area, c.colours);
  }
}

void DrawText(SDL_Surface *target, const Command &c, const SDL_Rect &limit) {
  if (!c.text) {
    return;
  }
  Rgba colour = Unpack(c.colours[0]);
  if (colour.a == 0) {
    return;
  }
  SDL_Surface *image = c.text->surface();
  SDL_SetSurfaceColorMod(image, colour.r, colour.g, colour.b);
  SDL_SetSurfaceAlphaMod(image, colour.a);
  SDL_SetClipRect(target, &limit);
  SDL_Rect place = c.area;
  SDL_BlitSurface(image, nullptr, target, &place);
  SDL_SetClipRect(target, nullptr);
}

} // namespace

bool Command::operator==(const Command &o) const {
  return kind == o.kind && ring == o.ring && SameRect(area, o.area) && SameRect(clip, o.clip) &&
         colours[0] == o.colours[0] && colours[1] == o.colours[1] && colours[2] == o.colours[2] &&
         colours[3] == o.colours[3] && text == o.text;
}

void DrawCommand(SDL_Surface *target, const Command &c, const SDL_Rect &limit_in) {
  SDL_Rect limit = Intersect(Intersect(limit_in, c.clip), SDL_Rect{0, 0, target->w, target->h});
  if (Empty(limit)) {
    return;
  }
  Pixels px{target, target->format};
  switch (c.kind) {
  case Command::Kind::kClear: {
    Rgba colour = Unpack(c.colours[0]);
    SDL_FillRect(target, &limit, px.Encode(colour.r, colour.g, colour.b));
    break;
  }
  case Command::Kind::kFill:
    FillPart(px, c.area, c, limit);
    break;
  case Command::Kind::kOutline: {
    const SDL_Rect &a = c.area;
    int t = c.ring;
    if (a.w <= 2 * t || a.h <= 2 * t) {
      FillPart(px, a, c, limit); // nothing inside the ring
      break;
    }
    // Four parts that do not overlap, so a translucent ring is blended once.
    FillPart(px, SDL_Rect{a.x, a.y, a.w, t}, c, limit);
    FillPart(px, SDL_Rect{a.x, a.y + a.h - t, a.w, t}, c, limit);
    FillPart(px, SDL_Rect{a.x, a.y + t, t, a.h - 2 * t}, c, limit);
    FillPart(px, SDL_Rect{a.x + a.w - t, a.y + t, t, a.h - 2 * t}, c, limit);
    break;
  }
  case Command::Kind::kText:
    DrawText(target, c, limit);
    break;
  }
}

void Canvas::Begin() {
  if (!recording_) {
    current_.clear();
    recording_ = true;
  }
}

void Canvas::Add(Command command) {
  Begin();
  if (!Empty(Bounds(command))) {
    current_.push_back(std::move(command));
  }
}

void Canvas::Clear(int32_t colour) {
  Command c;
  c.kind = Command::Kind::kClear;
  c.clip = kEverywhere;
  c.colours[0] = colour | static_cast<int32_t>(0xFF000000u); // the background is always opaque
  Add(std::move(c));
}

void Canvas::Quad(const SDL_Rect &area, const int32_t colours[4], bool filled, int ring, const SDL_Rect &clip) {
  Begin();
  if ((AllEqual(colours) && AlphaOf(colours[0]) == 0) || Empty(Intersect(area, clip))) {
    return; // invisible
  }
  // Quads are most of a frame's commands: made in place, not copied in.
  Command &c = current_.emplace_back();
  c.kind = filled ? Command::Kind::kFill : Command::Kind::kOutline;
  c.ring = filled ? 0 : ring;
  c.area = area;
  c.clip = clip;
  std::copy(colours, colours + 4, c.colours);
}

void Canvas::Text(TextImageRef image, int x, int y, int32_t colour, const SDL_Rect &clip) {
  if (!image || AlphaOf(colour) == 0) {
    return;
  }
  Command c;
  c.kind = Command::Kind::kText;
  c.area = SDL_Rect{x, y, image->width(), image->height()};
  c.clip = clip;
  c.colours[0] = colour;
  c.text = std::move(image);
  Add(std::move(c));
}

std::optional<SDL_Rect> Canvas::Finish(SDL_Surface *target, bool fresh) {
  Begin(); // a frame that recorded nothing is an empty list
  recording_ = false;
  const SDL_Rect whole{0, 0, target->w, target->h};

  // Comparing with the last frame is only sound when both start from a
  // clear: a frame without one draws over whatever was there.
  auto starts_clean = [](const std::vector<Command> &list) {
    return !list.empty() && list.front().kind == Command::Kind::kClear;
  };
  SDL_Rect dirty = whole;
  if (!fresh && last_valid_ && starts_clean(current_) && starts_clean(last_)) {
    dirty = SDL_Rect{0, 0, 0, 0};
    size_t n = std::max(current_.size(), last_.size());
    for (size_t i = 0; i < n; ++i) {
      bool in_current = i < current_.size(), in_last = i < last_.size();
      if (in_current && in_last && current_[i] == last_[i]) {
        continue;
      }
      if (in_current) dirty = Union(dirty, Bounds(current_[i]));
      if (in_last) dirty = Union(dirty, Bounds(last_[i]));
    }
    dirty = Intersect(dirty, whole);
  }

  std::optional<SDL_Rect> changed;
  if (!Empty(dirty)) {
    // Window surfaces and our own canvas are plain memory: no locking.
    for (const Command &c : current_) {
      DrawCommand(target, c, dirty);
    }
    changed = dirty;
  }
  std::swap(current_, last_);
  current_.clear();
  last_valid_ = true;
  return changed;
}

void Canvas::Reset() {
  current_.clear();
  last_.clear();
  current_.shrink_to_fit();
  last_.shrink_to_fit();
  recording_ = false;
  last_valid_ = false;
}

} // namespace kv2d
