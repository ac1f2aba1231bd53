// pismovar-cli on files: detection lines, in-place conversion and its safety, skipped binary
// files, folders, and the exit status when some inputs fail.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
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

// Whether some process holds a flock lock on `path`.
bool Locked(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  const std::string inode = ":" + std::to_string(st.st_ino) + " ";
  std::ifstream locks("/proc/locks");
  for (std::string line; std::getline(locks, line);) {
    if (line.find("FLOCK") != std::string::npos && line.find(inode) != std::string::npos) {
      return true;
    }
  }
  return false;
}

// Another user the tests can act as: root runs the tool as nobody through setpriv; anyone
// else runs it as themselves. Nothing when root has no setpriv.
struct OtherUser {
  uid_t uid;
  gid_t gid;
  std::vector<std::string> wrapper;
};

std::optional<OtherUser> AnotherUser() {
  if (::geteuid() != 0) return OtherUser{::geteuid(), ::getegid(), {}};
  const passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr || std::system("setpriv --version >/dev/null 2>&1") != 0) {
    return std::nullopt;
  }
  return OtherUser{nobody->pw_uid,
                   nobody->pw_gid,
                   {"setpriv", "--reuid=" + std::to_string(nobody->pw_uid),
                    "--regid=" + std::to_string(nobody->pw_gid), "--clear-groups", "--"}};
}

// Hands the scratch directory and everything in it to `user`, so that it can work there.
void HandOver(const fs::path& dir, const OtherUser& user) {
  ::chmod(dir.c_str(), 0755);
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    EXPECT_EQ(::lchown(entry.path().c_str(), user.uid, user.gid), 0) << entry.path();
  }
  EXPECT_EQ(::chown(dir.c_str(), user.uid, user.gid), 0);
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
                                         DetectCase{1, "\r\n", "Kamenický, DOS/Windows"},
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
  // A name given twice, in another spelling, must not convert the converted text again.
  const CliResult result =
      RunCli({"-i", "-f", "kam", "-t", "win", "a.txt", "b.txt", "./a.txt"}, {}, dir.Path());
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "pismovar-cli: ./a.txt: named more than once, converted once\n");
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
  // Through a hard link the output's name gets the text; the input's name keeps the old one.
  fs::create_hard_link(dir / "a.txt", dir / "link.txt");
  const CliResult viaLink =
      RunCli({"-f", "iso", "-t", "kam", "-o", "link.txt", "a.txt"}, {}, dir.Path());
  EXPECT_EQ(viaLink.status, 0) << viaLink.err;
  EXPECT_EQ(ReadFile(dir / "link.txt"), Encode(kCzechSlovakText, 1));
  EXPECT_EQ(ReadFile(dir / "a.txt"), Encode(kCzechSlovakText, 3));
  EXPECT_FALSE(HasTemporaryFiles(dir.Path()));
}

TEST(InPlaceTest, StandardOutputThatIsTheInputIsRefused) {
  ScratchDir dir;
  const std::string original = Encode(kCzechSlovakText, 0);
  for (const char* redirection : {">>", ">"}) {
    WriteFile(dir / "a.txt", original);
    const std::string script =
        std::string("exec \"$0\" -f win -t lat a.txt ") + redirection + " a.txt";
    const CliResult result = RunCli({}, {}, dir.Path(), {"sh", "-c", script});
    EXPECT_EQ(result.status, 1) << redirection;
    EXPECT_EQ(result.err, "pismovar-cli: a.txt: input file is output file\n");
    // The shell has truncated the file for ">"; nothing more is lost.
    EXPECT_EQ(ReadFile(dir / "a.txt"), std::string(redirection) == ">>" ? original : "");
  }
}

TEST(InPlaceTest, SymbolicLinksAreSkippedUnlessFollowed) {
  ScratchDir dir;
  WriteFile(dir / "a.txt", Encode(kCzechSlovakText, 1));
  fs::create_symlink("a.txt", dir / "link.txt");
  const CliResult skipped = RunCli({"-i", "-f", "kam", "-t", "win", "link.txt"}, {}, dir.Path());
  EXPECT_EQ(skipped.status, 0);
  EXPECT_EQ(skipped.err,
            "pismovar-cli: link.txt: symbolic link, skipped (--follow-symlink converts the file "
            "it leads to)\n");
  EXPECT_EQ(ReadFile(dir / "a.txt"), Encode(kCzechSlovakText, 1));
  const CliResult followed =
      RunCli({"-i", "-F", "-f", "kam", "-t", "win", "link.txt"}, {}, dir.Path());
  EXPECT_EQ(followed.status, 0) << followed.err;
  EXPECT_EQ(ReadFile(dir / "a.txt"), Encode(kCzechSlovakText, 0));
  EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
}

