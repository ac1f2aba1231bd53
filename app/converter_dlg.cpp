#include "app/converter_dlg.h"

#include <sys/stat.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QUrl>
#include <iostream>
#include <utility>
#include <vector>

#include "about/about_dlg.h"
#include "app/clipboard_bridge.h"
#include "app/command_line.h"
#include "app/file_filters.h"
#include "app/help_dlg.h"
#include "app/outcome_text.h"
#include "app/progress_dlg.h"
#include "engine/code_page.h"
#include "engine/file_batch.h"
#include "engine/file_list.h"
#include "res/dialog_ids.h"
#include "res/dialog_templates.h"
#include "res/string_table.h"
#include "ui/dialog_layout.h"
#include "ui/program_resources.h"
#include "ui/translated_text.h"

using namespace pismovar;

namespace {

constexpr int kTimerMilliseconds = 100;
constexpr const char* kClipboardFile = "Clipboard.tmp";

QString PathToText(const std::string& path) { return QFile::decodeName(path.c_str()); }
std::string TextToPath(const QString& text) { return QFile::encodeName(text).toStdString(); }

// What the program remembers for the user, in the user's configuration folder
// ($XDG_CONFIG_HOME/pismovar/pismovar.conf, ~/.config by default).
constexpr const char* kCodeOutKey = "output/codePage";
constexpr const char* kLineEndOutKey = "output/lineEnd";
constexpr const char* kWidthKey = "window/width";
constexpr const char* kFolderKey = "files/lastFolder";

std::unique_ptr<QSettings> UserSettings() {
  return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                     QStringLiteral("pismovar"), QStringLiteral("pismovar"));
}

// The name the program was started by, as its messages and usage name it.
std::string StartedName() {
  const QStringList arguments = QCoreApplication::arguments();
  return ProgramName(arguments.isEmpty() ? std::string{} : arguments.front().toStdString());
}

// The clipboard holds characters: a UTF-8 side of a conversion takes them all as they are.
ClipboardBytes ClipboardForm(int codePage) {
  return codePage == kCodeUtf8 ? ClipboardBytes::kUtf8 : ClipboardBytes::kWindows1250;
}

}  // namespace

// Holds off everything that would start a run, a detection, a browse or a change of the
// settings while a run or a full detection is under way: the handlers return at once, and
// every control but "Konec" is disabled until the end, then given back its former state.
class CConverterDlg::BusyScope {
 public:
  explicit BusyScope(CConverterDlg& dlg) : m_dlg(dlg), m_pFocus(dlg.focusWidget()) {
    m_dlg.m_bBusy = true;
    for (QWidget* child : m_dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (child->isWindow() || child == DialogItem(m_dlg, IDC_EXIT)) continue;
      m_saved.emplace_back(child, child->isEnabled());
      child->setEnabled(false);
    }
  }
  ~BusyScope() {
    for (const auto& [child, enabled] : m_saved) child->setEnabled(enabled);
    m_dlg.m_bBusy = false;
    // The keyboard comes back to the dialog, where it was before.
    if (m_dlg.isVisible()) {
      m_dlg.activateWindow();
      if (m_pFocus && m_pFocus->isEnabled()) m_pFocus->setFocus(Qt::OtherFocusReason);
    }
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  CConverterDlg& m_dlg;
  QPointer<QWidget> m_pFocus;
  std::vector<std::pair<QWidget*, bool>> m_saved;
};

CConverterDlg::CConverterDlg(QWidget* parent)
    : QDialog(parent), m_pProgressDlg(std::make_unique<CProgressDlg>(this)), m_worker(*this) {
  BuildDialog(*this, kConverterDialogTemplate);
  setWindowIcon(ProgramIcon());
  setAcceptDrops(true);
  // The name fields would insert a dropped file's path at the cursor; the drop belongs to
  // the whole dialog.
  for (int id : {IDC_INPUT, IDC_OUTPUT}) DialogItem(*this, id)->installEventFilter(this);
  const std::pair<int, const char*> accessibleNames[] = {
      {IDC_INPUT, QT_TRANSLATE_NOOP("CConverterDlg", "Vstupní soubor")},
      {IDC_BROWSE_INPUT, QT_TRANSLATE_NOOP("CConverterDlg", "Vybrat vstupní soubory")},
      {IDC_OUTPUT, QT_TRANSLATE_NOOP("CConverterDlg", "Výstupní soubor")},
      {IDC_BROWSE_OUTPUT, QT_TRANSLATE_NOOP("CConverterDlg", "Vybrat výstupní soubor")}};
  for (const auto& [id, name] : accessibleNames) {
    DialogItem(*this, id)->setAccessibleName(QCoreApplication::translate("CConverterDlg", name));
  }
  auto button = [this](int id) { return DialogItem<QPushButton>(*this, id); };
  connect(button(IDC_FULL_DETECT), &QPushButton::clicked, this, &CConverterDlg::OnFullDetect);
  connect(button(IDC_BROWSE_INPUT), &QPushButton::clicked, this, &CConverterDlg::OnBrowseInput);
  connect(button(IDC_BROWSE_OUTPUT), &QPushButton::clicked, this, &CConverterDlg::OnBrowseOutput);
  connect(button(IDC_CONVERT), &QPushButton::clicked, this, &CConverterDlg::OnConvert);
  connect(button(IDC_EXIT), &QPushButton::clicked, this, &CConverterDlg::OnExit);
  connect(DialogItem<QLineEdit>(*this, IDC_INPUT), &QLineEdit::textChanged, this,
          &CConverterDlg::OnInputEdited);
  connect(DialogItem<QLineEdit>(*this, IDC_INPUT), &QLineEdit::editingFinished, this,
          &CConverterDlg::OnInputEditingFinished);
  for (int id : {IDC_CODE_IN, IDC_LINE_END_IN}) {
    connect(RadioGroup(*this, id), &QButtonGroup::buttonClicked, this,
            &CConverterDlg::OnInputChoiceClicked);
  }
  connect(DialogItem<QCheckBox>(*this, IDC_CLIPBOARD_IN), &QCheckBox::clicked, this,
          &CConverterDlg::OnClipboardIn);
  connect(DialogItem<QLineEdit>(*this, IDC_OUTPUT), &QLineEdit::textChanged, this, [this] {
    if (!m_bExchanging) UpdateConvertButton();
  });
  connect(DialogItem<QCheckBox>(*this, IDC_CLIPBOARD_OUT), &QCheckBox::clicked, this,
          &CConverterDlg::OnClipboardOut);

  m_timer.setInterval(kTimerMilliseconds);
  connect(&m_timer, &QTimer::timeout, this, &CConverterDlg::OnTimer);

  connect(button(IDC_HELP), &QPushButton::clicked, this, &CConverterDlg::OnHelp);
  connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
          &CConverterDlg::OnHelp);
  connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this), &QShortcut::activated, this,
          [this] { ShowContextMenu(mapToGlobal(QPoint(width() / 4, height() / 4))); });
  RestoreSettings();
}

