#pragma once

#include <QString>
#include <optional>

#include "localization/ui/windowtables.h"

class QObject;
class QWidget;

namespace quillon {

// Reads and writes one translatable text of a Qt object. `window` is the translated window,
// whose own caption is its title. Reading answers none when the object does not show that kind
// of text (a tool tip of a timer, a column a list does not have).
std::optional<QString> ReadQtText(QObject* object, QWidget* window, TVxLang_QtText text, int index);
void WriteQtText(QObject* object, QWidget* window, TVxLang_QtText text, int index,
                 const QString& value);

}  // namespace quillon
