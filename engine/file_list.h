// A list of input files as the main dialog holds it: one string in which each file stands as
// a blank, a double quote, the path and a double quote. A single file stands bare.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace pismovar {

// `paths` in their order, less every name of a file named before it in another spelling
// ("a.txt", "./a.txt", a link's target): a list converts each file once, since a second pass
// would convert the converted text again. A name that does not resolve stays as it is.
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