CConverterDlg::~CConverterDlg() = default;

void CConverterDlg::OnInitDialog() {
  UpdateData(false);
  if (m_bAutoRun) {
    // The run starts once the dialog's event loop is up; the rules below stay unapplied.
    QMetaObject::invokeMethod(this, &CConverterDlg::OnConvert, Qt::QueuedConnection);
    return;
  }
  if (m_bClipboardIn) OnClipboardIn();
  if (m_bClipboardOut) OnClipboardOut();
  if (m_nFileCount > 1) EnableOutputName(false);
  UpdateConvertButton();
}

void CConverterDlg::UpdateData(bool bSaveAndValidate) {
  const bool wasExchanging = std::exchange(m_bExchanging, true);
  struct RadioField {
    int firstId;
    int& field;
  };
  const RadioField radios[] = {{IDC_CODE_IN, m_nCodeIn},
                               {IDC_CODE_OUT, m_nCodeOut},
                               {IDC_LINE_END_IN, m_nLineEndIn},
                               {IDC_LINE_END_OUT, m_nLineEndOut}};
  auto* input = DialogItem<QLineEdit>(*this, IDC_INPUT);
  auto* output = DialogItem<QLineEdit>(*this, IDC_OUTPUT);
  auto* clipboardIn = DialogItem<QCheckBox>(*this, IDC_CLIPBOARD_IN);
  auto* clipboardOut = DialogItem<QCheckBox>(*this, IDC_CLIPBOARD_OUT);
  if (bSaveAndValidate) {
    for (const RadioField& radio : radios)
      radio.field = RadioIndex(*RadioGroup(*this, radio.firstId));
    m_strInput = TextToPath(input->text());
    m_strOutput = TextToPath(output->text());
    m_bClipboardIn = clipboardIn->isChecked();
    m_bClipboardOut = clipboardOut->isChecked();
  } else {
    for (const RadioField& radio : radios)
      SetRadioIndex(*RadioGroup(*this, radio.firstId), radio.field);
    input->setText(PathToText(m_strInput));
    output->setText(PathToText(m_strOutput));
    clipboardIn->setChecked(m_bClipboardIn);
    clipboardOut->setChecked(m_bClipboardOut);
  }
  m_bExchanging = wasExchanging;
}

void CConverterDlg::UpdateConvertButton() {
  UpdateData(true);
  const bool hasInput = !m_strInput.empty() || m_bClipboardIn;
  const bool hasOutput = !m_strOutput.empty() || m_bClipboardOut;
  EnableDialogItem(*this, IDC_CONVERT, hasInput && hasOutput);
}

