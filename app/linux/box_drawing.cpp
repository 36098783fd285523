#include "app/linux/box_drawing.h"

#include <math.h>

#include "app/window_system.h"

namespace {

// Sizes at scale 1, in pixels.
constexpr int kPadding = 20;
constexpr int kIconSide = 32;
constexpr int kIconTextGap = 14;
constexpr int kTextWidthLimit = 400;
constexpr int kStripHeight = 48;
constexpr int kButtonWidth = 88;
constexpr int kButtonHeight = 28;
constexpr int kSmallestWidth = 280;

constexpr char kOkText[] = "确定";

constexpr SDL_Color kTextColour{0, 0, 0, 255};
constexpr SDL_Color kWhite{255, 255, 255, 255};
constexpr SDL_Color kStripColour{240, 240, 240, 255};
constexpr SDL_Color kErrorColour{218, 38, 38, 255};
constexpr SDL_Color kInformationColour{30, 111, 217, 255};

struct ButtonColours {
  SDL_Color face;
  SDL_Color border;
};
constexpr ButtonColours kButtonNormal{{225, 225, 225, 255}, {0, 120, 215, 255}};
constexpr ButtonColours kButtonHot{{229, 241, 251, 255}, {0, 120, 215, 255}};
constexpr ButtonColours kButtonPressed{{204, 228, 247, 255}, {0, 84, 153, 255}};

// Decodes the UTF-8 character at text[*at] and moves *at past it.
uint32_t NextCharacter(const std::string &text, size_t *at) {
  unsigned char lead = static_cast<unsigned char>(text[*at]);
  int extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
  uint32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
  ++*at;
  for (int i = 0; i < extra && *at < text.size(); ++i, ++*at) {
    c = c << 6 | (static_cast<unsigned char>(text[*at]) & 0x3F);
  }
  return c;
}

// Chinese is broken between any two characters; these never start a line.
bool IsClosingPunctuation(uint32_t c) {
  static constexpr uint32_t kClosing[] = {0xFF0C, 0x3002, 0xFF01, 0xFF1F, 0xFF1A, 0xFF1B, 0x3001,
                                          0xFF09, 0x300D, 0x300F, 0x300B, 0x3009, 0x201D, 0x2019};
  for (uint32_t closing : kClosing) {
    if (c == closing) {
      return true;
    }
  }
  return false;
}

bool IsWide(uint32_t c) { return c >= 0x2E80; }

int TextWidth(TTF_Font *font, const std::string &text) {
  int width = 0;
  int height = 0;
  if (TTF_SizeUTF8(font, text.c_str(), &width, &height) != 0) {
    return 0;
  }
  return width;
}

// Splits one paragraph into the pieces that a line may not break inside:
// a Latin word, or one Chinese character with the punctuation after it.
// Each piece carries the spaces that stood before it.
std::vector<std::string> Pieces(const std::string &paragraph) {
  std::vector<std::string> pieces;
  std::string spaces;
  bool in_word = false;
  for (size_t at = 0; at < paragraph.size();) {
    size_t start = at;
    uint32_t c = NextCharacter(paragraph, &at);
    std::string character = paragraph.substr(start, at - start);
    if (c == ' ' || c == '\t') {
      spaces += ' ';
      in_word = false;
    } else if (!pieces.empty() && spaces.empty() && (IsClosingPunctuation(c) || (in_word && !IsWide(c)))) {
      pieces.back() += character;
    } else {
      pieces.push_back(spaces + character);
      spaces.clear();
      in_word = !IsWide(c);
    }
  }
  return pieces;
}

// Adds the lines of one paragraph, each at most limit pixels wide (a piece
// wider than that is broken between characters).
void WrapParagraph(TTF_Font *font, const std::string &paragraph, int limit, std::vector<std::string> *lines) {
  std::string line;
  for (std::string piece : Pieces(paragraph)) {
    if (line.empty()) {
      piece.erase(0, piece.find_first_not_of(' '));
    }
    if (line.empty() || TextWidth(font, line + piece) <= limit) {
      line += piece;
    } else {
      lines->push_back(line);
      line = piece.substr(piece.find_first_not_of(' '));
    }
    // A single piece too wide for a line of its own.
    while (TextWidth(font, line) > limit) {
      size_t cut = 0;
      for (size_t at = 0; at < line.size();) {
        size_t next = at;
        NextCharacter(line, &next);
        if (cut > 0 && TextWidth(font, line.substr(0, next)) > limit) {
          break;
        }
        cut = at = next;
      }
      lines->push_back(line.substr(0, cut));
      line.erase(0, cut);
    }
  }
  lines->push_back(line);
}

void Fill(SDL_Surface *surface, const SDL_Rect &rect, SDL_Color colour) {
  SDL_FillRect(surface, &rect, SDL_MapRGB(surface->format, colour.r, colour.g, colour.b));
}

void Frame(SDL_Surface *surface, const SDL_Rect &rect, SDL_Color colour, int thickness) {
  SDL_Rect sides[4] = {
      {rect.x, rect.y, rect.w, thickness},
      {rect.x, rect.y + rect.h - thickness, rect.w, thickness},
      {rect.x, rect.y, thickness, rect.h},
      {rect.x + rect.w - thickness, rect.y, thickness, rect.h},
  };
  for (const SDL_Rect &side : sides) {
    Fill(surface, side, colour);
  }
}

// Blends a picture with an alpha channel onto surface at (x, y).
void Blend(SDL_Surface *surface, SDL_Surface *picture, int x, int y) {
  if (picture == nullptr) {
    return;
  }
  SDL_SetSurfaceBlendMode(picture, SDL_BLENDMODE_BLEND);
  SDL_Rect where{x, y, picture->w, picture->h};
  SDL_BlitSurface(picture, nullptr, surface, &where);
  SDL_FreeSurface(picture);
}

float Clamp01(float v) { return fminf(fmaxf(v, 0.0f), 1.0f); }

// Distance from (x, y) to the segment from (ax, ay) to (bx, by).
float SegmentDistance(float x, float y, float ax, float ay, float bx, float by) {
  float dx = bx - ax;
  float dy = by - ay;
  float t = Clamp01(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy));
  return hypotf(x - (ax + t * dx), y - (ay + t * dy));
}

