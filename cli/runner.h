// Carries out one command line: each input detected or converted in turn, failures reported
// and counted, the remaining inputs still processed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/cli_host.h"
#include "cli/options.h"
#include "engine/converter.h"
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
  // Adds the regular files under `directory` to `files`; reports what it cannot read.
  void CollectFiles(const std::string& directory, std::vector<std::string>& files);
  void ConvertFileInPlace(const std::string& path);

  // Opens `name` ("-" for standard input). false after reporting the failure.
  bool OpenInput(const std::string& name, Input& input);
  // Reads the start of a stream into input.ahead for a detection; false after a failure
  // (reported) or a cancel.
  bool ReadAhead(const std::string& name, Input& input);
  // Sets the converter's four choices for the input, detecting what the command line left
  // open. false after reporting the failure.
  bool ChooseFor(const std::string& name, Input& input);
  bool NeedsDetection() const;
  // Guesses from a file by its name, or from a stream's start read ahead.
  bool Guess(const std::string& name, Input& input);
  // How sure a guess is and its runner-up, for --detect --verbose.
  static std::string GuessDetails(const ::pismovar::Guess& guess);
  // Reports on standard error what the conversion just done, ending with `outcome`, had to
  // replace.
  void ReportLosses(const Outcome& outcome);
  // Puts the files converted in place since the last call in place, reporting failures.
  void ReplaceHeld();
  void Finish();

  const Options& m_options;
  CliHost m_host;
  Converter m_converter;
  bool m_allSucceeded = true;
  SeenFiles m_convertedInPlace;
};

}  // namespace pismovar::cli
