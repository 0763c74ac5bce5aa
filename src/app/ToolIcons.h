#pragma once

// The glyphs of the first tool-bar row, drawn in code.

#include <QIcon>
#include <QString>

namespace kivrano {

// The icon of a tool button by its name ("KL1", "kl8", "alignleft", ...); a null icon for others.
QIcon ToolIcon(const QString& name);

}  // namespace kivrano