// The icon of a box kind: a disc with a white sign, smoothed edges, on a
// transparent ground. side is the icon's size in pixels.
SDL_Surface *DrawIcon(uint32_t kind, int side) {
  SDL_Surface *picture = SDL_CreateRGBSurfaceWithFormat(0, side, side, 32, SDL_PIXELFORMAT_ARGB8888);
  if (picture == nullptr) {
    return nullptr;
  }
  bool error = kind == kBoxIconError;
  SDL_Color disc = error ? kErrorColour : kInformationColour;
  float unit = static_cast<float>(side) / 32.0f; // the drawing below is on a 32 grid
  auto *pixels = static_cast<uint32_t *>(picture->pixels);
  for (int py = 0; py < side; ++py) {
    for (int px = 0; px < side; ++px) {
      float x = (static_cast<float>(px) + 0.5f) / unit;
      float y = (static_cast<float>(py) + 0.5f) / unit;
      float disc_cover = Clamp01((15.5f - hypotf(x - 16, y - 16)) * unit + 0.5f);
      float sign = 0;
      if (error) {
        float arm = fminf(SegmentDistance(x, y, 10.5f, 10.5f, 21.5f, 21.5f),
                          SegmentDistance(x, y, 21.5f, 10.5f, 10.5f, 21.5f));
        sign = (1.75f - arm) * unit + 0.5f;
      } else {
        float dot = hypotf(x - 16, y - 9.5f) - 2.25f;
        float stem = SegmentDistance(x, y, 16, 14.5f, 16, 23.5f) - 1.9f;
        sign = -fminf(dot, stem) * unit + 0.5f;
      }
      float white = Clamp01(sign);
      auto mix = [white](uint8_t base) {
        return static_cast<uint32_t>(lroundf(base + (255 - base) * white));
      };
      uint32_t alpha = static_cast<uint32_t>(lroundf(disc_cover * 255));
      pixels[py * (picture->pitch / 4) + px] = alpha << 24 | mix(disc.r) << 16 | mix(disc.g) << 8 | mix(disc.b);
    }
  }
  return picture;
}

} // namespace

