#include "frmsds.h"

#include "basic/basicsettings.h"
#include "basic/controls.h"
#include "core/coilcharge.h"
#include "core/commands.h"
#include "shell/kit/boxes.h"
#include "shell/kit/frmhistory.h"
#include "shell/platform.h"
#include "shell/session.h"
#include "shell/timing.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

using form::named;
using form::valueRow;

namespace {

constexpr int kSoftDownOff = 9;

// What the end of a send names when the unit did not confirm it.
const QString kSoftDownName = QStringLiteral("SoftDown-Steuerung");
const QString kSoftDownTimeName = QStringLiteral("Abregelzeit");
const QString kStaticAngleName = QStringLiteral("Statischer Zündwinkel");
const QString kCoilChargeName = QStringLiteral("Zündspulenladezeit");

QString u(const char* text)
{
    return QString::fromUtf8(text);
}

} // namespace

FrmSDS::FrmSDS(Session& session, QWidget* parent)
    : UnitDialog(
        session, LinkPolicy::softDown(), kWatchdogInterval, [] { return kHelpTopic; }, parent)
{
    setObjectName(QStringLiteral("FrmSDS"));
    setWindowTitle(kCaption);
    buildUi();

    m_timer1.setSingleShot(true);
    m_timer1.setInterval(timing::interval(kStatusClearInterval));
    connect(&m_timer1, &QTimer::timeout, this, &FrmSDS::Timer1_Timer);
    channel().watchdog().setStopWindowTimers([this] { m_timer1.stop(); });
    connect(this, &QDialog::finished, &m_timer1, &QTimer::stop);
}

