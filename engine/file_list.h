// A list of input files as the main dialog holds it: one string in which each file stands as
// a blank, a double quote, the path and a double quote. A single file stands bare.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace pismovar {

// The files a run has met, by their canonical names, so that a file named twice in other
// spellings ("a.txt", "./a.txt", a link's target) is converted once: a second pass would
// convert the converted text again.
class SeenFiles {
 public:
  // true the first time `path` names its file; a name that does not resolve counts by its
  // text.
  bool FirstTime(const std::string& path);

 private:
  std::set<std::string> m_seen;
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
