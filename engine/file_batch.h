// Converting a list of files in place, in batches: each file is converted and held, and a
// full batch takes its files' places together, once all of them are on disk. Both programs
// run their lists through it.
#pragma once

#include <functional>
#include <string>

#include "engine/converter.h"
#include "engine/file_list.h"
#include "engine/outcome.h"
#include "engine/transcoder.h"

namespace pismovar {

class FileBatch {
 public:
  struct Reports {
    // A file's conversion has ended: held for its batch (kDone), or failed, cancelled, or a
    // second name of a file done already (kRepeated). Its outcome carries what it lost.
    std::function<void(const std::string& path, const Outcome& outcome)> converted;
    // Before a batch takes its files' places, while every file is still as it was: false
    // drops the batch. Not set: every batch goes in place.
    std::function<bool()> approve;
    // The batch is going to disk now; it may take seconds.
    std::function<void()> placing;
    // A held file's final outcome, once its batch has been put in place.
    std::function<void(const std::string& path, const Outcome& outcome)> placed;
  };

  FileBatch(Converter& converter, Reports reports);
  // Leaves every file still held as it was.
  ~FileBatch();
  FileBatch(const FileBatch&) = delete;
  FileBatch& operator=(const FileBatch&) = delete;

  // Converts `file` in place and holds it. Where another name of it waits in the batch, its
  // lock makes the file fail as locked: the batch is put in place and the file tried once
  // more, opened again by its name. A full batch is put in place afterwards. Returns the
  // outcome that `converted` got.
  Outcome Add(const Choices& choices, InPlaceFile file);
  // Puts what is held in place (after `approve`); false when a cancel came while the batch
  // went to disk, which leaves every file of it as it was.
  bool Place();
  // Leaves every held file as it was.
  void Drop();

 private:
  Converter& m_converter;
  Reports m_reports;
  // The files this run has met, so that a file under a second name (a bind mount, a name in
  // another case) is converted once.
  SeenFiles m_run;
  bool m_holding = false;
};

}  // namespace pismovar
