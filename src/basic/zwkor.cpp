#include "basic/zwkor.h"

#include "basic/controls.h"
#include "basic/correction.h"
#include "core/commands.h"
#include "shell/kit/helpkey.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QVBoxLayout>

MarkedSlider::MarkedSlider(QWidget* parent)
    : QSlider(Qt::Horizontal, parent)
{
}

void MarkedSlider::setMarkedPosition(int position)
{
    m_marked = position;
    update();
}

void MarkedSlider::paintEvent(QPaintEvent* event)
{
    QSlider::paintEvent(event);
    if (m_marked < minimum() || m_marked > maximum())
        return;
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
    const int span = groove.width() - handle.width();
    const int x = groove.left() + handle.width() / 2
        + QStyle::sliderPositionFromValue(minimum(), maximum(), m_marked, span, opt.upsideDown);
    // A small triangle under the track, so the handle never hides it.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(palette().color(QPalette::Highlight));
    const int y = height() - 1;
    p.drawPolygon(QPolygon({ QPoint(x, y - 6), QPoint(x - 4, y), QPoint(x + 4, y) }));
}

ZwKor::ZwKor(int initCode, QWidget* parent)
    : QDialog(parent)
{
    buildUi();
    help::installF1(this, kHelpTopic);
    Form_Load(initCode);
}

Bytes ZwKor::run(QWidget* parent, int initCode)
{
    ZwKor window(initCode, parent);
    window.exec();
    return window.exitCode();
}

void ZwKor::buildUi()
{
    setWindowTitle(kCaption);

    sldZwKorr = new MarkedSlider(this);
    sldZwKorr->setObjectName(QStringLiteral("sldZwKorr"));
    sldZwKorr->setRange(correction::kFirstPosition, correction::kLastPosition);
    sldZwKorr->setToolTip(QStringLiteral("Zündwinkeloffset einstellen"));
    sldZwKorr->setMinimumWidth(320);
    sldZwKorr->setMinimumHeight(32);

    lblKorWinkel = new QLabel(QStringLiteral("0"), this);
    lblKorWinkel->setObjectName(QStringLiteral("lblKorWinkel"));
    lblKorWinkel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblKorWinkel->setMinimumWidth(60);

    btnStd = new QPushButton(QStringLiteral("&Standard"), this);
    btnStd->setObjectName(QStringLiteral("btnStd"));
    btnStd->setToolTip(QStringLiteral("Zündwinkeloffset zurücknehmen"));
    Command2 = new QPushButton(QStringLiteral("&Senden"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setToolTip(QStringLiteral("Einstellungen für Zündwinkeloffset zum Steuergerät übertragen"));
    Command1 = new QPushButton(QStringLiteral("&Abbruch"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setToolTip(QStringLiteral("Dialog ohne Übernahme beenden"));
    buttonkeys::pressOnReturn({ btnStd, Command2, Command1 });

    auto* angle = new QHBoxLayout;
    angle->addWidget(new QLabel(QStringLiteral("Zündwinkeloffset"), this));
    angle->addStretch();
    angle->addWidget(lblKorWinkel);
    angle->addWidget(new QLabel(QStringLiteral("° vor O.T."), this));

    auto* scale = new QGridLayout;
    scale->addWidget(sldZwKorr, 0, 0, 1, 3);
    scale->addWidget(new QLabel(QStringLiteral("+12,8°"), this), 1, 0, Qt::AlignLeft);
    scale->addWidget(new QLabel(QStringLiteral("0,0°"), this), 1, 1, Qt::AlignHCenter);
    scale->addWidget(new QLabel(QStringLiteral("-12,7°"), this), 1, 2, Qt::AlignRight);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnStd);
    buttons->addStretch();
    buttons->addWidget(Command2);
    buttons->addWidget(Command1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(angle);
    layout->addLayout(scale);
    layout->addLayout(buttons);

    connect(sldZwKorr, &QSlider::valueChanged, this, &ZwKor::sldZwKorr_Change);
    connect(btnStd, &QPushButton::clicked, this, &ZwKor::btnStd_Click);
    connect(Command1, &QPushButton::clicked, this, &ZwKor::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &ZwKor::Command2_Click);
}

void ZwKor::Form_Load(int initCode)
{
    const int position = correction::positionFromCode(initCode);
    {
        const QSignalBlocker quiet(sldZwKorr);
        sldZwKorr->setValue(position);
    }
    sldZwKorr->setMarkedPosition(position);
    lblKorWinkel->setText(correction::angleText(position));
    // Sending without a change repeats the unit's current code.
    m_exitCode = cmd::setCorrection(correction::codeFromPosition(position)).frame;
}

void ZwKor::sldZwKorr_Change(int position)
{
    lblKorWinkel->setText(correction::angleText(position));
    m_exitCode = cmd::setCorrection(correction::codeFromPosition(position)).frame;
}

void ZwKor::btnStd_Click()
{
    sldZwKorr->setValue(correction::kNoOffsetPosition);
    lblKorWinkel->setText(correction::angleText(correction::kNoOffsetPosition));
    m_exitCode = cmd::setCorrection(0).frame;
}

void ZwKor::Command1_Click()
{
    m_exitCode.clear();
    done(QDialog::Rejected);
}

void ZwKor::Command2_Click()
{
    done(QDialog::Accepted);
}

// The title bar's close box sends like "&Senden".
void ZwKor::closeEvent(QCloseEvent* event)
{
    done(QDialog::Accepted);
    event->accept();
}

// Escape is the user backing out: like "&Abbruch", nothing is sent.
void ZwKor::reject()
{
    Command1_Click();
}
