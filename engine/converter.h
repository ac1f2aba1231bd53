// The conversion engine: converts chunks and files between code pages and line ends, and
// guesses a text's code page and line ends. One Converter serves one driver (EngineHost);
// it keeps the conversion state under the names the whole program uses.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engine/byte_map.h"
#include "engine/char_table.h"
#include "engine/code_page.h"
#include "engine/detect.h"
#include "engine/engine_host.h"
#include "engine/file_list.h"
#include "engine/kernels/kernels.h"
#include "engine/outcome.h"
#include "engine/posix_file.h"
#include "engine/transcoder.h"
#include "engine/utf8.h"

namespace pismovar {

class DetectTally;

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

  // `readSize` is the most one read of the input asks for: the desktop program reads
  // kReadSize bytes at a time, the command-line tool kLargeReadSize. A regular file of more
  // than `twoThreadsFrom` bytes (at least readSize) is converted on two threads.
  explicit Converter(EngineHost& host, std::size_t readSize = kReadSize,
                     std::uint64_t twoThreadsFrom = 0);
  virtual ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts m_inArea[0, size) into m_outArea: first every m_nLineEndIn line end becomes an
  // m_nLineEndOut one (only when they differ; occurrences never overlap), or with
  // m_bAllLineEnds every line end does; then between two 8-bit code pages every byte of 0x80
  // or above goes through the complete map (byte_map.h; with m_bLettersOnly the character
  // table alone), and from or to UTF-8 every character through the full tables (utf8.h),
  // adding what was lost to m_losses. Bytes below 0x80, NUL included, pass unchanged. Returns
  // the length of the result; writes no terminator. The choices must have been prepared
  // (PrepareChoices).
  std::size_t ConvertBuffer(std::size_t size);
  // Where ConvertBuffer reads (readSize + kMaxHeldBytes bytes) and writes
  // (WorkAreaSize(readSize)).
  std::uint8_t* InArea() { return m_inArea.get(); }
  const std::uint8_t* OutArea() const { return m_outArea.get(); }

  // Checks the four choices and builds the line-end sequences and the byte map (or the
  // UTF-8 tables) from them. Clears m_losses. false (nothing prepared) when a code page or
  // line end is out of range; either code page may be kCodeUtf8.
  bool PrepareChoices();

  // Converts the file `input` into the file `output` with the choices that UpdateData(true)
  // gives at the start. Equal names, or an output that is the input under another name,
  // convert in place: the text goes to a new temporary file beside the input, which takes
  // the input's owner, mode, ACLs and extended attributes and replaces it only when all of
  // it is on disk and the input is still the file that was read, unchanged (its size, its
  // modification and its change time). The input is locked meanwhile, so that a second run
  // on it fails. A symbolic link given as an in-place input is followed only with
  // m_bFollowSymlinks. A regular output file (or the one a link at `output` leads to) is
  // written the same way, beside it, and takes its place, owner, mode, ACLs and extended
  // attributes only when the conversion has succeeded; a device or a FIFO is written
  // directly. So the input, and an existing output, are never changed by a failure or a
  // cancel, and a new output is not made. With m_bStrict, a conversion that lost anything
  // (m_losses) fails. Shows nothing: the outcome says what happened.
  Outcome ConvertFile(std::string input, std::string output);

