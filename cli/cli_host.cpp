#include "cli/cli_host.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "cli/i18n.h"
#include "engine/converter.h"
#include "res/string_ids.h"

namespace pismovar::cli {
namespace {

// The signal that asked the run to stop, 0 while none has.
volatile std::sig_atomic_t g_cancelSignal = 0;

extern "C" void OnCancelSignal(int signal) { g_cancelSignal = signal; }

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
  for (const int signal : kCancelSignals) sigaddset(&action.sa_mask, signal);
  action.sa_flags = SA_RESETHAND;  // no SA_RESTART: a blocked read returns EINTR
  for (const int signal : kCancelSignals) {
    // A signal ignored by whoever started us (nohup, a background job) stays ignored.
    struct sigaction previous {};
    if (::sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
    ::sigaction(signal, &action, nullptr);
  }
}

bool CancelRequested() { return g_cancelSignal != 0; }

void DieBySignalIfAny() {
  const int signal = g_cancelSignal;
  if (signal == 0) return;
  std::signal(signal, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
  ::raise(signal);
}

bool CloseStandardOutput() {
  // A write error seen earlier leaves the stream's error flag; flushing and closing report
  // the rest (a full disk, a delayed error of the file system).
  const bool failedBefore = std::ferror(stdout) != 0;
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  int error = errno;
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

void CliHost::ShowStopMessage(int id, std::string_view /*arg*/) {
  const int error = errno;
  switch (id) {
    case IDS_INPUT_OPEN_FAILED:
      SystemError(m_name, _("cannot open"), error);
      break;
    case IDS_OUTPUT_OPEN_FAILED:
      SystemError(m_name, _("cannot create the output"), error);
      break;
    case IDS_RENAME_FAILED:
      SystemError(m_name, _("cannot replace the file with the converted text"), error);
      break;
    case IDS_NOT_CONVERTIBLE:
      Error(_("not converted: characters would be lost (--strict)"));
      break;
    case IDS_CONVERT_CANCELLED:
    case IDS_DETECT_CANCELLED:
      m_failed = true;  // the signal tells the rest
      break;
    default:
      SystemError(m_name, _("cannot read or write"), error);
      break;
  }
}

void CliHost::SystemError(std::string_view file, std::string_view what, int error) {
  std::string reason(what);
  if (error != 0) reason.append(": ").append(std::strerror(error));
  ClearProgress();
  m_failed = true;
  PrintLine(file, reason);
}

void CliHost::PumpMessage() {
  if (CancelRequested()) m_converter->m_bCancel = true;
  if (m_quiet || !m_terminal) return;
  const Clock::time_point now = Clock::now();
  if (now - m_start < kProgressDelay || now - m_lastDraw < kProgressPeriod) return;
  m_lastDraw = now;
  DrawProgress();
}

void CliHost::DrawProgress() {
  const double seconds = std::chrono::duration<double>(m_lastDraw - m_start).count();
  const auto done = static_cast<double>(m_converter->m_nDoneBytes);
  std::string line = "\r";
  if (m_converter->m_nTotalBytes != 0) {  // a pipe's length is not known in advance
    char percent[16];
    std::snprintf(percent, sizeof percent, "%3d %% ", m_converter->ProgressPercent());
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
