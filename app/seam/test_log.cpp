// The test build's seam. VORHEL_TEST_LOG names a file to which one line is
// appended per event:
//   box icon=<kind> title=<hex bytes> text=<hex bytes>
//   exit-routine <index>
// VORHEL_TEST_ANSWER_BOXES=1 makes every box return at once, as if OK had
// been pressed.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/test_seam.h"

namespace {

void WriteHex(FILE *file, const char *text) {
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p != 0; ++p) {
    fprintf(file, "%02X", *p);
  }
}

FILE *OpenLog(void) {
  const char *path = getenv("VORHEL_TEST_LOG");
  return path == nullptr || path[0] == '\0' ? nullptr : fopen(path, "a");
}

} // namespace

void SeamNoteMessageBox(const char *text, const char *title, uint32_t icon) {
  FILE *log = OpenLog();
  if (log == nullptr) {
    return;
  }
  fprintf(log, "box icon=%u title=", static_cast<unsigned>(icon));
  WriteHex(log, title);
  fputs(" text=", log);
  WriteHex(log, text);
  fputc('\n', log);
  fclose(log);
}

bool SeamAnswersBoxes(void) {
  const char *answer = getenv("VORHEL_TEST_ANSWER_BOXES");
  return answer != nullptr && strcmp(answer, "1") == 0;
}

void SeamNoteExitRoutine(int index) {
  FILE *log = OpenLog();
  if (log == nullptr) {
    return;
  }
  fprintf(log, "exit-routine %d\n", index);
  fclose(log);
}
