#include "app/Main.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFormLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolTip>
#include <QHelpEvent>
#include <QVBoxLayout>

#include "app/EditorSettings.h"
#include "app/Info_unit.h"
#include "app/Instelling.h"
#include "app/LanguageApply.h"
#include "app/ToolIcons.h"
#include "base/Exception.h"
#include "engine/dtpPage.h"
#include "platform/SettingsStore.h"
#include "qt/QtViewHost.h"

namespace kivrano {

namespace {

// The captions and hints the captions store keeps from one run to the next.
constexpr const char* kStoredCaptions[] = {
    "File1", "Open1", "en1", "acExit1", "Print1", "Afdrukvoorbeeld1", "Paginainstelling1", "Save1", "SaveAs1", "New1",
    "MenuItem1", "Undo1", "Redo1", "Cut1", "Copy1", "Page1", "Verwijderen1", "AllesSelecteren1", "Shape1",
    "DeleteShapes1", "MoveBack1", "MoveFwd1", "ToBkgnd1", "ToFgnd1", "Group1", "Ungroup1", "Align1", "Exporteren1",
    "Addnewpageatend2", "Insertpagehere1", "EditPageName1", "DeletePage1", "ZoomBreedte1", "Paginaweergave1",
    "ZoomIn2", "Zoomuit1", "About1"};

QStringList StoredHintNames() {
  QStringList names = {"KL1", "KL2", "KL3", "KL4", "KL5", "KL6", "BSpelers", "Figuur1", "Lettertype", "StyleB",
                       "StyleI", "StyleU", "TBSNr", "TBSKl", "TBLIne", "TBLetter", "Txt1", "LineKleur"};
  for (int i = 7; i <= 18; ++i) names << QString("kl%1").arg(i);
  for (int i = 20; i <= 23; ++i) names << QString("kl%1").arg(i);
  for (int i = 1; i <= 20; ++i) names << QString("L%1").arg(i);
  for (int i = 1; i <= 32; ++i) {
    if (i != 6) names << QString("M%1").arg(i);
  }
  return names;
}

// The field labels beside the position fields.
constexpr const char* kFieldLabels[] = {"Links", "Rechts", "Top", "Onder", "Breedte", "Hoogte"};

// The width of the position fields' pane when the window first opens.
constexpr int kFieldsPaneWidth = 170;

// Hints stay this long on the screen.
constexpr int kHintTimeMs = 3000;

// Shows every widget's hint for kHintTimeMs.
class THintTimer : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::ToolTip || !widget || widget->toolTip().isEmpty()) return false;
    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), widget->toolTip(), widget, QRect(), kHintTimeMs);
    return true;
  }
};

}  // namespace

TViewerMainForm::TViewerMainForm(TEditorEnvironment environment, QWidget* parent)
    : QMainWindow(parent), env_(std::move(environment)), dtpComponent1_(std::make_unique<TdtpComponent>()) {
  setObjectName("ViewerMainForm");
  setWindowTitle("Kivrano");
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    screenWidth_ = screen->size().width();
    screenHeight_ = screen->size().height();
  }
  BuildView();
  BuildMenus();
  BuildToolBar();
  BuildStatusBar();
  QCoreApplication::instance()->installEventFilter(new THintTimer(this));
  instelformulier_ = new TInstelformulier(*dtpComponent1_, messages_, *env_.Settings, this);
  infoform_ = new TInfoform(this);
  RebuildPopupMenu();
  ConnectViewEvents();
}

TViewerMainForm::~TViewerMainForm() {
  // The dialogs keep their own settings when they go; the view must not outlive its document.
  delete instelformulier_;
  delete infoform_;
  StoreViewSettings();
  StoreCaptions();
  env_.Settings->Flush();
  viewHost_->SetDocument(nullptr);
}

// ---- building the window ----

