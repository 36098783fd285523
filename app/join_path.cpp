#include <string.h>

#include "app/program_directory.h"
#include "app/window_system.h"

char *JoinDirectoryAndFile(const char *directory, const char *file_name) {
  size_t directory_length = strlen(directory);
  size_t name_length = strlen(file_name);
  char *path = static_cast<char *>(AllocateOrStop(directory_length + 1 + name_length + 1));
  memcpy(path, directory, directory_length);
  path[directory_length] = GetPathSeparator();
  memcpy(path + directory_length + 1, file_name, name_length + 1);
  return path;
}
