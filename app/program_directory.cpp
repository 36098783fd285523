#include "app/program_directory.h"

size_t ProgramDirectoryLength(const char *path, char separator, bool (*is_lead_byte)(unsigned char)) {
  size_t last = 0;
  for (size_t i = 0; path[i] != '\0'; ++i) {
    unsigned char byte = static_cast<unsigned char>(path[i]);
    if (is_lead_byte != nullptr && is_lead_byte(byte)) {
      if (path[i + 1] == '\0') {
        break;
      }
      ++i; // the trail byte is part of this character
    } else if (path[i] == separator) {
      last = i;
    }
  }
  return last;
}
