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
using testing::TestHost;
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

INSTANTIATE_TEST_SUITE_P(Cases, LineEndThresholds,
                         ::testing::Values(LineEndGuess{0, 0, kLineEndDos},
                                           LineEndGuess{1, 0, kLineEndUnix},
                                           LineEndGuess{2, 0, kLineEndUnix},
                                           LineEndGuess{0, 1, kLineEndDos},
                                           LineEndGuess{0, 2, kLineEndMac},
                                           LineEndGuess{10, 4, kLineEndUnix},
                                           LineEndGuess{10, 5, kLineEndDos},
                                           LineEndGuess{7, 7, kLineEndDos}));

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
  TestHost host;
  Converter converter{host};
};

TEST_F(DetectTest, QuickDetectionSeesOnlyTheFirst5120Bytes) {
  WriteFile(dir / "a.txt", std::string(5120, 'x') + " \xE8\xE1ry \xF8\xEDk\xE1\n\n");
  converter.m_strInput = dir / "a.txt";
  converter.m_nCodeIn = kCodeMacintosh;
  converter.m_nLineEndIn = kLineEndMac;
  EXPECT_EQ(converter.QuickDetect().result, Outcome::kDone);
  EXPECT_EQ(converter.m_nCodeIn, kCodeAscii);
  EXPECT_EQ(converter.m_nLineEndIn, kLineEndDos);
  EXPECT_EQ(host.shows, 1);
  EXPECT_EQ(host.pumps, 0);

  EXPECT_EQ(converter.FullDetect().result, Outcome::kDone);
  EXPECT_EQ(converter.m_nCodeIn, kCodeWin1250);
  EXPECT_EQ(converter.m_nLineEndIn, kLineEndUnix);
  EXPECT_EQ(host.progressShown, 0);
}

TEST_F(DetectTest, OnlyTheFirstFileOfAListIsExamined) {
  WriteFile(dir / "a.txt", "\x87\xA0ry \xA9\xA1k\xA0\r\n");  // Kamenický
  WriteFile(dir / "b.txt", "\xE8\xF8\n");    // Windows 1250
  converter.m_strInput = BuildFileList({dir / "a.txt", dir / "b.txt"});
  converter.m_nFileCount = 2;
  EXPECT_EQ(converter.QuickDetect().result, Outcome::kDone);
  EXPECT_EQ(converter.m_nCodeIn, kCodeKamenicky);
  EXPECT_EQ(converter.m_nLineEndIn, kLineEndDos);
}

TEST_F(DetectTest, AFailedOpenChangesNothing) {
  for (const std::string& input : {dir / "missing", dir.Path().string(), std::string("x.txt")}) {
    converter.m_strInput = input;
    // A typed name after several files were chosen: no quotes to cut, so the name is empty.
    converter.m_nFileCount = input == "x.txt" ? 3 : 1;
    converter.m_nCodeIn = kCodeMacintosh;
    EXPECT_EQ(converter.QuickDetect().result, Outcome::kFailed);
    EXPECT_EQ(converter.FullDetect().result, Outcome::kFailed);
    EXPECT_EQ(converter.m_nCodeIn, kCodeMacintosh);
  }
  EXPECT_EQ(host.shows, 0);
  EXPECT_EQ(host.progressShown, 0);
}

TEST_F(DetectTest, ClipboardWithoutTextIsSilentAndWithTextIsExamined) {
  converter.m_bClipboardIn = true;
  converter.m_nCodeIn = kCodeMacintosh;
  host.clipboardFile = dir / "Clipboard.tmp";
  EXPECT_EQ(converter.QuickDetect().failure, Outcome::Failure::kNoText);
  EXPECT_EQ(converter.m_nCodeIn, kCodeMacintosh);

  host.clipboardText = "\xC3\xC1ry \xD2\xC9k\xC1\r\r";  // KOI8-ČS, Macintosh line ends
  EXPECT_EQ(converter.FullDetect().result, Outcome::kDone);
  EXPECT_EQ(converter.m_nCodeIn, kCodeKoi8cs);
  EXPECT_EQ(converter.m_nLineEndIn, kLineEndMac);
}

