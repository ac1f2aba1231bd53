#include "engine/converter.h"

#include <acl/libacl.h>
#include <attr/libattr.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "engine/detect.h"
#include "engine/file_list.h"
#include "engine/posix_file.h"

namespace pismovar {
namespace {

using Failure = Outcome::Failure;
using File = Outcome::File;

}  // namespace

Converter::Converter(EngineHost& host)
    : m_host(host),
      m_inArea(std::make_unique_for_overwrite<std::uint8_t[]>(kWorkAreaSize)),
      m_outArea(std::make_unique_for_overwrite<std::uint8_t[]>(kWorkAreaSize)),
      m_scratchArea(std::make_unique_for_overwrite<std::uint8_t[]>(kWorkAreaSize)) {}

Converter::~Converter() = default;

bool Converter::PrepareChoices() {
  m_losses = Utf8Losses{};
  if (!IsValidTextEncoding(m_nCodeIn) || !IsValidTextEncoding(m_nCodeOut) ||
      !IsValidLineEnd(m_nLineEndIn) || !IsValidLineEnd(m_nLineEndOut)) {
    return false;
  }
  m_strSeqIn = LineEndSequence(m_nLineEndIn);
  m_strSeqOut = LineEndSequence(m_nLineEndOut);
  const bool fromUtf8 = m_nCodeIn == kCodeUtf8;
  const bool toUtf8 = m_nCodeOut == kCodeUtf8;
  if (fromUtf8 && toUtf8) {
    m_route = Route::kUtf8ToUtf8;
  } else if (fromUtf8) {
    m_route = Route::kFromUtf8;
    m_fromUnicode = FromUnicodeTable(m_nCodeOut);
  } else if (toUtf8) {
    m_route = Route::kToUtf8;
    m_toUtf8 = BuildToUtf8Table(m_nCodeIn);
  } else {
    m_route = Route::kByteMap;
    if (m_bLettersOnly) {
      m_byteMap = BuildByteMap(m_nCodeIn, m_nCodeOut);
      m_substituted = ByteFlags{};
    } else {
      const CompleteMap map = BuildCompleteMap(m_nCodeIn, m_nCodeOut);
      m_byteMap = map.bytes;
      m_substituted = map.substituted;
    }
  }
  m_rewrite.first = static_cast<std::uint8_t>(m_strSeqIn[0]);
  m_rewrite.pair = m_strSeqIn.size() == 2;
  m_rewrite.second = static_cast<std::uint8_t>(m_rewrite.pair ? m_strSeqIn[1] : 0);
  m_rewrite.out = m_strSeqOut.data();
  m_rewrite.outSize = m_strSeqOut.size();
  m_rewrite.anyLineEnd = m_bAllLineEnds;
  return true;
}

std::size_t Converter::ConvertBuffer(std::size_t size) {
  return ConvertChunk(m_inArea.get(), size, m_outArea.get(), 0);
}

std::size_t Converter::ConvertChunk(const std::uint8_t* in, std::size_t size, std::uint8_t* out,
                                    std::uint64_t offset) {
  // Rewriting the line ends first and mapping afterwards gives the same bytes as one pass
  // doing both: line-end bytes lie below 0x80, where the map changes nothing.
  const bool rewrite = m_bAllLineEnds || m_nLineEndIn != m_nLineEndOut;
  const kernels::Rewrite* lineEnds = rewrite ? &m_rewrite : nullptr;
  switch (m_route) {
    case Route::kToUtf8:
      return kernels::EncodeUtf8(in, size, out, m_toUtf8, lineEnds, m_losses);
    case Route::kFromUtf8:
      return kernels::DecodeUtf8(in, size, out, m_fromUnicode, lineEnds, offset, m_losses);
    case Route::kUtf8ToUtf8:
      return kernels::RepairUtf8(in, size, out, lineEnds, offset, m_losses);
    case Route::kByteMap:
      break;
  }
  return kernels::Convert(in, size, out, m_byteMap, m_substituted, lineEnds, m_losses.replaced);
}

std::size_t Converter::HeldBack(const std::uint8_t* in, std::size_t size) const {
  // A CR, so that a CR LF pair split between two reads is converted whole; the beginning of
  // a UTF-8 sequence, so that it is decoded whole.
  if (size > 0 && in[size - 1] == kernels::kCR) return 1;
  return m_nCodeIn == kCodeUtf8 ? utf8::IncompleteEnd(in, size) : 0;
}

Outcome Converter::RunChunks(int fdIn, const std::string& inPath, int fdOut, Outcome::File outFile,
                             const std::string& outPath, std::uint64_t totalBytes) {
  m_nDoneBytes = 0;
  m_nTotalBytes = totalBytes;
  m_host.SetProgressRange(0, 100);
  m_bCancel = false;
  std::size_t held = 0;
  bool endOfInput = false;
  for (bool first = true; !endOfInput; first = false) {
    // The bytes held back from the previous read are already in front of this one.
    const ssize_t got = ReadInput(fdIn, m_inArea.get() + held, kReadSize);
    if (got < 0) return Outcome::Failed(Failure::kRead, File::kInput, inPath, errno);
    endOfInput = static_cast<std::size_t>(got) < kReadSize;
    std::size_t n = held + static_cast<std::size_t>(got);
    held = endOfInput ? 0 : HeldBack(m_inArea.get(), n);
    n -= held;
    std::size_t skip = 0;
    std::size_t outSize = 0;
    if (first && m_nCodeIn == kCodeUtf8 && n >= kUtf8BomSize &&
        std::memcmp(m_inArea.get(), kUtf8Bom, kUtf8BomSize) == 0) {
      skip = kUtf8BomSize;
    }
    if (first && m_bWriteBom && m_nCodeOut == kCodeUtf8) {
      std::memcpy(m_outArea.get(), kUtf8Bom, kUtf8BomSize);
      outSize = kUtf8BomSize;
    }
    outSize += ConvertChunk(m_inArea.get() + skip, n - skip, m_outArea.get() + outSize,
                            m_nDoneBytes + skip);
    m_nDoneBytes += n;
    if (!WriteOutput(fdOut, m_outArea.get(), outSize)) {
      return Outcome::Failed(Failure::kWrite, outFile, outPath, errno);
    }
    std::memmove(m_inArea.get(), m_inArea.get() + n, held);
    m_host.PumpMessage();
    if (m_bCancel) return Outcome::Cancelled();
  }
  if (m_bStrict && (m_losses.replaced != 0 || m_losses.malformed != 0)) {
    return Outcome::Failed(Failure::kLossy, File::kInput, inPath);
  }
  return {};
}

Outcome Converter::Settle(Outcome outcome) {
  if (outcome.failure == Failure::kInputOpen || outcome.failure == Failure::kOutputOpen ||
      outcome.failure == Failure::kSameFile || outcome.failure == Failure::kNotRegular) {
    // Nothing was read: the progress shows a full bar.
    m_nTotalBytes = 1;
    m_nDoneBytes = 1;
  }
  if (m_nDoneBytes < m_nTotalBytes) m_nDoneBytes = m_nTotalBytes;
  // A cancel stays visible to the caller; every other ending clears the flag.
  if (outcome.result != Outcome::kCancelled) m_bCancel = false;
  return outcome;
}

Outcome Converter::ConvertStream(int fdIn, int fdOut, std::uint64_t totalBytes) {
  if (!PrepareChoices()) return Outcome::Failed(Failure::kChoices, File::kNone, {});
  // Output appended to its own input ("F >> F") would grow while it is read, until the disk
  // is full.
  struct stat inStat {};
  struct stat outStat {};
  if (::fstat(fdIn, &inStat) == 0 && ::fstat(fdOut, &outStat) == 0 && S_ISREG(inStat.st_mode) &&
      inStat.st_dev == outStat.st_dev && inStat.st_ino == outStat.st_ino) {
    return Outcome::Failed(Failure::kSameFile, File::kOutput, {});
  }
  return Settle(RunChunks(fdIn, {}, fdOut, File::kOutput, {}, totalBytes));
}

Outcome Converter::ConvertFile(std::string input, std::string output) {
  m_host.UpdateData(true);
  if (!PrepareChoices()) return Outcome::Failed(Failure::kChoices, File::kNone, {});
  if (input == output) return Settle(ConvertInPlace(input, m_bFollowSymlinks));

  // Not blocking: a FIFO or a device is refused by the type check, not waited for.
  UniqueFd in(::open(input.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat inStat {};
  if (!in.Valid() || ::fstat(in.Get(), &inStat) != 0) {
    return Settle(Outcome::Failed(Failure::kInputOpen, File::kInput, input, errno));
  }
  if (!S_ISREG(inStat.st_mode)) {
    return Settle(Outcome::Failed(Failure::kNotRegular, File::kInput, input));
  }
  // Under another name the output may still be the input itself ("./a.txt", a hard or a
  // symbolic link): truncating it would destroy the text, so it is converted in place under
  // the output's name.
  struct stat outStat {};
  if (::stat(output.c_str(), &outStat) == 0 && outStat.st_dev == inStat.st_dev &&
      outStat.st_ino == inStat.st_ino) {
    in.Reset();
    return Settle(ConvertInPlace(output, true));
  }
  return Settle(ConvertToOther(in, inStat, input, output));
}

Outcome Converter::ConvertInPlace(const std::string& path, bool followLink) {
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
  const std::string directory = DirectoryOf(target);
  const std::string name = BaseNameOf(target);
  UniqueFd dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.Valid()) return Outcome::Failed(Failure::kInputOpen, File::kInput, path, errno);
  UniqueFd in(::openat(dir.Get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!in.Valid()) {
    // The name became a link after the check above.
    if (errno == ELOOP) return Outcome::Failed(Failure::kSymlink, File::kInput, path);
    return Outcome::Failed(Failure::kInputOpen, File::kInput, path, errno);
  }
  struct stat inStat {};
  if (::fstat(in.Get(), &inStat) != 0) {
    return Outcome::Failed(Failure::kInputOpen, File::kInput, path, errno);
  }
  if (!S_ISREG(inStat.st_mode)) return Outcome::Failed(Failure::kNotRegular, File::kInput, path);
  // Two runs on one file would each put their own text in its place, and one would be lost:
  // the lock, held until the replacement is done, makes the second one fail.
  if (::flock(in.Get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) return Outcome::Failed(Failure::kLocked, File::kInput, path);
    return Outcome::Failed(Failure::kInputOpen, File::kInput, path, errno);
  }

  ReplacementFile temp(dir.Get());
  if (!temp.Valid()) {
    return Outcome::Failed(Failure::kOutputOpen, File::kTemporary, directory, temp.Error());
  }
  const auto tempPath = [&] { return directory + "/" + temp.Name(); };
  // The new file must belong to whom the old one did. Only root may give a file away, and a
  // user only to a group of theirs; where that is not allowed the run stops before any work.
  struct stat tempStat {};
  if (::fstat(temp.Fd(), &tempStat) != 0) {
    return Outcome::Failed(Failure::kOutputOpen, File::kTemporary, directory, errno);
  }
  if ((tempStat.st_uid != inStat.st_uid || tempStat.st_gid != inStat.st_gid) &&
      ::fchown(temp.Fd(), inStat.st_uid, inStat.st_gid) != 0) {
    return Outcome::Failed(Failure::kOwnerNotKept, File::kInput, path, errno);
  }

  const Outcome outcome = RunChunks(in.Get(), path, temp.Fd(), File::kTemporary, directory,
                                    static_cast<std::uint64_t>(inStat.st_size));
  if (outcome.result != Outcome::kDone) return outcome;
  // The mode with the ACLs, then the other extended attributes.
  if (::perm_copy_fd(path.c_str(), in.Get(), directory.c_str(), temp.Fd(), nullptr) != 0 ||
      ::attr_copy_fd(path.c_str(), in.Get(), directory.c_str(), temp.Fd(), nullptr, nullptr) != 0) {
    return Outcome::Failed(Failure::kAttributesNotKept, File::kInput, path, errno);
  }
  if (::fsync(temp.Fd()) != 0) {
    return Outcome::Failed(Failure::kWrite, File::kTemporary, directory, errno);
  }
  if (!temp.Link())
    return Outcome::Failed(Failure::kReplace, File::kTemporary, directory, temp.Error());
  // The name must still lead to the file that was read, and that file must be as it was:
  // otherwise another program moved, replaced or wrote to it, and its work would be lost.
  struct stat nowStat {};
  struct stat nameStat {};
  if (::fstat(in.Get(), &nowStat) != 0 ||
      ::fstatat(dir.Get(), name.c_str(), &nameStat, AT_SYMLINK_NOFOLLOW) != 0 ||
      nameStat.st_dev != inStat.st_dev || nameStat.st_ino != inStat.st_ino ||
      nowStat.st_size != inStat.st_size || nowStat.st_mtim.tv_sec != inStat.st_mtim.tv_sec ||
      nowStat.st_mtim.tv_nsec != inStat.st_mtim.tv_nsec) {
    return Outcome::Failed(Failure::kChanged, File::kInput, path);
  }
  if (!ReplaceFile(dir.Get(), temp.Name(), name)) {
    return Outcome::Failed(Failure::kReplace, File::kTemporary, tempPath(), errno);
  }
  temp.Commit();
  // The new name, too, is on disk before the run says it is done.
  ::fsync(dir.Get());
  return {};
}

Outcome Converter::ConvertToOther(UniqueFd& in, const struct stat& inStat, const std::string& input,
                                  const std::string& output) {
  UniqueFd out(::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  struct stat outStat {};
  if (!out.Valid() || ::fstat(out.Get(), &outStat) != 0) {
    return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, errno);
  }
  Outcome outcome = RunChunks(in.Get(), input, out.Get(), File::kOutput, output,
                              static_cast<std::uint64_t>(inStat.st_size));
  if (!out.Reset() && outcome.result == Outcome::kDone) {
    outcome = Outcome::Failed(Failure::kWrite, File::kOutput, output, errno);
  }
  // A half-written output file is worse than none, after a cancel as after a failure; a
  // device such as /dev/full stays.
  if (outcome.result != Outcome::kDone && S_ISREG(outStat.st_mode)) ::unlink(output.c_str());
  return outcome;
}

int Converter::ProgressPercent() const {
  if (m_nDoneBytes >= m_nTotalBytes) return 100;
  return static_cast<int>(m_nDoneBytes * 100 / m_nTotalBytes);
}

Outcome Converter::OpenDetectInput(UniqueFd& fd, std::uint64_t& size, std::string& name) {
  m_host.UpdateData(true);
  if (m_bClipboardIn) {
    if (!m_host.ClipboardHasText()) return Outcome::Failed(Failure::kNoText, File::kInput, {});
    name = m_host.ClipboardFileName();
    m_host.ClipboardToFile(name);
  } else if (m_nFileCount > 1) {
    std::string list = m_strInput;
    name = TakeFirstListName(list).value_or(std::string{});
  } else {
    name = m_strInput;
  }
  // Not blocking: a FIFO or a device is refused by the type check, not waited for.
  fd = UniqueFd(::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat st {};
  if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0) {
    return Outcome::Failed(Failure::kInputOpen, File::kInput, name, errno);
  }
  if (!S_ISREG(st.st_mode)) return Outcome::Failed(Failure::kNotRegular, File::kInput, name);
  size = static_cast<std::uint64_t>(st.st_size);
  return {};
}

void Converter::StoreGuess(const DetectTally& tally, const Utf8Detector& utf8) {
  const DetectCounts& counts = tally.Counts();
  m_nLineEndIn = DecideLineEnd(counts);
  m_nCodeIn = m_bDetectUtf8 && utf8.IsUtf8() ? kCodeUtf8 : DecideCodePage(counts);
  m_host.UpdateData(false);
}

Outcome Converter::QuickDetect() {
  UniqueFd fd;
  std::uint64_t size = 0;
  std::string name;
  if (Outcome opened = OpenDetectInput(fd, size, name); opened.result != Outcome::kDone) {
    return opened;
  }
  const ssize_t got = ReadInput(fd.Get(), m_scratchArea.get(), kQuickDetectSize);
  if (got < 0) return Outcome::Failed(Failure::kRead, File::kInput, name, errno);
  fd.Reset();
  const auto n = static_cast<std::size_t>(got);
  DetectTally tally;
  tally.Add(m_scratchArea.get(), n);
  Utf8Detector utf8;
  if (m_bDetectUtf8) utf8.Add(m_scratchArea.get(), n, size <= n);
  StoreGuess(tally, utf8);
  return {};
}

Outcome Converter::FullDetect() {
  UniqueFd fd;
  std::uint64_t size = 0;
  std::string name;
  if (Outcome opened = OpenDetectInput(fd, size, name); opened.result != Outcome::kDone) {
    return opened;
  }
  m_host.BeginDetectProgress();
  m_nDoneBytes = 0;
  m_nTotalBytes = size;
  m_bCancel = false;
  DetectTally tally;
  Utf8Detector utf8;
  // The beginning of a UTF-8 sequence cut off by a read goes in front of the next read.
  std::size_t held = 0;
  bool endOfInput = false;
  int readError = -1;
  while (!m_bCancel && !endOfInput) {
    std::uint8_t* const chunk = m_scratchArea.get() + held;
    const ssize_t got = ReadInput(fd.Get(), chunk, kReadSize);
    if (got < 0) {
      readError = errno;
      break;
    }
    const auto n = static_cast<std::size_t>(got);
    endOfInput = n < kReadSize;
    m_nDoneBytes += n;
    tally.Add(chunk, n);
    if (m_bDetectUtf8) {
      const std::size_t total = held + n;
      held = utf8.Add(m_scratchArea.get(), total, endOfInput);
      std::memmove(m_scratchArea.get(), m_scratchArea.get() + total - held, held);
    }
    m_host.PumpMessage();
  }
  fd.Reset();
  if (m_nDoneBytes < m_nTotalBytes) m_nDoneBytes = m_nTotalBytes;
  m_host.EndDetectProgress();
  const bool cancelled = m_bCancel;
  m_bCancel = false;
  if (readError >= 0) return Outcome::Failed(Failure::kRead, File::kInput, name, readError);
  // A cancelled detection still offers its guess from what it has read.
  StoreGuess(tally, utf8);
  return cancelled ? Outcome::Cancelled() : Outcome{};
}

ssize_t Converter::ReadInput(int fd, void* buffer, std::size_t size) {
  return ReadFull(fd, buffer, size);
}

bool Converter::WriteOutput(int fd, const void* data, std::size_t size) {
  return WriteAll(fd, data, size);
}

bool Converter::ReplaceFile(int dirFd, const std::string& from, const std::string& to) {
  return ::renameat(dirFd, from.c_str(), dirFd, to.c_str()) == 0;
}

}  // namespace pismovar
