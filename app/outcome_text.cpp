#include "app/outcome_text.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstring>
#include <string>

#include "res/string_table.h"
#include "ui/translated_text.h"

namespace pismovar {
namespace {

constexpr const char* kContext = "OutcomeText";

QString Tr(const char* text) { return QCoreApplication::translate(kContext, text); }

// Why the engine gave up, in words, for the failures that are not a failed system call alone.
QString FailureReason(Outcome::Failure failure) {
  using Failure = Outcome::Failure;
  switch (failure) {
    case Failure::kNotRegular:
      return Tr(QT_TRANSLATE_NOOP("OutcomeText",
                                  "Není to obyčejný soubor, ale složka, roura nebo zařízení."));
    case Failure::kSameFile:
      return Tr(QT_TRANSLATE_NOOP("OutcomeText", "Výstupní soubor je vstupní soubor."));
    case Failure::kChanged:
      return Tr(QT_TRANSLATE_NOOP(
          "OutcomeText",
          "Jiný program soubor během konverze změnil, přesunul nebo nahradil; soubor "
          "zůstal, jak byl."));
    case Failure::kLocked:
      return Tr(QT_TRANSLATE_NOOP("OutcomeText", "Tento soubor právě převádí jiná konverze."));
    case Failure::kSymlink:
      return Tr(QT_TRANSLATE_NOOP("OutcomeText", "Je to symbolický odkaz."));
    case Failure::kOwnerNotKept:
      return Tr(QT_TRANSLATE_NOOP(
          "OutcomeText",
          "Převedený soubor nemůže převzít vlastníka a skupinu původního; soubor zůstal, "
          "jak byl."));
    case Failure::kAttributesNotKept:
      return Tr(QT_TRANSLATE_NOOP(
          "OutcomeText",
          "Převedený soubor nemůže převzít přístupová práva, ACL nebo rozšířené atributy "
          "původního; soubor zůstal, jak byl."));
    case Failure::kNoMemory:
      return Tr(QT_TRANSLATE_NOOP("OutcomeText", "Nedostatek paměti; soubor zůstal, jak byl."));
    default:
      return {};
  }
}

}  // namespace

QStringList OutcomeLines(const Outcome& outcome, std::string_view input) {
  const int id = OutcomeMessageId(outcome);
  if (id == 0) return {};
  QStringList lines{
      FormatText(id, {QString::fromUtf8(input.data(), static_cast<qsizetype>(input.size()))})};
  // A temporary file that could not be made or written lies in the input's folder: the
  // message names the input, and the reason the folder.
  const bool inFolder =
      outcome.file == Outcome::File::kTemporary && outcome.failure != Outcome::Failure::kReplace;
  const std::string path =
      (inFolder || outcome.path.empty()) && !input.empty() ? std::string(input) : outcome.path;
  if (!path.empty()) {
    lines
        << Tr(QT_TRANSLATE_NOOP("OutcomeText", "Soubor: %1")).arg(QFile::decodeName(path.c_str()));
  }
  QString reason = FailureReason(outcome.failure);
  if (inFolder) {
    // The folder in full: a bare "." says little.
    reason = Tr(QT_TRANSLATE_NOOP("OutcomeText", "Do složky %1 nelze zapsat převedený text."))
                 .arg(QDir(QFile::decodeName(outcome.path.c_str())).absolutePath());
  }
  if (outcome.error != 0) {
    const QString system = QString::fromLocal8Bit(std::strerror(outcome.error));
    reason = reason.isEmpty() ? system : reason + QStringLiteral(" (") + system + QLatin1Char(')');
  }
  if (!reason.isEmpty()) lines << Tr(QT_TRANSLATE_NOOP("OutcomeText", "Důvod: %1")).arg(reason);
  return lines;
}

}  // namespace pismovar
