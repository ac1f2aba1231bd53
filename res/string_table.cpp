#include "res/string_table.h"

#include <array>
#include <utility>

// Marks a text for Qt's translation tools, which read it from this file; the table itself
// stays free of Qt, and the desktop program translates what it loads.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(context, text) text
#endif

namespace pismovar {
namespace {

constexpr std::array<std::pair<int, std::string_view>, 21> kStrings{{
    {IDS_ABOUTBOX, QT_TRANSLATE_NOOP("StringTable", "&O programu Pismovar...")},
    {IDS_INPUT_OPEN_FAILED, QT_TRANSLATE_NOOP("StringTable", "Vstupní soubor není možné otevřít!")},
    {IDS_OUTPUT_OPEN_FAILED,
     QT_TRANSLATE_NOOP("StringTable", "Výstupní soubor není možné otevřít!")},
    {IDS_DETECTING,
     QT_TRANSLATE_NOOP("StringTable", "Detekuji kodování a konce řádků vstupního souboru.")},
    {IDS_DETECT_CANCELLED,
     QT_TRANSLATE_NOOP("StringTable",
                       "Detekce přerušena uživatelem po stlačení tlačítka 'Zrušit'!")},
    {IDS_RENAME_FAILED,
     QT_TRANSLATE_NOOP("StringTable", "Chyba: Nelze přejmenovat dočasný soubor Temp.tmp na \n%s!")},
    {IDS_CONVERT_CANCELLED,
     QT_TRANSLATE_NOOP("StringTable",
                       "Konverze přerušena uživatelem po stlačení tlačítka 'Zrušit'!")},
    {IDS_INPUT_FILTER,
     QT_TRANSLATE_NOOP(
         "StringTable",
         "Textové soubory (*.txt)|*.txt|TeX/LaTeX soubory (*.tex)|*.tex|Web soubory "
         "(*.htm;*.html)|*.htm;*.html|Programy (*.c;*.cpp;*.h;*.bas)|*.c;*.cpp;*.h;*.bas|Všechny "
         "soubory (*.*)|*.*||")},
    {IDS_OUTPUT_FILTER, QT_TRANSLATE_NOOP("StringTable", "Všechny soubory (*.*)|*.*||")},
    {IDS_VERSION, QT_TRANSLATE_NOOP("StringTable", "Pismovar verze 3.5.0")},
    {IDS_USAGE,
     QT_TRANSLATE_NOOP(
         "StringTable",
         "Parametry programu Pismovar:\n"
         "\n"
         "%s [/ab [/cd]] [soubor... | Clipboard]\n"
         "%s -h | --help | -V | --version\n"
         "\n"
         "Kódová stránka:\n"
         "a, c \t 0-Win, 1-Kam, 2-Lat, 3-ISO, 4-Mac, 5-Koi8čs, 6-ASC, 7-UTF-8\n"
         "\n"
         "Konce řádků:\n"
         "b, d \t 0-Win, 1-Mac, 2-Unix\n"
         "\n"
         "Názvy souborů:\n"
         "soubor...\t provede konverzi zadaných souborů, každého na jeho místě\n"
         "Clipboard\t provede konverzi schránky\n"
         "\n"
         "Volby:\n"
         "-h, --help\t vypíše tuto nápovědu\n"
         "-V, --version\t vypíše verzi programu\n"
         "\n"
         "S přepínači program převede soubory hned a skončí s kódem 0, když převedl všechny, "
         "jinak s kódem 1.\n"
         "\n"
         "Příklad:\n"
         "%s /41 /00 email.txt\n"
         "Tímto příkazem zkonvertujeme soubor email.txt z kódování Macintosh do Windows a konce "
         "řádků se převedou z Macintosh na Windows.")},
    {IDS_IO_FAILED, QT_TRANSLATE_NOOP("StringTable", "Soubor není možné přečíst nebo zapsat!")},
    {IDS_NOT_CONVERTIBLE,
     QT_TRANSLATE_NOOP("StringTable", "Text nelze převést beze ztráty znaků!")},
    {IDS_CHARS_REPLACED, QT_TRANSLATE_NOOP("StringTable", "Nahrazeno znaků: %s")},
    {IDS_MALFORMED_UTF8,
     QT_TRANSLATE_NOOP("StringTable", "Neplatných sekvencí UTF-8: %s, první na pozici %s")},
    {IDS_CHARS_NO_PLACE,
     QT_TRANSLATE_NOOP("StringTable",
                       "Počet znaků, pro které výstupní kódování nemá místo: %s\n"
                       "Byly nahrazeny podobnými znaky nebo otazníkem v souborech:\n%s")},
    {IDS_CHARS_NO_PLACE_ASK,
     QT_TRANSLATE_NOOP("StringTable",
                       "Počet znaků, pro které výstupní kódování nemá místo: %s\n"
                       "Budou nahrazeny podobnými znaky nebo otazníkem v souborech:\n%s")},
    {IDS_REPLACE_ANYWAY,
     QT_TRANSLATE_NOOP("StringTable",
                       "Převést soubory přesto? Ne ponechá všechny tyto soubory, jak byly.")},
    {IDS_CONVERT_CLOSED,
     QT_TRANSLATE_NOOP("StringTable", "Konverze přerušena, protože se program zavírá.")},
    {IDS_FILES_CONVERTED, QT_TRANSLATE_NOOP("StringTable", "Převedeno souborů: %s z %s")},
    {IDS_OWN_CODE_PAGE,
     QT_TRANSLATE_NOOP("StringTable",
                       "Tyto soubory nebyly v kódování %s a byly převedeny z kódování, které v "
                       "nich program rozpoznal:\n%s")},
}};

}  // namespace

int OutcomeMessageId(const Outcome& outcome) {
  using Failure = Outcome::Failure;
  if (outcome.result == Outcome::kCancelled) return IDS_CONVERT_CANCELLED;
  switch (outcome.failure) {
    case Failure::kNone:
    case Failure::kChoices:
    case Failure::kNoText:
    case Failure::kRepeated:  // already converted under another name: nothing went wrong
      return 0;
    case Failure::kInputOpen:
    case Failure::kNotRegular:
      return IDS_INPUT_OPEN_FAILED;
    case Failure::kOutputOpen:
    case Failure::kSameFile:
      return IDS_OUTPUT_OPEN_FAILED;
    case Failure::kReplace:
      return IDS_RENAME_FAILED;
    case Failure::kLossy:
      return IDS_NOT_CONVERTIBLE;
    case Failure::kRead:
    case Failure::kWrite:
    case Failure::kChanged:
    case Failure::kOwnerNotKept:
    case Failure::kAttributesNotKept:
    case Failure::kSymlink:
    case Failure::kLocked:
    case Failure::kNoMemory:
      break;
  }
  return IDS_IO_FAILED;
}

std::string_view LoadString(int id) {
  for (const auto& [key, text] : kStrings) {
    if (key == id) return text;
  }
  return {};
}

std::string FormatString(int id, std::string_view arg) { return FormatString(id, {arg}); }

std::string FormatString(int id, std::initializer_list<std::string_view> args) {
  std::string text(LoadString(id));
  std::size_t pos = 0;
  for (std::string_view arg : args) {
    pos = text.find("%s", pos);
    if (pos == std::string::npos) break;
    text.replace(pos, 2, arg);
    pos += arg.size();
  }
  return text;
}

}  // namespace pismovar
