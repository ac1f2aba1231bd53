// Loaded into the real program with LD_PRELOAD: every read of a regular file larger than
// 1 MiB waits as on a busy disk, so that a test can act on the windows of a run under way.
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

namespace {

void WaitIfLarge(int fd) {
  constexpr off_t kLarge = off_t{1} << 20;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > kLarge) {
    const timespec pause{0, 50'000'000};
    ::nanosleep(&pause, nullptr);
  }
}

template <class Function>
Function* Next(const char* name) {
  return reinterpret_cast<Function*>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" ssize_t read(int fd, void* buffer, size_t size) {
  static auto* next = Next<ssize_t(int, void*, size_t)>("read");
  WaitIfLarge(fd);
  return next(fd, buffer, size);
}

extern "C" ssize_t pread(int fd, void* buffer, size_t size, off_t offset) {
  static auto* next = Next<ssize_t(int, void*, size_t, off_t)>("pread");
  WaitIfLarge(fd);
  return next(fd, buffer, size, offset);
}
