// The engine's life on MainWindow, from creation to the end of the program.
#include "app/lifecycle.h"

#include <stdlib.h>

#include "app/program_directory.h"
#include "app/texts.h"
#include "app/window_system.h"
#include "engine/engine.h"
#include "frame/frame_cycle.h"
#include "ui/control_panel.h"

namespace {

// The engine's log file, beside the executable.
constexpr char kLogFileName[] = "debug.txt";

} // namespace

void OnMainWindowCreated(void) {
  uint32_t window = GetMainWindowHandle();
  char *directory = GetProgramDirectory();
  char *log_path = JoinDirectoryAndFile(directory, kLogFileName);
  free(directory);

  int32_t created = System_CreateKV2D(1, window, 1, 1, 1, 0, 1, 0, 1, 800, 600, 32, -1, 0, 0, "",
                                      kEngineCreateText, log_path, 1);
  free(log_path);
  if (created == 0) {
    ShowMessageBox(kEngineFailedText, kEngineFailedTitle, kBoxIconError);
    EndProgram(0);
  }

  Resource_LoadFont(kFontMain, kFontFaceMain, 10, 25, 20, 0);
  BuildControlPanel();
  System_SetFrameFunction(OnFrame);
  System_SetRenderFunction(OnRender);

  // The engine normally shows the window it was given; one that does not
  // leaves it to us.
  ShowMainWindowIfHidden();
  System_KV2DRun();
  System_KV2DStop();
  EndProgram(0);
}
