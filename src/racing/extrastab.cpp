#include "extrastab.h"

#include "basic/controls.h"
#include "core/commands.h"
#include "core/gates.h"
#include "racing/parametertransfer.h"
#include "racing/racingcontext.h"
#include "shell/kit/boxes.h"
#include "shell/kit/frmhistory.h"
#include "shell/session.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

using form::named;
using form::valueRow;

namespace {

QString u(const char* text)
{
    return QString::fromUtf8(text);
}

// The opening's checked reads; the read button repeats some of them.
ParameterRead chargeTimeRow()
{
    return { cmd::coilChargeTimeRead(), extras::kChargeTimeMin, extras::kChargeTimeMax,
        extras::kChargeTimeStandard, coilcharge::kInvalidText, ParameterRead::Box::Hint, extras::chargeTime };
}

ParameterRead pumpRow()
{
    return { cmd::paramRead(cmd::param::kPumpPrePressure), 0, extras::kPumpTimeMax, extras::kPumpTimeStandard,
        ExtrasTab::kPumpTimeInvalid };
}

// The unit's known implausible delay (first byte 255, second byte set) and
// every other delay beyond the control both give the standard: a value the
// control clamped would be written back changed.
ParameterRead coilDelayRow()
{
    return { cmd::coilDelayRead(), extras::kCoilDelayMin, extras::kCoilDelayMax, extras::kCoilDelayStandard,
        ExtrasTab::kCoilDelayImplausible, ParameterRead::Box::Hint, extras::coilDelay };
}

// A value the control holds whatever the unit answers.
ParameterRead plainRow(int code)
{
    return { cmd::paramRead(code) };
}

} // namespace

ExtrasTab::ExtrasTab(RacingContext& context, QWidget* parent)
    : RacingTab(context, parent)
{
    buildUi();
    showValues();
}

