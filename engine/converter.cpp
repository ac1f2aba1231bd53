#include "engine/converter.h"

#include <acl/libacl.h>
#include <attr/libattr.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "engine/detect.h"
#include "engine/file_list.h"
#include "engine/posix_file.h"

namespace pismovar {
namespace {

using Failure = Outcome::Failure;
using File = Outcome::File;

// Runs `work`; memory that cannot be had fails the file, which nothing has changed yet:
// every file and temporary file is owned by an object that undoes its part.
template <typename Work>
Outcome CatchNoMemory(const std::string& path, Work work) {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return Outcome::Failed(Failure::kNoMemory, File::kInput, path, ENOMEM);
  }
}

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

Converter::Converter(const Settings& settings, Watch watch, SystemCalls* system)
    : m_settings(settings),
      m_watch(std::move(watch)),
      m_system(system != nullptr ? *system : m_ownSystem),
      m_stepSize(std::min(settings.readSize, kStepSize)),
      m_twoThreadsFrom(std::max<std::uint64_t>(settings.twoThreadsFrom, settings.readSize)),
      m_inArea(std::make_unique_for_overwrite<std::uint8_t[]>(WorkAreaSize(settings.readSize))),
      m_outArea(std::make_unique_for_overwrite<std::uint8_t[]>(WorkAreaSize(settings.readSize))),
      m_scratchArea(
          std::make_unique_for_overwrite<std::uint8_t[]>(WorkAreaSize(settings.readSize))),
      m_descriptorLimit(DescriptorLimit()) {}

Converter::Converter() : Converter(Settings{}) {}

Converter::~Converter() = default;

bool Converter::Prepare(const Choices& choices) {
  m_losses = Utf8Losses{};
  if (!m_transcoder || !(m_transcoder->GetChoices() == choices)) {
    m_transcoder = Transcoder::Make(choices);
  }
  return m_transcoder.has_value();
}

bool Converter::StepAndCheckStop() {
  if (m_watch.step) m_watch.step();
  return m_watch.stop.stop_requested();
}

int Converter::Progress::Percent() const {
  if (done >= total) return 100;
  return static_cast<int>(done * 100 / total);
}

Outcome Converter::RunChunks(int fdIn, const std::string& inPath, int fdOut, Outcome::File outFile,
                             const std::string& outPath, std::uint64_t totalBytes,
                             std::span<const std::uint8_t> ahead, const struct stat* opened) {
  m_doneBytes = 0;
  m_totalBytes = totalBytes;
  std::size_t held = 0;
  const Choices& choices = m_transcoder->GetChoices();
  bool bom = choices.writeBom && choices.codeOut == kCodeUtf8;
  // A regular file is converted from where its descriptor stands (the shell may have given
  // it half read); one just opened stands at its start.
  struct stat inStat {};
  off_t base = -1;
  if (opened != nullptr) {
    inStat = *opened;
    base = 0;
  } else if (fdIn >= 0) {
    base = ::lseek(fdIn, 0, SEEK_CUR);
    if (ahead.empty() && base >= 0 && ::fstat(fdIn, &inStat) != 0) base = -1;
  }
  if (ahead.empty() && base >= 0 && S_ISREG(inStat.st_mode) &&
      static_cast<std::uint64_t>(inStat.st_size - base) > m_twoThreadsFrom) {
    if (Outcome outcome =
            RunFileChunks(fdIn, static_cast<std::uint64_t>(base), inPath, fdOut, outFile, outPath,
                          static_cast<std::uint64_t>(inStat.st_size - base));
        outcome.result != Outcome::kDone) {
      return outcome;
    }
    if (m_doneBytes != 0) bom = false;
  }
  // What is left, or all of a stream: one read at a time, each taking what has arrived, so
  // that a pipe's text is converted and written as it comes.
  for (bool endOfInput = false; !endOfInput;) {
    // The bytes held back from the previous read are already in front of this one.
    ssize_t got = 0;
    if (!ahead.empty()) {
      got = static_cast<ssize_t>(std::min(ahead.size(), m_stepSize));
      std::memcpy(m_inArea.get() + held, ahead.data(), static_cast<std::size_t>(got));
      ahead = ahead.subspan(static_cast<std::size_t>(got));
    } else if (fdIn >= 0) {
      got = m_system.Read(fdIn, m_inArea.get() + held, m_stepSize);
    }
    if (got < 0 && errno == EINTR) {
      // A signal interrupted a read that was waiting: perhaps the user cancelled.
      if (StepAndCheckStop()) return Outcome::Cancelled();
      continue;
    }
    if (got < 0) return Outcome::Failed(Failure::kRead, File::kInput, inPath, errno);
    std::size_t n = held + static_cast<std::size_t>(got);
    // A file just opened has ended once a read gives less than asked and all it held then
    // has been read: no read is needed to find its end. One that grew meanwhile fails the
    // check before it is replaced.
    endOfInput = got == 0 || (opened != nullptr && static_cast<std::size_t>(got) < m_stepSize &&
                              m_doneBytes + n >= static_cast<std::uint64_t>(opened->st_size));
    held = endOfInput ? 0 : m_transcoder->HeldBack(m_inArea.get(), n);
    n -= held;
    const std::size_t outSize =
        m_transcoder->ConvertChunk(m_inArea.get(), n, m_doneBytes, bom, m_outArea.get(), m_losses);
    bom = false;
    m_doneBytes += n;
    if (outSize != 0 && !m_system.Write(fdOut, m_outArea.get(), outSize)) {
      return Outcome::Failed(Failure::kWrite, outFile, outPath, errno);
    }
    std::memmove(m_inArea.get(), m_inArea.get() + n, held);
    if (StepAndCheckStop()) return Outcome::Cancelled();
  }
  if (m_settings.strict && (m_losses.replaced != 0 || m_losses.malformed != 0)) {
    return Outcome::Failed(Failure::kLossy, File::kInput, inPath);
  }
  return {};
}

Outcome Converter::RunFileChunks(int fdIn, std::uint64_t base, const std::string& inPath, int fdOut,
                                 Outcome::File outFile, const std::string& outPath,
                                 std::uint64_t size) {
  // Two threads take the chunks in turn; each reads and converts its own while the other
  // writes, and they write in the order of the text. A chunk is read with the few bytes in
  // front of it, so that it knows what the chunk before it holds back (a CR, the beginning
  // of a UTF-8 sequence) and converts those bytes itself.
  struct Worker {
    std::uint8_t* in;
    std::uint8_t* out;
    Utf8Losses losses;
  };
  // Without memory for the second thread's areas, one thread does all the work.
  const std::size_t readSize = m_settings.readSize;
  if (!m_secondInArea || !m_secondOutArea) {
    m_secondInArea.reset(new (std::nothrow) std::uint8_t[WorkAreaSize(readSize)]);
    m_secondOutArea.reset(new (std::nothrow) std::uint8_t[WorkAreaSize(readSize)]);
  }
  const bool twoThreads = m_secondInArea && m_secondOutArea;
  Worker workers[2] = {{m_inArea.get(), m_outArea.get(), {}},
                       {m_secondInArea.get(), m_secondOutArea.get(), {}}};
  const Transcoder& transcoder = *m_transcoder;
  const bool bom = transcoder.GetChoices().writeBom && transcoder.GetChoices().codeOut == kCodeUtf8;
  // The chunk whose text is written next, or kNoMore once nothing more is to be written; the
  // first failure, or a cancel.
  constexpr std::uint64_t kNoMore = ~std::uint64_t{0};
  std::mutex turnMutex;
  std::condition_variable turnChanged;
  std::uint64_t turn = 0;
  Outcome failed;
  std::atomic<bool> stopped{false};
  std::atomic<std::uint64_t> nextChunk{0};
  std::atomic<std::uint64_t> written{0};  // the end of the text written so far
  // Hands the turn on, unless the run has stopped meanwhile.
  const auto passTurn = [&](std::uint64_t to, Outcome outcome = {}) {
    {
      const std::lock_guard lock(turnMutex);
      if (failed.result == Outcome::kDone) failed = outcome;
      if (to == kNoMore) stopped = true;
      if (turn != kNoMore) turn = to;
    }
    turnChanged.notify_all();
  };
  const auto fail = [&](Outcome outcome) { passTurn(kNoMore, outcome); };
  const auto convertChunk = [&](Worker& worker) {
    const std::uint64_t chunk = nextChunk.fetch_add(1);
    const std::uint64_t start = chunk * readSize;
    if (start >= size || stopped) return false;
    const std::uint64_t end = std::min(size, start + readSize);
    const std::uint64_t from = start - std::min<std::uint64_t>(start, kMaxHeldBytes);
    const ssize_t read = m_system.ReadWholeAt(fdIn, worker.in, end - from, base + from);
    if (read < 0) {
      fail(Outcome::Failed(Failure::kRead, File::kInput, inPath, errno));
      return false;
    }
    const auto got = static_cast<std::size_t>(read);
    // A file cut short meanwhile ends the chunks here; the rest of the run reads on from
    // where they stop.
    const bool cut = got < end - from;
    const std::size_t front = start - from;
    const std::size_t first = got < front ? front : front - transcoder.HeldBack(worker.in, front);
    const std::size_t last =
        got <= front ? first : std::max(first, got - transcoder.HeldBack(worker.in, got));
    const std::size_t outSize =
        transcoder.ConvertChunk(worker.in + first, last - first, from + first,
                                bom && from + first == 0, worker.out, worker.losses);
    {
      std::unique_lock lock(turnMutex);
      turnChanged.wait(lock, [&] { return turn == chunk || turn == kNoMore; });
      if (turn == kNoMore) return false;
    }
    if (outSize != 0 && !m_system.Write(fdOut, worker.out, outSize)) {
      fail(Outcome::Failed(Failure::kWrite, outFile, outPath, errno));
      return false;
    }
    if (last > first) written = from + last;
    const bool more = !cut && end != size;
    passTurn(more ? chunk + 1 : kNoMore);
    return more;
  };
  {
    std::jthread second;
    if (twoThreads) {
      second = StartSecondThread([&] {
        while (convertChunk(workers[1])) {
        }
      });
    }
    while (convertChunk(workers[0])) {
      m_doneBytes = written.load();
      if (StepAndCheckStop()) fail(Outcome::Cancelled());
    }
  }
  for (const Worker& worker : workers) m_losses.Add(worker.losses);
  m_doneBytes = written.load();
  if (failed.result != Outcome::kDone) return failed;
  // The rest of the run reads on from the end of what was converted.
  if (::lseek(fdIn, static_cast<off_t>(base + m_doneBytes), SEEK_SET) < 0) {
    return Outcome::Failed(Failure::kRead, File::kInput, inPath, errno);
  }
  return {};
}

Outcome Converter::Settle(Outcome outcome) {
  if (outcome.failure == Failure::kInputOpen || outcome.failure == Failure::kOutputOpen ||
      outcome.failure == Failure::kSameFile || outcome.failure == Failure::kNotRegular) {
    // Nothing was read: the progress shows a full bar.
    m_totalBytes = 1;
    m_doneBytes = 1;
  }
  if (m_doneBytes < m_totalBytes) m_doneBytes = m_totalBytes.load();
  outcome.losses = m_losses;
  return outcome;
}

Outcome Converter::ConvertStream(const Choices& choices, int fdIn, int fdOut,
                                 std::uint64_t totalBytes, std::span<const std::uint8_t> ahead) {
  if (!Prepare(choices)) return Outcome::Failed(Failure::kChoices, File::kNone, {});
  // Output appended to its own input ("F >> F") would grow while it is read, until the disk
  // is full.
  struct stat inStat {};
  struct stat outStat {};
  if (fdIn >= 0 && ::fstat(fdIn, &inStat) == 0 && ::fstat(fdOut, &outStat) == 0 &&
      S_ISREG(inStat.st_mode) && inStat.st_dev == outStat.st_dev &&
      inStat.st_ino == outStat.st_ino) {
    return Outcome::Failed(Failure::kSameFile, File::kOutput, {});
  }
  return Settle(RunChunks(fdIn, {}, fdOut, File::kOutput, {}, totalBytes, ahead));
}

Outcome Converter::ConvertStreamToFile(const Choices& choices, int fdIn, const std::string& input,
                                       const std::string& output,
                                       std::span<const std::uint8_t> ahead) {
  if (!Prepare(choices)) return Outcome::Failed(Failure::kChoices, File::kNone, {});
  struct stat inStat {};
  if (fdIn >= 0 && ::fstat(fdIn, &inStat) != 0) {
    return Settle(Outcome::Failed(Failure::kInputOpen, File::kInput, input, errno));
  }
  // Standard input may be a file given by the shell ("-o F < F"): truncating it would
  // destroy the text.
  struct stat outStat {};
  if (S_ISREG(inStat.st_mode) && ::stat(output.c_str(), &outStat) == 0 &&
      outStat.st_dev == inStat.st_dev && outStat.st_ino == inStat.st_ino) {
    return Settle(Outcome::Failed(Failure::kSameFile, File::kOutput, output));
  }
  return Settle(ConvertToOther(fdIn, inStat, input, output, ahead));
}

Outcome Converter::ConvertFile(const Choices& choices, const std::string& input,
                               const std::string& output) {
  if (!Prepare(choices)) return Outcome::Failed(Failure::kChoices, File::kNone, {});
  return Settle(CatchNoMemory(input, [&]() -> Outcome {
    if (input == output) return ConvertInPlace(input, m_settings.followSymlinks);
    // Not blocking: a FIFO or a device is refused by the type check, not waited for.
    UniqueFd in(::open(input.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat inStat {};
    if (!in.Valid() || ::fstat(in.Get(), &inStat) != 0) {
      return Outcome::Failed(Failure::kInputOpen, File::kInput, input, errno);
    }
    if (!S_ISREG(inStat.st_mode)) return Outcome::Failed(Failure::kNotRegular, File::kInput, input);
    // Under another name the output may still be the input itself ("./a.txt", a hard or a
    // symbolic link): it is converted in place under the output's name.
    struct stat outStat {};
    if (::stat(output.c_str(), &outStat) == 0 && outStat.st_dev == inStat.st_dev &&
        outStat.st_ino == inStat.st_ino) {
      in.Reset();
      return ConvertInPlace(output, true);
    }
    return ConvertToOther(in.Get(), inStat, input, output);
  }));
}

// An in-place conversion whose text is complete but not yet in place. The members are
// destroyed in reverse order: the unnamed file goes before the directory it lies in.
struct Converter::Held {
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

Outcome Converter::ConvertInPlace(const std::string& path, bool followLink) {
  std::vector<std::unique_ptr<Held>> one;
  one.push_back(std::make_unique<Held>());
  if (Outcome prepared = PrepareInPlace(path, followLink, *one.front());
      prepared.result != Outcome::kDone) {
    return prepared;
  }
  return PutInPlace(one).front().second;
}

bool Converter::ShareDirectory(Held& held) const {
  if (m_held.empty()) return false;
  const Held& last = *m_held.back();
  if (last.directory != held.directory || last.dirSource != held.dirSource) return false;
  held.dir = last.dir;
  return true;
}

Outcome Converter::PrepareInPlace(const std::string& path, bool followLink, Held& held) {
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
  return OpenDirectory(held);
}

Outcome Converter::OpenDirectory(Held& held) {
  if (!ShareDirectory(held)) {
    auto dir = std::make_shared<UniqueFd>(
        ::open(held.directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir->Valid()) return Outcome::Failed(Failure::kInputOpen, File::kInput, held.path, errno);
    held.dir = std::move(dir);
  }
  return PrepareInDirectory(held);
}

Outcome Converter::PrepareInDirectory(Held& held) {
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
  if (m_held.empty() || m_held.back()->dir != held.dir) SweepOnce(dirFd);
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

  const Outcome outcome =
      RunChunks(held.in.Get(), path, temp.Fd(), File::kTemporary, held.directory,
                static_cast<std::uint64_t>(inStat.st_size), {}, &inStat);
  if (outcome.result != Outcome::kDone) return outcome;
  // Where neither file has extended attributes (no ACL either: a folder's default ACL would
  // have given the new file one), the mode is all there is to keep.
  const mode_t mode = inStat.st_mode & 07777;
  if (::flistxattr(held.in.Get(), nullptr, 0) == 0 && ::flistxattr(temp.Fd(), nullptr, 0) == 0) {
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

void Converter::SweepOnce(int dirFd) {
  struct stat st {};
  if (::fstat(dirFd, &st) == 0 && m_swept.insert(FileIdOf(st)).second) {
    RemoveStaleReplacementFiles(dirFd);
  }
}

std::vector<std::pair<std::string, Outcome>> Converter::PutInPlace(
    std::vector<std::unique_ptr<Held>>& batch) {
  std::vector<std::pair<std::string, Outcome>> outcomes;
  for (const auto& held : batch) outcomes.emplace_back(held->path, Outcome{});
  // A file replaces its input only once it is on disk.
  MakeDurable(batch, false, outcomes);
  // Going to disk can take seconds: a cancel that came meanwhile still leaves the inputs as
  // they were.
  if (StepAndCheckStop()) {
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
    // still changes the change time, which nobody can set.
    struct stat nowStat {};
    struct stat nameStat {};
    const struct stat& was = held.inStat;
    if (::fstat(held.in.Get(), &nowStat) != 0 ||
        ::fstatat(held.dir->Get(), held.name.c_str(), &nameStat, AT_SYMLINK_NOFOLLOW) != 0 ||
        FileIdOf(nameStat) != FileIdOf(was) || nowStat.st_size != was.st_size ||
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
  batch.clear();
  return outcomes;
}

void Converter::MakeDurable(const std::vector<std::unique_ptr<Held>>& batch, bool folders,
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

Outcome Converter::Hold(const Choices& choices, const std::string& path,
                        const std::function<Outcome(Held&)>& prepare) {
  for (;;) {
    if (!Prepare(choices)) return Outcome::Failed(Failure::kChoices, File::kNone, {});
    auto held = std::make_unique<Held>();
    Outcome outcome = CatchNoMemory(path, [&] { return prepare(*held); });
    if (OutOfDescriptors(outcome) && !m_held.empty()) {
      // The held files give their descriptors back once they are in place; the next
      // ReplaceHeld reports them.
      held.reset();
      for (auto& placed : PutInPlace(m_held)) m_placed.push_back(std::move(placed));
      m_heldBytes = 0;
      if (m_watch.stop.stop_requested()) return Settle(Outcome::Cancelled());
      continue;
    }
    // Alone, the file itself needs more descriptors than there are: the failure is its own.
    if (OutOfDescriptors(outcome)) {
      outcome = Outcome::Failed(Failure::kInputOpen, File::kInput, path, outcome.error);
    }
    outcome = Settle(outcome);
    if (outcome.result == Outcome::kDone) {
      m_heldBytes += static_cast<std::uint64_t>(held->inStat.st_size);
      m_held.push_back(std::move(held));
    }
    return outcome;
  }
}

Outcome Converter::ConvertFileHeld(const Choices& choices, InPlaceFile file, SeenFiles& run) {
  const std::string path = file.path;
  return Hold(choices, path, [&](Held& held) {
    held.run = &run;
    if (!file.file.Valid() && file.dirFd < 0) {
      return PrepareInPlace(path, m_settings.followSymlinks, held);
    }
    held.path = path;
    held.directory = DirectoryOf(path);
    held.name = file.dirFd >= 0 ? file.name : BaseNameOf(path);
    held.in = std::move(file.file);
    held.inStat = file.status;
    if (file.dirFd < 0) return OpenDirectory(held);
    held.dirSource = file.dirFd;
    if (!ShareDirectory(held)) {
      // The batch may outlive the caller's descriptor.
      auto dir = std::make_shared<UniqueFd>(::fcntl(file.dirFd, F_DUPFD_CLOEXEC, 0));
      if (!dir->Valid()) return Outcome::Failed(Failure::kInputOpen, File::kInput, path, errno);
      held.dir = std::move(dir);
    }
    return PrepareInDirectory(held);
  });
}

bool Converter::BatchFull() const {
  if (m_held.size() >= kBatchFiles || m_heldBytes >= kBatchBytes) return true;
  // Each held file keeps its input and its new file open. Where the descriptors are few,
  // the batch ends while the next file, and what its caller opens beside, still find some.
  return !m_held.empty() &&
         m_held.size() * kDescriptorsPerFile + kSpareDescriptors > m_descriptorLimit / 2 &&
         !DescriptorsLeft(m_held.front()->in.Get(), kSpareDescriptors);
}

std::vector<std::pair<std::string, Outcome>> Converter::ReplaceHeld() {
  m_heldBytes = 0;
  std::vector<std::pair<std::string, Outcome>> outcomes = std::move(m_placed);
  m_placed.clear();
  for (auto& outcome : PutInPlace(m_held)) outcomes.push_back(std::move(outcome));
  return outcomes;
}

void Converter::DropHeld() {
  m_held.clear();
  m_placed.clear();
  m_heldBytes = 0;
}

Outcome Converter::ConvertToOther(int in, const struct stat& inStat, const std::string& input,
                                  const std::string& output, std::span<const std::uint8_t> ahead) {
  const auto total = static_cast<std::uint64_t>(inStat.st_size);
  // Where the text goes: the output's own name, or the file a link there leads to.
  std::string target = output;
  struct stat outStat {};
  const bool exists = ::stat(output.c_str(), &outStat) == 0;
  const int statError = exists ? 0 : errno;
  struct stat linkStat {};
  if (::lstat(output.c_str(), &linkStat) == 0 && S_ISLNK(linkStat.st_mode)) {
    if (exists) {
      char* real = ::realpath(output.c_str(), nullptr);
      if (!real) return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, errno);
      target = real;
      std::free(real);
    } else {
      // A link to a file not there yet: the file is made where the link leads.
      std::string linked(PATH_MAX, '\0');
      const ssize_t n = ::readlink(output.c_str(), linked.data(), linked.size());
      if (n <= 0 || static_cast<std::size_t>(n) >= linked.size()) {
        return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, errno);
      }
      linked.resize(static_cast<std::size_t>(n));
      target = linked.starts_with('/') ? linked : DirectoryOf(output) + "/" + linked;
      if (::lstat(target.c_str(), &linkStat) == 0 || errno != ENOENT) {
        return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, ELOOP);
      }
    }
  } else if (!exists && statError != ENOENT) {
    return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, statError);
  }
  if (exists && S_ISDIR(outStat.st_mode)) {
    return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, EISDIR);
  }
  if (exists && !S_ISREG(outStat.st_mode)) {
    // A device or a FIFO takes the text as it comes; it has nothing to lose.
    UniqueFd out(::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!out.Valid()) return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, errno);
    Outcome outcome = RunChunks(in, input, out.Get(), File::kOutput, output, total, ahead);
    if (!out.Reset() && outcome.result == Outcome::kDone) {
      outcome = Outcome::Failed(Failure::kWrite, File::kOutput, output, errno);
    }
    return outcome;
  }

  // A file is written beside its place, as an in-place run writes, and takes the place only
  // when the whole text is there: a failure, a cancel or a kill leaves an existing output as
  // it was, and no new one half written.
  const std::string directory = DirectoryOf(target);
  const std::string name = BaseNameOf(target);
  const UniqueFd dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.Valid()) return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, errno);
  UniqueFd old;
  struct stat oldStat {};
  if (exists) {
    // The old file gives the new one its owner, mode, ACLs and attributes; a file the user
    // may not write is not replaced either.
    old =
        UniqueFd(::openat(dir.Get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!old.Valid() && errno == EACCES) {
      old = UniqueFd(
          ::openat(dir.Get(), name.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    }
    if (!old.Valid() || ::fstat(old.Get(), &oldStat) != 0) {
      return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, errno);
    }
    if (!S_ISREG(oldStat.st_mode))
      return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, EISDIR);
    if (::faccessat(dir.Get(), name.c_str(), W_OK, AT_EACCESS) != 0) {
      return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, errno);
    }
  }
  SweepOnce(dir.Get());
  ReplacementFile temp(dir.Get(), exists ? 0600 : 0666);
  if (!temp.Valid()) {
    return Outcome::Failed(Failure::kOutputOpen, File::kTemporary, directory, temp.Error());
  }
  if (exists && !temp.SetOwner(oldStat.st_uid, oldStat.st_gid)) {
    return Outcome::Failed(Failure::kOwnerNotKept, File::kOutput, output, errno);
  }
  if (Outcome outcome = RunChunks(in, input, temp.Fd(), File::kOutput, output, total, ahead);
      outcome.result != Outcome::kDone) {
    return outcome;
  }
  if (exists) {
    if (::perm_copy_fd(output.c_str(), old.Get(), directory.c_str(), temp.Fd(), nullptr) != 0 ||
        ::attr_copy_fd(output.c_str(), old.Get(), directory.c_str(), temp.Fd(), nullptr, nullptr) !=
            0) {
      return Outcome::Failed(Failure::kAttributesNotKept, File::kOutput, output, errno);
    }
    // The old text is given up only for a new one on disk.
    if (!m_system.Sync(temp.Fd()))
      return Outcome::Failed(Failure::kWrite, File::kOutput, output, errno);
  }
  if (!temp.Link()) return Outcome::Failed(Failure::kWrite, File::kOutput, output, temp.Error());
  if (!m_system.Replace(dir.Get(), temp.Name(), name)) {
    return Outcome::Failed(Failure::kWrite, File::kOutput, output, errno);
  }
  temp.Commit();
  if (exists && !m_system.Sync(dir.Get())) {
    return Outcome::Failed(Failure::kWrite, File::kOutput, output, errno);
  }
  return {};
}

}  // namespace pismovar
