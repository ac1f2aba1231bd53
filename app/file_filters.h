// The file dialogs' filters. The string table writes them as "description|patterns|...||"
// with ";" between patterns; Qt wants "description (patterns)" with blanks between them.
#pragma once

#include <QString>
#include <QStringList>

namespace pismovar {

// One Qt name filter per description. The patterns in the description's parentheses are
// those applied; "*.*", which means every file in the table's notation, becomes "*".
QStringList NameFilters(const QString& table);

}  // namespace pismovar