void ExtrasTab::buildUi()
{
    const auto valueBox = [this](const char* name) { return form::displayBox(this, u(name), u("Aus (180°)")); };
    using Shown = BuddyUpDown::Shown;
    const auto upDown = [this](const char* name, int min, int max, int step, Shown shown = Shown::RisesWithValue) {
        auto* s = named(new BuddyUpDown(shown, this), name);
        s->setRange(min, max);
        s->setSingleStep(step);
        return s;
    };
    const auto label = [this](const char* name, const char* text, QWidget* buddy = nullptr) {
        auto* l = named(new QLabel(u(text), this), name);
        if (buddy)
            l->setBuddy(buddy);
        return l;
    };

    // Coils and sensor. The window's "&Lesen", "&Schreiben" and "&Fertig"
    // keep L, S and F; each label gives its control a letter of its own.
    frmCoilConfig = named(new QGroupBox(u("Zündspule(n)"), this), "frmCoilConfig");
    cmbCoilType = named(new QComboBox(this), "cmbCoilType");
    for (const extras::CoilType& type : extras::kCoilTypes)
        cmbCoilType->addItem(u(type.text), type.code);
    cmbCoilType->setPlaceholderText(extras::kUnknownCoilType);
    cmbCoilType->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    lblCoilType = label("lblCoilType", "&Typ:", cmbCoilType);
    udCoilLoadTime = upDown("udCoilLoadTime", extras::kChargeTimeMin, extras::kChargeTimeMax, 1);
    txt_CoilLoadTime = valueBox("txt_CoilLoadTime");
    lblCLtText1 = label("lblCLtText1", "Lade&zeit (ms):", udCoilLoadTime);
    udCOilDelay = upDown("udCOilDelay", extras::kCoilDelayMin, extras::kCoilDelayMax, extras::kCoilDelayStep);
    txtCOilDelay = valueBox("txtCOilDelay");
    lblCoilDelay = label("lblCoilDelay", "Schalt&verzögerung (µs):", udCOilDelay);
    // The up arrow lowers the raw value: the speed shown rises.
    udTwellRotation = upDown("udTwellRotation", 0, extras::kDwellStartMax, 1, Shown::FallsWithValue);
    txt_TwellRotation = valueBox("txt_TwellRotation");
    lblTwellOn = label("lblTwellOn", "Schließwinkel&regelung ab (U/min):", udTwellRotation);
    udVHWinkel = upDown("udVHWinkel", 0, extras::kLeadAngleMax, 1);
    txtVHWinkel = valueBox("txtVHWinkel");
    lblVHWinkel = label("lblVHWinkel", "Vor&haltewinkel (° KW):", udVHWinkel);
    auto* coils = new QGridLayout(frmCoilConfig);
    coils->addWidget(lblCoilType, 0, 0);
    coils->addWidget(cmbCoilType, 0, 1, Qt::AlignLeft);
    coils->addWidget(lblCLtText1, 1, 0);
    coils->addLayout(valueRow(txt_CoilLoadTime, udCoilLoadTime), 1, 1);
    coils->addWidget(lblCoilDelay, 2, 0);
    coils->addLayout(valueRow(txtCOilDelay, udCOilDelay), 2, 1);
    coils->addWidget(lblTwellOn, 3, 0);
    coils->addLayout(valueRow(txt_TwellRotation, udTwellRotation), 3, 1);
    coils->addWidget(lblVHWinkel, 4, 0);
    coils->addLayout(valueRow(txtVHWinkel, udVHWinkel), 4, 1);
    coils->setColumnStretch(2, 1);

    // Fuel pump.
    frm_BPump = named(new QGroupBox(u("Kraftstoffversorgung"), this), "frm_BPump");
    udVDruck = upDown("udVDruck", 0, extras::kPumpTimeMax, 1);
    txtVDruck = valueBox("txtVDruck");
    lbl_BVD1 = label("lbl_BVD1", "Vordruck&aufbau max.:", udVDruck);
    lblPVD2 = label("lblPVD2", "Sekunden");
    auto* pump = new QHBoxLayout(frm_BPump);
    pump->addWidget(lbl_BVD1);
    pump->addLayout(valueRow(txtVDruck, udVDruck, lblPVD2));

    // Air mass, injection units only.
    frmWaitHfmADC = named(new QGroupBox(u("Abtastdifferenz Luftmassensensor"), this), "frmWaitHfmADC");
    udWaitHfmADC = upDown("udWaitHfmADC", 0, extras::kSamplingMax, 1);
    txtWaitHfmADC = valueBox("txtWaitHfmADC");
    lblWaitHfmADC = label("lblWaitHfmADC", "Fa&ktor:", udWaitHfmADC);
    auto* sampling = new QHBoxLayout(frmWaitHfmADC);
    sampling->addWidget(lblWaitHfmADC);
    sampling->addLayout(valueRow(txtWaitHfmADC, udWaitHfmADC));

    frmVLLM = named(new QGroupBox(u("Vollastbereich bei Einspritzung"), this), "frmVLLM");
    udVLLM = upDown("udVLLM", extras::kFullLoadAirMassMin, extras::kFullLoadAirMassMax, 1);
    txtVLLM = valueBox("txtVLLM");
    lblVLLM1 = label("lblVLLM1", "&Beginn ab:", udVLLM);
    lblVLLM2 = label("lblVLLM2", "kg Luft /h");
    auto* fullLoad = new QHBoxLayout(frmVLLM);
    fullLoad->addWidget(lblVLLM1);
    fullLoad->addLayout(valueRow(txtVLLM, udVLLM, lblVLLM2));

    cmd_ReadZusatz2 = named(new QPushButton(u("&Lesen"), this), "cmd_ReadZusatz2");
    cmd_WriteZusatz2 = named(new QPushButton(u("&Schreiben"), this), "cmd_WriteZusatz2");
    // "V" is the switch-off delay's letter on this page.
    cmdHistory = named(new QPushButton(u("V&erlauf..."), this), "cmdHistory");
    buttonkeys::pressOnReturn({ cmd_ReadZusatz2, cmd_WriteZusatz2, cmdHistory });

    auto* left = new QVBoxLayout;
    left->addWidget(frmCoilConfig);
    left->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(frm_BPump);
    right->addWidget(frmWaitHfmADC);
    right->addWidget(frmVLLM);
    right->addStretch();
    auto* groups = new QHBoxLayout;
    groups->addLayout(left, 1);
    groups->addLayout(right, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmd_ReadZusatz2);
    buttons->addWidget(cmd_WriteZusatz2);
    buttons->addWidget(cmdHistory);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups, 1);
    layout->addLayout(buttons);

    // The change events: the display box follows, and the state the write sends.
    const auto follow = [this](BuddyUpDown* control, int Values::*field, QLineEdit* box, QString (*text)(int)) {
        connect(control, &QSpinBox::valueChanged, this, [this, field, box, text](int value) {
            m_values.*field = value;
            box->setText(text(value));
        });
    };
    follow(udCoilLoadTime, &Values::coilLoadTime, txt_CoilLoadTime, extras::chargeTimeText);
    follow(udCOilDelay, &Values::coilDelay, txtCOilDelay, extras::coilDelayText);
    follow(udTwellRotation, &Values::dwellStart, txt_TwellRotation, extras::dwellStartText);
    follow(udVHWinkel, &Values::leadAngle, txtVHWinkel, extras::leadAngleText);
    follow(udVDruck, &Values::pumpTime, txtVDruck, extras::pumpTimeText);
    follow(udWaitHfmADC, &Values::airMassSampling, txtWaitHfmADC, extras::samplingText);
    follow(udVLLM, &Values::fullLoadAirMass, txtVLLM, extras::fullLoadAirMassText);
    connect(cmbCoilType, &QComboBox::activated, this, &ExtrasTab::coilTypeChosen);
    connect(cmd_ReadZusatz2, &QPushButton::clicked, this, [this] { context().runAction([this] { readAll(); }); });
    connect(
        cmd_WriteZusatz2, &QPushButton::clicked, this, [this] { context().runAction([this] { writeAll(); }); });
    connect(
        cmdHistory, &QPushButton::clicked, this, [this] { context().runAction([this] { loadFromHistory(); }); });
}

