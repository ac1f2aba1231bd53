// The converter's detection of a file: its start, or all of it on two threads.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "engine/converter.h"
#include "engine/detect.h"
#include "engine/mapped_file.h"
#include "engine/utf8.h"

namespace pismovar {

using Failure = Outcome::Failure;
using File = Outcome::File;

// The least a full detection reads at a time, for files that say they are smaller (those of
// /proc say 0).
constexpr std::size_t kMinDetectRead = 64u << 10;

Detection Converter::OpenToDetect(const std::string& path, UniqueFd& fd) {
  // Not blocking: a FIFO or a device is refused by the type check, not waited for.
  fd = UniqueFd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!fd.Valid()) return {Outcome::Failed(Failure::kInputOpen, File::kInput, path, errno), {}};
  return {};
}

Detection Converter::QuickDetect(const std::string& path) {
  UniqueFd fd;
  if (Detection opened = OpenToDetect(path, fd); opened.outcome.result != Outcome::kDone) {
    return opened;
  }
  return QuickDetect(fd.Get(), path);
}

Detection Converter::FullDetect(const std::string& path) {
  UniqueFd fd;
  if (Detection opened = OpenToDetect(path, fd); opened.outcome.result != Outcome::kDone) {
    return opened;
  }
  return FullDetect(fd.Get(), path);
}

// The size of the regular file `fd`, or the failure that it is none.
static Outcome SizeToDetect(int fd, const std::string& path, std::uint64_t& size) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return Outcome::Failed(Failure::kInputOpen, File::kInput, path, errno);
  if (!S_ISREG(st.st_mode)) return Outcome::Failed(Failure::kNotRegular, File::kInput, path);
  size = static_cast<std::uint64_t>(st.st_size);
  return {};
}

Detection Converter::QuickDetect(int fd, const std::string& path) {
  std::uint64_t size = 0;
  if (Outcome regular = SizeToDetect(fd, path, size); regular.result != Outcome::kDone) {
    return {regular, {}};
  }
  std::uint8_t start[kQuickDetectSize];
  const ssize_t got = m_system.ReadWholeAt(fd, start, sizeof start, 0);
  if (got < 0) return {Outcome::Failed(Failure::kRead, File::kInput, path, errno), {}};
  const auto n = static_cast<std::size_t>(got);
  return {{}, DetectText(start, n, size <= n, m_settings.detectUtf8)};
}

