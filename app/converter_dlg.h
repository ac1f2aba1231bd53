// The main dialog "Konverze češtiny": the input (files or the clipboard), the input code
// page and line end, the output and its code page and line end, and the conversion run.
// A conversion or a full detection runs on its worker (conversion_worker.h) with a snapshot of
// the choices; what the work reports comes back to the dialog's thread.
#pragma once

#include <QDialog>
#include <QMessageBox>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>
#include <string>
#include <vector>

#include "app/conversion_worker.h"
#include "app/loss_report.h"
#include "engine/code_page.h"
#include "engine/converter.h"
#include "engine/detect.h"
#include "engine/file_list.h"
#include "engine/transcoder.h"

class CProgressDlg;

class CConverterDlg : public QDialog {
 public:
  explicit CConverterDlg(QWidget* parent = nullptr);
  ~CConverterDlg() override;

  // Shows the fields in the controls and, in auto-run mode, posts the start of the run;
  // otherwise applies the enabling rules. Call once, after the fields have been set.
  void OnInitDialog();

  // true: read every control into its field; false: write every field into its control.
  // Control notifications are ignored while either runs.
  void UpdateData(bool bSaveAndValidate);

  // Enables "Proveď konverzi" when there is an input and an output.
  void UpdateConvertButton();

  // The handlers of the dialog's commands.
  void OnConvert();
  void OnFullDetect();
  void OnBrowseInput();
  void OnBrowseOutput();
  void OnClipboardIn();
  void OnClipboardOut();
  void OnDropFiles(const QStringList& paths);
  void OnCancelRequest();
  void OnTimer();
  void OnExit();
  void OnAbout();
  // F1 and "Nápověda": the help window with the command line's usage and the way to the about
  // box; also what "/?" on the command line shows.
  void OnHelp();
  void OnInputEdited();
  void OnInputEditingFinished();
  void OnInputChoiceClicked();
  // A signal asks the program to end: open questions close unanswered, a run stops as after
  // "Zrušit", and the dialog closes.
  void OnQuitRequest();

  // The exit status the program ends with: after an auto-run 0 when everything was
  // converted and 1 when something was not; else 0.
  int ExitCode() const { return m_nExitCode; }
  CProgressDlg* ProgressDlg() const { return m_pProgressDlg.get(); }

  // Whether the clipboard holds text; tests answer it.
  virtual bool ClipboardHasText();
  // Where the clipboard's text is kept while it is converted or examined.
  std::string ClipboardFileName() const;

  // Shows the message of a conversion's cancel or failure with the stop icon: the string
  // table's sentence, the file and the reason; nothing after a success.
  void ShowOutcome(const pismovar::Outcome& outcome, std::string_view input = {});
  // The same for a detection, whose cancel is no failure.
  void ShowDetectFailure(const pismovar::Outcome& outcome);

  // Shows what was wrong with the command line, and the usage, with the stop icon.
  void ShowBadUsage(const QString& text);

  // The text of the status line under the buttons.
  QString StatusText() const;
  // The text of button `index` of the radio group that starts with `firstRadioId`.
  QString Caption(int firstRadioId, int index) const;

  // The choices, and what is converted: one name, a list of m_nFileCount quoted names, or
  // the clipboard.
  int m_nCodeIn = pismovar::kCodeWin1250;
  int m_nCodeOut = pismovar::kCodeWin1250;
  int m_nLineEndIn = pismovar::kLineEndDos;
  int m_nLineEndOut = pismovar::kLineEndDos;
  std::string m_strInput;
  int m_nFileCount = 1;
  bool m_bClipboardIn = false;
  std::string m_strOutput;
  bool m_bClipboardOut = false;
  bool m_bAutoRun = false;
  bool m_bFirstPaint = true;
  int m_nFilesDone = 0;
  // The input code page and line end shown are what detection found, or what the files are
  // after a run in place; the user has not chosen them. Then each file of a list is converted
  // from its own.
  bool m_bInputDetected = false;