void ExtrasTab::showValues()
{
    const Values v = m_values;
    const std::pair<BuddyUpDown*, int> controls[] = { { udCoilLoadTime, v.coilLoadTime },
        { udCOilDelay, v.coilDelay }, { udTwellRotation, v.dwellStart }, { udVHWinkel, v.leadAngle },
        { udVDruck, v.pumpTime }, { udWaitHfmADC, v.airMassSampling }, { udVLLM, v.fullLoadAirMass } };
    for (const auto& [control, value] : controls) {
        const QSignalBlocker quiet(control);
        control->setValue(value);
    }
    txt_CoilLoadTime->setText(extras::chargeTimeText(v.coilLoadTime));
    txtCOilDelay->setText(extras::coilDelayText(v.coilDelay));
    txt_TwellRotation->setText(extras::dwellStartText(v.dwellStart));
    txtVHWinkel->setText(extras::leadAngleText(v.leadAngle));
    txtVDruck->setText(extras::pumpTimeText(v.pumpTime));
    txtWaitHfmADC->setText(extras::samplingText(v.airMassSampling));
    txtVLLM->setText(extras::fullLoadAirMassText(v.fullLoadAirMass));
    cmbCoilType->setCurrentIndex(extras::coilTypeRow(v.coilType));

    frmCoilConfig->setEnabled(v.coilFrameEnabled);
    for (QWidget* w : std::initializer_list<QWidget*> { lblCLtText1, txt_CoilLoadTime, udCoilLoadTime })
        w->setEnabled(v.coilLoadTimeEnabled);
    for (QWidget* w : std::initializer_list<QWidget*> { lblCoilDelay, txtCOilDelay, udCOilDelay })
        w->setEnabled(v.coilDelayEnabled);
    for (QWidget* w : std::initializer_list<QWidget*> { lblTwellOn, txt_TwellRotation, udTwellRotation })
        w->setEnabled(v.dwellStartEnabled);
    for (QWidget* w :
        std::initializer_list<QWidget*> { lblCoilType, cmbCoilType, lblVHWinkel, txtVHWinkel, udVHWinkel })
        w->setEnabled(v.coilSettingsEnabled);
    for (QWidget* w : std::initializer_list<QWidget*> { frm_BPump, txtVDruck, lbl_BVD1, udVDruck, lblPVD2 })
        w->setEnabled(v.pumpEnabled);
    for (QWidget* w : std::initializer_list<QWidget*> { udVLLM, udWaitHfmADC, frmWaitHfmADC, frmVLLM,
             lblWaitHfmADC, lblVLLM1, lblVLLM2, txtWaitHfmADC, txtVLLM })
        w->setEnabled(v.airMassEnabled);
}

// cmbCoilType_Click
void ExtrasTab::coilTypeChosen(int row)
{
    if (row < 0 || row >= int(extras::kCoilTypes.size()))
        return;
    applyCoilType(extras::kCoilTypes[row].code);
    showValues();
}

