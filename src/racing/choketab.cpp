#include "choketab.h"

#include "basic/controls.h"
#include "core/commands.h"
#include "core/format.h"
#include "core/gates.h"
#include "racing/chokemodel.h"
#include "racing/parametertransfer.h"
#include "racing/racingcontext.h"
#include "shell/kit/boxes.h"
#include "shell/kit/frmhistory.h"
#include "shell/session.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

using form::named;
using form::valueRow;

namespace {

constexpr int kHotStartIndex = 24; // low byte; the high byte follows
constexpr int kHotStartFactorIndex = 26;
// The threshold count is 10 bits: a larger high byte is no count.
constexpr int kHotStartHighLimit = 4;
// The bar's step per band value: eighteen of them end below 110.
constexpr int kProgressStep = 6;

QString u(const char* text)
{
    return QString::fromUtf8(text);
}

// One per-band group: its frame, its controls and where the unit keeps it.
struct BandGroup {
    const char* frame;
    const char* title; // with the frame's mnemonic
    const char* toolTip;
    const char* name; // in the box that names an unconfirmed write
    const char* upDown; // object name prefixes; the band's number follows
    const char* text;
    bool reversed; // numbered from the coldest band
    int firstIndex;
    int indexStep;
    int min;
    int max;
    int step;
    std::array<int, choke::kBands> ChokeTab::Values::*field;
    QString (*shown)(int value);
};

using V = ChokeTab::Values;
// clang-format off
const std::array<BandGroup, ChokeTab::GroupCount> kGroups { {
    { "frmEChoke", "&Gemischanreicherung nach Motortemperatur",
        "Werte für Gemischanreicherung während der Warmlaufphase", "Gemischanreicherung",
        "udEChoke", "txtEChoke", true, 0, 1, 0, ChokeTab::kWarmUpEnrichmentMax, 1,
        &V::warmUpEnrichment, choke::enrichmentText },
    { "Frame4", "Zusatzanreicherung bei &Kaltstart",
        "Werte für zusätzliche Gemischanreicherung während des Anlassvorganges bei einem Kaltstart",
        "Zusatzanreicherung bei Kaltstart", "udStartChoke", "txtStartChoke", false, 6, 1, 0, ChokeTab::kEntryMax, 1,
        &V::crankingEnrichment, choke::enrichmentText },
    { "Frame5", "Temp. Differenz f. Erkennung &Warmlaufende",
        "Temperaturdifferenz bis zum Erkennung des Warmlaufendes nach einem Kaltstart", "Warmlaufende",
        "UpEchokeExitTemp", "txtEchokeExitTemp", false, 12, 2, 0, ChokeTab::kWarmUpEndMax,
        ChokeTab::kWarmUpEndStep, &V::warmUpEnd, choke::warmUpEndText },
} };
// clang-format on

// The unit's table index of a band's value (the low byte of a warm-up end).
int indexOf(ChokeTab::Group group, int band)
{
    return kGroups[group].firstIndex + kGroups[group].indexStep * band;
}

// The control's number in its object name.
int numberOf(const BandGroup& g, int band)
{
    return g.reversed ? choke::kBands - band : band + 1;
}

QString valueName(ChokeTab::Group group, int band)
{
    return u(kGroups[group].name) + QStringLiteral(" (") + choke::bandText(band).trimmed() + QLatin1Char(')');
}

} // namespace

const std::array<QString, ChokeTab::kBands> ChokeTab::kWarmUpEndInvalid = {
    QStringLiteral(
        "Der im Steuergerät gesetzte Wert für das Warmlaufende im Bereich zwischen 30 und 40 Grad C. ist "
        "unzulässig. Der Standardwert wird verwendet."),
    QStringLiteral(
        "Der im Steuergerät gesetzte Wert für das Warmlaufende im Bereich zwischen 20 und 30 Grad C. ist "
        "unzulässig. Der Standardwert wird verwendet."),
    QStringLiteral(
        "Der im Steuergerät gesetzte Wert für das Warmlaufende im Bereich zwischen 10 und 20 Grad C. ist "
        "unzulässig. Der Standardwert wird verwendet."),
    QStringLiteral(
        "Der im Steuergerät gesetzte Wert für das Warmlaufende im Bereich zwischen 0 und 10 Grad C. ist "
        "unzulässig. Der Standardwert wird verwendet."),
    QStringLiteral(
        "Der im Steuergerät gesetzte Wert für das Warmlaufende im Bereich zwischen -10 und 0 Grad C. ist "
        "unzulässig. Der Standardwert wird verwendet."),
    QStringLiteral("Der im Steuergerät gesetzte Wert für das Warmlaufende für den Bereich kleiner -10 Grad C. ist "
                   "unzulässig. Der Standardwert wird verwendet."),
};

