#include "app/loss_report.h"

#include <QCoreApplication>
#include <QFile>

#include "ui/translated_text.h"

namespace pismovar {

void LossReport::Add(std::string_view name, std::uint64_t count) {
  if (count == 0) return;
  m_total += count;
  // The clipboard's text loses characters both on its way in and in the conversion.
  if (m_names.empty() || m_names.back() != name) m_names.emplace_back(name);
}

void LossReport::Add(std::string_view name, const Utf8Losses& losses) {
  Add(name, losses.replaced);
  if (losses.malformed == 0) return;
  if (m_malformed == 0) {
    m_firstMalformedAt = losses.firstMalformed;
    m_firstMalformedFile = name;
  }
  m_malformed += losses.malformed;
}

void LossReport::Add(const LossReport& other) {
  for (const std::string& name : other.m_names) {
    if (m_names.empty() || m_names.back() != name) m_names.push_back(name);
  }
  m_total += other.m_total;
  if (m_malformed == 0 && other.m_malformed != 0) {
    m_firstMalformedAt = other.m_firstMalformedAt;
    m_firstMalformedFile = other.m_firstMalformedFile;
  }
  m_malformed += other.m_malformed;
}

QString LossReport::ListedFiles() const {
  QString files;
  for (std::size_t i = 0; i < m_names.size() && i < kListedFiles; ++i) {
    if (i != 0) files += u'\n';
    files += QFile::decodeName(m_names[i].c_str());
  }
  if (m_names.size() > kListedFiles) files += QStringLiteral("\n…");
  return files;
}

QString LossReport::MalformedText() const {
  return FormatText(IDS_MALFORMED_UTF8,
                    {QString::number(m_malformed), QString::number(m_firstMalformedAt)}) +
         u'\n' +
         QCoreApplication::translate("OutcomeText", "Soubor: %1")
             .arg(QFile::decodeName(m_firstMalformedFile.c_str()));
}

QString LossReport::Message() const {
  QStringList parts;
  if (m_total != 0)
    parts << FormatText(IDS_CHARS_NO_PLACE, {QString::number(m_total), ListedFiles()});
  if (m_malformed != 0) parts << MalformedText();
  return parts.join(QStringLiteral("\n\n"));
}

QString LossReport::Question() const {
  QStringList parts;
  if (m_total != 0) {
    parts << FormatText(IDS_CHARS_NO_PLACE_ASK, {QString::number(m_total), ListedFiles()});
  }
  if (m_malformed != 0) parts << MalformedText();
  parts << LoadText(IDS_REPLACE_ANYWAY);
  return parts.join(QStringLiteral("\n\n"));
}

}  // namespace pismovar
