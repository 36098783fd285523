// What a frame draws, recorded as a list of commands in device pixels, and
// the rasterizer that puts the list onto a 32-bit surface.
//
// Recording first makes an unchanged frame cheap: the new list is compared
// with the last one, and only the part of the picture that the differing
// commands touch is drawn again and presented.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "kv2d/text.h"

namespace kv2d {

struct Command {
  enum class Kind : uint8_t { kClear, kFill, kOutline, kText };
  Kind kind = Kind::kClear;
  int ring = 0;       // outline thickness, device pixels
  SDL_Rect area{};    // pixels covered (a text's box)
  SDL_Rect clip{};    // nothing is drawn outside this
  int32_t colours[4]{}; // packed; corners top-left, top-right, bottom-right, bottom-left
  TextImageRef text;

  bool operator==(const Command &other) const;
};

class Canvas {
public:
  // Starts the next frame's list, unless one is being recorded already.
  void Begin();
  // Fills the whole picture with a colour's red, green and blue.
  void Clear(int32_t colour);
  // A quad over the pixels of `area`, filled, or only its outermost ring of
  // `ring` pixels. Corner colours as in Command.
  void Quad(const SDL_Rect &area, const int32_t colours[4], bool filled, int ring, const SDL_Rect &clip);
  // A text with its top-left corner at (x, y), tinted with `colour`.
  void Text(TextImageRef image, int x, int y, int32_t colour, const SDL_Rect &clip);

  // Ends the frame's list and brings `target` up to date. `fresh` says that
  // the target does not hold the last frame's picture (new, resized). Returns
  // the part of the target that changed, or nothing when the frame equals
  // the last one.
  std::optional<SDL_Rect> Finish(SDL_Surface *target, bool fresh);

  // Forgets both lists (and the text images they hold).
  void Reset();

  size_t recorded() const { return current_.size(); }

private:
  void Add(Command command);

  std::vector<Command> current_;
  std::vector<Command> last_;
  bool recording_ = false;
  bool last_valid_ = false;
};

// The rasterizer, usable on its own: draws one command on a 32-bit surface,
// only inside `limit`.
void DrawCommand(SDL_Surface *target, const Command &command, const SDL_Rect &limit);

} // namespace kv2d