void CConverterDlg::OnInputEdited() {
  if (m_bExchanging) return;
  const std::string typed = TextToPath(DialogItem<QLineEdit>(*this, IDC_INPUT)->text());
  // An in-place pair stays one: the output follows the input's new name (the fields still
  // hold the names from before the edit).
  if (!m_strOutput.empty() && m_strOutput == m_strInput) {
    m_strOutput = typed;
    const bool wasExchanging = std::exchange(m_bExchanging, true);
    DialogItem<QLineEdit>(*this, IDC_OUTPUT)->setText(PathToText(typed));
    m_bExchanging = wasExchanging;
  }
  // Whatever is typed, the count follows the text, so a run never reads a plain name as a list.
  m_nFileCount = CountListNames(typed);
  UpdateConvertButton();
}

void CConverterDlg::OnInputEditingFinished() {
  if (m_bBusy || m_bClipboardIn) return;
  UpdateData(true);
  if (m_strInput.empty() || m_strInput == m_strDetectedInput) return;
  DetectInput();
}

void CConverterDlg::OnInputChoiceClicked() { m_bInputDetected = false; }

Choices CConverterDlg::RunChoices() const {
  Choices choices;
  choices.codeIn = m_nCodeIn;
  choices.codeOut = m_nCodeOut;
  choices.lineEndIn = m_nLineEndIn;
  choices.lineEndOut = m_nLineEndOut;
  return choices;
}

Outcome CConverterDlg::DetectionInput(std::string& path) {
  if (m_bClipboardIn) {
    if (!ClipboardHasText())
      return Outcome::Failed(Outcome::Failure::kNoText, Outcome::File::kInput, {});
    path = ClipboardFileName();
    // A text with characters Windows 1250 lacks is looked at as it stands, in UTF-8.
    std::uint64_t lost = 0;
    pismovar::ClipboardToFile(path, &lost);
    if (lost > 0) pismovar::ClipboardToFile(path, nullptr, ClipboardBytes::kUtf8);
  } else if (m_nFileCount > 1) {
    std::string list = m_strInput;
    path = TakeFirstListName(list).value_or(std::string{});
  } else {
    path = m_strInput;
  }
  return {};
}

void CConverterDlg::StoreGuess(const Guess& guess) {
  m_nCodeIn = guess.codePage;
  m_nLineEndIn = guess.lineEnd;
  UpdateData(false);
  m_bInputDetected = true;
  ShowGuess(guess);
}

void CConverterDlg::DetectInput(bool offerRepair) {
  UpdateData(true);
  m_strDetectedInput = m_strInput;
  std::string path;
  Outcome outcome = DetectionInput(path);
  Detection detection;
  if (outcome.result == Outcome::kDone) {
    // On the worker too: a file on a slow or hung disk does not freeze the windows.
    BusyScope busy(*this);
    detection = m_worker.Run([&](Converter& converter) { return converter.QuickDetect(path); });
    outcome = detection.outcome;
  }
  ShowDetectFailure(outcome);
  if (outcome.result != Outcome::kDone) return;
  StoreGuess(detection.guess);
  if (offerRepair) OfferRepair(path, detection.guess);
}

void CConverterDlg::OfferRepair(const std::string& path, const Guess& guess) {
  // The files of a list are repaired by the command-line tool.
  if (!guess.damage || (!m_bClipboardIn && m_nFileCount > 1)) return;
  const QString right = Caption(IDC_CODE_IN, guess.damage->right);
  const QString wrong = Caption(IDC_CODE_IN, guess.damage->wrong);
  const QString question =
      m_bClipboardIn
          ? QCoreApplication::translate(
                "CConverterDlg",
                "Text ve schránce vypadá jako %1 přečtené jako %2 a znovu uložené. Opravit ho?")
                .arg(right, wrong)
          : QCoreApplication::translate(
                "CConverterDlg",
                "Text souboru %1 vypadá jako %2 přečtené jako %3 a znovu uložené. Opravit ho?")
                .arg(PathToText(path), right, wrong);
  if (!AskYesNo(question)) return;
  Repaired repaired;
  {
    BusyScope busy(*this);
    repaired = m_worker.Run(
        [&](Converter& converter) { return converter.RepairFile(path, guess.codePage); });
  }
  ShowOutcome(repaired.outcome, path);
  if (repaired.outcome.result != Outcome::kDone || repaired.repair.passes == 0) return;
  // The clipboard's copy of its text was repaired; the clipboard takes it back.
  if (m_bClipboardIn) {
    if (std::unique_ptr<QMimeData> text = FileToClipboard(path, ClipboardForm(guess.codePage))) {
      QGuiApplication::clipboard()->setMimeData(text.release());
    }
  }
  // The choices follow the repaired text.
  DetectInput(false);
  DialogItem<QLabel>(*this, IDC_STATUS)
      ->setText(
          QCoreApplication::translate("CConverterDlg", "Opraveno: %1 přečtené jako %2, písmen: %3.")
              .arg(right, wrong)
              .arg(repaired.repair.characters));
}

