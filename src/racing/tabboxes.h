#pragma once

#include <QString>

class QWidget;

namespace racing {

// A value the unit holds is replaced by its default: an information box
// titled "Hinweis", shown whatever the setting Warnings says.
void hint(QWidget* parent, const QString& text);

} // namespace racing
