#include "boxes.h"

#include "shell/platform.h"
#include "shell/session.h"

namespace boxes {

void notice(const Session& session, QWidget* parent, const QString& text)
{
    if (session.warnings() == 0)
        platform().messageBox(parent, QStringLiteral("Hinweis"), text, Platform::Icon::Information);
}

void transferError(QWidget* parent, const QString& text)
{
    platform().messageBox(parent, kAppTitle, text, Platform::Icon::None);
}

void completion(bool noUpdateMessage, QWidget* parent, const QString& text)
{
    if (!noUpdateMessage)
        platform().messageBox(parent, kAppTitle, text, Platform::Icon::None);
}

void defaultUsed(QWidget* parent, const QString& text)
{
    platform().messageBox(parent, kAppTitle, text, Platform::Icon::None);
}

void defaultUsedHint(QWidget* parent, const QString& text)
{
    platform().messageBox(parent, QStringLiteral("Hinweis"), text, Platform::Icon::Information);
}

} // namespace boxes
