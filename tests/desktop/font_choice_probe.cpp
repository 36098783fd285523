// Asks for the Chinese font for a face name, as the engine and the boxes do,
// and says how the answer came:
//
//   font_choice_probe FACE
//     remembered-before <0|1>   whether an earlier run's choices still held
//     remembered <0|1>          whether this answer is one of them
//     fontconfig-started <0|1>  whether fontconfig read its font caches
//     font <has-cjk> <index> <path>
#include <stdio.h>
#include <string.h>

#include "common/cjk_font.h"
#include "common/font_choices.h"

namespace {

// fontconfig maps the cache file of every font directory when it starts.
bool FontconfigStarted(void) {
  FILE *maps = fopen("/proc/self/maps", "re");
  if (maps == nullptr) {
    return false;
  }
  char line[4096];
  bool started = false;
  while (fgets(line, sizeof line, maps) != nullptr) {
    if (strstr(line, ".cache-") != nullptr) {
      started = true;
    }
  }
  fclose(maps);
  return started;
}

} // namespace

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s FACE\n", argv[0]);
    return 2;
  }
  bool before = desktop::FontChoicesRemembered();
  desktop::FontFace font = desktop::FindCjkFont(argv[1]);
  printf("remembered-before %d\nremembered %d\nfontconfig-started %d\nfont %d %d %s\n", before ? 1 : 0,
         font.remembered ? 1 : 0, FontconfigStarted() ? 1 : 0, font.has_cjk ? 1 : 0, font.index, font.path.c_str());
  return 0;
}
