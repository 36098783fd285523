// The clipboard keeper. X keeps no clipboard of its own: the text lives in
// the program that owns the selection and is gone when that program ends. So
// a program that ends while it owns the clipboard forks this small keeper,
// which takes the selection over and serves the text until another program
// takes the clipboard or the display goes away.
//
// The keeper can be found by its process name (kKeeperName, which the kernel
// cuts to its first 15 characters: "vorhel-clipboar"), by its window's class
// (the same name, whole) and by _NET_WM_PID on that window.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <initializer_list>

#include "app/linux/window_system_linux.h"

namespace {

constexpr char kKeeperName[] = "vorhel-clipboard";
constexpr char kKeeperClass[] = "Vorhel-clipboard";
// How long the program waits for the keeper to take the clipboard over.
constexpr int kHandOverMilliseconds = 5000;

struct Atoms {
  Atom clipboard;
  Atom targets;
  Atom utf8_string;
  Atom text;
};

int IgnoreError(Display *, XErrorEvent *) { return 0; }

// The display is gone: so is the clipboard.
int DisplayGone(Display *) { _exit(0); }

// Cuts the keeper loose from the program and whoever started it: its own
// session, default signal handling, and no descriptor but keep, which is
// returned moved above the standard streams (those now read and write
// /dev/null).
int Detach(int keep) {
  setsid();
  sigset_t all;
  sigfillset(&all);
  sigprocmask(SIG_UNBLOCK, &all, nullptr);
  for (int sig : {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGCHLD}) {
    signal(sig, SIG_DFL);
  }
  int moved = fcntl(keep, F_DUPFD, 3);
  int null_fd = open("/dev/null", O_RDWR);
  for (int fd = 0; fd < 3; ++fd) {
    dup2(null_fd, fd);
  }
  if (moved > 3) {
    close_range(3, static_cast<unsigned>(moved) - 1, 0);
  }
  close_range(static_cast<unsigned>(moved) + 1, ~0U, 0);
  prctl(PR_SET_NAME, kKeeperName, 0, 0, 0);
  return moved;
}

Window CreateKeeperWindow(Display *display) {
  Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
  XStoreName(display, window, kKeeperName);
  XClassHint hint;
  hint.res_name = const_cast<char *>(kKeeperName);
  hint.res_class = const_cast<char *>(kKeeperClass);
  XSetClassHint(display, window, &hint);
  long pid = getpid();
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char *>(&pid), 1);
  return window;
}

void Answer(Display *display, const Atoms &atoms, const XSelectionRequestEvent &request, const char *text) {
  XSelectionEvent reply{};
  reply.type = SelectionNotify;
  reply.display = display;
  reply.requestor = request.requestor;
  reply.selection = request.selection;
  reply.target = request.target;
  reply.time = request.time;
  reply.property = None;
  // Old clients name no property: the target is the property then.
  Atom property = request.property == None ? request.target : request.property;
  int length = static_cast<int>(strlen(text));
  if (request.selection != atoms.clipboard) {
    // not ours
  } else if (request.target == atoms.targets) {
    Atom offered[] = {atoms.targets, atoms.utf8_string, XA_STRING, atoms.text};
    XChangeProperty(display, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char *>(offered), sizeof offered / sizeof offered[0]);
    reply.property = property;
  } else if ((request.target == atoms.utf8_string || request.target == XA_STRING || request.target == atoms.text) &&
             length < XMaxRequestSize(display) * 4 - 256) {
    // The text is plain ASCII, so it is the same in every one of these.
    Atom type = request.target == atoms.utf8_string ? atoms.utf8_string : XA_STRING;
    XChangeProperty(display, request.requestor, property, type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char *>(text), length);
    reply.property = property;
  }
  XSendEvent(display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent *>(&reply));
  XFlush(display);
}

// The keeper's whole life; never returns. ready receives one byte: 1 once
// the keeper owns the clipboard, 0 if it could not take it.
[[noreturn]] void RunKeeper(const char *display_name, const char *text, int ready) {
  ready = Detach(ready);
  XSetErrorHandler(IgnoreError);
  XSetIOErrorHandler(DisplayGone);
  char answer = 0;
  Display *display = XOpenDisplay(display_name);
  if (display == nullptr) {
    (void)!write(ready, &answer, 1);
    _exit(0);
  }
  Atoms atoms{XInternAtom(display, "CLIPBOARD", False), XInternAtom(display, "TARGETS", False),
              XInternAtom(display, "UTF8_STRING", False), XInternAtom(display, "TEXT", False)};
  Window window = CreateKeeperWindow(display);
  XSetSelectionOwner(display, atoms.clipboard, window, CurrentTime);
  answer = XGetSelectionOwner(display, atoms.clipboard) == window ? 1 : 0;
  (void)!write(ready, &answer, 1);
  close(ready);
  if (answer == 0) {
    _exit(0);
  }
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == SelectionRequest) {
      Answer(display, atoms, event.xselectionrequest, text);
    } else if (event.type == SelectionClear && event.xselectionclear.selection == atoms.clipboard) {
      _exit(0);
    }
  }
}

} // namespace

bool StartClipboardKeeper(const char *display_name, const char *text) {
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) {
    return false;
  }
  pid_t child = fork();
  if (child == 0) {
    close(ready[0]);
    RunKeeper(display_name, text, ready[1]);
  }
  close(ready[1]);
  // Wait until the keeper owns the clipboard, so that it is never empty
  // between our end and the keeper's start.
  char answer = 0;
  bool kept = false;
  if (child > 0) {
    pollfd wait{ready[0], POLLIN, 0};
    int result;
    do {
      result = poll(&wait, 1, kHandOverMilliseconds);
    } while (result < 0 && errno == EINTR);
    kept = result == 1 && read(ready[0], &answer, 1) == 1 && answer == 1;
  }
  close(ready[0]);
  return kept;
}
