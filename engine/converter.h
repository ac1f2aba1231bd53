// The conversion engine over files and descriptors: converts files and streams between code
// pages and line ends, in place in batches, and guesses a file's code page and line ends. The
// caller gives the choices with each call and gets typed results back; it follows the work
// and stops it through a Watch it owns.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engine/chunk_pump.h"
#include "engine/code_page.h"
#include "engine/detect.h"
#include "engine/file_list.h"
#include "engine/in_place_batch.h"
#include "engine/outcome.h"
#include "engine/posix_file.h"
#include "engine/repair.h"
#include "engine/system_calls.h"
#include "engine/transcoder.h"
#include "engine/watch.h"

namespace pismovar {

// What a detection of a file found: the outcome (a cancelled full detection still has its
// guess from what it read) and the guess.
struct Detection {
  Outcome outcome;
  Guess guess;
};

// What a repair of a file did: its outcome (kDone also when there was nothing to undo, and
// then the file is as it was) and what was undone.
struct Repaired {
  Outcome outcome;
  RepairResult repair;
};

class Converter {
 public:
  static constexpr std::size_t kReadSize = 102400;
  // The command-line tool's chunks: a large file is converted and detected a sixth faster
  // than in chunks of 512 KiB (a mapping and a turn to write each), at up to 12 MiB of memory.
  static constexpr std::size_t kLargeReadSize = 2u << 20;
  static constexpr std::size_t kMaxHeldBytes = ChunkPump::kMaxHeldBytes;
  static constexpr std::size_t kQuickDetectSize = 5120;
  // From this size on the command-line tool converts a file on two threads; a smaller one
  // does not pay for starting the second (its stack, its memory arena, its own areas).
  static constexpr std::uint64_t kTwoThreadsFrom = std::uint64_t{16} << 20;

  // What stays the same for every file a converter serves.
  struct Settings {
    // The most one read of the input asks for: the desktop program reads kReadSize bytes at a
    // time, the command-line tool kLargeReadSize.
    std::size_t readSize = kReadSize;
    // A regular file of more than this many bytes (at least readSize) is converted on two
    // threads; 0: from readSize on.
    std::uint64_t twoThreadsFrom = 0;
    // A conversion that lost anything fails (its output to a stream is written all the same).
    bool strict = false;
    // An in-place input that is a symbolic link: convert the file it leads to, or refuse it.
    bool followSymlinks = true;
    // Detection may answer kCodeUtf8.
    bool detectUtf8 = true;
    // Regular files are mapped rather than read, which saves copying them: for a program, whose
    // handler of SIGBUS the converter installs (mapped_file.h), not for a library.
    bool mapInput = false;
  };

  // `system` makes the calls on files; by default the real ones.
  Converter();
  explicit Converter(const Settings& settings, Watch watch = {}, SystemCalls* system = nullptr);
  ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Every conversion below first checks `choices` (a failure kChoices when a code page or line
  // end is out of range), and its outcome carries what it lost (Outcome::losses).

  // Converts the file `input` into the file `output`. Equal names, or an output that is the
  // input under another name, convert in place: the text goes to a new temporary file beside
  // the input, which takes the input's owner, mode, ACLs and extended attributes and replaces
  // it only when all of it is on disk and the input is still the file that was read,
  // unchanged (its size, its modification and its change time). The input is locked
  // meanwhile, so that a second run on it fails. A symbolic link given as an in-place input is
  // followed only with Settings::followSymlinks. A regular output file (or the one a link at
  // `output` leads to) is written the same way, beside it, and takes its place, owner, mode,
  // ACLs and extended attributes only when the conversion has succeeded; a device or a FIFO is
  // written directly. So the input, and an existing output, are never changed by a failure or
  // a cancel, and a new output is not made.
  Outcome ConvertFile(const Choices& choices, const std::string& input, const std::string& output);
  // The same from the input the caller has opened already, read from where it stands, so that
  // the file it examined is the file converted.
  Outcome ConvertFile(const Choices& choices, UniqueFd in, const std::string& input,
                      const std::string& output);

  // Many small files in place (in_place_batch.h): ConvertFileHeld converts a file as
  // ConvertFile(path, path) would, but holds the converted file back (kDone: held);
  // ReplaceHeld puts every held file in place together and gives each input's name with its
  // final outcome; DropHeld leaves every held input as it was. FileBatch (file_batch.h) runs
  // a whole list this way.
  Outcome ConvertFileHeld(const Choices& choices, InPlaceFile file, SeenFiles& run);
  bool BatchFull() const;
  std::vector<std::pair<std::string, Outcome>> ReplaceHeld();
  void DropHeld();

  // Converts everything readable from `fdIn` into `fdOut`. `ahead` holds bytes already read
  // from `fdIn` (a detection's look-ahead), converted before the rest; `fdIn` is -1 when they
  // are all of the input (a terminal is not read again after its end). What each read gives is
  // written at once, so a pipe's text comes out as it arrives. `totalBytes` is the input's
  // length for the progress, 0 when unknown. An output that is the input's own file fails
  // before anything is read.
  Outcome ConvertStream(const Choices& choices, int fdIn, int fdOut, std::uint64_t totalBytes,
                        std::span<const std::uint8_t> ahead = {});

  // The same into the file `output`, which is created and, when the conversion fails,
  // removed again as ConvertFile does; `input` names the stream in a failure.
  Outcome ConvertStreamToFile(const Choices& choices, int fdIn, const std::string& input,
                              const std::string& output, std::span<const std::uint8_t> ahead = {});

  // Undoes the misreading that damaged the file `path` (text in `encoding`, as detected), in
  // place and as safely as a conversion in place; repair.h says what is undone.
  Repaired RepairFile(const std::string& path, CodePage encoding);

  // Guesses the code page and line end of the file `path` from its first 5120 bytes. Fails
  // only when the file cannot be opened or read, or is no regular file.
  Detection QuickDetect(const std::string& path);
  // The same from the open file `fd` (read from its start, wherever it stands), named `path`
  // in a failure.
  Detection QuickDetect(int fd, const std::string& path);

  // The same from the whole file; can be stopped, and then guesses from what it has read.
  Detection FullDetect(const std::string& path);
  Detection FullDetect(int fd, const std::string& path);

  // How far the work on the current file is; any thread may ask while the work runs.
  Progress CurrentProgress() const { return m_progress.Get(); }

 private:
  // Checks `choices` and makes the transcoder for them (kept while they stay the same), and
  // starts counting what the conversion loses; false when a code page or line end is out of
  // range.
  bool Prepare(const Choices& choices);
  Outcome ConvertToOther(int in, const struct stat& inStat, const std::string& input,
                         const std::string& output, std::span<const std::uint8_t> ahead = {});
  // The rewrite of a conversion in place: the chunk pump with the choices prepared.
  InPlaceBatch::Rewrite Pumped();
  // Settles the progress for the caller's display and gives the outcome what was lost.
  Outcome Settle(Outcome outcome);
  // Opens `path` for a detection: a regular file, not waited for.
  static Detection OpenToDetect(const std::string& path, UniqueFd& fd);

  const Settings m_settings;
  const Watch m_watch;
  SystemCalls m_ownSystem;
  SystemCalls& m_system;
  ProgressCounter m_progress;
  // The choices prepared for the loops; empty until Prepare succeeds.
  std::optional<Transcoder> m_transcoder;
  // What the conversion under way has lost.
  Utf8Losses m_losses;
  StaleFileSweep m_sweep;
  ChunkPump m_pump;
  InPlaceBatch m_batch;
};

}  // namespace pismovar
