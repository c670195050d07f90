// libkestrel-faults.so: an LD_PRELOAD shim that makes chosen file operations of a process fail
// the way a full or failing disk does, or kills the process in the middle of one, so tests
// and scripts/soak can show what the host leaves behind.
//
// Rules come from the environment variable KESTREL_FAULTS and, when KESTREL_FAULTS_FILE
// names a file, from that file too (re-read when it changes, so a running process can be
// given faults and freed of them). Rules are separated by ";" or line breaks:
//
//   ACTION:OPERATION:PATTERN[:FIRST[:COUNT]]
//
//   ACTION     enospc | eio     the call fails with that errno (nothing is written or read)
//              kill             write: half the bytes are written, then SIGKILL;
//                               rename, fsync: SIGKILL before the call
//              overflow         read of an inotify descriptor (PATTERN "inotify"): the events
//                               read are replaced by one IN_Q_OVERFLOW, as when the kernel's
//                               queue overflowed
//   OPERATION  write (write, pwrite, pwrite64, writev), read (read, pread, pread64), rename,
//              fsync (fsync, fdatasync), open (a creating open fails; only enospc, eio)
//   PATTERN    a text the file's path must contain (rename: either path)
//   FIRST      the first matching call that faults, counted from 1 (default 1)
//   COUNT      how many matching calls fault from there; 0 (the default) means all
//
// Each fault is written once to standard error as "kestrel-faults: ACTION OPERATION PATH".
// Only files opened while the shim is loaded are known by path. Thread-safe.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <stdarg.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <time.h>
#include <unistd.h>

enum { kMaxFds = 65536, kMaxRules = 32, kMaxPattern = 256 };
enum Action { kNone, kENOSPC, kEIO, kKill, kOverflow };
enum Operation { kWrite, kRead, kRename, kFsync, kOpen };

struct Rule {
  enum Action action;
  enum Operation operation;
  char pattern[kMaxPattern];
  long first, count;
  atomic_long seen;
};

static pthread_mutex_t gLock = PTHREAD_MUTEX_INITIALIZER;
static char* gPaths[kMaxFds];
static struct Rule gRules[kMaxRules];
static int gRuleCount;
static char gRuleText[8192];
static struct timespec gFileStamp;
static struct timespec gLastCheck;
static int gLoaded;

