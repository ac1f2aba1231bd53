// The conversion engine over files and descriptors: converts files and streams between code
// pages and line ends, in place in batches, and guesses a file's code page and line ends. The
// caller gives the choices with each call and gets typed results back; it follows the work
// and stops it through a Watch it owns.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "engine/byte_map.h"
#include "engine/char_table.h"
#include "engine/code_page.h"
#include "engine/detect.h"
#include "engine/file_list.h"
#include "engine/kernels/kernels.h"
#include "engine/outcome.h"
#include "engine/posix_file.h"
#include "engine/system_calls.h"
#include "engine/transcoder.h"
#include "engine/utf8.h"

namespace pismovar {

class DetectTally;

// How a caller follows and stops the engine's work. The caller owns the stop source behind
// `stop`: the engine looks at it after every chunk and ends the work there as a cancel. After
// every chunk, on the thread that runs the work, it calls `step` (when set), where a caller
// without an event loop of its own draws its progress or takes a signal's cancel into its
// stop source.
struct Watch {
  std::stop_token stop;
  std::function<void()> step;
};

// What a detection of a file found: the outcome (a cancelled full detection still has its
// guess from what it read) and the guess.
struct Detection {
  Outcome outcome;
  Guess guess;
};

class Converter {
 public:
  static constexpr std::size_t kReadSize = 102400;
  // The command-line tool's reads: a large file converts about an eighth faster than with
  // 100 KB reads, and the work areas stay small enough to stay in cache.
  static constexpr std::size_t kLargeReadSize = 512u << 10;
  // A read may end in a CR or in the beginning of a UTF-8 sequence: these bytes are held back
  // and go in front of the next read.
  static constexpr std::size_t kMaxHeldBytes = Transcoder::kMaxHeldBytes;
  // The size of a work area for reads of `readSize` bytes.
  static constexpr std::size_t WorkAreaSize(std::size_t readSize) {
    return Transcoder::OutputRoom(readSize + kMaxHeldBytes);
  }
  static constexpr std::size_t kQuickDetectSize = 5120;
  // One thread reads at most this much at a time: the input and the output stay in the cache,
  // and a small file's run touches (and faults in) few pages of the work areas.
  static constexpr std::size_t kStepSize = 128u << 10;
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

  // Many small files in place: ConvertFileHeld converts `path` as ConvertFile(path, path)
  // would, but holds the converted file back (kDone: held). ReplaceHeld then puts every held
  // file in place together, its data on disk before any of them takes its input's name, and
  // gives each input's name with its final outcome; DropHeld leaves every held input as it
  // was. A batch is full at kBatchFiles files or kBatchBytes bytes, or when few file
  // descriptors are left; a file that finds none left puts the batch in place first, and the
  // next ReplaceHeld gives those outcomes too. (FileBatch, file_batch.h, runs a whole list this
  // way.)
  static constexpr std::size_t kBatchFiles = 64;
  static constexpr std::uint64_t kBatchBytes = std::uint64_t{64} << 20;
  // A file to convert in place: by its name, or by its name in a folder the caller walks by
  // descriptors (never through a link there, so that a folder swapped for a link cannot lead
  // elsewhere); opened already, so that it is opened once, or not.
  struct InPlaceFile {
    std::string path;  // the file as named; names it in every outcome
    int dirFd = -1;    // in a walked tree: the folder it lies in, where it is `name`
    std::string name;
    UniqueFd file;          // read-only, not through a link; or not valid
    struct stat status {};  // its fstat, when `file` is valid
  };
  // `run` gets every file this converter puts in place, and a file among them is not converted
  // again (kRepeated), since a second name of the input (a bind mount, another letter case)
  // leads to the converted file. A hard link still leads to the old text, which is converted
  // under that name. `run` must live until the batch is put in place or dropped.
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

  // Guesses the code page and line end of the file `path` from its first 5120 bytes. Fails
  // only when the file cannot be opened or read, or is no regular file.
  Detection QuickDetect(const std::string& path);
  // The same from the open file `fd` (read from its start, wherever it stands), named `path`
  // in a failure.
  Detection QuickDetect(int fd, const std::string& path);

  // The same from the whole file; can be stopped, and then guesses from what it has read.
  Detection FullDetect(const std::string& path);
  Detection FullDetect(int fd, const std::string& path);

  // How far the work on the current file is, in bytes; `total` 0 when unknown. Any thread may
  // ask while the work runs.
  struct Progress {
    std::uint64_t done = 0;
    std::uint64_t total = 0;
    // Per cent done, 0..100; an empty file counts as complete.
    int Percent() const;
  };
  Progress CurrentProgress() const { return {m_doneBytes, m_totalBytes}; }

