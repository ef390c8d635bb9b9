#include "options/help.h"
#include "options/helpwindow.h"
#include "support/scriptedplatform.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

QString pageText(const QUrl& page)
{
    QFile f(QLatin1Char(':') + page.path());
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QString titleOf(const QUrl& page)
{
    const auto m = QRegularExpression(QStringLiteral("<title>(.*)</title>")).match(pageText(page));
    return m.hasMatch() ? m.captured(1) : QString();
}

const QStringList kTableTopics = {
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

TEST(Help, EveryWindowTopic_HasAPageOfItsOwn)
{
    EXPECT_EQ(help::windowTopics(), kTableTopics);
    const QString startTitle = titleOf(help::pageFor(QString()));
    ASSERT_FALSE(startTitle.isEmpty());
    QStringList titles;
    for (const QString& topic : kTableTopics) {
        const QUrl page = help::pageFor(topic);
        EXPECT_EQ(page.fileName(), topic);
        const QString title = titleOf(page);
        EXPECT_FALSE(title.isEmpty()) << topic.toStdString();
        EXPECT_NE(title, startTitle) << topic.toStdString();
        EXPECT_FALSE(titles.contains(title)) << title.toStdString();
        titles << title;
        // Each page is reachable from the table of contents.
        EXPECT_TRUE(pageText(help::pageFor(QString())).contains(QStringLiteral("href=\"%1\"").arg(topic)))
            << topic.toStdString();
    }
}

TEST(Help, UnknownEmptyOrForeignTopics_ShowTheStartPage)
{
    for (const char* topic : { "", "gibtsnicht.html", "R_OPTIONEN_CHOKE.HTML", "r_optionen_choke.html",
             "../help/fmem.html", "/help/fmem.html", "help/fmem.html" })
        EXPECT_EQ(help::pageFor(QString::fromLatin1(topic)), QUrl(QStringLiteral("qrc:/help/index.html")))
            << topic;
}

TEST(Help, EveryLinkInThePages_LeadsToAPage)
{
    QStringList pages = kTableTopics;
    pages << QStringLiteral("index.html");
    const QRegularExpression href(QStringLiteral("href=\"([^\"#]*)(#[^\"]*)?\""));
    for (const QString& page : pages) {
        const QString html = pageText(help::pageFor(page));
        ASSERT_FALSE(html.isEmpty()) << page.toStdString();
        for (auto it = href.globalMatch(html); it.hasNext();) {
            const QString target = it.next().captured(1);
            if (target.startsWith(QLatin1String("http")) || target.isEmpty())
                continue;
            EXPECT_TRUE(QFile::exists(QStringLiteral(":/help/") + target))
                << page.toStdString() << " -> " << target.toStdString();
        }
    }
}

TEST(Help, ShowHelp_GoesThroughThePlatform)
{
    ScriptedPlatform scripted;
    ShowHelp(QStringLiteral("fmem.html"));
    ShowHelp(QString());
    EXPECT_EQ(scripted.helpTopics, (QStringList { QStringLiteral("fmem.html"), QString() }));
}

TEST(HelpWindow, FollowsLinksAndGoesBackForwardAndHome)
{
    ScriptedPlatform scripted;
    HelpWindow window;
    auto* browser = window.findChild<QTextBrowser*>(QStringLiteral("txtHelp"));
    auto* back = window.findChild<QPushButton*>(QStringLiteral("btnBack"));
    auto* forward = window.findChild<QPushButton*>(QStringLiteral("btnForward"));
    auto* home = window.findChild<QPushButton*>(QStringLiteral("btnHome"));
    ASSERT_TRUE(browser && back && forward && home);
    EXPECT_EQ(window.currentPage().fileName(), QStringLiteral("index.html"));
    EXPECT_FALSE(back->isEnabled());

    window.showTopic(QStringLiteral("r_optionen_Choke.html"));
    EXPECT_EQ(window.currentPage().fileName(), QStringLiteral("r_optionen_Choke.html"));
    EXPECT_FALSE(browser->toPlainText().isEmpty());
    emit browser->anchorClicked(QUrl(QStringLiteral("r_optionen_lastwechsel.html")));
    EXPECT_EQ(window.currentPage().fileName(), QStringLiteral("r_optionen_lastwechsel.html"));
    back->click();
    EXPECT_EQ(window.currentPage().fileName(), QStringLiteral("r_optionen_Choke.html"));
    EXPECT_TRUE(forward->isEnabled());
    forward->click();
    EXPECT_EQ(window.currentPage().fileName(), QStringLiteral("r_optionen_lastwechsel.html"));
    home->click();
    EXPECT_EQ(window.currentPage().fileName(), QStringLiteral("index.html"));

    window.showTopic(QStringLiteral("gibtsnicht.html"));
    EXPECT_EQ(window.currentPage().fileName(), QStringLiteral("index.html"));
    EXPECT_TRUE(scripted.urls.isEmpty());

    // Addresses outside the help go to the desktop's browser.
    emit browser->anchorClicked(QUrl(QStringLiteral("https://www.velmora.example/")));
    EXPECT_EQ(scripted.urls, QStringList { QStringLiteral("https://www.velmora.example/") });
    EXPECT_EQ(window.currentPage().fileName(), QStringLiteral("index.html"));
}

} // namespace

namespace {

TEST(HelpWindow, Escape_ClosesItWhetherThePageOrAButtonHasTheFocus)
{
    for (const char* control : { "txtHelp", "btnHome" }) {
        QPointer<HelpWindow> window = new HelpWindow;
        window->show();
        window->showTopic(QStringLiteral("fmem.html"));
        auto* target = window->findChild<QWidget*>(QString::fromLatin1(control));
        ASSERT_NE(target, nullptr) << control;
        QTest::keyClick(target, Qt::Key_Escape);
        EXPECT_FALSE(window->isVisible()) << control;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull()) << control;
    }
}

TEST(HelpWindow, OpenedFromAModalWindow_BelongsToItSoItIsNotBlocked)
{
    {
        QDialog modal;
        modal.setWindowModality(Qt::ApplicationModal);
        modal.show();
        ASSERT_EQ(QApplication::activeModalWidget(), &modal);
        help::showInHelpWindow(QStringLiteral("optionen.html"));
        auto* window = modal.findChild<HelpWindow*>();
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->isWindow());
        EXPECT_EQ(window->currentPage().fileName(), QStringLiteral("optionen.html"));
        // The same window follows the next topic.
        help::showInHelpWindow(QStringLiteral("nichtda.html"));
        EXPECT_EQ(modal.findChildren<HelpWindow*>().size(), 1);
        EXPECT_EQ(window->currentPage().fileName(), QStringLiteral("index.html"));
    }
    // Closing the modal window took its help window along; a new one opens on its own.
    help::showInHelpWindow(QStringLiteral("fmem.html"));
    HelpWindow* window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* h = qobject_cast<HelpWindow*>(w))
            window = h;
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->parentWidget(), nullptr);
    EXPECT_EQ(window->currentPage().fileName(), QStringLiteral("fmem.html"));
    window->close();
}

} // namespace
