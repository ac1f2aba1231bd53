// Whole-process figures of pismovar-cli against cp, cat and iconv on a large page-cached
// Windows 1250 text and its UTF-8 form: wall time (best of several runs) and peak memory of
// each command.
//
//   cli_bench [FILE [MEGABYTES]]   FILE defaults to /tmp/pismovar-bench.txt, 200 MB; it is
//                                  generated when missing or of another size.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

extern char** environ;

namespace {

constexpr int kRuns = 5;
constexpr std::uint64_t kDefaultMegabytes = 200;
constexpr int kLineLength = 72;
constexpr int kAccentedPercent = 10;

// The Windows 1250 bytes of the Czech and Slovak accented letters.
constexpr std::array<unsigned char, 44> kAccented{
    0xC1, 0xE1, 0xC8, 0xE8, 0xCF, 0xEF, 0xC9, 0xE9, 0xCC, 0xEC, 0xCD, 0xED, 0xD2, 0xF2, 0xD3,
    0xF3, 0xD8, 0xF8, 0x8A, 0x9A, 0x8D, 0x9D, 0xDA, 0xFA, 0xD9, 0xF9, 0xDD, 0xFD, 0x8E, 0x9E,
    0xE4, 0xC4, 0xF4, 0xD4, 0xF6, 0xD6, 0xFC, 0xDC, 0xE0, 0xC0, 0xE5, 0xC5, 0xBE, 0xBC};

std::uint64_t FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

// Lines of words in lower-case letters, a tenth of the letters accented, CR LF line ends.
bool Generate(const std::string& path, std::uint64_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  std::mt19937 random(1250);
  std::uniform_int_distribution<int> percent(0, 99);
  std::uniform_int_distribution<int> plain('a', 'z');
  std::uniform_int_distribution<std::size_t> accented(0, kAccented.size() - 1);
  std::uniform_int_distribution<int> wordLength(2, 9);
  std::string line;
  for (std::uint64_t written = 0; written < size; written += line.size()) {
    line.clear();
    while (line.size() < kLineLength) {
      for (int n = wordLength(random); n > 0; --n) {
        line += percent(random) < kAccentedPercent ? static_cast<char>(kAccented[accented(random)])
                                                   : static_cast<char>(plain(random));
      }
      line += ' ';
    }
    line += "\r\n";
    if (std::fwrite(line.data(), 1, line.size(), file) != line.size()) return false;
  }
  return std::fclose(file) == 0;
}

struct Figures {
  double seconds = 1e30;  // best of the runs
  long peakKiB = 0;       // largest of the runs
  int status = 0;
};

// Runs `argv` with standard output going to `stdoutPath`; the output file is removed first.
Figures Measure(const std::vector<std::string>& argv, const std::string& stdoutPath,
                const std::string& removeFirst) {
  Figures figures;
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  for (int run = 0; run < kRuns; ++run) {
    if (!removeFirst.empty()) ::unlink(removeFirst.c_str());
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
      figures.status = -1;
      return figures;
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    if (seconds < figures.seconds) figures.seconds = seconds;
    if (usage.ru_maxrss > figures.peakKiB) figures.peakKiB = usage.ru_maxrss;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) figures.status = status;
  }
  return figures;
}

