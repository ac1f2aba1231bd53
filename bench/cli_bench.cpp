// Whole-process figures of pismovar-cli against cp, cat and iconv on a large page-cached
// Windows 1250 text and its UTF-8 form: wall time (best of several runs) and peak memory of
// each command.
//
//   cli_bench [FILE [MEGABYTES]]   FILE defaults to /tmp/pismovar-bench.txt, 200 MB; it is
//                                  generated when missing or of another size.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench/bench_support.h"
#include "engine/kernels/targets.h"

using namespace pismovar::bench;

int main(int argc, char* argv[]) {
  const std::string input = PrepareText(argc, argv);
  if (input.empty()) return 1;
  const std::string output = input + ".out";
  const std::uint64_t bytes = FileSize(input);
  const std::string cli = PISMOVAR_CLI;

  // pismovar-cli runs on this processor too, so it chooses the same form.
  const std::string_view form = pismovar::kernels::ActiveTarget();
  std::printf("%s: %llu bytes, best of %d runs, page-cached; the loops run their %.*s form\n",
              input.c_str(), static_cast<unsigned long long>(bytes), kRuns,
              static_cast<int>(form.size()), form.data());
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
  std::printf("  conversion / cp        %6.2f  [at most 1.5]\n", convert.seconds / cp.seconds);
  std::printf("  iconv / conversion     %6.2f  [at least 4]\n", iconv.seconds / convert.seconds);
  std::printf("  detect / cat           %6.2f  [at most 1.5]\n", detect.seconds / cat.seconds);
  std::printf("  win to UTF-8 / cp      %6.2f  [at most 2]%s\n", toUtf8.seconds / cp.seconds,
              sameUtf8 ? "" : "  (output differs from iconv's)");
  std::printf("  iconv / win to UTF-8   %6.2f  [at least 4]\n",
              iconvToUtf8.seconds / toUtf8.seconds);
  std::printf("  UTF-8 to win / cp      %6.2f  [at most 2]%s\n", fromUtf8.seconds / cp.seconds,
              sameBack ? "" : "  (does not give the original back)");
  std::printf("  iconv / UTF-8 to win   %6.2f  [at least 4]\n",
              iconvFromUtf8.seconds / fromUtf8.seconds);
  std::printf("  detect UTF-8 / cat     %6.2f  [at most 2]\n",
              detectUtf8.seconds / catUtf8.seconds);
  std::printf("  peak memory of pismovar-cli %.1f MiB converting, %.1f MiB detecting [under 16]\n",
              static_cast<double>(convert.peakKiB) / 1024,
              static_cast<double>(detect.peakKiB) / 1024);
  return 0;
}
