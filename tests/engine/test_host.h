// A driver for the engine in tests: counts what it is asked to do and lets a test act at
// every chunk (cancel, count the pumps).
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <stdlib.h>

#include "engine/converter.h"
#include "engine/engine_host.h"

namespace pismovar::testing {

// The character of each row of the character table, as UTF-8, in table order.
inline constexpr const char* kRowChars[kCharTableRows] = {
    "Á", "á", "Č", "č", "Ď", "ď", "É", "é", "Ě", "ě", "Í", "í", "Ň", "ň", "Ó", "ó",
    "Ř", "ř", "Š", "š", "Ť", "ť", "Ú", "ú", "Ů", "ů", "Ý", "ý", "Ž", "ž", "ä", "Ä",
    "ô", "Ô", "ö", "Ö", "ü", "Ü", "ŕ", "Ŕ", "ĺ", "Ĺ", "ľ", "Ľ", "„", "“", "”"};

class TestHost : public EngineHost {
 public:
  void UpdateData(bool bSaveAndValidate) override { (bSaveAndValidate ? reads : shows) += 1; }
  void PumpMessage() override {
    ++pumps;
    if (onPump) onPump();
  }
  void BeginDetectProgress() override { ++progressShown; }
  void EndDetectProgress() override { --progressShown; }
  bool ClipboardHasText() override { return clipboardText.has_value(); }
  int ClipboardToFile(const std::string& name) override {
    if (!clipboardText) return -1;
    std::ofstream(name, std::ios::binary) << *clipboardText;
    return 1;
  }
  std::string ClipboardFileName() override { return clipboardFile; }

  int reads = 0;
  int shows = 0;
  int pumps = 0;
  int progressShown = 0;
  std::function<void()> onPump;
  std::optional<std::string> clipboardText;
  std::string clipboardFile;
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

// One buffer through the converter's ConvertBuffer: the bytes and what they lost.
struct Converted {
  std::string text;
  Utf8Losses losses;
};

inline Converted ConvertBuffer(Converter& converter, const std::string& text) {
  EXPECT_TRUE(converter.PrepareChoices());
  std::memcpy(converter.InArea(), text.data(), text.size());
  const std::size_t n = converter.ConvertBuffer(text.size());
  return {{reinterpret_cast<const char*>(converter.OutArea()), n}, converter.m_losses};
}

inline Converted ConvertBuffer(const std::string& text, CodePage codeIn, CodePage codeOut,
                               LineEnd endIn, LineEnd endOut) {
  TestHost host;
  Converter converter(host);
  converter.m_nCodeIn = codeIn;
  converter.m_nCodeOut = codeOut;
  converter.m_nLineEndIn = endIn;
  converter.m_nLineEndOut = endOut;
  return ConvertBuffer(converter, text);
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace pismovar::testing
