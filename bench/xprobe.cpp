// The benchmark's X client (see bench/run).
//
//   vorhel-bench-xprobe launch DX DY RRGGBB TIMEOUT_MS LOG -- PROGRAM [ARGS...]
//       Starts PROGRAM (its output to LOG) and times it: when its top-level
//       window was mapped, and when the root window's pixel at (DX, DY) from
//       the window's top-left corner first shows the colour RRGGBB, polled
//       every 2 ms with XGetImage. The program is left running. Prints
//           pid <pid>
//           mapped_ms <ms>
//           frame_ms <ms>
//           window <x> <y> <width> <height>
//       Exit status 2 when the program ended or the timeout passed first.
//   vorhel-bench-xprobe pixel X Y
//       Prints the root window's pixel at (X, Y) as RRGGBB.
//   vorhel-bench-xprobe move X Y
//       Moves the pointer to (X, Y) through XTest.
//   vorhel-bench-xprobe sweep X Y WIDTH HEIGHT MOVES INTERVAL_MS
//       Moves the pointer MOVES times, INTERVAL_MS apart, along a closed
//       Lissajous figure (3:2) that spans the rectangle less a 4% margin.
//       Prints the time the sweep took in ms.
//
// Times are from CLOCK_MONOTONIC; the launch clock starts just before fork.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int64_t kPollNs = 2'000'000;

int64_t Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

void SleepUntil(int64_t ns) {
  timespec t{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) != 0) {
  }
}

double Ms(int64_t ns) { return static_cast<double>(ns) / 1e6; }

Display *OpenDisplay() {
  Display *display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "xprobe: cannot open the display\n");
    std::exit(1);
  }
  // A launched program must not inherit our connection.
  fcntl(ConnectionNumber(display), F_SETFD, FD_CLOEXEC);
  return display;
}

// The root window's pixel as 0xRRGGBB, or -1 when it cannot be read.
long RootPixel(Display *display, int x, int y) {
  Window root = DefaultRootWindow(display);
  XImage *image = XGetImage(display, root, x, y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) {
    return -1;
  }
  unsigned long pixel = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  return static_cast<long>(pixel & 0xFFFFFF); // the screen is 24-bit TrueColor, 8 bits a channel
}

int IgnoreErrors(Display *, XErrorEvent *) { return 0; }

long ParseColour(const char *text) {
  char *end = nullptr;
  long value = std::strtol(text, &end, 16);
  if (end == text || *end != '\0' || value < 0 || value > 0xFFFFFF) {
    std::fprintf(stderr, "xprobe: not a colour RRGGBB: %s\n", text);
    std::exit(1);
  }
  return value;
}

