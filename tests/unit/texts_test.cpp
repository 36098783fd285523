// Every constant text of the program is the GBK encoding of its readable form.
#include <errno.h>
#include <iconv.h>
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "readable_texts.h"

namespace {

std::string ToGbk(const char *utf8) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  std::string in(utf8);
  std::string out(in.size() * 2 + 4, '\0');
  char *src = in.data();
  char *dst = out.data();
  size_t src_left = in.size();
  size_t dst_left = out.size();
  size_t result = iconv(cd, &src, &src_left, &dst, &dst_left);
  EXPECT_NE(result, static_cast<size_t>(-1)) << strerror(errno);
  iconv_close(cd);
  out.resize(out.size() - dst_left);
  return out;
}

TEST(Texts, EveryConstantIsTheGbkOfItsReadableText) {
  for (const ReadableText &text : kReadableTexts) {
    EXPECT_EQ(std::string(text.gbk), ToGbk(text.utf8)) << text.name;
  }
}

TEST(Texts, TitleIsFortyOneBytesWithThreeSingleByteSpaces) {
  EXPECT_EQ(strlen(kMainWindowTitle), 41u);
  EXPECT_NE(strstr(kMainWindowTitle, "\xc6\xf7   by "), nullptr);
}

} // namespace