 protected:
  // The dialog's conversations with the user; tests answer them instead.
  virtual void MessageBox(QMessageBox::Icon icon, const QString& text);
  // Asks a question with "Ano" and "Ne"; true for "Ano".
  virtual bool AskYesNo(const QString& text);
  // The file dialogs, starting in `folder`.
  virtual QStringList AskOpenFileNames(const QStringList& filters, const QString& folder);
  virtual QString AskSaveFileName(const QStringList& filters, const QString& folder);

  void accept() override;
  void reject() override;
  // Every way the dialog closes remembers the user's choices for the next start.
  void done(int result) override;
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // The worker the runs go through; tests give it their seams.
  ConversionWorker& Worker() { return m_worker; }
  // Sends drags over the name fields to the dialog's own handlers.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  enum class RunEnd { kNormal, kCancelledList, kNoClipboardText };
  struct RunOutcome {
    RunEnd end = RunEnd::kNormal;
    bool allConverted = false;  // every file of the run, or the clipboard, was converted
    bool inPlace = false;       // the files were converted in place
    int files = 0;              // how many files the run was to convert
  };
  class BusyScope;

  RunOutcome RunConversion();
  // The choices the controls show, as the engine takes them.
  pismovar::Choices RunChoices() const;
  // Converts the files `names` in place, in batches.
  RunOutcome ConvertListInPlace(const std::vector<std::string>& names);
  // Whether the held batch may take its files' places: asks when it would replace characters
  // (unless the run was started by switches).
  bool ApproveBatch(bool& allConverted);
  // The file a detection reads: the input, the first file of a list, or the clipboard's text
  // written to its file; a failure when the clipboard holds no text.
  pismovar::Outcome DetectionInput(std::string& path);
  // Runs the quick detection of the input and notes that the choices are its guess; offers to
  // repair a file that it finds damaged, with `offerRepair`.
  void DetectInput(bool offerRepair = true);
  // Asks whether to undo the misreading that `guess` found in the file `path`, and undoes it.
  void OfferRepair(const std::string& path, const pismovar::Guess& guess);
  // Takes a detection's guess into the input choices and shows it.
  void StoreGuess(const pismovar::Guess& guess);
  // Says in the status line what detection found and how sure it is, or what damage it saw.
  void ShowGuess(const pismovar::Guess& guess);
  // Makes `paths` the input, and in place the output, then detects the first.
  void TakeInputFiles(const QStringList& paths);
  void EndProgress();
  void ShowContextMenu(const QPoint& globalPos);
  void RequestCloseAfterRun();
  void EnableOutputName(bool enable);
  // The choices remembered from the last time the program ran: the output code page and line
  // end, the width of the window and the folder of the last file chosen.
  void RestoreSettings();
  void SaveSettings();
  // Notes the folder of `chosen` as the one the file dialogs start in next.
  void RememberFolder(const QString& chosen);

  std::unique_ptr<CProgressDlg> m_pProgressDlg;
  ConversionWorker m_worker;
  QTimer m_timer;
  // The private folder of "Clipboard.tmp", removed with the dialog at the program's end.
  QTemporaryDir m_tempDir;
  bool m_bExchanging = false;
  bool m_bBusy = false;
  bool m_bCloseRequested = false;
  bool m_bQuitting = false;
  // The input last examined by quick detection, so that leaving the field unchanged does not
  // examine it again.
  std::string m_strDetectedInput;
  // The files of the run under way converted from a code page other than the one shown.
  QStringList m_ownCodePageFiles;
  int m_nShownCodeIn = 0;
  int m_nFilesConverted = 0;
  int m_nExitCode = 0;
  // The folder the file dialogs start in: the one the user last chose a file in.
  QString m_strLastFolder;
  // What the run under way replaced, shown once it is over, and what the batch under way
  // would replace, asked about before it takes its files' places.
  pismovar::LossReport m_lossReport;
  pismovar::LossReport m_batchLosses;
};