void TViewerMainForm::BuildView() {
  TdtpComponent& doc = *dtpComponent1_;
  doc.SetDefaultPageWidth(210);
  doc.SetDefaultPageHeight(297);
  doc.SetDefaultMarginLeft(10);
  doc.SetDefaultMarginTop(10);
  doc.SetDefaultMarginRight(10);
  doc.SetDefaultMarginBottom(10);
  doc.SetDefaultGridSize(5);
  doc.SetHelperMethod(hmGrid);
  doc.SetMode(vmEdit);
  doc.SetViewStyle(vsNormal);
  doc.SetRenderDPI(300);
  doc.SetQuality(sfLinear);
  doc.SetPrintQuality(pqHigh);
  doc.SetUndoPastSave(true);
  doc.SetShowMargins(true);
  doc.SetColor(clAppWorkSpace);
  doc.SetModified(false);

  splitter_ = new QSplitter(Qt::Horizontal, this);
  splitter_->setObjectName("Splitter1");
  viewHost_ = new TQtViewHost(splitter_);
  viewHost_->setObjectName("dtpComponent1");
  viewHost_->SetDocument(&doc);
  splitter_->addWidget(viewHost_);
  BuildFieldsPane(splitter_);
  splitter_->setStretchFactor(0, 1);
  splitter_->setStretchFactor(1, 0);
  setCentralWidget(splitter_);
  // The view shows its margins and a zoom of 100 %.
  doc.ResetZoom();
}

void TViewerMainForm::BuildFieldsPane(QSplitter* splitter) {
  auto* pane = new QWidget(splitter);
  pane->setObjectName("Panel2");
  auto* form = new QFormLayout(pane);
  for (int i = 1; i <= 11; ++i) {
    auto* edit = new QLineEdit(pane);
    edit->setObjectName(QString("Edit%1").arg(i));
    edits_[i] = edit;
    if (i <= 6) {
      auto* label = new QLabel(kFieldLabels[i - 1], pane);
      label->setObjectName(QString("Label%1").arg(i));
      label->setBuddy(edit);
      form->addRow(label, edit);
      connect(edit, &QLineEdit::editingFinished, this, [this, i] { EditExit(i); });
    } else {
      // Edit7 to Edit11 describe the reported shape for the styling commands; they stay hidden.
      edit->hide();
    }
  }
  splitter->addWidget(pane);
}

QAction* TViewerMainForm::AddAction(QMenu* menu, const char* name, const char* caption,
                                    std::function<void()> handler) {
  auto* action = new QAction(QString::fromUtf8(caption), this);
  action->setObjectName(name);
  connect(action, &QAction::triggered, this, std::move(handler));
  if (menu) menu->addAction(action);
  return action;
}

QAction* TViewerMainForm::AddToolButton(const char* name, const char* hint, std::function<void()> handler) {
  QAction* action = AddAction(nullptr, name, hint, std::move(handler));
  action->setToolTip(QString::fromUtf8(hint));
  action->setIcon(ToolIcon(name));
  toolbarKL_->addAction(action);
  return action;
}

void TViewerMainForm::RunCommand(void (TdtpDocument::*operation)(), bool reported) {
  try {
    (dtpComponent1_.get()->*operation)();
  } catch (const Exception& e) {
    if (reported) Dialogs().MessageDlg(e.what(), mtError, MsgButtons({mbOK}));
  }
}

QAction* TViewerMainForm::AddCommand(QMenu* menu, const char* name, const char* caption,
                                     void (TdtpDocument::*operation)(), bool reported) {
  auto* action = new QAction(QString::fromUtf8(caption), this);
  action->setObjectName(name);
  connect(action, &QAction::triggered, this, [this, operation, reported] { RunCommand(operation, reported); });
  if (menu) menu->addAction(action);
  return action;
}

QAction* TViewerMainForm::AddToolCommand(const char* name, const char* hint, void (TdtpDocument::*operation)(),
                                         bool reported) {
  QAction* action = AddCommand(nullptr, name, hint, operation, reported);
  action->setToolTip(QString::fromUtf8(hint));
  action->setIcon(ToolIcon(name));
  toolbarKL_->addAction(action);
  return action;
}

