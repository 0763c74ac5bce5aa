// The document commands of the main window: file commands, pages, the position fields and the
// refresh of the fields from the shape the view reports.

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QLocale>

#include "app/Info_unit.h"
#include "app/Instelling.h"
#include "app/Main.h"
#include "app/UserNumbers.h"
#include "base/Exception.h"
#include "engine/dtpPage.h"
#include "platform/Dialogs.h"

namespace kivrano {

namespace {

// The editor's own settings of the view, which a drawing does not carry: clearing the view for a
// new or opened drawing resets them, so they are put back afterwards.
class TKeptViewSettings {
 public:
  explicit TKeptViewSettings(TdtpDocument& doc)
      : doc_(doc), printQuality_(doc.PrintQuality()), undoPastSave_(doc.UndoPastSave()) {}
  void Restore() {
    doc_.SetPrintQuality(printQuality_);
    doc_.SetUndoPastSave(undoPastSave_);
  }

 private:
  TdtpDocument& doc_;
  TPrintQualityType printQuality_;
  bool undoPastSave_;
};

void ShowError(const Exception& e) { Dialogs().MessageDlg(e.what(), mtError, MsgButtons({mbOK})); }

QString FormatMillimetres(double value) { return QLocale().toString(value, 'f', 2); }

}  // namespace

int TViewerMainForm::Confirm(int line, TMsgDlgButtons buttons, TMsgDlgBtn defaultButton) {
  return Dialogs().CaptionedMessageDlg(messages_.Line(mlConfirm), messages_.Line(line), mtConfirmation, buttons,
                                       defaultButton);
}

TFileDialogOptions TViewerMainForm::FileDialogOptions(const char* title) const {
  TFileDialogOptions options;
  options.Title = title;
  options.Filter = "Tekeningen|*.hsf";
  options.DefaultExt = "hsf";
  options.InitialDir = saveDialogFolder_.empty() ? DrawingFolderPath() : saveDialogFolder_;
  return options;
}

std::string TViewerMainForm::DrawingFolderPath() const {
  return QDir(QString::fromStdString(env_.DataFolder)).filePath(QString::fromStdString(drawingFolder_)).toStdString();
}

// ---- file commands ----

bool TViewerMainForm::SaveChangesFirst() {
  const int answer = Confirm(mlSaveChanges, MsgButtons({mbYes, mbNo, mbCancel}), mbYes);
  if (answer == mrNo) return true;
  // Yes goes on only once the drawing is saved: cancelling the save dialog keeps the drawing.
  return answer == mrYes && Save1Click();
}

void TViewerMainForm::New1Click() {
  TdtpComponent& doc = *dtpComponent1_;
  if (doc.Modified() && !SaveChangesFirst()) return;
  TKeptViewSettings kept(doc);
  const float renderDpi = doc.RenderDPI();
  try {
    doc.NewDocument();
    kept.Restore();
    doc.SetRenderDPI(renderDpi);
    doc.SetHelperMethod(hmGrid);
    doc.SetViewStyle(vsNormal);
    doc.ResetZoom();
    doc.SetModified(false);
  } catch (const Exception& e) {
    ShowError(e);
    return;
  }
  currentFileName_.clear();
  clickCount_ = 0;
  UpdatePageLabel();
}

void TViewerMainForm::Open1Click() {
  TFileDialogOptions options = FileDialogOptions("Open een tekening");
  const std::optional<std::string> chosen = Dialogs().OpenDialog(options);
  // Opening another drawing over unsaved changes asks first, as New does.
  if (chosen && (!dtpComponent1_->Modified() || SaveChangesFirst())) {
    TKeptViewSettings kept(*dtpComponent1_);
    try {
      dtpComponent1_->LoadFromFile(*chosen);
      kept.Restore();
      currentFileName_ = *chosen;
    } catch (const Exception&) {
      // A drawing that cannot be read leaves the current one and its name as they were.
    }
  }
  UpdatePageLabel();
}

void TViewerMainForm::OpenStartDocument() {
  if (env_.DocumentPath.empty()) return;
  TKeptViewSettings kept(*dtpComponent1_);
  try {
    dtpComponent1_->LoadFromFile(env_.DocumentPath);
    kept.Restore();
  } catch (const Exception& e) {
    // Start-up goes on with the drawing the view holds.
    Dialogs().MessageDlg(env_.DocumentPath + ": " + e.what(), mtError, MsgButtons({mbOK}));
  }
}

bool TViewerMainForm::Save1Click() {
  if (currentFileName_.empty()) return SaveWithDialog(mlOverwrite);
  return SaveTo(currentFileName_);
}

bool TViewerMainForm::SaveAs1Click() { return SaveWithDialog(mlOverwriteSaveAs); }

bool TViewerMainForm::SaveWithDialog(int overwriteLine) {
  TFileDialogOptions options = FileDialogOptions("");
  const QString folder = QString::fromStdString(DrawingFolderPath());
  if (QDir().mkpath(folder) && QFileInfo(folder).isDir()) {
    options.FileName = QDir(folder).filePath(QString::fromStdString(defaultFileName_)).toStdString();
  }
  const std::optional<std::string> chosen = Dialogs().SaveDialog(options);
  if (!chosen) return false;
  if (QFileInfo::exists(QString::fromStdString(*chosen)) &&
      Confirm(overwriteLine, MsgButtons({mbYes, mbNo, mbCancel}), mbNo) != mrYes) {
    return false;
  }
  if (!SaveTo(*chosen)) return false;
  currentFileName_ = *chosen;
  saveDialogFolder_ = QFileInfo(QString::fromStdString(*chosen)).absolutePath().toStdString();
  return true;
}

bool TViewerMainForm::SaveTo(const std::string& path) {
  try {
    dtpComponent1_->SaveToFile(path);
    return true;
  } catch (const Exception& e) {
    ShowError(e);
    return false;
  }
}

// ---- pages ----

void TViewerMainForm::Addnewpageatend2Click() {
  TdtpComponent& doc = *dtpComponent1_;
  try {
    doc.AddPage(nullptr);
    doc.SetCurrentPageIndex(doc.CurrentPageIndex() + 1);
  } catch (const Exception& e) {
    ShowError(e);
  }
  UpdatePageLabel();
}

void TViewerMainForm::Insertpagehere1Click() {
  TdtpComponent& doc = *dtpComponent1_;
  try {
    auto page = std::make_unique<TdtpPage>();
    page->SetDocWidth(doc.DefaultPageWidth());
    page->SetDocHeight(doc.DefaultPageHeight());
    doc.InsertPage(std::max(doc.CurrentPageIndex(), 0), std::move(page));
  } catch (const Exception& e) {
    ShowError(e);
  }
  UpdatePageLabel();
}

void TViewerMainForm::DeletePage1Click() {
  TdtpComponent& doc = *dtpComponent1_;
  if (Confirm(mlDeletePage, MsgButtons({mbYes, mbNo}), mbYes) == mrYes) {
    try {
      doc.DeletePage(doc.CurrentPageIndex());
      // A drawing always keeps a page to draw on: deleting the only one leaves an empty page.
      if (doc.PageCount() == 0) doc.AddPage(nullptr);
      if (!doc.CurrentPage()) doc.SetCurrentPageIndex(std::min(doc.CurrentPageIndex(), doc.PageCount() - 1));
    } catch (const Exception& e) {
      ShowError(e);
    }
  }
  UpdatePageLabel();
}

void TViewerMainForm::NextPage1Click() {
  TdtpComponent& doc = *dtpComponent1_;
  if (doc.CurrentPageIndex() < doc.PageCount() - 1) doc.SetCurrentPageIndex(doc.CurrentPageIndex() + 1);
  UpdatePageLabel();
}

void TViewerMainForm::PreviousPage1Click() {
  TdtpComponent& doc = *dtpComponent1_;
  if (doc.CurrentPageIndex() > 0) doc.SetCurrentPageIndex(doc.CurrentPageIndex() - 1);
  UpdatePageLabel();
}

void TViewerMainForm::Paginainstelling1Click() { instelformulier_->ShowSettings(); }

void TViewerMainForm::About1Click() {
  infoform_->setWindowTitle("Info");
  infoform_->show();
  infoform_->raise();
}

// ---- position fields ----

void TViewerMainForm::ShowShapeFields(TdtpShape* shape) {
  if (!shape) return;
  try {
    const TFloatRect r = shape->GetBoundsRect();
    const double values[6] = {r.Left, r.Right, r.Top, r.Bottom, r.Right - r.Left, r.Bottom - r.Top};
    for (int i = 0; i < 6; ++i) edits_[i + 1]->setText(FormatMillimetres(values[i]));
    edits_[7]->setText(QString::fromStdString(shape->ClassName()));
    edits_[8]->setText(QString::fromStdString(shape->GetDisplayName()));
    edits_[9]->setText(QString::number(shape->GetIndex()));
  } catch (const Exception&) {
  }
}

void TViewerMainForm::EditExit(int field) {
  TdtpComponent& doc = *dtpComponent1_;
  if (field < 1 || field > 6 || !doc.HasSelection()) return;
  double value = 0;
  double height = 0;
  if (!ParseUserNumber(edits_[field]->text(), value)) return;
  if (field >= 5 && (!ParseUserNumber(edits_[5]->text(), value) || !ParseUserNumber(edits_[6]->text(), height))) return;
  TdtpShape* shape = doc.Selection(0);
  const auto v = static_cast<float>(value);
  try {
    doc.BeginUndo();
    switch (field) {
      case 1: shape->SetBoundsLeft(v); break;
      case 2: shape->SetBoundsRight(v); break;
      case 3: shape->SetBoundsTop(v); break;
      case 4: shape->SetBoundsBottom(v); break;
      default: shape->SetDocSize(v, static_cast<float>(height)); break;
    }
    doc.EndUndo();
  } catch (const Exception&) {
    doc.EndUndo();
  }
}

}  // namespace kivrano