void Print(const char* name, const Figures& f, std::uint64_t bytes) {
  std::printf("  %-66s %8.3f s %8.0f MB/s %8.1f MiB%s\n", name, f.seconds,
              static_cast<double>(bytes) / 1e6 / f.seconds, static_cast<double>(f.peakKiB) / 1024,
              f.status != 0 ? "  (failed)" : "");
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::string input = argc > 1 ? argv[1] : "/tmp/pismovar-bench.txt";
  const std::uint64_t size =
      (argc > 2 ? std::strtoull(argv[2], nullptr, 10) : kDefaultMegabytes) * 1000 * 1000;
  const std::string output = input + ".out";
  if (FileSize(input) < size || FileSize(input) > size + kLineLength + 2) {
    std::printf("Generating %s (%llu MB)...\n", input.c_str(),
                static_cast<unsigned long long>(size / 1000000));
    if (!Generate(input, size)) {
      std::perror(input.c_str());
      return 1;
    }
  }
  const std::uint64_t bytes = FileSize(input);
  const std::string cli = PISMOVAR_CLI;
  Measure({"cat", input}, "/dev/null", {});  // into the page cache

  std::printf("%s: %llu bytes, best of %d runs, page-cached\n", input.c_str(),
              static_cast<unsigned long long>(bytes), kRuns);
  const Figures cp = Measure({"cp", input, output}, "/dev/null", output);
  Print("cp IN OUT", cp, bytes);
  const Figures iconv =
      Measure({"iconv", "-f", "CP1250", "-t", "CP852", "-o", output, input}, "/dev/null", output);
  Print("iconv -f CP1250 -t CP852 -o OUT IN", iconv, bytes);
  const Figures convert = Measure(
      {cli, "-f", "win", "-t", "lat", "--eol-in", "dos", "--eol-out", "unix", "-o", output, input},
      "/dev/null", output);
  Print("pismovar-cli -f win -t lat --eol-in dos --eol-out unix -o OUT IN", convert, bytes);
  const Figures cat = Measure({"cat", input}, "/dev/null", {});
  Print("cat IN > /dev/null", cat, bytes);
  const Figures detect = Measure({cli, "--detect", input}, "/dev/null", {});
  Print("pismovar-cli --detect IN", detect, bytes);

  // The UTF-8 form of the text, made by the tool itself and checked against iconv's.
  const std::string utf8 = input + ".utf8";
  Measure({cli, "-f", "win", "-t", "utf8", "-o", utf8, input}, "/dev/null", {});
  const Figures toUtf8 =
      Measure({cli, "-f", "win", "-t", "utf8", "-o", output, input}, "/dev/null", output);
  Print("pismovar-cli -f win -t utf8 -o OUT IN", toUtf8, bytes);
  const Figures iconvToUtf8 =
      Measure({"iconv", "-f", "CP1250", "-t", "UTF-8", "-o", output, input}, "/dev/null", output);
  Print("iconv -f CP1250 -t UTF-8 -o OUT IN", iconvToUtf8, bytes);
  const bool sameUtf8 = Measure({"cmp", "-s", output, utf8}, "/dev/null", {}).status == 0;
  const std::uint64_t utf8Bytes = FileSize(utf8);
  Measure({"cat", utf8}, "/dev/null", {});
  const Figures cpUtf8 = Measure({"cp", utf8, output}, "/dev/null", output);
  Print("cp IN.utf8 OUT", cpUtf8, utf8Bytes);
  const Figures fromUtf8 =
      Measure({cli, "-f", "utf8", "-t", "win", "-o", output, utf8}, "/dev/null", output);
  Print("pismovar-cli -f utf8 -t win -o OUT IN.utf8", fromUtf8, utf8Bytes);
  const bool sameBack = Measure({"cmp", "-s", output, input}, "/dev/null", {}).status == 0;
  const Figures iconvFromUtf8 =
      Measure({"iconv", "-f", "UTF-8", "-t", "CP1250", "-o", output, utf8}, "/dev/null", output);
  Print("iconv -f UTF-8 -t CP1250 -o OUT IN.utf8", iconvFromUtf8, utf8Bytes);
  const Figures catUtf8 = Measure({"cat", utf8}, "/dev/null", {});
  Print("cat IN.utf8 > /dev/null", catUtf8, utf8Bytes);
  const Figures detectUtf8 = Measure({cli, "--detect", utf8}, "/dev/null", {});
  Print("pismovar-cli --detect IN.utf8", detectUtf8, utf8Bytes);
  ::unlink(output.c_str());
  ::unlink(utf8.c_str());

  std::printf("Ratios (targets in brackets):\n");
  std::printf("  conversion / cp        %6.2f  [at most 2]\n", convert.seconds / cp.seconds);
  std::printf("  iconv / conversion     %6.2f  [at least 3]\n", iconv.seconds / convert.seconds);
  std::printf("  detect / cat           %6.2f  [at most 2]\n", detect.seconds / cat.seconds);
  std::printf("  win to UTF-8 / cp      %6.2f  [at most 3]%s\n", toUtf8.seconds / cp.seconds,
              sameUtf8 ? "" : "  (output differs from iconv's)");
  std::printf("  iconv / win to UTF-8   %6.2f  [at least 2]\n",
              iconvToUtf8.seconds / toUtf8.seconds);
  std::printf("  UTF-8 to win / cp      %6.2f  [at most 3]%s\n", fromUtf8.seconds / cp.seconds,
              sameBack ? "" : "  (does not give the original back)");
  std::printf("  iconv / UTF-8 to win   %6.2f  [at least 2]\n",
              iconvFromUtf8.seconds / fromUtf8.seconds);
  std::printf("  detect UTF-8 / cat     %6.2f\n", detectUtf8.seconds / catUtf8.seconds);
  std::printf("  peak memory of pismovar-cli %.1f MiB converting, %.1f MiB detecting [under 16]\n",
              static_cast<double>(convert.peakKiB) / 1024,
              static_cast<double>(detect.peakKiB) / 1024);
  return 0;
}
