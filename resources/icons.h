#pragma once

#include <QIcon>
#include <QStringList>

namespace quillon {

// Registers the icons under ":/icons/". A resource in a static library is dropped by the linker
// unless something refers to it, so the program calls this once before it builds its actions.
void InitIcons();

// The names of all icons, without the folder and the ".svg".
const QStringList& IconNames();

// The icon of that name (one of IconNames), drawn when first shown.
QIcon Icon(const QString& name);

}  // namespace quillon
