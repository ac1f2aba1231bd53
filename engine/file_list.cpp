#include "engine/file_list.h"

#include <sys/stat.h>

#include <cstdlib>

#include "engine/posix_file.h"

namespace pismovar {

FileId FileIdOf(const struct stat& st) { return {st.st_dev, st.st_ino}; }

bool SeenFiles::FirstTime(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return m_names.insert(path).second;
  const std::string resolved = real;
  std::free(real);
  struct stat folder {};
  if (::stat(DirectoryOf(resolved).c_str(), &folder) != 0) return m_names.insert(resolved).second;
  return m_entries.emplace(FileIdOf(folder), BaseNameOf(resolved)).second;
}

std::vector<std::string> WithoutRepeats(const std::vector<std::string>& paths) {
  SeenFiles seen;
  std::vector<std::string> unique;
  for (const auto& path : paths) {
    if (seen.FirstTime(path)) unique.push_back(path);
  }
  return unique;
}

std::string BuildFileList(const std::vector<std::string>& paths) {
  if (paths.size() == 1) return paths.front();
  std::string list;
  for (const auto& path : paths) list += " \"" + path + "\"";
  return list;
}

std::optional<std::string> TakeFirstListName(std::string& list) {
  if (list.size() < 2) return std::nullopt;
  const auto quote = list.find('"', 2);
  if (quote == std::string::npos) return std::nullopt;
  std::string name = list.substr(2, quote - 2);
  list.erase(0, quote + 1);
  return name;
}

int CountListNames(const std::string& text) {
  if (text.empty()) return 0;
  // A list is made only of items ` "path"`; anything else is one name.
  int count = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text.compare(pos, 2, " \"") != 0) return 1;
    const auto quote = text.find('"', pos + 2);
    if (quote == std::string::npos) return 1;
    ++count;
    pos = quote + 1;
  }
  return count;
}

}  // namespace pismovar
