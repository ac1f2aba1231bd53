// Carries out one command line: each input detected or converted in turn, failures reported
// and counted, the remaining inputs still processed.
#pragma once

#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

#include "cli/cli_host.h"
#include "cli/options.h"
#include "engine/converter.h"
#include "engine/file_batch.h"
#include "engine/file_list.h"
#include "engine/posix_file.h"

namespace pismovar::cli {

class Runner {
 public:
  explicit Runner(const Options& options);

  // Processes every input; the exit status: 0 when all succeeded, 1 when any failed.
  int Run();

 private:
  // An input ready to be read: a file by its name, or a stream (standard input, a pipe)
  // whose start may have been read ahead for a detection.
  struct Input {
    UniqueFd owned;
    int fd = -1;
    std::string path;  // empty when the input can only be read through fd
    std::uint64_t size = 0;
    std::vector<std::uint8_t> ahead;  // read from fd but not yet converted
    bool aheadWhole = false;          // the stream ended within `ahead`
  };

  void Process(const std::string& name);
  void DetectOne(const std::string& name);
  // Undoes a wrong reading of the input and writes it in its own code page.
  void RepairOne(const std::string& name);
  void ConvertOne(const std::string& name);
  void ConvertInPlaceArgument(const std::string& name);
  void ConvertTree(const std::string& directory);
  // Converts the files under the open directory `dir`, named `path`, and the folders under
  // it, each opened by its descriptor and never through a link; reports what it cannot read.
  void ConvertTreeAt(const UniqueFd& dir, const std::string& path);
  // Where the last call failed for want of descriptors (errno), puts the held files in place,
  // which gives theirs back, and resumes the work on `path`: true when that was done.
  bool FreeDescriptors(const std::string& path);
  // Opens `name` in `dirFd` for a look at its start; a link is followed only with `follow`.
  static UniqueFd OpenToCheck(int dirFd, const char* name, bool follow);
  // Converts `path` in place; in a walked tree, as `name` in the directory `dirFd`. `looked`
  // is what a look at `path` that follows no link has found, if one has been made.
  void ConvertFileInPlace(const std::string& path, int dirFd = -1, const std::string& name = {},
                          const struct stat* looked = nullptr);

  // Opens `name` ("-" for standard input). false after reporting the failure.
  bool OpenInput(const std::string& name, Input& input);
  // Reads the start of a stream into input.ahead for a detection; false after a failure
  // (reported) or a cancel.
  bool ReadAhead(const std::string& name, Input& input);
  // Sets the choices for the input, detecting what the command line left
  // open. false after reporting the failure.
  bool ChooseFor(const std::string& name, Input& input);
  bool NeedsDetection() const;
  // Guesses from a regular file through its descriptor, or from a stream's start read ahead;
  // the guess goes to m_guess.
  bool Guess(const std::string& name, Input& input);
  // How sure a guess is and its runner-up, for --detect --verbose.
  static std::string GuessDetails(const ::pismovar::Guess& guess);
  // Reports on standard error what the conversion just done, ending with `outcome`, had to
  // replace.
  void ReportLosses(const Outcome& outcome);
  // Puts the files converted in place since the last call in place, reporting failures.
  void PlaceHeld();
  void Finish();

  const Options& m_options;
  // Stops the work under way after a signal (CancelRequested).
  std::stop_source m_stop;
  CliHost m_host;
  Converter m_converter;
  // The files converted in place wait to replace their inputs together.
  FileBatch m_batch;
  // The choices of the input under way, and the last detection's guess.
  Choices m_choices;
  ::pismovar::Guess m_guess;
  bool m_allSucceeded = true;
};

}  // namespace pismovar::cli
