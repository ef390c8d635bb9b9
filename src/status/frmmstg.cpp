#include "frmmstg.h"

#include "core/format.h"
#include "core/gates.h"
#include "core/settings.h"
#include "shell/platform.h"
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

FrmMStg::FrmMStg(Link& link, SettingsFile& settings, const UnitWindows& windows, QWidget* parent)
    : QDialog(parent)
    , m_link(link)
    , m_settings(settings)
    , m_windows(windows)
    , m_watchdog(link, LinkPolicy::statusWindow(), 5000ms, this)
{
    setObjectName(QStringLiteral("FrmMStg"));
    setWindowTitle(kCaption);
    buildUi();
    m_watchdog.setBoxParent(this);
    m_watchdog.setStopWindowTimers([this] { m_timer1.stop(); });
    connect(&m_timer1, &QTimer::timeout, this, &FrmMStg::Timer1_Timer);
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
    if (m_link.WarningsSetting == 0)
        platform().messageBox(this, QStringLiteral("Hinweis"), text, Platform::Icon::Information);
}

void FrmMStg::setPanel2(const QString& text)
{
    stbMsgText->setText(text);
}

Bytes FrmMStg::RequestReply(const Bytes& command, int length)
{
    return m_link.RequestReply(command, length, m_watchdog);
}

void FrmMStg::Form_Load()
{
    m_loading = true;
    loadSteps();
    m_loading = false;
    if (!m_unloaded && m_closeRequested)
        CloseStatusWindow();
}

