#include "engine/chunk_pump.h"

#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

namespace pismovar {

using Failure = Outcome::Failure;
using File = Outcome::File;

namespace {

// How long a thread whose chunk is converted stays awake for its turn to write, where each
// thread has a processor of its own: the chunk before is usually being written and about to
// be done, and a thread put to sleep takes long to wake (on a virtual machine about as long as
// writing a chunk takes).
constexpr auto kAwakeForTurn = std::chrono::microseconds(500);

bool SeveralProcessors() {
  cpu_set_t processors;
  return ::sched_getaffinity(0, sizeof processors, &processors) == 0 && CPU_COUNT(&processors) > 1;
}

}  // namespace

ChunkPump::ChunkPump(std::size_t readSize, std::uint64_t twoThreadsFrom, bool strict, bool map,
                     SystemCalls& system, const Watch& watch, ProgressCounter& progress)
    : m_readSize(readSize),
      m_stepSize(std::min(readSize, kStepSize)),
      m_twoThreadsFrom(std::max<std::uint64_t>(twoThreadsFrom, readSize)),
      m_strict(strict),
      m_map(map),
      m_system(system),
      m_watch(watch),
      m_progress(progress),
      m_inArea(std::make_unique_for_overwrite<std::uint8_t[]>(WorkAreaSize(readSize))),
      m_outArea(std::make_unique_for_overwrite<std::uint8_t[]>(WorkAreaSize(readSize))) {}

Outcome ChunkPump::Run(const Transcoder& transcoder, Utf8Losses& losses, int fdIn,
                       const std::string& inPath, int fdOut, Outcome::File outFile,
                       const std::string& outPath, std::uint64_t totalBytes,
                       std::span<const std::uint8_t> ahead, const struct stat* opened) {
  m_progress.Start(totalBytes);
  std::size_t held = 0;
  const Choices& choices = transcoder.GetChoices();
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
            RunFileChunks(transcoder, losses, fdIn, static_cast<std::uint64_t>(base), inPath, fdOut,
                          outFile, outPath, static_cast<std::uint64_t>(inStat.st_size - base));
        outcome.result != Outcome::kDone) {
      return outcome;
    }
    if (m_progress.done != 0) bom = false;
  }
  // What is left, or all of a stream: one read at a time, each taking what has arrived, so
  // that a pipe's text is converted and written as it comes. A regular file longer than one
  // read is mapped up to the size it had, a window at a time, and read on from there; a
  // shorter one costs one read, less than a mapping and its removal.
  std::uint64_t offset = base >= 0 ? static_cast<std::uint64_t>(base) + m_progress.done : 0;
  std::uint64_t mapEnd = m_map && ahead.empty() && base >= 0 && S_ISREG(inStat.st_mode) &&
                                 static_cast<std::uint64_t>(inStat.st_size) > m_stepSize
                             ? inStat.st_size
                             : 0;
  MappedWindow window;
  for (bool endOfInput = false; !endOfInput;) {
    // The bytes held back from the previous piece stand in front of this one.
    const std::uint8_t* in = m_inArea.get();
    ssize_t got = 0;
    if (!ahead.empty()) {
      got = static_cast<ssize_t>(std::min(ahead.size(), m_stepSize));
      std::memcpy(m_inArea.get() + held, ahead.data(), static_cast<std::size_t>(got));
      ahead = ahead.subspan(static_cast<std::size_t>(got));
    } else if (offset < mapEnd) {
      const auto size =
          static_cast<std::size_t>(std::min<std::uint64_t>(m_stepSize, mapEnd - offset));
      const std::uint64_t from = offset - held;
      if (!window || from < window.Offset() || offset + size > window.Offset() + window.Size()) {
        window = MappedWindow();  // unmapped before the next is mapped
        window = m_system.Map(fdIn, from, std::min<std::uint64_t>(kWindowSize, mapEnd - from));
      }
      if (window) {
        in = window.Data() + (from - window.Offset());
        got = static_cast<ssize_t>(size);
        offset += size;
      }
      // Reads go on from the end of what was mapped, or from where mapping was refused.
      if ((!window || offset == mapEnd) &&
          ::lseek(fdIn, static_cast<off_t>(offset), SEEK_SET) < 0) {
        return Outcome::Failed(Failure::kRead, File::kInput, inPath, errno);
      }
      if (!window) {
        mapEnd = 0;
        continue;
      }
    } else if (fdIn >= 0) {
      got = m_system.Read(fdIn, m_inArea.get() + held, m_stepSize);
    }
    if (got < 0 && errno == EINTR) {
      // A signal interrupted a read that was waiting: perhaps the user cancelled.
      if (m_watch.StepAndCheckStop()) return Outcome::Cancelled();
      continue;
    }
    if (got < 0) return Outcome::Failed(Failure::kRead, File::kInput, inPath, errno);
    std::size_t n = held + static_cast<std::size_t>(got);
    // A file just opened has ended once a read gives less than asked and all it held then
    // has been read: no read is needed to find its end. One that grew meanwhile fails the
    // check before it is replaced.
    endOfInput = got == 0 || (opened != nullptr && static_cast<std::size_t>(got) < m_stepSize &&
                              m_progress.done + n >= static_cast<std::uint64_t>(opened->st_size));
    held = endOfInput ? 0 : transcoder.HeldBack(in, n);
    n -= held;
    const std::size_t outSize =
        transcoder.ConvertChunk(in, n, m_progress.done, bom, m_outArea.get(), losses);
    bom = false;
    m_progress.done += n;
    std::memmove(m_inArea.get(), in + n, held);
    if (window.Cut()) return Outcome::Failed(Failure::kChanged, File::kInput, inPath);
    if (outSize != 0 && !m_system.Write(fdOut, m_outArea.get(), outSize)) {
      return Outcome::Failed(Failure::kWrite, outFile, outPath, errno);
    }
    if (m_watch.StepAndCheckStop()) return Outcome::Cancelled();
  }
  if (m_strict && (losses.replaced != 0 || losses.malformed != 0)) {
    return Outcome::Failed(Failure::kLossy, File::kInput, inPath);
  }
  return {};
}

