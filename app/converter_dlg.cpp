#include "app/converter_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QUrl>
#include <utility>
#include <vector>

#include "about/about_dlg.h"
#include "app/clipboard_bridge.h"
#include "app/file_filters.h"
#include "app/progress_dlg.h"
#include "engine/file_list.h"
#include "res/dialog_ids.h"
#include "res/dialog_layout.h"
#include "res/dialog_templates.h"
#include "res/program_resources.h"
#include "res/string_table.h"
#include "res/translated_text.h"

using namespace pismovar;

namespace {

constexpr int kTimerMilliseconds = 100;
constexpr const char* kClipboardFile = "Clipboard.tmp";

QString FromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString PathToText(const std::string& path) { return QFile::decodeName(path.c_str()); }
std::string TextToPath(const QString& text) { return QFile::encodeName(text).toStdString(); }

}  // namespace

// Holds off everything that would start a run, a detection, a browse or a change of the
// settings while a run or a full detection is under way: the handlers return at once, and
// every control but "Konec" is disabled until the end, then given back its former state.
class CConverterDlg::BusyScope {
 public:
  explicit BusyScope(CConverterDlg& dlg) : m_dlg(dlg) {
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
  }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  CConverterDlg& m_dlg;
  std::vector<std::pair<QWidget*, bool>> m_saved;
};

CConverterDlg::CConverterDlg(QWidget* parent)
    : QDialog(parent),
      Converter(static_cast<EngineHost&>(*this)),
      m_pProgressDlg(std::make_unique<CProgressDlg>(this)) {
  BuildDialog(*this, kConverterDialogTemplate);
  setWindowIcon(ProgramIcon());
  setAcceptDrops(true);

  auto button = [this](int id) { return DialogItem<QPushButton>(*this, id); };
  connect(button(IDC_FULL_DETECT), &QPushButton::clicked, this, &CConverterDlg::OnFullDetect);
  connect(button(IDC_BROWSE_INPUT), &QPushButton::clicked, this, &CConverterDlg::OnBrowseInput);
  connect(button(IDC_BROWSE_OUTPUT), &QPushButton::clicked, this, &CConverterDlg::OnBrowseOutput);
  connect(button(IDC_CONVERT), &QPushButton::clicked, this, &CConverterDlg::OnConvert);
  connect(button(IDC_EXIT), &QPushButton::clicked, this, &CConverterDlg::OnExit);
  connect(DialogItem<QLineEdit>(*this, IDC_INPUT), &QLineEdit::textChanged, this,
          &CConverterDlg::OnInputEdited);
  connect(DialogItem<QCheckBox>(*this, IDC_CLIPBOARD_IN), &QCheckBox::clicked, this,
          &CConverterDlg::OnClipboardIn);
  connect(DialogItem<QLineEdit>(*this, IDC_OUTPUT), &QLineEdit::textChanged, this, [this] {
    if (!m_bExchanging) UpdateConvertButton();
  });
  connect(DialogItem<QCheckBox>(*this, IDC_CLIPBOARD_OUT), &QCheckBox::clicked, this,
          &CConverterDlg::OnClipboardOut);

  m_timer.setInterval(kTimerMilliseconds);
  connect(&m_timer, &QTimer::timeout, this, &CConverterDlg::OnTimer);

  connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
          &CConverterDlg::ShowUsage);
  connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this), &QShortcut::activated, this,
          [this] { ShowContextMenu(mapToGlobal(QPoint(width() / 4, height() / 4))); });
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
  // Whatever is typed, the count follows the text, so a run never reads a plain name as a list.
  m_nFileCount = CountListNames(TextToPath(DialogItem<QLineEdit>(*this, IDC_INPUT)->text()));
  UpdateConvertButton();
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
  if (m_bClipboardIn && ClipboardHasText()) ShowDetectFailure(QuickDetect());
  UpdateConvertButton();
}

void CConverterDlg::OnClipboardOut() {
  if (m_bBusy) return;
  UpdateData(true);
  EnableOutputName(!m_bClipboardOut);
  UpdateConvertButton();
}

