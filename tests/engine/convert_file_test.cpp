#include <acl/libacl.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/acl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "engine/converter.h"
#include "engine/mapped_file.h"
#include "engine/posix_file.h"
#include "test_host.h"

namespace pismovar {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;
namespace fs = std::filesystem;
using Failure = Outcome::Failure;
using File = Outcome::File;

constexpr std::size_t kRead = Converter::kReadSize;

// File operations that can be made to fail.
class FaultySystem : public SystemCalls {
 public:
  int failReadAt = -1;   // the read call that fails, counting from 0
  int failWriteAt = -1;  // the write call that fails
  bool failReplace = false;
  std::function<void()> beforeReplace;  // another program's step just before the rename
  std::function<void()> atEndOfInput;   // ... when a read has found the end of the input
  std::function<void()> afterMap;       // ... when a window of a file has been mapped
  int failSyncAt = -1;                  // the flush (of a batch, of a filesystem) that fails
  bool noBatches = false;               // the kernel runs no batch of flushes
  std::vector<std::string> calls;       // the disk steps of putting files in place

  ssize_t Read(int fd, void* buffer, std::size_t size) override {
    if (m_reads++ == failReadAt) return -1;
    const ssize_t got = SystemCalls::Read(fd, buffer, size);
    if (got == 0 && atEndOfInput) atEndOfInput();
    return got;
  }
  // A large file's chunks are read by two threads at once.
  ssize_t ReadAt(int fd, void* buffer, std::size_t size, std::uint64_t offset) override {
    return m_reads++ == failReadAt ? -1 : SystemCalls::ReadAt(fd, buffer, size, offset);
  }
  MappedWindow Map(int fd, std::uint64_t offset, std::size_t size) override {
    MappedWindow window = SystemCalls::Map(fd, offset, size);
    if (afterMap) afterMap();
    return window;
  }
  bool Write(int fd, const void* data, std::size_t size) override {
    return m_writes++ == failWriteAt ? false : SystemCalls::Write(fd, data, size);
  }
  bool Replace(int dirFd, const std::string& from, const std::string& to) override {
    if (beforeReplace) beforeReplace();
    calls.push_back("rename " + to);
    return !failReplace && SystemCalls::Replace(dirFd, from, to);
  }
  void StartWriteback(int fd) override {
    calls.push_back("writeback");
    SystemCalls::StartWriteback(fd);
  }
  bool Sync(int fd) override {
    calls.push_back("fsync");
    return SystemCalls::Sync(fd);
  }
  bool SyncFilesystem(int fd) override {
    calls.push_back("syncfs");
    return m_syncs++ != failSyncAt && SystemCalls::SyncFilesystem(fd);
  }
  // Flushes each file itself, whether or not this kernel runs batches.
  bool SyncTogether(std::span<const int> fds, bool dataOnly, std::span<int> errors) override {
    if (noBatches) return false;
    calls.push_back((dataOnly ? "sync files " : "sync folders ") + std::to_string(fds.size()));
    const bool fail = m_syncs++ == failSyncAt;
    for (std::size_t i = 0; i < fds.size(); ++i) {
      errors[i] = fail ? EIO : ::fsync(fds[i]) == 0 ? 0 : errno;
    }
    return true;
  }

