#pragma once

// Applies the lines of the message table to the controls of the drill editor's windows, found by
// their object names.

#include <QObject>

#include "app/MessageTable.h"

namespace kivrano {

// The windows whose controls take language lines; a window not built yet is none.
struct TLanguageForms {
  QObject* Main = nullptr;          // TViewerMainForm
  QObject* PageSettings = nullptr;  // TInstelformulier
  QObject* FreeText = nullptr;      // TForm2
};

// Sets lines 17 to 259 of the table as captions, hints and texts of the named controls, then
// copies the captions that follow other controls. A line the table lacks, or an empty one, gives
// the control back the text it had before the first language was applied. Controls that do not
// exist are passed over.
void ApplyLanguage(const TMessageTable& table, const TLanguageForms& forms);

// The caption (menu title, action or button text, label text, window title) and hint (tool tip)
// of a control, as the language lines set them.
QString ControlCaption(const QObject* control);
void SetControlCaption(QObject* control, const QString& text);
QString ControlHint(const QObject* control);
void SetControlHint(QObject* control, const QString& text);

}  // namespace kivrano