ChokeTab::ChokeTab(RacingContext& context, QWidget* parent)
    : RacingTab(context, parent)
{
    buildUi();
    showValues();
}

void ChokeTab::buildUi()
{
    const auto valueBox = [this](const QString& name) { return form::displayBox(this, name, u("+ 173.37°C")); };
    const auto upDown = [this](const QString& name, int min, int max, int step) {
        auto* s = named(new BuddyUpDown(BuddyUpDown::Shown::RisesWithValue, this), name);
        s->setRange(min, max);
        s->setSingleStep(step);
        return s;
    };

    // The three per-band groups, each in two rows of three bands. Controls
    // are created band by band, so Tab walks them in the order shown. The
    // frames' letters reach each group; "&Lesen", "&Schreiben" and the
    // window's "&Fertig" keep L, S and F.
    for (int gi = 0; gi < GroupCount; ++gi) {
        const BandGroup& g = kGroups[gi];
        QGroupBox* frame = named(new QGroupBox(u(g.title), this), QString::fromLatin1(g.frame));
        frame->setToolTip(u(g.toolTip));
        auto* grid = new QGridLayout(frame);
        for (int band = 0; band < kBands; ++band) {
            const QString number = QString::number(numberOf(g, band));
            BuddyUpDown* arrows = upDown(QString::fromLatin1(g.upDown) + number, g.min, g.max, g.step);
            QLineEdit* text = valueBox(QString::fromLatin1(g.text) + number);
            arrows->setParent(frame);
            text->setParent(frame);
            auto* label = new QLabel(choke::bandText(band), frame);
            const int row = 2 * (band / 3);
            const int column = band % 3;
            grid->addWidget(label, row, column);
            grid->addLayout(valueRow(text, arrows), row + 1, column);
            m_bandLabels[gi][band] = label;
            m_upDowns[gi][band] = arrows;
            m_texts[gi][band] = text;
            connect(arrows, &QSpinBox::valueChanged, this, [this, gi, band](int value) {
                (m_values.*kGroups[gi].field)[band] = value;
                m_texts[gi][band]->setText(kGroups[gi].shown(value));
            });
        }
        m_frames[gi] = frame;
    }

    Frame9 = named(new QGroupBox(u("Heißstart"), this), QStringLiteral("Frame9"));
    Frame9->setToolTip(u("Einstellungen für die Gemischanpassung bei einem Heißstart"));
    udEchokeHeissStartTemp
        = upDown(QStringLiteral("udEchokeHeissStartTemp"), kHotStartMin, choke::kSensorCountMax, 1);
    txtEchokeHeissStartTemp = valueBox(QStringLiteral("txtEchokeHeissStartTemp"));
    lblHotStartTemp
        = named(new QLabel(u("&Motortemperatur über (° C):"), Frame9), QStringLiteral("lblHotStartTemp"));
    lblHotStartTemp->setToolTip(
        u("Einstellung der Motortemperatur, bei deren Überschreitung das Steuergerät einen Heißstart erkennt"));
    lblHotStartTemp->setBuddy(udEchokeHeissStartTemp);
    udEChokeHeissFaktor = upDown(QStringLiteral("udEChokeHeissFaktor"), kHotStartFactorMin, kHotStartFactorMax, 1);
    txtEChokeHeissFaktor = valueBox(QStringLiteral("txtEChokeHeissFaktor"));
    lblHotStartFakt = named(new QLabel(u("Gemisch&anpassungsfaktor:"), Frame9), QStringLiteral("lblHotStartFakt"));
    lblHotStartFakt->setBuddy(udEChokeHeissFaktor);
    for (QWidget* w : std::initializer_list<QWidget*> {
             udEchokeHeissStartTemp, txtEchokeHeissStartTemp, udEChokeHeissFaktor, txtEChokeHeissFaktor })
        w->setParent(Frame9);
    auto* hot = new QGridLayout(Frame9);
    hot->addWidget(lblHotStartTemp, 0, 0);
    hot->addLayout(valueRow(txtEchokeHeissStartTemp, udEchokeHeissStartTemp), 0, 1);
    hot->addWidget(lblHotStartFakt, 1, 0);
    hot->addLayout(valueRow(txtEChokeHeissFaktor, udEChokeHeissFaktor), 1, 1);
    hot->setColumnStretch(1, 1);
    hot->setRowStretch(2, 1);
    connect(udEchokeHeissStartTemp, &QSpinBox::valueChanged, this, [this](int value) {
        m_values.hotStartTemperature = value;
        txtEchokeHeissStartTemp->setText(choke::hotStartText(value));
    });
    connect(udEChokeHeissFaktor, &QSpinBox::valueChanged, this, [this](int value) {
        m_values.hotStartFactor = value;
        txtEChokeHeissFaktor->setText(choke::hotStartFactorText(value));
    });

    cmd_ReadEChoke = named(new QPushButton(u("&Lesen"), this), QStringLiteral("cmd_ReadEChoke"));
    cmd_WriteEChoke = named(new QPushButton(u("&Schreiben"), this), QStringLiteral("cmd_WriteEChoke"));
    cmdHistory = named(new QPushButton(u("&Verlauf..."), this), QStringLiteral("cmdHistory"));
    buttonkeys::pressOnReturn({ cmd_ReadEChoke, cmd_WriteEChoke, cmdHistory });
    connect(
        cmdHistory, &QPushButton::clicked, this, [this] { context().runAction([this] { loadFromHistory(); }); });
    connect(cmd_ReadEChoke, &QPushButton::clicked, this, [this] { context().runAction([this] { readAll(); }); });
    connect(cmd_WriteEChoke, &QPushButton::clicked, this, [this] { context().runAction([this] { writeAll(); }); });

    auto* groups = new QGridLayout;
    groups->addWidget(m_frames[WarmUp], 0, 0);
    groups->addWidget(m_frames[Cranking], 0, 1);
    groups->addWidget(m_frames[WarmUpEnd], 1, 0);
    groups->addWidget(Frame9, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmd_ReadEChoke);
    buttons->addWidget(cmd_WriteEChoke);
    buttons->addWidget(cmdHistory);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addStretch();
    layout->addLayout(buttons);
}

