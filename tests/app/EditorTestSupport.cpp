#include "EditorTestSupport.h"

#include <QFile>
#include <QTest>

#include "app/LanguageApply.h"
#include "shapes/dtpFigures.h"
#include "shapes/dtpShapeClasses.h"

namespace kivrano::test {

std::vector<std::string> LanguageLines(const std::string& prefix, int count) {
  std::vector<std::string> lines;
  for (int k = 0; k < count; ++k) lines.push_back(prefix + " " + std::to_string(k));
  auto set = [&](int k, const std::string& text) {
    if (k < count) lines[static_cast<size_t>(k)] = text;
  };
  set(11, prefix + " page ");
  set(12, " / ");
  return lines;
}

void WriteLanguageFile(const QString& folder, const std::string& fileName, const std::vector<std::string>& lines) {
  QFile file(folder + "/" + QString::fromStdString(fileName));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write a language file");
  for (const std::string& line : lines) file.write((line + "\n").c_str());
}

TEditorFixture::TEditorFixture() {
  RegisterStandardShapeClasses();
  previousDialogs_ = SetDialogs(&dialogs);
}

TEditorFixture::~TEditorFixture() {
  Destroy();
  SetDialogs(previousDialogs_);
}

TEditorEnvironment TEditorFixture::Environment() {
  TEditorEnvironment env;
  env.Settings = &settings;
  env.LanguageFolders = {languages.path().toStdString()};
  env.DataFolder = data.path().toStdString();
  env.LocaleName = "nl_BE";
  return env;
}

TViewerMainForm& TEditorFixture::Start(TEditorEnvironment env) {
  Destroy();
  form_ = std::make_unique<TViewerMainForm>(std::move(env));
  form_->resize(1000, 700);
  form_->show();
  return *form_;
}

void TEditorFixture::Destroy() { form_.reset(); }

void TEditorFixture::Trigger(const char* name) {
  auto* action = form_->findChild<QAction*>(name);
  if (!action) qFatal("no action %s", name);
  action->trigger();
}

QString TEditorFixture::Caption(const char* name) { return ControlCaption(form_->findChild<QObject*>(name)); }
QString TEditorFixture::Hint(const char* name) { return ControlHint(form_->findChild<QObject*>(name)); }

TdtpShape* TEditorFixture::AddSelectedRectangle(float left, float top, float width, float height) {
  auto shape = std::make_unique<TdtpRectangleShape>();
  shape->SetBounds(left, top, width, height);
  TdtpShape* added = shape.get();
  View().AddShape(std::move(shape));
  View().ClearSelection();
  View().ToggleSelection(added);
  return added;
}

}  // namespace kivrano::test
