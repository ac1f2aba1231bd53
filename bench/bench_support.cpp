#include "bench/bench_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>

extern char** environ;

namespace pismovar::bench {
namespace {

constexpr std::uint64_t kDefaultMegabytes = 200;
constexpr int kLineLength = 72;
constexpr int kAccentedPercent = 10;

// The Windows 1250 bytes of the Czech and Slovak accented letters.
constexpr std::array<unsigned char, 44> kAccented{
    0xC1, 0xE1, 0xC8, 0xE8, 0xCF, 0xEF, 0xC9, 0xE9, 0xCC, 0xEC, 0xCD, 0xED, 0xD2, 0xF2, 0xD3,
    0xF3, 0xD8, 0xF8, 0x8A, 0x9A, 0x8D, 0x9D, 0xDA, 0xFA, 0xD9, 0xF9, 0xDD, 0xFD, 0x8E, 0x9E,
    0xE4, 0xC4, 0xF4, 0xD4, 0xF6, 0xD6, 0xFC, 0xDC, 0xE0, 0xC0, 0xE5, 0xC5, 0xBE, 0xBC};

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

}  // namespace

std::uint64_t FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
}

std::string PrepareText(int argc, char** argv) {
  const std::string input = argc > 1 ? argv[1] : "/tmp/pismovar-bench.txt";
  const std::uint64_t size =
      (argc > 2 ? std::strtoull(argv[2], nullptr, 10) : kDefaultMegabytes) * 1000 * 1000;
  if (FileSize(input) < size || FileSize(input) > size + kLineLength + 2) {
    std::printf("Generating %s (%llu MB)...\n", input.c_str(),
                static_cast<unsigned long long>(size / 1000000));
    if (!Generate(input, size)) {
      std::perror(input.c_str());
      return {};
    }
  }
  Measure({"cat", input}, "/dev/null", {});  // into the page cache
  return input;
}

namespace {

// One run of `argv` with standard output going to `stdoutPath`.
Figures RunOnce(const std::vector<std::string>& argv, const std::string& stdoutPath) {
  Figures figures;
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    figures.status = -1;
    return figures;
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  figures.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  figures.peakKiB = usage.ru_maxrss;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) figures.status = status;
  return figures;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t half = values.size() / 2;
  return values.size() % 2 != 0 ? values[half] : (values[half - 1] + values[half]) / 2;
}

std::string ReadFirstLine(const char* path, const char* prefix) {
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) {
    if (line.rfind(prefix, 0) == 0) return line;
  }
  return {};
}

}  // namespace

Figures Measure(const std::vector<std::string>& argv, const std::string& stdoutPath,
                const std::string& removeFirst, const std::function<void()>& beforeEach) {
  Figures best;
  for (int run = 0; run < kRuns; ++run) {
    if (!removeFirst.empty()) ::unlink(removeFirst.c_str());
    if (beforeEach) beforeEach();
    const Figures figures = RunOnce(argv, stdoutPath);
    if (figures.status == -1) return figures;
    best.seconds = std::min(best.seconds, figures.seconds);
    best.peakKiB = std::max(best.peakKiB, figures.peakKiB);
    if (figures.status != 0) best.status = figures.status;
  }
  return best;
}

Comparison Compare(const Command& ours, const Command& theirs,
                   const std::function<void()>& beforeEach, int rounds) {
  std::vector<double> oursSeconds;
  std::vector<double> theirsSeconds;
  std::vector<double> ratios;
  Comparison comparison;
  const auto run = [&](const Command& command) {
    if (!command.removeFirst.empty()) ::unlink(command.removeFirst.c_str());
    if (beforeEach) beforeEach();
    const Figures figures = RunOnce(command.argv, command.stdoutPath);
    if (figures.status != 0) comparison.failed = true;
    return figures.seconds;
  };
  for (int round = 0; round < rounds; ++round) {
    double mine = 0;
    double other = 0;
    if (round % 2 == 0) {
      mine = run(ours);
      other = run(theirs);
    } else {
      other = run(theirs);
      mine = run(ours);
    }
    oursSeconds.push_back(mine);
    theirsSeconds.push_back(other);
    ratios.push_back(mine / other);
  }
  comparison.ours = Median(oursSeconds);
  comparison.theirs = Median(theirsSeconds);
  comparison.ratio = Median(ratios);
  return comparison;
}

std::string MachineDescription() {
  std::string model = ReadFirstLine("/proc/cpuinfo", "model name");
  if (const auto colon = model.find(": "); colon != std::string::npos) model.erase(0, colon + 2);
  const std::string flags = " " + ReadFirstLine("/proc/cpuinfo", "flags") + " ";
  std::string features;
  for (const char* feature : {"sse4_2", "avx2", "bmi2", "avx512f", "avx512bw", "avx512vbmi",
                              "avx512_vbmi2", "asimd", "sve"}) {
    if (flags.find(std::string(" ") + feature + " ") != std::string::npos) {
      features += features.empty() ? feature : std::string(" ") + feature;
    }
  }
  std::string load;
  std::getline(std::ifstream("/proc/loadavg"), load);
  return (model.empty() ? std::string("processor") : model) + ", " +
         std::to_string(::sysconf(_SC_NPROCESSORS_ONLN)) +
         " cores; features: " + (features.empty() ? std::string("none of note") : features) +
         "; load average " + load.substr(0, load.find(' ', load.find(' ', load.find(' ') + 1) + 1));
}

void Print(const char* name, const Figures& f, std::uint64_t bytes) {
  std::printf("  %-66s %8.3f s %8.0f MB/s %8.1f MiB%s\n", name, f.seconds,
              static_cast<double>(bytes) / 1e6 / f.seconds, static_cast<double>(f.peakKiB) / 1024,
              f.status != 0 ? "  (failed)" : "");
}

double Best(const std::function<void()>& run, const std::string& removeFirst) {
  double best = 1e30;
  for (int i = 0; i < kRuns; ++i) {
    if (!removeFirst.empty()) ::unlink(removeFirst.c_str());
    const auto start = std::chrono::steady_clock::now();
    run();
    best = std::min(
        best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

}  // namespace pismovar::bench
