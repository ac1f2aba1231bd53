// The progress window "Průběh" that stands beside the main dialog during a conversion run or
// a full detection: a line of text, a bar for the current file, a bar for the files of a
// list, and "Zrušit", which asks the main dialog to stop. Closing the window asks the same.
#pragma once

#include <QDialog>

class CConverterDlg;
class QProgressBar;
class QLabel;

class CProgressDlg : public QDialog {
 public:
  explicit CProgressDlg(CConverterDlg* owner);

  // Builds the window afresh from its layout, so every run starts with the layout's text and
  // both bars visible at 0, and places it beside the owner. The caller shows it.
  void Create();
  // Removes the window; the object stays ready for the next Create.
  void DestroyWindow();

  QProgressBar* FileBar() const;
  QProgressBar* ListBar() const;
  QLabel* Text() const;

  // Shows or hides the bar of a list's files; without it the window closes up, with no gap
  // where the bar stood.
  void ShowListBar(bool show);
  // Names the file under way: `name` alone, or with its place in a list of `count` files.
  void ShowFile(const QString& name, int number, int count);
  // The text of a run is complete and goes to disk: the file bar moves without an end.
  void ShowWritingToDisk();

  // true while a conversion run is under way (a full detection leaves it false).
  bool m_bRunning = false;

 protected:
  // Esc, the close box and the window manager's close ask to stop, as "Zrušit" does; the
  // window stays until the run has stopped.
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  // Places the window 17 pixels right of and 130 below the owner's top-left corner.
  void OnInitDialog();
  // Posts the cancel request to the owner; every press posts one more.
  void OnCancelButton();

  CConverterDlg* m_pOwner;
};
