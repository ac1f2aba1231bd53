// A list of input files as the main dialog holds it: one string in which each file stands as
// a blank, a double quote, the path and a double quote. A single file stands bare.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <compare>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace pismovar {

// A file as the system knows it, whatever name leads to it: its device and inode.
struct FileId {
  dev_t device = 0;
  ino_t inode = 0;
  auto operator<=>(const FileId&) const = default;
};
FileId FileIdOf(const struct stat& st);

// The files a run has met, so that a file named twice is converted once: a second pass
// would convert the converted text again.
class SeenFiles {
 public:
  // true the first time `path` names its directory entry: "a.txt", "./a.txt", a link to it
  // and its name under a bind mount are one entry, known by the device and inode of its
  // folder and its name there. A hard link is an entry of its own: converting a file in
  // place replaces one name, and the other still holds the old text. A name that leads
  // nowhere counts by its text.
  bool FirstTime(const std::string& path);
  // The files by device and inode, as a run adds them.
  bool Contains(const FileId& file) const { return m_files.contains(file); }
  void Add(const FileId& file) { m_files.insert(file); }

 private:
  std::set<FileId> m_files;
  std::set<std::pair<FileId, std::string>> m_entries;
  std::set<std::string> m_names;
};

// `paths` in their order, less every name of a file named before it (SeenFiles).
std::vector<std::string> WithoutRepeats(const std::vector<std::string>& paths);

// The bare path for one file, the quoted list for several.
std::string BuildFileList(const std::vector<std::string>& paths);

// Cuts the first name from a list: the text from its third character up to the next double
// quote. `list` keeps what follows that quote. Returns nothing, and leaves `list` as it was,
// when no quote stands at or after the third character.
std::optional<std::string> TakeFirstListName(std::string& list);

// How many files a text names: the number of quoted names when the text is a list as built
// above, else 1 for any non-empty text and 0 for an empty one.
int CountListNames(const std::string& text);

}  // namespace pismovar
