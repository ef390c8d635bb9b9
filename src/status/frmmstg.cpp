#include "frmmstg.h"

#include "core/format.h"
#include "core/gates.h"
#include "core/settings.h"
#include "shell/kit/boxes.h"
#include "shell/kit/helpkey.h"
#include "shell/link.h"
#include "shell/platform.h"
#include "shell/session.h"
#include "shell/timing.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

using namespace std::chrono_literals;

namespace {

const QString kWaitForTransfer = QStringLiteral("Warte auf Ende der Übertragung...");
const QString kClosing = QStringLiteral("Motorsteuergerät wird geschlossen...");
const QString kRecording = QStringLiteral("Datenaufzeichnung läuft...");
const QString kRecordStart = QStringLiteral("&Aufzeichnung starten >>");

QLineEdit* display(QWidget* parent, const char* name, const QString& text, qreal scale = 1.0)
{
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::NoFocus);
    e->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    if (scale != 1.0) {
        QFont f = e->font();
        f.setPointSizeF(f.pointSizeF() * scale);
        f.setBold(true);
        e->setFont(f);
        e->setMinimumHeight(e->fontMetrics().height() + 10);
    }
    e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("Nicht unterstützt")) + 12);
    return e;
}

QLabel* label(QWidget* parent, const QString& text, const char* name = nullptr)
{
    auto* l = new QLabel(text, parent);
    if (name)
        l->setObjectName(QString::fromLatin1(name));
    return l;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setMinimumHeight(36);
    return b;
}

} // namespace

