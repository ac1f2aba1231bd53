#include "engine/system_calls.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace pismovar {

ssize_t SystemCalls::Read(int fd, void* buffer, std::size_t size) {
  return ::read(fd, buffer, size);
}

ssize_t SystemCalls::ReadAt(int fd, void* buffer, std::size_t size, std::uint64_t offset) {
  return ::pread(fd, buffer, size, static_cast<off_t>(offset));
}

MappedWindow SystemCalls::Map(int fd, std::uint64_t offset, std::size_t size) {
  return MappedWindow(fd, offset, size);
}

bool SystemCalls::Write(int fd, const void* data, std::size_t size) {
  return WriteAll(fd, data, size);
}

void SystemCalls::StartWriteback(int fd) { ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE); }

bool SystemCalls::Sync(int fd) { return ::fsync(fd) == 0; }

bool SystemCalls::SyncFilesystem(int fd) { return ::syncfs(fd) == 0; }

bool SystemCalls::SyncTogether(std::span<const int> fds, bool dataOnly, std::span<int> errors) {
  return m_syncBatch.Run(fds, dataOnly, errors);
}

bool SystemCalls::Replace(int dirFd, const std::string& from, const std::string& to) {
  return ::renameat(dirFd, from.c_str(), dirFd, to.c_str()) == 0;
}

ssize_t SystemCalls::ReadWholeAt(int fd, std::uint8_t* buffer, std::size_t size,
                                 std::uint64_t offset) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ReadAt(fd, buffer + got, size - got, offset + got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

}  // namespace pismovar
