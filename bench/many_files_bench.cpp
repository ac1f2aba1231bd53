// pismovar-cli converting many small files in place, against dos2unix doing the same line-end
// conversion: 10,000 Windows 1250 texts of 0.5 to 5 KB with CR LF line ends, rewritten before
// every run and flushed to disk, then converted to LF in place (best of several runs).
//
//   many_files_bench [DIR [COUNT]]   DIR defaults to /tmp/pismovar-many-files, COUNT to 10000;
//                                    the folder is made and removed by the benchmark.
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
std::uint64_t WriteFiles(const fs::path& dir, int count, std::vector<std::string>& names) {
  fs::remove_all(dir);
  fs::create_directories(dir);
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
    const fs::path path = dir / ("dopis-" + std::to_string(i) + ".txt");
    std::ofstream(path, std::ios::binary) << text;
    names.push_back(path.string());
    total += size;
  }
  ::sync();  // the writing of the inputs is not part of the measure
  return total;
}

}  // namespace

int main(int argc, char* argv[]) {
  const fs::path dir = argc > 1 ? argv[1] : "/tmp/pismovar-many-files";
  const int count = argc > 2 ? std::atoi(argv[2]) : 10000;
  std::vector<std::string> names;
  const std::uint64_t bytes = WriteFiles(dir, count, names);
  const auto rewrite = [&] { WriteFiles(dir, count, names); };
  std::printf("%d files of %zu to %zu bytes in %s, %llu bytes, best of %d runs\n", count, kMinSize,
              kMaxSize, dir.c_str(), static_cast<unsigned long long>(bytes), kRuns);

  std::vector<std::string> cli{PISMOVAR_CLI, "-q",  "-f",        "win",  "-t", "win",
                               "--eol-in",   "dos", "--eol-out", "unix", "-i"};
  std::vector<std::string> tree = cli;
  tree.insert(tree.end(), {"-r", dir.string()});
  const Figures recursive = Measure(tree, "/dev/null", {}, rewrite);
  Print("pismovar-cli -f win -t win --eol-in dos --eol-out unix -r -i DIR", recursive, bytes);
  cli.insert(cli.end(), names.begin(), names.end());
  const Figures listed = Measure(cli, "/dev/null", {}, rewrite);
  Print("pismovar-cli -f win -t win --eol-in dos --eol-out unix -i FILES", listed, bytes);

  std::vector<std::string> dos2unix{"dos2unix", "-q"};
  dos2unix.insert(dos2unix.end(), names.begin(), names.end());
  const Figures other = Measure(dos2unix, "/dev/null", {}, rewrite);
  if (other.status == -1) {
    std::printf("  dos2unix is not installed (Debian package dos2unix)\n");
  } else {
    Print("dos2unix -q FILES", other, bytes);
    std::printf("  pismovar-cli -i / dos2unix  %6.2f\n", listed.seconds / other.seconds);
  }
  std::printf("  files per second, pismovar-cli -i  %8.0f\n", count / listed.seconds);
  fs::remove_all(dir);
  return 0;
}