FrmMStg::FrmMStg(Session& session, const UnitWindows& windows, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_link(session.link())
    , m_settings(session.settings())
    , m_windows(windows)
    , m_channel(session, LinkPolicy::statusWindow(), kWatchdogInterval, this)
{
    setObjectName(QStringLiteral("FrmMStg"));
    setWindowTitle(kCaption);
    buildUi();
    m_channel.watchdog().setStopWindowTimers([this] { m_timer1.stop(); });
    connect(&m_timer1, &QTimer::timeout, this, &FrmMStg::Timer1_Timer);
    help::installF1(this, kHelpTopic);
}

FrmMStg::~FrmMStg() = default;

void FrmMStg::buildUi()
{
    // Identity.
    auto* identity = new QGroupBox(QStringLiteral("Steuergerät"), this);
    txtStgSwRelease = display(identity, "txtStgSwRelease", QStringLiteral("UNBEKANNT"));
    txtStgType = display(identity, "txtStgType", QStringLiteral("NICHT GEFUNDEN !!!"));
    txtStgSerial = display(identity, "txtStgSerial", QStringLiteral("UNBEKANNT"));
    txtSDaktiv = display(identity, "txtSDaktiv", QString());
    for (QLineEdit* e : { txtStgSwRelease, txtStgType, txtStgSerial, txtSDaktiv })
        e->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    auto* idGrid = new QGridLayout(identity);
    idGrid->addWidget(label(identity, QStringLiteral("Softwareversion:")), 0, 0);
    idGrid->addWidget(txtStgSwRelease, 0, 1);
    idGrid->addWidget(label(identity, QStringLiteral("Steuergerätetyp:")), 0, 2);
    idGrid->addWidget(txtStgType, 0, 3);
    idGrid->addWidget(label(identity, QStringLiteral("Seriennummer:")), 1, 0);
    idGrid->addWidget(txtStgSerial, 1, 1);
    idGrid->addWidget(label(identity, QStringLiteral("Soft-Down:")), 1, 2);
    idGrid->addWidget(txtSDaktiv, 1, 3);
    idGrid->setColumnStretch(3, 1);

    const auto box = [this](rec::Box b, QWidget* parent) {
        auto* c = new QCheckBox(parent);
        c->setObjectName(QString::fromLatin1(rec::kColumns[b].objectName));
        c->setToolTip(QStringLiteral("Wert aufzeichnen"));
        m_boxes[b] = c;
        return c;
    };

    // Engine.
    auto* engine = new QGroupBox(QStringLiteral("Motor"), this);
    txtRPM = display(engine, "txtRPM", QStringLiteral("N/A"), 2.4);
    txtStgLast = display(engine, "txtStgLast", QStringLiteral("N/A"), 1.4);
    auto* engGrid = new QGridLayout(engine);
    engGrid->addWidget(label(engine, QStringLiteral("Drehzahl:")), 0, 0);
    engGrid->addWidget(txtRPM, 0, 1);
    engGrid->addWidget(label(engine, QStringLiteral("U/min")), 0, 2);
    engGrid->addWidget(box(rec::Rpm, engine), 0, 3);
    engGrid->addWidget(label(engine, QStringLiteral("Zündspulen:")), 1, 0);
    engGrid->addWidget(txtStgLast, 1, 1);
    engGrid->addWidget(box(rec::Est, engine), 1, 3);
    engGrid->setColumnStretch(1, 1);

    // Ignition.
    auto* ignition = new QGroupBox(QStringLiteral("Zündung"), this);
    txtZndWinkel = display(ignition, "txtZndWinkel", QStringLiteral("N/A"), 1.8);
    txtZndWinkelZ2 = display(ignition, "txtZndWinkelZ2", QStringLiteral("N/A"), 1.8);
    txtZndWnkKorr = display(ignition, "txtZndWnkKorr", QStringLiteral("N/A"));
    LabelZ2 = label(ignition, QStringLiteral("Z2"), "LabelZ2");
    auto* ignGrid = new QGridLayout(ignition);
    ignGrid->addWidget(label(ignition, QStringLiteral("Z1")), 0, 0);
    ignGrid->addWidget(txtZndWinkel, 0, 1);
    ignGrid->addWidget(label(ignition, QStringLiteral(" vor OT")), 0, 2);
    ignGrid->addWidget(box(rec::ZWink, ignition), 0, 3, 2, 1);
    ignGrid->addWidget(LabelZ2, 1, 0);
    ignGrid->addWidget(txtZndWinkelZ2, 1, 1);
    ignGrid->addWidget(label(ignition, QStringLiteral(" vor OT")), 1, 2);
    ignGrid->addWidget(label(ignition, QStringLiteral("ZW-Korrektur:")), 2, 0);
    ignGrid->addWidget(txtZndWnkKorr, 2, 1);
    ignGrid->addWidget(box(rec::ZwKorr, ignition), 2, 3);
    ignGrid->setColumnStretch(1, 1);

    // Inputs and outputs.
    auto* io = new QGroupBox(QStringLiteral("Eingänge und Ausgänge"), this);
    txtDkPos = display(io, "txtDkPos", QStringLiteral("N/A"));
    txtAnlStat = display(io, "txtAnlStat", QStringLiteral("N/A"));
    txtBenzPump = display(io, "txtBenzPump", QStringLiteral("N/A"));
    lblDkPos = label(io, QStringLiteral("DK-Position:"), "lblDkPos");
    lblAnlasser = label(io, QStringLiteral("Anlasser:"), "lblAnlasser");
    lblSE1Mode = label(io, QString(), "lblSE1Mode");
    lblSE2Mode = label(io, QString(), "lblSE2Mode");
    lblSA1Mode = label(io, QString(), "lblSA1Mode");
    lblSA2Mode = label(io, QString(), "lblSA2Mode");
    lblSE1Stat = label(io, QStringLiteral("N/A"), "lblSE1Stat");
    lblSE2Stat = label(io, QStringLiteral("N/A"), "lblSE2Stat");
    lblSA1Stat = label(io, QStringLiteral("N/A"), "lblSA1Stat");
    lblSA2Stat = label(io, QStringLiteral("N/A"), "lblSA2Stat");
    auto* ioGrid = new QGridLayout(io);
    int r = 0;
    ioGrid->addWidget(lblDkPos, r, 0);
    ioGrid->addWidget(txtDkPos, r, 1);
    ioGrid->addWidget(box(rec::Dkpo, io), r++, 2);
    ioGrid->addWidget(lblAnlasser, r, 0);
    ioGrid->addWidget(txtAnlStat, r, 1);
    ioGrid->addWidget(box(rec::Anl, io), r++, 2);
    ioGrid->addWidget(label(io, QStringLiteral("Kraftstoff:")), r, 0);
    ioGrid->addWidget(txtBenzPump, r, 1);
    ioGrid->addWidget(box(rec::FuellPump, io), r++, 2);
    const std::pair<const char*, std::pair<QLabel*, QLabel*>> switches[] = {
        { "Eingang 1:", { lblSE1Mode, lblSE1Stat } },
        { "Eingang 2:", { lblSE2Mode, lblSE2Stat } },
        { "Ausgang 1:", { lblSA1Mode, lblSA1Stat } },
        { "Ausgang 2:", { lblSA2Mode, lblSA2Stat } },
    };
    for (const auto& [caption, pair] : switches) {
        ioGrid->addWidget(label(io, QString::fromUtf8(caption)), r, 0);
        ioGrid->addWidget(pair.first, r, 1);
        ioGrid->addWidget(pair.second, r++, 2);
    }

    // Mixture.
    auto* mixture = new QGroupBox(QStringLiteral("Gemisch"), this);
    txtLMM = display(mixture, "txtLMM", QStringLiteral("N/A"));
    txtAirtemp = display(mixture, "txtAirtemp", QStringLiteral("N/A"));
    txtMTemp = display(mixture, "txtMTemp", QStringLiteral("N/A"));
    txtLambda = display(mixture, "txtLambda", QStringLiteral("N/A"), 1.4);
    txtVerbrauch = display(mixture, "txtVerbrauch", QStringLiteral("N/A"));
    auto* mixGrid = new QGridLayout(mixture);
    const std::tuple<const char*, QLineEdit*, const char*, rec::Box> mixRows[] = {
        { "Luftmasse:", txtLMM, "Kg/h", rec::Maf },
        { "Ansauglufttemp.:", txtAirtemp, "°C", rec::AirTemp },
        { "Motortemp.:", txtMTemp, "°C", rec::Temp },
        { "Lambda:", txtLambda, "", rec::Lambda },
        { "Verbrauch:", txtVerbrauch, "l/h", rec::Verbrauch },
    };
    r = 0;
    for (const auto& [caption, edit, unit, b] : mixRows) {
        mixGrid->addWidget(label(mixture, QString::fromUtf8(caption)), r, 0);
        mixGrid->addWidget(edit, r, 1);
        mixGrid->addWidget(label(mixture, QString::fromUtf8(unit)), r, 2);
        mixGrid->addWidget(box(b, mixture), r++, 3);
    }

    // Recording.
    auto* recording = new QGroupBox(QStringLiteral("Aufzeichnung"), this);
    cmdRecord = button(recording, "cmdRecord", kRecordStart);
    pgbRecord = new QProgressBar(recording);
    pgbRecord->setObjectName(QStringLiteral("pgbRecord"));
    pgbRecord->setRange(0, 100);
    pgbRecord->setValue(0);
    pgbRecord->setTextVisible(false);
    auto* recLayout = new QVBoxLayout(recording);
    recLayout->addWidget(
        label(recording, QStringLiteral("Aufzuzeichnende Werte rechts neben der Anzeige ankreuzen.")));
    recLayout->addWidget(cmdRecord);
    recLayout->addWidget(pgbRecord);

    // Unit windows.
    cmdFSpeicher = button(this, "cmdFSpeicher", QStringLiteral("&Fehler- speicher"));
    cmdDwgTest = button(this, "cmdDwgTest", QStringLiteral("DW&G- Test"));
    cmdSoftDown = button(this, "cmdSoftDown", QStringLiteral("&Optionen"));
    cmdZwKor = button(this, "cmdZwKor", QStringLiteral("&Zündwinkel anpassen"));
    cmdROpt = button(this, "cmdROpt", QStringLiteral("&R-Optionen"));
    cmdROpt->setEnabled(false);
    BtncmdExit = button(this, "BtncmdExit", QStringLiteral("Motor&steuergerät schließen"));
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : { cmdFSpeicher, cmdDwgTest, cmdSoftDown, cmdZwKor, cmdROpt })
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(BtncmdExit);

    // Status bar: port and messages.
    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("stbMsg"));
    status->setSizeGripEnabled(false);
    stbMsgPort = label(status, QString(), "stbMsgPort");
    stbMsgText = label(status, QString(), "stbMsgText");
    status->addWidget(stbMsgPort);
    status->addWidget(stbMsgText, 1);

    auto* left = new QVBoxLayout;
    left->addWidget(engine);
    left->addWidget(ignition);
    auto* right = new QVBoxLayout;
    right->addWidget(io);
    right->addWidget(mixture);
    auto* values = new QHBoxLayout;
    values->addLayout(left, 1);
    values->addLayout(right, 1);
    values->addLayout(buttons);
    auto* main = new QVBoxLayout(this);
    main->addWidget(identity);
    main->addLayout(values, 1);
    main->addWidget(recording);
    main->addWidget(status);

    connect(
        cmdFSpeicher, &QPushButton::clicked, this, [this] { requestWindow(m_faultMemRequested, cmdFSpeicher); });
    connect(cmdDwgTest, &QPushButton::clicked, this, [this] { requestWindow(m_dwgTestRequested, cmdDwgTest); });
    connect(cmdSoftDown, &QPushButton::clicked, this, [this] { requestWindow(m_softDownRequested, cmdSoftDown); });
    connect(cmdZwKor, &QPushButton::clicked, this, [this] { requestWindow(m_zwKorRequested, cmdZwKor); });
    connect(cmdROpt, &QPushButton::clicked, this, [this] { requestWindow(m_rOptRequested, cmdROpt); });
    connect(cmdRecord, &QPushButton::clicked, this, [this] {
        m_recordRequested = true;
        setPanel2(kWaitForTransfer);
    });
    connect(BtncmdExit, &QPushButton::clicked, this, &FrmMStg::BtncmdExit_Click);
}

