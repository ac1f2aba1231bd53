// Owners of POSIX file resources, so that every early return cleans up by construction.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

namespace pismovar {

// A file descriptor, closed when the owner goes.
class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : m_fd(fd) {}
  UniqueFd(UniqueFd&& other) noexcept : m_fd(other.Release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept;
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }

  int Get() const { return m_fd; }
  bool Valid() const { return m_fd >= 0; }
  int Release();
  // Closes the descriptor; false when close reported an error (a delayed write failure).
  bool Reset();

 private:
  int m_fd = -1;
};

// The new text of a file, written beside it and put in its place only when complete. The
// file starts without a name (O_TMPFILE), so a crash or kill -9 leaves nothing behind; Link
// gives it a hidden name ".pismovar-XXXXXX" just before it replaces the old file. Where the
// filesystem has no unnamed files it is created under that name at once, after the files of
// that name which killed runs left there are removed. The file is held locked (flock) while
// it lives, which tells it apart from those.
class ReplacementFile {
 public:
  // Creates the file in the directory `dirFd`; Valid() tells whether that worked, Error()
  // why not.
  explicit ReplacementFile(int dirFd);
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;
  ~ReplacementFile();

  bool Valid() const { return m_fd.Valid(); }
  int Fd() const { return m_fd.Get(); }
  int Error() const { return m_error; }
  // The file's name in its directory; empty before Link.
  const std::string& Name() const { return m_name; }
  // Gives the file its temporary name; false (with Error()) when that failed.
  bool Link();
  // The file is in place under another name now: nothing to remove any more.
  void Commit() { m_name.clear(); }

 private:
  bool CreateNamed();

  int m_dirFd;
  UniqueFd m_fd;
  std::string m_name;
  int m_error = 0;
};

// The prefix of every temporary file the program puts beside a file it converts.
inline constexpr char kTempPrefix[] = ".pismovar-";

// Removes from the directory `dirFd` each regular file named ".pismovar-XXXXXX" that no
// ReplacementFile holds locked: one that a killed run left behind. Never follows a link.
void RemoveStaleReplacementFiles(int dirFd);

// Reads until `size` bytes have arrived or the input ends; retries interrupted reads.
// Returns the bytes read, or -1 on a read error.
ssize_t ReadFull(int fd, void* buffer, std::size_t size);

// Writes all `size` bytes; retries short and interrupted writes. false on any failure.
bool WriteAll(int fd, const void* data, std::size_t size);

// The directory part of a path ("." for a bare name).
std::string DirectoryOf(const std::string& path);
// The last part of a path: what names the file within DirectoryOf(path).
std::string BaseNameOf(const std::string& path);

}  // namespace pismovar
