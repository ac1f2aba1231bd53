// What the engine's tests share: a converter with its choices and seams, a temporary folder,
// one buffer through the transcoder, files read and written whole.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include "engine/converter.h"
#include "engine/transcoder.h"

namespace pismovar::testing {

// The character of each row of the character table, as UTF-8, in table order.
inline constexpr const char* kRowChars[kCharTableRows] = {
    "Á", "á", "Č", "č", "Ď", "ď", "É", "é", "Ě", "ě", "Í", "í", "Ň", "ň", "Ó", "ó",
    "Ř", "ř", "Š", "š", "Ť", "ť", "Ú", "ú", "Ů", "ů", "Ý", "ý", "Ž", "ž", "ä", "Ä",
    "ô", "Ô", "ö", "Ö", "ü", "Ü", "ŕ", "Ŕ", "ĺ", "Ĺ", "ľ", "Ľ", "„", "“", "”"};

// A converter for tests with the choices it converts with and the system calls it makes; it
// counts the chunks it goes through and lets a test act at each (stop the work, change a
// file). `settings` and `system` are taken when the converter is first used.
template <class System = SystemCalls>
class Harness {
 public:
  Converter& converter() {
    if (!m_converter) {
      m_converter.emplace(settings,
                          Watch{stop.get_token(),
                                [this] {
                                  ++steps;
                                  if (onStep) onStep();
                                }},
                          &system);
    }
    return *m_converter;
  }
  Outcome Convert(const std::string& input, const std::string& output) {
    return converter().ConvertFile(choices, input, output);
  }

  Choices choices;
  Converter::Settings settings;
  System system;
  std::stop_source stop;
  std::atomic<int> steps = 0;
  std::function<void()> onStep;

 private:
  std::optional<Converter> m_converter;
};

// A fresh directory under the system's temporary directory, removed with its contents.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "pismovar-test-XXXXXX");
    m_path = ::mkdtemp(pattern.data());
  }
  ~TempDir() { std::filesystem::remove_all(m_path); }
  std::string operator/(const std::string& name) const { return (m_path / name).string(); }
  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

// One buffer through a transcoder in one piece: the bytes and what they lost.
struct Converted {
  std::string text;
  Utf8Losses losses;
};

inline Converted ConvertBuffer(const Choices& choices, const std::string& text) {
  const std::optional<Transcoder> transcoder = Transcoder::Make(choices);
  EXPECT_TRUE(transcoder.has_value());
  if (!transcoder) return {};
  std::vector<std::uint8_t> out(Transcoder::OutputRoom(text.size()));
  Utf8Losses losses;
  const std::size_t n = transcoder->ConvertChunk(reinterpret_cast<const std::uint8_t*>(text.data()),
                                                 text.size(), 0, false, out.data(), losses);
  return {{reinterpret_cast<const char*>(out.data()), n}, losses};
}

inline Converted ConvertBuffer(const std::string& text, CodePage codeIn, CodePage codeOut,
                               LineEnd endIn, LineEnd endOut) {
  Choices choices;
  choices.codeIn = codeIn;
  choices.codeOut = codeOut;
  choices.lineEndIn = endIn;
  choices.lineEndOut = endOut;
  return ConvertBuffer(choices, text);
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace pismovar::testing