int FrmMStg::exec()
{
    // The load runs inside the modal loop so the user sees the window fill in.
    QTimer::singleShot(0, this, &FrmMStg::Form_Load);
    return QDialog::exec();
}

bool FrmMStg::registered(QPushButton* b) const
{
    if (b == cmdFSpeicher)
        return bool(m_windows.faultMemory);
    if (b == cmdDwgTest)
        return bool(m_windows.dwgTest);
    if (b == cmdSoftDown)
        return bool(m_windows.softDown);
    if (b == cmdZwKor)
        return bool(m_windows.zwKor);
    if (b == cmdROpt)
        return bool(m_windows.racingOptions);
    return true;
}

void FrmMStg::enableButton(QPushButton* b, bool byGate)
{
    b->setEnabled(byGate && registered(b));
}

void FrmMStg::hint(const QString& text)
{
    boxes::notice(m_session, this, text);
}

void FrmMStg::setPanel2(const QString& text)
{
    stbMsgText->setText(text);
}

Reply FrmMStg::request(const Request& r)
{
    const Reply reply = m_channel.ask(r);
    if (m_phase != Phase::Polling)
        m_channel.watchdog().disable();
    return reply;
}

// ---------------------------------------------------------------- load

void FrmMStg::Form_Load()
{
    m_phase = Phase::Loading;
    loadSteps();
    if (m_phase == Phase::Closed)
        return;
    if (m_closeRequested)
        return CloseStatusWindow();
    m_phase = Phase::Polling;
    m_timer1.start();
}

