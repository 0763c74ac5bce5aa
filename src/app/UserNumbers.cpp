#include "app/UserNumbers.h"

#include <QLocale>

namespace kivrano {

bool ParseUserNumber(const QString& text, double& value) {
  bool ok = false;
  const QString trimmed = text.trimmed();
  value = QLocale().toDouble(trimmed, &ok);
  if (!ok) value = QLocale::c().toDouble(trimmed, &ok);
  return ok;
}

}  // namespace kivrano
