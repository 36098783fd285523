/* Preloaded into 32-bit Wine when it runs under user-mode emulation (see
 * tests/wine/emulated/README.md). It mends three places where the emulator
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
 * - The emulator keeps one descriptor table (GDT) for all threads of a
 *   process, where the kernel keeps the thread-local entries per thread.
 *   A thread that reloads a segment register from such an entry gets the
 *   base of whichever thread wrote it last, and Wine reloads %fs (its TEB)
 *   and %gs (the C library's thread pointer, through which its Unix side
 *   finds the TEB too) in every signal handler and on every return to
 *   Windows code with a full context; the emulator's sigreturn reloads them
 *   as well. So, once a process has a second thread, a thread may go on as
 *   another one (the desktop process died of it). Both move to the local
 *   descriptor table (LDT), one entry per thread, which is per process in
 *   the kernel as well: Wine is refused the thread-local entry it asks for,
 *   and takes its own LDT entry per thread, as it does where there is none;
 *   the C library's thread pointer of every thread is put in an LDT entry
 *   of its own here, below the entries Wine then leaves to the C library.
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

/* ---- the thread-local descriptors ---- */

struct i386_user_desc {
  unsigned int entry_number;
  unsigned int base_addr;
  unsigned int limit;
  unsigned int flags;
};

enum {
  kSysModifyLdt = 123,
  kSysYield = 158,
  kSysSignalMask = 175,
  kSysSetThreadArea = 243,
  kModifyLdtWrite = 0x11,
  kErrorNoSuchEntry = 3,
  kSignalBlock = 0,
  kSignalSetMask = 2,
  kSignalSetSize = 8,
  /* seg_32bit, limit_in_pages, useable: the C library's own descriptor. */
  kThreadPointerFlags = 1 | 16 | 64,
  kWholeSpaceInPages = 0xfffff,
  kLdtSelector = 4,
  kLdtSelectorBits = 7,
  /* With %gs in the LDT, Wine takes its entries from 512 on. */
  kLibraryLdtEntries = 512,
};

typedef long (*syscall_function)(long, ...);

static syscall_function real_syscall(void) {
  static syscall_function real;
  if (real == 0) {
    real = (syscall_function)next("syscall");
  }
  return real;
}

static long system_call(long number, long a, long b, long c, long d) { return real_syscall()(number, a, b, c, d); }

/* Wine asks for a free thread-local entry of the GDT for its TEB; refused,
   as the kernel refuses it when all are taken, it gives every thread an LDT
   entry of its own. */
long syscall(long number, ...) {
  long args[6];
  __builtin_va_list list;
  __builtin_va_start(list, number);
  for (int i = 0; i < 6; ++i) {
    args[i] = __builtin_va_arg(list, long);
  }
  __builtin_va_end(list);
  if (number == kSysSetThreadArea && args[0] != 0 &&
      ((const struct i386_user_desc *)args[0])->entry_number == (unsigned int)-1) {
    *__errno_location() = kErrorNoSuchEntry;
    return -1;
  }
  return real_syscall()(number, args[0], args[1], args[2], args[3], args[4], args[5]);
}

static unsigned short gs_selector(void) {
  unsigned short selector;
  __asm__ volatile("movw %%gs, %0" : "=r"(selector));
  return selector;
}

static void load_gs(unsigned short selector) { __asm__ volatile("movw %0, %%gs" : : "r"(selector) : "memory"); }

/* The C library's thread control block starts with a pointer to itself. */
static unsigned int thread_pointer(void) {
  unsigned int pointer;
  __asm__ volatile("movl %%gs:0, %0" : "=r"(pointer));
  return pointer;
}

extern int pthread_key_create(unsigned int *key, void (*destructor)(void *));
extern int pthread_setspecific(unsigned int key, const void *value);

/* The C library's thread-local GDT selector, once the main thread has left it. */
static unsigned short library_selector;
/* The thread pointer each LDT entry below Wine's holds; 0 for a free one. */
static unsigned int entry_pointer[kLibraryLdtEntries];
static unsigned int entry_key;
/* Held from one thread creation until the new thread has its own entry. */
static int creating;

