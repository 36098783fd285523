// Texts reach people on Linux as UTF-8; the program and the engine carry them
// as GBK bytes.
#pragma once

#include <string>
#include <string_view>

namespace desktop {

// The UTF-8 form of a GBK text. A byte sequence that is not valid GBK never
// stops the conversion: each bad byte (and a truncated character at the end)
// becomes U+FFFD and the rest is converted as usual.
std::string GbkToUtf8(std::string_view gbk);

} // namespace desktop
