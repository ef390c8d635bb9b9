#include "options/frmabout.h"

#include "options/help.h"
#include "shell/platform.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

void ClickLabel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void ClickLabel::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit clicked();
        return;
    }
    QLabel::keyPressEvent(event);
}

FrmAbout::FrmAbout(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FrmAbout"));
    setWindowTitle(kCaption);
    setAttribute(Qt::WA_DeleteOnClose);

    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("imgLogo"));
    picture->setPixmap(style()->standardIcon(QStyle::SP_ComputerIcon).pixmap(48, 48));

    auto* title = new QLabel(QStringLiteral("DARuri"), this);
    title->setObjectName(QStringLiteral("lblProduct"));
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    title->setFont(big);

    auto* kind = new QLabel(QStringLiteral("Kommunikationssoftware"), this);
    kind->setObjectName(QStringLiteral("lblKommunikation"));
    m_lblRelease = new QLabel(this);
    m_lblRelease->setObjectName(QStringLiteral("lblRelease"));
    auto* about = new QLabel(QStringLiteral("Diagnose und Einstellung von Motorsteuergeräten\n"
                                            "für Zweizylindermotoren über die serielle Schnittstelle."),
        this);
    about->setObjectName(QStringLiteral("lblInfo"));

    m_lblURL = new ClickLabel(kVendorUrl, this);
    m_lblURL->setObjectName(QStringLiteral("lblURL"));
    m_lblURL->setToolTip(QStringLiteral("Öffnet die Velmora-Homepage"));
    m_lblURL->setCursor(Qt::PointingHandCursor);
    m_lblURL->setFocusPolicy(Qt::TabFocus);
    QFont link = m_lblURL->font();
    link.setUnderline(true);
    m_lblURL->setFont(link);
    QPalette linkPalette = m_lblURL->palette();
    linkPalette.setColor(QPalette::WindowText, linkPalette.color(QPalette::Link));
    m_lblURL->setPalette(linkPalette);

    m_btnCmdExit = new QPushButton(QStringLiteral("&Exit"), this);
    m_btnCmdExit->setObjectName(QStringLiteral("btnCmdExit"));
    m_btnCmdExit->setToolTip(QStringLiteral("Dialog beenden"));

    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(kind);
    texts->addWidget(m_lblRelease);
    texts->addSpacing(8);
    texts->addWidget(about);
    texts->addWidget(m_lblURL);
    auto* body = new QHBoxLayout;
    body->addWidget(picture, 0, Qt::AlignTop);
    body->addLayout(texts);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_btnCmdExit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_lblURL, &ClickLabel::clicked, this, &FrmAbout::lblURL_Click);
    connect(m_btnCmdExit, &QPushButton::clicked, this, &FrmAbout::btnCmdExit_Click);
    help::installF1(this, kHelpTopic);
    Form_Load();
}

void FrmAbout::keyPressEvent(QKeyEvent* event)
{
    // Escape leaves the box like "&Exit", as in a dialog.
    if (event->matches(QKeySequence::Cancel)) {
        btnCmdExit_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FrmAbout::Form_Load()
{
    m_lblRelease->setText(kRelease);
}

void FrmAbout::lblURL_Click()
{
    // A missing browser is not reported; whatever the desktop shows is enough.
    platform().openUrl(kVendorUrl);
}

void FrmAbout::btnCmdExit_Click()
{
    close();
}
