#include "engine/in_place_batch.h"

#include <acl/libacl.h>
#include <attr/libattr.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>

namespace pismovar {
namespace {

using Failure = Outcome::Failure;
using File = Outcome::File;

bool OutOfDescriptors(const Outcome& outcome) {
  return outcome.result == Outcome::kFailed && (outcome.error == EMFILE || outcome.error == ENFILE);
}

// What a held file keeps open (its input, its new file, a share of its directory), and what
// the next file and its caller need beside the batch.
constexpr std::size_t kDescriptorsPerFile = 3;
constexpr std::size_t kSpareDescriptors = 8;

// Whether `count` more descriptors can be opened now; `fd` is any open one.
bool DescriptorsLeft(int fd, std::size_t count) {
  std::vector<UniqueFd> probes;
  probes.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    probes.emplace_back(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (!probes.back().Valid()) return false;
  }
  return true;
}

std::size_t DescriptorLimit() {
  struct rlimit limit {};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
    return SIZE_MAX;
  }
  return static_cast<std::size_t>(limit.rlim_cur);
}

}  // namespace

InPlaceBatch::Closer::~Closer() {
  {
    const std::lock_guard lock(m_mutex);
    m_ending = true;
  }
  m_changed.notify_all();
  if (m_thread.joinable()) m_thread.join();
}

void InPlaceBatch::Closer::Close(UniqueFd fd) {
  if (!m_inBackground) return;
  std::unique_lock lock(m_mutex);
  if (!m_started) {
    m_started = true;
    m_thread = StartSecondThread([this] {
      std::unique_lock closerLock(m_mutex);
      while (true) {
        m_changed.wait(closerLock, [&] { return m_ending || !m_waiting.empty(); });
        if (m_waiting.empty()) return;
        std::vector<UniqueFd> closing = std::move(m_waiting);
        m_waiting.clear();
        m_changed.notify_all();
        closerLock.unlock();
        closing.clear();
        closerLock.lock();
      }
    });
  }
  // Without the thread, the caller closes.
  if (!m_thread.joinable()) return;
  m_changed.wait(lock, [&] { return m_waiting.size() < kMaxWaiting; });
  m_waiting.push_back(std::move(fd));
  m_changed.notify_all();
}

InPlaceBatch::InPlaceBatch(SystemCalls& system, const Watch& watch, StaleFileSweep& sweep)
    : m_system(system),
      m_watch(watch),
      m_sweep(sweep),
      m_descriptorLimit(DescriptorLimit()),
      m_closer(m_descriptorLimit) {}

InPlaceBatch::~InPlaceBatch() = default;

// An in-place conversion whose text is complete but not yet in place. The members are
// destroyed in reverse order: the unnamed file goes before the directory it lies in.
struct InPlaceBatch::Held {
  std::string path;                     // the input as named
  std::string directory;                // where the real file lies, for messages
  std::string name;                     // its name there
  std::shared_ptr<const UniqueFd> dir;  // shared by the held files of one directory
  int dirSource = -1;                   // in a walked tree, the caller's descriptor of it
  UniqueFd in;                          // holds the lock until the replacement is done
  struct stat inStat {};
  std::unique_ptr<ReplacementFile> temp;
  SeenFiles* run = nullptr;  // gets the converted file once it is in place
};

Outcome InPlaceBatch::RewriteOne(const std::string& path, bool followLink, const Rewrite& rewrite) {
  Batch one;
  one.push_back(std::make_unique<Held>());
  if (Outcome prepared = PrepareInPlace(rewrite, path, followLink, *one.front());
      prepared.result != Outcome::kDone) {
    return prepared;
  }
  return PutInPlace(one).front().second;
}

bool InPlaceBatch::ShareDirectory(Held& held) const {
  if (m_held.empty()) return false;
  const Held& last = *m_held.back();
  if (last.directory != held.directory || last.dirSource != held.dirSource) return false;
  held.dir = last.dir;
  return true;
}

Outcome InPlaceBatch::PrepareInPlace(const Rewrite& rewrite, const std::string& path,
                                     bool followLink, Held& held) {
  // A link is resolved once, here; from then on the run works only through the descriptors
  // of the real file's directory and of the file it opened, never through a name again.
  std::string target = path;
  struct stat linkStat {};
  if (::lstat(path.c_str(), &linkStat) == 0 && S_ISLNK(linkStat.st_mode)) {
    if (!followLink) return Outcome::Failed(Failure::kSymlink, File::kInput, path);
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return Outcome::Failed(Failure::kInputOpen, File::kInput, path, errno);
    target = real;
    std::free(real);
  }
  held.path = path;
  held.directory = DirectoryOf(target);
  held.name = BaseNameOf(target);
  return OpenDirectory(rewrite, held);
}