// A bind mount shows the same entry under a second name: converted under the first name,
// the file is not converted again under the second.
TEST(InPlaceTest, AFileUnderTwoMountsIsConvertedOnce) {
  if (::geteuid() != 0 || std::system("unshare -m true >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "needs root and unshare to make a bind mount";
  }
  ScratchDir dir;
  fs::create_directories(dir / "a");
  fs::create_directories(dir / "b");
  WriteFile(dir / "a/x.txt", Encode(kCzechSlovakText, 1));
  const CliResult result =
      RunCli({"-i", "-f", "kam", "-t", "win", "a/x.txt", "b/x.txt"}, {}, dir.Path(),
             {"unshare", "-m", "sh", "-c", "mount --bind a b && exec \"$@\"", "sh"});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "pismovar-cli: b/x.txt: named more than once, converted once\n");
  EXPECT_EQ(ReadFile(dir / "a/x.txt"), Encode(kCzechSlovakText, 0));
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
  fs::create_hard_link(dir / "tree/a.txt", dir / "tree/sub/hard.txt");

  const CliResult result = RunCli({"-r", "-i", "-q", "-t", "win", "tree"}, {}, dir.Path());
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(ReadFile(dir / "tree/a.txt"), Encode(kCzechSlovakText, 0));
  EXPECT_EQ(ReadFile(dir / "tree/sub/b.txt"), Encode(kCzechSlovakText, 0));
  EXPECT_EQ(ReadFile(dir / "tree/sub/hard.txt"), Encode(kCzechSlovakText, 0));
  EXPECT_EQ(ReadFile(dir / "tree/sub/image.bin"), std::string("\x89PNG\0\0\xA0", 7));
  EXPECT_EQ(ReadFile(dir / "outside.txt"), kam);
  EXPECT_TRUE(fs::is_symlink(dir / "tree/link.txt"));
}

TEST(RecursiveTest, AnUnreadableFolderIsNamedAndTheRestIsConverted) {
  const std::optional<OtherUser> user = AnotherUser();
  if (!user) GTEST_SKIP() << "root without setpriv cannot meet an unreadable folder";
  ScratchDir dir;
  fs::create_directories(dir / "tree/closed");
  const std::string kam = Encode(kCzechSlovakText, 1);
  for (const char* name : {"tree/a.txt", "tree/closed/b.txt", "tree/z.txt"}) {
    WriteFile(dir / name, kam);
  }
  HandOver(dir.Path(), *user);
  ::chmod((dir / "tree/closed").c_str(), 0);
  const CliResult result =
      RunCli({"-r", "-i", "-f", "kam", "-t", "win", "tree"}, {}, dir.Path(), user->wrapper);
  ::chmod((dir / "tree/closed").c_str(), 0755);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "pismovar-cli: tree/closed: cannot read the directory: Permission denied\n");
  EXPECT_EQ(ReadFile(dir / "tree/a.txt"), Encode(kCzechSlovakText, 0));
  EXPECT_EQ(ReadFile(dir / "tree/z.txt"), Encode(kCzechSlovakText, 0));
}

struct OwnerCase {
  const char* name;
  bool asOtherUser;
  int status;
  bool converted;
};

class OwnerTest : public testing::TestWithParam<OwnerCase> {};