  // Many small files in place: ConvertFileHeld converts `path` as ConvertFile(path, path)
  // would, but holds the converted file back (kDone: held). ReplaceHeld then puts every held
  // file in place together, its data on disk before any of them takes its input's name, and
  // gives each input's name with its final outcome; DropHeld leaves every held input as it
  // was. A batch is full at kBatchFiles files or kBatchBytes bytes, or when few file
  // descriptors are left; a file that finds none left puts the batch in place first, and the
  // next ReplaceHeld gives those outcomes too.
  static constexpr std::size_t kBatchFiles = 64;
  static constexpr std::uint64_t kBatchBytes = std::uint64_t{64} << 20;
  Outcome ConvertFileHeld(const std::string& path);
  // The same within one run over many names: `run` gets every file this converter puts in
  // place, and a file among them is not converted again (kRepeated), since a second name of
  // the input (a bind mount, another letter case) leads to the converted file. A hard link
  // still leads to the old text, which is converted under that name. `run` must live until
  // the batch is put in place or dropped.
  Outcome ConvertFileHeld(const std::string& path, SeenFiles& run);
  // The same for the file `name` in the directory `dirFd`, never through a link: a folder
  // walked by its descriptors cannot be swapped for a link that leads elsewhere. `path`
  // names the file in the outcome.
  Outcome ConvertFileHeld(int dirFd, const std::string& name, const std::string& path,
                          SeenFiles& run);
  // The same two for a file the caller has opened already (`file`: read-only, not through a
  // link, at its start) and looked at (`status`: its fstat), so that it is opened once. The
  // first finds it as the last part of `path` in the folder the rest of `path` names.
  Outcome ConvertFileHeld(const std::string& path, SeenFiles& run, UniqueFd file,
                          const struct stat& status);
  Outcome ConvertFileHeld(int dirFd, const std::string& name, const std::string& path,
                          SeenFiles& run, UniqueFd file, const struct stat& status);
  bool BatchFull() const;
  std::vector<std::pair<std::string, Outcome>> ReplaceHeld();
  void DropHeld();

  // Converts everything readable from `fdIn` into `fdOut`, with the choices as they stand
  // (no UpdateData). `ahead` holds bytes already read from `fdIn` (a detection's look-ahead),
  // converted before the rest; `fdIn` is -1 when they are all of the input (a terminal is
  // not read again after its end). What each read gives is written at once, so a pipe's text
  // comes out as it arrives. `totalBytes` is the input's length for the progress, 0 when
  // unknown. A strict conversion that lost something fails, but its output is written all
  // the same. An output that is the input's own file fails before anything is read.
  Outcome ConvertStream(int fdIn, int fdOut, std::uint64_t totalBytes,
                        std::span<const std::uint8_t> ahead = {});

  // The same into the file `output`, which is created and, when the conversion fails,
  // removed again as ConvertFile does; `input` names the stream in a failure.
  Outcome ConvertStreamToFile(int fdIn, const std::string& input, const std::string& output,
                              std::span<const std::uint8_t> ahead = {});

  // Reads the first 5120 bytes of the current input (the clipboard, the first file of a
  // list or the single file) and stores the guess in m_nCodeIn and m_nLineEndIn, then
  // shows it. With m_bDetectUtf8, text that Utf8Detector takes for UTF-8 is guessed as
  // kCodeUtf8 (a sequence cut off by the end of the 5120 bytes does not count against it).
  // Fails only when the input cannot be opened or read, or the clipboard holds no text.
  Outcome QuickDetect();

  // The same from `size` bytes in memory, the start of a text read ahead from a stream;
  // `whole` when they are all of it. Stores the guess and shows it.
  void DetectBuffer(const std::uint8_t* data, std::size_t size, bool whole);

  // The same from the whole file, with a progress display; can be cancelled, and then
  // stores the guess from what it has read.
  Outcome FullDetect();

  // The last detection's answer with its line end, how sure it is and the runner-up; the
  // same answer that detection stores in m_nCodeIn and m_nLineEndIn.
  const Guess& LastGuess() const { return m_lastGuess; }

  // Per cent of the current file done, 0..100; an empty file counts as complete.
  int ProgressPercent() const;

  // The conversion choices.
  int m_nCodeIn = kCodeWin1250;
  int m_nCodeOut = kCodeWin1250;
  int m_nLineEndIn = kLineEndDos;
  int m_nLineEndOut = kLineEndDos;

  // What detection reads: one name, a list of m_nFileCount quoted names, or the clipboard.
  std::string m_strInput;
  int m_nFileCount = 1;
  bool m_bClipboardIn = false;

  // Progress and cancel of the file under way.
  bool m_bCancel = false;
  std::uint64_t m_nTotalBytes = 0;
  std::uint64_t m_nDoneBytes = 0;

