#include "app/converter_app.h"

#include <algorithm>

#include "app/clipboard_bridge.h"
#include "app/console_run.h"
#include "app/converter_dlg.h"
#include "app/quit_signals.h"
#include "app/translations.h"
#include "engine/file_list.h"

using namespace pismovar;

CConverterApp::CConverterApp(int& argc, char** argv) : QApplication(argc, argv) {
  InstallTranslations(*this);
}

int CConverterApp::InitInstance(const CommandLine& line) {
  int exitCode = kExitSuccess;
  {
    CConverterDlg dlg;
    const QuitSignals quitSignals([&dlg] { dlg.OnQuitRequest(); });
    if (line.action == CommandAction::kBadUsage) {
      // Whoever started the program from a terminal reads it there; a window tells the rest.
      PrintBadUsage(line);
      dlg.ShowBadUsage(BadUsageText(line));
      return kExitBadUsage;
    }
    // A help request gives the help window and an untouched dialog.
    if (line.action == CommandAction::kUsageDialog) {
      dlg.OnHelp();
    } else {
      // Without switches the output keeps the choices the dialog remembered.
      if (line.bAutoRun) {
        dlg.m_nCodeIn = line.nCodeIn;
        dlg.m_nLineEndIn = line.nLineEndIn;
        dlg.m_nCodeOut = line.nCodeOut;
        dlg.m_nLineEndOut = line.nLineEndOut;
      }
      dlg.m_bAutoRun = line.bAutoRun;
      dlg.m_bClipboardIn = line.bClipboard;
      dlg.m_bClipboardOut = line.bClipboard;
      const std::vector<std::string> names = WithoutRepeats(line.names);
      dlg.m_strInput = BuildFileList(names);
      dlg.m_strOutput = dlg.m_strInput;
      dlg.m_nFileCount = std::max(static_cast<int>(names.size()), 1);
    }
    dlg.OnInitDialog();
    dlg.exec();
    exitCode = dlg.ExitCode();
  }
  // The dialog and its private folder are gone: a signal that asked to quit ends the program.
  QuitSignals::EndBySignal();
  KeepClipboardAfterExit();
  return exitCode;
}
