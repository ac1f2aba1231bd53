// Owners of POSIX file resources, so that every early return cleans up by construction.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <string_view>

#include "engine/file_list.h"

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
// gives it a hidden name (TempNameFor) just before it replaces the old file. Where the
// filesystem has no unnamed files it gets that name at once. The file is held locked (flock)
// while it lives, which tells it apart from the files that killed runs left behind.
class ReplacementFile {
 public:
  // How the file starts: without a name where the filesystem allows, or named at once, as
  // where it does not.
  enum class Start { kUnnamed, kNamed };
  // Creates the file in the directory `dirFd` with `mode` (less the umask); Valid() tells
  // whether that worked, Error() why not.
  explicit ReplacementFile(int dirFd, mode_t mode = 0600, Start start = Start::kUnnamed);
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;
  ~ReplacementFile();

  bool Valid() const { return m_fd.Valid(); }
  int Fd() const { return m_fd.Get(); }
  // The file's status as it was made (its device, inode, owner and mode), kept up to date by
  // SetOwner.
  const struct stat& Status() const { return m_status; }
  // Gives the file the owner `uid` and the group `gid`, where they differ; false (errno) when
  // the system does not allow it.
  bool SetOwner(uid_t uid, gid_t gid);
  int Error() const { return m_error; }
  // The file's name in its directory; empty before Link.
  const std::string& Name() const { return m_name; }
  // Gives the file its temporary name; false (with Error()) when that failed.
  bool Link();
  // The file is in place under another name now: nothing to remove any more.
  void Commit() { m_name.clear(); }

 private:
  bool CreateNamed(mode_t mode);

  int m_dirFd;
  UniqueFd m_fd;
  struct stat m_status {};
  std::string m_name;
  int m_error = 0;
};

// The prefix of every temporary file the program puts beside a file it converts.
inline constexpr char kTempPrefix[] = ".pismovar-";

// A temporary file's name: the prefix, six random letters or digits, and six more that
// follow from those, the file's inode and its owner. A copy of such a file, or a file a user
// named so, does not carry the mark: only the file it was made for does.
std::string TempNameFor(const struct stat& st);
// Whether `name` is the name TempNameFor gave the file `st`.
bool IsTempNameOf(std::string_view name, const struct stat& st);

// Removes from the directory `dirFd` each file that a killed run of this program left there:
// a regular file of the user who runs it, with a single name that TempNameFor gave it, that
// no live run holds locked. Anything else stays; a link is never followed.
void RemoveStaleReplacementFiles(int dirFd);

// The same once per folder in a run: the first time the run writes there.
class StaleFileSweep {
 public:
  void Once(int dirFd);

 private:
  std::set<FileId> m_swept;
};

// Puts files on disk, their data alone (fdatasync) or everything (fsync), many of them in
// flight together, so that one journal commit serves many. One ring serves every batch, and
// the kernel's workers that run its flushes stay between batches.
class SyncBatch {
 public:
  SyncBatch();
  ~SyncBatch();
  SyncBatch(const SyncBatch&) = delete;
  SyncBatch& operator=(const SyncBatch&) = delete;

  // Flushes `fds`; errors[i] gets 0 or the errno of fds[i]. false, with nothing done, where
  // the kernel runs no such batch (no io_uring, or a sandbox forbids it).
  bool Run(std::span<const int> fds, bool dataOnly, std::span<int> errors);

 private:
  struct Ring;
  std::unique_ptr<Ring> m_ring;
  bool m_unavailable = false;
};

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