Detection Converter::FullDetect(int fd, const std::string& path) {
  std::uint64_t size = 0;
  if (Outcome regular = SizeToDetect(fd, path, size); regular.result != Outcome::kDone) {
    return {regular, {}};
  }
  // A chunk with the bytes in front of it fills one area of each thread; a file smaller than a
  // read needs no more than itself and a read that finds its end.
  const std::size_t readSize = static_cast<std::size_t>(std::min<std::uint64_t>(
      std::max<std::uint64_t>(size + 1, kMinDetectRead), m_settings.readSize));
  const std::size_t areaSize = readSize + kMaxHeldBytes;
  m_progress.Start(size);
  // Two threads take the chunks in turn, each reading and counting its own, so that neither
  // waits for the other and each counts what is still in its own cache; their counts add up.
  // A chunk is read with the few bytes in front of it, where a UTF-8 sequence it finishes
  // begins, so that each sequence is counted once, by the chunk it ends in; the tally and the
  // UTF-8 check read its bytes in one pass.
  std::atomic<std::uint64_t> nextChunk{0};
  std::atomic<std::uint64_t> doneBytes{0};
  std::atomic<bool> stop{false};
  std::atomic<int> readError{-1};
  std::atomic<bool> changed{false};  // cut short beneath a window
  // What both threads have found of UTF-8, and in how many bytes, so that either stops
  // looking for it once the rest of the file could not change the verdict (an 8-bit text
  // settles within its first twentieth). Stopping then gives the answer counting all would.
  std::mutex utf8Lock;
  Utf8Detector utf8Found;
  std::uint64_t utf8Counted = 0;
  const auto utf8Settled = [&] {
    const std::lock_guard lock(utf8Lock);
    return utf8Found.CannotBecomeUtf8(size - std::min(size, utf8Counted));
  };
  // What the language model makes of the start of the file: the thread that reads it finds
  // out while the other one counts on.
  std::optional<SampleReading> reading;
  // Once the sample shows that the guess is UTF-8 whatever the letters, as long as the text
  // stays UTF-8, the rest is counted without them. The parts so counted (the offset and the
  // length of each) are tallied after all where the text turns out not UTF-8.
  std::atomic<bool> lettersUndecisive{false};
  std::vector<std::pair<std::uint64_t, std::size_t>> withoutLetters;
  // Reads and counts one chunk; false once the file has ended or the run is to stop. The
  // chunks go on past the size the file had when it was opened, until a read finds its end.
  const auto countChunk = [&](DetectTally& tally, std::uint8_t* buffer) {
    const std::uint64_t start = nextChunk.fetch_add(1) * readSize;
    if (stop) return false;
    const std::uint64_t end = start + readSize;
    const std::uint64_t from = start - std::min<std::uint64_t>(start, kMaxHeldBytes);
    // A chunk within the size the file had is mapped where the converter maps.
    const MappedWindow window =
        m_settings.mapInput && end <= size ? m_system.Map(fd, from, end - from) : MappedWindow();
    const std::uint8_t* const text = window ? window.Data() : buffer;
    const ssize_t read = window ? static_cast<ssize_t>(end - from)
                                : m_system.ReadWholeAt(fd, buffer, end - from, from);
    if (read < 0) {
      int none = -1;
      readError.compare_exchange_strong(none, errno);
      stop = true;
      return false;
    }
    const auto got = static_cast<std::size_t>(read);
    const std::size_t front = start - from;
    if (got < front) return false;  // the file ended in an earlier chunk
    // The end of the file lies in this chunk: a sequence the chunk before left incomplete
    // is cut off.
    const bool last = got < end - from;
    if (start == 0) {
      const std::size_t sample = std::min(got - front, kModelSampleSize);
      reading =
          ReadSample(text + front, sample, last && got - front == sample, m_settings.detectUtf8);
      lettersUndecisive = !last && m_settings.detectUtf8 && Utf8DecidedBySample(*reading);
    }
    // The tally counts the same bytes as the UTF-8 check, with or without it, so that the
    // chunks' tallies add up to the file's.
    const std::size_t before = utf8::IncompleteEnd(text, front);
    const std::uint8_t* const counted = text + front - before;
    const std::size_t length = got - front + before;
    // Past the size the file had when opened, the rest is unknown: every byte is counted.
    if (end > size || !utf8Settled()) {
      bool letters = true;
      if (lettersUndecisive && end <= size) {
        const std::lock_guard lock(utf8Lock);
        letters = !utf8Found.IsUtf8();
      }
      Utf8Detector chunk;
      const std::size_t held = tally.Add(counted, length, last, chunk, letters);
      const std::lock_guard lock(utf8Lock);
      utf8Found.Add(chunk);
      utf8Counted += got - front;
      if (!letters) withoutLetters.emplace_back(start - before, length - held);
    } else {
      tally.Add(counted, length - (last ? 0 : utf8::IncompleteEnd(counted, length)));
    }
    if (window.Cut()) {
      changed = true;
      stop = true;
      return false;
    }
    doneBytes += got - front;
    return !last;
  };
  DetectTally tallies[2];
  bool cancelled = false;
  const auto area = std::make_unique_for_overwrite<std::uint8_t[]>(areaSize);
  {
    std::jthread second;
    if (size > readSize) {
      second = StartSecondThread([&] {
        const auto own = std::make_unique_for_overwrite<std::uint8_t[]>(areaSize);
        while (countChunk(tallies[1], own.get())) {
        }
      });
    }
    while (countChunk(tallies[0], area.get())) {
      m_progress.done = doneBytes.load();
      if (m_watch.StepAndCheckStop()) {
        cancelled = true;
        stop = true;
      }
    }
  }
  tallies[0].Add(tallies[1]);
  if (!utf8Found.IsUtf8()) {
    for (const auto& [offset, length] : withoutLetters) {
      const ssize_t read = m_system.ReadWholeAt(fd, area.get(), length, offset);
      if (read < 0) {
        readError = errno;
        break;
      }
      tallies[0].AddLetters(area.get(), static_cast<std::size_t>(read));
    }
  }
  m_progress.Finish();
  if (readError >= 0) {
    return {Outcome::Failed(Failure::kRead, File::kInput, path, readError), {}};
  }
  if (changed) return {Outcome::Failed(Failure::kChanged, File::kInput, path), {}};
  // A cancelled detection still offers its guess from what it has read.
  return {cancelled ? Outcome::Cancelled() : Outcome{},
          DecideGuess(tallies[0].Counts(), utf8Found, m_settings.detectUtf8,
                      reading ? *reading : ReadSample(nullptr, 0, true, false))};
}

}  // namespace pismovar
