// The string table's filters become Qt name filters that select the same files.
#include "app/file_filters.h"

#include <gtest/gtest.h>

#include "ui/translated_text.h"

namespace pismovar {
namespace {

TEST(NameFilters, InputFilterGivesFiveEntriesWithBlankSeparatedPatterns) {
  const QStringList filters = NameFilters(LoadText(IDS_INPUT_FILTER));
  const QStringList expected{
      QStringLiteral("Textové soubory (*.txt)"), QStringLiteral("TeX/LaTeX soubory (*.tex)"),
      QStringLiteral("Web soubory (*.htm *.html)"),
      QStringLiteral("Programy (*.c *.cpp *.h *.bas)"), QStringLiteral("Všechny soubory (*)")};
  EXPECT_EQ(filters, expected);
}

TEST(NameFilters, OutputFilterTakesEveryFile) {
  EXPECT_EQ(NameFilters(LoadText(IDS_OUTPUT_FILTER)),
            QStringList{QStringLiteral("Všechny soubory (*)")});
}

}  // namespace
}  // namespace pismovar
