#include "app/file_filters.h"

namespace pismovar {

QStringList NameFilters(const QString& table) {
  const QStringList items = table.split(QLatin1Char('|'));
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
