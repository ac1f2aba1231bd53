// pismovar-cli on files: detection lines, in-place conversion and its safety, skipped binary
// files, folders, and the exit status when some inputs fail.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "cli_process.h"

namespace pismovar::cli::test {
namespace {
namespace fs = std::filesystem;

std::string WithLineEnds(std::string text, const std::string& lineEnd) {
  for (std::size_t pos = 0; (pos = text.find('\n', pos)) != std::string::npos;) {
    text.replace(pos, 1, lineEnd);
    pos += lineEnd.size();
  }
  return text;
}

unsigned Mode(const fs::path& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

bool HasTemporaryFiles(const fs::path& dir) {
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().filename().string().starts_with(".pismovar-")) return true;
  }
  return false;
}

struct DetectCase {
  int codePage;
  const char* lineEnd;
  std::string expectedLine;
};

class DetectLineTest : public testing::TestWithParam<DetectCase> {};

TEST_P(DetectLineTest, PrintsCodePageAndLineEndCaptions) {
  const DetectCase& c = GetParam();
  ScratchDir dir;
  WriteFile(dir / "dopis.txt", WithLineEnds(Encode(kCzechSlovakText, c.codePage), c.lineEnd));
  const CliResult result = RunCli({"--detect", "dopis.txt"}, {}, dir.Path());
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "dopis.txt: " + c.expectedLine + "\n");
}

INSTANTIATE_TEST_SUITE_P(Encodings, DetectLineTest,
                         testing::Values(DetectCase{0, "\r\n", "Windows 1250, DOS/Windows"},
                                         DetectCase{1, "\r\n", "Kamenických, DOS/Windows"},
                                         DetectCase{2, "\n", "Latin-2, Unix/Linux"},
                                         DetectCase{3, "\r", "ISO Latin-2, Macintosh"},
                                         DetectCase{4, "\r", "Macintosh, Macintosh"},
                                         DetectCase{5, "\n", "KOI8-ČS, Unix/Linux"},
                                         DetectCase{6, "\r\n", "ASCII, DOS/Windows"}));

TEST(DetectTest, NamesStandardInputDashAndReportsEachFile) {
  ScratchDir dir;
  WriteFile(dir / "a.txt", Encode(kCzechSlovakText, 5));
  const CliResult result =
      RunCli({"-d", "a.txt", "-", "missing.txt"}, Encode(kCzechSlovakText, 2), dir.Path());
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "a.txt: KOI8-ČS, Unix/Linux\n-: Latin-2, Unix/Linux\n");
  EXPECT_EQ(result.err, "pismovar-cli: missing.txt: cannot open: No such file or directory\n");
}

TEST(DetectTest, NamesWithControlCharactersAreQuotedInLinesAndMessages) {
  ScratchDir dir;
  const std::string name = "a\nb\x1B[31m'\\.txt";
  WriteFile(dir / name, Encode(kCzechSlovakText, 5));
  const CliResult result = RunCli({"-d", name, "x\ty"}, {}, dir.Path());
  EXPECT_EQ(result.out, "$'a\\nb\\x1B[31m\\'\\\\.txt': KOI8-ČS, Unix/Linux\n");
  EXPECT_EQ(result.err, "pismovar-cli: $'x\\ty': cannot open: No such file or directory\n");
}

TEST(DetectTest, QuickLooksAtTheStartOnly) {
  ScratchDir dir;
  WriteFile(dir / "late.txt", std::string(6000, 'x') + Encode(kCzechSlovakText, 0));
  EXPECT_EQ(RunCli({"-d", "--quick", "late.txt"}, {}, dir.Path()).out,
            "late.txt: ASCII, DOS/Windows\n");
  EXPECT_EQ(RunCli({"-d", "late.txt"}, {}, dir.Path()).out, "late.txt: Windows 1250, Unix/Linux\n");
}

TEST(InPlaceTest, ConvertsEachFileKeepingItsModeAndNoTemporaryFile) {
  ScratchDir dir;
  WriteFile(dir / "a.txt", Encode(kCzechSlovakText, 1));
  WriteFile(dir / "b.txt", Encode("Žluťoučký kůň\r\n", 1));
  fs::permissions(dir / "a.txt", static_cast<fs::perms>(0640));
  const CliResult result =
      RunCli({"-i", "-f", "kam", "-t", "win", "a.txt", "b.txt"}, {}, dir.Path());
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(ReadFile(dir / "a.txt"), Encode(kCzechSlovakText, 0));
  EXPECT_EQ(ReadFile(dir / "b.txt"), Encode("Žluťoučký kůň\r\n", 0));
  EXPECT_EQ(Mode(dir / "a.txt"), 0640u);
  EXPECT_FALSE(HasTemporaryFiles(dir.Path()));
}

