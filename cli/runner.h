// Carries out one command line: each input detected or converted in turn, failures reported
// and counted, the remaining inputs still processed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cli/cli_host.h"
#include "cli/options.h"
#include "engine/converter.h"
#include "engine/posix_file.h"

namespace pismovar::cli {

class Runner {
 public:
  explicit Runner(const Options& options);

  // Processes every input; the exit status: 0 when all succeeded, 1 when any failed.
  int Run();

 private:
  // An input ready to be read: a file by its name, or a descriptor (standard input, a pipe)
  // whose bytes went to a private temporary file when a name was needed.
  struct Input {
    UniqueFd owned;
    int fd = -1;
    std::string path;  // empty when the input can only be read through fd
    bool regular = false;
    std::uint64_t size = 0;
    std::unique_ptr<TempFile> spool;
  };

  void Process(const std::string& name);
  void DetectOne(const std::string& name);
  void ConvertOne(const std::string& name);
  void ConvertInPlaceArgument(const std::string& name);
  void ConvertTree(const std::string& directory);
  // Adds the regular files under `directory` to `files`; reports what it cannot read.
  void CollectFiles(const std::string& directory, std::vector<std::string>& files);
  void ConvertFileInPlace(const std::string& path);

  // Opens `name` ("-" for standard input); with `needPath`, an input without a name of its
  // own is spooled. false after reporting the failure.
  bool OpenInput(const std::string& name, bool needPath, Input& input);
  bool Spool(Input& input);
  // Sets the converter's four choices for the input at `path`, detecting what the command
  // line left open. false after reporting the failure.
  bool ChooseFor(const std::string& path);
  bool NeedsDetection() const;
  bool Guess(const std::string& path);
  // Reports on standard error what the conversion just done had to replace.
  void ReportLosses();
  void Finish();

  const Options& m_options;
  CliHost m_host;
  Converter m_converter;
  bool m_allSucceeded = true;
};

}  // namespace pismovar::cli
