// Rewriting files in place, converted or repaired: each file's new text goes to a new temporary
// file beside it, which takes the input's owner, mode, ACLs and extended attributes and replaces it
// only when all of it is on disk and the input is still the file that was read, unchanged (its
// size, its modification and its change time). The input is locked meanwhile, so that a second run
// on it fails. Many small files wait in a batch and take their places together, their data on disk
// before any of them takes its input's name.
#pragma once

#include <sys/stat.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "engine/file_list.h"
#include "engine/outcome.h"
#include "engine/posix_file.h"
#include "engine/system_calls.h"
#include "engine/watch.h"

namespace pismovar {

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

class InPlaceBatch {
 public:
  // A batch is full at kBatchFiles files or kBatchBytes bytes, or when few file descriptors
  // are left.
  static constexpr std::size_t kBatchFiles = 64;
  static constexpr std::uint64_t kBatchBytes = std::uint64_t{64} << 20;

  // Writes the new text of the input `in` (its status `inStat`, named `path`) into `out`, the
  // temporary file beside it in the folder `folder`; a failure names those. A conversion runs
  // the chunk pump here, a repair its own.
  using Rewrite = std::function<Outcome(int in, const struct stat& inStat, const std::string& path,
                                        int out, const std::string& folder)>;

  // A stop through `watch` while a batch goes to disk leaves every file of it as it was.
  // `sweep` removes what killed runs left in a folder.
  InPlaceBatch(SystemCalls& system, const Watch& watch, StaleFileSweep& sweep);
  // Leaves every held file as it was.
  ~InPlaceBatch();
  InPlaceBatch(const InPlaceBatch&) = delete;
  InPlaceBatch& operator=(const InPlaceBatch&) = delete;

  // Replaces the file `path` by the text `rewrite` writes, alone. A link at `path` is followed
  // only with `followLink`.
  Outcome RewriteOne(const std::string& path, bool followLink, const Rewrite& rewrite);

  // Rewrites `file` the same way but holds the converted file back (kDone: held). A file that
  // finds no descriptor left puts the batch in place first, and the next Replace gives those
  // outcomes too. `run` gets every file put in place, and a file among them is not converted
  // again (kRepeated), since a second name of the input (a bind mount, another letter case)
  // leads to the converted file; a hard link still leads to the old text. `run` must live
  // until the batch is put in place or dropped.
  Outcome Hold(InPlaceFile file, bool followLink, SeenFiles& run, const Rewrite& rewrite);
  bool Full() const;
  // Puts every held file in place; each input's name with its final outcome.
  std::vector<std::pair<std::string, Outcome>> Replace();
  // Leaves every held input as it was.
  void Drop();

 private:
  struct Held;
  using Batch = std::vector<std::unique_ptr<Held>>;
  // The first part of a conversion in place: `held` gets the locked input and its converted
  // text, not yet in place.
  Outcome PrepareInPlace(const Rewrite& rewrite, const std::string& path, bool followLink,
                         Held& held);
  // The same once held.directory, held.name and held.path are set.
  Outcome OpenDirectory(const Rewrite& rewrite, Held& held);
  // The same once held.dir is open too.
  Outcome PrepareInDirectory(const Rewrite& rewrite, Held& held);
  // The second part, for a whole batch at once; empties `batch`.
  std::vector<std::pair<std::string, Outcome>> PutInPlace(Batch& batch);
  // Flushes the batch's new files, or with `folders` their folders, to disk; a failure fails
  // every file it concerns that has not failed yet.
  void MakeDurable(const Batch& batch, bool folders,
                   std::vector<std::pair<std::string, Outcome>>& outcomes);
  // Gives `held` the directory descriptor of the last held file when it lies in the same
  // folder (the same name, and in a walked tree the same descriptor of the caller's), so that
  // a batch opens each folder once; false when it does not.
  bool ShareDirectory(Held& held) const;

  // Closes descriptors on a thread of its own while the caller goes on: closing the last
  // descriptor of a file that a rename replaced frees that file, which takes about as long as
  // writing its replacement. At most kMaxWaiting wait; the destructor closes them all. Where
  // the process may open few files, or no thread starts, Close closes at once.
  class Closer {
   public:
    static constexpr std::size_t kMaxWaiting = 2 * kBatchFiles;
    explicit Closer(std::size_t descriptorLimit)
        : m_inBackground(descriptorLimit >= 8 * kMaxWaiting) {}
    ~Closer();
    void Close(UniqueFd fd);

   private:
    const bool m_inBackground;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<UniqueFd> m_waiting;
    bool m_ending = false;
    bool m_started = false;
    std::jthread m_thread;
  };

  SystemCalls& m_system;
  const Watch& m_watch;
  StaleFileSweep& m_sweep;
  // How many files the process may have open (RLIMIT_NOFILE).
  const std::size_t m_descriptorLimit;
  // The last folder found without extended attributes: no default ACL or label there gives a
  // new file any.
  std::weak_ptr<const UniqueFd> m_bareDirectory;
  // The converted files that wait for Replace, and their inputs' total size.
  Batch m_held;
  std::uint64_t m_heldBytes = 0;
  // The outcomes of a batch put in place early, for the next Replace.
  std::vector<std::pair<std::string, Outcome>> m_placed;
  // Closes the inputs of the batches put in place. Last, so that its thread ends first.
  Closer m_closer;
};

}  // namespace pismovar