void TViewerMainForm::BuildMenus() {
  constexpr bool swallowed = false;
  constexpr bool reported = true;
  QMenu* file = menuBar()->addMenu("&Bestand");
  file->setObjectName("File1");
  AddAction(file, "Open1", "Open", [this] { Open1Click(); })->setShortcut(QKeySequence::Open);
  AddAction(file, "New1", "Nieuw", [this] { New1Click(); })->setShortcut(QKeySequence::New);
  AddAction(file, "Save1", "Opslaan", [this] { Save1Click(); })->setShortcut(QKeySequence::Save);
  AddAction(file, "SaveAs1", "Opslaan als...", [this] { SaveAs1Click(); });
  AddAction(file, "Paginainstelling1", "Paginainstelling", [this] { Paginainstelling1Click(); });
  file->addSeparator();
  AddAction(file, "acExit1", "Afsluiten", [this] { close(); });

  QMenu* edit = menuBar()->addMenu("&Bewerken");
  edit->setObjectName("MenuItem1");
  AddCommand(edit, "Undo1", "Ongedaan maken", &TdtpDocument::Undo, swallowed)->setShortcut(QKeySequence::Undo);
  AddCommand(edit, "Redo1", "Opnieuw", &TdtpDocument::Redo, swallowed)->setShortcut(QKeySequence::Redo);
  edit->addSeparator();
  AddCommand(edit, "Cut1", "Knippen", &TdtpDocument::CutToClipboard, swallowed)->setShortcut(QKeySequence::Cut);
  AddCommand(edit, "Copy1", "Kopiëren", &TdtpDocument::CopyToClipboard, swallowed)->setShortcut(QKeySequence::Copy);
  AddCommand(edit, "Paste1", "Plakken", &TdtpDocument::PasteFromClipboard, swallowed)
      ->setShortcut(QKeySequence::Paste);
  AddCommand(edit, "Verwijderen1", "Verwijderen", &TdtpDocument::DeleteSelection, swallowed);

  QMenu* shape = menuBar()->addMenu("&Afbeelding");
  shape->setObjectName("Shape1");
  AddCommand(shape, "DeleteShapes1", "Verwijderen", &TdtpDocument::DeleteSelection, swallowed);
  shape->addSeparator();
  AddCommand(shape, "MoveBack1", "Terug", &TdtpDocument::SendBackward, swallowed);
  AddCommand(shape, "MoveFwd1", "Volgende", &TdtpDocument::BringForward, swallowed);
  AddCommand(shape, "ToBkgnd1", "Naar achtergrond", &TdtpDocument::SendToBack, swallowed);
  AddCommand(shape, "ToFgnd1", "Naar voorgrond", &TdtpDocument::BringToFront, swallowed);
  shape->addSeparator();
  AddCommand(shape, "Group1", "Groeperen", &TdtpDocument::GroupSelection, swallowed);
  AddCommand(shape, "Ungroup1", "Degroeperen", &TdtpDocument::UngroupSelection, swallowed);
  shape->addSeparator()->setObjectName("Align1");

  QMenu* page = menuBar()->addMenu("&Pagina");
  page->setObjectName("Page1");
  AddAction(page, "Addnewpageatend2", "Pagina bijvoegen ", [this] { Addnewpageatend2Click(); });
  AddAction(page, "Insertpagehere1", "Pagina tussenvoegen", [this] { Insertpagehere1Click(); });
  AddAction(page, "DeletePage1", "Pagina verwijderen", [this] { DeletePage1Click(); });
  page->addSeparator();
  AddAction(page, "NextPage1", "Volgende ", [this] { NextPage1Click(); });
  AddAction(page, "PreviousPage1", "Vorige", [this] { PreviousPage1Click(); });
  page->addSeparator();
  AddCommand(page, "ZoomIn2", "Zoom in", &TdtpDocument::ZoomIn, reported);
  AddCommand(page, "Zoomuit1", "Zoom uit", &TdtpDocument::ZoomOut, reported);
  AddCommand(page, "ZoomBreedte1", "Zoom breedte", &TdtpDocument::ResetZoom, reported);
  AddCommand(page, "Paginaweergave1", "Pagina weergave", &TdtpDocument::ZoomToFit, reported);

  QMenu* help = menuBar()->addMenu("Help");
  help->setObjectName("Help1");
  AddAction(help, "About1", "Info", [this] { About1Click(); });
  // The language of the program, each named in its own language.
  QMenu* languages = help->addMenu("Taal / Langue / Language");
  languages->setObjectName("Talen1");
  languageGroup_ = new QActionGroup(this);
  for (const TLanguageChoice& choice : kLanguageChoices) {
    QAction* action = languages->addAction(QString::fromUtf8(choice.Name));
    action->setObjectName(QString("Taal%1").arg(choice.Number));
    action->setCheckable(true);
    action->setData(choice.Number);
    languageGroup_->addAction(action);
    connect(action, &QAction::triggered, this, [this, number = choice.Number] { SetLanguage(number, true); });
  }

  // The view's context menu takes its captions from these items.
  for (const auto& [name, caption] : {std::pair{"eerste1", "Ongedaan maken"}, {"tweede1", "Opnieuw"},
                                      {"derde1", "Knippen"}, {"vierde1", "Kopiëren"}, {"vijfde1", "Plakken"},
                                      {"Verwijderen2", "Verwijderen"}}) {
    auto* item = new QAction(QString::fromUtf8(caption), this);
    item->setObjectName(name);
  }
}