void ExtrasTab::applyCoilType(int code)
{
    m_values.coilType = code;
    m_values.coilDelayEnabled = extras::hasDelaySetting(code);
    m_values.dwellStartEnabled = gates::dwellControlsWithCoilType(context().unit());
}

bool ExtrasTab::read(const ParameterRead& row, int& field)
{
    const std::optional<int> value = readParameter(context(), row);
    if (context().lost())
        return false;
    if (value)
        field = *value;
    return true;
}

// --- Opening reads -----------------------------------------------------------

bool ExtrasTab::readDwellStart()
{
    if (!gates::racingDwellRow(context().unit())) {
        disableDwellStart();
        return true;
    }
    const bool standing = read(plainRow(cmd::param::kDwellStart), m_values.dwellStart);
    showValues();
    return standing;
}

void ExtrasTab::disableDwellStart()
{
    m_values.dwellStartEnabled = false;
    showValues();
}

bool ExtrasTab::readPumpTime()
{
    if (!gates::pumpPrePressure(context().unit())) {
        disablePump();
        return true;
    }
    return readPump();
}

bool ExtrasTab::readPump()
{
    const bool standing = read(pumpRow(), m_values.pumpTime);
    showValues();
    return standing;
}

void ExtrasTab::disablePump()
{
    m_values.pumpEnabled = false;
    showValues();
}

bool ExtrasTab::readCoilLoadTime()
{
    if (!gates::coilChargeTime(context().unit())) {
        disableCoilLoadTime();
        return true;
    }
    m_values.coilFrameEnabled = true;
    m_values.coilLoadTimeEnabled = true;
    return readChargeTime();
}

bool ExtrasTab::readChargeTime()
{
    const bool standing = read(chargeTimeRow(), m_values.coilLoadTime);
    showValues();
    return standing;
}

void ExtrasTab::disableCoilLoadTime()
{
    m_values.coilLoadTimeEnabled = false;
    showValues();
}

bool ExtrasTab::readAirMassSettings()
{
    if (!gates::airMassSettings(context().unit())) {
        disableAirMassSettings();
        return true;
    }
    const ParameterRead airMass { cmd::fullLoadAirMassRead(), extras::kFullLoadAirMassMin,
        extras::kFullLoadAirMassMax, extras::kFullLoadAirMassStandard, kFullLoadAirMassInvalid,
        ParameterRead::Box::Hint, extras::fullLoadAirMass };
    const bool standing = read(plainRow(cmd::param::kAirMassSampling), m_values.airMassSampling)
        && read(airMass, m_values.fullLoadAirMass);
    showValues();
    return standing;
}

void ExtrasTab::disableAirMassSettings()
{
    m_values.airMassEnabled = false;
    showValues();
}

bool ExtrasTab::readCoilAndLeadAngle()
{
    if (!gates::coilAndLeadAngleSettings(context().unit())) {
        disableCoilAndLeadAngle();
        return true;
    }
    m_values.coilFrameEnabled = true;
    m_values.coilSettingsEnabled = true;
    return readCoilSettings();
}

// Coil type with what it enables, the delay and the lead angle, which the
// ignition table's angles follow from now on.
bool ExtrasTab::readCoilSettings()
{
    const bool standing = [this] {
        int code = m_values.coilType;
        if (!read(plainRow(cmd::param::kCoilType), code))
            return false;
        applyCoilType(code);
        if (!read(coilDelayRow(), m_values.coilDelay))
            return false;
        const std::optional<int> lead = readParameter(context(), plainRow(cmd::param::kLeadAngle));
        if (context().lost())
            return false;
        if (lead) {
            m_values.leadAngle = *lead;
            context().session().setLeadAngle(*lead);
        }
        return true;
    }();
    showValues();
    return standing;
}

void ExtrasTab::disableCoilAndLeadAngle()
{
    m_values.coilSettingsEnabled = false;
    m_values.coilDelayEnabled = false;
    showValues();
}

// --- Buttons -------------------------------------------------------------------

