// What the test build of the window system adds: a log of every message box
// and every exit routine that runs, and boxes answered at once when asked.
// The shipped build links app/seam/shipped.cpp, whose routines do nothing.
#pragma once

#include <stdint.h>

// Called as a box opens, before it waits for the user.
void SeamNoteMessageBox(const char *text, const char *title, uint32_t icon);
// True when boxes are to be answered at once instead of shown.
bool SeamAnswersBoxes(void);
// Called after the exit routine at position index (from 1) has run.
void SeamNoteExitRoutine(int index);
