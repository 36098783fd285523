/* Preloaded into 32-bit Wine when it runs under user-mode emulation (see
 * tests/wine/emulated/README.md). It mends two places where the emulator
 * does not behave as the kernel does, and which Wine relies on:
 *
 * - SIGSEGV arrives with the trap number of the signal context set to -1,
 *   where the processor would say "page fault" (14). Wine tells page faults
 *   apart by that number and takes any other for a fatal fault, so stack
 *   growth and every other fault it handles itself would end the process.
 *   The SIGSEGV handler that Wine installs is wrapped, and the page-fault
 *   number put back before Wine sees the context.
 *
 * - mmap with MAP_FIXED_NOREPLACE over a taken range maps elsewhere instead
 *   of failing with EEXIST. Wine, reserving the Windows address space, then
 *   keeps ranges above the user-space limit and later finds the shared user
 *   data page taken. Such a call is made to fail as the kernel fails it.
 *
 * Freestanding on purpose: it is built with the host compiler's -m32 and
 * needs no 32-bit C library headers. Layouts are those of i386 Linux. */

typedef void (*signal_handler)(int, void *, void *);
typedef unsigned int size_t;

struct i386_sigaction {
  signal_handler handler;
  unsigned long mask[32];
  int flags;
  void (*restorer)(void);
};

enum {
  kSigSegv = 11,
  kSaSigInfo = 4,
  kTrapPageFault = 14,
  kTrapProtectionFault = 13,
  kSegvMapErr = 1,
  kSegvAccErr = 2,
  /* siginfo: si_signo, si_errno, si_code. */
  kSiCodeOffset = 8,
  /* ucontext: uc_flags, uc_link, uc_stack (3 words), then the registers. */
  kRegistersOffset = 20,
  kRegTrapNo = 12,
  kMapFixedNoReplace = 0x100000,
  kErrorExists = 17,
};

#define MAP_FAILED ((void *)-1)
#define RTLD_NEXT ((void *)-1l)

extern void *dlsym(void *handle, const char *name);
extern int *__errno_location(void);
extern int munmap(void *address, size_t length);

static void *next(const char *name) { return dlsym(RTLD_NEXT, name); }

/* ---- the trap number ---- */

static signal_handler wine_handler;

static void page_fault_handler(int signal, void *info, void *context) {
  int *registers = (int *)((char *)context + kRegistersOffset);
  if (registers[kRegTrapNo] == -1) {
    /* A fault on an address says so in its code; anything else the
       processor would have called a protection fault. */
    int code = *(int *)((char *)info + kSiCodeOffset);
    registers[kRegTrapNo] = code == kSegvMapErr || code == kSegvAccErr ? kTrapPageFault : kTrapProtectionFault;
  }
  wine_handler(signal, info, context);
}

int sigaction(int signal, const struct i386_sigaction *action, struct i386_sigaction *old) {
  static int (*real)(int, const struct i386_sigaction *, struct i386_sigaction *);
  if (real == 0) {
    real = (int (*)(int, const struct i386_sigaction *, struct i386_sigaction *))next("sigaction");
  }
  if (signal == kSigSegv && action != 0 && (action->flags & kSaSigInfo) != 0 &&
      action->handler != page_fault_handler) {
    struct i386_sigaction wrapped = *action;
    wine_handler = action->handler;
    wrapped.handler = page_fault_handler;
    return real(signal, &wrapped, old);
  }
  return real(signal, action, old);
}

/* ---- MAP_FIXED_NOREPLACE ---- */

static void *refuse_elsewhere(void *wanted, void *got, size_t length, int flags) {
  if ((flags & kMapFixedNoReplace) != 0 && got != MAP_FAILED && got != wanted) {
    munmap(got, length);
    *__errno_location() = kErrorExists;
    return MAP_FAILED;
  }
  return got;
}

void *mmap(void *address, size_t length, int protection, int flags, int fd, long offset) {
  static void *(*real)(void *, size_t, int, int, int, long);
  if (real == 0) {
    real = (void *(*)(void *, size_t, int, int, int, long))next("mmap");
  }
  return refuse_elsewhere(address, real(address, length, protection, flags, fd, offset), length, flags);
}

void *mmap64(void *address, size_t length, int protection, int flags, int fd, long long offset) {
  static void *(*real)(void *, size_t, int, int, int, long long);
  if (real == 0) {
    real = (void *(*)(void *, size_t, int, int, int, long long))next("mmap64");
  }
  return refuse_elsewhere(address, real(address, length, protection, flags, fd, offset), length, flags);
}
