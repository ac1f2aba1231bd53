// Measures the engine against the tools of the field on a large page-cached text and prints
// the ratios: file conversion against cp and iconv, full detection against cat, and the
// memory a conversion takes above the process's baseline; then each hot loop alone, in every
// form this processor runs. Prints figures; never fails on time.
//
//   engine_bench [FILE [MEGABYTES]]   (default /tmp/pismovar-bench.txt, 200 MB)
//
// PISMOVAR_SIMD=NAME runs the file figures with one form of the loops (a name from the list
// the benchmark prints, such as AVX2 or SCALAR), as it does for the programs.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/byte_map.h"
#include "engine/converter.h"
#include "engine/detect.h"
#include "engine/kernels/kernels.h"
#include "engine/kernels/targets.h"

namespace {

using pismovar::Converter;
namespace kernels = pismovar::kernels;
using namespace pismovar::bench;

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

// Each hot loop alone on one read-sized piece of the text (its UTF-8 form for the loops that
// read UTF-8, and for the tally with the UTF-8 check), from the cache, in each of `targets`: a
// table in GB/s of input.
std::string MeasureLoops(const std::string& path, const std::vector<kernels::Target>& targets) {
  std::string piece(Converter::kReadSize, ' ');
  std::ifstream(path, std::ios::binary)
      .read(piece.data(), static_cast<std::streamsize>(piece.size()));
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(piece.data());
  std::vector<std::uint8_t> utf8(3 * piece.size() + kernels::kWriteSlack);
  std::vector<std::uint8_t> out(utf8.size());
  const pismovar::CompleteMap map =
      pismovar::BuildCompleteMap(pismovar::kCodeWin1250, pismovar::kCodeLatin2);
  const std::string lf = "\n";
  const kernels::Rewrite dosToUnix{'\r', true, '\n', lf.data(), lf.size()};
  const pismovar::ToUtf8Table toTable = pismovar::BuildToUtf8Table(pismovar::kCodeWin1250);
  const pismovar::FromUnicodeTable fromTable(pismovar::kCodeWin1250);
  pismovar::DetectTally tally;
  pismovar::Utf8Losses losses;
  const std::size_t utf8Size =
      kernels::EncodeUtf8(bytes, piece.size(), utf8.data(), toTable, nullptr, losses);
  constexpr int kRounds = 1000;  // 100 MB of input in all
  auto rate = [&](std::size_t size, auto&& run) {
    const double seconds = Best([&] {
      for (int r = 0; r < kRounds; ++r) run();
    });
    return static_cast<double>(size) * kRounds / 1e9 / seconds;
  };
  std::string table =
      "each loop alone, GB/s of input:\n  form       map+CRLF  tally  to UTF-8  +CRLF  from UTF-8  "
      "tally+UTF-8\n";
  for (const kernels::Target& target : targets) {
    const kernels::ScopedTarget use(target);
    const double convert = rate(piece.size(), [&] {
      kernels::Convert(bytes, piece.size(), out.data(), map.bytes, map.substituted, &dosToUnix,
                       losses.replaced);
    });
    const double detect = rate(piece.size(), [&] { tally.Add(bytes, piece.size()); });
    const double encode = rate(piece.size(), [&] {
      kernels::EncodeUtf8(bytes, piece.size(), out.data(), toTable, nullptr, losses);
    });
    const double encodeDosToUnix = rate(piece.size(), [&] {
      kernels::EncodeUtf8(bytes, piece.size(), out.data(), toTable, &dosToUnix, losses);
    });
    const double decode = rate(utf8Size, [&] {
      kernels::DecodeUtf8(utf8.data(), utf8Size, out.data(), fromTable, nullptr, 0, losses);
    });
    const double tallyUtf8 = rate(utf8Size, [&] {
      pismovar::Utf8Detector detector;
      tally.Add(utf8.data(), utf8Size, true, detector);
    });
    char row[160];
    std::snprintf(row, sizeof row, "  %-9.*s %9.2f %6.2f %9.2f %6.2f %11.2f %12.2f\n",
                  static_cast<int>(target.name.size()), target.name.data(), convert, detect, encode,
                  encodeDosToUnix, decode, tallyUtf8);
    table += row;
  }
  return table;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<kernels::Target> targets = kernels::SupportedTargets();
  std::printf("forms of the loops this processor runs:");
  for (const kernels::Target& target : targets) {
    std::printf(" %.*s", static_cast<int>(target.name.size()), target.name.data());
  }
  const std::string_view active = kernels::ActiveTarget();
  std::printf("\nthe file figures run: %.*s, reading %zu KiB at a time\n",
              static_cast<int>(active.size()), active.data(), Converter::kLargeReadSize >> 10);

  const std::string in = PrepareText(argc, argv);
  if (in.empty()) return 1;
  const std::string out = in + ".out";

  // The file figures read as the command-line tool does.
  Converter::Settings settings;
  settings.readSize = Converter::kLargeReadSize;
  settings.detectUtf8 = false;
  Converter converter(settings);
  settings.detectUtf8 = true;
  Converter withUtf8(settings);
  pismovar::Choices choices;
  choices.codeIn = pismovar::kCodeWin1250;
  choices.codeOut = pismovar::kCodeLatin2;
  choices.lineEndIn = pismovar::kLineEndDos;
  choices.lineEndOut = pismovar::kLineEndUnix;

  // Peak memory of a conversion above what the process held before it.
  { std::ofstream("/proc/self/clear_refs") << "5"; }
  const long baseline = StatusKiB("VmRSS:");
  if (converter.ConvertFile(choices, in, out).result != pismovar::Outcome::kDone) {
    std::fprintf(stderr, "the conversion of %s failed\n", in.c_str());
    return 1;
  }
  const long peak = StatusKiB("VmHWM:");

  const double cp = Measure({"cp", in, out}, "/dev/null", out).seconds;
  const double iconv =
      Measure({"iconv", "-f", "CP1250", "-t", "CP852", "-o", out, in}, "/dev/null", out).seconds;
  const double convert = Best([&] { converter.ConvertFile(choices, in, out); }, out);
  const double cat = Measure({"cat", in}, "/dev/null", {}).seconds;
  const double detect = Best([&] { converter.FullDetect(in); });
  const double detectWithUtf8 = Best([&] { withUtf8.FullDetect(in); });

  // Through UTF-8.
  const std::string utf8 = in + ".utf8";
  choices.codeOut = pismovar::kCodeUtf8;
  choices.lineEndOut = pismovar::kLineEndDos;
  const double toUtf8 = Best([&] { converter.ConvertFile(choices, in, utf8); }, utf8);
  const double iconvToUtf8 =
      Measure({"iconv", "-f", "CP1250", "-t", "UTF-8", "-o", out, in}, "/dev/null", out).seconds;
  choices.codeIn = pismovar::kCodeUtf8;
  choices.codeOut = pismovar::kCodeWin1250;
  const double fromUtf8 = Best([&] { converter.ConvertFile(choices, utf8, out); }, out);
  const double iconvFromUtf8 =
      Measure({"iconv", "-f", "UTF-8", "-t", "CP1250", "-o", out, utf8}, "/dev/null", out).seconds;
  const double detectUtf8 = Best([&] { withUtf8.FullDetect(utf8); });
  const double catUtf8 = Measure({"cat", utf8}, "/dev/null", {}).seconds;
  std::remove(out.c_str());
  std::remove(utf8.c_str());

  const std::string loops = MeasureLoops(in, targets);

  std::printf("text: %s, %llu bytes, Windows 1250 CR LF, ~10%% accented, best of %d runs\n",
              in.c_str(), static_cast<unsigned long long>(FileSize(in)), kRuns);
  std::printf("cp                      %8.3f s\n", cp);
  std::printf("iconv CP1250 -> CP852   %8.3f s\n", iconv);
  std::printf(
      "ConvertFile win/dos -> lat/unix %8.3f s   %.2f x cp (target <= 1.5), iconv is %.1f x "
      "slower (target >= 4)\n",
      convert, convert / cp, iconv / convert);
  std::printf("cat > /dev/null         %8.3f s\n", cat);
  std::printf("full detection          %8.3f s   %.2f x cat (target <= 1.5)\n", detect,
              detect / cat);
  std::printf("full detection, UTF-8 recognised too %8.3f s   %.2f x cat\n", detectWithUtf8,
              detectWithUtf8 / cat);
  std::printf("peak memory of a conversion above the baseline: %ld KiB (target < 16384)\n",
              peak - baseline);
  std::printf(
      "ConvertFile win -> UTF-8    %8.3f s   %.2f x cp (target <= 2), iconv %.3f s is "
      "%.1f x slower (target >= 4)\n",
      toUtf8, toUtf8 / cp, iconvToUtf8, iconvToUtf8 / toUtf8);
  std::printf(
      "ConvertFile UTF-8 -> win    %8.3f s   %.2f x cp (target <= 2), iconv %.3f s is "
      "%.1f x slower (target >= 4)\n",
      fromUtf8, fromUtf8 / cp, iconvFromUtf8, iconvFromUtf8 / fromUtf8);
  std::printf("full detection of the UTF-8 form %8.3f s   %.2f x cat (target <= 2)\n", detectUtf8,
              detectUtf8 / catUtf8);
  std::fputs(loops.c_str(), stdout);
  return 0;
}
