#include "cli/cli_host.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "cli/i18n.h"
#include "engine/converter.h"

namespace pismovar::cli {
namespace {

// The signal that asked the run to stop, 0 while none has.
volatile std::sig_atomic_t g_cancelSignal = 0;

extern "C" void OnCancelSignal(int number) { g_cancelSignal = number; }

constexpr int kCancelSignals[] = {SIGINT, SIGTERM, SIGHUP};

using Clock = std::chrono::steady_clock;
// Short work shows no progress line at all; a drawn line is refreshed this often.
constexpr auto kProgressDelay = std::chrono::seconds(1);
constexpr auto kProgressPeriod = std::chrono::milliseconds(200);

void PrintLine(std::string_view name, std::string_view text) {
  std::string line = "pismovar-cli: ";
  line.append(QuoteName(name)).append(": ").append(text).append("\n");
  std::fwrite(line.data(), 1, line.size(), stderr);
}

std::string MegaBytes(double bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
  return text;
}

}  // namespace

void InstallCancelHandlers() {
  struct sigaction action {};
  action.sa_handler = OnCancelSignal;
  sigemptyset(&action.sa_mask);
  for (const int number : kCancelSignals) sigaddset(&action.sa_mask, number);
  action.sa_flags = SA_RESETHAND;  // no SA_RESTART: a blocked read returns EINTR
  for (const int number : kCancelSignals) {
    // A signal ignored by whoever started us (nohup, a background job) stays ignored.
    struct sigaction previous {};
    if (::sigaction(number, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
    ::sigaction(number, &action, nullptr);
  }
}

bool CancelRequested() { return g_cancelSignal != 0; }

void DieBySignalIfAny() {
  const int number = g_cancelSignal;
  if (number == 0) return;
  std::signal(number, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, number);
  ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(number);
}

bool CloseStandardOutput(int writeError) {
  // A write error seen earlier leaves the stream's error flag; flushing and closing report
  // the rest (a full disk, a delayed error of the file system).
  const bool failedBefore = std::ferror(stdout) != 0;
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  int error = writeError != 0 ? writeError : errno;
  const bool closed = std::fclose(stdout) == 0;
  if (error == 0) error = errno;
  if (!failedBefore && flushed && closed) return true;
  std::string reason = _("cannot write");
  if (error != 0) reason.append(": ").append(std::strerror(error));
  PrintLine(_("standard output"), reason);
  return false;
}

CliHost::CliHost(bool quiet) : m_quiet(quiet), m_terminal(::isatty(STDERR_FILENO) == 1) {}

void CliHost::BeginInput(std::string name) {
  m_name = std::move(name);
  m_failed = false;
  m_start = Clock::now();
  m_lastDraw = m_start;
  errno = 0;
}

bool CliHost::EndInput() {
  ClearProgress();
  return !m_failed;
}

void CliHost::Error(std::string_view reason) {
  ClearProgress();
  m_failed = true;
  PrintLine(m_name, reason);
}

void CliHost::Warning(std::string_view reason) {
  if (m_quiet) return;
  ClearProgress();
  PrintLine(m_name, reason);
}

void CliHost::ShowOutcome(const Outcome& outcome) {
  using Failure = Outcome::Failure;
  if (outcome.result != Outcome::kFailed) return;  // a cancel: the signal tells the rest
  // The file the failure concerns: the output, the temporary file or the input as given.
  std::string file = outcome.path.empty() ? m_name : outcome.path;
  if (outcome.file == Outcome::File::kOutput && outcome.path.empty() &&
      outcome.failure != Failure::kSameFile) {
    file = _("standard output");
  }
  switch (outcome.failure) {
    case Failure::kNone:
    case Failure::kNoText:
      return;
    case Failure::kChoices:
      return Error(_("the code pages or line ends are out of range"));
    case Failure::kInputOpen:
      return SystemError(file, _("cannot open"), outcome.error);
    case Failure::kOutputOpen:
      return SystemError(file,
                         outcome.file == Outcome::File::kTemporary
                             ? _("cannot create a temporary file in this directory")
                             : _("cannot create"),
                         outcome.error);
    case Failure::kRead:
      return SystemError(file, _("cannot read"), outcome.error);
    case Failure::kWrite:
      return SystemError(file,
                         outcome.file == Outcome::File::kTemporary
                             ? _("cannot write the temporary file in this directory")
                             : _("cannot write"),
                         outcome.error);
    case Failure::kReplace:
      return SystemError(file, Substitute(_("cannot rename to %s"), {QuoteName(m_name)}),
                         outcome.error);
    case Failure::kLossy:
      return Error(_("not converted: characters would be lost (--strict)"));
    case Failure::kChanged:
      return SystemError(file,
                         _("changed, moved or replaced by another program during the "
                           "conversion; left as it is"),
                         outcome.error);
    case Failure::kOwnerNotKept:
      return SystemError(file, _("its owner and group could not be kept; left as it is"),
                         outcome.error);
    case Failure::kAttributesNotKept:
      return SystemError(file,
                         _("its permissions, ACLs or extended attributes could not be kept; "
                           "left as it is"),
                         outcome.error);
    case Failure::kSameFile:
      return SystemError(file, _("input file is output file"), outcome.error);
    case Failure::kNotRegular:
      return SystemError(file, _("not a regular file"), outcome.error);
    case Failure::kSymlink:
      return Warning(_("symbolic link, skipped (--follow-symlink converts the file it leads to)"));
    case Failure::kLocked:
      return SystemError(file, _("another conversion is working on this file; left as it is"),
                         outcome.error);
    case Failure::kRepeated:
      return Warning(_("named more than once, converted once"));
    case Failure::kNoMemory:
      return Error(_("not enough memory; left as it is"));
  }
}

void CliHost::SystemError(std::string_view file, std::string_view what, int error) {
  // A signal that broke a wait (an open of a FIFO, a read of a terminal) ends the run, and the
  // shell says so: the interrupted call is not a fault of the file.
  if (error == EINTR && CancelRequested()) {
    m_failed = true;
    return;
  }
  std::string reason(what);
  if (error != 0) reason.append(": ").append(std::strerror(error));
  ClearProgress();
  m_failed = true;
  PrintLine(file, reason);
}

void CliHost::Step() {
  if (m_quiet || !m_terminal) return;
  const Clock::time_point now = Clock::now();
  if (now - m_start < kProgressDelay || now - m_lastDraw < kProgressPeriod) return;
  m_lastDraw = now;
  DrawProgress();
}

void CliHost::DrawProgress() {
  const double seconds = std::chrono::duration<double>(m_lastDraw - m_start).count();
  const Progress progress = m_converter->CurrentProgress();
  const auto done = static_cast<double>(progress.done);
  std::string line = "\r";
  if (progress.total != 0) {  // a pipe's length is not known in advance
    char percent[16];
    std::snprintf(percent, sizeof percent, "%3d %% ", progress.Percent());
    line += percent;
  }
  line += MegaBytes(done) + "  " + MegaBytes(done / seconds) + "/s  ";
  line += m_detecting ? "detecting " : "";
  line += QuoteName(m_name);
  line += "\033[K";
  std::fwrite(line.data(), 1, line.size(), stderr);
  m_lineShown = true;
}

void CliHost::ClearProgress() {
  if (!m_lineShown) return;
  std::fputs("\r\033[K", stderr);
  m_lineShown = false;
}

}  // namespace pismovar::cli
