// Whole-process figures of pismovar-cli beside cp, cat and iconv, each row a ratio measured
// side by side: the two commands run in turn for several rounds, which goes first alternating,
// and the row gives the medians. The text is a page-cached Windows 1250 text with CR LF line
// ends and its UTF-8 form; the rows cover large files in every form of the loops and on one
// core, files of 1 and 10 MB, and the start-up on an empty file.
//
//   cli_bench [FILE [MEGABYTES]]   FILE defaults to /tmp/pismovar-bench.txt, 200 MB; it is
//                                  generated when missing or of another size.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/kernels/targets.h"

using namespace pismovar::bench;

namespace {

const std::string kCli = PISMOVAR_CLI;

// The first `bytes` of `from` as the file `to`.
void CopyStart(const std::string& from, const std::string& to, std::size_t bytes) {
  std::ifstream in(from, std::ios::binary);
  std::string text(bytes, '\0');
  in.read(text.data(), static_cast<std::streamsize>(bytes));
  text.resize(static_cast<std::size_t>(in.gcount()));
  std::ofstream(to, std::ios::binary) << text;
}

bool Runs(std::string_view form) {
  const auto targets = pismovar::kernels::SupportedTargets();
  return std::any_of(targets.begin(), targets.end(),
                     [&](const pismovar::kernels::Target& t) { return t.name == form; });
}

// pismovar-cli with `args`, in the form of the loops `form` names (empty: the best), on the
// cores `cores` allows (empty: all).
std::vector<std::string> Cli(std::vector<std::string> args, const std::string& form = {},
                             const std::string& cores = {}) {
  args.insert(args.begin(), kCli);
  if (!form.empty()) args.insert(args.begin(), {"env", "PISMOVAR_SIMD=" + form});
  if (!cores.empty()) args.insert(args.begin(), {"taskset", "-c", cores});
  return args;
}

std::vector<std::string> OnCores(std::vector<std::string> args, const std::string& cores) {
  if (!cores.empty()) args.insert(args.begin(), {"taskset", "-c", cores});
  return args;
}

void Row(const char* measure, const Command& ours, const Command& theirs, const char* target) {
  const Comparison c = Compare(ours, theirs);
  std::printf("  %-50s %8.4f s %8.4f s %7.2f x  %s%s\n", measure, c.ours, c.theirs, c.ratio, target,
              c.failed ? "  (a run failed)" : "");
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::string input = PrepareText(argc, argv);
  if (input.empty()) return 1;
  const std::string output = input + ".out";
  const std::string utf8 = input + ".utf8";
  const std::string oneMb = input + ".1mb";
  const std::string tenMb = input + ".10mb";
  const std::string empty = input + ".empty";
  Measure(Cli({"-f", "win", "-t", "utf8", "-o", utf8, input}), "/dev/null", {});
  CopyStart(input, oneMb, 1000 * 1000);
  CopyStart(input, tenMb, 10 * 1000 * 1000);
  std::ofstream(empty).flush();
  for (const std::string& file : {utf8, oneMb, tenMb}) Measure({"cat", file}, "/dev/null", {});

  const std::string_view form = pismovar::kernels::ActiveTarget();
  std::printf("%s: %llu bytes, page-cached; medians of %d rounds, the order alternating\n",
              input.c_str(), static_cast<unsigned long long>(FileSize(input)), kRounds);
  std::printf("machine: %s\nthe loops' best form here: %.*s\n", MachineDescription().c_str(),
              static_cast<int>(form.size()), form.data());
  std::printf("  %-50s %10s %10s %9s  %s\n", "measure", "ours", "theirs", "ratio", "[target]");

  const std::vector<std::string> convert{"-f",  "win",       "-t",   "lat", "--eol-in",
                                         "dos", "--eol-out", "unix", "-o",  output};
  const auto convertFile = [&](const std::string& file, const std::string& simd,
                               const std::string& cores) {
    std::vector<std::string> args = convert;
    args.push_back(file);
    return Command{Cli(args, simd, cores), "/dev/null", output};
  };
  const auto cp = [&](const std::string& file, const std::string& cores) {
    return Command{OnCores({"cp", file, output}, cores), "/dev/null", output};
  };
  const Command cat{{"cat", input}};
  Row("1250 CR LF -> 852 LF / cp, best form", convertFile(input, {}, {}), cp(input, {}),
      "[<= 1.0]");
  for (const char* lower : {"AVX2", "SSE4"}) {
    if (!Runs(lower)) continue;
    const std::string name = std::string("the same, ") + lower + " form";
    Row(name.c_str(), convertFile(input, lower, {}), cp(input, {}),
        lower == std::string("AVX2") ? "[<= 1.15]" : "[<= 1.3]");
  }
  Row("the same on one core / cp on one core", convertFile(input, {}, "0"), cp(input, "0"),
      "[<= 1.4]");
  Row("full detection / cat, best form", Command{Cli({"--detect", input})}, cat, "[<= 1.5]");
  if (Runs("AVX2")) {
    Row("full detection / cat, AVX2 form", Command{Cli({"--detect", input}, "AVX2")}, cat,
        "[<= 1.1]");
  }
  const Command catUtf8{{"cat", utf8}};
  Row("UTF-8 detection / cat, best form", Command{Cli({"--detect", utf8})}, catUtf8, "[<= 2]");
  if (Runs("SSE4")) {
    Row("UTF-8 detection / cat, SSE4 form", Command{Cli({"--detect", utf8}, "SSE4")}, catUtf8,
        "[<= 1.5]");
  }
  Row("a 1 MB file / cp", convertFile(oneMb, {}, {}), cp(oneMb, {}), "[<= 1.5]");
  Row("a 10 MB file / cp", convertFile(tenMb, {}, {}), cp(tenMb, {}), "[<= 1.3]");
  Row("an empty file's detection / cat (start-up)", Command{Cli({"--detect", empty})},
      Command{{"cat", empty}}, "[<= 1.3]");
  Row("1250 -> UTF-8 / cp",
      Command{Cli({"-f", "win", "-t", "utf8", "-o", output, input}), "/dev/null", output},
      cp(input, {}), "[<= 2]");
  Row("UTF-8 -> 1250 / cp",
      Command{Cli({"-f", "utf8", "-t", "win", "-o", output, utf8}), "/dev/null", output},
      cp(utf8, {}), "[<= 2]");
  Row("iconv CP1250 -> CP852 / ours (iconv is slower by)",
      Command{{"iconv", "-f", "CP1250", "-t", "CP852", "-o", output, input}, "/dev/null", output},
      convertFile(input, {}, {}), "[>= 4]");

  const Figures converting = Measure(convertFile(input, {}, {}).argv, "/dev/null", output);
  const Figures detecting = Measure(Cli({"--detect", input}), "/dev/null", {});
  std::printf("  peak memory of pismovar-cli: %.1f MiB converting, %.1f MiB detecting [under 16]\n",
              static_cast<double>(converting.peakKiB) / 1024,
              static_cast<double>(detecting.peakKiB) / 1024);
  const std::string after = MachineDescription();
  std::printf("after the runs: %s\n", after.substr(after.rfind("load average")).c_str());
  for (const std::string& file : {output, utf8, oneMb, tenMb, empty}) ::unlink(file.c_str());
  return 0;
}