void TViewerMainForm::BuildToolBar() {
  constexpr bool swallowed = false;
  constexpr bool reported = true;
  toolbarKL_ = addToolBar("Sneltoetsen");
  toolbarKL_->setObjectName("ToolbarKL");
  toolbarKL_->setMovable(false);
  toolbarKL_->setFloatable(false);
  toolbarKL_->setIconSize(QSize(22, 22));
  AddToolButton("KL1", "Programma afsluiten", [this] { close(); });
  AddToolButton("KL2", "Nieuwe tekening", [this] { New1Click(); });
  AddToolButton("KL3", "Openen", [this] { Open1Click(); });
  AddToolButton("KL4", "Opslaan", [this] { Save1Click(); });
  AddToolButton("kl7", "Pagina instellingen", [this] { Paginainstelling1Click(); });
  toolbarKL_->addSeparator();
  AddToolCommand("kl8", "Verwijderen", &TdtpDocument::DeleteSelection, swallowed);
  AddToolCommand("kl9", "Knippen", &TdtpDocument::CutToClipboard, swallowed);
  AddToolCommand("kl10", "Kopiëren", &TdtpDocument::CopyToClipboard, swallowed);
  AddToolCommand("kl11", "Plakken", &TdtpDocument::PasteFromClipboard, swallowed);
  toolbarKL_->addSeparator();
  AddToolCommand("kl12", "Pagina groter maken", &TdtpDocument::ZoomIn, reported);
  AddToolCommand("kl13", "Pagina kleiner maken", &TdtpDocument::ZoomOut, reported);
  AddToolCommand("kl14", "Pagina volledig weergeven", &TdtpDocument::ZoomToFit, reported);
  AddToolCommand("kl15", "Paginabreedte aan scherm aanpassen", &TdtpDocument::ResetZoom, reported);
  toolbarKL_->addSeparator();
  AddToolCommand("kl16", "Ongedaan maken", &TdtpDocument::Undo, swallowed);
  AddToolCommand("kl17", "Opnieuw invoeren", &TdtpDocument::Redo, swallowed);
  toolbarKL_->addSeparator();
  AddToolButton("kl18", "Vorige pagina", [this] { PreviousPage1Click(); });
  AddToolButton("kl19", "Volgende pagina", [this] { NextPage1Click(); });
  toolbarKL_->addSeparator();
  AddToolCommand("kl24", "Send back", &TdtpDocument::SendBackward, swallowed);
  AddToolCommand("kl25", "", &TdtpDocument::BringForward, swallowed);
  AddToolCommand("kl20", "Naar achtergrond", &TdtpDocument::SendToBack, swallowed);
  AddToolCommand("kl21", "Naar voorgrond", &TdtpDocument::BringToFront, swallowed);
  AddToolCommand("kl22", "Groeperen ongedaan maken", &TdtpDocument::UngroupSelection, swallowed);
  AddToolCommand("kl23", "Figuren groeperen", &TdtpDocument::GroupSelection, swallowed);
  toolbarKL_->addSeparator();
  AddToolCommand("alignleft", "", &TdtpDocument::AlignLeft, reported);
  AddToolCommand("alignright", "", &TdtpDocument::AlignRight, reported);
  AddToolCommand("aligntop", "", &TdtpDocument::AlignTop, reported);
  AddToolCommand("alignbottom", "", &TdtpDocument::AlignBottom, reported);
  AddToolCommand("aligncenter", "", &TdtpDocument::AlignHorzCenters, reported);
  AddToolCommand("alignmiddle", "", &TdtpDocument::AlignVertCenters, reported);
  toolbarKL_->addSeparator();
  paginst_ = new QLabel("Pagina 1 van 1", toolbarKL_);
  paginst_->setObjectName("paginst");
  paginst_->setContentsMargins(6, 0, 6, 0);
  toolbarKL_->addWidget(paginst_);
  klein_ = new QCheckBox("Kleine figuren", toolbarKL_);
  klein_->setObjectName("Klein");
  toolbarKL_->addWidget(klein_);
}

