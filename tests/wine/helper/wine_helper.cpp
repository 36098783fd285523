// A small Win32 helper that the Wine tests run in the same prefix as the
// program, to see what only a Windows program can see. Texts go in and out
// as hexadecimal bytes, so that no code page stands between the test and
// the program.
//
//   wine-helper box-text <title hex>      the static text of the open message
//                                         box with that title: "text=<hex>",
//                                         or "none"
//   wine-helper clipboard                 the clipboard's CF_TEXT: "text=<hex>",
//                                         or "none"
//   wine-helper hold-clipboard <file>     keeps the clipboard open (so that no
//                                         other program can open it) until file
//                                         exists; says "holding" once it does
//   wine-helper resources <exe>           the executable's manifest ("manifest=<hex>")
//                                         and each image of its icon group 1
//                                         ("icon=<w>x<h>x<bits>")
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include <windows.h>

namespace {

std::string Hex(const void *bytes, size_t count) {
  std::string out;
  char pair[3];
  for (size_t i = 0; i < count; ++i) {
    snprintf(pair, sizeof pair, "%02X", static_cast<const unsigned char *>(bytes)[i]);
    out += pair;
  }
  return out;
}

std::string FromHex(const char *hex) {
  std::string out;
  for (size_t i = 0; hex[i] != '\0' && hex[i + 1] != '\0'; i += 2) {
    char pair[3] = {hex[i], hex[i + 1], '\0'};
    out += static_cast<char>(strtoul(pair, nullptr, 16));
  }
  return out;
}

int BoxText(const char *title_hex) {
  std::string title = FromHex(title_hex);
  HWND box = FindWindowA("#32770", title.c_str());
  if (box == nullptr) {
    puts("none");
    return 0;
  }
  char text[1024] = {};
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  printf("text=%s\n", Hex(text, strlen(text)).c_str());
  return 0;
}

int Clipboard(void) {
  if (!OpenClipboard(nullptr)) {
    puts("unopenable");
    return 0;
  }
  HANDLE data = GetClipboardData(CF_TEXT);
  const char *text = data != nullptr ? static_cast<const char *>(GlobalLock(data)) : nullptr;
  if (text == nullptr) {
    puts("none");
  } else {
    printf("text=%s\n", Hex(text, strlen(text)).c_str());
    GlobalUnlock(data);
  }
  CloseClipboard();
  return 0;
}

int HoldClipboard(const char *release) {
  if (!OpenClipboard(nullptr)) {
    puts("unopenable");
    return 1;
  }
  puts("holding");
  fflush(stdout);
  while (GetFileAttributesA(release) == INVALID_FILE_ATTRIBUTES) {
    Sleep(20);
  }
  CloseClipboard();
  return 0;
}

#pragma pack(push, 1)
struct IconGroupEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bits;
  DWORD bytes;
  WORD id;
};
#pragma pack(pop)

int Resources(const char *path) {
  HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) {
    puts("unloadable");
    return 1;
  }
  HRSRC manifest = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)); // RT_MANIFEST
  if (manifest != nullptr) {
    const void *bytes = LockResource(LoadResource(module, manifest));
    printf("manifest=%s\n", Hex(bytes, SizeofResource(module, manifest)).c_str());
  }
  HRSRC group = FindResourceA(module, MAKEINTRESOURCEA(1), RT_GROUP_ICON);
  if (group != nullptr) {
    const BYTE *bytes = static_cast<const BYTE *>(LockResource(LoadResource(module, group)));
    WORD count = *reinterpret_cast<const WORD *>(bytes + 4);
    const IconGroupEntry *entries = reinterpret_cast<const IconGroupEntry *>(bytes + 6);
    for (WORD i = 0; i < count; ++i) {
      printf("icon=%ux%ux%u\n", entries[i].width == 0 ? 256u : entries[i].width,
             entries[i].height == 0 ? 256u : entries[i].height, static_cast<unsigned>(entries[i].bits));
    }
  }
  FreeLibrary(module);
  return 0;
}

} // namespace

int main(int argc, char **argv) {
  if (argc == 3 && strcmp(argv[1], "box-text") == 0) {
    return BoxText(argv[2]);
  }
  if (argc == 2 && strcmp(argv[1], "clipboard") == 0) {
    return Clipboard();
  }
  if (argc == 3 && strcmp(argv[1], "hold-clipboard") == 0) {
    return HoldClipboard(argv[2]);
  }
  if (argc == 3 && strcmp(argv[1], "resources") == 0) {
    return Resources(argv[2]);
  }
  fputs("usage: wine-helper box-text <title hex> | clipboard | hold-clipboard <file> | resources <exe>\n", stderr);
  return 2;
}