static void release_entry(void *entry) { __atomic_store_n(&entry_pointer[(unsigned int)entry], 0, __ATOMIC_RELEASE); }

/* Moves the calling thread's %gs to an LDT entry holding its thread pointer. */
static void take_own_entry(void) {
  unsigned int pointer = thread_pointer();
  unsigned int entry = 0;
  for (unsigned int i = 1; i < kLibraryLdtEntries && entry == 0; ++i) {
    if (__atomic_load_n(&entry_pointer[i], __ATOMIC_ACQUIRE) == 0) {
      entry = i;
    }
  }
  if (entry == 0) {
    return; /* every entry taken: this thread stays on the shared one */
  }
  struct i386_user_desc descriptor = {entry, pointer, kWholeSpaceInPages, kThreadPointerFlags};
  if (system_call(kSysModifyLdt, kModifyLdtWrite, (long)&descriptor, sizeof descriptor, 0) != 0) {
    return;
  }
  entry_pointer[entry] = pointer;
  pthread_setspecific(entry_key, (const void *)entry);
  load_gs((unsigned short)(entry << 3 | kLdtSelectorBits));
}

__attribute__((constructor)) static void main_thread_takes_own_entry(void) {
  unsigned short selector = gs_selector();
  if (selector == 0 || (selector & kLdtSelector) != 0 || pthread_key_create(&entry_key, release_entry) != 0) {
    return;
  }
  library_selector = selector;
  take_own_entry();
}

struct thread_start {
  void *(*routine)(void *);
  void *argument;
  unsigned long signal_mask[2];
  int started;
};

static void *start_on_own_entry(void *data) {
  struct thread_start *start = data;
  void *(*routine)(void *) = start->routine;
  void *argument = start->argument;
  unsigned long signal_mask[2] = {start->signal_mask[0], start->signal_mask[1]};
  take_own_entry();
  __atomic_store_n(&start->started, 1, __ATOMIC_RELEASE);
  system_call(kSysSignalMask, kSignalSetMask, (long)signal_mask, 0, kSignalSetSize);
  return routine(argument);
}

/* The C library hands a new thread the thread-local entry that the
   creator's %gs names, so the creator names the shared entry, with its own
   pointer in it, while it creates one; until the new thread has moved to its
   own entry, no other thread creates one and no signal but a fault (whose
   return would reload %gs) reaches the creator. */
int pthread_create(void *thread, const void *attributes, void *(*routine)(void *), void *argument) {
  static int (*real)(void *, const void *, void *(*)(void *), void *);
  if (real == 0) {
    real = (int (*)(void *, const void *, void *(*)(void *), void *))next("pthread_create");
  }
  unsigned short own = gs_selector();
  if (library_selector == 0 || (own & kLdtSelector) == 0) {
    return real(thread, attributes, routine, argument);
  }
  struct thread_start start = {routine, argument, {0, 0}, 0};
  /* Every signal but SIGILL, SIGTRAP, SIGBUS, SIGFPE and SIGSEGV. */
  unsigned long block[2] = {~((1ul << 3) | (1ul << 4) | (1ul << 6) | (1ul << 7) | (1ul << 10)), ~0ul};
  system_call(kSysSignalMask, kSignalBlock, (long)block, (long)start.signal_mask, kSignalSetSize);
  while (__atomic_exchange_n(&creating, 1, __ATOMIC_ACQUIRE) != 0) {
    system_call(kSysYield, 0, 0, 0, 0);
  }
  struct i386_user_desc shared = {library_selector >> 3, thread_pointer(), kWholeSpaceInPages, kThreadPointerFlags};
  system_call(kSysSetThreadArea, (long)&shared, 0, 0, 0);
  load_gs(library_selector);
  int result = real(thread, attributes, start_on_own_entry, &start);
  while (result == 0 && __atomic_load_n(&start.started, __ATOMIC_ACQUIRE) == 0) {
    system_call(kSysYield, 0, 0, 0, 0);
  }
  load_gs(own);
  __atomic_store_n(&creating, 0, __ATOMIC_RELEASE);
  system_call(kSysSignalMask, kSignalSetMask, (long)start.signal_mask, 0, kSignalSetSize);
  return result;
}
