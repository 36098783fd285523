#include "app/test_seam.h"

void SeamNoteMessageBox(const char *, const char *, uint32_t) {}
bool SeamAnswersBoxes(void) { return false; }
void SeamNoteExitRoutine(int) {}