QString CConverterDlg::Caption(int firstRadioId, int index) const {
  const QAbstractButton* button = RadioGroup(*this, firstRadioId)->button(index);
  return button ? button->text().remove(QLatin1Char('&')) : QString();
}

void CConverterDlg::ShowGuess(const Guess& guess) {
  const QString found = Caption(IDC_CODE_IN, guess.codePage) + QStringLiteral(", ") +
                        Caption(IDC_LINE_END_IN, guess.lineEnd);
  QString status;
  if (guess.damage) {
    status = QCoreApplication::translate("CConverterDlg",
                                         "Text vypadá jako %1 přečtené jako %2 a znovu uložené; "
                                         "opraví ho pismovar-cli --repair.")
                 .arg(Caption(IDC_CODE_IN, guess.damage->right),
                      Caption(IDC_CODE_IN, guess.damage->wrong));
  } else if (!guess.confident) {
    // The user has the last word: the choice shown is only the likeliest.
    status =
        guess.runnerUp != Guess::kNoRunnerUp
            ? QCoreApplication::translate("CConverterDlg",
                                          "Nejistý odhad: %1 (nebo %2). Ověřte kódování.")
                  .arg(found, Caption(IDC_CODE_IN, guess.runnerUp))
            : QCoreApplication::translate("CConverterDlg", "Nejistý odhad: %1. Ověřte kódování.")
                  .arg(found);
  } else {
    status = QCoreApplication::translate("CConverterDlg", "Rozpoznáno: %1 (jistota %2 %)")
                 .arg(found)
                 .arg(guess.ConfidencePercent());
  }
  DialogItem<QLabel>(*this, IDC_STATUS)->setText(status);
}

void CConverterDlg::EnableOutputName(bool enable) {
  EnableDialogItem(*this, IDC_OUTPUT, enable);
  EnableDialogItem(*this, IDC_BROWSE_OUTPUT, enable);
}

void CConverterDlg::OnClipboardIn() {
  if (m_bBusy) return;
  UpdateData(true);
  EnableDialogItem(*this, IDC_INPUT, !m_bClipboardIn);
  EnableDialogItem(*this, IDC_BROWSE_INPUT, !m_bClipboardIn);
  if (m_bClipboardIn && ClipboardHasText()) DetectInput();
  UpdateConvertButton();
}

void CConverterDlg::OnClipboardOut() {
  if (m_bBusy) return;
  UpdateData(true);
  EnableOutputName(!m_bClipboardOut);
  UpdateConvertButton();
}

void CConverterDlg::TakeInputFiles(const QStringList& paths) {
  std::vector<std::string> names;
  for (const QString& path : paths) names.push_back(TextToPath(path));
  names = WithoutRepeats(names);
  m_strInput = BuildFileList(names);
  m_strOutput = m_strInput;
  m_nFileCount = static_cast<int>(names.size());
  EnableOutputName(names.size() == 1);
  UpdateData(false);
  UpdateConvertButton();
  DetectInput();
}

void CConverterDlg::OnBrowseInput() {
  if (m_bBusy) return;
  const QStringList chosen =
      AskOpenFileNames(NameFilters(LoadText(IDS_INPUT_FILTER)), m_strLastFolder);
  if (chosen.isEmpty()) return;
  RememberFolder(chosen.constFirst());
  TakeInputFiles(chosen);
}

void CConverterDlg::OnBrowseOutput() {
  if (m_bBusy) return;
  const QString chosen = AskSaveFileName(NameFilters(LoadText(IDS_OUTPUT_FILTER)), m_strLastFolder);
  if (!chosen.isEmpty()) {
    RememberFolder(chosen);
    m_strOutput = TextToPath(chosen);
    UpdateData(false);
  }
  UpdateConvertButton();
}

void CConverterDlg::OnDropFiles(const QStringList& paths) {
  if (m_bBusy || paths.isEmpty()) return;
  TakeInputFiles(paths);
}

// The paths of a drag that carries local files only; empty for anything else (a web link,
// text), which the dialog refuses as a whole.
static QStringList DraggedFiles(const QMimeData* data) {
  QStringList paths;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) return {};
    paths << url.toLocalFile();
  }
  return paths;
}