void FrmMStg::loadSteps()
{
    // 1. Requests, features, flags.
    m_closeRequested = m_faultMemRequested = m_dwgTestRequested = m_softDownRequested = false;
    m_zwKorRequested = m_rOptRequested = m_recordRequested = m_recordingActive = false;
    m_ctx = live::Context {};
    m_ctx.inputsAvailable = true;
    m_ctx.mafAvailable = true;
    m_ctx.racingVariant = false;
    m_link.TimeoutFlag = 0;
    m_link.setMainStatusText(QString());
    for (QPushButton* b : { cmdFSpeicher, cmdDwgTest, cmdSoftDown, cmdZwKor })
        enableButton(b, true);

    // 2. Port panel.
    stbMsgPort->setText(QStringLiteral("COM ") + QString::number(m_link.CurrentPort));

    // 3. Intervals and message switches.
    m_requestTime = m_settings.ReadRequestTime();
    m_link.WarningsSetting = m_settings.ReadWarnings();
    m_link.NoBreakMsgSetting = m_settings.ReadNoBreakMsg();
    m_timer1.setInterval(timing::interval(std::max(std::chrono::milliseconds(m_requestTime), kMinRequestTime)));
    m_watchdog.setInterval(std::chrono::milliseconds(live::watchdogInterval(m_requestTime)));

    // The load is no poll tick: each of its requests is bounded on its own,
    // so a hint box the user reads for a while does not count as a lost link.
    const auto read = [this](const Bytes& command, int length) {
        const Bytes reply = RequestReply(command, length);
        m_watchdog.disable();
        return reply;
    };

    // 4. Firmware release.
    const Bytes release = read("v00?", 6);
    if (release.isEmpty())
        return CloseStatusWindow();
    txtStgSwRelease->setText(bytes::text(release));
    m_link.Identity = UnitIdentity {};
    m_link.Identity.setFirmware(release);

    // 5. Unit type.
    const Bytes type = read("t00?", 15);
    if (type.isEmpty())
        return CloseStatusWindow();
    txtStgType->setText(bytes::text(type));
    m_link.Identity.setUnitType(type);
    const UnitIdentity& id = m_link.Identity;
    m_ctx.id = id;

    // 6. Sensor angle.
    m_link.SensorAngle = live::adjustedSensorAngle(m_settings.ReadDwgGrdPos(), id);
    m_ctx.sensorAngle = m_link.SensorAngle;

    // 7. Mixture sensors and injector delivery.
    if (!gates::mixtureValues(id)) {
        loadNotInjectionLine();
    } else {
        m_ctx.injectorFlow = ReadInjectorFlow() / 1000.0;
        m_watchdog.disable();
        if (linkLost())
            return CloseStatusWindow();
    }

    // 8. Engine temperature.
    loadHeadTemperature();

    // 9. Units without throttle and starter inputs.
    if (!gates::throttleAndStarterInputs(id)) {
        m_ctx.inputsAvailable = false;
        m_boxes[rec::Dkpo]->setEnabled(false);
        m_boxes[rec::Anl]->setEnabled(false);
        txtDkPos->setText(live::kNotSupported);
        txtAnlStat->setText(live::kNotSupported);
        txtDkPos->setEnabled(false);
        txtAnlStat->setEnabled(false);
    }

    // 10. Racing variant.
    if (gates::racingVariant(id)) {
        enableButton(cmdROpt, true);
        m_ctx.racingVariant = true;
        if (const auto caption = live::lblDkPosCaption(id))
            lblDkPos->setText(*caption);
        if (const auto caption = live::lblAnlasserCaption(id))
            lblAnlasser->setText(*caption);
    }

    // 11. Serial number.
    const Bytes serial = read("s00?", 13);
    if (serial.isEmpty())
        return CloseStatusWindow();
    txtStgSerial->setText(bytes::text(serial));
    m_link.Identity.serialNumber = bytes::text(serial);
    m_ctx.id.serialNumber = m_link.Identity.serialNumber;

    // 12. Gates of firmware before 1.
    loadFirmwareGates();

    // 13. Crank angle sensor test and soft-down state.
    enableButton(cmdDwgTest, gates::crankSensorTestButton(id));
    if (!gates::softDownButton(id)) {
        txtSDaktiv->setText(live::kNotSupported);
    } else {
        txtSDaktiv->setText(live::softDownStateText(ReadSoftDownState()));
        m_watchdog.disable();
    }

    // 14. Angles and the sensor lead angle.
    txtZndWinkel->setText(live::kNoAngle);
    txtZndWinkelZ2->setText(live::kNoAngle);
    if (!gates::ignitionAngleZ2Label(id))
        LabelZ2->setEnabled(false);
    m_link.AngleOffset = 0;
    if (gates::readsAngleOffset(id)) {
        const Bytes offset = read(bytes::frame(154, "r0?"), 1);
        if (!offset.isEmpty())
            m_link.AngleOffset = bytes::at(offset, 0);
    }
    m_ctx.angleOffset = m_link.AngleOffset;

    // 15. Switching module, then polling.
    if (gates::readsSwitchConfig(id)) {
        ReadSwitchConfig();
        m_watchdog.disable();
        if (linkLost())
            return CloseStatusWindow();
    }
    if (linkLost())
        return CloseStatusWindow();
    m_timer1.start();
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
    if (!gates::headTemperatureMeasured(m_link.Identity)) {
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

void FrmMStg::loadFirmwareGates()
{
    const UnitIdentity& id = m_link.Identity;
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

int FrmMStg::ReadSoftDownState()
{
    const Bytes first = RequestReply("n00?", 1);
    const Bytes second = RequestReply("n00?", 1);
    if (first.isEmpty() || second.isEmpty())
        return 0;
    return bytes::at(second, 0);
}

int FrmMStg::ReadInjectorFlow()
{
    const live::InjectorFlowReading flow = live::decodeInjectorFlow(RequestReply(bytes::frame(96, "00?"), 2));
    if (flow.notConfigured) {
        m_watchdog.disable(); // the user reads the box; no transaction runs meanwhile
        platform().messageBox(this, kAppTitle, live::kInjectorFlowNotConfigured, Platform::Icon::Critical);
    }
    return flow.value;
}

void FrmMStg::ReadSwitchConfig()
{
    const UnitIdentity& id = m_link.Identity;
    const Bytes se1 = RequestReply(bytes::frame(92, "r0?"), 1);
    if (se1.isEmpty())
        return;
    if (const auto caption = live::se1ModeCaption(bytes::at(se1, 0)))
        lblSE1Mode->setText(*caption);
    m_ctx.lblSE1Mode = lblSE1Mode->text();

    const Bytes offset = RequestReply(bytes::frame(126, "r0?"), 1);
    if (offset.isEmpty())
        return;
    m_ctx.offsetAngle = live::offsetAngleFromByte(bytes::at(offset, 0));

    if (!gates::readsInput2Mode(id)) {
        lblSE2Mode->setText(live::kNotSupported);
    } else {
        const Bytes se2 = RequestReply(bytes::frame(148, "r0?"), 1);
        if (se2.isEmpty())
            return;
        if (const auto caption = live::se2ModeCaption(bytes::at(se2, 0)))
            lblSE2Mode->setText(*caption);
    }
    m_ctx.lblSE2Mode = lblSE2Mode->text();

    if (gates::readsInput2Enrichment(id)) {
        const Bytes enrichment = RequestReply(bytes::frame(135, "r0?"), 1);
        if (enrichment.isEmpty())
            return;
        m_ctx.enrichmentSixteenths = bytes::at(enrichment, 0);
    }

    const Bytes outputs = RequestReply("j00?", 10);
    if (const auto modes = live::decodeOutputModes(outputs)) {
        lblSA1Mode->setText(modes->lblSA1Mode);
        lblSA2Mode->setText(modes->lblSA2Mode);
        m_ctx.lblSA1Mode = modes->lblSA1Mode;
    }
}

// ---------------------------------------------------------------- poll tick

void FrmMStg::Timer1_Timer()
{
    // A tick never starts while one runs (its waits process timer events).
    if (m_inTick || m_unloaded)
        return;
    m_inTick = true;
    m_watchdog.enable();
    tickSpeed();
    tickOutputs();
    tickInputs();
    tickAngles();
    tickCorrection();
    tickAnalog();
    tickLambda();
    tickConsumption();
    writeRecordingRow();
    endOfTick();
    m_inTick = false;
}

void FrmMStg::tickSpeed()
{
    m_period = 0;
    if (const auto speed = live::decodeSpeed(RequestReply("r00?", 3))) {
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
    if (const auto out = live::decodeOutputs(RequestReply(bytes::frame(128, "00?"), 1), m_ctx, txtRPM->text())) {
        txtBenzPump->setText(out->txtBenzPump);
        lblSA2Stat->setText(out->lblSA2Stat);
        lblSA1Stat->setText(out->lblSA1Stat);
    }
}

void FrmMStg::tickInputs()
{
    if (!m_ctx.inputsAvailable)
        return;
    if (const auto in = live::decodeInputs(RequestReply("l00?", 1), m_ctx, fmt::regionalSeparator())) {
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
    const Bytes first = RequestReply("z00?", 1);
    const Bytes second = gates::readsSecondIgnitionAngle(m_ctx.id) ? RequestReply("i00?", 1) : Bytes();
    if (const auto angles
        = live::decodeIgnitionAngles(first, second, m_ctx, txtRPM->text(), fmt::regionalSeparator())) {
        txtZndWinkel->setText(angles->txtZndWinkel);
        if (angles->txtZndWinkelZ2)
            txtZndWinkelZ2->setText(*angles->txtZndWinkelZ2);
    }
}

void FrmMStg::tickCorrection()
{
    if (const auto text = live::decodeCorrection(RequestReply("q00?", 1), fmt::regionalSeparator()))
        txtZndWnkKorr->setText(*text);
}

void FrmMStg::tickAnalog()
{
    if (!m_ctx.headTempAvailable)
        return;
    if (const auto a = live::decodeAnalog(RequestReply("g00?", 8), m_ctx, fmt::regionalSeparator())) {
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
        = live::decodeLambda(RequestReply("^00?", 2), txtRPM->text(), txtLMM->text(), fmt::regionalSeparator()))
        txtLambda->setText(*text);
}

void FrmMStg::tickConsumption()
{
    if (!gates::mixtureValues(m_ctx.id))
        return;
    if (const auto text = live::decodeConsumption(RequestReply(bytes::frame(144, "00?"), 3), m_period,
            m_ctx.injectorFlow, txtRPM->text(), fmt::regionalSeparator()))
        txtVerbrauch->setText(*text);
}

void FrmMStg::writeRecordingRow()
{
    if (!m_recordingActive || !m_log)
        return;
    // A row whose file cannot be opened is lost, and the bar stays; the
    // recording goes on.
    if (m_log->appendRow(QTime::currentTime(), displays()))
        pgbRecord->setValue(rec::nextProgress(pgbRecord->value()));
}

bool FrmMStg::openUnitWindow(
    const UnitWindows::Factory& factory, QPushButton* b, const std::function<void()>& beforeRestart)
{
    m_watchdog.disable();
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
    m_timer1.start();
    b->setEnabled(true);
    return true;
}

void FrmMStg::endOfTick()
{
    // 1. Close.
    if (m_closeRequested)
        return CloseStatusWindow();

    // 2. Ignition angle correction.
    if (m_zwKorRequested) {
        m_timer1.stop();
        m_watchdog.disable();
        setPanel2(QString());
        const Bytes current = RequestReply("q00?", 1);
        m_watchdog.disable(); // the correction window may stay open for long
        if (linkLost() || current.isEmpty())
            return CloseStatusWindow();
        const Bytes exitCode = m_windows.zwKor ? m_windows.zwKor(this, bytes::at(current, 0)) : Bytes();
        if (!exitCode.isEmpty())
            m_link.write(exitCode);
        if (linkLost())
            return CloseStatusWindow();
        m_timer1.start();
        m_zwKorRequested = false;
        enableButton(cmdZwKor, true);
    }

    // 3. Recording start or stop.
    if (m_recordRequested) {
        m_recordRequested = false;
        m_watchdog.disable();
        setPanel2(QString());
        StartRecording();
        m_watchdog.enable();
    }

    // 4.-6. Unit windows, polling stopped while they are open.
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
        const auto refreshState = [this] { txtSDaktiv->setText(live::softDownStateText(ReadSoftDownState())); };
        if (!openUnitWindow(m_windows.softDown, cmdSoftDown, refreshState))
            return;
    }

    // 7. Racing options.
    if (m_rOptRequested) {
        m_rOptRequested = false;
        if (!openUnitWindow(m_windows.racingOptions, cmdROpt))
            return;
        if (gates::mixtureValues(m_ctx.id))
            m_ctx.injectorFlow = ReadInjectorFlow() / 1000.0;
        if (gates::readsSwitchConfig(m_ctx.id))
            ReadSwitchConfig();
    }

    // 8. A lost link closes the window; otherwise the tick's watchdog ends here.
    if (linkLost())
        return CloseStatusWindow();
    m_watchdog.disable();
}

// Every unload after a lost link goes through here, so the port is always
// released; the main window's reconnect opens it anew in any case.
void FrmMStg::CloseStatusWindow()
{
    m_link.ClosePort();
    m_timer1.stop();
    m_watchdog.disable();
    m_closeRequested = false;
    setPanel2(QString());
    m_unloaded = true;
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

void FrmMStg::StartRecording()
{
    if (!m_recordingActive) {
        const rec::Selection chosen = selection();
        if (!rec::anySelected(chosen)) {
            platform().messageBox(
                this, QStringLiteral("Hinweis"), rec::kNothingSelected, Platform::Icon::Information);
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
        info.start = QDateTime::currentDateTime();
        info.sensorAngle = m_link.SensorAngle;
        info.racing = m_ctx.racingVariant;
        if (!log->start(info, fmt::regionalSeparator())) {
            platform().messageBox(this, QStringLiteral("Hinweis"),
                QStringLiteral("Die Logdatei \"%1\" kann nicht angelegt werden.").arg(*path),
                Platform::Icon::Warning);
            return;
        }
        m_recordingActive = true;
        cmdRecord->setText(QStringLiteral("[ X ]\r\nAufzeichnung beenden"));
        m_log = std::move(log);
        for (QCheckBox* b : m_boxes)
            b->setEnabled(false);
        pgbRecord->setValue(0);
        setPanel2(kRecording);
        return;
    }

    cmdRecord->setText(QStringLiteral("Aufzeichnung starten >>"));
    m_log.reset();
    pgbRecord->setValue(0);
    m_recordingActive = false;
    const rec::Selection enable = rec::boxesEnabledOnStop(m_ctx.id);
    for (int i = 0; i < rec::BoxCount; ++i)
        if (enable[i])
            m_boxes[i]->setEnabled(true);
    setPanel2(QString());
    if (!platform().openInTextEditor(m_lastDialogPath)) {
        platform().messageBox(this, QStringLiteral("Hinweis"),
            QStringLiteral("Notepad.exe wurde im Systempfad (") + platform().systemDirectory()
                + QStringLiteral(") nicht gefunden. Die Logdatei wurde auf dem Datenträger "
                                 "gespeichert, kann jedoch im Augenblick nicht angezeigt werden."),
            Platform::Icon::Warning);
    }
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
    m_link.LinkLostFlag = 0;
    m_closeRequested = true;
    // Without polling (nothing left to end a tick) the window closes now; a
    // load in progress closes it when it is done.
    if (!m_timer1.isActive() && !m_inTick && !m_loading)
        CloseStatusWindow();
}

void FrmMStg::closeEvent(QCloseEvent* event)
{
    if (m_unloaded) {
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
    if (m_unloaded)
        return QDialog::reject();
    BtncmdExit_Click();
}

void FrmMStg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1) {
        event->accept();
        platform().showHelp(kHelpTopic);
        return;
    }
    QDialog::keyPressEvent(event);
}