  // UTF-8 for the command-line tool: detection may answer kCodeUtf8; a conversion that lost
  // anything fails; UTF-8 output starts with a byte-order mark.
  bool m_bDetectUtf8 = false;
  bool m_bStrict = false;
  bool m_bWriteBom = false;
  // An in-place input that is a symbolic link: convert the file it leads to, or refuse it.
  bool m_bFollowSymlinks = true;
  // Every line end (CR LF, lone CR, lone LF) becomes m_nLineEndOut's, whatever m_nLineEndIn says.
  bool m_bAllLineEnds = false;
  // Between two 8-bit code pages only the letters of the character table are converted, and
  // every other byte passes unchanged and uncounted.
  bool m_bLettersOnly = false;
  // What the last conversion lost.
  Utf8Losses m_losses;

 protected:
  // The file operations a conversion depends on; tests replace them to inject failures.
  // ReadInput reads once: what has arrived, up to `size` bytes; 0 at the end; -1 with errno
  // EINTR when a signal interrupted the wait.
  virtual ssize_t ReadInput(int fd, void* buffer, std::size_t size);
  // The same at `offset` of a regular file. A full detection calls it from two threads at
  // once, for different parts of the file.
  virtual ssize_t ReadInputAt(int fd, void* buffer, std::size_t size, std::uint64_t offset);
  virtual bool WriteOutput(int fd, const void* data, std::size_t size);
  // Starts writing a file's data to disk without waiting.
  virtual void StartWriteback(int fd);
  // Puts a written file, or a folder, on disk (fsync). It may take seconds on a large file:
  // a driver with a window runs it beside its event loop.
  virtual bool SyncOutput(int fd);
  // Puts everything written on the filesystem of `fd` on disk (syncfs).
  virtual bool SyncFilesystem(int fd);
  // Puts the files `fds` on disk together (posix_file.h); false, with nothing done, where the
  // kernel runs no such batch.
  virtual bool SyncTogether(std::span<const int> fds, bool dataOnly, std::span<int> errors);
  // Renames `from` to `to`, both in the directory `dirFd`, replacing `to`.
  virtual bool ReplaceFile(int dirFd, const std::string& from, const std::string& to);

 private:
  // Converts fdIn into fdOut; a failure names `inPath` or, as `outFile`, `outPath`.
  // `ahead` is converted before anything is read from fdIn.
  // `opened` is fdIn's status when the file was just opened, at its start.
  Outcome RunChunks(int fdIn, const std::string& inPath, int fdOut, Outcome::File outFile,
                    const std::string& outPath, std::uint64_t totalBytes,
                    std::span<const std::uint8_t> ahead = {}, const struct stat* opened = nullptr);
  // Reads `size` bytes at `offset` through ReadInputAt, fewer only where the file ends; -1
  // with errno on a failure.
  ssize_t ReadWholeAt(int fd, std::uint8_t* buffer, std::size_t size, std::uint64_t offset);
  // Converts about the first `size` bytes from offset `base` of the regular file fdIn on two
  // threads; m_nDoneBytes gets how many, and fdIn is left after them for the rest of the run.
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
  Outcome Hold(const std::string& path, const std::function<Outcome(Held&)>& prepare);
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
  // Settles the counters and the cancel flag for the caller's progress display.
  Outcome Settle(Outcome outcome);
  // Opens the file a detection reads and gives its name.
  Outcome OpenDetectInput(UniqueFd& fd, std::uint64_t& size, std::string& name);
  // Stores the guess in the input choices and shows it.
  void StoreGuess(const Guess& guess);

  EngineHost& m_host;
  // The choices prepared for the loops; empty until PrepareChoices succeeds.
  std::optional<Transcoder> m_transcoder;
  Guess m_lastGuess;
  // The work areas, allocated once and reused by every chunk of every file: the input
  // chunk, the converted chunk, and the area detection reads into.
  const std::size_t m_readSize;
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
  // Flushes the files of a batch together.
  SyncBatch m_syncBatch;
};

}  // namespace pismovar