void FrmSDS::buildUi()
{
    const auto label = [this](const char* text, QList<QLabel*>* group = nullptr) {
        auto* l = new QLabel(u(text), this);
        if (group)
            group->append(l);
        return l;
    };
    const auto valueBox = [this](const char* name) {
        auto* e = named(new QLineEdit(this), name);
        e->setReadOnly(true);
        e->setMaximumWidth(70);
        return e;
    };
    using Shown = BuddyUpDown::Shown;
    const auto upDown = [this](const char* name, int min, int max, int step, Shown shown) {
        auto* s = named(new BuddyUpDown(shown, this), name);
        s->setRange(min, max);
        s->setSingleStep(step);
        return s;
    };

    // Soft-down.
    auto* sd = named(new QGroupBox(u("SoftDown-Steuerung"), this), "frmSoftDown");
    sd->setToolTip(u("Konfiguration der Ruhestromabschaltung"));
    chkSDEin = named(new QRadioButton(u("E&in"), sd), "chkSDEin");
    chkSDEin->setToolTip(u("Ruhestromabschaltung aktivieren"));
    chkSDAus = named(new QRadioButton(u("A&us"), sd), "chkSDAus");
    chkSDAus->setToolTip(u("Ruhestromabschaltung deaktivieren"));
    UpDownSDTime
        = upDown("UpDownSDTime", basic::kSoftDownStepMin, basic::kSoftDownStepMax, 1, Shown::RisesWithValue);
    txtSDTime = valueBox("txtSDTime");
    cmdStdSDTime = named(new QPushButton(u("S&tandard"), sd), "cmdStdSDTime");
    cmdStdSDTime->setToolTip(u("Standardwartezeit bis zur Ruhestromabschaltung benutzen"));
    auto* sdl = new QGridLayout(sd);
    sdl->addWidget(label("Ruhestromabschaltung:"), 0, 0);
    sdl->addWidget(chkSDEin, 0, 1);
    sdl->addWidget(chkSDAus, 0, 2);
    sdl->addWidget(label("Abregelung der Zündspulen bei Motorstillstand:", &sdTimeLabels), 1, 0, 1, 4);
    sdl->addWidget(label("Nach", &sdTimeLabels), 2, 0);
    sdl->addLayout(valueRow(txtSDTime, UpDownSDTime, label("Sekunden", &sdTimeLabels)), 2, 1, 1, 3);
    sdl->addWidget(cmdStdSDTime, 2, 4);

    // Idle control.
    frmZKTemp = named(new QGroupBox(u("Leerlaufregelung"), this), "frmZKTemp");
    frmZKTemp->setToolTip(u("Einstellungen der Leerlaufregelung"));
    chkSTempAus = named(new QRadioButton(u("&dynamisch"), frmZKTemp), "chkSTempAus");
    chkSTempAus->setToolTip(u("Leerlaufregelung auch bei Kaltstart immer benutzen"));
    chkSTempEin = named(new QRadioButton(u("&statisch"), frmZKTemp), "chkSTempEin");
    chkSTempEin->setToolTip(u("Deaktiviert die Leerlaufregelung in der Warmlaufphase"));
    UpDownZkTemp = upDown("UpDownZkTemp", basic::kTempStepMin, basic::kTempStepMax, 5, Shown::RisesWithValue);
    txtZKTemp = valueBox("txtZKTemp");
    cmdZkTempDef = named(new QPushButton(u("St&andard"), frmZKTemp), "cmdZkTempDef");
    // The angle before top dead centre falls as the step rises.
    UpDownStatZw = upDown("UpDownStatZw", 0, basic::kStaticAngleMax, 1, Shown::FallsWithValue);
    txtStatZw = valueBox("txtStatZw");
    cmdStatZwDef = named(new QPushButton(u("Sta&ndard"), frmZKTemp), "cmdStatZwDef");
    auto* il = new QGridLayout(frmZKTemp);
    il->addWidget(label("Zündwinkel nach Kaltstart:", &idleLabels), 0, 0);
    il->addWidget(chkSTempAus, 0, 1);
    il->addWidget(chkSTempEin, 0, 2);
    il->addWidget(label("Einsatzpunkt der Leerlaufregelung:", &idleValueLabels), 1, 0, 1, 4);
    il->addWidget(label("ab", &idleValueLabels), 2, 0);
    il->addLayout(valueRow(txtZKTemp, UpDownZkTemp, label("°C", &idleValueLabels)), 2, 1, 1, 3);
    il->addWidget(cmdZkTempDef, 2, 4);
    il->addWidget(label("Statischer Zündwinkel vor Einsetzen der LL-Regelung:", &idleValueLabels), 3, 0, 1, 4);
    il->addLayout(valueRow(txtStatZw, UpDownStatZw, label("Grad v.OT", &idleValueLabels)), 4, 1, 1, 3);
    il->addWidget(cmdStatZwDef, 4, 4);

    // Coil charge time.
    frmCoilLoadTime = named(new QGroupBox(u("Zündspulenladezeit"), this), "frmCoilLoadTime");
    udCoilLoadTime = upDown("udCoilLoadTime", coilcharge::kMin, coilcharge::kMax, 1, Shown::RisesWithValue);
    txtCoilLoadTime = valueBox("txtCoilLoadTime");
    txtCoilLoadTime->setText(u("----"));
    auto* cl = new QHBoxLayout(frmCoilLoadTime);
    cl->addWidget(new QLabel(u("maximal"), frmCoilLoadTime));
    cl->addLayout(valueRow(txtCoilLoadTime, udCoilLoadTime, new QLabel(u("Millisekunden (ms)"), frmCoilLoadTime)));
    frmCoilLoadTime->setEnabled(false);

    cmdExit = named(new QPushButton(u("S&enden"), this), "cmdExit");
    cmdExit->setToolTip(u("Daten zum Motorsteuergerät übertragen"));
    Command1 = named(new QPushButton(u("&Fertig"), this), "Command1");
    Command1->setToolTip(u("Dialog beenden"));
    cmdHistory = named(new QPushButton(u("&Verlauf..."), this), "cmdHistory");
    cmdHistory->setToolTip(u("Gespeicherte Version der Grundeinstellung laden"));
    StatusBar1 = named(new QLabel(this), "StatusBar1");
    buttonkeys::pressOnReturn({ cmdStdSDTime, cmdZkTempDef, cmdStatZwDef, cmdExit, Command1, cmdHistory });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdHistory);
    buttons->addStretch();
    buttons->addWidget(cmdExit);
    buttons->addWidget(Command1);
    auto* main = new QVBoxLayout(this);
    main->addWidget(sd);
    main->addWidget(frmZKTemp);
    main->addWidget(frmCoilLoadTime);
    main->addLayout(buttons);
    main->addWidget(StatusBar1);

    connect(chkSDEin, &QRadioButton::toggled, this, [this](bool on) { on ? chkSDEin_Click() : void(); });
    connect(chkSDAus, &QRadioButton::toggled, this, [this](bool on) { on ? chkSDAus_Click() : void(); });
    connect(chkSTempAus, &QRadioButton::toggled, this, [this](bool on) { on ? chkSTempAus_Click() : void(); });
    connect(chkSTempEin, &QRadioButton::toggled, this, [this](bool on) { on ? chkSTempEin_Click() : void(); });
    connect(UpDownSDTime, &QSpinBox::valueChanged, this, &FrmSDS::UpDownSDTime_Change);
    connect(UpDownZkTemp, &QSpinBox::valueChanged, this, &FrmSDS::UpDownZkTemp_Change);
    connect(UpDownStatZw, &QSpinBox::valueChanged, this, &FrmSDS::UpDownStatZw_Change);
    connect(udCoilLoadTime, &QSpinBox::valueChanged, this, &FrmSDS::udCoilLoadTime_Change);
    connect(cmdStdSDTime, &QPushButton::clicked, this, [this] { runAction([this] { cmdStdSDTime_Click(); }); });
    connect(cmdZkTempDef, &QPushButton::clicked, this, &FrmSDS::cmdZkTempDef_Click);
    connect(cmdStatZwDef, &QPushButton::clicked, this, &FrmSDS::cmdStatZwDef_Click);
    connect(cmdExit, &QPushButton::clicked, this, [this] { runAction([this] { cmdExit_Click(); }); });
    connect(cmdHistory, &QPushButton::clicked, this, [this] { runAction([this] { loadFromHistory(); }); });
    // "&Fertig" is the close box: while a request waits it follows the request.
    connect(Command1, &QPushButton::clicked, this, [this] { reject(); });
}

