#include "app/loss_report.h"

#include "res/string_table.h"

namespace pismovar {

void LossReport::Add(std::string_view name, std::uint64_t count) {
  if (count == 0) return;
  m_total += count;
  // The clipboard's text loses characters both on its way in and in the conversion.
  if (m_names.empty() || m_names.back() != name) m_names.emplace_back(name);
}

std::string LossReport::Message() const {
  std::string files;
  for (std::size_t i = 0; i < m_names.size() && i < kListedFiles; ++i) {
    files += (i == 0 ? "" : "\n") + m_names[i];
  }
  if (m_names.size() > kListedFiles) files += "\n…";
  return FormatString(IDS_CHARS_NO_PLACE, {std::to_string(m_total), files});
}

}  // namespace pismovar
