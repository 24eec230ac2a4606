#include "tests/calls/disk_flush_count.h"

#include <dlfcn.h>
#include <errno.h>

#include <atomic>

namespace {

std::atomic<uint64_t> g_flushes{0};

using FlushFunction = int (*)(int);

int FlushWith(const char* name, int fd) {
  ++g_flushes;
  // The C library's own function, found past this executable's.
  const auto next = reinterpret_cast<FlushFunction>(dlsym(RTLD_NEXT, name));
  if (next == nullptr) {
    errno = ENOSYS;
    return -1;
  }
  return next(fd);
}

}  // namespace

extern "C" int fsync(int fd) { return FlushWith("fsync", fd); }
extern "C" int fdatasync(int fd) { return FlushWith("fdatasync", fd); }

namespace qav::test {

uint64_t DiskFlushCount() { return g_flushes.load(); }

}  // namespace qav::test