void FrmMStg::loadSteps()
{
    // Requests, features and flags start afresh.
    m_closeRequested = m_faultMemRequested = m_dwgTestRequested = m_softDownRequested = false;
    m_zwKorRequested = m_rOptRequested = m_recordRequested = false;
    m_ctx = live::Context {};
    m_ctx.inputsAvailable = true;
    m_ctx.mafAvailable = true;
    m_ctx.racingVariant = false;
    m_link.resetTimeout();
    m_session.setMainStatusText(QString());
    for (QPushButton* b : { cmdFSpeicher, cmdDwgTest, cmdSoftDown, cmdZwKor })
        enableButton(b, true);

    // Port panel.
    stbMsgPort->setText(QStringLiteral("COM ") + QString::number(m_session.currentPort()));

    loadMessageSwitches();

    // Firmware release.
    const Reply release = request(cmd::firmware());
    if (!release)
        return CloseStatusWindow();
    txtStgSwRelease->setText(bytes::text(*release));
    UnitIdentity id;
    id.setFirmware(*release);

    // Unit type.
    const Reply type = request(cmd::identify());
    if (!type)
        return CloseStatusWindow();
    txtStgType->setText(bytes::text(*type));
    id.setUnitType(*type);
    m_session.setIdentity(id);
    m_ctx.id = id;

    // Sensor angle.
    m_session.setSensorAngle(live::adjustedSensorAngle(m_settings.ReadDwgGrdPos(), id));
    m_ctx.sensorAngle = m_session.sensorAngle();

    // Mixture sensors and injector delivery.
    if (!gates::mixtureValues(id)) {
        loadNotInjectionLine();
    } else {
        m_ctx.injectorFlow = ReadInjectorFlow() / 1000.0;
        if (linkLost())
            return CloseStatusWindow();
    }

    loadHeadTemperature();

    // Units without throttle and starter inputs.
    loadInputs();

    loadRacingVariant();

    // Serial number.
    const Reply serial = request(cmd::serialNumber());
    if (!serial)
        return CloseStatusWindow();
    txtStgSerial->setText(bytes::text(*serial));
    id.serialNumber = bytes::text(*serial);
    m_session.setIdentity(id);
    m_ctx.id = id;

    // Buttons that firmware before release 1 may lack.
    loadFirmwareGates();

    // Crank angle sensor test and soft-down state.
    enableButton(cmdDwgTest, gates::crankSensorTestButton(id));
    if (!gates::softDownButton(id))
        txtSDaktiv->setText(live::kNotSupported);
    else
        showSoftDownState();

    // Angle displays and the sensor lead angle.
    loadLeadAngle();

    // Switching module, then polling (Form_Load starts it).
    if (gates::readsSwitchConfig(id))
        ReadSwitchConfig();
    if (linkLost())
        return CloseStatusWindow();
}

void FrmMStg::loadMessageSwitches()
{
    m_requestTime = m_settings.ReadRequestTime();
    m_session.setWarnings(m_settings.ReadWarnings());
    m_session.setNoBreakMsg(m_settings.ReadNoBreakMsg());
    m_timer1.setInterval(timing::interval(std::max(std::chrono::milliseconds(m_requestTime), kMinRequestTime)));
    m_channel.watchdog().setInterval(std::chrono::milliseconds(live::watchdogInterval(m_requestTime)));
}

void FrmMStg::loadNotInjectionLine()
{
    for (QLineEdit* e : { txtMTemp, txtLMM, txtLambda, txtVerbrauch, txtAirtemp })
        e->setText(live::kNotSupported);
    m_ctx.mafAvailable = false;
    m_ctx.headTempAvailable = false;
    for (rec::Box b : { rec::Lambda, rec::Verbrauch, rec::Maf, rec::Temp, rec::AirTemp })
        m_boxes[b]->setEnabled(false);
    hint(QStringLiteral("MAF- und AT-Sensor werden vom verwendeten Steuegerät nicht unterstützt"));
}

void FrmMStg::loadHeadTemperature()
{
    if (!gates::headTemperatureMeasured(m_ctx.id)) {
        txtMTemp->setText(live::kNotSupported);
        m_boxes[rec::Temp]->setEnabled(false);
        m_ctx.headTempAvailable = false;
        hint(QStringLiteral("Zylinderkopftemperaturmessung wird vom Steuergerät nicht unterstützt"));
        hint(QStringLiteral("Einspritzsystem wird vom Steuergerät nicht unterstützt"));
    } else {
        m_boxes[rec::Temp]->setEnabled(true);
        m_ctx.headTempAvailable = true;
        txtMTemp->setText(QString());
    }
}

