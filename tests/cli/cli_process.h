// Running the real pismovar-cli binary, and the texts and files the tests feed it.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace pismovar::cli::test {

struct CliResult {
  int status = -1;  // the exit status, 128 + the number of a signal that ended it
  std::string out;
  std::string err;
};

// Runs pismovar-cli with `args`, `input` on standard input, in directory `cwd` (the current
// one when empty), and waits for it. A `wrapper` command (such as setpriv with its options)
// runs the program, given its path as the wrapper's last argument. The program speaks
// `language` (LANGUAGE), English when empty.
CliResult RunCli(const std::vector<std::string>& args, const std::string& input = {},
                 const std::filesystem::path& cwd = {},
                 const std::vector<std::string>& wrapper = {}, const std::string& language = {});

// Starts pismovar-cli with standard output and error going to files; `stdinFd` (when not
// -1) becomes its standard input. Returns the process id.
pid_t StartCli(const std::vector<std::string>& args, int stdinFd,
               const std::filesystem::path& outFile, const std::filesystem::path& errFile,
               const std::vector<std::string>& wrapper = {}, const std::string& language = {});

// Waits for a child; its exit status, or 128 + the signal's number when a signal ended it
// (as a shell reports it).
int WaitExit(pid_t pid);

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

// A Czech and Slovak text (UTF-8) holding every accented letter the program converts.
extern const std::string kCzechSlovakText;
// What converting it to ASCII reports for the input `name`: every accented letter is lost.
std::string AsciiLossReport(const std::string& name);

// `utf8` in code page `codePage` 0..6: through iconv for the four code pages it knows,
// through a table of our own for Kamenický, KOI8-ČS and ASCII.
std::string Encode(const std::string& utf8, int codePage);

// A directory of its own for each test, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& Path() const { return m_path; }
  std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

 private:
  std::filesystem::path m_path;
};

}  // namespace pismovar::cli::test
