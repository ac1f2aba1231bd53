// What the engine needs from whoever drives it: the desktop program, the command-line tool
// or a test. The engine never shows text itself: its operations return an Outcome
// (engine/outcome.h) that the driver turns into its own message.
#pragma once

#include <string>

namespace pismovar {

class EngineHost {
 public:
  virtual ~EngineHost() = default;

  // true: take the current choices into the converter's fields (its settings, names and
  // clipboard flag); false: show the converter's fields, such as a detection's guess.
  virtual void UpdateData(bool bSaveAndValidate) = 0;

  // Called once after every chunk, and once more when an in-place run's text is on disk: take
  // a pending cancel request into the converter's m_bCancel, show progress.
  virtual void PumpMessage() {}

  // The range of the current file's progress; the position follows from the converter's
  // byte counters (Converter::ProgressPercent).
  virtual void SetProgressRange(int /*lower*/, int /*upper*/) {}

  // Around a full detection: show the progress display with string 104 and its file bar
  // hidden, start the progress timer and the wait cursor; then remove all of it again.
  virtual void BeginDetectProgress() {}
  virtual void EndDetectProgress() {}

  // The clipboard as input of a detection.
  virtual bool ClipboardHasText() { return false; }
  // Writes the clipboard's text to `name`: 1 when written, -1 when there is no text or the
  // file cannot be created.
  virtual int ClipboardToFile(const std::string& /*name*/) { return -1; }
  // Where the clipboard's text is kept while it is converted or examined.
  virtual std::string ClipboardFileName() { return {}; }
};

}  // namespace pismovar