void FrmMStg::loadInputs()
{
    if (gates::throttleAndStarterInputs(m_ctx.id))
        return;
    m_ctx.inputsAvailable = false;
    m_boxes[rec::Dkpo]->setEnabled(false);
    m_boxes[rec::Anl]->setEnabled(false);
    txtDkPos->setText(live::kNotSupported);
    txtAnlStat->setText(live::kNotSupported);
    txtDkPos->setEnabled(false);
    txtAnlStat->setEnabled(false);
}

void FrmMStg::loadRacingVariant()
{
    const UnitIdentity& id = m_ctx.id;
    if (!gates::racingVariant(id))
        return;
    enableButton(cmdROpt, true);
    m_ctx.racingVariant = true;
    if (const auto caption = live::lblDkPosCaption(id))
        lblDkPos->setText(*caption);
    if (const auto caption = live::lblAnlasserCaption(id))
        lblAnlasser->setText(*caption);
}

void FrmMStg::loadFirmwareGates()
{
    const UnitIdentity& id = m_ctx.id;
    if (!gates::faultMemoryButton(id)) {
        cmdFSpeicher->setEnabled(false);
        hint(QStringLiteral(
            "Die Fehlerspeicherfunktion wird erst ab Version 0.5xx der Zündungssoftware unterstützt"));
    }
    if (!gates::softDownButton(id)) {
        cmdSoftDown->setEnabled(false);
        hint(QStringLiteral("Die Deaktivierung der Soft-Down-Steuerung wird erst ab Version 0.6xx der "
                            "Zündungssoftware unterstützt"));
    }
}

void FrmMStg::loadLeadAngle()
{
    txtZndWinkel->setText(live::kNoAngle);
    txtZndWinkelZ2->setText(live::kNoAngle);
    if (!gates::ignitionAngleZ2Label(m_ctx.id))
        LabelZ2->setEnabled(false);
    m_session.setLeadAngle(0);
    if (gates::readsAngleOffset(m_ctx.id)) {
        if (const Reply offset = request(cmd::paramRead(cmd::param::kLeadAngle)); offset && !offset->isEmpty())
            m_session.setLeadAngle(bytes::at(*offset, 0));
    }
    m_ctx.angleOffset = m_session.leadAngle();
}

std::optional<int> FrmMStg::ReadSoftDownState()
{
    // Every request toggles the unit's state; the second one restores it, so
    // it goes out even when the first answer was disturbed.
    const Reply first = request(cmd::softDownToggle());
    if (!first && linkLost())
        return std::nullopt;
    const Reply second = request(cmd::softDownToggle());
    if (!first || !second)
        return 0;
    if (second->isEmpty() || first.disturbed() || second.disturbed())
        return std::nullopt;
    return bytes::at(*second, 0);
}

void FrmMStg::showSoftDownState()
{
    // A state the line garbled is shown as unknown, never guessed.
    const std::optional<int> state = ReadSoftDownState();
    txtSDaktiv->setText(state ? live::softDownStateText(*state) : QString());
}

int FrmMStg::ReadInjectorFlow()
{
    const live::InjectorFlowReading flow
        = live::decodeInjectorFlow(request(cmd::injectorDelivery()).value_or(Bytes()));
    if (flow.notConfigured)
        platform().messageBox(this, kAppTitle, live::kInjectorFlowNotConfigured, Platform::Icon::Critical);
    return flow.value;
}

void FrmMStg::ReadSwitchConfig()
{
    const UnitIdentity& id = m_ctx.id;
    const Reply se1 = request(cmd::paramRead(cmd::param::kInput1Mode));
    if (!se1 || se1->isEmpty())
        return;
    if (const auto caption = live::se1ModeCaption(bytes::at(*se1, 0)))
        lblSE1Mode->setText(*caption);
    m_ctx.lblSE1Mode = lblSE1Mode->text();

    const Reply offset = request(cmd::paramRead(cmd::param::kOffsetAngle));
    if (!offset || offset->isEmpty())
        return;
    m_ctx.offsetAngle = live::offsetAngleFromByte(bytes::at(*offset, 0));

    if (!gates::readsInput2Mode(id)) {
        lblSE2Mode->setText(live::kNotSupported);
    } else {
        const Reply se2 = request(cmd::paramRead(cmd::param::kInput2Mode));
        if (!se2 || se2->isEmpty())
            return;
        if (const auto caption = live::se2ModeCaption(bytes::at(*se2, 0)))
            lblSE2Mode->setText(*caption);
    }
    m_ctx.lblSE2Mode = lblSE2Mode->text();

    if (gates::readsInput2Enrichment(id)) {
        const Reply enrichment = request(cmd::paramRead(cmd::param::kInput2Enrichment));
        if (!enrichment || enrichment->isEmpty())
            return;
        m_ctx.enrichmentSixteenths = bytes::at(*enrichment, 0);
    }

    if (const auto modes = live::decodeOutputModes(request(cmd::outputModes()).value_or(Bytes()))) {
        lblSA1Mode->setText(modes->lblSA1Mode);
        lblSA2Mode->setText(modes->lblSA2Mode);
        m_ctx.lblSA1Mode = modes->lblSA1Mode;
    }
}

