#include "engine/posix_file.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdlib>
#include <unistd.h>
#include <vector>

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

TempFile::TempFile(const std::string& directory) {
  std::string pattern = directory + "/.pismovar-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkostemp(name.data(), O_CLOEXEC);
  if (fd >= 0) {
    m_fd = UniqueFd(fd);
    m_path = name.data();
  }
}

TempFile::~TempFile() {
  m_fd.Reset();
  if (!m_path.empty()) ::unlink(m_path.c_str());
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

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace pismovar