void CConverterDlg::dragEnterEvent(QDragEnterEvent* event) {
  if (!m_bBusy && !DraggedFiles(event->mimeData()).isEmpty()) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void CConverterDlg::dragMoveEvent(QDragMoveEvent* event) {
  if (!m_bBusy && !DraggedFiles(event->mimeData()).isEmpty()) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void CConverterDlg::dropEvent(QDropEvent* event) {
  const QStringList paths = DraggedFiles(event->mimeData());
  if (paths.isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  OnDropFiles(paths);
}

bool CConverterDlg::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
      dragEnterEvent(static_cast<QDragEnterEvent*>(event));
      return true;
    case QEvent::DragMove:
      dragMoveEvent(static_cast<QDragMoveEvent*>(event));
      return true;
    case QEvent::DragLeave:
      return true;
    case QEvent::Drop:
      dropEvent(static_cast<QDropEvent*>(event));
      return true;
    default:
      return QDialog::eventFilter(watched, event);
  }
}

void CConverterDlg::OnFullDetect() {
  if (m_bBusy) return;
  std::string path;
  Detection detection;
  {
    BusyScope busy(*this);
    UpdateData(true);
    Outcome outcome = DetectionInput(path);
    if (outcome.result == Outcome::kDone) {
      m_pProgressDlg->Create();
      m_pProgressDlg->Text()->setText(LoadText(IDS_DETECTING));
      m_pProgressDlg->ShowListBar(false);
      m_pProgressDlg->show();
      m_timer.start();
      QApplication::setOverrideCursor(Qt::WaitCursor);
      detection = m_worker.Run([&](Converter& converter) { return converter.FullDetect(path); });
      QApplication::restoreOverrideCursor();
      EndProgress();
      outcome = detection.outcome;
    }
    ShowDetectFailure(outcome);
    // A cancelled detection still offers its guess from what it has read.
    if (outcome.result != Outcome::kFailed) StoreGuess(detection.guess);
  }
  if (detection.outcome.result == Outcome::kDone && !m_bCloseRequested) {
    OfferRepair(path, detection.guess);
  }
  if (m_bCloseRequested) QDialog::reject();
}

void CConverterDlg::OnConvert() {
  if (m_bBusy) return;
  RunOutcome outcome;
  {
    BusyScope busy(*this);
    outcome = RunConversion();
  }
  if (!m_lossReport.Empty()) MessageBox(QMessageBox::Warning, m_lossReport.Message());
  if (!m_ownCodePageFiles.isEmpty()) {
    MessageBox(QMessageBox::Information,
               FormatText(IDS_OWN_CODE_PAGE, {Caption(IDC_CODE_IN, m_nShownCodeIn),
                                              m_ownCodePageFiles.join(QLatin1Char('\n'))}));
  }
  if (outcome.end == RunEnd::kNoClipboardText) {
    MessageBox(QMessageBox::Critical,
               QCoreApplication::translate("CConverterDlg", "Schránka neobsahuje žádný text."));
  }
  // The names the run used for the clipboard go back to the ones shown.
  UpdateData(true);
  // The files converted in place are in the output's code page and line end now: a second
  // run from what the dialog shows changes nothing.
  if (outcome.inPlace && outcome.end == RunEnd::kNormal && m_nFilesConverted > 0) {
    m_nCodeIn = m_nCodeOut;
    m_nLineEndIn = m_nLineEndOut;
    UpdateData(false);
    m_bInputDetected = true;
  }
  if (outcome.end != RunEnd::kNoClipboardText) {
    DialogItem<QLabel>(*this, IDC_STATUS)
        ->setText(FormatText(IDS_FILES_CONVERTED,
                             {QString::number(m_nFilesConverted), QString::number(outcome.files)}));
  }
  // Whatever the end, the button follows its rule again.
  UpdateConvertButton();
  if (m_bAutoRun) {
    m_nExitCode = outcome.allConverted ? kExitSuccess : kExitFailed;
    // A list the user cancelled leaves the dialog open for them; any other auto-run quits.
    if (outcome.end != RunEnd::kCancelledList) {
      done(QDialog::Accepted);
      return;
    }
    m_bAutoRun = false;
  }
  if (m_bCloseRequested) QDialog::reject();
}

QString CConverterDlg::StatusText() const { return DialogItem<QLabel>(*this, IDC_STATUS)->text(); }

// Whether two names lead to one file.
static bool SameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  struct stat aStat {};
  struct stat bStat {};
  return ::stat(a.c_str(), &aStat) == 0 && ::stat(b.c_str(), &bStat) == 0 &&
         aStat.st_dev == bStat.st_dev && aStat.st_ino == bStat.st_ino;
}

