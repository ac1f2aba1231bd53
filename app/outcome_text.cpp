#include "app/outcome_text.h"

#include <QCoreApplication>
#include <QFile>
#include <cstring>
#include <string>

#include "res/string_table.h"

namespace pismovar {
namespace {

QString Tr(const char* text) { return QCoreApplication::translate("OutcomeText", text); }

// Why the engine gave up, in words, for the failures that are not a failed system call alone.
QString FailureReason(Outcome::Failure failure) {
  using Failure = Outcome::Failure;
  switch (failure) {
    case Failure::kNotRegular:
      return Tr("Není to obyčejný soubor, ale složka, roura nebo zařízení.");
    case Failure::kSameFile:
      return Tr("Výstupní soubor je vstupní soubor.");
    case Failure::kChanged:
      return Tr(
          "Jiný program soubor během konverze změnil, přesunul nebo nahradil; soubor "
          "zůstal, jak byl.");
    case Failure::kLocked:
      return Tr("Tento soubor právě převádí jiná konverze.");
    case Failure::kSymlink:
      return Tr("Je to symbolický odkaz.");
    case Failure::kOwnerNotKept:
      return Tr(
          "Převedený soubor nemůže převzít vlastníka a skupinu původního; soubor zůstal, "
          "jak byl.");
    case Failure::kAttributesNotKept:
      return Tr(
          "Převedený soubor nemůže převzít přístupová práva, ACL nebo rozšířené atributy "
          "původního; soubor zůstal, jak byl.");
    default:
      return {};
  }
}

}  // namespace

QStringList OutcomeLines(const Outcome& outcome, std::string_view input) {
  const int id = OutcomeMessageId(outcome);
  if (id == 0) return {};
  const std::string sentence = FormatString(id, input);
  QStringList lines{QString::fromUtf8(sentence.data(), static_cast<qsizetype>(sentence.size()))};
  const std::string path = outcome.path.empty() ? std::string(input) : outcome.path;
  if (!path.empty()) {
    // A temporary file that could not be made or written is named by its folder.
    const bool folder =
        outcome.file == Outcome::File::kTemporary && outcome.failure != Outcome::Failure::kReplace;
    lines << (folder ? Tr("Složka: %1") : Tr("Soubor: %1")).arg(QFile::decodeName(path.c_str()));
  }
  QString reason = FailureReason(outcome.failure);
  if (outcome.error != 0) {
    const QString system = QString::fromLocal8Bit(std::strerror(outcome.error));
    reason = reason.isEmpty() ? system : reason + QStringLiteral(" (") + system + QLatin1Char(')');
  }
  if (!reason.isEmpty()) lines << Tr("Důvod: %1").arg(reason);
  return lines;
}

}  // namespace pismovar