 private:
  std::atomic<int> m_reads = 0;
  int m_writes = 0;
  int m_syncs = 0;
};

class ConvertFileTest : public ::testing::Test {
 protected:
  void SetChoices(CodePage codeIn, CodePage codeOut, LineEnd endIn, LineEnd endOut) {
    harness.choices.codeIn = codeIn;
    harness.choices.codeOut = codeOut;
    harness.choices.lineEndIn = endIn;
    harness.choices.lineEndOut = endOut;
  }
  Converter& converter() { return harness.converter(); }
  Outcome Hold(const std::string& path) {
    return converter().ConvertFileHeld(harness.choices, {path, -1, {}, {}, {}}, run);
  }
  std::uint64_t Done() { return converter().CurrentProgress().done; }
  std::uint64_t Total() { return converter().CurrentProgress().total; }
  // Files in the directory besides the ones a test made itself.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.Path())) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempDir dir;
  testing::Harness<FaultySystem> harness;
  FaultySystem& faults = harness.system;
  SeenFiles run;
};

struct ChunkCase {
  const char* name;
  std::string in;
  LineEnd from;
  LineEnd to;
  std::string out;
};

class ChunkBoundaries : public ConvertFileTest, public ::testing::WithParamInterface<ChunkCase> {};

TEST_P(ChunkBoundaries, KeepLineEndPairsWholeAndLoseNoByte) {
  const auto& c = GetParam();
  WriteFile(dir / "in", c.in);
  SetChoices(kCodeWin1250, kCodeWin1250, c.from, c.to);
  EXPECT_EQ(harness.Convert(dir / "in", dir / "out").result, Outcome::kDone);
  EXPECT_EQ(ReadFile(dir / "out"), c.out);
  EXPECT_EQ(Done(), c.in.size());
  EXPECT_EQ(Total(), c.in.size());
}

const std::string kFull(kRead - 1, 'x');

INSTANTIATE_TEST_SUITE_P(
    Cases, ChunkBoundaries,
    ::testing::Values(
        ChunkCase{"EmptyFile", "", 0, 2, ""},
        ChunkCase{"CrLfSplitBetweenReads", kFull + "\r\nz", 0, 2, kFull + "\nz"},
        ChunkCase{"CrEndsAReadAndAnotherByteFollows", kFull + "\rz", 0, 2, kFull + "\rz"},
        ChunkCase{"ExactlyOneReadEndingInCr", kFull + "\r", 1, 0, kFull + "\r\n"},
        ChunkCase{"LastByteCrInAShortRead", "ab\r", 1, 0, "ab\r\n"},
        ChunkCase{"CrLfSplitAtTheSecondRead", std::string(2 * kRead - 1, 'y') + "\r\n", 0, 1,
                  std::string(2 * kRead - 1, 'y') + "\r"},
        ChunkCase{"NulBytesAcrossReads", std::string(kRead + 10, '\0'), 0, 2,
                  std::string(kRead + 10, '\0')}),
    [](const auto& param) { return param.param.name; });

TEST_F(ConvertFileTest, ConvertsInPlaceKeepingPermissionsAndLeavingNoTemporaryFile) {
  WriteFile(dir / "Temp.tmp", "mine");
  SetChoices(kCodeWin1250, kCodeLatin2, kLineEndDos, kLineEndUnix);
  // The new file starts with some of the mode; the rest is given to it afterwards.
  for (const mode_t mode : {0640u, 0666u, 04750u}) {
    WriteFile(dir / "a.txt", "\xE8\x9A\r\n");
    ::chmod((dir / "a.txt").c_str(), mode);
    EXPECT_EQ(harness.Convert(dir / "a.txt", dir / "a.txt").result, Outcome::kDone);
    EXPECT_EQ(ReadFile(dir / "a.txt"), "\x9F\xE7\n");
    struct stat st {};
    ::stat((dir / "a.txt").c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, mode);
  }
  EXPECT_EQ(ReadFile(dir / "Temp.tmp"), "mine");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"Temp.tmp", "a.txt"}));
}

TEST_F(ConvertFileTest, InPlaceThroughASymbolicLinkReplacesTheFileAndKeepsTheLink) {
  fs::create_directory(dir / "real");
  WriteFile(dir / "real/a.txt", "\xE8");
  fs::create_symlink("real/a.txt", dir / "link.txt");
  SetChoices(kCodeWin1250, kCodeLatin2, 0, 0);
  testing::Harness<> refusing;
  refusing.choices = harness.choices;
  refusing.settings.followSymlinks = false;
  EXPECT_EQ(refusing.Convert(dir / "link.txt", dir / "link.txt").failure, Failure::kSymlink);
  EXPECT_EQ(ReadFile(dir / "real/a.txt"), "\xE8");
  EXPECT_EQ(harness.Convert(dir / "link.txt", dir / "link.txt").result, Outcome::kDone);
  EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
  EXPECT_EQ(ReadFile(dir / "real/a.txt"), "\x9F");
}

struct SameFileCase {
  const char* name;
  std::string input;
  std::string output;
  std::string converted;  // the name that gets the converted text
  std::string kept;       // a name that keeps the old text, if any
};

class OutputIsTheInput : public ConvertFileTest,
                         public ::testing::WithParamInterface<SameFileCase> {};