void CConverterDlg::OnBrowseInput() {
  if (m_bBusy) return;
  const QStringList chosen = AskOpenFileNames(NameFilters(LoadText(IDS_INPUT_FILTER)));
  if (chosen.isEmpty()) return;
  std::vector<std::string> paths;
  for (const QString& path : chosen) paths.push_back(TextToPath(path));
  m_strInput = BuildFileList(paths);
  m_strOutput = m_strInput;
  m_nFileCount = static_cast<int>(paths.size());
  EnableOutputName(paths.size() == 1);
  UpdateData(false);
  ShowDetectFailure(QuickDetect());
  UpdateConvertButton();
}

void CConverterDlg::OnBrowseOutput() {
  if (m_bBusy) return;
  const QString chosen = AskSaveFileName(NameFilters(LoadText(IDS_OUTPUT_FILTER)));
  if (!chosen.isEmpty()) {
    m_strOutput = TextToPath(chosen);
    UpdateData(false);
  }
  UpdateConvertButton();
}

void CConverterDlg::OnDropFiles(const QStringList& paths) {
  if (m_bBusy || paths.isEmpty()) return;
  std::vector<std::string> names;
  for (const QString& path : paths) names.push_back(TextToPath(path));
  m_strInput = BuildFileList(names);
  m_strOutput = m_strInput;
  m_nFileCount = static_cast<int>(names.size());
  EnableOutputName(names.size() < 2);
  UpdateData(false);
  UpdateConvertButton();
  ShowDetectFailure(QuickDetect());
}

void CConverterDlg::dragEnterEvent(QDragEnterEvent* event) {
  if (!m_bBusy && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CConverterDlg::dropEvent(QDropEvent* event) {
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) paths << url.toLocalFile();
  }
  if (paths.isEmpty()) return;
  event->acceptProposedAction();
  OnDropFiles(paths);
}

void CConverterDlg::OnFullDetect() {
  if (m_bBusy) return;
  {
    BusyScope busy(*this);
    ShowDetectFailure(FullDetect());
  }
  if (m_bCloseRequested) QDialog::reject();
}

void CConverterDlg::OnConvert() {
  if (m_bBusy) return;
  RunEnd end;
  {
    BusyScope busy(*this);
    end = RunConversion();
  }
  if (end == RunEnd::kNormal) {
    EnableDialogItem(*this, IDC_CONVERT, false);
    if (m_bAutoRun) {
      m_nExitCode = 1;
      done(QDialog::Accepted);
      return;
    }
  } else if (end == RunEnd::kNoClipboardText) {
    // Nothing was converted: the dialog stays open for the user, as in interactive mode.
    m_bAutoRun = false;
  }
  if (m_bCloseRequested) QDialog::reject();
}

CConverterDlg::RunEnd CConverterDlg::RunConversion() {
  UpdateData(true);
  m_pProgressDlg->Create();
  m_pProgressDlg->show();
  m_pProgressDlg->m_bRunning = true;
  m_timer.start();
  m_nFilesDone = 0;
  QProgressBar* fileBar = m_pProgressDlg->FileBar();
  QProgressBar* listBar = m_pProgressDlg->ListBar();
  fileBar->setRange(0, 100);
  listBar->setRange(0, std::max(m_nFileCount, 1));

  if (m_bClipboardIn) {
    if (!ClipboardHasText()) {
      EndProgress();
      return RunEnd::kNoClipboardText;
    }
    ClipboardToFile(ClipboardFileName());
    m_strInput = ClipboardFileName();
    m_nFileCount = 1;
  }
  if (m_bClipboardOut) m_strOutput = ClipboardFileName();

  if (m_nFileCount <= 1) {
    listBar->hide();
    ShowOutcome(ConvertFile(m_strInput, m_strOutput), m_strInput);
  } else {
    listBar->show();
    std::string list = m_strInput;
    // A list that cannot be cut further ends the run: nothing is left that names a file.
    while (list.size() > 2 && !m_bCloseRequested) {
      fileBar->setValue(0);
      listBar->setValue(m_nFilesDone);
      const std::optional<std::string> name = TakeFirstListName(list);
      if (!name) break;
      const pismovar::Outcome outcome = ConvertFile(*name, *name);
      ShowOutcome(outcome, *name);
      if (outcome.result == pismovar::Outcome::kCancelled) {
        EndProgress();
        return RunEnd::kCancelledList;
      }
      fileBar->setValue(100);
      ++m_nFilesDone;
    }
    if (m_bCloseRequested) {
      EndProgress();
      return RunEnd::kCancelledList;
    }
  }

  listBar->setValue(listBar->maximum());
  EndProgress();
  if (m_bClipboardOut) {
    if (std::unique_ptr<QMimeData> text = FileToClipboard(ClipboardFileName())) {
      QGuiApplication::clipboard()->setMimeData(text.release());
    }
  }
  QFile::remove(PathToText(ClipboardFileName()));
  return RunEnd::kNormal;
}