// --- Loading -------------------------------------------------------------------

void FrmSDS::load()
{
    channel().watchdog().disable();
    if (!ReadSoftDownState() || !readFirmware())
        return;

    m_softDownTime = gates::softDownTimeAdjustable(m_unit);
    if (m_softDownTime) {
        if (!ReadSoftDownTime())
            return;
    } else {
        setSoftDownTimeEnabled(false);
        boxes::notice(session(), this, kSoftDownNotice);
    }

    m_idleControl = gates::idleControl(m_unit);
    if (!m_idleControl) {
        chkSTempAus->setEnabled(false);
        chkSTempEin->setEnabled(false);
        setIdleGroupEnabled(false);
        setIdleValuesEnabled(false);
        boxes::notice(session(), this, kIdleNotice);
    } else if (!loadIdleControl()) {
        return;
    }

    if (gates::coilChargeTime(m_unit)) {
        frmCoilLoadTime->setEnabled(true);
        if (!ReadCoilChargeTime())
            return;
    }

    // Setting the controls above raised their change events.
    StatusBar1->clear();
    m_loaded = true;
    Values v = shownValues();
    history::keepBlock(session(), UnitHistory::Kind::BasicSettings, kCaption, fields(v));
}

bool FrmSDS::ReadSoftDownState()
{
    // Each request toggles; the second puts the unit back as it was. Either
    // undisturbed answer tells the state.
    const Reply first = channel().ask(cmd::softDownToggle());
    if (closeIfLost() || !first)
        return false;
    const Reply reply = channel().ask(cmd::softDownToggle());
    if (closeIfLost() || !reply || reply->isEmpty())
        return false;
    m_unitSoftDownOff.reset();
    if (!reply.disturbed())
        m_unitSoftDownOff = bytes::at(*reply, 0) == kSoftDownOff;
    else if (!first.disturbed() && !first->isEmpty())
        m_unitSoftDownOff = bytes::at(*first, 0) != kSoftDownOff;
    (m_unitSoftDownOff.value_or(bytes::at(*reply, 0) == kSoftDownOff) ? chkSDAus : chkSDEin)->setChecked(true);
    return true;
}

