// The engine's log file: a few lines about set-up and failures, never one per
// frame.
#pragma once

#include <cstdint>
#include <cstdio>

namespace kv2d {

class Log {
public:
  Log() = default;
  Log(const Log &) = delete;
  Log &operator=(const Log &) = delete;
  ~Log() { Close(); }

  // Opens the file afresh (truncated). A file that cannot be opened means no
  // log; the engine works the same.
  void Open(const char *path);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }

  // One line, stamped with the milliseconds since Open.
  void Write(const char *format, ...) __attribute__((format(printf, 2, 3)));

private:
  std::FILE *file_ = nullptr;
  uint64_t opened_at_ = 0;
};

} // namespace kv2d
