// The window system: the program's one door to the platform. Everything the
// program needs of the operating system (its window, message boxes, the
// clipboard, the shell, ending the process) goes through these routines; one
// implementation per platform lives in app/<platform>/, and the build picks it.
//
// Texts are GBK, NUL-terminated. A routine that returns a new text allocates
// it with malloc; the caller releases it with free.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Message box kinds (the Win32 MB_ICON* values).
inline constexpr uint32_t kBoxIconError = 16;       // MB_ICONERROR
inline constexpr uint32_t kBoxIconInformation = 64; // MB_ICONINFORMATION

// Start-up step 1: work out the program directory and make it the current
// directory, initialise the platform (OLE on Windows).
void StartWindowSystem(void);

// Adds a routine that EndProgram runs, in order of registration.
void RegisterExitRoutine(void (*routine)(void));

// Opens MainWindow hidden and centred, gives it its icon and raises its
// creation event by calling on_created. Shows the window only if on_created
// returns (which the program's handler never does). A window that cannot be
// opened is a FatalStop.
void OpenMainWindow(void (*on_created)(void));

// The handle of MainWindow as the engine takes it.
uint32_t GetMainWindowHandle(void);

// Shows MainWindow in its normal state if it is not shown yet.
void ShowMainWindowIfHidden(void);

// The program directory as a new text, without a trailing separator.
char *GetProgramDirectory(void);

// The separator between a directory and a file name on this platform.
char GetPathSeparator(void);

// Zero-filled memory, or a FatalStop when there is none.
void *AllocateOrStop(size_t bytes);

// A task-modal box with no owner, one OK button and the given icon kind;
// returns when the user has closed it.
void ShowMessageBox(const char *text, const char *title, uint32_t icon);

// Replaces the clipboard's content with text. Returns true when the
// clipboard holds the text afterwards.
bool PutTextOnClipboard(const char *text);

// Hands a document (an absolute path) to the desktop's opener. Does not wait
// and reports nothing.
void OpenWithShell(const char *path);

// Runs the exit routines, shuts the window system down (which unloads the
// engine library) and ends the process with code. Never returns.
[[noreturn]] void EndProgram(int32_t code);

// Shows text in an error box, drops the exit routines, shuts the window
// system down and ends the process with -1. Never returns.
[[noreturn]] void FatalStop(const char *text);