 private:
  // Checks `choices` and makes the transcoder for them (kept while they stay the same), and
  // starts counting what the conversion loses; false when a code page or line end is out of
  // range.
  bool Prepare(const Choices& choices);
  // Whether the caller has asked to stop; calls the caller's step first.
  bool StepAndCheckStop();
  // Converts fdIn into fdOut; a failure names `inPath` or, as `outFile`, `outPath`.
  // `ahead` is converted before anything is read from fdIn.
  // `opened` is fdIn's status when the file was just opened, at its start.
  Outcome RunChunks(int fdIn, const std::string& inPath, int fdOut, Outcome::File outFile,
                    const std::string& outPath, std::uint64_t totalBytes,
                    std::span<const std::uint8_t> ahead = {}, const struct stat* opened = nullptr);
  // Converts about the first `size` bytes from offset `base` of the regular file fdIn on two
  // threads; m_doneBytes gets how many, and fdIn is left after them for the rest of the run.
  Outcome RunFileChunks(int fdIn, std::uint64_t base, const std::string& inPath, int fdOut,
                        Outcome::File outFile, const std::string& outPath, std::uint64_t size);
  struct Held;
  // Replaces the file `path` by its converted text; a link at `path` is followed only with
  // `followLink`.
  Outcome ConvertInPlace(const std::string& path, bool followLink);
  // The first part of it: `held` gets the locked input and its converted text, not yet in
  // place.
  Outcome PrepareInPlace(const std::string& path, bool followLink, Held& held);
  // The same once held.directory, held.name and held.path are set.
  Outcome OpenDirectory(Held& held);
  // The same once held.dir is open too.
  Outcome PrepareInDirectory(Held& held);
  // Holds the file that `prepare` converts; puts the batch in place first when the
  // descriptors run out.
  Outcome Hold(const Choices& choices, const std::string& path,
               const std::function<Outcome(Held&)>& prepare);
  // The second part, for a whole batch at once; empties `batch`.
  std::vector<std::pair<std::string, Outcome>> PutInPlace(
      std::vector<std::unique_ptr<Held>>& batch);
  // Flushes the batch's new files, or with `folders` their folders, to disk; a failure fails
  // every file it concerns that has not failed yet.
  void MakeDurable(const std::vector<std::unique_ptr<Held>>& batch, bool folders,
                   std::vector<std::pair<std::string, Outcome>>& outcomes);
  // Gives `held` the directory descriptor of the last held file when it lies in the same
  // folder (the same name, and in a walked tree the same descriptor of the caller's), so that
  // a batch opens each folder once; false when it does not.
  bool ShareDirectory(Held& held) const;
  // Removes what killed runs left in the directory, the first time a run writes there.
  void SweepOnce(int dirFd);
  Outcome ConvertToOther(int in, const struct stat& inStat, const std::string& input,
                         const std::string& output, std::span<const std::uint8_t> ahead = {});
  // Settles the progress for the caller's display and gives the outcome what was lost.
  Outcome Settle(Outcome outcome);
  // Opens `path` for a detection: a regular file, not waited for.
  Detection OpenToDetect(const std::string& path, UniqueFd& fd);

  const Settings m_settings;
  const Watch m_watch;
  SystemCalls m_ownSystem;
  SystemCalls& m_system;
  // The choices prepared for the loops; empty until Prepare succeeds.
  std::optional<Transcoder> m_transcoder;
  // What the conversion under way has lost.
  Utf8Losses m_losses;
  std::atomic<std::uint64_t> m_doneBytes{0};
  std::atomic<std::uint64_t> m_totalBytes{0};
  // The work areas, allocated once and reused by every chunk of every file: the input
  // chunk, the converted chunk, and the area detection reads into.
  const std::size_t m_stepSize;  // what one thread reads at a time
  const std::uint64_t m_twoThreadsFrom;
  std::unique_ptr<std::uint8_t[]> m_inArea;
  std::unique_ptr<std::uint8_t[]> m_outArea;
  std::unique_ptr<std::uint8_t[]> m_scratchArea;
  // How many files the process may have open (RLIMIT_NOFILE).
  const std::size_t m_descriptorLimit;
  // The second thread's input and output areas, made for the first file that needs them.
  std::unique_ptr<std::uint8_t[]> m_secondInArea;
  std::unique_ptr<std::uint8_t[]> m_secondOutArea;
  // The converted files that wait for ReplaceHeld, and their inputs' total size.
  std::vector<std::unique_ptr<Held>> m_held;
  std::uint64_t m_heldBytes = 0;
  // The outcomes of a batch put in place early, for the next ReplaceHeld.
  std::vector<std::pair<std::string, Outcome>> m_placed;
  // The folders whose leftovers have been removed.
  std::set<FileId> m_swept;
};

}  // namespace pismovar