// ---------------------------------------------------------------- poll tick

void FrmMStg::Timer1_Timer()
{
    // A tick never starts while one runs (its waits process timer events).
    if (m_inTick || m_phase != Phase::Polling)
        return;
    m_inTick = true;
    m_channel.watchdog().enable();
    if (askTick()) {
        tickSpeed();
        tickOutputs();
        tickInputs();
        tickAngles();
        tickCorrection();
        tickAnalog();
        tickLambda();
        tickConsumption();
        writeRecordingRow();
    }
    endOfTick();
    m_inTick = false;
}

std::vector<Request> FrmMStg::tickRequests() const
{
    const UnitIdentity& id = m_ctx.id;
    std::vector<Request> requests { cmd::period() };
    if (gates::readsOutputStates(id))
        requests.push_back(cmd::outputs());
    if (m_ctx.inputsAvailable)
        requests.push_back(cmd::inputs());
    requests.push_back(cmd::angle1());
    if (gates::readsSecondIgnitionAngle(id))
        requests.push_back(cmd::angle2());
    requests.push_back(cmd::correction());
    if (m_ctx.headTempAvailable)
        requests.push_back(cmd::analog());
    if (gates::mixtureValues(id)) {
        requests.push_back(cmd::lambda());
        requests.push_back(cmd::injectionTime());
    }
    return requests;
}

bool FrmMStg::askTick()
{
    m_answers.clear();
    for (const Request& r : tickRequests()) {
        const Reply reply = m_channel.askUnsettled(r);
        if (!reply)
            return false;
        m_answers.emplace_back(r, *reply);
    }
    switch (m_channel.settle()) {
    case LineVerdict::Clean:
        m_disturbedTicks = 0;
        return true;
    case LineVerdict::Lost:
        return false;
    case LineVerdict::Disturbed:
        break;
    }
    // The values stay as the last clean tick showed them; the next tick asks again.
    if (++m_disturbedTicks >= kDisturbedTicks)
        m_channel.giveUpDisturbed(cmd::period());
    return false;
}

Bytes FrmMStg::answer(const Request& request) const
{
    for (const auto& [asked, bytes] : m_answers)
        if (asked == request)
            return bytes;
    return {};
}

void FrmMStg::tickSpeed()
{
    m_period = 0;
    if (const auto speed = live::decodeSpeed(answer(cmd::period()))) {
        txtStgLast->setText(speed->txtStgLast);
        txtRPM->setText(speed->txtRPM);
        m_period = speed->period;
    }
}

void FrmMStg::tickOutputs()
{
    if (!gates::readsOutputStates(m_ctx.id)) {
        txtBenzPump->setText(live::kNotSupported);
        return;
    }
    if (const auto out = live::decodeOutputs(answer(cmd::outputs()), m_ctx, txtRPM->text())) {
        txtBenzPump->setText(out->txtBenzPump);
        lblSA2Stat->setText(out->lblSA2Stat);
        lblSA1Stat->setText(out->lblSA1Stat);
    }
}

void FrmMStg::tickInputs()
{
    if (!m_ctx.inputsAvailable)
        return;
    if (const auto in = live::decodeInputs(answer(cmd::inputs()), m_ctx, fmt::regionalSeparator())) {
        txtDkPos->setText(in->txtDkPos);
        txtAnlStat->setText(in->txtAnlStat);
        if (in->lblSE1Stat)
            lblSE1Stat->setText(*in->lblSE1Stat);
        if (in->lblSE2Stat)
            lblSE2Stat->setText(*in->lblSE2Stat);
    }
}

void FrmMStg::tickAngles()
{
    // The coil tab of the racing options may have written a new lead angle.
    m_ctx.angleOffset = m_session.leadAngle();
    const Bytes first = answer(cmd::angle1());
    const Bytes second = gates::readsSecondIgnitionAngle(m_ctx.id) ? answer(cmd::angle2()) : Bytes();
    if (const auto angles
        = live::decodeIgnitionAngles(first, second, m_ctx, txtRPM->text(), fmt::regionalSeparator())) {
        txtZndWinkel->setText(angles->txtZndWinkel);
        if (angles->txtZndWinkelZ2)
            txtZndWinkelZ2->setText(*angles->txtZndWinkelZ2);
    }
}

void FrmMStg::tickCorrection()
{
    if (const auto text = live::decodeCorrection(answer(cmd::correction()), fmt::regionalSeparator()))
        txtZndWnkKorr->setText(*text);
}

void FrmMStg::tickAnalog()
{
    if (!m_ctx.headTempAvailable)
        return;
    if (const auto a = live::decodeAnalog(answer(cmd::analog()), m_ctx, fmt::regionalSeparator())) {
        if (a->txtLMM)
            txtLMM->setText(*a->txtLMM);
        if (a->txtAirtemp)
            txtAirtemp->setText(*a->txtAirtemp);
        txtMTemp->setText(a->txtMTemp);
    }
}