// A shared, group-writable file of another user: root keeps its owner and group; anyone
// else could not give it back, so the file is left as it is.
TEST_P(OwnerTest, InPlaceKeepsTheOwnerAndGroupOrRefuses) {
  const OwnerCase& c = GetParam();
  const std::optional<OtherUser> user = AnotherUser();
  const passwd* daemon = ::getpwnam("daemon");
  if (::geteuid() != 0 || !user || daemon == nullptr) GTEST_SKIP() << "needs root and setpriv";
  ScratchDir dir;
  ::chmod(dir.Path().c_str(), 0777);
  const std::string kam = Encode(kCzechSlovakText, 1);
  WriteFile(dir / "shared.txt", kam);
  ASSERT_EQ(::chown((dir / "shared.txt").c_str(), daemon->pw_uid, daemon->pw_gid), 0);
  ::chmod((dir / "shared.txt").c_str(), 0666);
  const CliResult result = RunCli({"-i", "-f", "kam", "-t", "win", "shared.txt"}, {}, dir.Path(),
                                  c.asOtherUser ? user->wrapper : std::vector<std::string>{});
  EXPECT_EQ(result.status, c.status) << result.err;
  EXPECT_EQ(ReadFile(dir / "shared.txt"), c.converted ? Encode(kCzechSlovakText, 0) : kam);
  struct stat st {};
  ASSERT_EQ(::stat((dir / "shared.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, daemon->pw_uid);
  EXPECT_EQ(st.st_gid, daemon->pw_gid);
  EXPECT_EQ(st.st_mode & 07777, 0666u);
  EXPECT_FALSE(HasTemporaryFiles(dir.Path()));
}

INSTANTIATE_TEST_SUITE_P(Users, OwnerTest,
                         testing::Values(OwnerCase{"Root", false, 0, true},
                                         OwnerCase{"AnotherUser", true, 1, false}),
                         [](const auto& testInfo) { return testInfo.param.name; });

TEST(ExitStatusTest, FailedInputsGiveOneAndTheRestAreStillConverted) {
  ScratchDir dir;
  WriteFile(dir / "a.txt", Encode(kCzechSlovakText, 0));
  WriteFile(dir / "c.txt", Encode(kCzechSlovakText, 0));
  fs::create_directory(dir / "folder");
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);  // opening it would wait for a writer
  const CliResult result = RunCli(
      {"-i", "-f", "win", "-t", "lat", "a.txt", "missing.txt", "", "folder", "pipe", "c.txt"}, {},
      dir.Path());
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "pismovar-cli: missing.txt: cannot open: No such file or directory\n"
            "pismovar-cli: '': cannot open: No such file or directory\n"
            "pismovar-cli: folder: is a directory (--recursive converts the files under it)\n"
            "pismovar-cli: pipe: not a regular file\n");
  EXPECT_EQ(ReadFile(dir / "a.txt"), Encode(kCzechSlovakText, 2));
  EXPECT_EQ(ReadFile(dir / "c.txt"), Encode(kCzechSlovakText, 2));
}

TEST(FullDiskTest, FailedWriteReportsAndLeavesTheInputIntact) {
  ScratchDir dir;
  const std::string original = Encode(kCzechSlovakText, 0);
  WriteFile(dir / "a.txt", original);
  // Read as code page 852, the text holds characters that ASCII lacks; they go uncounted,
  // since nothing was written.
  const CliResult result =
      RunCli({"-f", "lat", "-t", "asc", "-o", "/dev/full", "a.txt"}, {}, dir.Path());
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "pismovar-cli: /dev/full: cannot write: No space left on device\n");
  EXPECT_EQ(ReadFile(dir / "a.txt"), original);

  const CliResult toStdout = RunCli({"-f", "win", "-t", "lat", "a.txt"}, {}, dir.Path());
  EXPECT_EQ(toStdout.status, 0);

  // A file size limit stops the in-place run's temporary file as a full disk would, even
  // for root; the message names its directory and says what failed there.
  std::string large = original;
  while (large.size() < 4096) large += original;
  WriteFile(dir / "large.txt", large);
  const CliResult inPlace = RunCli({"-i", "-f", "win", "-t", "lat", "large.txt"}, {}, dir.Path(),
                                   {"sh", "-c", "trap '' XFSZ; ulimit -f 2; exec \"$@\"", "sh"});
  EXPECT_EQ(inPlace.status, 1);
  EXPECT_EQ(inPlace.err,
            "pismovar-cli: .: cannot write the temporary file in this directory: File too large\n");
  EXPECT_EQ(ReadFile(dir / "large.txt"), large);

  // An output that cannot be created is named, not the input.
  const CliResult missingDir =
      RunCli({"-f", "win", "-t", "lat", "-o", "none/out.txt", "a.txt"}, {}, dir.Path());
  EXPECT_EQ(missingDir.status, 1);
  EXPECT_EQ(missingDir.err,
            "pismovar-cli: none/out.txt: cannot create: No such file or directory\n");
}

// A file big enough that the conversion is still running when the signal arrives.
constexpr std::size_t kLargeFileSize = 96u << 20;

struct EndCase {
  const char* name;
  int signal;
};

class InPlaceEndTest : public testing::TestWithParam<EndCase> {};

