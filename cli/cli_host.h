// What the command-line tool shows in a terminal: messages go to standard error as
// "pismovar-cli: NAME: reason", progress to a self-updating line.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/converter.h"
#include "engine/outcome.h"

namespace pismovar::cli {

// Makes SIGINT, SIGTERM and SIGHUP request a cancel (seen after the current chunk); a second
// signal ends the program at once. Interrupted reads return EINTR instead of restarting.
void InstallCancelHandlers();
bool CancelRequested();
// After a cancel: ends the program by the signal that asked for it, with its default action,
// so that the calling shell sees it (a loop over files stops). Returns when there was none.
void DieBySignalIfAny();

// Flushes and closes standard output; false after reporting a failure to write it, with the
// reason `writeError` of an earlier failed write, or else that of the flush or the close.
bool CloseStandardOutput(int writeError);

class CliHost {
 public:
  explicit CliHost(bool quiet);
  CliHost(const CliHost&) = delete;
  CliHost& operator=(const CliHost&) = delete;

  // The converter whose progress the progress line shows.
  void Attach(Converter& converter) { m_converter = &converter; }

  // Starts the work on one input: its name in messages and on the progress line.
  void BeginInput(std::string name);
  // Ends it: clears the progress line; true when no failure was reported for it.
  bool EndInput();
  // Clears the progress line that work between inputs (putting files in place) may draw.
  void ClearProgress();

  // Report a failure of the current input, or a warning about it (which --quiet silences).
  void Error(std::string_view reason);
  void Warning(std::string_view reason);
  // Reports the failure of a call on `file` (the input, its output or the temporary file):
  // `what` failed, and the system's reason for `error` unless it is 0.
  void SystemError(std::string_view file, std::string_view what, int error);

  // A conversion's or a detection's failure as its message, naming the file it concerns;
  // nothing for a success or a cancel.
  void ShowOutcome(const Outcome& outcome);
  // After every chunk of the work: draws the progress line now and then.
  void Step();
  // Whether the work under way is a full detection, which the progress line names.
  void SetDetecting(bool detecting) { m_detecting = detecting; }

 private:
  void DrawProgress();

  const bool m_quiet;
  const bool m_terminal;  // standard error is a terminal: a progress line may be drawn
  Converter* m_converter = nullptr;
  std::string m_name;
  bool m_failed = false;
  bool m_detecting = false;
  bool m_lineShown = false;
  std::chrono::steady_clock::time_point m_start;
  std::chrono::steady_clock::time_point m_lastDraw;
};

}  // namespace pismovar::cli
