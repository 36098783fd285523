// Font slots and the cache of rendered texts.
//
// A text is rendered once, white with its coverage in alpha, and kept; each
// draw tints it with the colour asked for. The cache is bounded and drops the
// texts used least recently.
#pragma once

#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "kv2d/log.h"

namespace kv2d {

// One rendered text. Frames keep a reference to the images they drew, so an
// image outlives its eviction from the cache while a frame still shows it.
class TextImage {
public:
  explicit TextImage(SDL_Surface *surface) : surface_(surface) {}
  TextImage(const TextImage &) = delete;
  TextImage &operator=(const TextImage &) = delete;
  ~TextImage() { SDL_FreeSurface(surface_); }

  SDL_Surface *surface() const { return surface_; }
  int width() const { return surface_->w; }
  int height() const { return surface_->h; }

private:
  SDL_Surface *surface_;
};

using TextImageRef = std::shared_ptr<const TextImage>;

enum class Encoding : char { kGbk = 'g', kUtf8 = 'u' };

class Fonts {
public:
  Fonts() = default;
  Fonts(const Fonts &) = delete;
  Fonts &operator=(const Fonts &) = delete;
  ~Fonts() { Clear(); }

  // Text height in drawing pixels; the device size is this times the scale.
  static constexpr int kPixelSize = 16;

  void Attach(Log *log, int scale) {
    log_ = log;
    scale_ = scale;
  }

  // Loads a face (name in UTF-8) into a slot, replacing what it held.
  // Returns false when no font file could be opened.
  bool Load(int32_t slot, const std::string &face);

  // The image of a text in a slot's font; null for an empty text or when no
  // font can be had. A slot that was never loaded uses the default font.
  TextImageRef Render(int32_t slot, std::string_view text, Encoding encoding);

  // Closes every font and forgets every cached text.
  void Clear();

  size_t cached_count() const { return cache_.size(); }

  // Bounds of the cache: entries and bytes of pixels.
  static constexpr size_t kMaxEntries = 512;
  static constexpr size_t kMaxBytes = 4u << 20;

private:
  struct Entry {
    TextImageRef image;
    std::list<std::string>::iterator age;
    size_t bytes;
  };

  TTF_Font *FontFor(int32_t slot);
  TTF_Font *Open(const std::string &face, const char *purpose);
  void Trim();

  Log *log_ = nullptr;
  int scale_ = 1;
  std::map<int32_t, TTF_Font *> slots_;
  TTF_Font *default_font_ = nullptr;
  bool default_tried_ = false;
  std::unordered_map<std::string, Entry> cache_;
  std::list<std::string> ages_; // most recently used first
  size_t cached_bytes_ = 0;
};

} // namespace kv2d
