// Measures the engine against the tools of the field on a large page-cached text and prints
// the ratios: file conversion against cp and iconv, full detection against cat, and the
// memory a conversion takes above the process's baseline. Prints figures; never fails on time.
//
//   engine_bench [FILE [MEGABYTES]]   (default /tmp/pismovar-bench.txt, 200 MB)

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/converter.h"
#include "engine/utf8.h"

namespace {

using pismovar::Converter;
using namespace pismovar::bench;

class QuietHost : public pismovar::EngineHost {
 public:
  void UpdateData(bool) override {}
};

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
  const std::string in = PrepareText(argc, argv);
  if (in.empty()) return 1;
  const std::string out = in + ".out";

  QuietHost host;
  Converter converter(host);
  converter.m_nCodeIn = pismovar::kCodeWin1250;
  converter.m_nCodeOut = pismovar::kCodeLatin2;
  converter.m_nLineEndIn = pismovar::kLineEndDos;
  converter.m_nLineEndOut = pismovar::kLineEndUnix;

  // Peak memory of a conversion above what the process held before it.
  { std::ofstream("/proc/self/clear_refs") << "5"; }
  const long baseline = StatusKiB("VmRSS:");
  if (converter.ConvertFile(in, out).result != pismovar::Outcome::kDone) {
    std::fprintf(stderr, "the conversion of %s failed\n", in.c_str());
    return 1;
  }
  const long peak = StatusKiB("VmHWM:");

  const double cp = Measure({"cp", in, out}, "/dev/null", out).seconds;
  const double iconv = Measure({"iconv", "-f", "CP1250", "-t", "CP852", "-o", out, in},
                               "/dev/null", out).seconds;
  const double convert = Best([&] { converter.ConvertFile(in, out); }, out);
  const double cat = Measure({"cat", in}, "/dev/null", {}).seconds;
  converter.m_strInput = in;
  const double detect = Best([&] { converter.FullDetect(); });
  converter.m_bDetectUtf8 = true;
  const double detectWithUtf8 = Best([&] { converter.FullDetect(); });

  // Through UTF-8, the file and the loops alone on one chunk-sized piece of the text.
  const std::string utf8 = in + ".utf8";
  converter.m_nCodeOut = pismovar::kCodeUtf8;
  converter.m_nLineEndOut = pismovar::kLineEndDos;
  const double toUtf8 = Best([&] { converter.ConvertFile(in, utf8); }, utf8);
  const double iconvToUtf8 =
      Measure({"iconv", "-f", "CP1250", "-t", "UTF-8", "-o", out, in}, "/dev/null", out).seconds;
  converter.m_nCodeIn = pismovar::kCodeUtf8;
  converter.m_nCodeOut = pismovar::kCodeWin1250;
  const double fromUtf8 = Best([&] { converter.ConvertFile(utf8, out); }, out);
  const double iconvFromUtf8 =
      Measure({"iconv", "-f", "UTF-8", "-t", "CP1250", "-o", out, utf8}, "/dev/null", out)
          .seconds;
  converter.m_strInput = utf8;
  const double detectUtf8 = Best([&] { converter.FullDetect(); });
  std::remove(out.c_str());
  std::remove(utf8.c_str());

  std::string piece(Converter::kReadSize, ' ');
  std::ifstream(in, std::ios::binary)
      .read(piece.data(), static_cast<std::streamsize>(piece.size()));
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(piece.data());
  std::vector<std::uint8_t> encoded(3 * piece.size() + 64);
  std::vector<std::uint8_t> decoded(encoded.size());
  const pismovar::ToUtf8Table toTable = pismovar::BuildToUtf8Table(pismovar::kCodeWin1250);
  const pismovar::FromUnicodeTable fromTable(pismovar::kCodeWin1250);
  pismovar::Utf8Losses losses;
  const std::size_t encodedSize =
      pismovar::utf8::EncodePortable(bytes, piece.size(), encoded.data(), toTable, nullptr, losses);
  constexpr int kLoopRounds = 1000;  // the loops on 100 MB in all, from the cache
  auto loops = [&](auto&& run) {
    return Best([&] {
             for (int r = 0; r < kLoopRounds; ++r) run();
           }) /
           (static_cast<double>(piece.size()) * kLoopRounds / 1e9);
  };
  namespace u = pismovar::utf8;
  const double encodePortable = loops(
      [&] { u::EncodePortable(bytes, piece.size(), encoded.data(), toTable, nullptr, losses); });
  const double encodeWide =
      loops([&] { u::EncodeWide(bytes, piece.size(), encoded.data(), toTable, nullptr, losses); });
  const double decodePortable = loops([&] {
    u::DecodePortable(encoded.data(), encodedSize, decoded.data(), fromTable, nullptr, 0, losses);
  });
  const double decodeWide = loops([&] {
    u::DecodeWide(encoded.data(), encodedSize, decoded.data(), fromTable, nullptr, 0, losses);
  });

  std::printf("text: %s, %llu bytes, Windows 1250 CR LF, ~10%% accented, best of %d runs\n",
              in.c_str(), static_cast<unsigned long long>(FileSize(in)), kRuns);
  std::printf("cp                      %8.3f s\n", cp);
  std::printf("iconv CP1250 -> CP852   %8.3f s\n", iconv);
  std::printf("ConvertFile win/dos -> lat/unix %8.3f s   %.2f x cp (target <= 2), iconv is %.1f x "
              "slower (target >= 3)\n",
              convert, convert / cp, iconv / convert);
  std::printf("cat > /dev/null         %8.3f s\n", cat);
  std::printf("full detection          %8.3f s   %.2f x cat (target <= 2)\n", detect,
              detect / cat);
  std::printf("full detection, UTF-8 recognised too %8.3f s   %.2f x cat\n", detectWithUtf8,
              detectWithUtf8 / cat);
  std::printf("peak memory of a conversion above the baseline: %ld KiB (target <= 8192)\n",
              peak - baseline);
  std::printf(
      "ConvertFile win -> UTF-8    %8.3f s   %.2f x cp (target <= 3), iconv %.3f s is "
      "%.1f x slower (target >= 2)\n",
      toUtf8, toUtf8 / cp, iconvToUtf8, iconvToUtf8 / toUtf8);
  std::printf(
      "ConvertFile UTF-8 -> win    %8.3f s   %.2f x cp (target <= 3), iconv %.3f s is "
      "%.1f x slower (target >= 2)\n",
      fromUtf8, fromUtf8 / cp, iconvFromUtf8, iconvFromUtf8 / fromUtf8);
  std::printf("full detection of the UTF-8 form %8.3f s\n", detectUtf8);
  std::printf(
      "loops alone, ns per input byte: encode portable %.2f, wide %.2f%s; decode "
      "portable %.2f, wide %.2f\n",
      encodePortable, encodeWide, u::HaveWide() ? "" : " (no wide form here)", decodePortable,
      decodeWide);
  return 0;
}
