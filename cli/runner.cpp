#include "cli/runner.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string_view>
#include <vector>

#include "cli/binary_check.h"
#include "cli/i18n.h"
#include "engine/repair.h"

namespace pismovar::cli {
namespace {

constexpr char kStdinName[] = "-";
// How much of a stream a full detection reads ahead of the conversion.
constexpr std::size_t kLookAheadSize = 4u << 20;
constexpr std::size_t kLookAheadPiece = 64u << 10;

}  // namespace

Runner::Runner(const Options& options)
    : m_options(options),
      m_host(options.quiet),
      m_converter({.readSize = Converter::kLargeReadSize,
                   .twoThreadsFrom = Converter::kTwoThreadsFrom,
                   .strict = options.strict,
                   .followSymlinks = options.followSymlinks,
                   .detectUtf8 = true,
                   .mapInput = true},
                  {m_stop.get_token(),
                   [this] {
                     // A signal's cancel is seen after the chunk under way.
                     if (CancelRequested()) m_stop.request_stop();
                     m_host.Step();
                   }}),
      m_batch(m_converter, {.converted =
                                [this](const std::string& path, const Outcome& outcome) {
                                  m_host.BeginInput(path);
                                  m_host.ShowOutcome(outcome);
                                  ReportLosses(outcome);
                                  Finish();
                                },
                            .approve = {},
                            .placing = {},
                            .placed =
                                [this](const std::string& path, const Outcome& outcome) {
                                  if (outcome.result == Outcome::kDone) return;
                                  m_host.BeginInput(path);
                                  m_host.ShowOutcome(outcome);
                                  Finish();
                                }}) {
  m_host.Attach(m_converter);
  m_choices.lettersOnly = options.lettersOnly;
  m_choices.writeBom = options.bom;
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
  // The files converted in place wait to replace their inputs together; a cancel leaves
  // them all as they were.
  if (CancelRequested()) {
    m_batch.Drop();
  } else {
    PlaceHeld();
  }
  return m_allSucceeded ? 0 : 1;
}

void Runner::Process(const std::string& name) {
  if (m_options.repair) {
    RepairOne(name);
  } else if (m_options.detect) {
    DetectOne(name);
  } else if (m_options.inPlace) {
    ConvertInPlaceArgument(name);
  } else {
    ConvertOne(name);
  }
}

void Runner::PlaceHeld() {
  m_batch.Place();
  m_host.ClearProgress();
}

void Runner::Finish() {
  if (!m_host.EndInput()) m_allSucceeded = false;
}

bool Runner::OpenInput(const std::string& name, Input& input) {
  if (name == kStdinName) {
    input.fd = STDIN_FILENO;
  } else {
    input.owned = UniqueFd(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
    if (!input.owned.Valid()) {
      m_host.SystemError(name, _("cannot open"), errno);
      return false;
    }
    input.fd = input.owned.Get();
  }
  struct stat st {};
  if (::fstat(input.fd, &st) != 0) {
    m_host.SystemError(name, _("cannot open"), errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    m_host.Error(_("is a directory"));
    return false;
  }
  const bool regular = S_ISREG(st.st_mode);
  input.size = regular ? static_cast<std::uint64_t>(st.st_size) : 0;
  if (regular && name != kStdinName) input.path = name;
  return true;
}

bool Runner::ReadAhead(const std::string& name, Input& input) {
  // Enough of a stream for the guess, never all of it: the rest is converted as it arrives.
  const std::size_t limit = m_options.quick ? Converter::kQuickDetectSize : kLookAheadSize;
  std::size_t got = 0;
  while (got < limit) {
    // The room grows with what arrives: a short text does not pay for filling all of it.
    if (input.ahead.size() == got) input.ahead.resize(std::min(limit, 2 * got + kLookAheadPiece));
    const ssize_t n = ::read(input.fd, input.ahead.data() + got, input.ahead.size() - got);
    if (n < 0 && errno == EINTR) {
      if (CancelRequested()) return false;
      continue;
    }
    if (n < 0) {
      m_host.SystemError(name, _("cannot read"), errno);
      return false;
    }
    if (n == 0) {
      input.aheadWhole = true;
      break;
    }
    got += static_cast<std::size_t>(n);
  }
  input.ahead.resize(got);
  return true;
}

bool Runner::NeedsDetection() const {
  return m_options.codeIn == kAuto && (m_options.codeOut != kAuto || m_options.detect);
}

bool Runner::Guess(const std::string& name, Input& input) {
  if (input.fd < 0 || input.path.empty()) {
    if (!ReadAhead(name, input)) return false;
    m_guess = DetectText(input.ahead.data(), input.ahead.size(), input.aheadWhole, true);
    return true;
  }
  m_host.SetDetecting(!m_options.quick);
  const Detection detection = m_options.quick ? m_converter.QuickDetect(input.fd, input.path)
                                              : m_converter.FullDetect(input.fd, input.path);
  m_host.SetDetecting(false);
  m_guess = detection.guess;
  m_host.ShowOutcome(detection.outcome);
  return detection.outcome.result == Outcome::kDone && !CancelRequested();
}

bool Runner::ChooseFor(const std::string& name, Input& input) {
  if (NeedsDetection() && !Guess(name, input)) return false;
  m_choices.codeIn = m_options.codeIn != kAuto ? m_options.codeIn : m_guess.codePage;
  if (m_options.codeOut == kAuto) {
    // Only the line ends change: an 8-bit code page into itself keeps every byte, and no
    // UTF-8 sequence holds a line end's bytes, so the text's code page does not matter.
    m_choices.codeIn = kCodeWin1250;
  }
  // Without --eol-in every line end, whichever it is, becomes the one of --eol-out.
  m_choices.lineEndIn = m_options.lineEndIn != kAuto ? m_options.lineEndIn : kLineEndDos;
  m_choices.allLineEnds = m_options.lineEndIn == kAuto && m_options.lineEndOut != kAuto;
  m_choices.codeOut = m_options.codeOut != kAuto ? m_options.codeOut : m_choices.codeIn;
  m_choices.lineEndOut = m_options.lineEndOut != kAuto ? m_options.lineEndOut : m_choices.lineEndIn;
  return true;
}

void Runner::ReportLosses(const Outcome& outcome) {
  // After a failure the count would describe a text that nobody gets, except the one --strict
  // fails on.
  if (outcome.result == Outcome::kFailed && outcome.failure != Outcome::Failure::kLossy) return;
  const Utf8Losses& losses = outcome.losses;
  if (losses.replaced != 0) {
    m_host.Warning(Substitute(_("characters replaced: %s"), {std::to_string(losses.replaced)}));
  }
  if (losses.malformed != 0) {
    m_host.Warning(
        Substitute(_("malformed UTF-8 sequences: %s, the first at byte %s"),
                   {std::to_string(losses.malformed), std::to_string(losses.firstMalformed)}));
  }
}

void Runner::DetectOne(const std::string& name) {
  m_host.BeginInput(name);
  Input input;
  if (OpenInput(name, input) && Guess(name, input)) {
    std::string line = QuoteName(name) + ": " + std::string(CodePageCaption(m_guess.codePage)) +
                       ", " + std::string(LineEndCaption(m_guess.lineEnd));
    if (m_options.verbose) line += GuessDetails(m_guess);
    line += "\n";
    // Each line is written at once and past stdio, so that a failed write names its reason.
    if (!WriteAll(STDOUT_FILENO, line.data(), line.size())) {
      m_host.SystemError(_("standard output"), _("cannot write"), errno);
    }
  }
  Finish();
}

std::string Runner::GuessDetails(const ::pismovar::Guess& guess) {
  std::string details =
      Substitute(_("; confidence %s"), {std::to_string(guess.ConfidencePercent()) + " %"});
  if (!guess.confident) details += _(" (uncertain)");
  if (guess.runnerUp != ::pismovar::Guess::kNoRunnerUp) {
    details += Substitute(_(", runner-up %s"), {CodePageCaption(guess.runnerUp)});
  }
  if (guess.damage) {
    details +=
        Substitute(_("; damaged: %s read as %s (--repair undoes it)"),
                   {CodePageCaption(guess.damage->right), CodePageCaption(guess.damage->wrong)});
  }
  return details;
}

void Runner::RepairOne(const std::string& name) {
  m_host.BeginInput(name);
  Input input;
  if (!OpenInput(name, input)) {
    Finish();
    return;
  }
  // The whole text: a misreading is found from all its words.
  std::string text;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(input.fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR && !CancelRequested()) continue;
    if (n < 0) {
      m_host.SystemError(name, _("cannot read"), errno);
      Finish();
      return;
    }
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  CodePage encoding = m_options.codeIn;
  if (encoding == kAuto) {
    encoding =
        DetectText(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), true, true)
            .codePage;
  }
  const RepairResult repair = RepairText(text, encoding);
  UniqueFd file;
  int out = STDOUT_FILENO;
  if (m_options.output) {
    file =
        UniqueFd(::open(m_options.output->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!file.Valid()) {
      m_host.SystemError(*m_options.output, _("cannot create"), errno);
      Finish();
      return;
    }
    out = file.Get();
  }
  if (!WriteAll(out, repair.text.data(), repair.text.size()) || (file.Valid() && !file.Reset())) {
    m_host.SystemError(m_options.output ? *m_options.output : std::string(_("standard output")),
                       _("cannot write"), errno);
  } else if (repair.passes == 0) {
    m_host.Warning(_("nothing to repair"));
  } else {
    m_host.Warning(
        Substitute(repair.passes > 1 ? _("repaired %s read as %s, twice over: %s letters")
                                     : _("repaired %s read as %s: %s letters"),
                   {CodePageCaption(repair.misreading.right),
                    CodePageCaption(repair.misreading.wrong), std::to_string(repair.characters)}));
  }
  Finish();
}

void Runner::ConvertOne(const std::string& name) {
  m_host.BeginInput(name);
  Input input;
  if (!OpenInput(name, input) || !ChooseFor(name, input)) {
    Finish();
    return;
  }
  // A stream that ended within the look-ahead is not read again: a terminal would wait.
  const int fd = input.aheadWhole ? -1 : input.fd;
  Outcome outcome;
  if (m_options.output) {
    if (input.path.empty()) {
      outcome =
          m_converter.ConvertStreamToFile(m_choices, fd, name, *m_options.output, input.ahead);
    } else {
      outcome =
          m_converter.ConvertFile(m_choices, std::move(input.owned), input.path, *m_options.output);
    }
  } else {
    outcome = m_converter.ConvertStream(m_choices, fd, STDOUT_FILENO, input.size, input.ahead);
  }
  m_host.ShowOutcome(outcome);
  ReportLosses(outcome);
  Finish();
}

void Runner::ConvertInPlaceArgument(const std::string& name) {
  struct stat st {};
  const int looked = ::lstat(name.c_str(), &st);
  if (looked == 0 && S_ISDIR(st.st_mode)) {
    if (m_options.recursive) {
      ConvertTree(name);
    } else {
      m_host.BeginInput(name);
      m_host.Error(_("is a directory (--recursive converts the files under it)"));
      Finish();
    }
    return;
  }
  // What lstat found is what the look before the open would find, unless links are followed.
  ConvertFileInPlace(name, -1, {}, looked == 0 && !m_options.followSymlinks ? &st : nullptr);
}

void Runner::ConvertTree(const std::string& directory) {
  const UniqueFd dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!dir.Valid()) {
    const int error = errno;
    m_host.BeginInput(directory);
    m_host.SystemError(directory, _("cannot read the directory"), error);
    Finish();
    return;
  }
  ConvertTreeAt(dir, directory);
}

void Runner::ConvertTreeAt(const UniqueFd& dir, const std::string& path) {
  // The names first, in order, with the stream closed again: a deep tree keeps one
  // descriptor open per level.
  struct Entry {
    std::string name;
    bool folder;
  };
  std::vector<Entry> entries;
  int error = 0;
  {
    UniqueFd listFd(::fcntl(dir.Get(), F_DUPFD_CLOEXEC, 0));
    if (!listFd.Valid() && FreeDescriptors(path)) {
      listFd = UniqueFd(::fcntl(dir.Get(), F_DUPFD_CLOEXEC, 0));
    }
    DIR* stream = listFd.Valid() ? ::fdopendir(listFd.Get()) : nullptr;
    if (stream == nullptr) {
      error = errno;
    } else {
      listFd.Release();  // the stream owns it now
      errno = 0;
      while (const dirent* entry = ::readdir(stream)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        unsigned char type = entry->d_type;
        struct stat st {};
        if (type == DT_UNKNOWN &&
            ::fstatat(dir.Get(), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0) {
          type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        // Links are not followed, neither to directories nor to files; FIFOs, devices and
        // sockets are left alone.
        if (type == DT_DIR || type == DT_REG)
          entries.push_back({std::string(name), type == DT_DIR});
        errno = 0;
      }
      error = errno;
      ::closedir(stream);
    }
  }
  // An unreadable directory fails, and the rest of the tree is still converted.
  if (error != 0) {
    m_host.BeginInput(path);
    m_host.SystemError(path, _("cannot read the directory"), error);
    Finish();
    return;
  }
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return a.name < b.name; });
  const std::string prefix = path.ends_with('/') ? path : path + "/";
  for (const Entry& entry : entries) {
    if (CancelRequested()) return;
    const std::string entryPath = prefix + entry.name;
    if (!entry.folder) {
      ConvertFileInPlace(entryPath, dir.Get(), entry.name);
      continue;
    }
    // Opened by its descriptor and never through a link: a folder swapped for a link since
    // it was listed is left alone.
    const auto openSub = [&] {
      return UniqueFd(
          ::openat(dir.Get(), entry.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    };
    UniqueFd sub = openSub();
    if (!sub.Valid() && FreeDescriptors(entryPath)) sub = openSub();
    if (sub.Valid()) {
      ConvertTreeAt(sub, entryPath);
    } else if (const int openError = errno;
               openError != ELOOP && openError != ENOTDIR && openError != ENOENT) {
      m_host.BeginInput(entryPath);
      m_host.SystemError(entryPath, _("cannot read the directory"), openError);
      Finish();
    }
  }
}

bool Runner::FreeDescriptors(const std::string& path) {
  if (errno != EMFILE && errno != ENFILE) return false;
  PlaceHeld();
  m_host.BeginInput(path);
  return true;
}

UniqueFd Runner::OpenToCheck(int dirFd, const char* name, bool follow) {
  return UniqueFd(
      ::openat(dirFd, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW)));
}

void Runner::ConvertFileInPlace(const std::string& path, int dirFd, const std::string& name,
                                const struct stat* looked) {
  m_host.BeginInput(path);
  // In a walked tree the file is reached by its directory's descriptor and never through a
  // link; a name given on the command line follows a link with --follow-symlink.
  const bool inTree = dirFd >= 0;
  const int at = inTree ? dirFd : AT_FDCWD;
  const char* atName = inTree ? name.c_str() : path.c_str();
  const bool follow = !inTree && m_options.followSymlinks;
  const auto openToCheck = [&] {
    UniqueFd opened = OpenToCheck(at, atName, follow);
    if (!opened.Valid() && FreeDescriptors(path)) opened = OpenToCheck(at, atName, follow);
    return opened;
  };
  // A name given on the command line has its type looked at before any open: opening a
  // device may do something. In a walked tree the folder's listing has told it already.
  struct stat st {};
  if (looked != nullptr) st = *looked;
  UniqueFd fd;
  if (!inTree && looked == nullptr &&
      ::fstatat(at, atName, &st, follow ? 0 : AT_SYMLINK_NOFOLLOW) != 0) {
    m_host.SystemError(path, _("cannot open"), errno);
  } else if (!inTree && S_ISLNK(st.st_mode)) {
    m_host.ShowOutcome(Outcome::Failed(Outcome::Failure::kSymlink, Outcome::File::kInput, path));
  } else if (!inTree && !S_ISREG(st.st_mode)) {
    m_host.Error(_("not a regular file"));
  } else if (fd = openToCheck(); !fd.Valid() && errno == ELOOP && inTree) {
    // The name became a link after the folder was listed.
    m_host.ShowOutcome(Outcome::Failed(Outcome::Failure::kSymlink, Outcome::File::kInput, path));
  } else if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0) {
    m_host.SystemError(path, _("cannot open"), errno);
  } else if (!S_ISREG(st.st_mode)) {
    m_host.Error(_("not a regular file"));
  } else if (!m_options.force && FileLooksBinary(fd.Get())) {
    m_host.Warning(_("looks binary, skipped (--force converts it)"));
  } else {
    Input input;
    input.path = path;
    input.fd = fd.Get();
    if (!ChooseFor(path, input)) {
    } else if (NeedsDetection() && !m_options.force && !m_guess.confident) {
      // A wrong guess would damage the file for good.
      m_host.Error(_("cannot tell the code page; name it with -f"));
    } else {
      // The file checked is the file converted, opened once; a link followed on the command
      // line is resolved by the converter. The batch reports the file.
      m_batch.Add(m_choices, {path, dirFd, name, follow ? UniqueFd() : std::move(fd), st});
      return;
    }
  }
  Finish();
}

}  // namespace pismovar::cli
