// Converts what one descriptor gives into another, chunk by chunk: a stream one read at a
// time, each written as soon as it is converted, and a large regular file on two threads that
// take the chunks in turn. A regular file may be mapped instead of read (mapped_file.h). After
// every chunk it counts its progress and stops at the caller's request.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "engine/outcome.h"
#include "engine/system_calls.h"
#include "engine/transcoder.h"
#include "engine/watch.h"

namespace pismovar {

class ChunkPump {
 public:
  // A chunk may end in a CR or in the beginning of a UTF-8 sequence: these bytes are held back
  // and go in front of the next.
  static constexpr std::size_t kMaxHeldBytes = Transcoder::kMaxHeldBytes;
  // The size of a work area for reads of `readSize` bytes.
  static constexpr std::size_t WorkAreaSize(std::size_t readSize) {
    return Transcoder::OutputRoom(readSize + kMaxHeldBytes);
  }
  // One thread reads at most this much at a time: the input and the output stay in the cache,
  // and a small file's run touches (and faults in) few pages of the work areas.
  static constexpr std::size_t kStepSize = 256u << 10;

  // How much of a regular file one thread maps at a time, where it maps.
  static constexpr std::size_t kWindowSize = 4u << 20;

  // A regular file of more than `twoThreadsFrom` bytes (at least `readSize`, the most one read
  // of the two threads asks for) is converted on two threads. With `strict` a conversion that
  // lost anything fails. With `map` a regular file is mapped up to the size it had, not read
  // (mapped_file.h); a file cut short meanwhile fails the run.
  ChunkPump(std::size_t readSize, std::uint64_t twoThreadsFrom, bool strict, bool map,
            SystemCalls& system, const Watch& watch, ProgressCounter& progress);

  // Converts fdIn into fdOut with `transcoder`, adding what is lost to `losses`; a failure
  // names `inPath` or, as `outFile`, `outPath`. `ahead` is converted before anything is read
  // from fdIn; `opened` is fdIn's status when the file was just opened, at its start. A
  // regular file is otherwise converted from where its descriptor stands. `totalBytes` is the
  // input's length for the progress, 0 when unknown.
  Outcome Run(const Transcoder& transcoder, Utf8Losses& losses, int fdIn, const std::string& inPath,
              int fdOut, Outcome::File outFile, const std::string& outPath,
              std::uint64_t totalBytes, std::span<const std::uint8_t> ahead = {},
              const struct stat* opened = nullptr);

 private:
  // Converts about the first `size` bytes from offset `base` of the regular file fdIn on two
  // threads; the progress gets how many, and fdIn is left after them for the rest of the run.
  Outcome RunFileChunks(const Transcoder& transcoder, Utf8Losses& losses, int fdIn,
                        std::uint64_t base, const std::string& inPath, int fdOut,
                        Outcome::File outFile, const std::string& outPath, std::uint64_t size);

  const std::size_t m_readSize;
  const std::size_t m_stepSize;  // what one thread reads at a time
  const std::uint64_t m_twoThreadsFrom;
  const bool m_strict;
  const bool m_map;
  SystemCalls& m_system;
  const Watch& m_watch;
  ProgressCounter& m_progress;
  // The work areas, allocated once and reused by every chunk of every file: the input chunk
  // and the converted chunk; the second thread's, made for the first file that needs them.
  std::unique_ptr<std::uint8_t[]> m_inArea;
  std::unique_ptr<std::uint8_t[]> m_outArea;
  std::unique_ptr<std::uint8_t[]> m_secondInArea;
  std::unique_ptr<std::uint8_t[]> m_secondOutArea;
};

}  // namespace pismovar
