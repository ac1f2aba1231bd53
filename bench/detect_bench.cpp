// How often detection is right on Czech and Slovak text the language model never saw: the
// held-out texts of scripts/gen_language_model.py cut into snippets of 16 to 1024 characters,
// written in every code page and in UTF-8, detected by this program (the command-line tool's
// decision, as on a pipe) and, where installed, by `enca -L czech`, `enca -L slovak` and
// `uchardet`. A guess is right strictly when it names the code page, and right in effect when
// the text decodes to the same characters with it. Harmful answers are ASCII for a text with high
// bytes and UTF-8 for an 8-bit text. Then repair: the same snippets damaged by each kind of wrong
// reading, how many come back exactly, how many sound snippets of each code page repair would
// change, and how fast it repairs the whole held-out text. Figures only; nothing passes or fails.
// With DETECT_BENCH_MISSES set, each snippet that repair does not give back exactly, and each sound
// one it changes, goes to standard error: original, damaged and repaired, with "|" for a line end,
// "_" for a no-break space and "~" for a soft hyphen.
//
//     build/bin/detect_bench [HELD-OUT-FILE [SNIPPETS-PER-CELL]]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/detect.h"
#include "engine/repair.h"
#include "engine/transcoder.h"

namespace {

namespace fs = std::filesystem;
using pismovar::CodePage;

constexpr int kLengths[] = {16, 32, 64, 128, 256, 1024};
constexpr int kEncodings = pismovar::kTextEncodingCount;  // the seven code pages and UTF-8
const char* const kNames[kEncodings] = {"Windows 1250", "Kamenický", "Latin-2 (852)", "ISO 8859-2",
                                        "Macintosh CE", "KOI8-ČS",   "ASCII",         "UTF-8"};

// `text` converted from `from` into `to` by the engine.
std::string Convert(const std::string& text, CodePage from, CodePage to) {
  pismovar::Choices choices;
  choices.codeIn = from;
  choices.codeOut = to;
  choices.lineEndIn = choices.lineEndOut = pismovar::kLineEndUnix;
  std::string out(pismovar::Transcoder::OutputRoom(text.size()), '\0');
  pismovar::Utf8Losses losses;
  const std::size_t size = pismovar::Transcoder::Make(choices)->ConvertChunk(
      reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), 0, false,
      reinterpret_cast<std::uint8_t*>(out.data()), losses);
  out.resize(size);
  return out;
}

// The UTF-8 of the held-out texts as one list of characters, each a UTF-8 string.
std::vector<std::string> ReadCharacters(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::vector<std::string> characters;
  while (std::getline(in, line)) {
    for (std::size_t i = 0; i < line.size();) {
      const auto lead = static_cast<unsigned char>(line[i]);
      const std::size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      characters.push_back(line.substr(i, n));
      i += n;
    }
    characters.emplace_back("\n");
  }
  return characters;
}

// What another detector answered for each file of `dir` (named 0, 1, ...): the encoding
// number, or -1 for a name it gives that none of ours is.
std::vector<int> AskTool(const std::string& command, const fs::path& dir, int count,
                         const std::vector<std::pair<std::string, int>>& names) {
  std::vector<int> answers(count, -1);
  const std::string line = "cd '" + dir.string() + "' && " + command + " * 2>/dev/null";
  FILE* pipe = ::popen(line.c_str(), "r");
  if (pipe == nullptr) return answers;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
    std::string text(buffer);
    const std::size_t colon = text.find(": ");
    if (colon == std::string::npos) continue;
    const int index = std::atoi(text.substr(0, colon).c_str());
    std::string name = text.substr(colon + 2);
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const auto& [fragment, encoding] : names) {
      if (name.find(fragment) != std::string::npos) {
        answers[index] = encoding;
        break;
      }
    }
  }
  ::pclose(pipe);
  return answers;
}

