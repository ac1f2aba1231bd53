#include "app/loss_report.h"

#include <QFile>

#include "res/translated_text.h"

namespace pismovar {

void LossReport::Add(std::string_view name, std::uint64_t count) {
  if (count == 0) return;
  m_total += count;
  // The clipboard's text loses characters both on its way in and in the conversion.
  if (m_names.empty() || m_names.back() != name) m_names.emplace_back(name);
}

QString LossReport::Message() const {
  QString files;
  for (std::size_t i = 0; i < m_names.size() && i < kListedFiles; ++i) {
    if (i != 0) files += u'\n';
    files += QFile::decodeName(m_names[i].c_str());
  }
  if (m_names.size() > kListedFiles) files += QStringLiteral("\n…");
  return FormatText(IDS_CHARS_NO_PLACE, {QString::number(m_total), files});
}

}  // namespace pismovar
