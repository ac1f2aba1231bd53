#include "cli/cli_host.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include "engine/converter.h"
#include "res/string_table.h"

namespace pismovar::cli {
namespace {

volatile std::sig_atomic_t g_cancelRequested = 0;

extern "C" void OnCancelSignal(int) { g_cancelRequested = 1; }

using Clock = std::chrono::steady_clock;
// Short work shows no progress line at all; a drawn line is refreshed this often.
constexpr auto kProgressDelay = std::chrono::seconds(1);
constexpr auto kProgressPeriod = std::chrono::milliseconds(200);

void PrintLine(std::string_view name, std::string_view text) {
  std::string line = "pismovar-cli: ";
  line.append(name).append(": ").append(text).append("\n");
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
  action.sa_flags = SA_RESETHAND;  // no SA_RESTART: a blocked read returns EINTR
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool CancelRequested() { return g_cancelRequested != 0; }

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
  const auto withReason = [&outcome](std::string text) {
    if (outcome.error != 0) text += std::string(" (") + std::strerror(outcome.error) + ")";
    return text;
  };
  switch (outcome.failure) {
    case Failure::kSymlink:
      Warning("symbolic link, skipped (--follow-symlink converts the file it leads to)");
      return;
    case Failure::kSameFile:
      Error("input file is output file");
      return;
    case Failure::kChanged:
      Error("changed, moved or replaced by another program during the conversion; left as it is");
      return;
    case Failure::kLocked:
      Error("another conversion is working on this file; left as it is");
      return;
    case Failure::kOwnerNotKept:
      Error(withReason("its owner and group could not be kept; left as it is"));
      return;
    case Failure::kAttributesNotKept:
      Error(withReason(
          "its permissions, ACLs or extended attributes could not be kept; left as it is"));
      return;
    default:
      break;
  }
  if (const int id = OutcomeMessageId(outcome)) ShowStopMessage(id, m_name, outcome.error);
}

void CliHost::ShowStopMessage(int id, std::string_view arg, int error) {
  std::string text = FormatString(id, arg);
  // The table's texts are made for a message box; a terminal message is one line.
  for (std::size_t pos; (pos = text.find('\n')) != std::string::npos;) text.erase(pos, 1);
  if (error != 0) text += std::string(" (") + std::strerror(error) + ")";
  Error(text);
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
  line += m_name;
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