std::optional<bool> FrmSDS::toggleSoftDown()
{
    const Reply reply = channel().ask(cmd::softDownToggle());
    if (closeIfLost() || !reply)
        return std::nullopt;
    if (!reply.disturbed() && !reply->isEmpty())
        m_unitSoftDownOff = bytes::at(*reply, 0) == kSoftDownOff;
    else if (m_unitSoftDownOff)
        m_unitSoftDownOff = !*m_unitSoftDownOff;
    return m_unitSoftDownOff;
}

bool FrmSDS::readFirmware()
{
    const Reply reply = channel().ask(cmd::firmware());
    if (closeIfLost() || !reply)
        return false;
    m_unit = session().identity();
    m_unit.setFirmware(*reply);
    m_major = m_unit.firmwareMajor;
    m_minor = m_unit.firmwareMinor;
    return true;
}

bool FrmSDS::ReadSoftDownTime()
{
    std::optional<int> stored = channel().readByte(cmd::softDownTime());
    if (closeIfLost() || !stored)
        return false;
    // A time the control cannot hold would be written back changed: the
    // unit's standard time stands in, as for the byte that selects it.
    if (basic::softDownShowsStandard(*stored)) {
        const std::optional<int> standard = ReadStandardSoftDownTime();
        if (!standard)
            return false;
        showStandardSoftDownTime(*standard);
        return true;
    }
    UpDownSDTime->setValue(basic::softDownStepFromByte(*stored));
    UpDownSDTime_Change();
    return true;
}

bool FrmSDS::loadIdleControl()
{
    const std::optional<int> angle = channel().readParam(cmd::param::kStaticAngle);
    if (closeIfLost() || !angle)
        return false;
    UpDownStatZw->setValue(*angle);
    UpDownStatZw_Change();
    return ReadIdleControl();
}

bool FrmSDS::ReadIdleControl()
{
    const Reply reply = channel().ask(cmd::idleControlRead());
    if (closeIfLost() || !reply || reply->size() < 2)
        return false;
    const basic::IdleControl idle = basic::decodeIdleControl(*reply);
    (idle.dynamic ? chkSTempAus : chkSTempEin)->setChecked(true);
    setIdleValuesEnabled(!idle.dynamic);

    const basic::TempStep t = basic::tempStepFromRaw(idle.raw);
    if (t.check == basic::TempCheck::Invalid)
        platform().messageBox(this, QStringLiteral("Achtung"), kTempInvalid, Platform::Icon::Warning);
    UpDownZkTemp->setValue(t.step);
    UpDownZkTemp_Change();
    return true;
}

bool FrmSDS::ReadCoilChargeTime()
{
    const Reply reply = channel().ask(cmd::coilChargeTimeRead());
    if (closeIfLost() || !reply || reply->size() < 3) {
        // An empty reply counts as a lost link.
        unload();
        return false;
    }
    int step = coilcharge::stepFromCount(coilcharge::count(*reply));
    if (!coilcharge::stepValid(step)) {
        boxes::defaultUsedHint(this, coilcharge::kInvalidText);
        step = coilcharge::kStandard;
    }
    udCoilLoadTime->setValue(step);
    udCoilLoadTime_Change();
    return true;
}

// --- Stored versions -----------------------------------------------------------

