#include "app/command_line.h"

#include <QCoreApplication>
#include <algorithm>
#include <cctype>

#include "engine/code_page.h"
#include "ui/translated_text.h"

namespace pismovar {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A classic switch "/ab" into `first` and `second`: false when the word is not one.
bool ReadSwitch(std::string_view word, int& first, int& second) {
  if (word.size() < 2 || word.size() > 3 || !std::all_of(word.begin() + 1, word.end(), IsDigit)) {
    return false;
  }
  first = word[1] - '0';
  second = word.size() == 3 ? word[2] - '0' : 0;
  return true;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

// The help and version options win over everything else on the line, wherever they stand.
CommandAction RequestedAction(const std::vector<std::string>& arguments) {
  CommandAction action = CommandAction::kDialog;
  for (std::size_t i = 1; i < arguments.size() && arguments[i] != "--"; ++i) {
    const std::string_view word = arguments[i];
    if (word == "-h" || word == "--help") return CommandAction::kPrintUsage;
    if (word == "-V" || word == "--version") {
      action = CommandAction::kPrintVersion;
    } else if (action == CommandAction::kDialog &&
               (word.starts_with("/?") || word.starts_with("/help"))) {
      action = CommandAction::kUsageDialog;
    }
  }
  return action;
}

}  // namespace

std::string ProgramName(const std::string& started) {
  const std::string name = started.substr(started.rfind('/') + 1);
  return name.empty() ? "pismovar" : name;
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  line.strProgram = ProgramName(arguments.empty() ? std::string{} : arguments.front());
  line.action = RequestedAction(arguments);
  if (line.action != CommandAction::kDialog) return line;

  int switches = 0;
  bool namesOnly = false;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    std::string word = arguments[i];
    if (!namesOnly && word == "--") {
      namesOnly = true;
      continue;
    }
    const bool isOption = word.size() > 1 && word[0] == '-';
    const bool isSwitch = word.size() <= 3 && word.starts_with('/');
    if (!namesOnly && (isOption || isSwitch)) {
      int first = 0;
      int second = 0;
      if (isOption || !ReadSwitch(word, first, second) || switches == 2 ||
          !IsValidTextEncoding(first) || !IsValidLineEnd(second)) {
        line.action = CommandAction::kBadUsage;
        line.strBadSwitch = word;
        return line;
      }
      if (switches++ == 0) {
        line.nCodeIn = first;
        line.nLineEndIn = second;
      } else {
        line.nCodeOut = first;
        line.nLineEndOut = second;
      }
      line.bAutoRun = true;
      continue;
    }
    std::erase(word, '"');
    line.names.push_back(std::move(word));
  }
  line.bClipboard = line.names.size() == 1 && EqualsIgnoringCase(line.names[0], "Clipboard");
  return line;
}

QString UsageText(std::string_view program) {
  const QString name = QString::fromUtf8(program.data(), static_cast<qsizetype>(program.size()));
  return FormatText(IDS_USAGE, {name, name, name});
}

QString BadUsageText(const CommandLine& line) {
  return QCoreApplication::translate("CommandLine", "Neplatný přepínač: %1")
             .arg(QString::fromStdString(line.strBadSwitch)) +
         QStringLiteral("\n\n") + UsageText(line.strProgram);
}

}  // namespace pismovar