void ChokeTab::showValues()
{
    for (int gi = 0; gi < GroupCount; ++gi) {
        for (int band = 0; band < kBands; ++band) {
            const int value = (m_values.*kGroups[gi].field)[band];
            const QSignalBlocker quiet(m_upDowns[gi][band]);
            m_upDowns[gi][band]->setValue(value);
            m_texts[gi][band]->setText(kGroups[gi].shown(value));
        }
    }
    {
        const QSignalBlocker quiet(udEchokeHeissStartTemp);
        udEchokeHeissStartTemp->setValue(m_values.hotStartTemperature);
    }
    {
        const QSignalBlocker quiet(udEChokeHeissFaktor);
        udEChokeHeissFaktor->setValue(m_values.hotStartFactor);
    }
    txtEchokeHeissStartTemp->setText(choke::hotStartText(m_values.hotStartTemperature));
    txtEChokeHeissFaktor->setText(choke::hotStartFactorText(m_values.hotStartFactor));
    Frame9->setEnabled(m_values.hotStartEnabled);
}

int ChokeTab::fitted(int value, int min, int max, const QString& what)
{
    if (value >= min && value <= max)
        return value;
    boxes::defaultUsed(context().window(), kOutOfRange.arg(what));
    return std::clamp(value, min, max);
}

// --- Reads ----------------------------------------------------------------------

std::optional<int> ChokeTab::readEntry(int index)
{
    const std::optional<int> entry = readParameter(context(),
        { cmd::chokeByteRead(index), 0, kEntryMax, 0, kEntryInvalid + fmt::fixedStyle(index) + kEntryInvalidEnd,
            ParameterRead::Box::Plain });
    if (context().lost())
        return std::nullopt;
    return entry.value_or(0);
}

