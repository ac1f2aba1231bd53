#include "engine/posix_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
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

constexpr int kRandomLetters = 6;

// A fresh ".pismovar-PID-XXXXXX" with six random letters or digits.
std::string RandomTempName() {
  constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  constexpr std::uint64_t kLetterCount = sizeof kLetters - 1;
  std::uint64_t bits = 0;
  if (::getrandom(&bits, sizeof bits, 0) != static_cast<ssize_t>(sizeof bits)) {
    // Without randomness the names still differ between moments.
    bits = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  }
  std::string name = kTempPrefix + std::to_string(::getpid()) + '-';
  for (int i = 0; i < kRandomLetters; ++i, bits /= kLetterCount) {
    name += kLetters[bits % kLetterCount];
  }
  return name;
}

// The process id in a name RandomTempName gave; 0 for any other name.
pid_t TempNameProcess(std::string_view name) {
  if (!name.starts_with(kTempPrefix)) return 0;
  name.remove_prefix(sizeof kTempPrefix - 1);
  const std::size_t dash = name.find('-');
  if (dash == std::string_view::npos || name.size() - dash - 1 != kRandomLetters) return 0;
  pid_t pid = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + dash, pid);
  if (error != std::errc{} || end != name.data() + dash || pid <= 0) return 0;
  const std::string_view letters = name.substr(dash + 1);
  const bool random = std::all_of(letters.begin(), letters.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
  });
  return random ? pid : 0;
}

constexpr int kNameAttempts = 100;

}  // namespace

ReplacementFile::ReplacementFile(int dirFd, bool unnamed) : m_dirFd(dirFd) {
  if (unnamed) {
    m_fd = UniqueFd(::openat(dirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    m_error = m_fd.Valid() ? 0 : errno;
  }
  // Filesystems without unnamed files say so in one of these ways.
  if (!unnamed || m_error == EOPNOTSUPP || m_error == EISDIR || m_error == EINVAL) CreateNamed();
  // Where the filesystem has no locks the process id in the name still tells.
  if (m_fd.Valid()) ::flock(m_fd.Get(), LOCK_EX | LOCK_NB);
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
    if (m_fd.Valid()) {
      m_name = std::move(name);
      m_error = 0;
      return true;
    }
    m_error = errno;
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

void RemoveStaleTemporaries(int dirFd) {
  UniqueFd listFd(::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!listFd.Valid()) return;
  DIR* const list = ::fdopendir(listFd.Get());
  if (!list) return;
  listFd.Release();
  const pid_t self = ::getpid();
  while (const dirent* entry = ::readdir(list)) {
    const pid_t pid = TempNameProcess(entry->d_name);
    // A process that is still there, perhaps under another user, may be writing the file.
    if (pid == 0 || pid == self || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
    UniqueFd file(::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat fileStat {};
    struct stat nameStat {};
    if (!file.Valid() || ::fstat(file.Get(), &fileStat) != 0 || !S_ISREG(fileStat.st_mode)) {
      continue;
    }
    // A lock still held belongs to a live run in another process namespace or on another
    // machine; the name must still lead to the file that was examined.
    if (::flock(file.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) continue;
    if (::fstatat(dirFd, entry->d_name, &nameStat, AT_SYMLINK_NOFOLLOW) == 0 &&
        nameStat.st_dev == fileStat.st_dev && nameStat.st_ino == fileStat.st_ino) {
      ::unlinkat(dirFd, entry->d_name, 0);
    }
  }
  ::closedir(list);
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