QList<ParameterBlock::Field> FrmSDS::fields(Values& v)
{
    return { { u("softDownOff"), &v.softDownOff, 0, 1 },
        { u("softDownStep"), &v.softDownStep, basic::kSoftDownStepMin, basic::kSoftDownStepMax },
        { u("softDownStandard"), &v.softDownStandard, 0, 1 }, { u("idleDynamic"), &v.idleDynamic, 0, 1 },
        { u("tempStep"), &v.tempStep, basic::kTempStepMin, basic::kTempStepMax },
        { u("staticAngle"), &v.staticAngle, 0, basic::kStaticAngleMax },
        { u("coilChargeStep"), &v.coilChargeStep, coilcharge::kMin, coilcharge::kMax } };
}

FrmSDS::Values FrmSDS::shownValues() const
{
    Values v;
    v.softDownOff = chkSDAus->isChecked();
    v.softDownStep = UpDownSDTime->value();
    v.softDownStandard = m_softDownStandardHeld;
    v.idleDynamic = chkSTempAus->isChecked();
    v.tempStep = UpDownZkTemp->value();
    v.staticAngle = UpDownStatZw->value();
    v.coilChargeStep = udCoilLoadTime->value();
    return v;
}

// Only what this unit lets the window set is taken; the window then holds
// an unsent configuration, as after a change by hand.
void FrmSDS::loadFromHistory()
{
    Values v;
    if (!m_loaded
        || !history::pickInto(this, session().history(), UnitHistory::Kind::BasicSettings, kCaption, fields(v)))
        return;
    (v.softDownOff ? chkSDAus : chkSDEin)->setChecked(true);
    if (m_softDownTime) {
        UpDownSDTime->setValue(v.softDownStep);
        UpDownSDTime_Change();
        m_softDownStandardHeld = v.softDownStandard != 0;
    }
    if (m_idleControl) {
        (v.idleDynamic ? chkSTempAus : chkSTempEin)->setChecked(true);
        setIdleValuesEnabled(!v.idleDynamic);
        UpDownZkTemp->setValue(v.tempStep);
        UpDownZkTemp_Change();
        UpDownStatZw->setValue(v.staticAngle);
        UpDownStatZw_Change();
    }
    if (frmCoilLoadTime->isEnabled()) {
        udCoilLoadTime->setValue(v.coilChargeStep);
        udCoilLoadTime_Change();
    }
    changed();
}

// --- Changes -------------------------------------------------------------------

void FrmSDS::changed()
{
    StatusBar1->setText(kNotSent);
}

void FrmSDS::chkSDEin_Click()
{
    if (gates::softDownOnEnablesTime(m_unit))
        setSoftDownTimeEnabled(true);
    changed();
}

void FrmSDS::chkSDAus_Click()
{
    setSoftDownTimeEnabled(false);
    changed();
}

void FrmSDS::chkSTempAus_Click()
{
    setIdleValuesEnabled(false);
    changed();
}

void FrmSDS::chkSTempEin_Click()
{
    setIdleValuesEnabled(true);
    changed();
}

void FrmSDS::UpDownSDTime_Change()
{
    m_softDownStandardHeld = false;
    txtSDTime->setText(basic::softDownText(UpDownSDTime->value()));
    changed();
}

void FrmSDS::UpDownZkTemp_Change()
{
    txtZKTemp->setText(basic::headTemperatureText(UpDownZkTemp->value()));
    changed();
}

void FrmSDS::UpDownStatZw_Change()
{
    txtStatZw->setText(
        basic::staticAngleText(session().sensorAngle(), UpDownStatZw->value(), session().leadAngle()));
    changed();
}

void FrmSDS::udCoilLoadTime_Change()
{
    txtCoilLoadTime->setText(basic::coilText(udCoilLoadTime->value()));
    changed();
}

void FrmSDS::setSoftDownTimeEnabled(bool on)
{
    on = on && m_softDownTime;
    cmdStdSDTime->setEnabled(on);
    txtSDTime->setEnabled(on);
    UpDownSDTime->setEnabled(on);
    for (QLabel* l : sdTimeLabels)
        l->setEnabled(on);
}

