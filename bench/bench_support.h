// What the benchmarks share: the text they measure on, and the timing of whole commands and
// of work inside the process. Figures only; nothing here passes or fails on time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace pismovar::bench {

inline constexpr int kRuns = 5;

struct Figures {
  double seconds = 1e30;  // best of the runs
  long peakKiB = 0;       // largest of the runs
  int status = 0;
};

std::uint64_t FileSize(const std::string& path);

// The text named by a benchmark's arguments [FILE [MEGABYTES]] (default
// /tmp/pismovar-bench.txt, 200 MB): Windows 1250, CR LF line ends, about a tenth of the
// letters accented. Generated when missing or of another size, then read into the page
// cache. Empty when it cannot be written.
std::string PrepareText(int argc, char** argv);

// A command of a side-by-side comparison: its arguments, where its standard output goes, and
// a file removed (untimed) before each run.
struct Command {
  Command(std::vector<std::string> arguments, std::string output = "/dev/null",
          std::string removed = {})
      : argv(std::move(arguments)),
        stdoutPath(std::move(output)),
        removeFirst(std::move(removed)) {}
  std::vector<std::string> argv;
  std::string stdoutPath;
  std::string removeFirst;
};

// The medians of a comparison of two commands, and the median of the rounds' ratios.
struct Comparison {
  double ours = 0;
  double theirs = 0;
  double ratio = 0;  // ours / theirs
  bool failed = false;
};

inline constexpr int kRounds = 7;

// Runs `ours` and `theirs` in `rounds` rounds, the two in turn and which goes first alternating
// from round to round, with `beforeEach` (if any) called untimed before every run.
Comparison Compare(const Command& ours, const Command& theirs,
                   const std::function<void()>& beforeEach = {}, int rounds = kRounds);

// The processor's model and the features the loops' forms depend on, and the load average:
// what every figure needs beside it.
std::string MachineDescription();

// Runs `argv` kRuns times with standard output going to `stdoutPath`, `removeFirst` (if any)
// removed and `beforeEach` (if any) called, untimed, before each run.
Figures Measure(const std::vector<std::string>& argv, const std::string& stdoutPath,
                const std::string& removeFirst, const std::function<void()>& beforeEach = {});

// The best wall time of kRuns calls of `run`, `removeFirst` (if any) removed before each.
double Best(const std::function<void()>& run, const std::string& removeFirst = {});

void Print(const char* name, const Figures& figures, std::uint64_t bytes);

}  // namespace pismovar::bench