std::optional<int> ChokeTab::readWarmUpEnd(int band)
{
    const int index = indexOf(WarmUpEnd, band);
    const std::optional<int> low = context().channel().readByte(cmd::chokeByteRead(index));
    if (context().lost())
        return std::nullopt;
    if (!low)
        return 0;
    const std::optional<int> high = context().channel().readByte(cmd::chokeByteRead(index + 1));
    if (context().lost())
        return std::nullopt;
    if (!high)
        return 0;
    const int tenths = choke::warmUpEndFromCount(band, 256 * *high + *low);
    if (tenths > kWarmUpEndMax) {
        boxes::defaultUsed(context().window(), kWarmUpEndInvalid[band]);
        return kWarmUpEndStandard;
    }
    return tenths;
}

bool ChokeTab::readBand(Group group, int band)
{
    const std::optional<int> value = group == WarmUpEnd ? readWarmUpEnd(band) : readEntry(indexOf(group, band));
    if (!value)
        return false;
    const BandGroup& g = kGroups[group];
    const QString what = u("„%1“ (%2)").arg(u(g.title).remove(QLatin1Char('&')), choke::bandText(band).trimmed());
    (m_values.*g.field)[band] = fitted(*value, g.min, g.max, what);
    return true;
}

bool ChokeTab::readOnOpening()
{
    if (!gates::injectionTabs(context().unit()))
        return true;
    const bool standing = [this] {
        for (int band = 0; band < kBands; ++band)
            if (!readBand(Cranking, band))
                return false;
        if (!context().waitPacingTick())
            return false;
        // The warm-up enrichment is read from the coldest band up.
        for (int band = kBands - 1; band >= 0; --band)
            if (!readBand(WarmUp, band))
                return false;
        if (!context().waitPacingTick())
            return false;
        for (int band = 0; band < kBands; ++band)
            if (!readBand(WarmUpEnd, band))
                return false;
        return true;
    }();
    showValues();
    return standing;
}

bool ChokeTab::readHotStart()
{
    const bool standing = [this] {
        Channel& channel = context().channel();
        const std::optional<int> low = channel.readByte(cmd::chokeByteRead(kHotStartIndex));
        if (context().lost())
            return false;
        const std::optional<int> high
            = low ? channel.readByte(cmd::chokeByteRead(kHotStartIndex + 1)) : std::nullopt;
        if (context().lost())
            return false;
        if (!high)
            return true;
        if (*high < kHotStartHighLimit) {
            m_values.hotStartTemperature = fitted(choke::kSensorCountMax - (256 * *high + *low), kHotStartMin,
                choke::kSensorCountMax, u("„Motortemperatur über (° C):“"));
        } else {
            boxes::defaultUsed(context().window(), kHotStartInvalid);
            m_values.hotStartTemperature = kHotStartStandard;
        }
        const std::optional<int> factor = readParameter(context(),
            { cmd::chokeByteRead(kHotStartFactorIndex), kHotStartFactorMin, kHotStartFactorMax, 0,
                kHotStartFactorInvalid, ParameterRead::Box::Plain, choke::hotStartFactor });
        if (context().lost())
            return false;
        if (factor) {
            m_values.hotStartFactor = *factor;
            m_values.hotStartRead = true;
        }
        return true;
    }();
    showValues();
    return standing;
}

void ChokeTab::disableHotStart()
{
    m_values.hotStartEnabled = false;
    showValues();
}

// --- Buttons --------------------------------------------------------------------

bool ChokeTab::readBands(ParameterTransfer& t)
{
    // The enrichment reads are paced one by one, the warm-up end is not.
    bool first = true;
    const auto paced = [this, &first](Group group, int band) {
        if (!first && !context().waitPacingTick())
            return false;
        first = false;
        return readBand(group, band);
    };
    for (int band = kBands - 1; band >= 0; --band) {
        if (!paced(WarmUp, band))
            return false;
        t.advance(kProgressStep);
    }
    for (int band = 0; band < kBands; ++band) {
        if (!paced(Cranking, band))
            return false;
        t.advance(kProgressStep);
    }
    for (int band = 0; band < kBands; ++band) {
        if (!readBand(WarmUpEnd, band))
            return false;
        t.advance(kProgressStep);
    }
    return true;
}

