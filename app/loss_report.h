// The characters a run had to replace because the output code page has no place for them,
// gathered file by file and told to the user once, when the run is over.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pismovar {

class LossReport {
 public:
  // Notes that `count` characters of the input `name` were replaced; nothing when 0.
  void Add(std::string_view name, std::uint64_t count);
  bool Empty() const { return m_total == 0; }
  // The warning naming the files (the first kListedFiles of them) and the number of
  // characters, in the user's language.
  QString Message() const;

  static constexpr std::size_t kListedFiles = 10;

 private:
  std::vector<std::string> m_names;
  std::uint64_t m_total = 0;
};

}  // namespace pismovar
