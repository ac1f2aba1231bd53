// What the benchmarks share: the text they measure on, and the timing of whole commands and
// of work inside the process. Figures only; nothing here passes or fails on time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
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

// Runs `argv` kRuns times with standard output going to `stdoutPath`, `removeFirst` (if any)
// removed and `beforeEach` (if any) called, untimed, before each run.
Figures Measure(const std::vector<std::string>& argv, const std::string& stdoutPath,
                const std::string& removeFirst, const std::function<void()>& beforeEach = {});

// The best wall time of kRuns calls of `run`, `removeFirst` (if any) removed before each.
double Best(const std::function<void()>& run, const std::string& removeFirst = {});

void Print(const char* name, const Figures& figures, std::uint64_t bytes);

}  // namespace pismovar::bench