Outcome InPlaceBatch::OpenDirectory(const Rewrite& rewrite, Held& held) {
  if (!ShareDirectory(held)) {
    auto dir = std::make_shared<UniqueFd>(
        ::open(held.directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir->Valid()) return Outcome::Failed(Failure::kInputOpen, File::kInput, held.path, errno);
    held.dir = std::move(dir);
  }
  return PrepareInDirectory(rewrite, held);
}

Outcome InPlaceBatch::PrepareInDirectory(const Rewrite& rewrite, Held& held) {
  const std::string& path = held.path;
  const int dirFd = held.dir->Get();
  // The caller may have opened and looked at the file already.
  if (!held.in.Valid()) {
    held.in = UniqueFd(
        ::openat(dirFd, held.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!held.in.Valid()) {
      // The name became a link after it was looked at.
      if (errno == ELOOP) return Outcome::Failed(Failure::kSymlink, File::kInput, path);
      return Outcome::Failed(Failure::kInputOpen, File::kInput, path, errno);
    }
    if (::fstat(held.in.Get(), &held.inStat) != 0) {
      return Outcome::Failed(Failure::kInputOpen, File::kInput, path, errno);
    }
  }
  const struct stat& inStat = held.inStat;
  if (!S_ISREG(inStat.st_mode)) return Outcome::Failed(Failure::kNotRegular, File::kInput, path);
  // Two runs on one file would each put their own text in its place, and one would be lost:
  // the lock, held until the replacement is done, makes the second one fail. A filesystem
  // without locks (some network and FUSE ones) still has the check before the rename.
  if (::flock(held.in.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    return Outcome::Failed(Failure::kLocked, File::kInput, path);
  }
  // Only now, with the lock, is it sure which file this name leads to: after a wait for the
  // batch that held it, another name of a file converted meanwhile leads to the new text.
  if (held.run != nullptr && held.run->Contains(FileIdOf(inStat))) {
    return Outcome::Failed(Failure::kRepeated, File::kInput, path);
  }

  // A folder shared with the file before was swept for it.
  if (m_held.empty() || m_held.back()->dir != held.dir) m_sweep.Once(dirFd);
  // The new file starts with the input's permissions, less the others' right to write, so
  // that most files need no change of mode afterwards.
  held.temp = std::make_unique<ReplacementFile>(
      dirFd, inStat.st_mode & (S_IRWXU | S_IRGRP | S_IXGRP | S_IROTH | S_IXOTH));
  ReplacementFile& temp = *held.temp;
  if (!temp.Valid()) {
    return Outcome::Failed(Failure::kOutputOpen, File::kTemporary, held.directory, temp.Error());
  }
  // The new file must belong to whom the old one did. Only root may give a file away, and a
  // user only to a group of theirs; where that is not allowed the run stops before any work.
  if (!temp.SetOwner(inStat.st_uid, inStat.st_gid)) {
    return Outcome::Failed(Failure::kOwnerNotKept, File::kInput, path, errno);
  }

  const Outcome outcome = rewrite(held.in.Get(), inStat, path, temp.Fd(), held.directory);
  if (outcome.result != Outcome::kDone) return outcome;
  // Where neither file has extended attributes (no ACL either: a folder's default ACL would
  // have given the new file one), the mode is all there is to keep. A folder without them gives
  // its new files none.
  const mode_t mode = inStat.st_mode & 07777;
  const auto bareDirectory = [&] {
    if (m_bareDirectory.lock() == held.dir) return true;
    if (::flistxattr(dirFd, nullptr, 0) != 0) return false;
    m_bareDirectory = held.dir;
    return true;
  };
  if (::flistxattr(held.in.Get(), nullptr, 0) == 0 &&
      (bareDirectory() || ::flistxattr(temp.Fd(), nullptr, 0) == 0)) {
    if ((temp.Status().st_mode & 07777) != mode && ::fchmod(temp.Fd(), mode) != 0) {
      return Outcome::Failed(Failure::kAttributesNotKept, File::kInput, path, errno);
    }
    return {};
  }
  // The mode with the ACLs, then the other extended attributes.
  if (::perm_copy_fd(path.c_str(), held.in.Get(), held.directory.c_str(), temp.Fd(), nullptr) !=
          0 ||
      ::attr_copy_fd(path.c_str(), held.in.Get(), held.directory.c_str(), temp.Fd(), nullptr,
                     nullptr) != 0) {
    return Outcome::Failed(Failure::kAttributesNotKept, File::kInput, path, errno);
  }
  return {};
}

std::vector<std::pair<std::string, Outcome>> InPlaceBatch::PutInPlace(Batch& batch) {
  std::vector<std::pair<std::string, Outcome>> outcomes;
  for (const auto& held : batch) outcomes.emplace_back(held->path, Outcome{});
  // A file replaces its input only once it is on disk.
  MakeDurable(batch, false, outcomes);
  // Going to disk can take seconds: a cancel that came meanwhile still leaves the inputs as
  // they were.
  if (m_watch.StepAndCheckStop()) {
    for (auto& [path, outcome] : outcomes) {
      if (outcome.result == Outcome::kDone) outcome = Outcome::Cancelled();
    }
  }
  for (std::size_t i = 0; i < batch.size(); ++i) {
    if (outcomes[i].second.result != Outcome::kDone) continue;
    Held& held = *batch[i];
    ReplacementFile& temp = *held.temp;
    Outcome& outcome = outcomes[i].second;
    if (!temp.Link()) {
      outcome = Outcome::Failed(Failure::kReplace, File::kTemporary, held.directory, temp.Error());
      continue;
    }
    // The name must still lead to the file that was read, and that file must be as it was:
    // otherwise another program moved, replaced or wrote to it, and its work would be lost.
    // A program that writes and then sets the modification time back (cp -p, rsync, tar)
    // still changes the change time, which nobody can set. The name's status, once it is the
    // same file's, is that file's status now.
    struct stat nowStat {};
    const struct stat& was = held.inStat;
    if (::fstatat(held.dir->Get(), held.name.c_str(), &nowStat, AT_SYMLINK_NOFOLLOW) != 0 ||
        FileIdOf(nowStat) != FileIdOf(was) || nowStat.st_size != was.st_size ||
        nowStat.st_mtim.tv_sec != was.st_mtim.tv_sec ||
        nowStat.st_mtim.tv_nsec != was.st_mtim.tv_nsec ||
        nowStat.st_ctim.tv_sec != was.st_ctim.tv_sec ||
        nowStat.st_ctim.tv_nsec != was.st_ctim.tv_nsec) {
      outcome = Outcome::Failed(Failure::kChanged, File::kInput, held.path);
      continue;
    }
    if (!m_system.Replace(held.dir->Get(), temp.Name(), held.name)) {
      outcome = Outcome::Failed(Failure::kReplace, File::kTemporary,
                                held.directory + "/" + temp.Name(), errno);
      continue;
    }
    temp.Commit();
    if (held.run != nullptr) held.run->Add(FileIdOf(temp.Status()));
  }
  // The new names, too, are on disk before the run says it is done.
  MakeDurable(batch, true, outcomes);
  // The lock of an input with another name goes now: that name may be next.
  for (const auto& held : batch) {
    if (held->in.Valid() && held->inStat.st_nlink > 1) ::flock(held->in.Get(), LOCK_UN);
    m_closer.Close(std::move(held->in));
  }
  batch.clear();
  return outcomes;
}

void InPlaceBatch::MakeDurable(const Batch& batch, bool folders,
                               std::vector<std::pair<std::string, Outcome>>& outcomes) {
  const auto fdOf = [&](std::size_t i) {
    return folders ? batch[i]->dir->Get() : batch[i]->temp->Fd();
  };
  const auto fail = [&](std::size_t j, int error) {
    if (outcomes[j].second.result != Outcome::kDone) return;
    outcomes[j].second =
        folders ? Outcome::Failed(Failure::kReplace, File::kInput, batch[j]->path, error)
                : Outcome::Failed(Failure::kWrite, File::kTemporary, batch[j]->directory, error);
  };
  // One file is flushed alone.
  if (batch.size() == 1) {
    if (outcomes[0].second.result == Outcome::kDone && !m_system.Sync(fdOf(0))) fail(0, errno);
    return;
  }
  // The writeback of every new file starts first, so that their blocks are allocated before
  // any flush commits: then one journal commit serves the whole batch.
  if (!folders) {
    for (const auto& held : batch) m_system.StartWriteback(held->temp->Fd());
  }
  // Each new file's data, or each folder once, all in flight together; what other programs
  // have written waits for nobody.
  std::vector<int> fds;
  std::vector<std::size_t> slot(batch.size(), SIZE_MAX);
  for (std::size_t i = 0; i < batch.size(); ++i) {
    if (outcomes[i].second.result != Outcome::kDone) continue;
    for (std::size_t j = 0; j < i && folders && slot[i] == SIZE_MAX; ++j) {
      if (slot[j] != SIZE_MAX && batch[j]->dir == batch[i]->dir) slot[i] = slot[j];
    }
    if (slot[i] != SIZE_MAX) continue;
    slot[i] = fds.size();
    fds.push_back(fdOf(i));
  }
  std::vector<int> errors(fds.size(), 0);
  if (m_system.SyncTogether(fds, !folders, errors)) {
    for (std::size_t i = 0; i < batch.size(); ++i) {
      if (slot[i] != SIZE_MAX && errors[slot[i]] != 0) fail(i, errors[slot[i]]);
    }
    return;
  }
  // Where the kernel runs no such batch, one flush of each filesystem costs one journal commit
  // instead of one per file.
  for (std::size_t i = 0; i < batch.size(); ++i) {
    bool first = true;
    for (std::size_t j = 0; j < i && first; ++j) {
      first = batch[j]->inStat.st_dev != batch[i]->inStat.st_dev;
    }
    if (!first || m_system.SyncFilesystem(fdOf(i))) continue;
    const int error = errno;
    for (std::size_t j = i; j < batch.size(); ++j) {
      if (batch[j]->inStat.st_dev == batch[i]->inStat.st_dev) fail(j, error);
    }
  }
}

Outcome InPlaceBatch::Hold(InPlaceFile file, bool followLink, SeenFiles& run,
                           const Rewrite& rewrite) {
  const std::string path = file.path;
  // Prepares `held` from what the caller gave; a second try opens the file by its name.
  const auto prepare = [&](Held& held) {
    held.run = &run;
    if (!file.file.Valid() && file.dirFd < 0) {
      return PrepareInPlace(rewrite, path, followLink, held);
    }
    held.path = path;
    held.directory = DirectoryOf(path);
    held.name = file.dirFd >= 0 ? file.name : BaseNameOf(path);
    held.in = std::move(file.file);
    held.inStat = file.status;
    if (file.dirFd < 0) return OpenDirectory(rewrite, held);
    held.dirSource = file.dirFd;
    if (!ShareDirectory(held)) {
      // The batch may outlive the caller's descriptor.
      auto dir = std::make_shared<UniqueFd>(::fcntl(file.dirFd, F_DUPFD_CLOEXEC, 0));
      if (!dir->Valid()) return Outcome::Failed(Failure::kInputOpen, File::kInput, path, errno);
      held.dir = std::move(dir);
    }
    return PrepareInDirectory(rewrite, held);
  };
  for (;;) {
    auto held = std::make_unique<Held>();
    Outcome outcome = CatchNoMemory(path, [&] { return prepare(*held); });
    if (OutOfDescriptors(outcome) && !m_held.empty()) {
      // The held files give their descriptors back once they are in place; the next
      // Replace reports them.
      held.reset();
      for (auto& placed : PutInPlace(m_held)) m_placed.push_back(std::move(placed));
      m_heldBytes = 0;
      if (m_watch.stop.stop_requested()) return Outcome::Cancelled();
      continue;
    }
    // Alone, the file itself needs more descriptors than there are: the failure is its own.
    if (OutOfDescriptors(outcome)) {
      outcome = Outcome::Failed(Failure::kInputOpen, File::kInput, path, outcome.error);
    }
    if (outcome.result == Outcome::kDone) {
      m_heldBytes += static_cast<std::uint64_t>(held->inStat.st_size);
      m_held.push_back(std::move(held));
    }
    return outcome;
  }
}

bool InPlaceBatch::Full() const {
  if (m_held.size() >= kBatchFiles || m_heldBytes >= kBatchBytes) return true;
  // Each held file keeps its input and its new file open. Where the descriptors are few,
  // the batch ends while the next file, and what its caller opens beside, still find some.
  return !m_held.empty() &&
         m_held.size() * kDescriptorsPerFile + kSpareDescriptors > m_descriptorLimit / 2 &&
         !DescriptorsLeft(m_held.front()->in.Get(), kSpareDescriptors);
}

std::vector<std::pair<std::string, Outcome>> InPlaceBatch::Replace() {
  m_heldBytes = 0;
  std::vector<std::pair<std::string, Outcome>> outcomes = std::move(m_placed);
  m_placed.clear();
  for (auto& outcome : PutInPlace(m_held)) outcomes.push_back(std::move(outcome));
  return outcomes;
}

void InPlaceBatch::Drop() {
  m_held.clear();
  m_placed.clear();
  m_heldBytes = 0;
}

}  // namespace pismovar
