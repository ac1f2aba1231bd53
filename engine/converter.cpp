#include "engine/converter.h"

#include <acl/libacl.h>
#include <attr/libattr.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "engine/repair.h"

namespace pismovar {

using Failure = Outcome::Failure;
using File = Outcome::File;

Converter::Converter(const Settings& settings, Watch watch, SystemCalls* system)
    : m_settings(settings),
      m_watch(std::move(watch)),
      m_system(system != nullptr ? *system : m_ownSystem),
      m_pump(settings.readSize, settings.twoThreadsFrom, settings.strict,
             settings.mapInput && AllowMappedReads(), m_system, m_watch, m_progress),
      m_batch(m_system, m_watch, m_sweep) {}

Converter::Converter() : Converter(Settings{}) {}

Converter::~Converter() = default;

bool Converter::Prepare(const Choices& choices) {
  m_losses = Utf8Losses{};
  if (!m_transcoder || !(m_transcoder->GetChoices() == choices)) {
    m_transcoder = Transcoder::Make(choices);
  }
  return m_transcoder.has_value();
}

Outcome Converter::Settle(Outcome outcome) {
  if (outcome.failure == Failure::kInputOpen || outcome.failure == Failure::kOutputOpen ||
      outcome.failure == Failure::kSameFile || outcome.failure == Failure::kNotRegular) {
    // Nothing was read: the progress shows a full bar.
    m_progress.Start(1);
  }
  m_progress.Finish();
  outcome.losses = m_losses;
  return outcome;
}

Outcome Converter::ConvertStream(const Choices& choices, int fdIn, int fdOut,
                                 std::uint64_t totalBytes, std::span<const std::uint8_t> ahead) {
  if (!Prepare(choices)) return Outcome::Failed(Failure::kChoices, File::kNone, {});
  // Output appended to its own input ("F >> F") would grow while it is read, until the disk
  // is full.
  struct stat inStat {};
  struct stat outStat {};
  if (fdIn >= 0 && ::fstat(fdIn, &inStat) == 0 && ::fstat(fdOut, &outStat) == 0 &&
      S_ISREG(inStat.st_mode) && inStat.st_dev == outStat.st_dev &&
      inStat.st_ino == outStat.st_ino) {
    return Outcome::Failed(Failure::kSameFile, File::kOutput, {});
  }
  return Settle(
      m_pump.Run(*m_transcoder, m_losses, fdIn, {}, fdOut, File::kOutput, {}, totalBytes, ahead));
}

Outcome Converter::ConvertStreamToFile(const Choices& choices, int fdIn, const std::string& input,
                                       const std::string& output,
                                       std::span<const std::uint8_t> ahead) {
  if (!Prepare(choices)) return Outcome::Failed(Failure::kChoices, File::kNone, {});
  struct stat inStat {};
  if (fdIn >= 0 && ::fstat(fdIn, &inStat) != 0) {
    return Settle(Outcome::Failed(Failure::kInputOpen, File::kInput, input, errno));
  }
  // Standard input may be a file given by the shell ("-o F < F"): truncating it would
  // destroy the text.
  struct stat outStat {};
  if (S_ISREG(inStat.st_mode) && ::stat(output.c_str(), &outStat) == 0 &&
      outStat.st_dev == inStat.st_dev && outStat.st_ino == inStat.st_ino) {
    return Settle(Outcome::Failed(Failure::kSameFile, File::kOutput, output));
  }
  return Settle(ConvertToOther(fdIn, inStat, input, output, ahead));
}

Outcome Converter::ConvertFile(const Choices& choices, const std::string& input,
                               const std::string& output) {
  if (!Prepare(choices)) return Outcome::Failed(Failure::kChoices, File::kNone, {});
  if (input == output) {
    return Settle(CatchNoMemory(
        input, [&] { return m_batch.RewriteOne(input, m_settings.followSymlinks, Pumped()); }));
  }
  // Not blocking: a FIFO or a device is refused by the type check, not waited for.
  UniqueFd in(::open(input.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (!in.Valid()) {
    return Settle(Outcome::Failed(Failure::kInputOpen, File::kInput, input, errno));
  }
  return ConvertFile(choices, std::move(in), input, output);
}

Outcome Converter::ConvertFile(const Choices& choices, UniqueFd in, const std::string& input,
                               const std::string& output) {
  if (!Prepare(choices)) return Outcome::Failed(Failure::kChoices, File::kNone, {});
  return Settle(CatchNoMemory(input, [&]() -> Outcome {
    struct stat inStat {};
    if (::fstat(in.Get(), &inStat) != 0) {
      return Outcome::Failed(Failure::kInputOpen, File::kInput, input, errno);
    }
    if (!S_ISREG(inStat.st_mode)) return Outcome::Failed(Failure::kNotRegular, File::kInput, input);
    // Under another name the output may still be the input itself ("./a.txt", a hard or a
    // symbolic link): it is converted in place under the output's name.
    struct stat outStat {};
    if (::stat(output.c_str(), &outStat) == 0 && outStat.st_dev == inStat.st_dev &&
        outStat.st_ino == inStat.st_ino) {
      in.Reset();
      return m_batch.RewriteOne(output, true, Pumped());
    }
    return ConvertToOther(in.Get(), inStat, input, output);
  }));
}

Outcome Converter::ConvertFileHeld(const Choices& choices, InPlaceFile file, SeenFiles& run) {
  if (!Prepare(choices)) return Outcome::Failed(Failure::kChoices, File::kNone, {});
  return Settle(m_batch.Hold(std::move(file), m_settings.followSymlinks, run, Pumped()));
}

InPlaceBatch::Rewrite Converter::Pumped() {
  return [this](int in, const struct stat& inStat, const std::string& path, int out,
                const std::string& folder) {
    m_losses = {};
    return m_pump.Run(*m_transcoder, m_losses, in, path, out, File::kTemporary, folder,
                      static_cast<std::uint64_t>(inStat.st_size), {}, &inStat);
  };
}

Repaired Converter::RepairFile(const std::string& path, CodePage encoding) {
  m_losses = {};
  Repaired repaired;
  const auto rewrite = [&](int in, const struct stat& inStat, const std::string& name, int out,
                           const std::string& folder) {
    // The whole text: a misreading is found from all its words.
    m_progress.Start(static_cast<std::uint64_t>(inStat.st_size));
    std::string text;
    char buffer[1 << 16];
    for (;;) {
      const ssize_t n = m_system.Read(in, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Outcome::Failed(Failure::kRead, File::kInput, name, errno);
      if (n == 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
      m_progress.done += static_cast<std::uint64_t>(n);
      if (m_watch.StepAndCheckStop()) return Outcome::Cancelled();
    }
    repaired.repair = RepairText(text, encoding);
    // Nothing to undo: the file stays as it was, not even its time changes.
    if (repaired.repair.passes == 0) return Outcome::Cancelled();
    if (!m_system.Write(out, repaired.repair.text.data(), repaired.repair.text.size())) {
      return Outcome::Failed(Failure::kWrite, File::kTemporary, folder, errno);
    }
    return Outcome{};
  };
  Outcome outcome = CatchNoMemory(
      path, [&] { return m_batch.RewriteOne(path, m_settings.followSymlinks, rewrite); });
  if (outcome.result == Outcome::kCancelled && !m_watch.stop.stop_requested()) outcome = {};
  repaired.outcome = Settle(outcome);
  return repaired;
}

bool Converter::BatchFull() const { return m_batch.Full(); }

std::vector<std::pair<std::string, Outcome>> Converter::ReplaceHeld() { return m_batch.Replace(); }

void Converter::DropHeld() { m_batch.Drop(); }

Outcome Converter::ConvertToOther(int in, const struct stat& inStat, const std::string& input,
                                  const std::string& output, std::span<const std::uint8_t> ahead) {
  const auto total = static_cast<std::uint64_t>(inStat.st_size);
  // Where the text goes: the output's own name, or the file a link there leads to.
  std::string target = output;
  struct stat outStat {};
  const bool exists = ::stat(output.c_str(), &outStat) == 0;
  const int statError = exists ? 0 : errno;
  struct stat linkStat {};
  if (::lstat(output.c_str(), &linkStat) == 0 && S_ISLNK(linkStat.st_mode)) {
    if (exists) {
      char* real = ::realpath(output.c_str(), nullptr);
      if (!real) return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, errno);
      target = real;
      std::free(real);
    } else {
      // A link to a file not there yet: the file is made where the link leads.
      std::string linked(PATH_MAX, '\0');
      const ssize_t n = ::readlink(output.c_str(), linked.data(), linked.size());
      if (n <= 0 || static_cast<std::size_t>(n) >= linked.size()) {
        return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, errno);
      }
      linked.resize(static_cast<std::size_t>(n));
      target = linked.starts_with('/') ? linked : DirectoryOf(output) + "/" + linked;
      if (::lstat(target.c_str(), &linkStat) == 0 || errno != ENOENT) {
        return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, ELOOP);
      }
    }
  } else if (!exists && statError != ENOENT) {
    return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, statError);
  }
  if (exists && S_ISDIR(outStat.st_mode)) {
    return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, EISDIR);
  }
  if (exists && !S_ISREG(outStat.st_mode)) {
    // A device or a FIFO takes the text as it comes; it has nothing to lose.
    UniqueFd out(::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (!out.Valid()) return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, errno);
    Outcome outcome = m_pump.Run(*m_transcoder, m_losses, in, input, out.Get(), File::kOutput,
                                 output, total, ahead);
    if (!out.Reset() && outcome.result == Outcome::kDone) {
      outcome = Outcome::Failed(Failure::kWrite, File::kOutput, output, errno);
    }
    return outcome;
  }

