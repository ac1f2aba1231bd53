#include "app/converter_app.h"

#include "app/clipboard_bridge.h"
#include "app/converter_dlg.h"
#include "app/translations.h"

using namespace pismovar;

CConverterApp::CConverterApp(int& argc, char** argv) : QApplication(argc, argv) {
  InstallTranslations(*this);
}

int CConverterApp::InitInstance(const CommandLine& line) {
  int exitCode = 0;
  {
    CConverterDlg dlg;
    // A help request, and a switch no radio button can show, give the usage message and an
    // untouched dialog.
    if (line.bHelp || !line.InRange()) {
      dlg.ShowUsage();
    } else {
      dlg.m_nCodeIn = line.nCodeIn;
      dlg.m_nLineEndIn = line.nLineEndIn;
      dlg.m_nCodeOut = line.nCodeOut;
      dlg.m_nLineEndOut = line.nLineEndOut;
      dlg.m_bAutoRun = line.bAutoRun;
      dlg.m_bClipboardIn = line.bClipboard;
      dlg.m_bClipboardOut = line.bClipboard;
      dlg.m_strInput = line.strName;
      dlg.m_strOutput = line.strName;
    }
    dlg.OnInitDialog();
    dlg.exec();
    exitCode = dlg.ExitCode();
  }
  KeepClipboardAfterExit();
  return exitCode;
}
