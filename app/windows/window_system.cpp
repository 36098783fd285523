// The Windows window system: plain Win32 with the ANSI functions, so every
// text the program hands over is taken in the system's ANSI code page (GBK on
// a Chinese system).
#include "app/window_system.h"

#include <stdlib.h>
#include <string.h>

#include <windows.h>

#include <ole2.h>
#include <shellapi.h>

#include "app/program_directory.h"
#include "app/test_seam.h"
#include "app/texts.h"
#include "app/windows/resources.h"
#include "engine/engine.h"

namespace {

constexpr char kMainWindowClass[] = "VorhelColourPickerMainWindow";
constexpr int kMainWindowWidth = 800;
constexpr int kMainWindowHeight = 600;
constexpr DWORD kMainWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

HWND main_window = nullptr;
bool ole_started = false;

// The exit routines, in order of registration.
void (**exit_routines)(void) = nullptr;
int exit_routine_count = 0;

bool IsAnsiLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }

// The full path of the executable, as the ANSI file-name query returns it.
// The buffer grows until the path fits, so a long path is never cut short.
char *ExecutablePath(void) {
  DWORD size = MAX_PATH;
  for (;;) {
    char *path = static_cast<char *>(AllocateOrStop(size));
    DWORD length = GetModuleFileNameA(nullptr, path, size);
    if (length > 0 && length < size) { // a cut path fills the whole buffer
      return path;
    }
    free(path);
    if (length == 0 || size >= 32768 * 2) {
      // No path at all: an empty one, whose directory is empty too.
      return static_cast<char *>(AllocateOrStop(1));
    }
    size *= 2;
  }
}

LRESULT CALLBACK MainWindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = DefWindowProcA(window, message, wparam, lparam);
  if (message == WM_GETMINMAXINFO) {
    // The system would keep a window within the screen plus its frame; on a
    // screen smaller than 800 by 600 MainWindow keeps its size all the same.
    MINMAXINFO *limits = reinterpret_cast<MINMAXINFO *>(lparam);
    if (limits->ptMaxTrackSize.x < kMainWindowWidth) {
      limits->ptMaxTrackSize.x = kMainWindowWidth;
    }
    if (limits->ptMaxTrackSize.y < kMainWindowHeight) {
      limits->ptMaxTrackSize.y = kMainWindowHeight;
    }
  }
  // Everything else, the close box included, takes the default course: a
  // close request destroys the window, and no quit message is posted, since
  // the window system's own message loop never runs.
  return result;
}

bool RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSEXA window_class;
  memset(&window_class, 0, sizeof window_class);
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = MainWindowProcedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  window_class.lpszClassName = kMainWindowClass;
  return RegisterClassExA(&window_class) != 0;
}

// Ends the window system: the window, the engine library (whose code the
// window may still be running through), then OLE.
void ShutDownWindowSystem(void) {
  if (main_window != nullptr && IsWindow(main_window)) {
    DestroyWindow(main_window);
  }
  main_window = nullptr;
  UnbindEngine();
  if (ole_started) {
    OleUninitialize();
    ole_started = false;
  }
}

} // namespace

void StartWindowSystem(void) {
  // The program directory with a separator after it: "C:" alone would name
  // the drive's own current directory, not its root.
  char *directory = GetProgramDirectory();
  char *current = JoinDirectoryAndFile(directory, "");
  free(directory);
  SetCurrentDirectoryA(current);
  free(current);

  ole_started = SUCCEEDED(OleInitialize(nullptr));
}

void RegisterExitRoutine(void (*routine)(void)) {
  auto grown = static_cast<void (**)(void)>(realloc(exit_routines, (exit_routine_count + 1) * sizeof *exit_routines));
  if (grown == nullptr) {
    FatalStop(kFatalNoMemoryText);
  }
  exit_routines = grown;
  exit_routines[exit_routine_count++] = routine;
}