// A signal ends the run by itself, silently, as it would end any other program.
TEST_P(InPlaceEndTest, LeavesTheInputIntactAndNothingBesideIt) {
  const EndCase& c = GetParam();
  ScratchDir dir;
  std::string original = Encode(kCzechSlovakText, 0);
  while (original.size() < kLargeFileSize) original += original;
  WriteFile(dir / "big.txt", original);
  fs::permissions(dir / "big.txt", static_cast<fs::perms>(0604));
  const std::vector<std::string> args{"-i", "-f", "win", "-t", "lat", (dir / "big.txt").string()};

  const pid_t pid = StartCli(args, -1, dir / "out", dir / "err");
  // The lock on the input shows that the conversion has begun.
  int status = 0;
  while (!Locked(dir / "big.txt")) {
    ASSERT_EQ(::waitpid(pid, &status, WNOHANG), 0)
        << "ended before converting: " << ReadFile(dir / "err");
  }
  // Stopped, the run cannot finish before the signal, however busy the machine is.
  ::kill(pid, SIGSTOP);
  // A second run on the same file meanwhile fails at once, rather than lose either's work.
  const CliResult second = RunCli(args);
  EXPECT_EQ(second.status, 1);
  EXPECT_EQ(second.err, "pismovar-cli: " + (dir / "big.txt").string() +
                            ": another conversion is working on this file; left as it is\n");
  ::kill(pid, c.signal);
  ::kill(pid, SIGCONT);
  EXPECT_EQ(WaitExit(pid), 128 + c.signal);
  EXPECT_EQ(ReadFile(dir / "err"), "");
  EXPECT_TRUE(ReadFile(dir / "big.txt") == original);
  EXPECT_EQ(Mode(dir / "big.txt"), 0604u);
  EXPECT_FALSE(HasTemporaryFiles(dir.Path()));
}

INSTANTIATE_TEST_SUITE_P(Ends, InPlaceEndTest,
                         testing::Values(EndCase{"Interrupt", SIGINT}, EndCase{"HangUp", SIGHUP},
                                         EndCase{"Kill", SIGKILL}),
                         [](const auto& testInfo) { return testInfo.param.name; });

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