void CConverterDlg::EndProgress() {
  m_timer.stop();
  m_pProgressDlg->m_bRunning = false;
  m_pProgressDlg->DestroyWindow();
}

void CConverterDlg::OnTimer() {
  if (QProgressBar* bar = m_pProgressDlg->FileBar()) bar->setValue(ProgressPercent());
}

void CConverterDlg::OnCancelRequest() { m_bCancel = true; }

void CConverterDlg::RequestCloseAfterRun() {
  m_bCloseRequested = true;
  OnCancelRequest();
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
          if (!m_bBusy) ShowDetectFailure(QuickDetect());
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

void CConverterDlg::ShowUsage() { MessageBox(QMessageBox::Warning, LoadText(IDS_USAGE)); }

void CConverterDlg::ShowOutcome(const pismovar::Outcome& outcome, std::string_view input) {
  if (const int id = OutcomeMessageId(outcome)) {
    MessageBox(QMessageBox::Critical, FormatText(id, {FromUtf8(input)}));
  }
}

void CConverterDlg::ShowDetectFailure(const pismovar::Outcome& outcome) {
  // A cancelled full detection still offers its guess: only a failure has a message.
  if (outcome.result == pismovar::Outcome::kFailed) ShowOutcome(outcome);
}

void CConverterDlg::MessageBox(QMessageBox::Icon icon, const QString& text) {
  QMessageBox box(icon, QCoreApplication::applicationName(), text, QMessageBox::Ok, this);
  box.exec();
}

// The platform's file dialog with the program's filters; a bare name gets ".txt".
static QStringList AskFileNames(QWidget* parent, const QStringList& filters,
                                QFileDialog::FileMode fileMode, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent);
  dialog.setFileMode(fileMode);
  dialog.setAcceptMode(mode);
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList{};
}

QStringList CConverterDlg::AskOpenFileNames(const QStringList& filters) {
  return AskFileNames(this, filters, QFileDialog::ExistingFiles, QFileDialog::AcceptOpen);
}

QString CConverterDlg::AskSaveFileName(const QStringList& filters) {
  const QStringList chosen =
      AskFileNames(this, filters, QFileDialog::AnyFile, QFileDialog::AcceptSave);
  return chosen.isEmpty() ? QString{} : chosen.constFirst();
}

void CConverterDlg::PumpMessage() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void CConverterDlg::SetProgressRange(int lower, int upper) {
  if (QProgressBar* bar = m_pProgressDlg->FileBar()) bar->setRange(lower, upper);
}

void CConverterDlg::BeginDetectProgress() {
  m_pProgressDlg->Create();
  m_pProgressDlg->Text()->setText(LoadText(IDS_DETECTING));
  m_pProgressDlg->ListBar()->hide();
  m_pProgressDlg->show();
  m_timer.start();
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CConverterDlg::EndDetectProgress() {
  QApplication::restoreOverrideCursor();
  EndProgress();
}

bool CConverterDlg::ClipboardHasText() { return pismovar::ClipboardHasText(); }

int CConverterDlg::ClipboardToFile(const std::string& name) {
  return pismovar::ClipboardToFile(name);
}

std::string CConverterDlg::ClipboardFileName() {
  return TextToPath(m_tempDir.filePath(QString::fromLatin1(kClipboardFile)));
}
