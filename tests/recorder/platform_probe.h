// What the recording engine asks of the platform: one implementation per
// platform in tests/recorder/<platform>/, picked by CMake.
#pragma once

#include <stdint.h>

#include <string>

namespace recorder {

// Uppercase hex bytes of a NUL-terminated text, as the trace writes texts.
std::string Hex(const char *text);

// The state of the program's window, named by the handle the program passed
// to System_CreateKV2D, as space-separated key=value words (texts as
// uppercase hex bytes), followed by the process's current directory as
// cwd=<hex>. A handle that names no window gives "missing" and the directory.
std::string DescribeWindowAndDirectory(uint32_t handle);

// Serves the program's window for a moment (its pending events, so that the
// clipboard it owns answers requests) and then yields the processor briefly;
// called in a loop while a frame is held.
void ServeWindowBriefly(void);

} // namespace recorder
