#include "app/LanguageApply.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QStringList>
#include <QVariant>
#include <QWidget>
#include <string_view>

namespace kivrano {

namespace {

enum TTarget { tCaption, tHint, tHintAndCaption, tItems };
enum TForm { fMain, fPageSettings, fFreeText };

struct TAssignment {
  int Line;
  TForm Form;
  // Control names separated by blanks; a window's own name stands for its title.
  const char* Names;
  TTarget Target;
};

// Which line goes where. Lines of controls not built yet stay in the table and find their controls
// once those exist.
constexpr TAssignment kAssignments[] = {
    {17, fMain, "File1", tCaption}, {18, fMain, "Open1", tCaption}, {19, fMain, "en1", tCaption},
    {20, fMain, "acExit1", tCaption}, {21, fMain, "Print1", tCaption}, {22, fMain, "Afdrukvoorbeeld1", tCaption},
    {23, fMain, "Paginainstelling1", tCaption}, {24, fMain, "Save1", tCaption}, {25, fMain, "SaveAs1", tCaption},
    {26, fMain, "New1", tCaption}, {27, fMain, "MenuItem1", tCaption}, {28, fMain, "Undo1", tCaption},
    {29, fMain, "Redo1", tCaption}, {30, fMain, "Cut1", tCaption}, {31, fMain, "Copy1", tCaption},
    {32, fMain, "Page1", tCaption}, {33, fMain, "Verwijderen1", tCaption}, {34, fMain, "AllesSelecteren1", tCaption},
    {35, fMain, "KL1", tHint}, {36, fMain, "kl10", tHint}, {37, fMain, "kl11", tHint}, {38, fMain, "kl12", tHint},
    {39, fMain, "kl13", tHint}, {40, fMain, "kl14", tHint}, {41, fMain, "kl15", tHint}, {42, fMain, "kl16", tHint},
    {43, fMain, "kl17", tHint}, {44, fMain, "kl18", tHint}, {45, fMain, "KL2", tHint}, {46, fMain, "kl20", tHint},
    {47, fMain, "kl21", tHint}, {48, fMain, "kl22", tHint}, {49, fMain, "kl23", tHint}, {50, fMain, "KL3", tHint},
    {51, fMain, "KL4", tHint}, {52, fMain, "KL5", tHint}, {53, fMain, "KL6", tHint}, {54, fMain, "kl7", tHint},
    {55, fMain, "kl8", tHint}, {56, fMain, "kl9", tHint}, {57, fMain, "Shape1", tCaption},
    {58, fMain, "DeleteShapes1", tCaption}, {59, fMain, "kl24", tHint}, {59, fMain, "MoveBack1", tCaption},
    {60, fMain, "kl25", tHint}, {60, fMain, "MoveFwd1", tCaption}, {61, fMain, "ToBkgnd1", tCaption},
    {62, fMain, "ToFgnd1", tCaption}, {63, fMain, "Group1", tCaption}, {64, fMain, "Ungroup1", tCaption},
    {65, fMain, "Align1", tCaption}, {66, fMain, "kl26", tHint}, {66, fMain, "Exporteren1", tCaption},
    {67, fMain, "Addnewpageatend2", tCaption}, {68, fMain, "Insertpagehere1", tCaption},
    {69, fMain, "EditPageName1", tCaption}, {70, fMain, "DeletePage1", tCaption},
    {71, fMain, "ZoomBreedte1", tCaption}, {72, fMain, "Paginaweergave1", tCaption}, {74, fMain, "About1", tCaption},
    {75, fMain, "ZoomIn2", tCaption}, {76, fMain, "Zoomuit1", tCaption},
    {77, fMain, "L1", tHint}, {78, fMain, "L10", tHint}, {79, fMain, "L11", tHint}, {80, fMain, "L12", tHint},
    {81, fMain, "L21", tHint}, {82, fMain, "L14", tHint}, {83, fMain, "L15", tHint}, {84, fMain, "L16", tHint},
    {85, fMain, "L17", tHint}, {86, fMain, "L18", tHint}, {87, fMain, "L19", tHint}, {88, fMain, "L2", tHint},
    {89, fMain, "L20", tHint}, {90, fMain, "L3", tHint}, {91, fMain, "L4", tHint}, {92, fMain, "L5", tHint},
    {93, fMain, "L6", tHint}, {94, fMain, "L7", tHint}, {95, fMain, "L8", tHint}, {96, fMain, "L9", tHint},
    {97, fMain, "BSpelers", tHint}, {98, fMain, "Figuur1", tHint}, {99, fMain, "Lettertype", tHint},
    {100, fMain, "StyleB", tHint}, {101, fMain, "StyleI", tHint}, {102, fMain, "StyleU", tHint},
    {103, fMain, "TBSNr", tHint}, {104, fMain, "TBSKl", tHint}, {105, fMain, "TBLIne", tHint},
    {106, fMain, "TBLetter", tHint}, {108, fMain, "Txt1", tHint}, {109, fMain, "LineKleur", tHint},
    {110, fMain, "M1", tHint}, {111, fMain, "M10 SAA1", tHint}, {112, fMain, "M11 M33 M37 M47 M48", tHint},
    {113, fMain, "M12", tHint}, {114, fMain, "M13", tHint}, {115, fMain, "M14", tHint}, {116, fMain, "M15", tHint},
    {117, fMain, "M16", tHint}, {118, fMain, "M17", tHint}, {119, fMain, "M18 M45 M46", tHint},
    {120, fMain, "M19", tHint}, {121, fMain, "M2", tHint}, {122, fMain, "M20", tHint}, {123, fMain, "M21", tHint},
    {124, fMain, "M22", tHint}, {125, fMain, "M23", tHint}, {126, fMain, "M24", tHint}, {127, fMain, "M25", tHint},
    {128, fMain, "M26", tHint}, {129, fMain, "M27", tHint}, {130, fMain, "M28", tHint}, {131, fMain, "M29", tHint},
    {132, fMain, "M3", tHint}, {133, fMain, "M30", tHint}, {134, fMain, "M31", tHint}, {135, fMain, "M32", tHint},
    {136, fMain, "M4", tHint}, {137, fMain, "M5", tHint}, {139, fMain, "M7", tHint}, {140, fMain, "M8", tHint},
    {141, fMain, "M9", tHint},
    {142, fFreeText, "Label1", tCaption}, {143, fFreeText, "BitBtn1", tCaption}, {144, fFreeText, "BitBtn2", tCaption},
    {145, fFreeText, "BitBtn3", tCaption},
    {146, fPageSettings, "Staand", tCaption}, {147, fPageSettings, "Liggend", tCaption},
    {148, fPageSettings, "Eigen", tCaption}, {149, fPageSettings, "Label3", tCaption},
    {150, fPageSettings, "Label4", tCaption}, {151, fPageSettings, "snap", tCaption},
    {152, fPageSettings, "Label1", tCaption}, {153, fPageSettings, "Label2", tCaption},
    {154, fPageSettings, "Sluiten", tCaption}, {155, fPageSettings, "TInstelformulier", tCaption},
    {156, fPageSettings, "Kwaliteit2", tItems},
    {192, fMain, "Printcurrentpage1 Paginaafdrukken1", tCaption}, {193, fMain, "kl19", tHint},
    {194, fMain, "Bselectie", tHint}, {195, fMain, "Klein", tCaption}, {196, fMain, "paginst", tCaption},
    {200, fMain, "Staandblad1", tCaption}, {201, fMain, "Liggendblad1", tCaption},
    {202, fMain, "Volledigdoel1 Volledigterrein1 Volledigterrein2", tCaption},
    {203, fMain, "Volledigterreinliggend1", tCaption}, {204, fMain, "N12doel1 N12Terrein2 N12Terrein3", tCaption},
    {205, fMain, "N34doel1 N34Terrein2 N34Terrein3", tCaption},
    {206, fMain, "Nogeenplein1 Dubbelerechthoek2 Dubbelerechthoek3", tCaption},
    {208, fMain, "ToolbarBtn_pijltjes", tHint}, {208, fMain, "Pijlen1", tCaption}, {209, fMain, "Geen1", tCaption},
    {210, fMain, "Beiden1", tCaption}, {211, fMain, "Begin1", tCaption}, {212, fMain, "Einde1", tCaption},
    {213, fMain, "Help1", tCaption}, {216, fMain, "M34 M35 M49", tHint}, {217, fMain, "M36 M6 M50", tHint},
    {218, fMain, "L13", tHint}, {219, fMain, "L22", tHint}, {220, fMain, "L23", tHint}, {221, fMain, "L24", tHint},
    {223, fMain, "M38 M52", tHint}, {224, fMain, "M39 M51", tHint},
    {228, fMain, "Label1", tCaption}, {229, fMain, "Label2", tCaption}, {230, fMain, "Label3", tCaption},
    {231, fMain, "Label4", tCaption}, {232, fMain, "Label5", tCaption}, {233, fMain, "Label6", tCaption},
    {234, fMain, "Aanpasbaar_plein Aanpasbaar1", tCaption}, {235, fMain, "MGoed", tCaption},
    {236, fMain, "MVoldoende", tCaption}, {237, fMain, "MZwak", tCaption}, {238, fMain, "M41", tHint},
    {239, fMain, "M42", tHint}, {240, fMain, "MDenken", tCaption}, {241, fMain, "MZeggen", tCaption},
    {242, fMain, "Auteur1", tCaption}, {244, fMain, "Auteur1", tHint}, {245, fMain, "L26", tCaption},
    {246, fMain, "L25", tCaption}, {247, fMain, "alignbottom", tHint}, {248, fMain, "aligntop", tHint},
    {249, fMain, "alignleft", tHint}, {250, fMain, "alignmiddle", tHint}, {251, fMain, "aligncenter", tHint},
    {252, fMain, "alignright", tHint}, {253, fMain, "trui", tHint}, {254, fMain, "doel", tHint},
    {255, fMain, "M43", tHint}, {256, fMain, "M44", tHint}, {257, fMain, "doelvoor", tHintAndCaption},
    {258, fMain, "doelachter", tHintAndCaption}, {259, fMain, "doelaanp", tHint},
};

// Captions copied from other controls once the lines are applied: {to, from}.
constexpr std::pair<const char*, const char*> kCopiedCaptions[] = {
    {"Volledigterreinhorizontaalgroot1", "Volledigdoel1"}, {"Volledigterreinstaand1", "Volledigterreinliggend1"},
    {"N12terrein1", "N12doel1"}, {"N34terrein1", "N34doel1"}, {"Dubbelerechthoek1", "Nogeenplein1"},
    {"eerste1", "Undo1"}, {"tweede1", "Redo1"}, {"derde1", "Cut1"}, {"vierde1", "Copy1"}, {"vijfde1", "Paste1"},
    {"Verwijderen2", "Verwijderen1"}};

// Menu items that take a tool button's hint. Their captions have no line of their own, so the hint
// becomes their caption as well: a menu in one language throughout. Copied before the captions,
// as the context menu's paste item copies Paste1.
constexpr std::pair<const char*, const char*> kCopiedHints[] = {
    {"NextPage1", "kl19"}, {"PreviousPage1", "kl18"}, {"Paste1", "kl11"}};

// Dynamic properties keeping the texts a control had before any language was applied.
constexpr const char* kDesignCaption = "kivranoDesignCaption";
constexpr const char* kDesignHint = "kivranoDesignHint";
constexpr const char* kDesignItems = "kivranoDesignItems";

QObject* FormOf(const TLanguageForms& forms, TForm form) {
  switch (form) {
    case fMain: return forms.Main;
    case fPageSettings: return forms.PageSettings;
    case fFreeText: return forms.FreeText;
  }
  return nullptr;
}

QObject* Find(QObject* form, const QString& name) {
  if (!form) return nullptr;
  if (form->objectName() == name) return form;
  return form->findChild<QObject*>(name);
}

QString DesignText(QObject* control, const char* property, const QString& current) {
  const QVariant design = control->property(property);
  if (design.isValid()) return design.toString();
  control->setProperty(property, current);
  return current;
}

void ApplyItems(QObject* control, const TMessageTable& table, int firstLine) {
  auto* list = qobject_cast<QComboBox*>(control);
  if (!list) return;
  QStringList design;
  for (int i = 0; i < list->count(); ++i) design << list->itemText(i);
  if (list->property(kDesignItems).isValid()) design = list->property(kDesignItems).toStringList();
  list->setProperty(kDesignItems, design);
  QStringList items;
  for (int k = 0; k < 2; ++k) {
    const std::string& line = table.Line(firstLine + k);
    if (!line.empty()) items << QString::fromStdString(line);
    else if (k < design.size()) items << design[k];
  }
  const QString current = list->currentText();
  list->clear();
  list->addItems(items);
  if (list->findText(current) >= 0) list->setCurrentText(current);
}

void Apply(QObject* control, TTarget target, const std::string& line, const TMessageTable& table, int lineIndex) {
  if (target == tItems) return ApplyItems(control, table, lineIndex);
  if (target == tCaption || target == tHintAndCaption) {
    const QString design = DesignText(control, kDesignCaption, ControlCaption(control));
    SetControlCaption(control, line.empty() ? design : QString::fromStdString(line));
  }
  if (target == tHint || target == tHintAndCaption) {
    const QString design = DesignText(control, kDesignHint, ControlHint(control));
    SetControlHint(control, line.empty() ? design : QString::fromStdString(line));
  }
}

}  // namespace

QString ControlCaption(const QObject* control) {
  if (auto* menu = qobject_cast<const QMenu*>(control)) return menu->title();
  if (auto* action = qobject_cast<const QAction*>(control)) return action->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
  if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
  if (auto* widget = qobject_cast<const QWidget*>(control)) return widget->windowTitle();
  return QString();
}

void SetControlCaption(QObject* control, const QString& text) {
  if (auto* menu = qobject_cast<QMenu*>(control)) return menu->setTitle(text);
  if (auto* action = qobject_cast<QAction*>(control)) return action->setText(text);
  if (auto* button = qobject_cast<QAbstractButton*>(control)) return button->setText(text);
  if (auto* label = qobject_cast<QLabel*>(control)) return label->setText(text);
  if (auto* widget = qobject_cast<QWidget*>(control)) return widget->setWindowTitle(text);
}

QString ControlHint(const QObject* control) {
  if (auto* action = qobject_cast<const QAction*>(control)) return action->toolTip();
  if (auto* widget = qobject_cast<const QWidget*>(control)) return widget->toolTip();
  return QString();
}

void SetControlHint(QObject* control, const QString& text) {
  if (auto* action = qobject_cast<QAction*>(control)) {
    action->setToolTip(text);
    action->setStatusTip(text);
  } else if (auto* widget = qobject_cast<QWidget*>(control)) {
    widget->setToolTip(text);
    widget->setStatusTip(text);
  }
}

void ApplyLanguage(const TMessageTable& table, const TLanguageForms& forms) {
  for (const TAssignment& a : kAssignments) {
    QObject* form = FormOf(forms, a.Form);
    for (const QString& name : QString(a.Names).split(' ', Qt::SkipEmptyParts)) {
      if (QObject* control = Find(form, name)) Apply(control, a.Target, table.Line(a.Line), table, a.Line);
    }
  }
  for (const auto& [to, from] : kCopiedHints) {
    QObject* target = Find(forms.Main, to);
    QObject* source = Find(forms.Main, from);
    if (!target || !source) continue;
    SetControlHint(target, ControlHint(source));
    SetControlCaption(target, ControlHint(source));
  }
  for (const auto& [to, from] : kCopiedCaptions) {
    QObject* target = Find(forms.Main, to);
    QObject* source = Find(forms.Main, from);
    if (target && source) SetControlCaption(target, ControlCaption(source));
  }
}

}  // namespace kivrano
