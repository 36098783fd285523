// A test-only program on the Linux window system, for what the picker itself
// cannot show without an engine. One mode per run:
//   state       prints MainWindow's state from inside its creation event, then
//               waits for a line on standard input and ends the program
//   modal TEXT  shows MainWindow in one colour, puts TEXT on the clipboard and
//               opens the copy box; when the box is closed, prints what
//               MainWindow was handed meanwhile and ends
//   copy TEXT   puts TEXT on the clipboard and ends at once
//   open PATH   hands PATH to the desktop's opener and ends at once
// Every mode registers one exit routine, which prints "exit routine".
#include <SDL.h>
#include <SDL_syswm.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "app/texts.h"
#include "app/window_system.h"

namespace {

const char *mode = "";
const char *text = "";

// The colour MainWindow shows in the modal mode.
constexpr Uint8 kRed = 40, kGreen = 160, kBlue = 90;

SDL_Window *MainWindow(void) { return SDL_GetWindowFromID(GetMainWindowHandle()); }

void PrintXid(SDL_Window *window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  SDL_GetWindowWMInfo(window, &info);
  printf("xid %lu\n", static_cast<unsigned long>(info.info.x11.window));
}

void PrintState(void) {
  SDL_Window *window = MainWindow();
  char cwd[4096];
  char *directory = GetProgramDirectory();
  printf("cwd %s\n", getcwd(cwd, sizeof cwd) != nullptr ? cwd : "?");
  printf("directory %s\n", directory);
  free(directory);
  PrintXid(window);
  Uint32 flags = SDL_GetWindowFlags(window);
  printf("shown %d resizable %d\n", (flags & SDL_WINDOW_SHOWN) != 0, (flags & SDL_WINDOW_RESIZABLE) != 0);
  printf("title %s\n", SDL_GetWindowTitle(window));
  printf("ready\n");
  fflush(stdout);
  char line[16];
  if (fgets(line, sizeof line, stdin) == nullptr) {
    // ended either way
  }
}

void ShowModalBox(void) {
  SDL_Window *window = MainWindow();
  ShowMainWindowIfHidden();
  // Drawn the way our engine draws: software, on the window's surface.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_Surface *surface = SDL_GetWindowSurface(window);
  PrintXid(window);
  SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, kRed, kGreen, kBlue));
  SDL_UpdateWindowSurface(window);
  printf("clipboard %d\n", PutTextOnClipboard(text));
  fflush(stdout);

  ShowMessageBox(kCopyDoneText, kCopyBoxTitle, kBoxIconInformation);

  // Everything queued for MainWindow by now, whatever poll cycle it is in.
  int input = 0;
  int other = 0;
  SDL_PumpEvents();
  SDL_Event event;
  while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
    bool is_input = event.type >= SDL_KEYDOWN && event.type < SDL_JOYAXISMOTION;
    (is_input ? input : other) += 1;
  }
  printf("after-box input %d other %d\n", input, other);
  fflush(stdout);
}

void NoteExitRoutine(void) {
  printf("exit routine\n");
  fflush(stdout);
}

void OnCreated(void) {
  if (strcmp(mode, "state") == 0) {
    PrintState();
  } else if (strcmp(mode, "modal") == 0) {
    ShowModalBox();
  } else if (strcmp(mode, "copy") == 0) {
    printf("clipboard %d\n", PutTextOnClipboard(text));
    fflush(stdout);
  } else if (strcmp(mode, "open") == 0) {
    OpenWithShell(text);
  }
  EndProgram(0);
}

} // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: %s state | modal TEXT | copy TEXT | open PATH\n", argv[0]);
    return 2;
  }
  mode = argv[1];
  text = argc > 2 ? argv[2] : "";
  StartWindowSystem();
  RegisterExitRoutine(NoteExitRoutine);
  OpenMainWindow(OnCreated);
  return 0;
}
