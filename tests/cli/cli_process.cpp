#include "cli_process.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace pismovar::cli::test {
namespace fs = std::filesystem;

namespace {

void RedirectOrDie(int fd, int target) {
  if (fd >= 0 && ::dup2(fd, target) < 0) ::_exit(127);
}

struct HandEncoded {
  const char* letter;
  unsigned char kamenicky;
  unsigned char koi8cs;
  unsigned char ascii;
};

// Written out by hand from the published Kamenický and KOI8-ČS code charts.
constexpr std::array<HandEncoded, 44> kHandTable{{
    {"Á", 0x8F, 0xE1, 'A'}, {"á", 0xA0, 0xC1, 'a'}, {"Č", 0x80, 0xE3, 'C'}, {"č", 0x87, 0xC3, 'c'},
    {"Ď", 0x85, 0xE4, 'D'}, {"ď", 0x83, 0xC4, 'd'}, {"É", 0x90, 0xF7, 'E'}, {"é", 0x82, 0xD7, 'e'},
    {"Ě", 0x89, 0xE5, 'E'}, {"ě", 0x88, 0xC5, 'e'}, {"Í", 0x8B, 0xE9, 'I'}, {"í", 0xA1, 0xC9, 'i'},
    {"Ň", 0xA5, 0xEE, 'N'}, {"ň", 0xA4, 0xCE, 'n'}, {"Ó", 0x95, 0xEF, 'O'}, {"ó", 0xA2, 0xCF, 'o'},
    {"Ř", 0x9E, 0xF2, 'R'}, {"ř", 0xA9, 0xD2, 'r'}, {"Š", 0x9B, 0xF3, 'S'}, {"š", 0xA8, 0xD3, 's'},
    {"Ť", 0x86, 0xF4, 'T'}, {"ť", 0x9F, 0xD4, 't'}, {"Ú", 0x97, 0xF5, 'U'}, {"ú", 0xA3, 0xD5, 'u'},
    {"Ů", 0xA6, 0xEA, 'U'}, {"ů", 0x96, 0xCA, 'u'}, {"Ý", 0x9D, 0xF9, 'Y'}, {"ý", 0x98, 0xD9, 'y'},
    {"Ž", 0x92, 0xFA, 'Z'}, {"ž", 0x91, 0xDA, 'z'}, {"ä", 0x84, 0xD1, 'a'}, {"Ä", 0x8E, 0xF1, 'A'},
    {"ô", 0x93, 0xD0, 'o'}, {"Ô", 0xA7, 0xF0, 'O'}, {"ö", 0x94, 0xCD, 'o'}, {"Ö", 0x99, 0xED, 'O'},
    {"ü", 0x81, 0xC8, 'u'}, {"Ü", 0x9A, 0xE8, 'U'}, {"ŕ", 0xAA, 0xC6, 'r'}, {"Ŕ", 0xAB, 0xE6, 'R'},
    {"ĺ", 0x8D, 0xCB, 'l'}, {"Ĺ", 0x8A, 0xEB, 'L'}, {"ľ", 0x8C, 0xCC, 'l'}, {"Ľ", 0x9C, 0xEC, 'L'},
}};

std::string EncodeByHand(const std::string& utf8, int codePage) {
  std::string result;
  for (std::size_t i = 0; i < utf8.size();) {
    if (static_cast<unsigned char>(utf8[i]) < 0x80) {
      result += utf8[i++];
      continue;
    }
    const HandEncoded* match = nullptr;
    for (const HandEncoded& row : kHandTable) {
      if (utf8.compare(i, std::strlen(row.letter), row.letter) == 0) match = &row;
    }
    if (match == nullptr) throw std::runtime_error("no hand-written byte for " + utf8.substr(i, 2));
    result += static_cast<char>(codePage == 1   ? match->kamenicky
                                : codePage == 5 ? match->koi8cs
                                                : match->ascii);
    i += std::strlen(match->letter);
  }
  return result;
}

std::string EncodeWithIconv(const std::string& utf8, const char* charset) {
  iconv_t cd = ::iconv_open(charset, "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv lacks a charset");
  std::string in = utf8;
  std::string out(in.size(), '\0');
  char* inPtr = in.data();
  char* outPtr = out.data();
  std::size_t inLeft = in.size();
  std::size_t outLeft = out.size();
  const std::size_t done = ::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
  ::iconv_close(cd);
  if (done == static_cast<std::size_t>(-1)) throw std::runtime_error("iconv failed");
  out.resize(out.size() - outLeft);
  return out;
}

}  // namespace