void TViewerMainForm::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar1");
  auto* text = new QLabel(bar);
  text->setObjectName("StatusText");
  text->setMinimumWidth(635);
  bar->addWidget(text);
  // The gauge shows how far loading and saving have come.
  gauge_ = new QProgressBar(bar);
  gauge_->setObjectName("Gauge");
  gauge_->setFixedWidth(250);
  gauge_->setRange(0, 100);
  gauge_->setValue(0);
  gauge_->setTextVisible(false);
  bar->addPermanentWidget(gauge_);
  auto* last = new QLabel(bar);
  last->setObjectName("StatusLast");
  last->setFixedWidth(50);
  bar->addPermanentWidget(last);
}

void TViewerMainForm::ConnectViewEvents() {
  TdtpComponent& doc = *dtpComponent1_;
  auto show = [this](TdtpDocument*, TdtpShape* shape) { ShowShapeFields(shape); };
  doc.OnShapeChanged = show;
  doc.OnFocusShape = show;
  doc.OnShapeEditClosed = show;
  doc.OnShapeInsertClosed = show;
  doc.OnPageChanged = [this](TdtpDocument*, TdtpPage*) { drawingChanged_ = true; };
  doc.OnShapeDestroy = [this](TdtpDocument*, TdtpShape*) {
    for (int i = 7; i <= 11; ++i) edits_[i]->clear();
  };
  doc.OnMouseDown = [this](TdtpDocument*, TMouseButton, int, int, int) { OnViewMouseDown(); };
  // The gauge runs while a drawing loads or saves and empties when it is done.
  doc.OnProgress = [this](TdtpDocument*, TdtpProgressType, int, int, float percent) {
    gauge_->setValue(percent >= 1 ? 0 : static_cast<int>(percent * 100));
  };
}

void TViewerMainForm::OnViewMouseDown() {
  edits_[7]->clear();
  edits_[8]->clear();
  edits_[9]->setText("-1");
  ++clickCount_;
  drawingChanged_ = true;
}

void TViewerMainForm::RebuildPopupMenu() {
  std::vector<TViewMenuItem> items;
  auto add = [&](const char* name, void (TdtpDocument::*operation)()) {
    const auto* item = findChild<QAction*>(name);
    items.push_back({ControlCaption(item).toStdString(), true, [this, operation] { RunCommand(operation, false); }});
  };
  add("eerste1", &TdtpDocument::Undo);
  add("tweede1", &TdtpDocument::Redo);
  add("derde1", &TdtpDocument::CutToClipboard);
  add("vierde1", &TdtpDocument::CopyToClipboard);
  add("vijfde1", &TdtpDocument::PasteFromClipboard);
  add("Verwijderen2", &TdtpDocument::DeleteSelection);
  dtpComponent1_->SetPopupMenu(std::move(items));
}