TEST_P(OutputIsTheInput, ConvertsInPlaceUnderTheOutputsName) {
  const auto& c = GetParam();
  WriteFile(dir / "a.txt", "\xE8");
  fs::create_hard_link(dir / "a.txt", dir / "hard.txt");
  fs::create_symlink("a.txt", dir / "soft.txt");
  SetChoices(kCodeWin1250, kCodeLatin2, 0, 0);
  EXPECT_EQ(harness.Convert(dir / c.input, dir / c.output).result, Outcome::kDone);
  EXPECT_EQ(ReadFile(dir / c.converted), "\x9F");
  if (!c.kept.empty()) {
    EXPECT_EQ(ReadFile(dir / c.kept), "\xE8");
  }
  EXPECT_EQ(Entries(), (std::vector<std::string>{"a.txt", "hard.txt", "soft.txt"}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputIsTheInput,
    ::testing::Values(SameFileCase{"DotSlash", "a.txt", "./a.txt", "a.txt", "hard.txt"},
                      SameFileCase{"HardLink", "a.txt", "hard.txt", "hard.txt", "a.txt"},
                      SameFileCase{"InputThroughASymbolicLink", "soft.txt", "a.txt", "a.txt", ""}),
    [](const auto& param) { return param.param.name; });

// What another program does to an input while it is converted in place.
struct ChangeCase {
  const char* name;
  std::function<void(const TempDir&)> change;
  int atPump;  // after this chunk; 0: just before the rename; -1: once the end is read
  Outcome::Result result;
  std::string after;  // what a.txt then reads
};

class InPlaceChanges : public ConvertFileTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(InPlaceChanges, AreNeitherLostNorTurnedAgainstAnotherFile) {
  const auto& c = GetParam();
  WriteFile(dir / "a.txt", std::string(2 * kRead, '\xE8'));
  WriteFile(dir / "victim", "secret");
  faults.beforeReplace = [&] {
    if (c.atPump == 0) c.change(dir);
  };
  faults.atEndOfInput = [&] {
    if (c.atPump < 0) c.change(dir);
  };
  harness.onStep = [&] {
    if (harness.steps == c.atPump) c.change(dir);
  };
  SetChoices(kCodeWin1250, kCodeLatin2, 0, 0);
  const Outcome outcome = harness.Convert(dir / "a.txt", dir / "a.txt");
  EXPECT_EQ(outcome.result, c.result);
  EXPECT_EQ(outcome.failure, c.result == Outcome::kFailed ? Failure::kChanged : Failure::kNone);
  EXPECT_TRUE(ReadFile(dir / "a.txt") == c.after);
  EXPECT_EQ(ReadFile(dir / "victim"), "secret");
  for (const std::string& name : Entries()) EXPECT_FALSE(name.starts_with(".pismovar-"));
}

void SwapForLinkToVictim(const TempDir& d) {
  fs::rename(d / "a.txt", d / "mine.txt");
  fs::create_symlink(d / "victim", d / "a.txt");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InPlaceChanges,
    ::testing::Values(
        ChangeCase{"NameSwappedForALink", SwapForLinkToVictim, 1, Outcome::kFailed, "secret"},
        // Too late to notice: the rename replaces the link itself, never the file behind it.
        ChangeCase{"NameSwappedForALinkAtTheRename", SwapForLinkToVictim, 0, Outcome::kDone,
                   std::string(2 * kRead, '\x9F')},
        ChangeCase{"Truncated", [](const TempDir& d) { fs::resize_file(d / "a.txt", 5); }, 1,
                   Outcome::kFailed, std::string(5, '\xE8')},
        ChangeCase{"AppendedAfterTheLastRead",
                   [](const TempDir& d) {
                     std::ofstream(d / "a.txt", std::ios::app | std::ios::binary) << "z";
                   },
                   -1, Outcome::kFailed, std::string(2 * kRead, '\xE8') + "z"},
        // As cp -p, rsync and tar write: the same size, and the old modification time set back.
        ChangeCase{"RewrittenWithItsTimeSetBack",
                   [](const TempDir& d) {
                     struct stat st {};
                     ::stat((d / "a.txt").c_str(), &st);
                     WriteFile(d / "a.txt", std::string(2 * kRead, 'x'));
                     const struct timespec times[2] = {st.st_atim, st.st_mtim};
                     ::utimensat(AT_FDCWD, (d / "a.txt").c_str(), times, 0);
                   },
                   1, Outcome::kFailed, std::string(2 * kRead, 'x')},
        ChangeCase{"ReplacedByAnotherFile",
                   [](const TempDir& d) {
                     WriteFile(d / "new", "new");
                     fs::rename(d / "new", d / "a.txt");
                   },
                   1, Outcome::kFailed, "new"}),
    [](const auto& param) { return param.param.name; });

// Within one run a second name of a converted file is not converted again: the same entry
// seen through another path (a bind mount, a folder link) leads to the new text by then. A
// hard link still leads to the old text, which is converted under that name.
TEST_F(ConvertFileTest, ARunConvertsEachFileOnceWhateverNameLeadsToIt) {
  fs::create_directory(dir / "real");
  fs::create_directory_symlink("real", dir / "alias");
  WriteFile(dir / "real/a.txt", "\xE8");
  fs::create_hard_link(dir / "real/a.txt", dir / "real/hard.txt");
  SetChoices(kCodeWin1250, kCodeLatin2, 0, 0);
  EXPECT_EQ(Hold(dir / "real/a.txt").result, Outcome::kDone);
  // Held, the file's lock keeps its other names waiting until the batch is in place.
  EXPECT_EQ(Hold(dir / "alias/a.txt").failure, Failure::kLocked);
  converter().ReplaceHeld();
  EXPECT_EQ(Hold(dir / "alias/a.txt").failure, Failure::kRepeated);
  EXPECT_EQ(Hold(dir / "real/hard.txt").result, Outcome::kDone);
  converter().ReplaceHeld();
  EXPECT_EQ(ReadFile(dir / "real/a.txt"), "\x9F");
  EXPECT_EQ(ReadFile(dir / "real/hard.txt"), "\x9F");
}

TEST_F(ConvertFileTest, ASecondRunOnTheSameFileFailsWhileTheFirstHoldsIt) {
  WriteFile(dir / "a.txt", "\xE8");
  // The lock of another run: flock locks belong to an open file, not to a process.
  UniqueFd other(::open((dir / "a.txt").c_str(), O_RDONLY));
  ASSERT_EQ(::flock(other.Get(), LOCK_EX), 0);
  SetChoices(kCodeWin1250, kCodeLatin2, 0, 0);
  EXPECT_EQ(harness.Convert(dir / "a.txt", dir / "a.txt").failure, Failure::kLocked);
  EXPECT_EQ(ReadFile(dir / "a.txt"), "\xE8");
  other.Reset();
  EXPECT_EQ(harness.Convert(dir / "a.txt", dir / "a.txt").result, Outcome::kDone);
}

TEST_F(ConvertFileTest, InPlaceKeepsTheAclAndExtendedAttributes) {
  const std::string path = dir / "a.txt";
  WriteFile(path, "\xE8");
  acl_t acl = ::acl_from_text("u::rw-,u:1:r--,g::r--,m::r--,o::---");
  const bool aclSet = ::acl_set_file(path.c_str(), ACL_TYPE_ACCESS, acl) == 0;
  ::acl_free(acl);
  if (!aclSet || ::setxattr(path.c_str(), "user.origin", "kam", 3, 0) != 0) {
    GTEST_SKIP() << "no ACLs or user attributes here: " << std::strerror(errno);
  }
  const auto attribute = [&](const char* name) {
    std::string value(256, '\0');
    const ssize_t n = ::getxattr(path.c_str(), name, value.data(), value.size());
    value.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    return value;
  };
  const std::string aclBefore = attribute("system.posix_acl_access");
  SetChoices(kCodeWin1250, kCodeLatin2, 0, 0);
  EXPECT_EQ(harness.Convert(path, path).result, Outcome::kDone);
  EXPECT_EQ(ReadFile(path), "\x9F");
  EXPECT_EQ(attribute("system.posix_acl_access"), aclBefore);
  EXPECT_EQ(attribute("user.origin"), "kam");

  // A file without attributes, in a folder whose default ACL gives new files one, after a
  // file of a folder without: it stays without.
  const fs::path folder = dir / "inherits";
  fs::create_directory(folder);
  WriteFile(folder / "b.txt", "\xE8");
  acl = ::acl_from_text("u::rw-,u:1:r--,g::r--,m::r--,o::---");
  ASSERT_EQ(::acl_set_file(folder.c_str(), ACL_TYPE_DEFAULT, acl), 0);
  ::acl_free(acl);
  WriteFile(dir / "c.txt", "\xE8");
  EXPECT_EQ(harness.Convert(dir / "c.txt", dir / "c.txt").result, Outcome::kDone);
  EXPECT_EQ(harness.Convert(folder / "b.txt", folder / "b.txt").result, Outcome::kDone);
  EXPECT_EQ(ReadFile(folder / "b.txt"), "\x9F");
  EXPECT_LT(::getxattr((folder / "b.txt").c_str(), "system.posix_acl_access", nullptr, 0), 0);
}

// Gives the regular file `path` the name a temporary file of this program would have had.
std::string NameAsLeftover(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  const std::string name = TempNameFor(st);
  fs::rename(path, path.parent_path() / name);
  return name;
}

// What lies beside a file to be converted with a temporary file's name, and whether the run
// may take it for what a killed run left behind.
struct LeftoverCase {
  const char* name;
  std::function<std::string(const TempDir&)> make;  // gives the name it made
  bool removed;
};

class Leftovers : public ConvertFileTest, public ::testing::WithParamInterface<LeftoverCase> {};

// Every filesystem can keep a temporary file that a kill -9 left between its naming and
// its rename; the next run in that folder removes it, and nothing else.
TEST_P(Leftovers, TheNextRunInTheFolderRemovesOnlyWhatAKilledRunLeft) {
  const auto& c = GetParam();
  WriteFile(dir / "outside.txt", "text");
  const std::string name = c.make(dir);
  if (name.empty()) GTEST_SKIP() << "only root can give a file to another user";
  WriteFile(dir / "a.txt", "\xE8");
  SetChoices(kCodeWin1250, kCodeLatin2, 0, 0);
  EXPECT_EQ(harness.Convert(dir / "a.txt", dir / "a.txt").result, Outcome::kDone);
  EXPECT_EQ(fs::exists(fs::symlink_status(dir / name)), !c.removed);
  EXPECT_EQ(ReadFile(dir / "outside.txt"), "text");
}

// The files beside the converted one; each gives the name it made, or none where the test
// cannot make it.
std::string KilledRunsFile(const TempDir& d) {
  WriteFile(d / "x", "the text of a killed run");
  return NameAsLeftover(d / "x");
}
// A user's own file whose name merely looks like one.
std::string UsersFileOfThatName(const TempDir& d) {
  WriteFile(d / ".pismovar-notes1notes2", "mine");
  return ".pismovar-notes1notes2";
}
// A copy is another file: the mark of the name is not its own.
std::string CopyOfALeftover(const TempDir& d) {
  const std::string name = KilledRunsFile(d);
  fs::copy_file(d / name, d / "copy");
  fs::rename(d / "copy", d / name);
  return name;
}
// In a shared folder (/tmp) another user's files are theirs, even to root.
std::string AnotherUsersLeftover(const TempDir& d) {
  WriteFile(d / "x", "theirs");
  if (::chown((d / "x").c_str(), ::geteuid() + 1, ::getegid()) != 0) return {};
  return NameAsLeftover(d / "x");
}
std::string LinkOfThatName(const TempDir& d) {
  fs::create_symlink(d / "outside.txt", d / "link");
  struct stat st {};
  ::lstat((d / "link").c_str(), &st);
  const std::string name = TempNameFor(st);
  fs::rename(d / "link", d / name);
  return name;
}
std::string FolderOfThatName(const TempDir& d) {
  fs::create_directory(d / "x");
  return NameAsLeftover(d / "x");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Leftovers,
    ::testing::Values(LeftoverCase{"AKilledRunsFile", KilledRunsFile, true},
                      LeftoverCase{"AUsersFileOfThatName", UsersFileOfThatName, false},
                      LeftoverCase{"ACopyOfALeftover", CopyOfALeftover, false},
                      LeftoverCase{"AnotherUsersLeftover", AnotherUsersLeftover, false},
                      LeftoverCase{"ALinkOfThatName", LinkOfThatName, false},
                      LeftoverCase{"AFolderOfThatName", FolderOfThatName, false}),
    [](const auto& param) { return param.param.name; });

// Unnamed until its rename, or named from the start where the filesystem has no unnamed
// files: a live run's file carries its mark, is left by a sweep, and goes with its run.
TEST_F(ConvertFileTest, ASweepLeavesTheFileOfALiveRun) {
  const UniqueFd dirFd(::open(dir.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  for (const auto start : {ReplacementFile::Start::kUnnamed, ReplacementFile::Start::kNamed}) {
    {
      ReplacementFile live(dirFd.Get(), 0600, start);
      ASSERT_TRUE(live.Valid() && live.Link()) << std::strerror(live.Error());
      struct stat st {};
      ASSERT_EQ(::fstat(live.Fd(), &st), 0);
      EXPECT_TRUE(IsTempNameOf(live.Name(), st));
      RemoveStaleReplacementFiles(dirFd.Get());
      EXPECT_EQ(Entries(), std::vector<std::string>{live.Name()});
    }
    EXPECT_EQ(Entries(), std::vector<std::string>{});
  }
}

class HeldBatches : public ConvertFileTest, public ::testing::WithParamInterface<bool> {};

TEST_P(HeldBatches, AreOnDiskBeforeAnyFileTakesItsName) {
  const bool batches = GetParam();
  faults.noBatches = !batches;
  SetChoices(kCodeWin1250, kCodeLatin2, 0, 0);
  const auto holdAll = [&] {
    for (const char* name : {"a.txt", "b.txt", "c.txt"}) {
      EXPECT_EQ(Hold(dir / name).result, Outcome::kDone);
    }
  };
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) WriteFile(dir / name, "\xE8");
  // The data never reaches the disk: every input stays as it was.
  holdAll();
  faults.failSyncAt = 0;
  for (const auto& [name, outcome] : converter().ReplaceHeld()) {
    EXPECT_EQ(outcome.failure, Failure::kWrite) << name;
    EXPECT_EQ(ReadFile(name), "\xE8");
  }
  faults.calls.clear();
  holdAll();
  for (const auto& [name, outcome] : converter().ReplaceHeld()) {
    EXPECT_EQ(outcome.result, Outcome::kDone) << name;
    EXPECT_EQ(ReadFile(name), "\x9F");
  }
  const std::vector<std::string> renames{"rename a.txt", "rename b.txt", "rename c.txt"};
  std::vector<std::string> expected{"writeback", "writeback", "writeback",
                                    batches ? "sync files 3" : "syncfs"};
  expected.insert(expected.end(), renames.begin(), renames.end());
  expected.push_back(batches ? "sync folders 1" : "syncfs");
  EXPECT_EQ(faults.calls, expected);
  // Dropped, a held file leaves its input whole.
  WriteFile(dir / "b.txt", "\xE8");
  run = SeenFiles();
  EXPECT_EQ(Hold(dir / "b.txt").result, Outcome::kDone);
  converter().DropHeld();
  EXPECT_EQ(ReadFile(dir / "b.txt"), "\xE8");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
}

INSTANTIATE_TEST_SUITE_P(Flushes, HeldBatches, ::testing::Values(true, false),
                         [](const auto& param) {
                           return param.param ? "Together" : "ByFilesystem";
                         });

struct InPlaceFailure {
  const char* name;
  int failReadAt;
  int failWriteAt;
  bool failReplace;
  bool cancel;
  Outcome::Result result;
  Outcome::Failure failure;
  Outcome::File file;
};

class InPlaceFailures : public ConvertFileTest,
                        public ::testing::WithParamInterface<InPlaceFailure> {};

TEST_P(InPlaceFailures, LeaveTheInputAsItWasAndNoTemporaryFile) {
  const auto& c = GetParam();
  const std::string text = std::string(3 * kRead, '\xE8') + "\r\n";
  WriteFile(dir / "a.txt", text);
  faults.failReadAt = c.failReadAt;
  faults.failWriteAt = c.failWriteAt;
  faults.failReplace = c.failReplace;
  if (c.cancel) harness.onStep = [&] { harness.stop.request_stop(); };
  SetChoices(kCodeWin1250, kCodeLatin2, kLineEndDos, kLineEndUnix);
  const Outcome outcome = harness.Convert(dir / "a.txt", dir / "a.txt");
  EXPECT_EQ(outcome.result, c.result);
  EXPECT_EQ(outcome.failure, c.failure);
  EXPECT_EQ(outcome.file, c.file);
  EXPECT_EQ(ReadFile(dir / "a.txt"), text);
  EXPECT_EQ(Entries(), std::vector<std::string>{"a.txt"});
  EXPECT_EQ(Done(), Total());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InPlaceFailures,
    ::testing::Values(InPlaceFailure{"Cancel", -1, -1, false, true, Outcome::kCancelled,
                                     Failure::kNone, File::kNone},
                      InPlaceFailure{"ReadFails", 2, -1, false, false, Outcome::kFailed,
                                     Failure::kRead, File::kInput},
                      InPlaceFailure{"WriteFails", -1, 1, false, false, Outcome::kFailed,
                                     Failure::kWrite, File::kTemporary},
                      InPlaceFailure{"ReplaceFails", -1, -1, true, false, Outcome::kFailed,
                                     Failure::kReplace, File::kTemporary}),
    [](const auto& param) { return param.param.name; });

TEST_F(ConvertFileTest, AFullDiskIsAFailureNeverASuccess) {
  WriteFile(dir / "in", std::string(kRead + 5, 'a'));
  const Outcome outcome = harness.Convert(dir / "in", "/dev/full");
  EXPECT_EQ(outcome.result, Outcome::kFailed);
  EXPECT_EQ(outcome.failure, Failure::kWrite);
  EXPECT_EQ(outcome.path, "/dev/full");
  EXPECT_EQ(outcome.error, ENOSPC);
  EXPECT_EQ(ReadFile(dir / "in"), std::string(kRead + 5, 'a'));
}

// A conversion into another file: whether the output was there before, and through a link;
// what goes wrong, if anything.
struct OutputCase {
  const char* name;
  bool existing;
  bool viaLink;
  int failReadAt;
  int failWriteAt;
  bool failReplace;
  bool cancel;
  bool lossy;  // --strict, with a character the output lacks
  Outcome::Result result;
};

class OutputFiles : public ConvertFileTest, public ::testing::WithParamInterface<OutputCase> {};

TEST_P(OutputFiles, TakeTheTextOnlyWhenTheWholeOfItIsThere) {
  const auto& c = GetParam();
  const std::string text = std::string(3 * kRead, '\xE8');
  WriteFile(dir / "in", text);
  if (c.existing) {
    WriteFile(dir / "out", "old text");
    ::chmod((dir / "out").c_str(), 0640);
  }
  if (c.viaLink) fs::create_symlink("out", dir / "link");
  faults.failReadAt = c.failReadAt;
  faults.failWriteAt = c.failWriteAt;
  faults.failReplace = c.failReplace;
  // The first progress call comes in every run, from whichever thread converts.
  if (c.cancel) harness.onStep = [&] { harness.stop.request_stop(); };
  harness.settings.strict = c.lossy;
  SetChoices(kCodeWin1250, c.lossy ? kCodeAscii : kCodeLatin2, 0, 0);
  const Outcome outcome = harness.Convert(dir / "in", dir / (c.viaLink ? "link" : "out"));
  EXPECT_EQ(outcome.result, c.result);
  EXPECT_EQ(ReadFile(dir / "in"), text);
  if (c.result == Outcome::kDone) {
    EXPECT_EQ(ReadFile(dir / "out"), std::string(3 * kRead, '\x9F'));
  } else if (c.existing) {
    EXPECT_EQ(ReadFile(dir / "out"), "old text");
  } else {
    EXPECT_FALSE(fs::exists(dir / "out"));
  }
  if (c.existing) {
    struct stat st {};
    ::stat((dir / "out").c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
  }
  if (c.viaLink) {
    EXPECT_TRUE(fs::is_symlink(dir / "link"));
  }
  for (const std::string& name : Entries()) EXPECT_FALSE(name.starts_with(".pismovar-"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputFiles,
    ::testing::Values(
        OutputCase{"NewWriteFails", false, false, -1, 1, false, false, false, Outcome::kFailed},
        OutputCase{"NewCancelled", false, false, -1, -1, false, true, false, Outcome::kCancelled},
        OutputCase{"ExistingWriteFails", true, false, -1, 1, false, false, false, Outcome::kFailed},
        OutputCase{"ExistingReadFails", true, false, 1, -1, false, false, false, Outcome::kFailed},
        OutputCase{"ExistingCancelled", true, false, -1, -1, false, true, false,
                   Outcome::kCancelled},
        OutputCase{"ExistingStrictAndLossy", true, false, -1, -1, false, false, true,
                   Outcome::kFailed},
        OutputCase{"ExistingRenameFails", true, false, -1, -1, true, false, false,
                   Outcome::kFailed},
        OutputCase{"LinkStrictAndLossy", true, true, -1, -1, false, false, true, Outcome::kFailed},
        OutputCase{"ExistingReplaced", true, false, -1, -1, false, false, false, Outcome::kDone},
        OutputCase{"LinkedFileReplaced", true, true, -1, -1, false, false, false, Outcome::kDone},
        OutputCase{"NewMade", false, false, -1, -1, false, false, false, Outcome::kDone}),
    [](const auto& param) { return param.param.name; });

// Another program cuts the input short while a run has it mapped: the run fails as for an input
// changed under it, and neither writes an output nor touches the input.
struct CutCase {
  const char* name;
  std::size_t readSize;
  std::uint64_t twoThreadsFrom;
  bool inPlace;
  bool detect;
};

class CutWhileMapped : public ConvertFileTest, public ::testing::WithParamInterface<CutCase> {};

constexpr std::size_t kCutSize = 1u << 20;

// Whether a read past the end of a mapped file reaches the engine's handler here, in a child
// process: qemu-user on some hosts (s390x) kills the program instead, as no kernel does.
bool CutReachesTheHandler(const fs::path& dir) {
  const pid_t child = ::fork();
  if (child == 0) {
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    UniqueFd fd(::open((dir / "probe").c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!fd.Valid() || ::ftruncate(fd.Get(), static_cast<off_t>(2 * page)) != 0 ||
        !AllowMappedReads()) {
      ::_exit(2);
    }
    const MappedWindow window(fd.Get(), 0, 2 * page);
    if (!window || ::ftruncate(fd.Get(), 0) != 0) ::_exit(2);
    const volatile std::uint8_t byte = window.Data()[page];
    static_cast<void>(byte);
    ::_exit(window.Cut() ? 0 : 1);
  }
  int status = 0;
  const bool reached = child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                       WEXITSTATUS(status) == 0;
  fs::remove(dir / "probe");
  return reached;
}

TEST_P(CutWhileMapped, FailsTheRunWithoutACrash) {
  const auto& c = GetParam();
  if (!CutReachesTheHandler(dir.Path())) GTEST_SKIP() << "this system kills a program for a cut mapping";
  WriteFile(dir / "in", std::string(kCutSize, '\xE8'));
  harness.settings.mapInput = true;
  harness.settings.readSize = c.readSize;
  harness.settings.twoThreadsFrom = c.twoThreadsFrom;
  faults.afterMap = [&] { ASSERT_EQ(::truncate((dir / "in").c_str(), kCutSize / 2), 0); };
  SetChoices(kCodeWin1250, kCodeLatin2, 0, 0);
  const Outcome outcome = c.detect ? converter().FullDetect(dir / "in").outcome
                                   : harness.Convert(dir / "in", dir / (c.inPlace ? "in" : "out"));
  EXPECT_EQ(outcome.result, Outcome::kFailed);
  EXPECT_EQ(outcome.failure, Failure::kChanged);
  EXPECT_EQ(outcome.file, File::kInput);
  EXPECT_EQ(ReadFile(dir / "in"), std::string(kCutSize / 2, '\xE8'));
  EXPECT_EQ(Entries(), std::vector<std::string>{"in"});
}

INSTANTIATE_TEST_SUITE_P(Cases, CutWhileMapped,
                         ::testing::Values(CutCase{"OneThread", kRead, 2 * kCutSize, false, false},
                                           CutCase{"TwoThreads", kRead, 0, false, false},
                                           CutCase{"InPlace", kRead, 2 * kCutSize, true, false},
                                           CutCase{"FullDetection", kRead, 0, false, true}),
                         [](const auto& param) { return param.param.name; });

struct OpenFailure {
  const char* name;
  std::string input;   // relative to the test directory
  std::string output;  // likewise
  Failure failure;
};

class OpenFailures : public ConvertFileTest, public ::testing::WithParamInterface<OpenFailure> {};

TEST_P(OpenFailures, ReportTheFileAndTouchNothing) {
  const auto& c = GetParam();
  WriteFile(dir / "a.txt", "\xE8 text");
  fs::create_directory(dir / "folder");
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  SetChoices(kCodeWin1250, kCodeLatin2, 0, 2);
  const Outcome outcome = harness.Convert(dir / c.input, dir / c.output);
  EXPECT_EQ(outcome.result, Outcome::kFailed);
  EXPECT_EQ(outcome.failure, c.failure);
  EXPECT_EQ(ReadFile(dir / "a.txt"), "\xE8 text");
  EXPECT_EQ(Done(), 1u);
  EXPECT_EQ(Total(), 1u);
  EXPECT_FALSE(fs::exists(dir / "out"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenFailures,
    ::testing::Values(OpenFailure{"MissingInput", "missing", "out", Failure::kInputOpen},
                      OpenFailure{"InputIsAFolder", "folder", "out", Failure::kNotRegular},
                      OpenFailure{"OutputIsAFolder", "a.txt", "folder", Failure::kOutputOpen},
                      // Opening a FIFO for reading would wait for a writer that never comes.
                      OpenFailure{"InputIsAFifo", "fifo", "out", Failure::kNotRegular},
                      OpenFailure{"InPlaceFifo", "fifo", "fifo", Failure::kNotRegular}),
    [](const auto& param) { return param.param.name; });

TEST_F(ConvertFileTest, RefusesACodePageOutsideTheTable) {
  WriteFile(dir / "in", "\xE8");
  SetChoices(kCodeWin1250, 9, 0, 0);
  EXPECT_EQ(harness.Convert(dir / "in", dir / "out").result, Outcome::kFailed);
  EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST_F(ConvertFileTest, CountsBeyondFourGibibytes) {
  // A sparse file: no disk space, but the counters must pass 2^32.
  const std::uint64_t size = (std::uint64_t{1} << 32) + 7;
  WriteFile(dir / "big", "");
  ASSERT_EQ(::truncate((dir / "big").c_str(), static_cast<off_t>(size)), 0);
  std::uint64_t seenTotal = 0;
  int percentAtHalf = -1;
  harness.onStep = [&] {
    const Progress progress = converter().CurrentProgress();
    seenTotal = progress.total;
    if (percentAtHalf < 0 && progress.done >= size / 2) percentAtHalf = progress.Percent();
    if (progress.done > size / 2) harness.stop.request_stop();
  };
  EXPECT_EQ(harness.Convert(dir / "big", "/dev/null").result, Outcome::kCancelled);
  EXPECT_EQ(seenTotal, size);
  EXPECT_EQ(percentAtHalf, 50);
}

TEST(ProgressPercent, IsTheShareOfTheFileDone) {
  const struct {
    std::uint64_t done;
    std::uint64_t total;
    int percent;
  } cases[] = {{0, 0, 100},  // an empty file is complete
               {25'000'000, 50'000'000, 50},
               {std::uint64_t{3} << 32, std::uint64_t{6} << 32, 50},
               {999, 1000, 99}};
  for (const auto& c : cases) {
    EXPECT_EQ((Progress{c.done, c.total}.Percent()), c.percent) << c.done;
  }
}

}  // namespace
}  // namespace pismovar