const std::string kCzechSlovakText =
    "Příliš žluťoučký kůň úpěl ďábelské ódy.\n"
    "PŘÍLIŠ ŽLUŤOUČKÝ KŮŇ ÚPĚL ĎÁBELSKÉ ÓDY.\n"
    "Kŕdeľ ďatľov učí koňa žrať kôru; v Ľubochni a Ĺ, Ŕ, Ô, Ä stoja pred nami.\n"
    "Väčšina rôznych prípadov: öü ÖÜ, Ťava, Ňufák, Íris, Ýpsilon, Éra.\n";

std::string Encode(const std::string& utf8, int codePage) {
  switch (codePage) {
    case 0:
      return EncodeWithIconv(utf8, "CP1250");
    case 2:
      return EncodeWithIconv(utf8, "CP852");
    case 3:
      return EncodeWithIconv(utf8, "ISO-8859-2");
    case 4:
      return EncodeWithIconv(utf8, "MAC-CENTRALEUROPE");
    default:
      return EncodeByHand(utf8, codePage);
  }
}

pid_t StartCli(const std::vector<std::string>& args, int stdinFd, const fs::path& outFile,
               const fs::path& errFile, const std::vector<std::string>& wrapper,
               const std::string& language) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  // The signals the tests send reach the program as they would from a terminal, even where
  // the tests run as a background job, which starts with SIGINT ignored.
  for (const int number : {SIGINT, SIGTERM, SIGHUP}) std::signal(number, SIG_DFL);
  // A UTF-8 locale that every system has; gettext ignores LANGUAGE in the plain C locale.
  ::setenv("LC_ALL", "C.UTF-8", 1);
  if (language.empty()) {
    ::unsetenv("LANGUAGE");
  } else {
    ::setenv("LANGUAGE", language.c_str(), 1);
  }
  const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0 || err < 0) ::_exit(127);
  RedirectOrDie(stdinFd, STDIN_FILENO);
  RedirectOrDie(out, STDOUT_FILENO);
  RedirectOrDie(err, STDERR_FILENO);
  std::vector<char*> argv;
  for (const std::string& arg : wrapper) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(const_cast<char*>(PISMOVAR_CLI));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  ::execvp(argv[0], argv.data());
  ::_exit(127);
}

int WaitExit(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
  }
  constexpr int kSignalBase = 128;
  return WIFSIGNALED(status) ? kSignalBase + WTERMSIG(status) : WEXITSTATUS(status);
}

CliResult RunCli(const std::vector<std::string>& args, const std::string& input,
                 const fs::path& cwd, const std::vector<std::string>& wrapper,
                 const std::string& language) {
  ScratchDir io;
  WriteFile(io / "stdin", input);
  const int in = ::open((io / "stdin").c_str(), O_RDONLY);
  const fs::path previous = fs::current_path();
  if (!cwd.empty()) fs::current_path(cwd);
  const pid_t pid = StartCli(args, in, io / "stdout", io / "stderr", wrapper, language);
  if (!cwd.empty()) fs::current_path(previous);
  ::close(in);
  CliResult result;
  result.status = WaitExit(pid);
  result.out = ReadFile(io / "stdout");
  result.err = ReadFile(io / "stderr");
  return result;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

ScratchDir::ScratchDir() {
  std::string pattern = (fs::temp_directory_path() / "pismovar-cli-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  m_path = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  fs::remove_all(m_path, ignored);
}

std::string AsciiLossReport(const std::string& name) {
  std::size_t letters = 0;
  for (const char ch : kCzechSlovakText) letters += static_cast<unsigned char>(ch) >= 0xC0;
  return "pismovar-cli: " + name + ": characters replaced: " + std::to_string(letters) + "\n";
}

}  // namespace pismovar::cli::test
