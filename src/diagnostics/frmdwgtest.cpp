#include "frmdwgtest.h"

#include "core/commands.h"
#include "shell/link.h"
#include "shell/session.h"
#include "shell/timing.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

IndicatorShape::IndicatorShape(QWidget* parent)
    : QWidget(parent)
{
    setMinimumSize(sizeHint());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void IndicatorShape::setFillColor(const QColor& colour)
{
    if (colour == m_fill)
        return;
    m_fill = colour;
    update();
}

void IndicatorShape::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(palette().color(QPalette::WindowText), 1));
    p.setBrush(m_fill);
    const int side = std::min(width(), height()) - 2;
    p.drawEllipse(QRect((width() - side) / 2, (height() - side) / 2, side, side));
}

FrmDwgTest::FrmDwgTest(Session& session, QWidget* parent)
    : UnitDialog(
        session, LinkPolicy::sensorTest(), kWatchdogInterval, [] { return kHelpTopic; }, parent)
{
    setObjectName(QStringLiteral("FrmDwgTest"));
    setWindowTitle(kCaption);
    buildUi();
    showState(sensor::initialDisplay());

    m_timer1.setInterval(timing::interval(kPollInterval));
    connect(&m_timer1, &QTimer::timeout, this, &FrmDwgTest::Timer1_Timer);
    channel().watchdog().setStopWindowTimers([this] { m_timer1.stop(); });
    connect(this, &QDialog::finished, &m_timer1, &QTimer::stop);
}

void FrmDwgTest::buildUi()
{
    auto* notice = new QGroupBox(QStringLiteral("Hinweis"), this);
    notice->setObjectName(QStringLiteral("frmHinweis"));
    auto* noticeText = new QLabel(kNotice, notice);
    noticeText->setObjectName(QStringLiteral("lblHinweis"));
    noticeText->setWordWrap(true);
    auto* noticeLayout = new QVBoxLayout(notice);
    noticeLayout->addWidget(noticeText);

    const auto cylinder = [this](const QString& caption, const char* shapeName, const char* stateName,
                              IndicatorShape*& shape, QLabel*& state) {
        auto* box = new QWidget(this);
        auto* l = new QVBoxLayout(box);
        auto* title = new QLabel(caption, box);
        title->setAlignment(Qt::AlignCenter);
        shape = new IndicatorShape(box);
        shape->setObjectName(QString::fromLatin1(shapeName));
        state = new QLabel(box);
        state->setObjectName(QString::fromLatin1(stateName));
        state->setAlignment(Qt::AlignCenter);
        l->addWidget(title);
        l->addWidget(shape, 0, Qt::AlignHCenter);
        l->addWidget(state);
        return box;
    };
    auto* cylinders = new QHBoxLayout;
    cylinders->addWidget(cylinder(QStringLiteral("Zylinder 1"), "shpZylEins", "lblZ1Stat", shpZylEins, lblZ1Stat));
    cylinders->addWidget(cylinder(QStringLiteral("Zylinder 2"), "shpZylZwei", "lblZ2Stat", shpZylZwei, lblZ2Stat));

    cmdExit = new QPushButton(QStringLiteral("E&xit"), this);
    cmdExit->setObjectName(QStringLiteral("cmdExit"));
    cmdExit->setMinimumHeight(32);
    // "E&xit" is the close box: a close asked for while a read waits follows
    // the read, so the read keeps its watchdog and never waits without one.
    connect(cmdExit, &QPushButton::clicked, this, [this] { reject(); });

    auto* main = new QVBoxLayout(this);
    main->addWidget(notice);
    main->addLayout(cylinders);
    main->addWidget(cmdExit);
    setMinimumWidth(360);
}

void FrmDwgTest::load()
{
    session().link().resetTimeout();
    m_timer1.start();
}

void FrmDwgTest::Timer1_Timer()
{
    // Nothing more is asked once the link is lost; a tick while the
    // unit is asked is left out.
    if (closeIfLost() || busy())
        return;

    // One read; the poll waits for it, so reads never overlap.
    m_timer1.stop();
    runAction([this] { poll(); });
}

void FrmDwgTest::poll()
{
    const std::optional<int> state = ReadSensorState();
    // The window may have been ended from outside while the read waited.
    if (closeIfLost() || !isVisible())
        return;

    // The byte for "no valid state" leaves the display as it is.
    if (state) {
        if (const std::optional<sensor::Display> display = sensor::decode(*state))
            showState(*display);
    }
    m_timer1.start();
}

std::optional<int> FrmDwgTest::ReadSensorState()
{
    return channel().readByte(cmd::sensorState());
}

void FrmDwgTest::showState(const sensor::Display& display)
{
    shpZylEins->setFillColor(display.cylinder1.colour);
    lblZ1Stat->setText(display.cylinder1.text);
    shpZylZwei->setFillColor(display.cylinder2.colour);
    lblZ2Stat->setText(display.cylinder2.text);
}