void FrmMStg::tickLambda()
{
    if (!gates::mixtureValues(m_ctx.id))
        return;
    if (const auto text
        = live::decodeLambda(answer(cmd::lambda()), txtRPM->text(), txtLMM->text(), fmt::regionalSeparator()))
        txtLambda->setText(*text);
}

void FrmMStg::tickConsumption()
{
    if (!gates::mixtureValues(m_ctx.id))
        return;
    if (const auto text = live::decodeConsumption(
            answer(cmd::injectionTime()), m_period, m_ctx.injectorFlow, txtRPM->text(), fmt::regionalSeparator()))
        txtVerbrauch->setText(*text);
}

void FrmMStg::writeRecordingRow()
{
    // A tick that lost the link shows the previous tick's values: no row.
    if (!m_log || linkLost())
        return;
    if (!m_log->appendRow(platform().now().time(), displays()))
        return recordingFailed();
    pgbRecord->setValue(rec::nextProgress(pgbRecord->value()));
}

void FrmMStg::endOfTick()
{
    // A requested close ends the window first.
    if (m_closeRequested)
        return CloseStatusWindow();

    // Ignition angle correction.
    if (m_zwKorRequested) {
        correctionStep();
        if (m_phase == Phase::Closed)
            return;
    }

    // Recording start or stop.
    if (m_recordRequested) {
        m_recordRequested = false;
        m_channel.watchdog().disable();
        setPanel2(QString());
        toggleRecording();
        m_channel.watchdog().enable();
    }

    // Unit windows, polling stopped while they are open.
    if (m_faultMemRequested) {
        m_faultMemRequested = false;
        if (!openUnitWindow(m_windows.faultMemory, cmdFSpeicher))
            return;
    }
    if (m_dwgTestRequested) {
        m_dwgTestRequested = false;
        if (!openUnitWindow(m_windows.dwgTest, cmdDwgTest))
            return;
    }
    if (m_softDownRequested) {
        m_softDownRequested = false;
        const auto refreshState = [this] { showSoftDownState(); };
        if (!openUnitWindow(m_windows.softDown, cmdSoftDown, refreshState))
            return;
    }

    // Racing options, then what they may have changed.
    if (m_rOptRequested) {
        m_rOptRequested = false;
        const auto reread = [this] {
            if (gates::mixtureValues(m_ctx.id))
                m_ctx.injectorFlow = ReadInjectorFlow() / 1000.0;
            if (gates::readsSwitchConfig(m_ctx.id))
                ReadSwitchConfig();
        };
        if (!openUnitWindow(m_windows.racingOptions, cmdROpt, reread))
            return;
    }

    // A lost link closes the window; otherwise the tick's watchdog ends here.
    if (linkLost())
        return CloseStatusWindow();
    m_channel.watchdog().disable();
}

void FrmMStg::correctionStep()
{
    m_phase = Phase::UnitWindow;
    m_timer1.stop();
    m_channel.watchdog().disable();
    setPanel2(QString());
    const std::optional<int> current = m_channel.readByte(cmd::correction());
    m_channel.watchdog().disable(); // the correction window may stay open for long
    if (linkLost() || !current)
        return CloseStatusWindow();
    const Bytes exitCode = m_windows.zwKor ? m_windows.zwKor(this, *current) : Bytes();
    if (!exitCode.isEmpty())
        request(Request { exitCode, 0, true }); // the correction: sent once, whatever the line does
    if (linkLost())
        return CloseStatusWindow();
    m_zwKorRequested = false;
    restartPolling();
    enableButton(cmdZwKor, true);
}

bool FrmMStg::openUnitWindow(
    const UnitWindows::Factory& factory, QPushButton* b, const std::function<void()>& beforeRestart)
{
    m_phase = Phase::UnitWindow;
    m_channel.watchdog().disable();
    setPanel2(QString());
    m_timer1.stop();
    if (factory) {
        if (std::unique_ptr<QDialog> window = factory(this))
            window->exec();
    }
    if (linkLost()) {
        CloseStatusWindow();
        return false;
    }
    if (beforeRestart)
        beforeRestart();
    if (linkLost()) {
        CloseStatusWindow();
        return false;
    }
    restartPolling();
    b->setEnabled(true);
    return true;
}

void FrmMStg::restartPolling()
{
    m_phase = Phase::Polling;
    m_timer1.start();
}

// Every unload goes through here, so the port is always released; the main
// window's reconnect opens it anew in any case.
void FrmMStg::CloseStatusWindow()
{
    if (m_phase == Phase::Closed)
        return;
    m_phase = Phase::Closed;
    m_link.closePort();
    m_timer1.stop();
    m_channel.watchdog().disable();
    m_closeRequested = false;
    setPanel2(QString());
    QDialog::done(QDialog::Accepted);
}

// ---------------------------------------------------------------- recording

rec::Selection FrmMStg::selection() const
{
    rec::Selection s {};
    for (int i = 0; i < rec::BoxCount; ++i)
        s[i] = m_boxes[i]->isChecked();
    return s;
}