void OpenMainWindow(void (*on_created)(void)) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!RegisterMainWindowClass(instance)) {
    FatalStop(kFatalNoWindowText);
  }
  // Centred on the primary screen, the taskbar included; the quotients are
  // truncated toward zero.
  int left = (GetSystemMetrics(SM_CXSCREEN) - kMainWindowWidth) / 2;
  int top = (GetSystemMetrics(SM_CYSCREEN) - kMainWindowHeight) / 2;
  main_window = CreateWindowExA(0, kMainWindowClass, kMainWindowTitle, kMainWindowStyle, left, top,
                                kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, instance, nullptr);
  if (main_window == nullptr) {
    FatalStop(kFatalNoWindowText);
  }
  RECT outer;
  if (GetWindowRect(main_window, &outer) &&
      (outer.right - outer.left != kMainWindowWidth || outer.bottom - outer.top != kMainWindowHeight)) {
    SetWindowPos(main_window, nullptr, 0, 0, kMainWindowWidth, kMainWindowHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  // The one 48 by 48 image serves as the large and the small icon.
  HANDLE icon = LoadImageA(instance, MAKEINTRESOURCEA(VORHEL_ICON_RESOURCE), IMAGE_ICON, 48, 48, LR_DEFAULTCOLOR);
  if (icon != nullptr) {
    SendMessageA(main_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(main_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }

  on_created();
  ShowWindow(main_window, SW_SHOWNORMAL);
}

uint32_t GetMainWindowHandle(void) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(main_window));
}

void ShowMainWindowIfHidden(void) {
  if (main_window != nullptr && !IsWindowVisible(main_window)) {
    ShowWindow(main_window, SW_SHOWNORMAL);
  }
}

char *GetProgramDirectory(void) {
  char *path = ExecutablePath();
  // The last backslash, found by a scan that steps over the double-byte
  // characters of the ANSI code page.
  path[ProgramDirectoryLength(path, '\\', IsAnsiLeadByte)] = '\0';
  return path;
}

char GetPathSeparator(void) { return '\\'; }

void *AllocateOrStop(size_t bytes) {
  void *memory = calloc(1, bytes == 0 ? 1 : bytes);
  if (memory == nullptr) {
    FatalStop(kFatalNoMemoryText);
  }
  return memory;
}

void ShowMessageBox(const char *text, const char *title, uint32_t icon) {
  SeamNoteMessageBox(text, title, icon);
  if (SeamAnswersBoxes()) {
    return;
  }
  // No owner, task-modal: the program's windows take no input meanwhile.
  MessageBoxA(nullptr, text, title, MB_OK | icon | MB_TASKMODAL);
}

bool PutTextOnClipboard(const char *text) {
  if (!OpenClipboard(main_window)) {
    return false;
  }
  EmptyClipboard();
  size_t size = strlen(text) + 1;
  bool placed = false;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  if (block != nullptr) {
    void *bytes = GlobalLock(block);
    if (bytes != nullptr) {
      memcpy(bytes, text, size);
      GlobalUnlock(block);
      // Once handed over, the block belongs to the clipboard.
      placed = SetClipboardData(CF_TEXT, block) != nullptr;
    }
    if (!placed) {
      GlobalFree(block);
    }
  }
  CloseClipboard();
  return placed;
}

void OpenWithShell(const char *path) {
  ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOWNORMAL);
}

void EndProgram(int32_t code) {
  for (int i = 0; i < exit_routine_count; ++i) {
    exit_routines[i]();
    SeamNoteExitRoutine(i + 1);
  }
  ShutDownWindowSystem();
  ExitProcess(static_cast<UINT>(code));
}

void FatalStop(const char *text) {
  ShowMessageBox(text, kFatalTitle, kBoxIconError);
  exit_routine_count = 0;
  ShutDownWindowSystem();
  ExitProcess(static_cast<UINT>(-1));
}