// ---- language ----

int TViewerMainForm::ConfiguredLanguageNumber() const {
  if (env_.LanguageOverride > 0) return env_.LanguageOverride;
  bool ok = false;
  const int stored = QString::fromStdString(env_.Settings->ReadString(kProgramGroup, kLanguageKey, "")).toInt(&ok);
  return ok ? stored : 0;
}

int TViewerMainForm::DefaultLanguageNumber() const {
  // A user without a language number of their own: the system's language where a file exists
  // for it, else Dutch.
  const int fromLocale = LanguageOfLocale(env_.LocaleName);
  if (fromLocale > 0 && !FindLanguageFile(env_.LanguageFolders, LanguageFileName(fromLocale)).empty()) {
    return fromLocale;
  }
  return 1;
}

void TViewerMainForm::ApplyStartLanguage() {
  if (const int configured = ConfiguredLanguageNumber()) return SetLanguage(configured, false);
  // Dutch is built in: without its file the built-in texts serve, with no message.
  const int number = DefaultLanguageNumber();
  if (FindLanguageFile(env_.LanguageFolders, LanguageFileName(number)).empty()) {
    ApplyTexts(number);
  } else {
    SetLanguage(number, false);
  }
}

void TViewerMainForm::SetLanguage(int number, bool store) {
  const std::string fileName = LanguageFileName(number);
  if (!fileName.empty()) {
    const std::string path = FindLanguageFile(env_.LanguageFolders, fileName);
    try {
      if (path.empty()) throw Exception("Language file \"" + fileName + "\" not found");
      std::vector<std::string> lines = ReadLanguageFile(path);
      messages_.ResetToBuiltIn();
      messages_.Replace(lines);
    } catch (const Exception& e) {
      // The texts stay as they are.
      Dialogs().MessageDlg(e.what(), mtError, MsgButtons({mbOK}));
      CheckLanguageChoice();
      return;
    }
  }
  // Only a language that could be applied becomes the user's.
  if (store) env_.Settings->WriteString(kProgramGroup, kLanguageKey, std::to_string(number));
  ApplyTexts(number);
}

void TViewerMainForm::ApplyTexts(int number) {
  languageNumber_ = number;
  ApplyLanguage(messages_, TLanguageForms{this, instelformulier_, nullptr});
  RebuildPopupMenu();
  CheckLanguageChoice();
  infoform_->SetLanguage(number);
  UpdatePageLabel();
}

void TViewerMainForm::CheckLanguageChoice() {
  for (QAction* action : languageGroup_->actions()) action->setChecked(action->data().toInt() == languageNumber_);
}

void TViewerMainForm::UpdatePageLabel() {
  const TdtpComponent& doc = *dtpComponent1_;
  paginst_->setText(QString::fromStdString(messages_.Line(mlPage)) + QString::number(doc.CurrentPageIndex() + 1) +
                    QString::fromStdString(messages_.Line(mlOf)) + QString::number(doc.PageCount()));
}

// ---- start-up and closing ----

void TViewerMainForm::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (shown_) return;
  shown_ = true;
  RestoreCaptions();
  RestoreViewSettings();
  FormShow();
}

void TViewerMainForm::FormShow() {
  ApplyStartLanguage();
  drawingFolder_ = "tekeningen";
  defaultFileName_ = "test";
  OpenStartDocument();
  UpdatePageLabel();
}

void TViewerMainForm::closeEvent(QCloseEvent* event) {
  env_.Settings->WriteString(kProgramGroup, kFolderKey, drawingFolder_);
  if (drawingChanged_) {
    const int answer = Confirm(mlSaveChanges, MsgButtons({mbYes, mbNo, mbCancel}), mbYes);
    // A save that does not happen (its dialog cancelled, or failed) keeps the window open.
    if (answer == mrCancel || answer == mrNone || (answer == mrYes && !Save1Click())) {
      event->ignore();
      return;
    }
  }
  event->accept();
}