// cmd_ReadEChoke. The hot start is read before the completion box, so the
// box never reports a read that then fails.
void ChokeTab::readAll()
{
    ParameterTransfer t(context(), RacingContext::kProgressMin);
    const bool standing = readBands(t);
    showValues();
    if (!standing)
        return;
    t.setProgress(RacingContext::kParameterProgress);
    if (!readHotStart())
        return;
    history::keepBlock(context().session(), UnitHistory::Kind::Choke, kCaption, fields());
    t.finish(boxes::kTransferComplete);
}

QList<ParameterBlock::Field> ChokeTab::fields()
{
    static const char* const kNames[GroupCount] = { "warmUpEnrichment", "crankingEnrichment", "warmUpEnd" };
    QList<ParameterBlock::Field> list;
    for (int gi = 0; gi < GroupCount; ++gi)
        for (int band = 0; band < kBands; ++band)
            list.append({ u(kNames[gi]) + QString::number(band), &(m_values.*kGroups[gi].field)[band],
                kGroups[gi].min, kGroups[gi].max });
    list.append({ u("hotStartTemperature"), &m_values.hotStartTemperature, kHotStartMin, choke::kSensorCountMax });
    list.append({ u("hotStartFactor"), &m_values.hotStartFactor, kHotStartFactorMin, kHotStartFactorMax });
    return list;
}

// The version came from a complete read, hot start included: its hot-start
// values are the unit's and go out with the next write.
void ChokeTab::loadFromHistory()
{
    if (!history::pickInto(this, context().session().history(), UnitHistory::Kind::Choke, kCaption, fields()))
        return;
    m_values.hotStartRead = true;
    showValues();
}

bool ChokeTab::writeBands(ParameterTransfer& t)
{
    const Values v = m_values;
    // An unconfirmed value does not stop the write; the end box names it.
    const auto send = [&t](int index, int value, const QString& name) {
        return t.write(
            cmd::chokeByteWrite(index, value), bytes::of({ value }), ParameterTransfer::OnMismatch::GoOn, name);
    };
    for (int band = 0; band < kBands; ++band) {
        if (!send(indexOf(Cranking, band), v.crankingEnrichment[band], valueName(Cranking, band)))
            return false;
        t.advance(kProgressStep);
        if (!context().waitPacingTick())
            return false;
    }
    t.setProgress(RacingContext::kProgressMin);
    for (int band = kBands - 1; band >= 0; --band) {
        if (!send(indexOf(WarmUp, band), v.warmUpEnrichment[band], valueName(WarmUp, band)))
            return false;
        t.advance(kProgressStep);
        if (!context().waitPacingTick())
            return false;
    }
    for (int band = 0; band < kBands; ++band) {
        const int count = choke::warmUpEndToCount(band, v.warmUpEnd[band]);
        const int index = indexOf(WarmUpEnd, band);
        const QString name = valueName(WarmUpEnd, band);
        if (!send(index, count & 0xFF, name) || !send(index + 1, count >> 8, name))
            return false;
        t.advance(kProgressStep);
    }
    // Where the opening skipped the hot start and no read brought it since,
    // the page holds design values nobody chose: they are not sent.
    if (!v.hotStartRead)
        return true;
    // The threshold goes out as the sensor's count, low byte first.
    const int count = choke::kSensorCountMax - v.hotStartTemperature;
    const QString hotStart = u("Heißstart");
    return send(kHotStartIndex, count & 0xFF, hotStart) && send(kHotStartIndex + 1, count >> 8, hotStart)
        && send(kHotStartFactorIndex, choke::hotStartFactorByte(v.hotStartFactor), hotStart);
}

// cmd_WriteEChoke: cranking, warm-up coldest band first, warm-up end, hot start.
void ChokeTab::writeAll()
{
    ParameterTransfer t(context(), RacingContext::kProgressMin);
    if (!writeBands(t))
        return;
    t.setProgress(RacingContext::kParameterProgress);
    t.finish(kWriteComplete);
}
