// The engine's host in a terminal: messages go to standard error as
// "pismovar-cli: NAME: reason", progress to a self-updating line, Ctrl+C to the cancel flag.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/engine_host.h"
#include "engine/outcome.h"

namespace pismovar {
class Converter;
}

namespace pismovar::cli {

// Makes SIGINT and SIGTERM request a cancel (seen after the current chunk); a second signal
// ends the program at once. Interrupted reads return EINTR instead of restarting.
void InstallCancelHandlers();
bool CancelRequested();

class CliHost : public EngineHost {
 public:
  explicit CliHost(bool quiet);
  CliHost(const CliHost&) = delete;
  CliHost& operator=(const CliHost&) = delete;

  // The converter whose counters the progress line shows and whose cancel flag Ctrl+C sets.
  void Attach(Converter& converter) { m_converter = &converter; }

  // Starts the work on one input: its name in messages and on the progress line.
  void BeginInput(std::string name);
  // Ends it: clears the progress line; true when no failure was reported for it.
  bool EndInput();

  void Error(std::string_view reason);
  void Warning(std::string_view reason);

  // The choices are set on the converter directly.
  void UpdateData(bool /*bSaveAndValidate*/) override {}
  // String `id` as an error; the system's reason for `error` follows unless it is 0.
  void ShowStopMessage(int id, std::string_view arg = {}, int error = 0);
  // A conversion's or a detection's cancel or failure, as its message.
  void ShowOutcome(const Outcome& outcome);
  void PumpMessage() override;
  void BeginDetectProgress() override { m_detecting = true; }
  void EndDetectProgress() override { m_detecting = false; }

 private:
  void DrawProgress();
  void ClearProgress();

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
