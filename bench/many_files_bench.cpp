// pismovar-cli converting many small files in place, beside dos2unix doing the same line-end
// conversion: Windows 1250 texts of 0.5 to 5 KB with CR LF line ends, rewritten and flushed
// to disk before every run, then converted to LF in place. Each row is the median of rounds
// in which the two run in turn, which goes first alternating; then the system calls each
// tool makes per file (with strace, where it is installed).
//
//   many_files_bench [DIR [COUNT [FOLDERS]]]   DIR defaults to /tmp/pismovar-many-files,
//       COUNT to 10000, FOLDERS to 1 (the files spread over that many folders; with more
//       than one, dos2unix gets them from find). The folder is made and removed here.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"

using namespace pismovar::bench;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMinSize = 512;
constexpr std::size_t kMaxSize = 5120;

// The same files every time: sizes and letters from a fixed pseudo-random sequence.
std::uint64_t WriteFiles(const fs::path& dir, int count, int folders,
                         std::vector<std::string>& names) {
  fs::remove_all(dir);
  names.clear();
  std::uint64_t state = 0x9E3779B97F4A7C15u;
  std::uint64_t total = 0;
  const std::string line =
      "Pr\xE1vn\xED \xFA\xE8inky za\xE8\xEDnaj\xED dnem vyhl\xE1\x9A"
      "en\xED.\r\n";
  for (int i = 0; i < count; ++i) {
    state = state * 6364136223846793005u + 1442695040888963407u;
    const std::size_t size = kMinSize + (state >> 33) % (kMaxSize - kMinSize + 1);
    std::string text;
    while (text.size() < size) text += line;
    text.resize(size);
    const fs::path folder = folders > 1 ? dir / ("slozka-" + std::to_string(i % folders)) : dir;
    fs::create_directories(folder);
    const fs::path path = folder / ("dopis-" + std::to_string(i) + ".txt");
    std::ofstream(path, std::ios::binary) << text;
    names.push_back(path.string());
    total += size;
  }
  ::sync();  // the writing of the inputs is not part of the measure
  return total;
}

// The system calls `argv` makes, from strace's summary; 0 where strace is missing.
long SystemCalls(const std::vector<std::string>& argv) {
  const std::string summary = "/tmp/pismovar-many-files.strace";
  std::vector<std::string> traced{"strace", "-f", "-c", "-o", summary};
  traced.insert(traced.end(), argv.begin(), argv.end());
  if (Measure(traced, "/dev/null", summary).status == -1) return 0;
  std::ifstream in(summary);
  long calls = 0;
  for (std::string line; std::getline(in, line);) {
    // "100.00    0.001683           8       188        15 total"
    if (line.find(" total") == std::string::npos) continue;
    std::vector<std::string> fields;
    for (std::size_t at = 0, end; at < line.size(); at = end) {
      at = line.find_first_not_of(' ', at);
      if (at == std::string::npos) break;
      end = line.find(' ', at);
      if (end == std::string::npos) end = line.size();
      fields.push_back(line.substr(at, end - at));
    }
    if (fields.size() >= 4) calls = std::atol(fields[3].c_str());
  }
  ::unlink(summary.c_str());
  return calls;
}

}  // namespace

int main(int argc, char* argv[]) {
  const fs::path dir = argc > 1 ? argv[1] : "/tmp/pismovar-many-files";
  const int count = argc > 2 ? std::atoi(argv[2]) : 10000;
  const int folders = argc > 3 ? std::atoi(argv[3]) : 1;
  std::vector<std::string> names;
  const std::uint64_t bytes = WriteFiles(dir, count, folders, names);
  const auto rewrite = [&] { WriteFiles(dir, count, folders, names); };
  // Many folders take long to write again: fewer rounds.
  const int rounds = count > 20000 ? 3 : kRounds;
  std::printf(
      "%d files of %zu to %zu bytes in %d folder(s) under %s, %llu bytes; medians of %d "
      "rounds, the order alternating\nmachine: %s\n",
      count, kMinSize, kMaxSize, folders, dir.c_str(), static_cast<unsigned long long>(bytes),
      rounds, MachineDescription().c_str());

  const std::vector<std::string> cli{PISMOVAR_CLI, "-q",  "-f",        "win",  "-t", "win",
                                     "--eol-in",   "dos", "--eol-out", "unix", "-i"};
  std::vector<std::string> tree = cli;
  tree.insert(tree.end(), {"-r", dir.string()});
  std::vector<std::string> listed = cli;
  std::vector<std::string> dos2unix{"dos2unix", "-q"};
  if (folders > 1) {
    dos2unix = {"find", dir.string(), "-name", "*.txt", "-exec", "dos2unix", "-q", "{}", "+"};
  } else {
    listed.insert(listed.end(), names.begin(), names.end());
    dos2unix.insert(dos2unix.end(), names.begin(), names.end());
  }
  const auto row = [&](const char* measure, const std::vector<std::string>& ours) {
    const Comparison c = Compare(Command{ours}, Command{dos2unix}, rewrite, rounds);
    std::printf("  %-44s %8.3f s, dos2unix %8.3f s: %5.2f x  [<= 1.0]%s\n", measure, c.ours,
                c.theirs, c.ratio, c.failed ? "  (a run failed; is dos2unix installed?)" : "");
    std::fflush(stdout);
  };
  row("pismovar-cli ... -r -i DIR", tree);
  if (folders == 1) row("pismovar-cli ... -i FILES", listed);
  rewrite();
  const long ours = SystemCalls(folders > 1 ? tree : listed);
  rewrite();
  const long theirs = SystemCalls(dos2unix);
  if (ours > 0 && theirs > 0) {
    std::printf("  system calls per file: pismovar-cli %.1f, dos2unix %.1f  [<= 22]\n",
                static_cast<double>(ours) / count, static_cast<double>(theirs) / count);
  }
  std::printf("after the runs: %s\n", MachineDescription().c_str());
  fs::remove_all(dir);
  return 0;
}