// The thread that calls FullDetect reads as usual; the other one's reads past the first two
// chunks wait until the first progress report and then find the file's end.
class SecondThreadWaitsForThePump : public Converter {
 public:
  using Converter::Converter;
  std::binary_semaphore pumped{0};

 protected:
  ssize_t ReadInputAt(int fd, void* buffer, std::size_t size, std::uint64_t offset) override {
    if (std::this_thread::get_id() == m_caller || offset < 2 * kReadSize - kMaxHeldBytes) {
      return Converter::ReadInputAt(fd, buffer, size, offset);
    }
    pumped.acquire();
    pumped.release();
    return 0;
  }

 private:
  const std::thread::id m_caller = std::this_thread::get_id();
};

TEST_F(DetectTest, ACancelledFullDetectionGuessesFromWhatItRead) {
  SecondThreadWaitsForThePump cancelled(host);
  // "š" in Windows 1250, then in ISO Latin-2.
  WriteFile(dir / "a.txt", std::string(2 * Converter::kReadSize, '\x9A') +
                               std::string(5 * Converter::kReadSize, '\xB9'));
  cancelled.m_strInput = dir / "a.txt";
  host.onPump = [&] {
    cancelled.m_bCancel = true;
    cancelled.pumped.release();
  };
  EXPECT_EQ(cancelled.FullDetect().result, Outcome::kCancelled);
  EXPECT_EQ(host.pumps, 1);
  EXPECT_EQ(cancelled.m_nCodeIn, kCodeWin1250);  // the whole file is ISO Latin-2
  EXPECT_FALSE(cancelled.m_bCancel);
  EXPECT_EQ(cancelled.m_nDoneBytes, cancelled.m_nTotalBytes);
}

// Fails the first read of the file's second chunk once with `error`; a full detection reads
// the chunks on two threads.
class FailingSecondRead : public Converter {
 public:
  FailingSecondRead(EngineHost& host, int error) : Converter(host), m_error(error) {}

 protected:
  ssize_t ReadInputAt(int fd, void* buffer, std::size_t size, std::uint64_t offset) override {
    if (offset < kReadSize - kMaxHeldBytes || m_failed.exchange(true)) {
      return Converter::ReadInputAt(fd, buffer, size, offset);
    }
    errno = m_error;
    return -1;
  }

 private:
  const int m_error;
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
  TestHost host;
  FailingSecondRead converter(host, c.error);
  // The one UTF-8 letter is cut by the first chunk: after a retried read it must still be whole.
  WriteFile(dir / "a.txt", std::string(Converter::kReadSize - 1, 'x') + "č\n");
  converter.m_strInput = dir / "a.txt";
  converter.m_bDetectUtf8 = true;
  const Outcome outcome = converter.FullDetect();
  EXPECT_EQ(outcome.result, c.result);
  EXPECT_EQ(outcome.error, c.reportedError);
  if (c.result == Outcome::kDone) {
    EXPECT_EQ(converter.m_nCodeIn, kCodeUtf8);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FullDetectReadFailure,
    ::testing::Values(ReadFailureCase{"Interrupted", EINTR, Outcome::kDone, 0},
                      ReadFailureCase{"InputOutputError", EIO, Outcome::kFailed, EIO}),
    [](const auto& param) { return param.param.name; });

TEST_F(DetectTest, AFileLongerThanItsSizeSaysIsReadToItsEnd) {
  converter.m_strInput = "/proc/self/status";  // its size is 0
  converter.m_nLineEndIn = kLineEndDos;
  EXPECT_EQ(converter.FullDetect().result, Outcome::kDone);
  EXPECT_EQ(converter.m_nLineEndIn, kLineEndUnix);
}

TEST_F(DetectTest, AnEmptyFileIsAsciiWithDosLineEnds) {
  WriteFile(dir / "empty", "");
  converter.m_strInput = dir / "empty";
  converter.m_nCodeIn = kCodeMacintosh;
  converter.m_nLineEndIn = kLineEndUnix;
  EXPECT_EQ(converter.FullDetect().result, Outcome::kDone);
  EXPECT_EQ(converter.m_nCodeIn, kCodeAscii);
  EXPECT_EQ(converter.m_nLineEndIn, kLineEndDos);
  EXPECT_EQ(converter.ProgressPercent(), 100);
}

}  // namespace
}  // namespace pismovar