// cmd_ReadZusatz2: the charge time, the pump time, then the coil settings and
// the dwell start; the air-mass settings are read on opening only.
void ExtrasTab::readAll()
{
    const UnitIdentity& unit = context().unit();
    ParameterTransfer t(context(), RacingContext::kParameterProgress);
    m_values.coilFrameEnabled = gates::coilChargeTime(unit) || gates::coilAndLeadAngleSettings(unit);
    if (gates::coilChargeTime(unit) && !readChargeTime())
        return;
    if (gates::pumpPrePressure(unit) && !readPump())
        return;
    if (gates::coilAndLeadAngleSettings(unit)) {
        if (!readCoilSettings())
            return;
        if (gates::dwellControlsWithCoilType(unit)) {
            m_values.dwellStartEnabled = true;
            const bool standing = read(plainRow(cmd::param::kDwellStart), m_values.dwellStart);
            showValues();
            if (!standing)
                return;
        } else {
            disableDwellStart();
        }
    }
    history::keepBlock(context().session(), UnitHistory::Kind::CoilFunctions, kCaption, fields());
    t.finish(boxes::kTransferComplete);
}

QList<ParameterBlock::Field> ExtrasTab::fields()
{
    Values& v = m_values;
    return { { u("dwellStart"), &v.dwellStart, 0, extras::kDwellStartMax },
        { u("pumpTime"), &v.pumpTime, 0, extras::kPumpTimeMax },
        { u("coilLoadTime"), &v.coilLoadTime, extras::kChargeTimeMin, extras::kChargeTimeMax },
        { u("airMassSampling"), &v.airMassSampling, 0, extras::kSamplingMax },
        { u("fullLoadAirMass"), &v.fullLoadAirMass, extras::kFullLoadAirMassMin, extras::kFullLoadAirMassMax },
        { u("coilType"), &v.coilType, 0, 255 }, { u("coilDelay"), &v.coilDelay, 0, extras::kCoilDelayMax },
        { u("leadAngle"), &v.leadAngle, 0, extras::kLeadAngleMax } };
}

// The lead angle reaches the session only when it is written.
void ExtrasTab::loadFromHistory()
{
    if (!history::pickInto(
            this, context().session().history(), UnitHistory::Kind::CoilFunctions, kCaption, fields()))
        return;
    if (m_values.coilSettingsEnabled)
        applyCoilType(m_values.coilType);
    showValues();
}

// cmd_WriteZusatz2. A write the unit does not confirm ends the sequence,
// except the charge time: the rest is still sent and the end box names it.
void ExtrasTab::writeAll()
{
    const UnitIdentity& unit = context().unit();
    const Values v = m_values;
    const auto echo = [](int value) { return bytes::of({ value }); };
    ParameterTransfer t(context(), RacingContext::kParameterProgress);

    if (v.dwellStartEnabled && !t.write(cmd::dwellStartWrite(v.dwellStart), echo(v.dwellStart)))
        return;
    if (v.coilLoadTimeEnabled) {
        const auto confirms
            = [time = v.coilLoadTime](const Bytes& reply) { return extras::chargeTime(reply) == time; };
        if (!t.write(cmd::coilChargeTimeWrite(v.coilLoadTime), confirms, ParameterTransfer::OnMismatch::GoOn,
                kChargeTimeName))
            return;
    }
    t.setProgress(RacingContext::kParameterProgress);
    // The pump time goes out only where it was read: a one-cylinder unit
    // never shows it, and would get a time nobody chose.
    if (gates::pumpPrePressureWritten(unit) && v.pumpEnabled
        && !t.write(cmd::pumpPrePressureWrite(v.pumpTime), echo(v.pumpTime)))
        return;
    if (v.airMassEnabled) {
        const int count = v.fullLoadAirMass;
        if (!t.write(cmd::fullLoadAirMassWrite(count), bytes::of({ count >> 8, count & 0xFF })))
            return;
        if (!t.write(cmd::airMassSamplingWrite(v.airMassSampling), echo(v.airMassSampling)))
            return;
    }
    if (gates::coilAndLeadAngleSettings(unit)) {
        if (!t.write(cmd::coilTypeWrite(v.coilType), echo(v.coilType)))
            return;
        if (extras::hasDelaySetting(v.coilType)) {
            const auto confirms
                = [delay = v.coilDelay](const Bytes& reply) { return extras::coilDelay(reply) == delay; };
            if (!t.write(cmd::coilDelayWrite(v.coilDelay), confirms))
                return;
        }
        // The lead angle goes out twice in a row; only the second echo is judged.
        context().channel().ask(cmd::leadAngleWrite(v.leadAngle));
        if (context().lost())
            return;
        if (!t.write(cmd::leadAngleWrite(v.leadAngle), echo(v.leadAngle)))
            return;
        context().session().setLeadAngle(v.leadAngle);
        emit leadAngleWritten();
    }
    t.finish(boxes::kTransferComplete);
}