// The next definition of `name` (libc's), looked up once.
#define REAL(name) \
  static __typeof__(&name) real_##name; \
  if (!real_##name) real_##name = (__typeof__(&name))dlsym(RTLD_NEXT, #name)

static int parseRule(const char* text, struct Rule* rule) {
  char buf[512];
  snprintf(buf, sizeof buf, "%s", text);
  char* fields[5] = {0};
  int n = 0;
  char* save = NULL;
  for (char* f = strtok_r(buf, ":", &save); f && n < 5; f = strtok_r(NULL, ":", &save)) fields[n++] = f;
  if (n < 3) return 0;
  memset(rule, 0, sizeof *rule);
  if (!strcmp(fields[0], "enospc")) rule->action = kENOSPC;
  else if (!strcmp(fields[0], "eio")) rule->action = kEIO;
  else if (!strcmp(fields[0], "kill")) rule->action = kKill;
  else if (!strcmp(fields[0], "overflow")) rule->action = kOverflow;
  else return 0;
  if (!strcmp(fields[1], "write")) rule->operation = kWrite;
  else if (!strcmp(fields[1], "read")) rule->operation = kRead;
  else if (!strcmp(fields[1], "rename")) rule->operation = kRename;
  else if (!strcmp(fields[1], "fsync")) rule->operation = kFsync;
  else if (!strcmp(fields[1], "open")) rule->operation = kOpen;
  else return 0;
  snprintf(rule->pattern, sizeof rule->pattern, "%s", fields[2]);
  rule->first = n > 3 ? atol(fields[3]) : 1;
  rule->count = n > 4 ? atol(fields[4]) : 0;
  if (rule->first < 1) rule->first = 1;
  return 1;
}

// REQUIRES: gLock held.
static void setRules(const char* text) {
  if (!strcmp(text, gRuleText)) return;
  snprintf(gRuleText, sizeof gRuleText, "%s", text);
  gRuleCount = 0;
  char buf[8192];
  snprintf(buf, sizeof buf, "%s", text);
  char* save = NULL;
  for (char* r = strtok_r(buf, ";\n", &save); r && gRuleCount < kMaxRules; r = strtok_r(NULL, ";\n", &save))
    if (parseRule(r, &gRules[gRuleCount])) ++gRuleCount;
}

// The file's rules, re-read at most every 20 ms of real time. REQUIRES: gLock held.
static void refreshRules(void) {
  const char* file = getenv("KESTREL_FAULTS_FILE");
  if (!gLoaded) {
    gLoaded = 1;
    const char* env = getenv("KESTREL_FAULTS");
    if (env && !file) setRules(env);
  }
  if (!file) return;
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  long elapsedMs = (now.tv_sec - gLastCheck.tv_sec) * 1000 + (now.tv_nsec - gLastCheck.tv_nsec) / 1000000;
  if (elapsedMs < 20 && gLastCheck.tv_sec) return;
  gLastCheck = now;
  struct stat st;
  char text[8192] = "";
  const char* env = getenv("KESTREL_FAULTS");
  if (env) snprintf(text, sizeof text, "%s;", env);
  if (stat(file, &st) == 0) {
    if (st.st_mtim.tv_sec == gFileStamp.tv_sec && st.st_mtim.tv_nsec == gFileStamp.tv_nsec) return;
    gFileStamp = st.st_mtim;
    REAL(open);
    REAL(read);
    REAL(close);
    int fd = real_open(file, O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
      size_t used = strlen(text);
      ssize_t n = real_read(fd, text + used, sizeof text - used - 1);
      if (n > 0) text[used + (size_t)n] = 0;
      real_close(fd);
    }
  } else {
    gFileStamp.tv_sec = gFileStamp.tv_nsec = 0;
  }
  setRules(text);
}

// The action for this call on `path` (a second path for rename), counting the call.
static enum Action decide(enum Operation operation, const char* path, const char* path2) {
  if (!path && !path2) return kNone;
  pthread_mutex_lock(&gLock);
  refreshRules();
  enum Action action = kNone;
  for (int i = 0; i < gRuleCount && action == kNone; ++i) {
    struct Rule* r = &gRules[i];
    if (r->operation != operation) continue;
    if (!((path && strstr(path, r->pattern)) || (path2 && strstr(path2, r->pattern)))) continue;
    long k = ++r->seen;
    if (k < r->first || (r->count > 0 && k >= r->first + r->count)) continue;
    action = r->action;
  }
  pthread_mutex_unlock(&gLock);
  if (action != kNone) {
    static const char* actions[] = {"", "enospc", "eio", "kill", "overflow"};
    static const char* operations[] = {"write", "read", "rename", "fsync", "open"};
    char line[1024];
    int n = snprintf(line, sizeof line, "kestrel-faults: %s %s %s\n", actions[action], operations[operation],
                     path ? path : path2);
    REAL(write);
    if (n > 0) real_write(2, line, (size_t)n < sizeof line ? (size_t)n : sizeof line - 1);
  }
  return action;
}

// The path the fd was opened with, copied for this thread; none for unknown descriptors.
static const char* pathOf(int fd) {
  static __thread char copy[4096];
  if (fd < 0 || fd >= kMaxFds) return NULL;
  pthread_mutex_lock(&gLock);
  const char* known = gPaths[fd];
  if (known) snprintf(copy, sizeof copy, "%s", known);
  pthread_mutex_unlock(&gLock);
  return known ? copy : NULL;
}

static void remember(int fd, const char* path) {
  if (fd < 0 || fd >= kMaxFds || !path) return;
  char* copy = strdup(path);
  pthread_mutex_lock(&gLock);
  free(gPaths[fd]);
  gPaths[fd] = copy;
  pthread_mutex_unlock(&gLock);
}

static void forget(int fd) {
  if (fd < 0 || fd >= kMaxFds) return;
  pthread_mutex_lock(&gLock);
  free(gPaths[fd]);
  gPaths[fd] = NULL;
  pthread_mutex_unlock(&gLock);
}

static int failWith(enum Action action) {
  errno = action == kENOSPC ? ENOSPC : EIO;
  return -1;
}

static int openFault(const char* path, int flags) {
  if (!(flags & O_CREAT)) return 0;
  enum Action a = decide(kOpen, path, NULL);
  return a == kENOSPC || a == kEIO ? failWith(a) : 0;
}

int open(const char* path, int flags, ...) {
  mode_t mode = 0;
  if (flags & (O_CREAT | O_TMPFILE)) {
    va_list ap;
    va_start(ap, flags);
    mode = va_arg(ap, mode_t);
    va_end(ap);
  }
  if (openFault(path, flags) < 0) return -1;
  REAL(open);
  int fd = real_open(path, flags, mode);
  remember(fd, path);
  return fd;
}

int open64(const char* path, int flags, ...) {
  mode_t mode = 0;
  if (flags & (O_CREAT | O_TMPFILE)) {
    va_list ap;
    va_start(ap, flags);
    mode = va_arg(ap, mode_t);
    va_end(ap);
  }
  if (openFault(path, flags) < 0) return -1;
  REAL(open64);
  int fd = real_open64(path, flags, mode);
  remember(fd, path);
  return fd;
}

int openat(int dir, const char* path, int flags, ...) {
  mode_t mode = 0;
  if (flags & (O_CREAT | O_TMPFILE)) {
    va_list ap;
    va_start(ap, flags);
    mode = va_arg(ap, mode_t);
    va_end(ap);
  }
  if (openFault(path, flags) < 0) return -1;
  REAL(openat);
  int fd = real_openat(dir, path, flags, mode);
  remember(fd, path);
  return fd;
}

int openat64(int dir, const char* path, int flags, ...) {
  mode_t mode = 0;
  if (flags & (O_CREAT | O_TMPFILE)) {
    va_list ap;
    va_start(ap, flags);
    mode = va_arg(ap, mode_t);
    va_end(ap);
  }
  if (openFault(path, flags) < 0) return -1;
  REAL(openat64);
  int fd = real_openat64(dir, path, flags, mode);
  remember(fd, path);
  return fd;
}

int close(int fd) {
  forget(fd);
  REAL(close);
  return real_close(fd);
}

// Writes half of the buffer, then ends the process with SIGKILL: a write torn by a crash.
static void killMidWrite(int fd, const void* buf, size_t n) {
  REAL(write);
  if (n > 1) real_write(fd, buf, n / 2);
  kill(getpid(), SIGKILL);
  pause();
}

static int writeFault(int fd, const void* buf, size_t n) {
  const char* path = pathOf(fd);
  if (!path) return 0;
  enum Action a = decide(kWrite, path, NULL);
  if (a == kKill) killMidWrite(fd, buf, n);
  return a == kNone ? 0 : failWith(a);
}

ssize_t write(int fd, const void* buf, size_t n) {
  if (writeFault(fd, buf, n) < 0) return -1;
  REAL(write);
  return real_write(fd, buf, n);
}

ssize_t pwrite(int fd, const void* buf, size_t n, off_t offset) {
  const char* path = pathOf(fd);
  if (path) {
    enum Action a = decide(kWrite, path, NULL);
    if (a == kKill) {
      REAL(pwrite);
      if (n > 1) real_pwrite(fd, buf, n / 2, offset);
      kill(getpid(), SIGKILL);
      pause();
    }
    if (a != kNone) return failWith(a);
  }
  REAL(pwrite);
  return real_pwrite(fd, buf, n, offset);
}

ssize_t pwrite64(int fd, const void* buf, size_t n, off64_t offset) {
  const char* path = pathOf(fd);
  if (path) {
    enum Action a = decide(kWrite, path, NULL);
    if (a == kKill) {
      REAL(pwrite64);
      if (n > 1) real_pwrite64(fd, buf, n / 2, offset);
      kill(getpid(), SIGKILL);
      pause();
    }
    if (a != kNone) return failWith(a);
  }
  REAL(pwrite64);
  return real_pwrite64(fd, buf, n, offset);
}

ssize_t writev(int fd, const struct iovec* iov, int count) {
  const char* path = pathOf(fd);
  if (path) {
    enum Action a = decide(kWrite, path, NULL);
    if (a == kKill) {
      if (count > 0) killMidWrite(fd, iov[0].iov_base, iov[0].iov_len);
      kill(getpid(), SIGKILL);
    }
    if (a != kNone) return failWith(a);
  }
  REAL(writev);
  return real_writev(fd, iov, count);
}

static int readFault(int fd) {
  const char* path = pathOf(fd);
  if (!path) return 0;
  enum Action a = decide(kRead, path, NULL);
  if (a == kOverflow) return 1;
  return a == kENOSPC || a == kEIO ? failWith(a) : 0;
}

int inotify_init1(int flags) {
  REAL(inotify_init1);
  int fd = real_inotify_init1(flags);
  remember(fd, "inotify");
  return fd;
}

int inotify_init(void) {
  REAL(inotify_init);
  int fd = real_inotify_init();
  remember(fd, "inotify");
  return fd;
}

ssize_t read(int fd, void* buf, size_t n) {
  int fault = readFault(fd);
  if (fault < 0) return -1;
  REAL(read);
  ssize_t got = real_read(fd, buf, n);
  if (fault == 1 && got > 0 && n >= sizeof(struct inotify_event)) {
    struct inotify_event overflow = {.wd = -1, .mask = IN_Q_OVERFLOW, .cookie = 0, .len = 0};
    memcpy(buf, &overflow, sizeof overflow);
    return (ssize_t)sizeof overflow;
  }
  return got;
}

ssize_t pread(int fd, void* buf, size_t n, off_t offset) {
  if (readFault(fd) < 0) return -1;
  REAL(pread);
  return real_pread(fd, buf, n, offset);
}

ssize_t pread64(int fd, void* buf, size_t n, off64_t offset) {
  if (readFault(fd) < 0) return -1;
  REAL(pread64);
  return real_pread64(fd, buf, n, offset);
}

static int syncFault(int fd) {
  const char* path = pathOf(fd);
  if (!path) return 0;
  enum Action a = decide(kFsync, path, NULL);
  if (a == kKill) {
    kill(getpid(), SIGKILL);
    pause();
  }
  return a == kNone ? 0 : failWith(a);
}

int fsync(int fd) {
  if (syncFault(fd) < 0) return -1;
  REAL(fsync);
  return real_fsync(fd);
}

int fdatasync(int fd) {
  if (syncFault(fd) < 0) return -1;
  REAL(fdatasync);
  return real_fdatasync(fd);
}

int rename(const char* from, const char* to) {
  enum Action a = decide(kRename, from, to);
  if (a == kKill) {
    kill(getpid(), SIGKILL);
    pause();
  }
  if (a != kNone) return failWith(a);
  REAL(rename);
  return real_rename(from, to);
}