BoxLayout LayOutBox(TTF_Font *font, const std::string &text, int scale) {
  BoxLayout layout;
  if (font != nullptr) {
    size_t start = 0;
    while (start <= text.size()) {
      size_t end = text.find('\n', start);
      if (end == std::string::npos) {
        end = text.size();
      }
      std::string paragraph = text.substr(start, end - start);
      if (!paragraph.empty() && paragraph.back() == '\r') {
        paragraph.pop_back();
      }
      WrapParagraph(font, paragraph, kTextWidthLimit * scale, &layout.lines);
      start = end + 1;
    }
    layout.line_skip = TTF_FontLineSkip(font);
  }
  int text_width = 0;
  for (const std::string &line : layout.lines) {
    int width = TextWidth(font, line);
    text_width = width > text_width ? width : text_width;
  }
  int text_height = layout.line_skip * static_cast<int>(layout.lines.size());

  int padding = kPadding * scale;
  int icon_side = kIconSide * scale;
  int content_height = text_height > icon_side ? text_height : icon_side;
  layout.icon = {padding, padding + (content_height - icon_side) / 2, icon_side, icon_side};
  layout.text = {padding + icon_side + kIconTextGap * scale, padding + (content_height - text_height) / 2,
                 text_width, text_height};
  layout.width = layout.text.x + text_width + padding;
  if (layout.width < kSmallestWidth * scale) {
    layout.width = kSmallestWidth * scale;
  }
  layout.strip = {0, padding + content_height + padding, layout.width, kStripHeight * scale};
  layout.height = layout.strip.y + layout.strip.h;
  int button_margin = (kStripHeight - kButtonHeight) / 2 * scale;
  layout.button = {layout.width - button_margin - kButtonWidth * scale, layout.strip.y + button_margin,
                   kButtonWidth * scale, kButtonHeight * scale};
  return layout;
}

void PaintBox(SDL_Surface *surface, const BoxLayout &layout, TTF_Font *font, uint32_t icon, ButtonLook look) {
  Fill(surface, {0, 0, surface->w, surface->h}, kWhite);
  Fill(surface, layout.strip, kStripColour);
  Blend(surface, DrawIcon(icon, layout.icon.w), layout.icon.x, layout.icon.y);

  const ButtonColours &colours = look == ButtonLook::kPressed ? kButtonPressed
                                 : look == ButtonLook::kHot   ? kButtonHot
                                                              : kButtonNormal;
  Fill(surface, layout.button, colours.face);
  Frame(surface, layout.button, colours.border, layout.button.h >= 56 ? 2 : 1);
  if (font == nullptr) {
    return;
  }
  for (size_t i = 0; i < layout.lines.size(); ++i) {
    if (!layout.lines[i].empty()) {
      Blend(surface, TTF_RenderUTF8_Blended(font, layout.lines[i].c_str(), kTextColour), layout.text.x,
            layout.text.y + static_cast<int>(i) * layout.line_skip);
    }
  }
  int width = TextWidth(font, kOkText);
  Blend(surface, TTF_RenderUTF8_Blended(font, kOkText, kTextColour), layout.button.x + (layout.button.w - width) / 2,
        layout.button.y + (layout.button.h - TTF_FontHeight(font)) / 2);
}
