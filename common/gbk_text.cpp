#include "common/gbk_text.h"

#include <errno.h>
#include <iconv.h>

namespace desktop {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD"; // U+FFFD

} // namespace

std::string GbkToUtf8(std::string_view gbk) {
  std::string utf8;
  iconv_t converter = iconv_open("UTF-8", "GBK");
  if (converter == reinterpret_cast<iconv_t>(-1)) {
    // No converter at all: keep the ASCII bytes, mark the rest.
    for (char c : gbk) {
      utf8 += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : std::string(kReplacement);
    }
    return utf8;
  }

  char *in = const_cast<char *>(gbk.data());
  size_t in_left = gbk.size();
  char buffer[256];
  while (in_left > 0) {
    char *out = buffer;
    size_t out_left = sizeof buffer;
    size_t result = iconv(converter, &in, &in_left, &out, &out_left);
    utf8.append(buffer, static_cast<size_t>(out - buffer));
    if (result != static_cast<size_t>(-1) || errno == E2BIG) {
      continue;
    }
    // EILSEQ: a byte that starts no GBK character here. EINVAL: a lead byte
    // cut off by the end of the text. Either way, one byte is replaced.
    utf8 += kReplacement;
    ++in;
    --in_left;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
  }
  iconv_close(converter);
  return utf8;
}

} // namespace desktop