TEST(LimitsTest, WithoutASecondThreadALargeFileIsStillConvertedAndDetected) {
  const std::optional<OtherUser> user = AnotherUser();
  if (!user) GTEST_SKIP() << "root without setpriv is not held by a process limit";
  ScratchDir dir;
  std::string text;
  while (text.size() < (2u << 20)) text += kCzechSlovakText;
  WriteFile(dir / "a.txt", Encode(text, 1));
  HandOver(dir.Path(), *user);
  // No process of this user may start another: a new thread fails too.
  std::vector<std::string> wrapper = user->wrapper;
  wrapper.insert(wrapper.end(), {"prlimit", "--nproc=1", "--"});
  const CliResult detected = RunCli({"--detect", "a.txt"}, {}, dir.Path(), wrapper);
  EXPECT_EQ(detected.status, 0) << detected.err;
  EXPECT_EQ(detected.out, "a.txt: Kamenický, Unix/Linux\n");
  const CliResult converted = RunCli({"-f", "kam", "-t", "win", "a.txt"}, {}, dir.Path(), wrapper);
  EXPECT_EQ(converted.status, 0) << converted.err;
  EXPECT_TRUE(converted.out == Encode(text, 0));
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

// True once process `pid` sleeps in a wait; false when it has ended.
bool Sleeping(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string field;
  for (int i = 0; i < 3 && stat >> field; ++i) {
  }
  return field == "S";
}

TEST(StreamTest, ASignalWhileAFifoWaitsForAWriterEndsTheRunWithoutAMessage) {
  ScratchDir dir;
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  const pid_t pid =
      StartCli({"-f", "win", "-t", "lat", (dir / "pipe").string()}, -1, dir / "out", dir / "err");
  while (!Sleeping(pid)) ASSERT_EQ(::waitpid(pid, nullptr, WNOHANG), 0);
  ::kill(pid, SIGINT);
  EXPECT_EQ(WaitExit(pid), 128 + SIGINT);
  EXPECT_EQ(ReadFile(dir / "err"), "");
}

// A detection reads a bounded start of a pipe, never all of it: the text comes out while the
// pipe is still open.
TEST(StreamTest, QuickDetectionOnAnOpenPipeConvertsAfterItsLookAhead) {
  ScratchDir dir;
  int pipeFds[2];
  ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
  const pid_t pid = StartCli({"--quick", "-t", "utf8"}, pipeFds[0], dir / "out", dir / "err");
  ::close(pipeFds[0]);
  std::string lines;
  while (lines.size() < 2 * 5120) lines += "Žluťoučký kůň\n";  // the bytes to read ahead, and more
  const std::string text = Encode(lines, 0);
  ASSERT_EQ(::write(pipeFds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
  EXPECT_EQ(WaitForContent(dir / "out", lines), lines);
  ::kill(pid, SIGTERM);
  EXPECT_EQ(WaitExit(pid), 128 + SIGTERM);
  ::close(pipeFds[1]);
}

// The tree's owner swaps a folder for a link to another while the run converts: what the
// link leads to is never reached, whoever runs the conversion.
TEST(RecursiveTest, AFolderSwappedForALinkDuringTheRunIsNotFollowed) {
  ScratchDir dir;
  const std::string kam = Encode(kCzechSlovakText, 1);
  std::string big = kam;
  while (big.size() < kLargeFileSize) big += big;
  fs::create_directories(dir / "tree/b");
  WriteFile(dir / "tree/a.txt", big);
  WriteFile(dir / "tree/b/x.txt", kam);
  fs::create_directories(dir / "secret");
  WriteFile(dir / "secret/x.txt", kam);
  const pid_t pid = StartCli({"-r", "-i", "-f", "kam", "-t", "win", (dir / "tree").string()}, -1,
                             dir / "out", dir / "err");
  int status = 0;
  while (!Locked(dir / "tree/a.txt")) {
    ASSERT_EQ(::waitpid(pid, &status, WNOHANG), 0) << ReadFile(dir / "err");
  }
  ::kill(pid, SIGSTOP);
  fs::rename(dir / "tree/b", dir / "moved");
  fs::create_directory_symlink(dir / "secret", dir / "tree/b");
  ::kill(pid, SIGCONT);
  EXPECT_EQ(WaitExit(pid), 0) << ReadFile(dir / "err");
  EXPECT_EQ(ReadFile(dir / "secret/x.txt"), kam);
  EXPECT_TRUE(ReadFile(dir / "tree/a.txt") != big);
}

// With few descriptors a batch is as large as they allow, and every file is converted.
TEST(LimitsTest, FewFileDescriptorsStillConvertEveryFile) {
  ScratchDir dir;
  std::vector<std::string> args{"-i", "-f", "kam", "-t", "win"};
  fs::create_directories(dir / "tree/sub");
  for (int i = 0; i < 100; ++i) {
    const std::string name = "f" + std::to_string(i) + ".txt";
    WriteFile(dir / name, Encode(kCzechSlovakText, 1));
    WriteFile(dir / "tree/sub" / name, Encode(kCzechSlovakText, 1));
    args.push_back(name);
  }
  // Only the three standard streams are open when the limit applies.
  const std::vector<std::string> wrapper{
      "sh", "-c", "exec 3<&- 4<&- 5<&- 6<&- 7<&-; exec prlimit --nofile=8 -- \"$@\"", "sh"};
  const CliResult named = RunCli(args, {}, dir.Path(), wrapper);
  EXPECT_EQ(named.status, 0) << named.err;
  const CliResult walked =
      RunCli({"-r", "-i", "-f", "kam", "-t", "win", "tree"}, {}, dir.Path(), wrapper);
  EXPECT_EQ(walked.status, 0) << walked.err;
  for (int i = 0; i < 100; ++i) {
    const std::string name = "f" + std::to_string(i) + ".txt";
    EXPECT_EQ(ReadFile(dir / name), Encode(kCzechSlovakText, 0)) << name;
    EXPECT_EQ(ReadFile(dir / "tree/sub" / name), Encode(kCzechSlovakText, 0)) << name;
  }
}

// Little address space: the conversion runs on one thread, or fails with a message and
// leaves the input as it was; it never aborts.
TEST(LimitsTest, LittleMemoryGivesAMessageOrOneThreadNeverAnAbort) {
  ScratchDir dir;
  std::string text;
  while (text.size() < (4u << 20)) text += kCzechSlovakText;
  const std::string kam = Encode(text, 1);
  for (const int kibibytes : {10000, 18432}) {
    const std::vector<std::string> wrapper{"prlimit", "--as=" + std::to_string(kibibytes << 10),
                                           "--"};
    // Where the program itself does not load in so little (a sanitizer's build), there is
    // nothing to learn.
    if (RunCli({"--version"}, {}, dir.Path(), wrapper).status != 0) continue;
    WriteFile(dir / "a.txt", kam);
    const CliResult result =
        RunCli({"-i", "-f", "kam", "-t", "win", "a.txt"}, {}, dir.Path(), wrapper);
    if (result.status == 0) {
      EXPECT_TRUE(ReadFile(dir / "a.txt") == Encode(text, 0)) << kibibytes;
    } else {
      EXPECT_EQ(result.status, 1) << kibibytes;
      EXPECT_EQ(result.err, "pismovar-cli: not enough memory\n") << kibibytes;
      EXPECT_TRUE(ReadFile(dir / "a.txt") == kam) << kibibytes;
    }
    EXPECT_FALSE(HasTemporaryFiles(dir.Path()));
  }
}

}  // namespace
}  // namespace pismovar::cli::test
