#pragma once

#include "shell/kit/helpkey.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QWidget;

// Opens the help at a topic (a page name such as "optionen.html"); an empty
// topic opens the start page. Goes through the platform services, so a test
// sees which topic a window asked for.
void ShowHelp(const QString& topic);

namespace help {

inline const QString kStartPage = QStringLiteral("index.html");

// The topics the windows ask for, in the order of the windows.
const QStringList& windowTopics();

// The page shown for a topic: the page of that exact name when the help has
// one, else the start page.
QUrl pageFor(const QString& topic);

// The desktop's help handler: shows the topic in the one help window.
void showInHelpWindow(const QString& topic);

} // namespace help
