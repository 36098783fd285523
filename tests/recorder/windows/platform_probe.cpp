// The Windows probe: the program's window is named by its HWND, and
// everything is read through Win32 in the process the program runs in.
//
// Keys, besides those every platform writes (shown, x, y, width, height and
// resizable from the outer rectangle and the style; title as the ANSI bytes
// of the window text):
//   style, exstyle   the window's style and extended style, 8 hex digits
//   icons            which icons the window has: "big,small", "big", "small" or "none"
//   icon             the large icon's image as <width>x<height>x<bits per pixel>, or "none"
//   ole              1 when OLE is initialised on the calling thread, else 0
//   cwd              the current directory, ANSI bytes
#include "platform_probe.h"

#include <stdio.h>

#include <string>

#include <windows.h>

#include <ole2.h>

namespace recorder {
namespace {

std::string CurrentDirectoryHex(void) {
  DWORD size = GetCurrentDirectoryA(0, nullptr);
  if (size == 0) {
    return "?";
  }
  std::string directory(size, '\0');
  if (GetCurrentDirectoryA(size, directory.data()) == 0) {
    return "?";
  }
  return Hex(directory.c_str());
}

std::string WindowTextHex(HWND window) {
  int length = GetWindowTextLengthA(window);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  GetWindowTextA(window, text.data(), length + 1);
  return Hex(text.c_str());
}

std::string IconImage(HICON icon) {
  ICONINFO info;
  if (icon == nullptr || !GetIconInfo(icon, &info)) {
    return "none";
  }
  BITMAP colour = {};
  bool has_colour = info.hbmColor != nullptr && GetObjectA(info.hbmColor, sizeof colour, &colour) != 0;
  if (info.hbmColor != nullptr) {
    DeleteObject(info.hbmColor);
  }
  if (info.hbmMask != nullptr) {
    DeleteObject(info.hbmMask);
  }
  if (!has_colour) {
    return "none";
  }
  char image[48];
  snprintf(image, sizeof image, "%ldx%ldx%u", static_cast<long>(colour.bmWidth), static_cast<long>(colour.bmHeight),
           static_cast<unsigned>(colour.bmBitsPixel));
  return image;
}

// OleInitialize says S_FALSE when OLE (not merely COM) is already initialised
// on this thread; the call is undone at once either way.
bool OleInitialisedHere(void) {
  HRESULT result = OleInitialize(nullptr);
  if (SUCCEEDED(result)) {
    OleUninitialize();
  }
  return result == S_FALSE;
}

} // namespace

std::string DescribeWindowAndDirectory(uint32_t handle) {
  std::string tail = std::string(" ole=") + (OleInitialisedHere() ? "1" : "0") + " cwd=" + CurrentDirectoryHex();
  HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(handle));
  if (handle == 0 || !IsWindow(window)) {
    return "missing" + tail;
  }
  DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
  DWORD exstyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
  RECT outer = {};
  GetWindowRect(window, &outer);
  HICON big = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0));
  HICON small = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0));
  const char *icons = big != nullptr ? (small != nullptr ? "big,small" : "big") : (small != nullptr ? "small" : "none");

  char words[256];
  snprintf(words, sizeof words, "shown=%d x=%ld y=%ld width=%ld height=%ld resizable=%d style=%08lX exstyle=%08lX",
           IsWindowVisible(window) ? 1 : 0, static_cast<long>(outer.left), static_cast<long>(outer.top),
           static_cast<long>(outer.right - outer.left), static_cast<long>(outer.bottom - outer.top),
           (style & WS_THICKFRAME) != 0 ? 1 : 0, static_cast<unsigned long>(style),
           static_cast<unsigned long>(exstyle));
  return words + std::string(" icons=") + icons + " icon=" + IconImage(big) + " title=" + WindowTextHex(window) +
         tail;
}

void ServeWindowBriefly(void) {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  Sleep(10);
}

} // namespace recorder