TEST(InPlaceTest, OutputNamingTheInputUnderAnotherNameConvertsInPlace) {
  ScratchDir dir;
  WriteFile(dir / "a.txt", Encode(kCzechSlovakText, 0));
  const CliResult viaDot =
      RunCli({"-f", "win", "-t", "iso", "-o", "./a.txt", "a.txt"}, {}, dir.Path());
  EXPECT_EQ(viaDot.status, 0) << viaDot.err;
  EXPECT_EQ(ReadFile(dir / "a.txt"), Encode(kCzechSlovakText, 3));
  // The converted file is a new one: a hard link made before would still hold the old text.
  fs::create_hard_link(dir / "a.txt", dir / "link.txt");
  const CliResult viaLink =
      RunCli({"-f", "iso", "-t", "kam", "-o", "link.txt", "a.txt"}, {}, dir.Path());
  EXPECT_EQ(viaLink.status, 0) << viaLink.err;
  EXPECT_EQ(ReadFile(dir / "a.txt"), Encode(kCzechSlovakText, 1));
  EXPECT_FALSE(HasTemporaryFiles(dir.Path()));
}

struct BinaryCase {
  const char* name;
  std::string bytes;
};

class BinarySkipTest : public testing::TestWithParam<BinaryCase> {};

TEST_P(BinarySkipTest, InPlaceSkipsWithWarningUnlessForced) {
  ScratchDir dir;
  const std::string original = GetParam().bytes;
  WriteFile(dir / "data.bin", original);

  const CliResult skipped = RunCli({"-i", "-f", "win", "-t", "lat", "data.bin"}, {}, dir.Path());
  EXPECT_EQ(skipped.status, 0);
  EXPECT_EQ(skipped.err, "pismovar-cli: data.bin: looks binary, skipped (--force converts it)\n");
  EXPECT_EQ(ReadFile(dir / "data.bin"), original);

  EXPECT_EQ(RunCli({"-q", "-i", "-f", "win", "-t", "lat", "data.bin"}, {}, dir.Path()).err, "");

  const CliResult forced =
      RunCli({"-i", "--force", "-f", "win", "-t", "lat", "data.bin"}, {}, dir.Path());
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_NE(ReadFile(dir / "data.bin"), original);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, BinarySkipTest,
    testing::Values(BinaryCase{"NulByte", std::string("\xE8\x9A text\0more", 13)},
                    BinaryCase{"ManyControls", std::string("\x01\x02\x03\xE8 abc\x1b\x05")}),
    [](const auto& testInfo) { return testInfo.param.name; });

TEST(RecursiveTest, ConvertsTextFilesUnderTheFolderNotFollowingLinks) {
  ScratchDir dir;
  fs::create_directories(dir / "tree/sub");
  const std::string kam = Encode(kCzechSlovakText, 1);
  WriteFile(dir / "tree/a.txt", kam);
  WriteFile(dir / "tree/sub/b.txt", kam);
  WriteFile(dir / "tree/sub/image.bin", std::string("\x89PNG\0\0\xA0", 7));
  WriteFile(dir / "outside.txt", kam);
  fs::create_symlink(dir / "outside.txt", dir / "tree/link.txt");

  const CliResult result = RunCli({"-r", "-i", "-q", "-t", "win", "tree"}, {}, dir.Path());
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(ReadFile(dir / "tree/a.txt"), Encode(kCzechSlovakText, 0));
  EXPECT_EQ(ReadFile(dir / "tree/sub/b.txt"), Encode(kCzechSlovakText, 0));
  EXPECT_EQ(ReadFile(dir / "tree/sub/image.bin"), std::string("\x89PNG\0\0\xA0", 7));
  EXPECT_EQ(ReadFile(dir / "outside.txt"), kam);
  EXPECT_TRUE(fs::is_symlink(dir / "tree/link.txt"));
}

TEST(ExitStatusTest, FailedInputsGiveOneAndTheRestAreStillConverted) {
  ScratchDir dir;
  WriteFile(dir / "a.txt", Encode(kCzechSlovakText, 0));
  WriteFile(dir / "c.txt", Encode(kCzechSlovakText, 0));
  fs::create_directory(dir / "folder");
  const CliResult result = RunCli(
      {"-i", "-f", "win", "-t", "asc", "a.txt", "missing.txt", "folder", "c.txt"}, {}, dir.Path());
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "pismovar-cli: missing.txt: cannot open: No such file or directory\n"
            "pismovar-cli: folder: is a directory (--recursive converts the files under it)\n");
  EXPECT_EQ(ReadFile(dir / "a.txt"), Encode(kCzechSlovakText, 6));
  EXPECT_EQ(ReadFile(dir / "c.txt"), Encode(kCzechSlovakText, 6));
}

