#include "engine/posix_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace pismovar {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
  if (this != &other) {
    Reset();
    m_fd = other.Release();
  }
  return *this;
}

int UniqueFd::Release() {
  const int fd = m_fd;
  m_fd = -1;
  return fd;
}

bool UniqueFd::Reset() {
  if (m_fd < 0) return true;
  const bool ok = ::close(m_fd) == 0;
  m_fd = -1;
  return ok;
}

namespace {

// A fresh ".pismovar-XXXXXX" with six random letters or digits.
std::string RandomTempName() {
  constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  constexpr std::uint64_t kLetterCount = sizeof kLetters - 1;
  std::uint64_t bits = 0;
  if (::getrandom(&bits, sizeof bits, 0) != static_cast<ssize_t>(sizeof bits)) {
    // Without randomness the names still differ between processes and moments.
    bits = static_cast<std::uint64_t>(::getpid()) << 32 ^
           static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  }
  std::string name = kTempPrefix;
  for (int i = 0; i < 6; ++i, bits /= kLetterCount) name += kLetters[bits % kLetterCount];
  return name;
}

constexpr int kNameAttempts = 100;

// Whether `name` in the directory `dirFd` is the open file `fd`.
bool NameLeadsTo(int dirFd, const char* name, int fd) {
  struct stat byName {};
  struct stat byFd {};
  return ::fstatat(dirFd, name, &byName, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &byFd) == 0 &&
         byName.st_dev == byFd.st_dev && byName.st_ino == byFd.st_ino;
}

// Locks `fd` for as long as it is open; false only when another process holds it. A
// filesystem without locks cannot tell a live file from a stale one, and no sweep removes
// anything there.
bool HoldLocked(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK; }

}  // namespace

ReplacementFile::ReplacementFile(int dirFd) : m_dirFd(dirFd) {
  m_fd = UniqueFd(::openat(dirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
  if (m_fd.Valid()) {
    HoldLocked(m_fd.Get());  // nobody else can see an unnamed file yet
    return;
  }
  m_error = errno;
  // Filesystems without unnamed files say so in one of these ways.
  if (m_error == EOPNOTSUPP || m_error == EISDIR || m_error == EINVAL) {
    RemoveStaleReplacementFiles(dirFd);
    CreateNamed();
  }
}

ReplacementFile::~ReplacementFile() {
  m_fd.Reset();
  if (!m_name.empty()) ::unlinkat(m_dirFd, m_name.c_str(), 0);
}

bool ReplacementFile::CreateNamed() {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name = RandomTempName();
    m_fd = UniqueFd(
        ::openat(m_dirFd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    // Another run's sweep may take a new file before it is locked: then try another name.
    if (m_fd.Valid() && HoldLocked(m_fd.Get()) && NameLeadsTo(m_dirFd, name.c_str(), m_fd.Get())) {
      m_name = std::move(name);
      m_error = 0;
      return true;
    }
    m_error = m_fd.Valid() ? EEXIST : errno;
    if (m_error != EEXIST) return false;
  }
  return false;
}

bool ReplacementFile::Link() {
  if (!m_name.empty()) return true;
  const std::string self = "/proc/self/fd/" + std::to_string(m_fd.Get());
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name = RandomTempName();
    int linked = ::linkat(AT_FDCWD, self.c_str(), m_dirFd, name.c_str(), AT_SYMLINK_FOLLOW);
    // Without /proc only a privileged process can name an open file.
    if (linked != 0 && errno == ENOENT) {
      linked = ::linkat(m_fd.Get(), "", m_dirFd, name.c_str(), AT_EMPTY_PATH);
    }
    if (linked == 0) {
      m_name = std::move(name);
      return true;
    }
    m_error = errno;
    if (m_error != EEXIST) return false;
  }
  return false;
}

void RemoveStaleReplacementFiles(int dirFd) {
  UniqueFd listFd(::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  DIR* dir = listFd.Valid() ? ::fdopendir(listFd.Get()) : nullptr;
  if (dir == nullptr) return;
  listFd.Release();  // the stream owns it now
  constexpr std::size_t kNameLength = sizeof kTempPrefix - 1 + 6;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name.size() != kNameLength || !name.starts_with(kTempPrefix)) continue;
    UniqueFd fd(::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    // A live run holds its file locked; the name must still be the file that was looked at.
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) == 0 && NameLeadsTo(dirFd, entry->d_name, fd.Get())) {
      ::unlinkat(dirFd, entry->d_name, 0);
    }
  }
  ::closedir(dir);
}

ssize_t ReadFull(int fd, void* buffer, std::size_t size) {
  auto* out = static_cast<char*>(buffer);
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, out + got, size - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(got);
}

bool WriteAll(int fd, const void* data, std::size_t size) {
  const auto* in = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, in, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    in += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::string BaseNameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace pismovar
