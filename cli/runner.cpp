#include "cli/runner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "cli/binary_check.h"
#include "res/string_table.h"

namespace pismovar::cli {
namespace {

constexpr char kStdinName[] = "-";

std::string SpoolDirectory() {
  const char* tmp = std::getenv("TMPDIR");
  return tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
}

}  // namespace

Runner::Runner(const Options& options)
    : m_options(options), m_host(options.quiet), m_converter(m_host) {
  m_host.Attach(m_converter);
  m_converter.m_bDetectUtf8 = true;
  m_converter.m_bStrict = options.strict;
  m_converter.m_bLettersOnly = options.lettersOnly;
  m_converter.m_bWriteBom = options.bom;
  m_converter.m_bFollowSymlinks = options.followSymlinks;
}

int Runner::Run() {
  if (m_options.inputs.empty()) {
    Process(kStdinName);
  } else {
    for (const std::string& name : m_options.inputs) {
      if (CancelRequested()) break;
      Process(name);
    }
  }
  return m_allSucceeded ? 0 : 1;
}

void Runner::Process(const std::string& name) {
  if (m_options.detect) {
    DetectOne(name);
  } else if (m_options.inPlace) {
    ConvertInPlaceArgument(name);
  } else {
    ConvertOne(name);
  }
}

void Runner::Finish() {
  if (!m_host.EndInput()) m_allSucceeded = false;
}

bool Runner::OpenInput(const std::string& name, bool needPath, Input& input) {
  if (name == kStdinName) {
    input.fd = STDIN_FILENO;
  } else {
    input.owned = UniqueFd(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
    if (!input.owned.Valid()) {
      m_host.ShowStopMessage(IDS_INPUT_OPEN_FAILED, {}, errno);
      return false;
    }
    input.fd = input.owned.Get();
  }
  struct stat st {};
  if (::fstat(input.fd, &st) != 0) {
    m_host.ShowStopMessage(IDS_INPUT_OPEN_FAILED, {}, errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    m_host.Error("is a directory");
    return false;
  }
  input.regular = S_ISREG(st.st_mode);
  input.size = input.regular ? static_cast<std::uint64_t>(st.st_size) : 0;
  if (input.regular && name != kStdinName) input.path = name;
  return !needPath || !input.path.empty() || Spool(input);
}

bool Runner::Spool(Input& input) {
  // Detection reads a file by its name, so a pipe's bytes are kept in a private file first.
  input.spool = std::make_unique<TempFile>(SpoolDirectory());
  if (!input.spool->Valid()) {
    m_host.Error("cannot create a temporary file in " + SpoolDirectory());
    return false;
  }
  std::vector<char> buffer(Converter::kReadSize);
  std::uint64_t total = 0;
  for (;;) {
    if (CancelRequested()) {
      m_host.ShowStopMessage(IDS_CONVERT_CANCELLED);
      return false;
    }
    const ssize_t got = ::read(input.fd, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      m_host.ShowStopMessage(IDS_IO_FAILED, {}, errno);
      return false;
    }
    if (got == 0) break;
    if (!WriteAll(input.spool->Fd(), buffer.data(), static_cast<std::size_t>(got))) {
      m_host.ShowStopMessage(IDS_IO_FAILED, {}, errno);
      return false;
    }
    total += static_cast<std::uint64_t>(got);
  }
  input.fd = input.spool->Fd();
  input.path = input.spool->Path();
  input.regular = true;
  input.size = total;
  return ::lseek(input.fd, 0, SEEK_SET) == 0;
}

bool Runner::NeedsDetection() const { return m_options.codeIn == kAuto; }

bool Runner::Guess(const std::string& path) {
  m_converter.m_strInput = path;
  m_converter.m_nFileCount = 1;
  m_converter.m_bClipboardIn = false;
  const Outcome outcome = m_options.quick ? m_converter.QuickDetect() : m_converter.FullDetect();
  if (outcome.result == Outcome::kFailed) {
    m_host.ShowOutcome(outcome);
    return false;
  }
  if (outcome.result == Outcome::kCancelled || CancelRequested()) {
    m_host.ShowStopMessage(IDS_DETECT_CANCELLED);
    return false;
  }
  return true;
}

bool Runner::ChooseFor(const std::string& path) {
  if (NeedsDetection() && !Guess(path)) return false;
  if (m_options.codeIn != kAuto) m_converter.m_nCodeIn = m_options.codeIn;
  // Without --eol-in every line end, whichever it is, becomes the one of --eol-out.
  m_converter.m_nLineEndIn = m_options.lineEndIn != kAuto ? m_options.lineEndIn : kLineEndDos;
  m_converter.m_bAllLineEnds = m_options.lineEndIn == kAuto && m_options.lineEndOut != kAuto;
  m_converter.m_nCodeOut = m_options.codeOut;
  m_converter.m_nLineEndOut =
      m_options.lineEndOut != kAuto ? m_options.lineEndOut : m_converter.m_nLineEndIn;
  return true;
}

void Runner::ReportLosses() {
  const Utf8Losses& losses = m_converter.m_losses;
  if (losses.replaced != 0) {
    m_host.Warning(FormatString(IDS_CHARS_REPLACED, std::to_string(losses.replaced)));
  }
  if (losses.malformed != 0) {
    m_host.Warning(FormatString(IDS_MALFORMED_UTF8, {std::to_string(losses.malformed),
                                                     std::to_string(losses.firstMalformed)}));
  }
}

void Runner::DetectOne(const std::string& name) {
  m_host.BeginInput(name);
  Input input;
  if (OpenInput(name, true, input) && Guess(input.path)) {
    const std::string line = name + ": " + std::string(CodePageCaption(m_converter.m_nCodeIn)) +
                             ", " + std::string(LineEndCaption(m_converter.m_nLineEndIn)) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
  }
  Finish();
}

void Runner::ConvertOne(const std::string& name) {
  m_host.BeginInput(name);
  Input input;
  // The engine writes a named output through its own safe file path, so an input without
  // a name of its own goes to a temporary file first.
  const bool toFile = m_options.output.has_value();
  if (!OpenInput(name, NeedsDetection() || toFile, input) || !ChooseFor(input.path)) {
    Finish();
    return;
  }
  if (toFile) {
    input.owned.Reset();
    m_host.ShowOutcome(m_converter.ConvertFile(input.path, *m_options.output));
  } else {
    // The spool's name served the detection; without it nothing is left behind even when a
    // closed pipe (SIGPIPE) ends the program.
    if (input.spool) ::unlink(input.path.c_str());
    std::fflush(stdout);
    m_host.ShowOutcome(m_converter.ConvertStream(input.fd, STDOUT_FILENO, input.size));
  }
  ReportLosses();
  Finish();
}

void Runner::ConvertInPlaceArgument(const std::string& name) {
  struct stat st {};
  if (::lstat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    if (m_options.recursive) {
      ConvertTree(name);
    } else {
      m_host.BeginInput(name);
      m_host.Error("is a directory (--recursive converts the files under it)");
      Finish();
    }
    return;
  }
  ConvertFileInPlace(name);
}

void Runner::ConvertTree(const std::string& directory) {
  std::vector<std::string> files;
  CollectFiles(directory, files);
  std::sort(files.begin(), files.end());
  for (const std::string& file : files) {
    if (CancelRequested()) break;
    ConvertFileInPlace(file);
  }
}

void Runner::CollectFiles(const std::string& directory, std::vector<std::string>& files) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::directory_iterator it(directory, error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    // Links are not followed, neither to directories nor to files; FIFOs, devices and
    // sockets are left alone.
    const fs::file_status status = it->symlink_status(error);
    if (error) break;
    if (fs::is_directory(status)) {
      CollectFiles(it->path().string(), files);
    } else if (fs::is_regular_file(status)) {
      files.push_back(it->path().string());
    }
  }
  // An unreadable directory fails, and the rest of the tree is still converted.
  if (error) {
    m_host.BeginInput(directory);
    m_host.Error("cannot read the directory (" + error.message() + ")");
    Finish();
  }
}

void Runner::ConvertFileInPlace(const std::string& path) {
  m_host.BeginInput(path);
  // The type is looked at before any open: opening a FIFO would wait for a writer.
  struct stat st {};
  UniqueFd fd;
  if ((m_options.followSymlinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0) {
    m_host.ShowStopMessage(IDS_INPUT_OPEN_FAILED, {}, errno);
  } else if (S_ISLNK(st.st_mode)) {
    m_host.ShowOutcome(Outcome::Failed(Outcome::Failure::kSymlink, Outcome::File::kInput, path));
  } else if (!S_ISREG(st.st_mode)) {
    m_host.Error("not a regular file");
  } else if (fd = UniqueFd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)); !fd.Valid()) {
    m_host.ShowStopMessage(IDS_INPUT_OPEN_FAILED, {}, errno);
  } else if (!m_options.force && FileLooksBinary(fd.Get())) {
    m_host.Warning("looks binary, skipped (--force converts it)");
  } else {
    fd.Reset();
    if (ChooseFor(path)) {
      m_host.ShowOutcome(m_converter.ConvertFile(path, path));
      ReportLosses();
    }
  }
  Finish();
}

}  // namespace pismovar::cli
