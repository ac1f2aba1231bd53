// What a conversion or a detection did. The engine shows no message: it returns this value,
// and the desktop program, the command-line tool or a test turns it into its own words.
#pragma once

#include <string>
#include <utility>

#include "engine/utf8_tables.h"

namespace pismovar {

struct Outcome {
  // The result, with the numbers the program has always used.
  enum Result : int {
    kFailed = 0,     // nothing was converted or guessed; `failure` says why
    kDone = 1,       // converted to the end, or a detection has its guess
    kCancelled = 2,  // the user cancelled (a full detection still has its guess)
  };
  // What went wrong; kNone unless the result is kFailed.
  enum class Failure {
    kNone,
    kChoices,            // a code page or line end is out of range; nothing was opened
    kNoText,             // the clipboard holds no text: nothing to do, nothing to report
    kInputOpen,          // the input could not be opened or examined
    kOutputOpen,         // the output or the temporary file could not be created
    kRead,               // reading the input failed
    kWrite,              // writing, flushing or closing the output failed
    kReplace,            // the converted temporary file could not take the input's name
    kLossy,              // a strict conversion lost characters
    kChanged,            // another process changed, moved or replaced the input during the run
    kOwnerNotKept,       // the converted file could not keep the input's owner and group
    kAttributesNotKept,  // nor its mode, ACLs or extended attributes
    kSameFile,           // the output is the input itself under another name
    kNotRegular,         // the input is a directory, FIFO, device or socket
    kSymlink,            // the in-place input is a symbolic link, skipped unless asked
    kLocked,             // another run is converting the input
    kRepeated,           // the input is a file this run has already converted, under another name
    kNoMemory,           // the memory the conversion needs could not be had; nothing was changed
  };
  // Which file a failure concerns.
  enum class File { kNone, kInput, kOutput, kTemporary };

  Result result = kDone;
  Failure failure = Failure::kNone;
  File file = File::kNone;
  std::string path;  // that file's name as the engine used it; the temporary file's real name
  int error = 0;     // the system's errno of the failed call, 0 when no call failed
  // What a conversion lost: counted for a text converted to its end (or refused for it by
  // a strict run), and for what a cancel or a failure left unfinished.
  Utf8Losses losses;

  static Outcome Cancelled() {
    Outcome outcome;
    outcome.result = kCancelled;
    return outcome;
  }
  static Outcome Failed(Failure failure, File file, std::string path, int error = 0) {
    return {kFailed, failure, file, std::move(path), error, {}};
  }
};

}  // namespace pismovar
