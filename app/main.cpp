// Program entry: the order of start-up.
#include "app/lifecycle.h"
#include "app/window_system.h"
#include "frame/swatch_hit_list.h"

int main(void) {
  StartWindowSystem();
  CreateSwatchHitList();
  RegisterExitRoutine(ReleaseSwatchHitList);
  // The creation event runs OnMainWindowCreated, which ends the program on
  // every path: this call does not come back.
  OpenMainWindow(OnMainWindowCreated);
  return 0;
}