const std::vector<std::pair<std::string, int>> kEncaNames = {
    {"1250", 0},  {"KEYBCS2", 1},  {"852", 2},   {"8859-2", 3},
    {"MACCE", 4}, {"KOI-8_CS", 5}, {"ASCII", 6}, {"UTF-8", 7}};
const std::vector<std::pair<std::string, int>> kUchardetNames = {
    {"1250", 0}, {"852", 2}, {"8859-2", 3}, {"CENTRALEUROPE", 4}, {"ASCII", 6}, {"UTF-8", 7}};

bool Installed(const char* tool) {
  return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// `text` on one line, its no-break spaces and soft hyphens shown.
std::string Visible(std::string text) {
  for (std::size_t k = 0; k < text.size(); ++k) {
    if (text[k] == '\n') text.replace(k, 1, "|");
    if (text.compare(k, 2, "\xC2\xA0") == 0) text.replace(k, 2, "_");
    if (text.compare(k, 2, "\xC2\xAD") == 0) text.replace(k, 2, "~");
  }
  return text;
}

struct Score {
  int strict = 0;
  int same = 0;
  int total = 0;
  int asciiForHigh = 0;
  int utf8For8Bit = 0;
  int unsure = 0;        // ours only: an in-place run would leave the file
  int sureButWrong = 0;  // ours only: sure, and decodes another text
};

}  // namespace