TEST(FullDiskTest, FailedWriteReportsAndLeavesTheInputIntact) {
  ScratchDir dir;
  const std::string original = Encode(kCzechSlovakText, 0);
  WriteFile(dir / "a.txt", original);
  const CliResult result =
      RunCli({"-f", "win", "-t", "lat", "-o", "/dev/full", "a.txt"}, {}, dir.Path());
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "pismovar-cli: /dev/full: cannot write: No space left on device\n");
  EXPECT_EQ(ReadFile(dir / "a.txt"), original);

  const CliResult toStdout = RunCli({"-f", "win", "-t", "lat", "a.txt"}, {}, dir.Path());
  EXPECT_EQ(toStdout.status, 0);

  // An output that cannot be created is named, not the input.
  const CliResult missingDir =
      RunCli({"-f", "win", "-t", "lat", "-o", "none/out.txt", "a.txt"}, {}, dir.Path());
  EXPECT_EQ(missingDir.status, 1);
  EXPECT_EQ(missingDir.err,
            "pismovar-cli: none/out.txt: cannot create: No such file or directory\n");
}

// A file big enough that the conversion is still running when the signal arrives.
constexpr std::size_t kLargeFileSize = 96u << 20;

TEST(CancelTest, InterruptLeavesAnInPlaceInputIntactAndEndsByTheSignal) {
  ScratchDir dir;
  std::string original = Encode(kCzechSlovakText, 0);
  while (original.size() < kLargeFileSize) original += original;
  WriteFile(dir / "big.txt", original);
  fs::permissions(dir / "big.txt", static_cast<fs::perms>(0604));

  const pid_t pid = StartCli({"-i", "-f", "win", "-t", "lat", (dir / "big.txt").string()}, -1,
                             dir / "out", dir / "err");
  // The temporary file beside the input shows that the conversion has begun.
  int status = 0;
  while (!HasTemporaryFiles(dir.Path())) {
    ASSERT_EQ(::waitpid(pid, &status, WNOHANG), 0)
        << "ended before converting: " << ReadFile(dir / "err");
  }
  ::kill(pid, SIGINT);
  EXPECT_EQ(WaitExit(pid), 128 + SIGINT);
  EXPECT_EQ(ReadFile(dir / "err"), "");
  EXPECT_TRUE(ReadFile(dir / "big.txt") == original);
  EXPECT_EQ(Mode(dir / "big.txt"), 0604u);
  EXPECT_FALSE(HasTemporaryFiles(dir.Path()));
}

// The file's bytes once they equal `expected`, or what they are after a few seconds.
std::string WaitForContent(const fs::path& path, const std::string& expected) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::string content = ReadFile(path);
  while (content != expected && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    content = ReadFile(path);
  }
  return content;
}

TEST(StreamTest, AnOpenPipeIsConvertedAsItArrivesUntilASignal) {
  ScratchDir dir;
  int pipeFds[2];
  ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);  // the child must not hold the writing end
  const pid_t pid = StartCli({"-f", "utf8", "-t", "win", "--eol-in", "dos", "--eol-out", "unix"},
                             pipeFds[0], dir / "out", dir / "err");
  ::close(pipeFds[0]);
  // A CR that may begin a CR LF pair, and the first byte of a letter, wait for the next write.
  const struct {
    std::string write;
    std::string shown;
  } steps[] = {{"Ťava\r", "Ťava"}, {"\nko\xC5", "Ťava\nko"}, {"\xA1\r\n", "Ťava\nkoš\n"}};
  for (const auto& step : steps) {
    ASSERT_EQ(::write(pipeFds[1], step.write.data(), step.write.size()),
              static_cast<ssize_t>(step.write.size()));
    EXPECT_EQ(WaitForContent(dir / "out", Encode(step.shown, 0)), Encode(step.shown, 0));
  }
  ::kill(pid, SIGTERM);
  EXPECT_EQ(WaitExit(pid), 128 + SIGTERM);
  ::close(pipeFds[1]);
  EXPECT_EQ(ReadFile(dir / "err"), "");
}

}  // namespace
}  // namespace pismovar::cli::test
