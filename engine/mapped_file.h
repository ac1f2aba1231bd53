// Reading a regular file through a mapping of its pages instead of a copy of them. Another
// program may cut the file short while it is mapped; reading a page past its new end raises
// SIGBUS, which would kill the process (so does a page the disk fails to give). A program that
// lets the engine map its files (Converter::Settings::mapInput) therefore gets a handler of
// SIGBUS: a window cut short reads as zeros from then on and says so, and the run fails
// instead of writing them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pismovar {

// Installs the handler of SIGBUS, once for the process; false where it could not, and the
// files are then read. The handler takes only faults in the engine's windows; any other fault
// goes on to the handling there was before. A library inside another program leaves the signal
// to that program and does not call it.
bool AllowMappedReads();

// `size` bytes at `offset` of a regular file, mapped for reading while the window lives.
class MappedWindow {
 public:
  MappedWindow() = default;
  // Maps the bytes and brings their pages in; no window (false) before AllowMappedReads, for
  // size 0, or where the system refuses the mapping.
  MappedWindow(int fd, std::uint64_t offset, std::size_t size);
  ~MappedWindow();
  MappedWindow(MappedWindow&& other) noexcept;
  MappedWindow& operator=(MappedWindow&& other) noexcept;

  explicit operator bool() const { return m_data != nullptr; }
  const std::uint8_t* Data() const { return m_data; }
  std::uint64_t Offset() const { return m_offset; }
  std::size_t Size() const { return m_size; }
  // Whether the file was cut short beneath the window: what was read of it since then may be
  // zeros in place of the text.
  bool Cut() const;

 private:
  void Release();

  void* m_base = nullptr;  // the mapping, from a page boundary
  std::size_t m_length = 0;
  const std::uint8_t* m_data = nullptr;
  std::uint64_t m_offset = 0;
  std::size_t m_size = 0;
  int m_slot = -1;  // where the handler finds the mapping
};

}  // namespace pismovar
