#include "ui/translated_text.h"

#include <QCoreApplication>
#include <string>

#include "res/string_table.h"

namespace pismovar {

QString TranslatedText(const char* context, std::string_view text) {
  if (text.empty()) return {};
  // The views point into string literals, but nothing promises that; the copy ends in a null.
  return QCoreApplication::translate(context, std::string(text).c_str());
}

QString LoadText(int id) { return TranslatedText(kStringTableContext, LoadString(id)); }

QString FormatText(int id, std::initializer_list<QString> args) {
  QString text = LoadText(id);
  qsizetype pos = 0;
  for (const QString& arg : args) {
    pos = text.indexOf(QLatin1String("%s"), pos);
    if (pos < 0) break;
    text.replace(pos, 2, arg);
    pos += arg.size();
  }
  return text;
}

}  // namespace pismovar