CConverterDlg::RunOutcome CConverterDlg::RunConversion() {
  UpdateData(true);
  m_pProgressDlg->Create();
  m_pProgressDlg->show();
  m_pProgressDlg->m_bRunning = true;
  m_timer.start();
  m_nFilesDone = 0;
  m_nFilesConverted = 0;
  m_nShownCodeIn = m_nCodeIn;
  m_ownCodePageFiles.clear();
  QProgressBar* fileBar = m_pProgressDlg->FileBar();
  QProgressBar* listBar = m_pProgressDlg->ListBar();
  fileBar->setRange(0, 100);
  listBar->setRange(0, std::max(m_nFileCount, 1));
  m_lossReport = {};
  m_batchLosses = {};

  if (m_bClipboardIn) {
    if (!ClipboardHasText()) {
      EndProgress();
      return {RunEnd::kNoClipboardText};
    }
    std::uint64_t lost = 0;
    pismovar::ClipboardToFile(ClipboardFileName(), &lost, ClipboardForm(m_nCodeIn));
    m_strInput = ClipboardFileName();
    m_lossReport.Add(m_strInput, lost);
    m_nFileCount = 1;
  }
  if (m_bClipboardOut) m_strOutput = ClipboardFileName();

  // A list's names; a list that cannot be cut further ends there, since nothing left in it
  // names a file.
  std::vector<std::string> names;
  bool wholeList = true;
  if (m_nFileCount <= 1) {
    names.push_back(m_strInput);
  } else {
    for (std::string list = m_strInput; list.size() > 2;) {
      const std::optional<std::string> name = TakeFirstListName(list);
      if (!name) {
        wholeList = false;
        break;
      }
      names.push_back(*name);
    }
  }
  const bool inPlace = !m_bClipboardIn && !m_bClipboardOut &&
                       (m_nFileCount > 1 || SameFile(m_strInput, m_strOutput));
  if (inPlace) {
    RunOutcome outcome = ConvertListInPlace(names);
    outcome.allConverted = outcome.allConverted && wholeList;
    return outcome;
  }

  m_pProgressDlg->ShowListBar(false);
  if (!m_bClipboardIn) m_pProgressDlg->ShowFile(PathToText(m_strInput), 1, 1);
  const Choices choices = RunChoices();
  const Outcome outcome =
      m_worker.Run([choices, input = m_strInput, output = m_strOutput](Converter& converter) {
        return converter.ConvertFile(choices, input, output);
      });
  ShowOutcome(outcome, m_strInput);
  m_lossReport.Add(m_strInput, outcome.losses);
  const bool converted = outcome.result == Outcome::kDone;
  m_nFilesConverted = converted ? 1 : 0;
  EndProgress();
  if (m_bClipboardOut) {
    if (std::unique_ptr<QMimeData> text =
            FileToClipboard(ClipboardFileName(), ClipboardForm(m_nCodeOut))) {
      QGuiApplication::clipboard()->setMimeData(text.release());
    }
  }
  QFile::remove(PathToText(ClipboardFileName()));
  return {RunEnd::kNormal, converted, false, 1};
}

CConverterDlg::RunOutcome CConverterDlg::ConvertListInPlace(const std::vector<std::string>& names) {
  QProgressBar* fileBar = m_pProgressDlg->FileBar();
  QProgressBar* listBar = m_pProgressDlg->ListBar();
  m_pProgressDlg->ShowListBar(names.size() > 1);
  const int files = static_cast<int>(names.size());
  const bool ownCodePages = m_bInputDetected && names.size() > 1;
  const Choices shown = RunChoices();
  bool allConverted = true;
  bool cancelReported = false;
  // The files wait in batches and replace their inputs together, once on disk; a cancel
  // leaves every input of the unfinished batch as it was. Everything the run reports is shown
  // on the dialog's thread while the worker waits.
  FileBatch::Reports reports;
  reports.converted = [&](const std::string& name, const Outcome& outcome) {
    m_worker.Report([&] {
      // A second name of a file this run has converted: the file is done already.
      if (outcome.failure == Outcome::Failure::kRepeated) return;
      ShowOutcome(outcome, name);
      if (outcome.result == Outcome::kDone) {
        m_batchLosses.Add(name, outcome.losses);
      } else {
        allConverted = false;
      }
    });
  };
  reports.approve = [&] { return m_worker.Report([&] { return ApproveBatch(allConverted); }); };
  reports.placing = [&] { m_worker.Report([&] { m_pProgressDlg->ShowWritingToDisk(); }); };
  reports.placed = [&](const std::string& name, const Outcome& outcome) {
    m_worker.Report([&] {
      if (outcome.result == Outcome::kDone) {
        ++m_nFilesConverted;
        return;
      }
      allConverted = false;
      // A cancel while the batch went to disk concerns all of it: one message says so.
      if (outcome.result == Outcome::kCancelled && std::exchange(cancelReported, true)) return;
      ShowOutcome(outcome, name);
    });
  };
  const bool finished = m_worker.Run([&](Converter& converter) {
    FileBatch batch(converter, reports);
    for (const std::string& name : names) {
      // "Zrušit" or the end of the program between two files ends the run here.
      if (m_worker.StopRequested()) return false;
      m_worker.Report([&] {
        m_pProgressDlg->ShowFile(PathToText(name), m_nFilesDone + 1, files);
        fileBar->setValue(0);
        listBar->setValue(m_nFilesDone);
      });
      // With detected input choices each file is converted from its own code page and line
      // end; the controls keep showing the choices the run began with.
      Choices choices = shown;
      if (const Detection own = ownCodePages ? converter.QuickDetect(name) : Detection{};
          ownCodePages && own.outcome.result == Outcome::kDone) {
        choices.codeIn = own.guess.codePage;
        choices.lineEndIn = own.guess.lineEnd;
        if (choices.codeIn != shown.codeIn) {
          m_worker.Report([&] {
            m_ownCodePageFiles << PathToText(name) + QStringLiteral(" (") +
                                      Caption(IDC_CODE_IN, choices.codeIn) + QLatin1Char(')');
          });
        }
      }
      if (batch.Add(choices, {name, -1, {}, {}, {}}).result == Outcome::kCancelled) return false;
      m_worker.Report([&] {
        fileBar->setValue(100);
        ++m_nFilesDone;
      });
    }
    return !m_worker.StopRequested() && batch.Place();
  });
  EndProgress();
  if (!finished) {
    return {names.size() > 1 ? RunEnd::kCancelledList : RunEnd::kNormal, false, true, files};
  }
  listBar->setValue(listBar->maximum());
  return {RunEnd::kNormal, allConverted, true, files};
}

