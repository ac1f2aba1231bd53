#include "engine/file_batch.h"

#include <utility>

namespace pismovar {

FileBatch::FileBatch(Converter& converter, Reports reports)
    : m_converter(converter), m_reports(std::move(reports)) {}

FileBatch::~FileBatch() { Drop(); }

Outcome FileBatch::Add(const Choices& choices, InPlaceFile file) {
  const std::string path = file.path;
  InPlaceFile again{path, file.dirFd, file.name, {}, {}};
  Outcome outcome = m_converter.ConvertFileHeld(choices, std::move(file), m_run);
  if (outcome.failure == Outcome::Failure::kLocked && m_holding) {
    // The same file under another name (a hard link, a bind mount) may wait in the batch,
    // behind the lock of this very run; once it is in place, the name tells which.
    if (!Place()) return Outcome::Cancelled();
    outcome = m_converter.ConvertFileHeld(choices, std::move(again), m_run);
  }
  if (outcome.result == Outcome::kDone) m_holding = true;
  // A cancel leaves every file of the unfinished batch as it was.
  if (outcome.result == Outcome::kCancelled) Drop();
  if (m_reports.converted) m_reports.converted(path, outcome);
  if (outcome.result == Outcome::kDone && m_converter.BatchFull() && !Place()) {
    return Outcome::Cancelled();
  }
  return outcome;
}

bool FileBatch::Place() {
  if (!m_holding) return true;
  if (m_reports.approve && !m_reports.approve()) {
    Drop();
    return true;
  }
  if (m_reports.placing) m_reports.placing();
  m_holding = false;
  bool cancelled = false;
  for (const auto& [path, outcome] : m_converter.ReplaceHeld()) {
    if (outcome.result == Outcome::kCancelled) cancelled = true;
    if (m_reports.placed) m_reports.placed(path, outcome);
  }
  return !cancelled;
}

void FileBatch::Drop() {
  m_converter.DropHeld();
  m_holding = false;
}

}  // namespace pismovar
