#include "engine/detect.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <semaphore>
#include <string>
#include <thread>

#include "engine/converter.h"
#include "engine/file_list.h"
#include "test_host.h"

namespace pismovar {
namespace {

using testing::TempDir;
using testing::WriteFile;

DetectCounts Tally(const std::string& text) {
  DetectTally tally;
  tally.Add(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  return tally.Counts();
}

struct LineEndGuess {
  int lf;
  int cr;
  LineEnd expected;
};

class LineEndThresholds : public ::testing::TestWithParam<LineEndGuess> {};

TEST_P(LineEndThresholds, UseIntegerHalves) {
  const auto [lf, cr, expected] = GetParam();
  DetectCounts counts;
  counts.lf = lf;
  counts.cr = cr;
  EXPECT_EQ(DecideLineEnd(counts), expected) << lf << " LF, " << cr << " CR";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineEndThresholds,
    ::testing::Values(LineEndGuess{0, 0, kLineEndDos}, LineEndGuess{1, 0, kLineEndUnix},
                      LineEndGuess{2, 0, kLineEndUnix}, LineEndGuess{0, 1, kLineEndDos},
                      LineEndGuess{0, 2, kLineEndMac}, LineEndGuess{10, 4, kLineEndUnix},
                      LineEndGuess{10, 5, kLineEndDos}, LineEndGuess{7, 7, kLineEndDos}));

struct CodePageGuess {
  const char* name;
  std::string text;
  CodePage expected;
};

class CodePageTally : public ::testing::TestWithParam<CodePageGuess> {};

TEST_P(CodePageTally, PicksTheMostLettersAndTheLowerNumberOnATie) {
  EXPECT_EQ(DecideCodePage(Tally(GetParam().text)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CodePageTally,
    ::testing::Values(
        CodePageGuess{"WindowsAndIsoTieOnC", "a\xE8 b\xE8", kCodeWin1250},
        CodePageGuess{"OneIsoSBreaksTheTie", "a\xE8 b\xE8 \xB9", kCodeIsoLatin2},
        CodePageGuess{"KamenickyBeforeLatin2", "\xA0\x82\xA1\xA2\xA3", kCodeKamenicky},
        CodePageGuess{"LettersOutsideTheDetectionRowsCountNothing", "\xC8\xF2\xF9", kCodeAscii},
        CodePageGuess{"WindowsCapitalAIsKoi8SmallA", "\xC1", kCodeKoi8cs},
        CodePageGuess{"PlainText", "Hello\r\n", kCodeAscii},
        CodePageGuess{"NulBytesAreOrdinary", std::string("\0\0\xE8", 3), kCodeWin1250},
        CodePageGuess{"MacintoshLetters", "\x8B\xDE\xE4\xEC", kCodeMacintosh},
        CodePageGuess{"Koi8Letters", "\xC3\xD2\xD3\xDA", kCodeKoi8cs}),
    [](const auto& param) { return param.param.name; });

TEST(DetectTally, CountsEveryByteOfLongTextsInAllPositions) {
  std::string text;
  for (int i = 0; i < 1000; ++i) text += (i % 7 == 0) ? '\r' : (i % 5 == 0) ? '\n' : char(0xE8);
  const DetectCounts counts = Tally(text);
  std::int64_t cr = 0, lf = 0, high = 0;
  for (char ch : text) (ch == '\r' ? cr : ch == '\n' ? lf : high) += 1;
  EXPECT_EQ(counts.cr, cr);
  EXPECT_EQ(counts.lf, lf);
  EXPECT_EQ(counts.code[kCodeWin1250], high);
  EXPECT_EQ(counts.code[kCodeIsoLatin2], high);
}

class DetectTest : public ::testing::Test {
 protected:
  TempDir dir;
  Converter converter;
};

TEST_F(DetectTest, QuickDetectionSeesOnlyTheFirst5120Bytes) {
  WriteFile(dir / "a.txt", std::string(5120, 'x') + " \xE8\xE1ry \xF8\xEDk\xE1\n\n");
  const Detection quick = converter.QuickDetect(dir / "a.txt");
  EXPECT_EQ(quick.outcome.result, Outcome::kDone);
  EXPECT_EQ(quick.guess.codePage, kCodeAscii);
  EXPECT_EQ(quick.guess.lineEnd, kLineEndDos);

  const Detection full = converter.FullDetect(dir / "a.txt");
  EXPECT_EQ(full.outcome.result, Outcome::kDone);
  EXPECT_EQ(full.guess.codePage, kCodeWin1250);
  EXPECT_EQ(full.guess.lineEnd, kLineEndUnix);
}

TEST_F(DetectTest, AFailedOpenIsReported) {
  for (const std::string& input : {dir / "missing", dir.Path().string(), std::string()}) {
    EXPECT_EQ(converter.QuickDetect(input).outcome.result, Outcome::kFailed) << input;
    EXPECT_EQ(converter.FullDetect(input).outcome.result, Outcome::kFailed) << input;
  }
}

// The thread that calls FullDetect reads as usual; the other one's reads past the first two
// chunks wait until the first step and then find the file's end.
class SecondThreadWaitsForTheStep : public SystemCalls {
 public:
  std::binary_semaphore stepped{0};

  ssize_t ReadAt(int fd, void* buffer, std::size_t size, std::uint64_t offset) override {
    if (std::this_thread::get_id() == m_caller ||
        offset < 2 * Converter::kReadSize - Converter::kMaxHeldBytes) {
      return SystemCalls::ReadAt(fd, buffer, size, offset);
    }
    stepped.acquire();
    stepped.release();
    return 0;
  }

 private:
  const std::thread::id m_caller = std::this_thread::get_id();
};

TEST_F(DetectTest, ACancelledFullDetectionGuessesFromWhatItRead) {
  testing::Harness<SecondThreadWaitsForTheStep> cancelled;
  // "š" in Windows 1250, then in ISO Latin-2.
  WriteFile(dir / "a.txt", std::string(2 * Converter::kReadSize, '\x9A') +
                               std::string(5 * Converter::kReadSize, '\xB9'));
  cancelled.onStep = [&] {
    cancelled.stop.request_stop();
    cancelled.system.stepped.release();
  };
  const Detection detection = cancelled.converter().FullDetect(dir / "a.txt");
  EXPECT_EQ(detection.outcome.result, Outcome::kCancelled);
  EXPECT_EQ(cancelled.steps, 1);
  EXPECT_EQ(detection.guess.codePage, kCodeWin1250);  // the whole file is ISO Latin-2
  const Progress progress = cancelled.converter().CurrentProgress();
  EXPECT_EQ(progress.done, progress.total);
}

// Fails the first read of the file's second chunk once with `error`; a full detection reads
// the chunks on two threads.
class FailingSecondRead : public SystemCalls {
 public:
  int error = 0;

  ssize_t ReadAt(int fd, void* buffer, std::size_t size, std::uint64_t offset) override {
    if (offset < Converter::kReadSize - Converter::kMaxHeldBytes || m_failed.exchange(true)) {
      return SystemCalls::ReadAt(fd, buffer, size, offset);
    }
    errno = error;
    return -1;
  }

 private:
  std::atomic<bool> m_failed{false};
};

struct ReadFailureCase {
  const char* name;
  int error;
  Outcome::Result result;
  int reportedError;
};

class FullDetectReadFailure : public ::testing::TestWithParam<ReadFailureCase> {};

TEST_P(FullDetectReadFailure, RetriesAnInterruptedReadAndReportsOtherErrors) {
  const ReadFailureCase& c = GetParam();
  TempDir dir;
  testing::Harness<FailingSecondRead> failing;
  failing.system.error = c.error;
  // The one UTF-8 letter is cut by the first chunk: after a retried read it must still be whole.
  WriteFile(dir / "a.txt", std::string(Converter::kReadSize - 1, 'x') + "č\n");
  const Detection detection = failing.converter().FullDetect(dir / "a.txt");
  EXPECT_EQ(detection.outcome.result, c.result);
  EXPECT_EQ(detection.outcome.error, c.reportedError);
  if (c.result == Outcome::kDone) {
    EXPECT_EQ(detection.guess.codePage, kCodeUtf8);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, FullDetectReadFailure,
                         ::testing::Values(ReadFailureCase{"Interrupted", EINTR, Outcome::kDone, 0},
                                           ReadFailureCase{"InputOutputError", EIO,
                                                           Outcome::kFailed, EIO}),
                         [](const auto& param) { return param.param.name; });

TEST_F(DetectTest, AFileLongerThanItsSizeSaysIsReadToItsEnd) {
  const Detection detection = converter.FullDetect("/proc/self/status");  // its size is 0
  EXPECT_EQ(detection.outcome.result, Outcome::kDone);
  EXPECT_EQ(detection.guess.lineEnd, kLineEndUnix);
}

TEST_F(DetectTest, AnEmptyFileIsAsciiWithDosLineEnds) {
  WriteFile(dir / "empty", "");
  const Detection detection = converter.FullDetect(dir / "empty");
  EXPECT_EQ(detection.outcome.result, Outcome::kDone);
  EXPECT_EQ(detection.guess.codePage, kCodeAscii);
  EXPECT_EQ(detection.guess.lineEnd, kLineEndDos);
  EXPECT_EQ(converter.CurrentProgress().Percent(), 100);
}

}  // namespace
}  // namespace pismovar
