// Measures the engine against the tools of the field on a large page-cached text and prints
// the ratios: file conversion against cp and iconv, full detection against cat, and the
// memory a conversion takes above the process's baseline. Prints figures; never fails on time.
//
//   engine_bench [FILE] [MEGABYTES]   (default /tmp/pismovar-bench.txt, 200)

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "engine/converter.h"

namespace {

using pismovar::Converter;

class QuietHost : public pismovar::EngineHost {
 public:
  void UpdateData(bool) override {}
  void ShowStopMessage(int id, std::string_view) override {
    std::fprintf(stderr, "engine message %d\n", id);
  }
};

// A Windows 1250 text with CR LF line ends in which about one byte in ten is an accented
// letter, written once and reused.
void MakeText(const std::string& path, std::size_t megabytes) {
  std::ifstream existing(path, std::ios::binary | std::ios::ate);
  if (existing && static_cast<std::size_t>(existing.tellg()) == megabytes << 20) return;
  const std::string accented = "\xE8\xF8\x9A\x9E\xFD\xE1\xED\xE9\xEC\xF9\xFA\xC8\x8A\x8E";
  std::mt19937 random(1);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::string line;
  std::size_t written = 0;
  while (written < megabytes << 20) {
    line.clear();
    while (line.size() < 70) {
      const auto r = static_cast<unsigned>(random() % 100);
      line += r < 10 ? accented[r % accented.size()] : r < 25 ? ' ' : char('a' + r % 26);
    }
    line += "\r\n";
    const std::size_t n = std::min(line.size(), (megabytes << 20) - written);
    out.write(line.data(), static_cast<std::streamsize>(n));
    written += n;
  }
}

// The best wall time of three runs, in seconds.
double Best(const std::function<void()>& run) {
  double best = 1e9;
  for (int i = 0; i < 3; ++i) {
    const auto start = std::chrono::steady_clock::now();
    run();
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                              .count());
  }
  return best;
}

void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "failed: %s\n", command.c_str());
}

// A figure from /proc/self/status, in KiB.
long StatusKiB(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word) {
    if (word == key) {
      long kib = 0;
      status >> kib;
      return kib;
    }
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string in = argc > 1 ? argv[1] : "/tmp/pismovar-bench.txt";
  const std::size_t megabytes = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 200;
  const std::string out = in + ".out";
  MakeText(in, megabytes);
  Shell("cat '" + in + "' > /dev/null");  // into the page cache

  QuietHost host;
  Converter converter(host);
  converter.m_nCodeIn = pismovar::kCodeWin1250;
  converter.m_nCodeOut = pismovar::kCodeLatin2;
  converter.m_nLineEndIn = pismovar::kLineEndDos;
  converter.m_nLineEndOut = pismovar::kLineEndUnix;

  // Peak memory of a conversion above what the process held before it.
  { std::ofstream("/proc/self/clear_refs") << "5"; }
  const long baseline = StatusKiB("VmRSS:");
  converter.ConvertFile(in, out);
  const long peak = StatusKiB("VmHWM:");

  const double cp = Best([&] { Shell("cp '" + in + "' '" + out + "'"); });
  const double iconv =
      Best([&] { Shell("iconv -f CP1250 -t CP852 '" + in + "' > '" + out + "'"); });
  const double convert = Best([&] { converter.ConvertFile(in, out); });
  const double cat = Best([&] { Shell("cat '" + in + "' > /dev/null"); });
  converter.m_strInput = in;
  const double detect = Best([&] { converter.FullDetect(); });
  std::remove(out.c_str());

  std::printf("text: %s, %zu MiB, Windows 1250 CR LF, ~10%% accented\n", in.c_str(), megabytes);
  std::printf("cp                      %8.3f s\n", cp);
  std::printf("iconv CP1250 -> CP852   %8.3f s\n", iconv);
  std::printf("ConvertFile win/dos -> lat/unix %8.3f s   %.2f x cp (target <= 2), iconv is %.1f x "
              "slower (target >= 3)\n",
              convert, convert / cp, iconv / convert);
  std::printf("cat > /dev/null         %8.3f s\n", cat);
  std::printf("full detection          %8.3f s   %.2f x cat (target <= 2)\n", detect,
              detect / cat);
  std::printf("peak memory of a conversion above the baseline: %ld KiB (target <= 8192)\n",
              peak - baseline);
  return 0;
}
