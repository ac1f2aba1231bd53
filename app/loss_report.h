// What a run had to give up: the characters the output code page has no place for, gathered
// file by file, and the malformed UTF-8 sequences of its inputs. Told to the user once, when
// the run is over, or asked about before an in-place run replaces any file.
#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/utf8.h"

namespace pismovar {

class LossReport {
 public:
  // Notes that `count` characters of the input `name` were replaced; nothing when 0.
  void Add(std::string_view name, std::uint64_t count);
  // Notes what the conversion of `name` lost: replaced characters and malformed sequences.
  void Add(std::string_view name, const Utf8Losses& losses);
  // Takes over everything `other` noted.
  void Add(const LossReport& other);
  bool Empty() const { return m_total == 0 && m_malformed == 0; }
  // The warning naming the files (the first kListedFiles of them), the number of characters
  // and of malformed sequences, in the user's language.
  QString Message() const;
  // The same as a question before the files are replaced: whether to convert them all the same.
  QString Question() const;

  static constexpr std::size_t kListedFiles = 10;

 private:
  QString ListedFiles() const;
  QString MalformedText() const;

  std::vector<std::string> m_names;
  std::uint64_t m_total = 0;
  std::uint64_t m_malformed = 0;
  std::uint64_t m_firstMalformedAt = 0;
  std::string m_firstMalformedFile;
};

}  // namespace pismovar
