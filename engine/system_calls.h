// The calls on files that a conversion or a detection depends on, in one place: the engine
// makes them through this interface, and tests replace single calls to inject failures and
// to hold a run at a chosen moment.
#pragma once

#include <sys/types.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <new>
#include <span>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

#include "engine/mapped_file.h"
#include "engine/outcome.h"
#include "engine/posix_file.h"

namespace pismovar {

class SystemCalls {
 public:
  virtual ~SystemCalls() = default;

  // Reads once: what has arrived, up to `size` bytes; 0 at the end; -1 with errno EINTR
  // when a signal interrupted the wait.
  virtual ssize_t Read(int fd, void* buffer, std::size_t size);
  // The same at `offset` of a regular file. A full detection and a two-thread conversion
  // call it from two threads at once, for different parts of the file.
  virtual ssize_t ReadAt(int fd, void* buffer, std::size_t size, std::uint64_t offset);
  // Maps `size` bytes at `offset` of a regular file; no window where mapping is not allowed
  // (AllowMappedReads) or the system refuses it.
  virtual MappedWindow Map(int fd, std::uint64_t offset, std::size_t size);
  virtual bool Write(int fd, const void* data, std::size_t size);
  // Starts writing a file's data to disk without waiting.
  virtual void StartWriteback(int fd);
  // Puts a written file, or a folder, on disk (fsync). It may take seconds on a large file.
  virtual bool Sync(int fd);
  // Puts everything written on the filesystem of `fd` on disk (syncfs).
  virtual bool SyncFilesystem(int fd);
  // Puts the files `fds` on disk together (posix_file.h); false, with nothing done, where the
  // kernel runs no such batch.
  virtual bool SyncTogether(std::span<const int> fds, bool dataOnly, std::span<int> errors);
  // Renames `from` to `to`, both in the directory `dirFd`, replacing `to`.
  virtual bool Replace(int dirFd, const std::string& from, const std::string& to);

  // Reads `size` bytes at `offset` through ReadAt, fewer only where the file ends; -1 with
  // errno on a failure.
  ssize_t ReadWholeAt(int fd, std::uint8_t* buffer, std::size_t size, std::uint64_t offset);

 private:
  SyncBatch m_syncBatch;
};

// Runs `work` on a second thread that the result joins. Where the system starts no thread
// (a limit on processes or on memory), the result is empty and the caller's thread does all the
// work.
template <typename Work>
std::jthread StartSecondThread(Work work) {
  try {
    return std::jthread(std::move(work));
  } catch (const std::system_error&) {
    return {};
  } catch (const std::bad_alloc&) {
    return {};
  }
}

// Runs `work`; memory that cannot be had fails the file `path`, which nothing has changed yet:
// every file and temporary file is owned by an object that undoes its part.
template <typename Work>
Outcome CatchNoMemory(const std::string& path, Work work) {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return Outcome::Failed(Outcome::Failure::kNoMemory, Outcome::File::kInput, path, ENOMEM);
  }
}

}  // namespace pismovar