rec::Displays FrmMStg::displays() const
{
    rec::Displays d;
    d.txtRPM = txtRPM->text();
    d.txtBenzPump = txtBenzPump->text();
    d.txtStgLast = txtStgLast->text();
    d.txtAnlStat = txtAnlStat->text();
    d.txtDkPos = txtDkPos->text();
    d.txtZndWinkel = txtZndWinkel->text();
    d.txtZndWinkelZ2 = txtZndWinkelZ2->text();
    d.txtZndWnkKorr = txtZndWnkKorr->text();
    d.txtMTemp = txtMTemp->text();
    d.txtAirtemp = txtAirtemp->text();
    d.txtLMM = txtLMM->text();
    d.txtLambda = txtLambda->text();
    d.txtVerbrauch = txtVerbrauch->text();
    return d;
}

void FrmMStg::toggleRecording()
{
    if (!m_log)
        return startRecording();
    stopRecording();
    openLogInEditor();
}

void FrmMStg::startRecording()
{
    const rec::Selection chosen = selection();
    if (!rec::anySelected(chosen)) {
        platform().messageBox(this, QStringLiteral("Hinweis"), rec::kNothingSelected, Platform::Icon::Information);
        return;
    }
    Platform::FileDialog dialog;
    dialog.title = QStringLiteral("Logfile speichern unter");
    dialog.filter = QStringLiteral("Velmora-Logfile (*.vml)|*vml");
    dialog.defaultExtension = QStringLiteral("vml");
    const std::optional<QString> path = platform().saveFileName(this, dialog);
    if (!path || path->isEmpty())
        return;
    m_lastDialogPath = *path;

    auto log = std::make_unique<rec::LogWriter>(*path, chosen);
    rec::HeaderInfo info;
    info.txtStgType = txtStgType->text();
    info.txtStgSerial = txtStgSerial->text();
    info.txtStgSwRelease = txtStgSwRelease->text();
    info.start = platform().now();
    info.sensorAngle = m_session.sensorAngle();
    info.racing = m_ctx.racingVariant;
    if (!log->start(info, fmt::regionalSeparator())) {
        platform().messageBox(this, QStringLiteral("Hinweis"),
            QStringLiteral("Die Logdatei \"%1\" kann nicht angelegt werden.").arg(*path), Platform::Icon::Warning);
        return;
    }
    cmdRecord->setText(QStringLiteral("[ X ]\r\nAufzeichnung beenden"));
    m_log = std::move(log);
    for (QCheckBox* b : m_boxes)
        b->setEnabled(false);
    pgbRecord->setValue(0);
    setPanel2(kRecording);
}

void FrmMStg::stopRecording()
{
    cmdRecord->setText(QStringLiteral("Aufzeichnung starten >>"));
    m_log.reset();
    pgbRecord->setValue(0);
    const rec::Selection enable = rec::boxesEnabledOnStop(m_ctx.id);
    for (int i = 0; i < rec::BoxCount; ++i)
        if (enable[i])
            m_boxes[i]->setEnabled(true);
    setPanel2(QString());
}

void FrmMStg::openLogInEditor()
{
    if (platform().openInTextEditor(m_lastDialogPath))
        return;
    platform().messageBox(this, QStringLiteral("Hinweis"),
        rec::editorNotStarted(platform().systemDirectory(), m_lastDialogPath), Platform::Icon::Warning);
}

void FrmMStg::recordingFailed()
{
    // What was written stays in the file. The editor is not opened: the
    // medium may be gone.
    const QString path = m_log->path();
    stopRecording();
    // Reading the box is no lost link.
    m_channel.watchdog().disable();
    platform().messageBox(this, QStringLiteral("Hinweis"),
        QStringLiteral("Die Logdatei \"%1\" kann nicht mehr geschrieben werden. Die Aufzeichnung wurde "
                       "beendet; die bis dahin aufgezeichneten Werte bleiben in der Datei erhalten.")
            .arg(path),
        Platform::Icon::Warning);
    m_channel.watchdog().enable();
}

// ---------------------------------------------------------------- buttons

void FrmMStg::requestWindow(bool& flag, QPushButton* b)
{
    flag = true;
    setPanel2(kWaitForTransfer);
    b->setEnabled(false);
}

void FrmMStg::BtncmdExit_Click()
{
    setPanel2(kClosing);
    m_link.setLinkLost(false);
    m_closeRequested = true;
    // Without polling (nothing left to end a tick) the window closes now; a
    // load in progress closes it when it is done.
    if (m_phase == Phase::Polling && !m_timer1.isActive() && !m_inTick)
        CloseStatusWindow();
}

void FrmMStg::closeEvent(QCloseEvent* event)
{
    if (m_phase == Phase::Closed) {
        event->accept();
        return;
    }
    // The close box: closing waits for the end of the running tick.
    event->ignore();
    BtncmdExit_Click();
}

void FrmMStg::reject()
{
    // Escape counts as the close box, never as an unload behind the tick's back.
    if (m_phase == Phase::Closed)
        return QDialog::reject();
    BtncmdExit_Click();
}
