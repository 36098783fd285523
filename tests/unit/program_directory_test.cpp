// The program directory is cut before the last separator, stepping over
// double-byte characters whose trail byte happens to equal the separator.
#include <string>

#include <gtest/gtest.h>

#include "app/program_directory.h"

namespace {

bool IsGbkLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }

std::string Directory(const std::string &path, char separator, bool (*lead)(unsigned char)) {
  return path.substr(0, ProgramDirectoryLength(path.c_str(), separator, lead));
}

TEST(ProgramDirectory, WindowsPathsWithTheCodePagesLeadBytes) {
  // 乗 is 0x81 0x5C in GBK: its trail byte is a backslash.
  struct Case {
    const char *path;
    const char *directory;
  } cases[] = {
      {"D:\\Tools\\picker.exe", "D:\\Tools"},
      {"C:\\picker.exe", "C:"},
      {"C:\\\x81\x5c\\picker.exe", "C:\\\x81\x5c"},
      {"C:\\ab\x81\x5c", "C:"},
      {"C:\\\xc6\xf7\\\x81\x5c\x81\x5c\\p.exe", "C:\\\xc6\xf7\\\x81\x5c\x81\x5c"},
      {"picker.exe", ""},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(Directory(c.path, '\\', IsGbkLeadByte), c.directory) << c.path;
  }
}

TEST(ProgramDirectory, WithoutTheLeadByteTestATrailByteIsTakenForASeparator) {
  // What the double-byte-aware search guards against.
  EXPECT_EQ(Directory("C:\\\x81\x5c" "x\\p.exe", '\\', nullptr), "C:\\\x81\x5c" "x");
  EXPECT_EQ(Directory("C:\\\x81\x5c" "x.exe", '\\', nullptr), "C:\\\x81");
  EXPECT_EQ(Directory("C:\\\x81\x5c" "x.exe", '\\', IsGbkLeadByte), "C:");
}

TEST(ProgramDirectory, LinuxPaths) {
  EXPECT_EQ(Directory("/opt/vorhel/vorhel-colour-picker", '/', nullptr), "/opt/vorhel");
  EXPECT_EQ(Directory("/picker", '/', nullptr), "");
}

} // namespace
