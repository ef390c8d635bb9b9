#include "options/helpwindow.h"

#include "options/help.h"
#include "shell/platform.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(kCaption);
    setAttribute(Qt::WA_DeleteOnClose);

    m_back = new QPushButton(QStringLiteral("< &Zurück"), this);
    m_back->setObjectName(QStringLiteral("btnBack"));
    m_forward = new QPushButton(QStringLiteral("&Vorwärts >"), this);
    m_forward->setObjectName(QStringLiteral("btnForward"));
    m_home = new QPushButton(QStringLiteral("&Startseite"), this);
    m_home->setObjectName(QStringLiteral("btnHome"));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("txtHelp"));
    // Pages are followed here; addresses outside the help go to the browser.
    m_browser->setOpenLinks(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_back);
    buttons->addWidget(m_forward);
    buttons->addWidget(m_home);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_browser);
    resize(720, 600);

    connect(m_back, &QPushButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QPushButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_home, &QPushButton::clicked, this, [this] { showTopic(QString()); });
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpWindow::onAnchor);
    connect(m_browser, &QTextBrowser::historyChanged, this, &HelpWindow::updateButtons);
    connect(m_browser, &QTextBrowser::sourceChanged, this,
        [this] { setWindowTitle(kCaption + QStringLiteral(" - ") + m_browser->documentTitle()); });

    showTopic(QString());
}

void HelpWindow::showTopic(const QString& topic)
{
    const QUrl page = help::pageFor(topic);
    if (m_browser->source() != page)
        m_browser->setSource(page);
    updateButtons();
}

QUrl HelpWindow::currentPage() const
{
    return m_browser->source();
}

void HelpWindow::onAnchor(const QUrl& url)
{
    const QUrl target = m_browser->source().resolved(url);
    if (target.scheme() == QLatin1String("qrc")) {
        // A link to a page the help lacks shows the start page, not an empty one.
        const QString name = target.fileName();
        const QUrl page = help::pageFor(name);
        QUrl withFragment = page;
        if (page.fileName() == name)
            withFragment.setFragment(target.fragment());
        m_browser->setSource(withFragment);
        return;
    }
    platform().openUrl(target.toString());
}

void HelpWindow::updateButtons()
{
    m_back->setEnabled(m_browser->isBackwardAvailable());
    m_forward->setEnabled(m_browser->isForwardAvailable());
}

void HelpWindow::keyPressEvent(QKeyEvent* event)
{
    // Escape closes the window, as it closes a dialog; the page and the
    // buttons leave it to the window.
    if (event->matches(QKeySequence::Cancel)) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
