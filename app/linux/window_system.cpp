// The Linux window system: start-up, MainWindow, the program directory,
// memory, and the two ways the process ends.
#include "app/window_system.h"

#include <SDL.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "app/icon_pixels.h"
#include "app/linux/window_system_linux.h"
#include "app/program_directory.h"
#include "app/test_seam.h"
#include "app/texts.h"
#include "common/desktop_scale.h"
#include "common/gbk_text.h"
#include "engine/engine.h"

namespace {

// MainWindow's client size in logical pixels; the engine draws 800 by 600.
constexpr int kMainWindowWidth = 800;
constexpr int kMainWindowHeight = 600;

char *program_directory = nullptr;
bool video_ready = false;
int desktop_scale = 1;
SDL_Window *main_window = nullptr;

void (**exit_routines)(void) = nullptr;
int exit_routine_count = 0;

bool shut_down = false;

// The picker takes no typed text, yet SDL opens an input method, and
// libX11's own reads the whole of the locale's compose table for it (about
// 10 ms of start-up). It gets an empty table instead; the environment is put
// back before anything else can see it.
void StartVideoWithoutComposeTable(void) {
  const char *own = getenv("XCOMPOSEFILE");
  char *kept = own == nullptr ? nullptr : strdup(own);
  bool replaced = (own == nullptr || kept != nullptr) && setenv("XCOMPOSEFILE", "/dev/null", 1) == 0;
  video_ready = SDL_Init(SDL_INIT_VIDEO) == 0;
  if (replaced && kept != nullptr) {
    setenv("XCOMPOSEFILE", kept, 1);
  } else if (replaced) {
    unsetenv("XCOMPOSEFILE");
  }
  free(kept);
}

char *CopyText(const char *text, size_t length) {
  char *copy = static_cast<char *>(AllocateOrStop(length + 1));
  memcpy(copy, text, length);
  return copy;
}

// The real path of the executable, cut before its last '/'. Null when the
// system cannot tell us where the executable is.
char *FindProgramDirectory(void) {
  char path[PATH_MAX];
  if (realpath("/proc/self/exe", path) == nullptr) {
    return nullptr;
  }
  return CopyText(path, ProgramDirectoryLength(path, '/', nullptr));
}

// False for SDL's video drivers that draw only into memory.
bool ShowsWindowsToPeople(const char *driver) {
  return driver != nullptr && strcmp(driver, "offscreen") != 0 && strcmp(driver, "dummy") != 0;
}

// Everything that ends with the process, in the order that keeps each step's
// needs alive: the clipboard is handed over while SDL still owns it, and the
// engine library goes before SDL, which it uses.
void ShutDown(void) {
  if (shut_down) {
    return;
  }
  shut_down = true;
  HandClipboardToKeeper();
  UnbindEngine();
  SDL_Quit();
}

} // namespace

SDL_Window *MainWindowOrNull(void) { return main_window; }

void GiveWindowTheProgramIcon(SDL_Window *window) {
  static uint32_t pixels[kIconSize * kIconSize];
  DrawProgramIcon(pixels);
  SDL_Surface *icon = SDL_CreateRGBSurfaceWithFormatFrom(pixels, kIconSize, kIconSize, 32, kIconSize * 4,
                                                         SDL_PIXELFORMAT_ARGB8888);
  if (icon != nullptr) {
    SDL_SetWindowIcon(window, icon);
    SDL_FreeSurface(icon);
  }
}

bool VideoIsReady(void) { return video_ready; }

int DesktopScale(void) { return desktop_scale; }

void StartWindowSystem(void) {
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // Before SDL starts, so that SDL's own handler passes errors on to ours,
  // and SDL puts ours back when it shuts down and closes its connections.
  ForgiveEventsToVanishedWindows();
  // A failure here means there is no display; it is reported when MainWindow
  // cannot be opened.
  StartVideoWithoutComposeTable();
  // With no display SDL falls back to a driver that shows nothing to anyone;
  // the picker would run unseen until killed. That is no display at all.
  if (video_ready && !ShowsWindowsToPeople(SDL_GetCurrentVideoDriver())) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    video_ready = false;
  }
  if (video_ready && strcmp(SDL_GetCurrentVideoDriver(), "x11") == 0) {
    desktop_scale = desktop::ReadDesktopScale(nullptr);
  }

  program_directory = FindProgramDirectory();
  if (program_directory == nullptr) {
    // Without it the engine would be looked for in the wrong place.
    FatalStop(kFatalNoDirectoryText);
  }
  // A program in / has the empty text as its directory (paths built from it
  // start with the separator), but the directory to change to is "/".
  if (chdir(program_directory[0] == '\0' ? "/" : program_directory) != 0) {
    // Nothing depends on it: every path the program uses is absolute.
  }
}

void RegisterExitRoutine(void (*routine)(void)) {
  size_t bytes = (static_cast<size_t>(exit_routine_count) + 1) * sizeof *exit_routines;
  void *grown = realloc(static_cast<void *>(exit_routines), bytes);
  if (grown == nullptr) {
    FatalStop(kFatalNoMemoryText);
  }
  exit_routines = static_cast<void (**)(void)>(grown);
  exit_routines[exit_routine_count++] = routine;
}

void OpenMainWindow(void (*on_created)(void)) {
  SDL_Rect screen;
  if (!video_ready || SDL_GetDisplayBounds(0, &screen) != 0) {
    FatalStop(kFatalNoWindowText);
  }
  int width = kMainWindowWidth * desktop_scale;
  int height = kMainWindowHeight * desktop_scale;
  // C's division truncates toward zero, so a screen narrower than the window
  // by one pixel still gives 0, and a narrower one a negative position.
  int left = screen.x + (screen.w - width) / 2;
  int top = screen.y + (screen.h - height) / 2;
  std::string title = desktop::GbkToUtf8(kMainWindowTitle);
  main_window = SDL_CreateWindow(title.c_str(), left, top, width, height, SDL_WINDOW_HIDDEN);
  if (main_window == nullptr) {
    FatalStop(kFatalNoWindowText);
  }
  GiveWindowTheProgramIcon(main_window);

  on_created();
  SDL_ShowWindow(main_window);
}

uint32_t GetMainWindowHandle(void) { return main_window == nullptr ? 0 : SDL_GetWindowID(main_window); }

void ShowMainWindowIfHidden(void) {
  if (main_window != nullptr && (SDL_GetWindowFlags(main_window) & SDL_WINDOW_SHOWN) == 0) {
    SDL_ShowWindow(main_window);
  }
}

char *GetProgramDirectory(void) { return CopyText(program_directory, strlen(program_directory)); }

char GetPathSeparator(void) { return '/'; }

void *AllocateOrStop(size_t bytes) {
  void *memory = calloc(1, bytes == 0 ? 1 : bytes);
  if (memory == nullptr) {
    FatalStop(kFatalNoMemoryText);
  }
  return memory;
}

void EndProgram(int32_t code) {
  // Taken off the list before they run, so that a routine that ends the
  // program itself does not run them again.
  void (**routines)(void) = exit_routines;
  int count = exit_routine_count;
  exit_routines = nullptr;
  exit_routine_count = 0;
  for (int i = 0; i < count; ++i) {
    routines[i]();
    SeamNoteExitRoutine(i + 1);
  }
  free(static_cast<void *>(routines));
  ShutDown();
  exit(code);
}

void FatalStop(const char *text) {
  ShowMessageBox(text, kFatalTitle, kBoxIconError);
  free(static_cast<void *>(exit_routines));
  exit_routines = nullptr;
  exit_routine_count = 0;
  ShutDown();
  exit(-1);
}