int Launch(int dx, int dy, long expected, int timeout_ms, const char *log, char **argv) {
  Display *display = OpenDisplay();
  XSetErrorHandler(IgnoreErrors); // windows may vanish while we look at them
  Window root = DefaultRootWindow(display);
  XSelectInput(display, root, SubstructureNotifyMask);
  XSync(display, False);

  int64_t start = Now();
  pid_t pid = fork();
  if (pid < 0) {
    std::perror("xprobe: fork");
    return 1;
  }
  if (pid == 0) {
    int out = open(log, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out >= 0) {
      dup2(out, 1);
      dup2(out, 2);
    }
    int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (in >= 0) dup2(in, 0);
    setpgid(0, 0); // its own group, so that it can be ended with all it starts
    execvp(argv[0], argv);
    std::perror("xprobe: exec");
    _exit(127);
  }

  bool mapped = false;
  int64_t mapped_at = 0;
  XWindowAttributes where{};
  int64_t deadline = start + static_cast<int64_t>(timeout_ms) * 1'000'000;
  int64_t tick = start + kPollNs;
  pollfd x_connection{ConnectionNumber(display), POLLIN, 0};
  for (;;) {
    // Take in events until the next tick, noting the map at once.
    for (;;) {
      while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != MapNotify || mapped || event.xmap.override_redirect) {
          continue;
        }
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display, event.xmap.window, &attributes) != 0 && attributes.width >= 64 &&
            attributes.height >= 64) {
          mapped = true;
          mapped_at = Now();
          where = attributes; // a child of the root: its position is on the screen
        }
      }
      int64_t now = Now();
      if (now >= tick) {
        break;
      }
      poll(&x_connection, 1, static_cast<int>((tick - now + 999'999) / 1'000'000));
    }
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      std::fprintf(stderr, "xprobe: the program ended before its first frame (status %d)\n", status);
      return 2;
    }
    if (mapped && RootPixel(display, where.x + dx, where.y + dy) == expected) {
      int64_t shown = Now();
      std::printf("pid %d\nmapped_ms %.2f\nframe_ms %.2f\nwindow %d %d %d %d\n", static_cast<int>(pid),
                  Ms(mapped_at - start), Ms(shown - start), where.x, where.y, where.width, where.height);
      return 0;
    }
    if (Now() > deadline) {
      std::fprintf(stderr, "xprobe: no first frame within %d ms (window %s)\n", timeout_ms,
                   mapped ? "mapped" : "not mapped");
      std::printf("pid %d\n", static_cast<int>(pid));
      return 2;
    }
    tick += kPollNs;
  }
}

int Move(int x, int y) {
  Display *display = OpenDisplay();
  XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime);
  XSync(display, False);
  XCloseDisplay(display);
  return 0;
}

int Sweep(int x, int y, int width, int height, int moves, int interval_ms) {
  Display *display = OpenDisplay();
  int screen = DefaultScreen(display);
  const double pi = std::acos(-1.0);
  double cx = x + width / 2.0, cy = y + height / 2.0;
  double ax = width * 0.46, ay = height * 0.46;
  int64_t start = Now();
  for (int i = 0; i < moves; ++i) {
    SleepUntil(start + static_cast<int64_t>(i) * interval_ms * 1'000'000);
    double t = 2.0 * pi * i / moves;
    int px = static_cast<int>(std::lround(cx + ax * std::sin(3.0 * t + pi / 2.0)));
    int py = static_cast<int>(std::lround(cy + ay * std::sin(2.0 * t)));
    XTestFakeMotionEvent(display, screen, px, py, CurrentTime);
    XFlush(display);
  }
  XSync(display, False);
  std::printf("%.1f\n", Ms(Now() - start));
  XCloseDisplay(display);
  return 0;
}

int Usage() {
  std::fprintf(stderr,
               "usage: vorhel-bench-xprobe launch DX DY RRGGBB TIMEOUT_MS LOG -- PROGRAM [ARGS...]\n"
               "       vorhel-bench-xprobe pixel X Y\n"
               "       vorhel-bench-xprobe move X Y\n"
               "       vorhel-bench-xprobe sweep X Y WIDTH HEIGHT MOVES INTERVAL_MS\n");
  return 1;
}

} // namespace

int main(int argc, char **argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  auto number = [&](size_t i) { return std::atoi(args[i].c_str()); };
  if (args.size() >= 8 && args[0] == "launch" && args[6] == "--") {
    return Launch(number(1), number(2), ParseColour(args[3].c_str()), number(4), args[5].c_str(), argv + 8);
  }
  if (args.size() == 3 && args[0] == "pixel") {
    Display *display = OpenDisplay();
    long pixel = RootPixel(display, number(1), number(2));
    XCloseDisplay(display);
    if (pixel < 0) return 1;
    std::printf("%06lX\n", pixel);
    return 0;
  }
  if (args.size() == 3 && args[0] == "move") {
    return Move(number(1), number(2));
  }
  if (args.size() == 7 && args[0] == "sweep") {
    return Sweep(number(1), number(2), number(3), number(4), number(5), number(6));
  }
  return Usage();
}