bool CConverterDlg::ApproveBatch(bool& allConverted) {
  const LossReport losses = std::exchange(m_batchLosses, {});
  // The question comes while every file is still as it was; a run started by switches asks
  // nobody and tells its losses afterwards.
  if (losses.Empty()) return true;
  if (m_bAutoRun) {
    m_lossReport.Add(losses);
    return true;
  }
  if (AskYesNo(losses.Question())) return true;
  allConverted = false;
  return false;
}

void CConverterDlg::EndProgress() {
  m_timer.stop();
  m_pProgressDlg->m_bRunning = false;
  m_pProgressDlg->DestroyWindow();
}

void CConverterDlg::OnTimer() {
  if (QProgressBar* bar = m_pProgressDlg->FileBar()) bar->setValue(m_worker.Percent());
}

void CConverterDlg::OnCancelRequest() { m_worker.Cancel(); }

void CConverterDlg::RequestCloseAfterRun() {
  m_bCloseRequested = true;
  OnCancelRequest();
}

void CConverterDlg::OnQuitRequest() {
  m_bQuitting = true;
  // A question or a file dialog open now closes as if answered "Ne" or cancelled, and an open
  // menu as if nothing was chosen.
  while (QWidget* popup = QApplication::activePopupWidget()) {
    if (!popup->close()) break;
  }
  while (QWidget* modal = QApplication::activeModalWidget()) {
    if (modal == this || !modal->close()) break;
  }
  if (m_bBusy) {
    RequestCloseAfterRun();
  } else {
    QDialog::reject();
  }
}

void CConverterDlg::OnExit() {
  if (m_bBusy) {
    RequestCloseAfterRun();
    return;
  }
  UpdateData(true);
  done(QDialog::Accepted);
}

// Enter never closes the dialog: it only presses the default or the focused button.
void CConverterDlg::accept() {}

void CConverterDlg::reject() {
  if (m_bBusy) {
    RequestCloseAfterRun();
    return;
  }
  QDialog::reject();
}

void CConverterDlg::paintEvent(QPaintEvent* event) {
  QDialog::paintEvent(event);
  // A name given on the command line is examined once the dialog is on screen; not from
  // inside the paint, since detection may show a message box. An auto-run keeps the input
  // code page and line end that its command line gave.
  if (m_bFirstPaint && !m_strInput.empty() && !m_bAutoRun) {
    QMetaObject::invokeMethod(
        this,
        [this] {
          if (!m_bBusy) DetectInput();
        },
        Qt::QueuedConnection);
  }
  m_bFirstPaint = false;
}

void CConverterDlg::contextMenuEvent(QContextMenuEvent* event) {
  ShowContextMenu(event->globalPos());
}

void CConverterDlg::ShowContextMenu(const QPoint& globalPos) {
  if (m_bBusy) return;
  QMenu menu(this);
  menu.addAction(LoadText(IDS_ABOUTBOX), this, &CConverterDlg::OnAbout);
  menu.exec(globalPos);
}

void CConverterDlg::OnAbout() {
  if (m_bBusy) return;
  CAboutDlg about(this);
  about.exec();
}

void CConverterDlg::OnHelp() {
  if (m_bBusy) return;
  // Before the dialog is on screen the window stands on its own, in the middle of the screen.
  CHelpDlg help(UsageText(StartedName()), isVisible() ? this : nullptr);
  help.exec();
}

void CConverterDlg::ShowBadUsage(const QString& text) { MessageBox(QMessageBox::Critical, text); }

void CConverterDlg::RestoreSettings() {
  const std::unique_ptr<QSettings> settings = UserSettings();
  const int codeOut = settings->value(QLatin1String(kCodeOutKey), m_nCodeOut).toInt();
  const int lineEndOut = settings->value(QLatin1String(kLineEndOutKey), m_nLineEndOut).toInt();
  if (IsValidTextEncoding(codeOut) && IsValidLineEnd(lineEndOut)) {
    m_nCodeOut = codeOut;
    m_nLineEndOut = lineEndOut;
  }
  m_strLastFolder = settings->value(QLatin1String(kFolderKey)).toString();
  // The layout's width is the least; the height never changes.
  if (const int width = settings->value(QLatin1String(kWidthKey), 0).toInt(); width > 0)
    resize(width, height());
}

