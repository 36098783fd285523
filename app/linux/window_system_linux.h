// What the files of the Linux window system share with each other; the rest
// of the program sees only app/window_system.h.
#pragma once

struct SDL_Window;

// MainWindow, or null before it is opened (or when it could not be).
SDL_Window *MainWindowOrNull(void);

// True when SDL's video subsystem started, that is, there is a display.
bool VideoIsReady(void);

// The desktop's scale (1 on an ordinary screen, 2 at 192 dpi).
int DesktopScale(void);

// At shutdown: if the program still owns the clipboard, hands the text to a
// detached keeper process so it can still be pasted after the program ends.
void HandClipboardToKeeper(void);

// Starts the keeper: a detached child with its own connection to the display
// named display_name, which owns the clipboard and serves text until another
// program takes the clipboard or the display goes away. Returns true once
// the keeper owns the clipboard.
bool StartClipboardKeeper(const char *display_name, const char *text);

// Gives a window the program's icon.
void GiveWindowTheProgramIcon(SDL_Window *window);

// An event sent to a window that has vanished meanwhile no longer ends the
// program (SDL ends it on any X error). Called before SDL starts.
void ForgiveEventsToVanishedWindows(void);