void FrmSDS::setIdleValuesEnabled(bool on)
{
    on = on && m_idleControl;
    for (QWidget* w : std::initializer_list<QWidget*> {
             txtZKTemp, UpDownZkTemp, cmdZkTempDef, txtStatZw, UpDownStatZw, cmdStatZwDef })
        w->setEnabled(on);
    for (QLabel* l : idleValueLabels)
        l->setEnabled(on);
}

void FrmSDS::setIdleGroupEnabled(bool on)
{
    frmZKTemp->setEnabled(on);
    for (QLabel* l : idleLabels)
        l->setEnabled(on);
}

// --- Standard buttons ------------------------------------------------------------

void FrmSDS::cmdStdSDTime_Click()
{
    cmdStdSDTime->setEnabled(false);
    UpDownSDTime->setEnabled(false);
    const std::optional<int> standard = ReadStandardSoftDownTime();
    if (!standard)
        return;
    showStandardSoftDownTime(*standard);
    cmdStdSDTime->setEnabled(true);
    UpDownSDTime->setEnabled(true);
}

std::optional<int> FrmSDS::ReadStandardSoftDownTime()
{
    const std::optional<int> standard = channel().readByte(cmd::softDownStandard());
    if (closeIfLost() || !standard)
        return std::nullopt;
    return standard;
}

void FrmSDS::showStandardSoftDownTime(int standardByte)
{
    // A standard longer than the control holds shows as its longest step.
    UpDownSDTime->setValue(std::min(basic::softDownStepFromByte(standardByte), basic::kSoftDownStepMax));
    UpDownSDTime_Change();
    m_softDownStandardHeld = true;
}

void FrmSDS::cmdZkTempDef_Click()
{
    UpDownZkTemp->setValue(basic::kTempStepStandard);
    UpDownZkTemp_Change();
}

void FrmSDS::cmdStatZwDef_Click()
{
    const std::optional<int> s = basic::standardStaticAngle(session().sensorAngle(), session().leadAngle());
    if (!s) {
        platform().messageBox(
            this, QStringLiteral("Hinweis"), kStandardAngleImpossible, Platform::Icon::Information);
        return;
    }
    UpDownStatZw->setValue(*s);
    UpDownStatZw_Change();
}

// --- Sending -------------------------------------------------------------------

void FrmSDS::cmdExit_Click()
{
    const std::optional<bool> turning = EngineIsTurning();
    if (!turning)
        return;
    if (*turning) {
        platform().messageBox(this, kAppTitle, kEngineTurning, Platform::Icon::None);
        return;
    }
    setSendControlsEnabled(false);
    m_unconfirmed.clear();
    if (!send())
        return;
    setSendControlsEnabled(true);
    // Success only when the unit confirmed every value; otherwise the end
    // names what it did not confirm.
    if (!m_unconfirmed.isEmpty()) {
        boxes::transferError(this, boxes::kNotConfirmed.arg(m_unconfirmed.join(QStringLiteral(", "))));
        return;
    }
    StatusBar1->setText(boxes::kTransferComplete);
    m_timer1.start();
}

std::optional<bool> FrmSDS::EngineIsTurning()
{
    const Reply reply = channel().ask(cmd::period());
    if (closeIfLost() || !reply || reply->size() < 3)
        return std::nullopt;
    const Bytes& r = *reply;
    return bytes::at(r, 0) < 254 && bytes::at(r, 1) != 255 && bytes::at(r, 2) != 255;
}

bool FrmSDS::send()
{
    if (!(chkSDEin->isChecked() ? SwitchSoftDownOn() : SwitchSoftDownOff()))
        return false;
    if (m_softDownTime && !WriteSoftDownTime())
        return false;
    if (m_idleControl && (!TransferStaticAngle() || !WriteIdleControl()))
        return false;
    if (frmCoilLoadTime->isEnabled() && !WriteCoilChargeTime())
        return false;
    return true;
}

bool FrmSDS::SwitchSoftDownOn()
{
    return switchSoftDown(false);
}

bool FrmSDS::SwitchSoftDownOff()
{
    return switchSoftDown(true);
}