// ---- settings ----

void TViewerMainForm::RestoreViewSettings() {
  const ISettingsStore& store = *env_.Settings;
  bool ok = false;
  const int quality = QString::fromStdString(store.ReadString(kViewGroup, kPrintQualityKey, "")).toInt(&ok);
  if (ok && quality >= pqLow && quality <= pqDevice) dtpComponent1_->SetPrintQuality(static_cast<TPrintQualityType>(quality));
  const double dpi = QString::fromStdString(store.ReadString(kViewGroup, kRenderDpiKey, "")).toDouble(&ok);
  if (ok && dpi >= kMinRenderDpi && dpi <= kMaxRenderDpi) dtpComponent1_->SetRenderDPI(static_cast<float>(dpi));
  const QByteArray splitter = QByteArray::fromBase64(QByteArray::fromStdString(store.ReadString(kViewGroup, kSplitterKey, "")));
  if (splitter.isEmpty() || !splitter_->restoreState(splitter)) {
    splitter_->setSizes({std::max(width() - kFieldsPaneWidth, 1), kFieldsPaneWidth});
  }
  saveDialogFolder_ = store.ReadString(kViewGroup, kSaveFolderKey, "");
}

void TViewerMainForm::StoreViewSettings() const {
  ISettingsStore& store = *env_.Settings;
  store.WriteString(kViewGroup, kPrintQualityKey, std::to_string(dtpComponent1_->PrintQuality()));
  store.WriteString(kViewGroup, kRenderDpiKey, QString::number(dtpComponent1_->RenderDPI()).toStdString());
  store.WriteString(kViewGroup, kSplitterKey, splitter_->saveState().toBase64().toStdString());
  store.WriteString(kViewGroup, kSaveFolderKey, saveDialogFolder_);
}

void TViewerMainForm::RestoreCaptions() {
  const ISettingsStore& store = *env_.Settings;
  bool ok = false;
  const int count = QString::fromStdString(store.ReadString(kMessagesGroup, "Count", "")).toInt(&ok);
  if (ok && count > 0 && count <= kLanguageLineCount) {
    std::vector<std::string> lines;
    for (int i = 0; i < count; ++i) lines.push_back(store.ReadString(kMessagesGroup, "Item" + std::to_string(i), ""));
    messages_.SetLines(std::move(lines));
  }
  for (const char* name : kStoredCaptions) {
    if (auto caption = store.ReadString(kCaptionsGroup, std::string(name) + ".Caption")) {
      if (QObject* control = findChild<QObject*>(name)) SetControlCaption(control, QString::fromStdString(*caption));
    }
  }
  for (const QString& name : StoredHintNames()) {
    if (auto hint = store.ReadString(kCaptionsGroup, name.toStdString() + ".Hint")) {
      if (QObject* control = findChild<QObject*>(name)) SetControlHint(control, QString::fromStdString(*hint));
    }
  }
}

void TViewerMainForm::StoreCaptions() const {
  ISettingsStore& store = *env_.Settings;
  for (const char* name : kStoredCaptions) {
    if (const QObject* control = findChild<QObject*>(name)) {
      store.WriteString(kCaptionsGroup, std::string(name) + ".Caption", ControlCaption(control).toStdString());
    }
  }
  for (const QString& name : StoredHintNames()) {
    if (const QObject* control = findChild<QObject*>(name)) {
      store.WriteString(kCaptionsGroup, name.toStdString() + ".Hint", ControlHint(control).toStdString());
    }
  }
  store.WriteString(kMessagesGroup, "Count", std::to_string(messages_.Count()));
  for (int i = 0; i < messages_.Count(); ++i) {
    store.WriteString(kMessagesGroup, "Item" + std::to_string(i), messages_.Line(i));
  }
  if (!store.ReadString(kNotesGroup, "message1")) store.WriteString(kNotesGroup, "message1", "hier tekst");
}

}  // namespace kivrano
