#include "kv2d/text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "common/cjk_font.h"
#include "common/gbk_text.h"

namespace kv2d {

namespace {

// A font file as FreeType reads it: a seek before nearly every small read.
// Through stdio (SDL_RWFromFile) each of those seeks is a system call of its
// own; here a seek only moves a position and a read is one pread().
struct FontFile {
  int fd;
  Sint64 size;
  Sint64 position;
};

FontFile *FileOf(SDL_RWops *rw) { return static_cast<FontFile *>(rw->hidden.unknown.data1); }

Sint64 SDLCALL FontFileSize(SDL_RWops *rw) { return FileOf(rw)->size; }

Sint64 SDLCALL FontFileSeek(SDL_RWops *rw, Sint64 offset, int whence) {
  FontFile *file = FileOf(rw);
  Sint64 base = whence == RW_SEEK_SET ? 0 : whence == RW_SEEK_CUR ? file->position : file->size;
  if (offset < -base) {
    return SDL_SetError("font file: seek before its start");
  }
  file->position = base + offset;
  return file->position;
}

size_t SDLCALL FontFileRead(SDL_RWops *rw, void *data, size_t size, size_t count) {
  FontFile *file = FileOf(rw);
  if (size == 0 || count == 0 || count > SIZE_MAX / size) {
    return 0;
  }
  size_t wanted = size * count, done = 0;
  while (done < wanted) {
    off_t at = static_cast<off_t>(file->position) + static_cast<off_t>(done);
    ssize_t n = pread(file->fd, static_cast<char *>(data) + done, wanted - done, at);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      break;
    }
    done += static_cast<size_t>(n);
  }
  file->position += static_cast<Sint64>(done);
  return done / size;
}

size_t SDLCALL FontFileWrite(SDL_RWops *, const void *, size_t, size_t) { return 0; }

int SDLCALL FontFileClose(SDL_RWops *rw) {
  FontFile *file = FileOf(rw);
  close(file->fd);
  delete file;
  SDL_FreeRW(rw);
  return 0;
}

SDL_RWops *OpenFontFile(const std::string &path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SDL_SetError("%s", std::strerror(errno));
    return nullptr;
  }
  struct stat info {};
  SDL_RWops *rw = fstat(fd, &info) == 0 ? SDL_AllocRW() : nullptr;
  if (rw == nullptr) {
    close(fd);
    return nullptr;
  }
  rw->size = FontFileSize;
  rw->seek = FontFileSeek;
  rw->read = FontFileRead;
  rw->write = FontFileWrite;
  rw->close = FontFileClose;
  rw->type = SDL_RWOPS_UNKNOWN;
  rw->hidden.unknown.data1 = new FontFile{fd, static_cast<Sint64>(info.st_size), 0};
  return rw;
}

} // namespace

TTF_Font *Fonts::Open(const std::string &face, const char *purpose) {
  desktop::FontFace file = desktop::FindCjkFont(face);
  if (file.path.empty()) {
    if (log_) log_->Write("font %s: fontconfig knows no font file for \"%s\"", purpose, face.c_str());
    return nullptr;
  }
  int device_size = kPixelSize * scale_;
  SDL_RWops *source = OpenFontFile(file.path);
  TTF_Font *font = source == nullptr ? nullptr : TTF_OpenFontIndexRW(source, 1, device_size, file.index);
  if (font == nullptr) {
    if (log_) log_->Write("font %s: cannot open %s (face %d): %s", purpose, file.path.c_str(), file.index, TTF_GetError());
    return nullptr;
  }
  TTF_SetFontHinting(font, TTF_HINTING_NORMAL);
  if (log_) {
    const char *family = TTF_FontFaceFamilyName(font);
    log_->Write("font %s: \"%s\" -> %s (face %d, \"%s\"), %d px%s", purpose, face.c_str(), file.path.c_str(),
                file.index, family ? family : "?", device_size, file.remembered ? ", as remembered" : "");
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
