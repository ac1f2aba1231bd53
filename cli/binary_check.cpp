#include "cli/binary_check.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace pismovar::cli {
namespace {

constexpr std::size_t kMaxControlShare = 10;  // one control character in ten

bool IsTextControl(unsigned char c) { return c == '\t' || c == '\n' || c == '\f' || c == '\r'; }

}  // namespace

bool LooksBinary(const unsigned char* data, std::size_t size) {
  const unsigned char* end = data + size;
  if (std::find(data, end, 0) != end) return true;
  const auto controls = std::count_if(
      data, end, [](unsigned char c) { return (c < 0x20 && !IsTextControl(c)) || c == 0x7F; });
  return static_cast<std::size_t>(controls) * kMaxControlShare > size;
}

bool FileLooksBinary(int fd) {
  std::array<unsigned char, kBinaryCheckSize> start;
  std::size_t size = 0;
  while (size < start.size()) {
    const std::size_t asked = start.size() - size;
    const ssize_t got = ::pread(fd, start.data() + size, asked, static_cast<off_t>(size));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    size += static_cast<std::size_t>(got);
    // A regular file gives less than asked only at its end.
    if (static_cast<std::size_t>(got) < asked) break;
  }
  return LooksBinary(start.data(), size);
}

}  // namespace pismovar::cli