bool FrmSDS::switchSoftDown(bool off)
{
    if (!off) {
        chkSDEin->setEnabled(false);
        chkSDAus->setEnabled(false);
    }
    // The request toggles; a second one follows when the first left the
    // other state. A state the line garbled is never toggled on a guess.
    const std::optional<bool> state = toggleSoftDown();
    if (closeIfLost())
        return false;
    if (!state) {
        notConfirmed(kSoftDownName);
        return true;
    }
    if (*state != off) {
        const std::optional<bool> again = toggleSoftDown();
        if (closeIfLost())
            return false;
        if (again != off)
            notConfirmed(kSoftDownName);
    }
    return true;
}

bool FrmSDS::WriteSoftDownTime()
{
    const std::optional<int> standard = channel().readByte(cmd::softDownStandard());
    if (closeIfLost() || !standard)
        return false;
    const int written = basic::softDownWriteByte(UpDownSDTime->value(), *standard, m_softDownStandardHeld);
    const Echo echo = channel().write(cmd::softDownTimeWrite(written), Bytes(1, char(written)));
    if (echo == Echo::Lost || closeIfLost())
        return false;
    if (echo == Echo::Mismatch)
        notConfirmed(kSoftDownTimeName);
    setSoftDownTimeEnabled(chkSDEin->isChecked());
    return true;
}

bool FrmSDS::TransferStaticAngle()
{
    const Echo echo = channel().writeParam(cmd::param::kStaticAngle, UpDownStatZw->value());
    if (echo == Echo::Lost || closeIfLost())
        return false;
    if (echo == Echo::Mismatch)
        notConfirmed(kStaticAngleName);
    return true;
}

bool FrmSDS::WriteIdleControl()
{
    const bool dynamic = chkSTempAus->isChecked();
    const int raw = basic::rawFromTempStep(UpDownZkTemp->value());
    // The unit's answer carries nothing to compare.
    channel().ask(cmd::idleControlWrite(basic::idleControlFlags(dynamic, raw), raw & 255));
    if (closeIfLost())
        return false;
    setIdleValuesEnabled(!dynamic);
    chkSTempAus->setEnabled(true);
    chkSTempEin->setEnabled(true);
    setIdleGroupEnabled(true);
    return true;
}

bool FrmSDS::WriteCoilChargeTime()
{
    const int step = udCoilLoadTime->value();
    const Reply reply = channel().ask(cmd::coilChargeTimeWrite(step));
    if (closeIfLost() || !reply)
        return false;
    if (!reply->isEmpty() && coilcharge::count(*reply) != step * 1000)
        notConfirmed(kCoilChargeName);
    return true;
}

void FrmSDS::notConfirmed(const QString& name)
{
    boxes::transferError(this);
    m_unconfirmed << name;
}

void FrmSDS::setSendControlsEnabled(bool on)
{
    for (QWidget* w : std::initializer_list<QWidget*> { cmdExit, Command1 })
        w->setEnabled(on);
    if (on) {
        chkSDEin->setEnabled(true);
        chkSDAus->setEnabled(true);
        return;
    }
    // Sending enables each group again as it is written.
    setSoftDownTimeEnabled(false);
    setIdleValuesEnabled(false);
    chkSTempAus->setEnabled(false);
    chkSTempEin->setEnabled(false);
    for (QLabel* l : idleLabels)
        l->setEnabled(false);
}

// --- Closing -------------------------------------------------------------------

void FrmSDS::Timer1_Timer()
{
    if (StatusBar1->text() == boxes::kTransferComplete)
        StatusBar1->clear();
}

void FrmSDS::leave()
{
    // Before the opening has read everything there is nothing to send, and
    // the opening ends with nothing unsent: a close during it goes without a
    // question.
    if (m_loaded && StatusBar1->text() == kNotSent) {
        const auto answer = platform().messageBox(
            this, QStringLiteral("Hinweis"), kLeaveQuestion, Platform::Icon::Question, Platform::Buttons::YesNo);
        if (answer != Platform::Answer::Yes)
            return;
    }
    unload();
}