void CConverterDlg::SaveSettings() {
  const std::unique_ptr<QSettings> settings = UserSettings();
  settings->setValue(QLatin1String(kCodeOutKey), RadioIndex(*RadioGroup(*this, IDC_CODE_OUT)));
  settings->setValue(QLatin1String(kLineEndOutKey),
                     RadioIndex(*RadioGroup(*this, IDC_LINE_END_OUT)));
  settings->setValue(QLatin1String(kWidthKey), width());
}

void CConverterDlg::RememberFolder(const QString& chosen) {
  m_strLastFolder = QFileInfo(chosen).absolutePath();
  UserSettings()->setValue(QLatin1String(kFolderKey), m_strLastFolder);
}

void CConverterDlg::done(int result) {
  // The choices of a run started by switches are the command line's, not the user's.
  if (!m_bAutoRun) SaveSettings();
  QDialog::done(result);
}

void CConverterDlg::ShowOutcome(const pismovar::Outcome& outcome, std::string_view input) {
  QStringList lines = OutcomeLines(outcome, input);
  if (lines.isEmpty()) return;
  // A run stopped because the program is closing says so, not that "Zrušit" was pressed.
  if (outcome.result == Outcome::kCancelled && m_bCloseRequested)
    lines[0] = LoadText(IDS_CONVERT_CLOSED);
  MessageBox(QMessageBox::Critical, lines.join(QLatin1Char('\n')));
}

void CConverterDlg::ShowDetectFailure(const pismovar::Outcome& outcome) {
  // A cancelled full detection still offers its guess: only a failure has a message.
  if (outcome.result == pismovar::Outcome::kFailed) ShowOutcome(outcome);
}

// The progress window steps aside while a message is shown, so that it never stands over it,
// and comes back for the rest of the run.
class ProgressAside {
 public:
  explicit ProgressAside(QWidget& progress) : m_progress(progress), m_shown(progress.isVisible()) {
    if (m_shown) m_progress.hide();
  }
  ~ProgressAside() {
    if (m_shown) m_progress.show();
  }
  ProgressAside(const ProgressAside&) = delete;
  ProgressAside& operator=(const ProgressAside&) = delete;

 private:
  QWidget& m_progress;
  bool m_shown;
};

// Whether a message may wait in a box for the user. A run started by switches never waits,
// nor does the program while a signal ends it, nor a platform without a screen (offscreen),
// where no one could answer.
static bool NobodyToAnswer(bool autoRun, bool quitting) {
  const QString platform = QGuiApplication::platformName();
  return autoRun || quitting || platform == QLatin1String("offscreen") ||
         platform == QLatin1String("minimal");
}

bool CConverterDlg::AskYesNo(const QString& text) {
  if (NobodyToAnswer(m_bAutoRun, m_bQuitting)) return false;
  const ProgressAside aside(*m_pProgressDlg);
  QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(), text,
                  QMessageBox::Yes | QMessageBox::No, this);
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void CConverterDlg::MessageBox(QMessageBox::Icon icon, const QString& text) {
  // The message goes to standard error where no one waits for a box, and the run goes on.
  if (NobodyToAnswer(m_bAutoRun, m_bQuitting)) {
    std::cerr << StartedName() << ": "
              << QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')).toStdString() << '\n';
    return;
  }
  const ProgressAside aside(*m_pProgressDlg);
  // Before the dialog is on screen the box stands on its own, in the middle of the screen.
  QMessageBox box(icon, QCoreApplication::applicationName(), text, QMessageBox::Ok,
                  isVisible() ? this : nullptr);
  box.exec();
}

// The platform's file dialog with the program's filters, in `folder` (empty: the current
// folder); a bare name gets ".txt".
static QStringList AskFileNames(QWidget* parent, const QStringList& filters, const QString& folder,
                                QFileDialog::FileMode fileMode, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent, QString{}, folder);
  dialog.setFileMode(fileMode);
  dialog.setAcceptMode(mode);
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList{};
}

QStringList CConverterDlg::AskOpenFileNames(const QStringList& filters, const QString& folder) {
  return AskFileNames(this, filters, folder, QFileDialog::ExistingFiles, QFileDialog::AcceptOpen);
}

QString CConverterDlg::AskSaveFileName(const QStringList& filters, const QString& folder) {
  const QStringList chosen =
      AskFileNames(this, filters, folder, QFileDialog::AnyFile, QFileDialog::AcceptSave);
  return chosen.isEmpty() ? QString{} : chosen.constFirst();
}

bool CConverterDlg::ClipboardHasText() { return pismovar::ClipboardHasText(); }

std::string CConverterDlg::ClipboardFileName() const {
  return TextToPath(m_tempDir.filePath(QString::fromLatin1(kClipboardFile)));
}
