#include "kv2d/text.h"

#include "common/cjk_font.h"
#include "common/gbk_text.h"

namespace kv2d {

TTF_Font *Fonts::Open(const std::string &face, const char *purpose) {
  desktop::FontFace file = desktop::FindCjkFont(face);
  if (file.path.empty()) {
    if (log_) log_->Write("font %s: fontconfig knows no font file for \"%s\"", purpose, face.c_str());
    return nullptr;
  }
  int device_size = kPixelSize * scale_;
  TTF_Font *font = TTF_OpenFontIndex(file.path.c_str(), device_size, file.index);
  if (font == nullptr) {
    if (log_) log_->Write("font %s: cannot open %s (face %d): %s", purpose, file.path.c_str(), file.index, TTF_GetError());
    return nullptr;
  }
  TTF_SetFontHinting(font, TTF_HINTING_NORMAL);
  if (log_) {
    const char *family = TTF_FontFaceFamilyName(font);
    log_->Write("font %s: \"%s\" -> %s (face %d, \"%s\"), %d px", purpose, face.c_str(), file.path.c_str(), file.index,
                family ? family : "?", device_size);
    if (!file.has_cjk) {
      log_->Write("font %s: no font with Chinese found; Chinese texts will lack glyphs", purpose);
    }
  }
  return font;
}

bool Fonts::Load(int32_t slot, const std::string &face) {
  std::string purpose = "slot " + std::to_string(slot);
  TTF_Font *font = Open(face, purpose.c_str());
  if (font == nullptr) {
    return false;
  }
  auto [it, fresh] = slots_.try_emplace(slot, font);
  if (!fresh) {
    TTF_CloseFont(it->second);
    it->second = font;
  }
  // Cached images of the slot's old font are stale; texts are cheap to redo.
  cache_.clear();
  ages_.clear();
  cached_bytes_ = 0;
  return true;
}

TTF_Font *Fonts::FontFor(int32_t slot) {
  if (auto it = slots_.find(slot); it != slots_.end()) {
    return it->second;
  }
  if (!default_tried_) {
    default_tried_ = true;
    if (log_) log_->Write("font slot %d was never loaded; texts use the default font", static_cast<int>(slot));
    default_font_ = Open("", "default");
  }
  return default_font_;
}

TextImageRef Fonts::Render(int32_t slot, std::string_view text, Encoding encoding) {
  if (text.empty()) {
    return nullptr;
  }
  std::string key;
  key.reserve(text.size() + 5);
  key.append(reinterpret_cast<const char *>(&slot), sizeof slot);
  key += static_cast<char>(encoding);
  key.append(text);
  if (auto it = cache_.find(key); it != cache_.end()) {
    ages_.splice(ages_.begin(), ages_, it->second.age);
    return it->second.image;
  }
  TTF_Font *font = FontFor(slot);
  if (font == nullptr) {
    return nullptr;
  }
  std::string utf8 = encoding == Encoding::kGbk ? desktop::GbkToUtf8(text) : std::string(text);
  SDL_Surface *surface = TTF_RenderUTF8_Blended(font, utf8.c_str(), SDL_Color{255, 255, 255, 255});
  if (surface == nullptr) {
    return nullptr;
  }
  SDL_SetSurfaceBlendMode(surface, SDL_BLENDMODE_BLEND);
  auto image = std::make_shared<const TextImage>(surface);
  size_t bytes = static_cast<size_t>(surface->pitch) * static_cast<size_t>(surface->h);
  ages_.push_front(key);
  cache_.emplace(std::move(key), Entry{image, ages_.begin(), bytes});
  cached_bytes_ += bytes;
  Trim();
  return image;
}

void Fonts::Trim() {
  while (cache_.size() > 1 && (cache_.size() > kMaxEntries || cached_bytes_ > kMaxBytes * scale_ * scale_)) {
    auto it = cache_.find(ages_.back());
    cached_bytes_ -= it->second.bytes;
    cache_.erase(it);
    ages_.pop_back();
  }
}

void Fonts::Clear() {
  cache_.clear();
  ages_.clear();
  cached_bytes_ = 0;
  for (auto &[slot, font] : slots_) {
    TTF_CloseFont(font);
  }
  slots_.clear();
  if (default_font_ != nullptr) {
    TTF_CloseFont(default_font_);
    default_font_ = nullptr;
  }
  default_tried_ = false;
}

} // namespace kv2d
