// Opening a document with the desktop's opener.
#include <SDL.h>
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include "app/window_system.h"

void OpenWithShell(const char *path) {
  // SDL starts xdg-open and does not wait for it. The opener (and the
  // browser it may start) outlives this call: it must neither write to our
  // standard streams nor hold them open, so it gets /dev/null instead.
  fflush(stdout);
  fflush(stderr);
  int saved[3];
  for (int fd = 0; fd < 3; ++fd) {
    saved[fd] = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  }
  int null_fd = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (null_fd >= 0) {
    for (int fd = 0; fd < 3; ++fd) {
      dup2(null_fd, fd);
    }
  }
  SDL_OpenURL(path);
  for (int fd = 0; fd < 3; ++fd) {
    if (saved[fd] >= 0) {
      dup2(saved[fd], fd);
      close(saved[fd]);
    } else {
      close(fd);
    }
  }
  if (null_fd >= 0) {
    close(null_fd);
  }
}
