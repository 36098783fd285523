#include "kv2d/log.h"

#include <SDL.h>

#include <cstdarg>

namespace kv2d {

void Log::Open(const char *path) {
  Close();
  if (path == nullptr || path[0] == '\0') {
    return;
  }
  file_ = std::fopen(path, "w");
  opened_at_ = SDL_GetTicks64();
}

void Log::Close() {
  if (file_ != nullptr) {
    std::fclose(file_);
    file_ = nullptr;
  }
}

void Log::Write(const char *format, ...) {
  if (file_ == nullptr) {
    return;
  }
  std::fprintf(file_, "[%6llu ms] ", static_cast<unsigned long long>(SDL_GetTicks64() - opened_at_));
  va_list args;
  va_start(args, format);
  std::vfprintf(file_, format, args);
  va_end(args);
  std::fputc('\n', file_);
  // Few lines, and the program may end the process at any moment.
  std::fflush(file_);
}

} // namespace kv2d