int main(int argc, char** argv) {
  const std::string heldOut = argc > 1 ? argv[1] : "/tmp/pismovar-held-out.txt";
  const int perCell = argc > 2 ? std::atoi(argv[2]) : 500;
  if (!fs::exists(heldOut)) {
    const std::string command = std::string("python3 '") + PISMOVAR_SOURCE_DIR +
                                "/scripts/gen_language_model.py' --held-out '" + heldOut + "'";
    if (std::system(command.c_str()) != 0) {
      std::fprintf(stderr,
                   "cannot write the held-out texts (needs fortunes-cs, manpages-cs, "
                   "hunspell-cs, hunspell-sk)\n");
      return 1;
    }
  }
  const std::vector<std::string> characters = ReadCharacters(heldOut);
  if (characters.size() < 2000) {
    std::fprintf(stderr, "%s: too little text\n", heldOut.c_str());
    return 1;
  }
  const bool enca = Installed("enca");
  const bool uchardet = Installed("uchardet");
  const fs::path dir = fs::temp_directory_path() / "pismovar-detect-bench";

  std::map<std::string, Score> scores;  // by tool, length and encoding
  std::uint64_t seed = 12345;
  for (const int length : kLengths) {
    for (CodePage truth = 0; truth < kEncodings; ++truth) {
      fs::remove_all(dir);
      fs::create_directories(dir);
      std::vector<std::string> texts;
      for (int i = 0; i < perCell; ++i) {
        seed = seed * 6364136223846793005u + 1442695040888963407u;
        const std::size_t start = (seed >> 33) % (characters.size() - length);
        std::string utf8;
        for (int k = 0; k < length; ++k) utf8 += characters[start + k];
        texts.push_back(Convert(utf8, pismovar::kCodeUtf8, truth));
        std::ofstream(dir / std::to_string(i), std::ios::binary) << texts.back();
      }
      std::map<std::string, std::vector<int>> answers;
      std::vector<bool> sure;
      for (const std::string& text : texts) {
        const pismovar::Guess guess = pismovar::DetectText(
            reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), true, true);
        answers["pismovar"].push_back(guess.codePage);
        sure.push_back(guess.confident);
      }
      if (enca) {
        answers["enca-cs"] = AskTool("enca -L czech -e", dir, perCell, kEncaNames);
        answers["enca-sk"] = AskTool("enca -L slovak -e", dir, perCell, kEncaNames);
      }
      if (uchardet) answers["uchardet"] = AskTool("uchardet", dir, perCell, kUchardetNames);
      for (const auto& [tool, guesses] : answers) {
        Score& score = scores[tool + "/" + std::to_string(length) + "/" + std::to_string(truth)];
        for (int i = 0; i < perCell; ++i) {
          const std::string& text = texts[i];
          const int guess = guesses[i];
          bool high = false;
          for (const char c : text) high = high || static_cast<unsigned char>(c) >= 0x80;
          ++score.total;
          score.strict += guess == truth || (!high && guess == pismovar::kCodeAscii);
          const bool same = guess >= 0 && Convert(text, guess, pismovar::kCodeUtf8) ==
                                              Convert(text, truth, pismovar::kCodeUtf8);
          score.same += same;
          if (tool == "pismovar") {
            score.unsure += !sure[i];
            score.sureButWrong += sure[i] && !same;
          }
          score.asciiForHigh += high && guess == pismovar::kCodeAscii;
          score.utf8For8Bit += truth != pismovar::kCodeUtf8 && high && guess == pismovar::kCodeUtf8;
        }
      }
    }
  }
  fs::remove_all(dir);

  std::vector<std::string> tools = {"pismovar"};
  if (enca) {
    tools.push_back("enca-cs");
    tools.push_back("enca-sk");
  }
  if (uchardet) tools.push_back("uchardet");
  std::printf("held-out text: %s, %zu characters; %d snippets per length and encoding\n",
              heldOut.c_str(), characters.size(), perCell);
  for (const char* measure :
       {"decodes to the same text (a code page that decodes it identically is right)",
        "names the encoding exactly (one that decodes the text identically is wrong)"}) {
    const bool same = measure[0] == 'd';
    std::printf("\n%s, all encodings (per cent)\n%-10s", measure, "length");
    for (const int length : kLengths) std::printf("%8d", length);
    std::printf("\n");
    for (const std::string& tool : tools) {
      std::printf("%-10s", tool.c_str());
      for (const int length : kLengths) {
        int right = 0, total = 0;
        for (CodePage e = 0; e < kEncodings; ++e) {
          const Score& s = scores[tool + "/" + std::to_string(length) + "/" + std::to_string(e)];
          right += same ? s.same : s.strict;
          total += s.total;
        }
        std::printf("%8.1f", 100.0 * right / total);
      }
      std::printf("\n");
    }
  }
  std::printf(
      "\npismovar, sure enough for an in-place run / sure but decoding another text "
      "(per cent)\n%-10s",
      "length");
  for (const int length : kLengths) std::printf("%14d", length);
  std::printf("\n%-10s", "");
  for (const int length : kLengths) {
    int unsure = 0, wrong = 0, total = 0;
    for (CodePage e = 0; e < kEncodings; ++e) {
      const Score& s = scores["pismovar/" + std::to_string(length) + "/" + std::to_string(e)];
      unsure += s.unsure;
      wrong += s.sureButWrong;
      total += s.total;
    }
    std::printf("%7.1f /%5.2f", 100.0 - 100.0 * unsure / total, 100.0 * wrong / total);
  }
  std::printf("\n");
  for (const std::string& tool : tools) {
    std::printf("\n%s, decodes to the same text by encoding (per cent)\n%-15s", tool.c_str(),
                "encoding");
    for (const int length : kLengths) std::printf("%8d", length);
    std::printf("\n");
    int asciiForHigh = 0, utf8For8Bit = 0;
    for (CodePage e = 0; e < kEncodings; ++e) {
      std::printf("%-15s", kNames[e]);
      for (const int length : kLengths) {
        const Score& s = scores[tool + "/" + std::to_string(length) + "/" + std::to_string(e)];
        std::printf("%8.1f", 100.0 * s.same / s.total);
        asciiForHigh += s.asciiForHigh;
        utf8For8Bit += s.utf8For8Bit;
      }
      std::printf("\n");
    }
    std::printf("harmful: %d ASCII for a text with high bytes, %d UTF-8 for an 8-bit text\n",
                asciiForHigh, utf8For8Bit);
  }

  // Repair.
  struct Damage {
    const char* name;
    CodePage right;
    CodePage wrong;
    int times;
    bool half;            // only the second half of the snippet is damaged
    char32_t edited = 0;  // what an editor made of the C1 controls, if anything
  };
  const Damage kinds[] = {
      {"UTF-8 read as Windows 1250", pismovar::kCodeUtf8, pismovar::kCodeWin1250, 1, false},
      {"UTF-8 read as Windows 1250 twice", pismovar::kCodeUtf8, pismovar::kCodeWin1250, 2, false},
      {"UTF-8 read as Kamenicky", pismovar::kCodeUtf8, pismovar::kCodeKamenicky, 1, false},
      {"UTF-8 read as 852", pismovar::kCodeUtf8, pismovar::kCodeLatin2, 1, false},
      {"UTF-8 read as ISO 8859-2", pismovar::kCodeUtf8, pismovar::kCodeIsoLatin2, 1, false},
      {"UTF-8 read as Macintosh", pismovar::kCodeUtf8, pismovar::kCodeMacintosh, 1, false},
      {"UTF-8 read as KOI8-CS", pismovar::kCodeUtf8, pismovar::kCodeKoi8cs, 1, false},
      {"UTF-8 read as 1250, half", pismovar::kCodeUtf8, pismovar::kCodeWin1250, 1, true},
      {"UTF-8 read as ISO, C1 made NBSP", pismovar::kCodeUtf8, pismovar::kCodeIsoLatin2, 1, false,
       0xA0},
      {"UTF-8 read as 1250, C1 made SHY", pismovar::kCodeUtf8, pismovar::kCodeWin1250, 1, false,
       0xAD},
      {"852 read as 1250", pismovar::kCodeLatin2, pismovar::kCodeWin1250, 1, false},
      {"1250 read as 852", pismovar::kCodeWin1250, pismovar::kCodeLatin2, 1, false},
      {"1250 read as ISO", pismovar::kCodeWin1250, pismovar::kCodeIsoLatin2, 1, false},
      {"Kamenicky read as 852", pismovar::kCodeKamenicky, pismovar::kCodeLatin2, 1, false},
  };
  const auto damage = [&](std::string text, const Damage& kind) {
    for (int i = 0; i < kind.times; ++i) {
      const std::string bytes =
          kind.right == pismovar::kCodeUtf8 ? text : Convert(text, pismovar::kCodeUtf8, kind.right);
      text = Convert(bytes, kind.wrong, pismovar::kCodeUtf8);
    }
    if (kind.edited != 0) {
      // U+0080..U+009F are C2 80..C2 9F in UTF-8.
      const std::string to = kind.edited == 0xA0 ? "\xC2\xA0" : "\xC2\xAD";
      for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        const auto next = static_cast<unsigned char>(text[i + 1]);
        if (static_cast<unsigned char>(text[i]) == 0xC2 && next >= 0x80 && next < 0xA0) {
          text.replace(i, 2, to);
        }
      }
    }
    return text;
  };
  const auto snippet = [&](int length) {
    seed = seed * 6364136223846793005u + 1442695040888963407u;
    const std::size_t start = (seed >> 33) % (characters.size() - length);
    std::string utf8;
    for (int k = 0; k < length; ++k) utf8 += characters[start + k];
    return utf8;
  };
  std::printf(
      "\nrepair, exact recoveries of damaged snippets (per cent; snippets whose damage "
      "lost a character or changed nothing are left out: -)\n%-34s%8s%8s\n",
      "damage", "32", "256");
  for (const Damage& kind : kinds) {
    std::printf("%-34s", kind.name);
    for (const int length : {32, 256}) {
      int exact = 0, total = 0;
      for (int i = 0; i < perCell; ++i) {
        const std::string original = snippet(length);
        std::string damaged;
        if (kind.half) {
          // Damage comes in runs of whole words.
          std::size_t cut = original.size() / 2;
          while (cut < original.size() && original[cut] != ' ' && original[cut] != '\n') ++cut;
          damaged = original.substr(0, cut) + damage(original.substr(cut), kind);
        } else {
          damaged = damage(original, kind);
        }
        // A text the right code page cannot hold whole (typographic quotes in 852) cannot
        // come back exactly.
        const bool held = kind.right == pismovar::kCodeUtf8 ||
                          Convert(Convert(original, pismovar::kCodeUtf8, kind.right), kind.right,
                                  pismovar::kCodeUtf8) == original;
        if (!held || damaged == original || damaged.find("\xEF\xBF\xBD") != std::string::npos ||
            damaged.find('?') != original.find('?')) {
          continue;
        }
        ++total;
        const std::string repaired = pismovar::RepairText(damaged, pismovar::kCodeUtf8).text;
        exact += repaired == original;
        if (repaired != original && std::getenv("DETECT_BENCH_MISSES") != nullptr) {
          std::fprintf(stderr, "%s, %d: %s\n  damaged:  %s\n  repaired: %s\n", kind.name, length,
                       Visible(original).c_str(), Visible(damaged).c_str(),
                       Visible(repaired).c_str());
        }
      }
      if (total == 0) {
        std::printf("%8s", "-");
      } else {
        std::printf("%8.1f", 100.0 * exact / total);
      }
    }
    std::printf("\n");
  }
  std::printf("\nrepair, sound snippets it changed (of %d)\n%-34s%8s%8s%8s\n", perCell, "snippets",
              "32", "256", "1024");
  for (const CodePage page : {pismovar::kCodeUtf8, pismovar::kCodeWin1250, pismovar::kCodeKamenicky,
                              pismovar::kCodeLatin2, pismovar::kCodeIsoLatin2,
                              pismovar::kCodeMacintosh, pismovar::kCodeKoi8cs}) {
    std::printf("%-34s", kNames[page]);
    for (const int length : {32, 256, 1024}) {
      int changed = 0;
      for (int i = 0; i < perCell; ++i) {
        const std::string text = Convert(snippet(length), pismovar::kCodeUtf8, page);
        const pismovar::RepairResult result = pismovar::RepairText(text, page);
        changed += result.passes != 0;
        if (result.passes != 0 && std::getenv("DETECT_BENCH_MISSES") != nullptr) {
          std::fprintf(stderr, "sound %s, %d: %s\n  repaired: %s\n", kNames[page], length,
                       Visible(Convert(text, page, pismovar::kCodeUtf8)).c_str(),
                       Visible(Convert(result.text, page, pismovar::kCodeUtf8)).c_str());
        }
      }
      std::printf("%8d", changed);
    }
    std::printf("\n");
  }
  // Repair's speed on the whole held-out text damaged as by the kind that leaves the most places
  // to decide: with its line ends, as one long line and as one run without white space, which
  // must not be slower a byte.
  std::string whole;
  for (const std::string& character : characters) whole += character;
  const Damage& hardest = *std::find_if(std::begin(kinds), std::end(kinds),
                                        [](const Damage& kind) { return kind.edited == 0xA0; });
  std::printf("\nrepair speed, %s, %.1f MB (MB/s)\n", hardest.name,
              static_cast<double>(whole.size()) / 1e6);
  struct Shape {
    const char* name;
    bool oneLine;
    bool oneRun;
  };
  for (const Shape& shape : {Shape{"with its line ends", false, false},
                             Shape{"as one line", true, false}, Shape{"as one run", true, true}}) {
    std::string text = damage(whole, hardest);
    if (shape.oneLine) std::replace(text.begin(), text.end(), '\n', ' ');
    if (shape.oneRun) std::replace(text.begin(), text.end(), ' ', '_');
    const auto start = std::chrono::steady_clock::now();
    pismovar::RepairText(text, pismovar::kCodeUtf8);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("%-34s%8.2f\n", shape.name,
                static_cast<double>(text.size()) / 1e6 / seconds.count());
  }
  return 0;
}
