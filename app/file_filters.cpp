#include "app/file_filters.h"

#include <QString>

namespace pismovar {

QStringList NameFilters(std::string_view table) {
  const QString text = QString::fromUtf8(table.data(), static_cast<qsizetype>(table.size()));
  const QStringList items = text.split(QLatin1Char('|'));
  QStringList filters;
  // Pairs of description and patterns, up to the empty item of the closing "||".
  for (qsizetype i = 0; i + 1 < items.size() && !items[i].isEmpty(); i += 2) {
    QStringList patterns = items[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
      if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
    }
    QString description = items[i];
    if (const qsizetype open = description.lastIndexOf(QLatin1Char('(')); open > 0) {
      description.truncate(open);
    }
    filters << description.trimmed() + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                   QLatin1Char(')');
  }
  return filters;
}

}  // namespace pismovar
