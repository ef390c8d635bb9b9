#include "options/help.h"

#include "options/helpwindow.h"
#include "shell/platform.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

// The pages live in this static library; without a reference the linker
// would drop them.
static void loadHelpResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(help);
        return true;
    }();
    (void)loaded;
}

void ShowHelp(const QString& topic)
{
    platform().showHelp(topic);
}

namespace help {

const QStringList& windowTopics()
{
    static const QStringList topics = {
        QStringLiteral("zustandsanzeige.html"),
        QStringLiteral("fmem.html"),
        QStringLiteral("aktortest.html"),
        QStringLiteral("dwgtest.html"),
        QStringLiteral("st_optionen.html"),
        QStringLiteral("zwa.html"),
        QStringLiteral("logview.html"),
        QStringLiteral("r_optionen_ignitiontable.html"),
        QStringLiteral("r_optionen_switching.html"),
        QStringLiteral("r_optionen_injection.html"),
        QStringLiteral("r_optionen_zusatz.html"),
        QStringLiteral("r_optionen_Choke.html"),
        QStringLiteral("r_optionen_lastwechsel.html"),
        QStringLiteral("optionen.html"),
        QStringLiteral("support.html"),
    };
    return topics;
}

QUrl pageFor(const QString& topic)
{
    loadHelpResources();
    // Only plain page names; anything with a path part could leave the help.
    const bool plainName = !topic.isEmpty() && !topic.contains(QLatin1Char('/'))
        && !topic.contains(QLatin1Char('\\')) && !topic.startsWith(QLatin1Char('.'));
    const QString name = plainName && QFile::exists(QStringLiteral(":/help/") + topic) ? topic : kStartPage;
    return QUrl(QStringLiteral("qrc:/help/") + name);
}

namespace {

QPointer<HelpWindow> g_helpWindow;

} // namespace

void showInHelpWindow(const QString& topic)
{
    // A modal window blocks every window that is not its own child, so the
    // help window is made a child of the modal window that asks for help.
    QWidget* owner = QApplication::activeModalWidget();
    if (g_helpWindow && g_helpWindow->parentWidget() != owner) {
        g_helpWindow->setParent(owner, g_helpWindow->windowFlags() | Qt::Window);
    }
    if (!g_helpWindow)
        g_helpWindow = new HelpWindow(owner);
    g_helpWindow->showTopic(topic);
    g_helpWindow->show();
    g_helpWindow->raise();
    g_helpWindow->activateWindow();
}

} // namespace help