  // A file is written beside its place, as an in-place run writes, and takes the place only
  // when the whole text is there: a failure, a cancel or a kill leaves an existing output as
  // it was, and no new one half written.
  const std::string directory = DirectoryOf(target);
  const std::string name = BaseNameOf(target);
  const UniqueFd dir(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.Valid()) return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, errno);
  UniqueFd old;
  struct stat oldStat {};
  if (exists) {
    // The old file gives the new one its owner, mode, ACLs and attributes; a file the user
    // may not write is not replaced either.
    old =
        UniqueFd(::openat(dir.Get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!old.Valid() && errno == EACCES) {
      old = UniqueFd(
          ::openat(dir.Get(), name.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    }
    if (!old.Valid() || ::fstat(old.Get(), &oldStat) != 0) {
      return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, errno);
    }
    if (!S_ISREG(oldStat.st_mode))
      return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, EISDIR);
    if (::faccessat(dir.Get(), name.c_str(), W_OK, AT_EACCESS) != 0) {
      return Outcome::Failed(Failure::kOutputOpen, File::kOutput, output, errno);
    }
  }
  m_sweep.Once(dir.Get());
  ReplacementFile temp(dir.Get(), exists ? 0600 : 0666);
  if (!temp.Valid()) {
    return Outcome::Failed(Failure::kOutputOpen, File::kTemporary, directory, temp.Error());
  }
  if (exists && !temp.SetOwner(oldStat.st_uid, oldStat.st_gid)) {
    return Outcome::Failed(Failure::kOwnerNotKept, File::kOutput, output, errno);
  }
  if (Outcome outcome = m_pump.Run(*m_transcoder, m_losses, in, input, temp.Fd(), File::kOutput,
                                   output, total, ahead);
      outcome.result != Outcome::kDone) {
    return outcome;
  }
  if (exists) {
    if (::perm_copy_fd(output.c_str(), old.Get(), directory.c_str(), temp.Fd(), nullptr) != 0 ||
        ::attr_copy_fd(output.c_str(), old.Get(), directory.c_str(), temp.Fd(), nullptr, nullptr) !=
            0) {
      return Outcome::Failed(Failure::kAttributesNotKept, File::kOutput, output, errno);
    }
    // The old text is given up only for a new one on disk.
    if (!m_system.Sync(temp.Fd()))
      return Outcome::Failed(Failure::kWrite, File::kOutput, output, errno);
  }
  if (!temp.Link()) return Outcome::Failed(Failure::kWrite, File::kOutput, output, temp.Error());
  if (!m_system.Replace(dir.Get(), temp.Name(), name)) {
    return Outcome::Failed(Failure::kWrite, File::kOutput, output, errno);
  }
  temp.Commit();
  if (exists && !m_system.Sync(dir.Get())) {
    return Outcome::Failed(Failure::kWrite, File::kOutput, output, errno);
  }
  return {};
}

}  // namespace pismovar
