#include "tabboxes.h"

#include "shell/platform.h"

namespace racing {

void hint(QWidget* parent, const QString& text)
{
    platform().messageBox(parent, QStringLiteral("Hinweis"), text, Platform::Icon::Information);
}

} // namespace racing
