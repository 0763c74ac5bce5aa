#pragma once

#include <QString>

namespace kivrano {

// A number the user typed in the fields of the editor: in the user's own format ("12,5" with a
// decimal comma), the C format ("12.5") accepted too. Blanks around it are ignored.
bool ParseUserNumber(const QString& text, double& value);

}  // namespace kivrano