Outcome ChunkPump::RunFileChunks(const Transcoder& transcoder, Utf8Losses& losses, int fdIn,
                                 std::uint64_t base, const std::string& inPath, int fdOut,
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
  const std::size_t readSize = m_readSize;
  if (!m_secondInArea || !m_secondOutArea) {
    m_secondInArea.reset(new (std::nothrow) std::uint8_t[WorkAreaSize(readSize)]);
    m_secondOutArea.reset(new (std::nothrow) std::uint8_t[WorkAreaSize(readSize)]);
  }
  const bool twoThreads = m_secondInArea && m_secondOutArea;
  Worker workers[2] = {{m_inArea.get(), m_outArea.get(), {}},
                       {m_secondInArea.get(), m_secondOutArea.get(), {}}};
  const bool bom = transcoder.GetChoices().writeBom && transcoder.GetChoices().codeOut == kCodeUtf8;
  // The chunk whose text is written next, or kNoMore once nothing more is to be written; the
  // first failure, or a cancel.
  constexpr std::uint64_t kNoMore = ~std::uint64_t{0};
  std::mutex turnMutex;
  std::condition_variable turnChanged;
  std::atomic<std::uint64_t> turn{0};
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
  // Waits for the turn to write `chunk`; false once the run has stopped.
  const bool stayAwake = SeveralProcessors();
  const auto awaitTurn = [&](std::uint64_t chunk) {
    const auto come = [&] { return turn == chunk || turn == kNoMore; };
    const auto until = std::chrono::steady_clock::now() + kAwakeForTurn;
    while (stayAwake && !come() && std::chrono::steady_clock::now() < until) {
      std::this_thread::yield();
    }
    std::unique_lock lock(turnMutex);
    turnChanged.wait(lock, come);
    return turn != kNoMore;
  };
  const auto convertChunk = [&](Worker& worker) {
    const std::uint64_t chunk = nextChunk.fetch_add(1);
    const std::uint64_t start = chunk * readSize;
    if (start >= size || stopped) return false;
    const std::uint64_t end = std::min(size, start + readSize);
    const std::uint64_t from = start - std::min<std::uint64_t>(start, kMaxHeldBytes);
    MappedWindow window = m_map ? m_system.Map(fdIn, base + from, end - from) : MappedWindow();
    const std::uint8_t* const in = window ? window.Data() : worker.in;
    const ssize_t read = window ? static_cast<ssize_t>(end - from)
                                : m_system.ReadWholeAt(fdIn, worker.in, end - from, base + from);
    if (read < 0) {
      fail(Outcome::Failed(Failure::kRead, File::kInput, inPath, errno));
      return false;
    }
    const auto got = static_cast<std::size_t>(read);
    // A file cut short meanwhile ends the chunks here; the rest of the run reads on from
    // where they stop.
    const bool cut = got < end - from;
    const std::size_t front = start - from;
    const std::size_t first = got < front ? front : front - transcoder.HeldBack(in, front);
    const std::size_t last =
        got <= front ? first : std::max(first, got - transcoder.HeldBack(in, got));
    const std::size_t outSize =
        transcoder.ConvertChunk(in + first, last - first, from + first, bom && from + first == 0,
                                worker.out, worker.losses);
    if (window.Cut()) {
      fail(Outcome::Failed(Failure::kChanged, File::kInput, inPath));
      return false;
    }
    window = MappedWindow();
    if (!awaitTurn(chunk)) return false;
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
      m_progress.done = written.load();
      if (m_watch.StepAndCheckStop()) fail(Outcome::Cancelled());
    }
  }
  for (const Worker& worker : workers) losses.Add(worker.losses);
  m_progress.done = written.load();
  if (failed.result != Outcome::kDone) return failed;
  // The rest of the run reads on from the end of what was converted.
  if (::lseek(fdIn, static_cast<off_t>(base + m_progress.done), SEEK_SET) < 0) {
    return Outcome::Failed(Failure::kRead, File::kInput, inPath, errno);
  }
  return {};
}

}  // namespace pismovar
