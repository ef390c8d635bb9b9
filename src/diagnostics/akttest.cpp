#include "akttest.h"

#include "core/commands.h"
#include "shell/link.h"
#include "shell/platform.h"
#include "shell/session.h"
#include "shell/timing.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AktTest::AktTest(Session& session, QWidget* parent)
    : UnitDialog(
        session, LinkPolicy::actuatorTest(), kWatchdogInterval, [] { return kHelpTopic; }, parent)
{
    setWindowTitle(kCaption);
    buildControls();
    channel().watchdog().setObjectName(QStringLiteral("WatchDog_Timer"));
    channel().watchdog().setStopWindowTimers([this] { m_timer1.stop(); });
    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setInterval(timing::interval(kPollInterval));
    connect(&m_timer1, &QTimer::timeout, this, &AktTest::Timer1_Timer);
}

void AktTest::buildControls()
{
    auto* selection = new QGroupBox(QStringLiteral("Aktorenauswahl"), this);
    selection->setObjectName(QStringLiteral("frmAktorenauswahl"));
    selection->setToolTip(QStringLiteral("Auswahl der im Testablauf zu berücksichtigenden Aktoren"));
    auto box = [&](const char* name, const QString& text, const QString& tip, int bit) {
        auto* b = new QCheckBox(text, selection);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(tip);
        // `clicked` comes from the user only: setting a box from the unit's
        // state does not send the mask again box by box.
        connect(b, &QCheckBox::clicked, this, [this, b, bit](bool checked) { chkClick(b, bit, checked); });
        return b;
    };
    chkIgn = box("chkIgn", QStringLiteral("Zündung"),
        QStringLiteral("Test der Zündung ohne Gebersignal  auswählen"), actuators::kIgnition);
    chkEv = box("chkEv", QStringLiteral("Einspritzventil"),
        QStringLiteral("Test des Einspritzventils ohne Luftmassen und Drehzahlsignal  auswählen "
                       "(Sicherheitshinweis beachten!)"),
        actuators::kInjector);
    chkIPU = box("chkIPU", QStringLiteral("Kraftstoffversorgung"),
        QStringLiteral("Test der Kraftstoffversorgung ohne Luftmassen- und Drehzahlsignal auswählen"),
        actuators::kFuelSupply);
    auto* selectionLayout = new QVBoxLayout(selection);
    for (QCheckBox* b : { chkIgn, chkEv, chkIPU })
        selectionLayout->addWidget(b);

    Frm_Hinweis_KEDX = new QGroupBox(QStringLiteral("Sicherheitshinweis"), this);
    Frm_Hinweis_KEDX->setObjectName(QStringLiteral("Frm_Hinweis_KEDX"));
    Frm_Hinweis_KEDX->setToolTip(
        QStringLiteral("Sicherheitshinweis zur Vorgehensweise beim Test von Einspritzventilen"));
    lbl_Hinweis_KEDX
        = new QLabel(QStringLiteral("Zum Einspritzventiltest ist das Anlassersignal am Steckverbinder "
                                    "T12 zu trennen und der nun offene Signaleingang des Steuergerätes "
                                    "mit +12V zu verbinden."),
            Frm_Hinweis_KEDX);
    lbl_Hinweis_KEDX->setObjectName(QStringLiteral("lbl_Hinweis_KEDX"));
    lbl_Hinweis_KEDX->setWordWrap(true);
    (new QVBoxLayout(Frm_Hinweis_KEDX))->addWidget(lbl_Hinweis_KEDX);

    auto button = [&](const char* name, const QString& text, const QString& tip) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setToolTip(tip);
        // Return must not start or stop a test.
        b->setAutoDefault(false);
        return b;
    };
    cmdStart = button("cmdStart", QStringLiteral("&Ein"), QStringLiteral("Test starten"));
    cmdStop = button("cmdStop", QStringLiteral("&Aus"), QStringLiteral("Test beenden"));
    cmdExit = button("cmdExit", QStringLiteral("E&xit"), QStringLiteral("Test beenden und Dialog schließen"));
    // Neither start nor stop before the unit has told whether a test runs.
    cmdStart->setEnabled(false);
    cmdStop->setEnabled(false);
    connect(cmdStart, &QPushButton::clicked, this, [this] { act([this] { cmdStart_Click(); }); });
    connect(cmdStop, &QPushButton::clicked, this, [this] { act([this] { cmdStop_Click(); }); });
    // "E&xit" is the close box: while a request waits it follows the request.
    connect(cmdExit, &QPushButton::clicked, this, [this] { reject(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdStart);
    buttons->addWidget(cmdStop);
    buttons->addStretch();
    buttons->addWidget(cmdExit);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(selection);
    top->addWidget(Frm_Hinweis_KEDX, 1);
    layout->addLayout(top);
    layout->addLayout(buttons);
}

void AktTest::load()
{
    // No actuator chosen; a new start for the link.
    m_mask = 0;
    session().link().resetTimeout();

    // The ignition-only line has no injection valve, and a fuel pump
    // only on its racing hardware.
    const actuators::Offered offered = actuators::offered(session().identity());
    chkEv->setEnabled(offered.injector);
    Frm_Hinweis_KEDX->setEnabled(offered.injector);
    lbl_Hinweis_KEDX->setEnabled(offered.injector);
    chkIPU->setEnabled(offered.fuelSupply);

    // Whether a test runs already; if so it is followed like one started here.
    std::optional<actuators::State> state;
    if (!QueryTestState(state))
        return;
    if (state && state->running)
        m_timer1.start();
    // Clicks that came while the unit was asked follow the opening.
    runDeferred();
}

void AktTest::chkClick(QCheckBox* box, int bit, bool checked)
{
    act([this, box, bit, checked] {
        // A poll that ran meanwhile may have set the box from the unit; the
        // user's choice stands.
        box->setChecked(checked);
        m_mask = actuators::withBit(m_mask, bit, checked);
        SendActuatorMask();
    });
}

void AktTest::cmdStart_Click()
{
    // The service report tells what was tried, confirmed or not.
    ActuatorRun run { platform().now(), actuators::names(m_mask) };
    run.confirmed = SendActuatorMask();
    run.started = run.confirmed && StartActuatorTest();
    session().serviceRecord().setActuatorRun(run);
    if (!run.started)
        return;
    showRunning(true);
    m_timer1.start();
}

void AktTest::cmdStop_Click()
{
    m_timer1.stop();
    if (!StopActuatorTest())
        return;
    showRunning(false);
}

void AktTest::Timer1_Timer()
{
    // A poll never waits behind a click: the next tick comes soon enough.
    if (busy() || channel().lost())
        return;
    act([this] {
        std::optional<actuators::State> state;
        if (!QueryTestState(state) || !state)
            return;
        if (!state->running) {
            m_timer1.stop();
            session().serviceRecord().actuatorTestStopped(true);
        }
        if (state->mask == 255)
            return;
        const int before = m_mask;
        setBoxes(state->mask);
        // The unit's own change is sent back once, as a click on the box would.
        if (m_mask != before)
            SendActuatorMask();
    });
}

bool AktTest::QueryTestState(std::optional<actuators::State>& state)
{
    const Reply reply = channel().ask(cmd::actuatorState());
    if (closeOnLost())
        return false;
    state = reply ? actuators::decodeState(*reply) : std::nullopt;
    if (state)
        showRunning(state->running);
    return true;
}

bool AktTest::SendActuatorMask()
{
    const Echo echo = channel().write(cmd::actuatorMask(m_mask), Bytes(1, static_cast<char>(m_mask & 0xFF)));
    if (closeOnLost())
        return false;
    // Actuators never start on a choice the unit did not confirm.
    if (echo == Echo::Mismatch) {
        platform().messageBox(this, QStringLiteral("Fehler"), kEchoError, Platform::Icon::Critical);
        return false;
    }
    return true;
}

bool AktTest::StartActuatorTest()
{
    channel().ask(cmd::actuatorStart());
    return !closeOnLost();
}

bool AktTest::StopActuatorTest()
{
    channel().ask(cmd::actuatorStop());
    if (closeOnLost())
        return false;
    session().serviceRecord().actuatorTestStopped(false);
    return true;
}

void AktTest::showRunning(bool running)
{
    cmdStart->setEnabled(!running);
    cmdStop->setEnabled(running);
}

void AktTest::setBoxes(int unitMask)
{
    m_mask = (m_mask & ~actuators::kBoxes) | (unitMask & actuators::kBoxes);
    chkIgn->setChecked(m_mask & actuators::kIgnition);
    chkEv->setChecked(m_mask & actuators::kInjector);
    chkIPU->setChecked(m_mask & actuators::kFuelSupply);
}

void AktTest::leave()
{
    runAction([this] {
        m_timer1.stop();
        // On a lost link nothing goes out any more; the window closes all the same.
        if (StopActuatorTest())
            unload();
    });
}

bool AktTest::closeOnLost()
{
    if (!closeIfLost())
        return false;
    m_timer1.stop();
    m_deferred.clear();
    return true;
}

void AktTest::act(const std::function<void()>& action)
{
    if (!busy()) {
        runAction([this, &action] {
            action();
            runDeferred();
        });
        return;
    }
    if (!closeWanted())
        m_deferred.push_back(action);
}

void AktTest::runDeferred()
{
    while (!m_deferred.empty() && !channel().lost()) {
        const std::function<void()> next = std::move(m_deferred.front());
        m_deferred.pop_front();
        next();
    }
    m_deferred.clear();
}
