#include "loadchangetab.h"

#include "basic/controls.h"
#include "core/commands.h"
#include "core/gates.h"
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

using form::named;
using form::valueRow;

namespace {

using namespace loadchange;

// Where "&Lesen" puts the progress bar after each read.
constexpr int kProgressSensitivity = 15;
constexpr int kProgressEnrichment = 30;
constexpr int kProgressAdvance = 45;
constexpr int kProgressDuration = 60;
constexpr int kProgressMaxAirMass = 75;
constexpr int kProgressOverrunDuration = 90;
constexpr int kProgressOverrunLeaning = 110;

QString u(const char* text)
{
    return QString::fromUtf8(text);
}

ParameterRead sensitivityRow()
{
    return { cmd::paramRead(cmd::param::kLoadChangeSensitivity), 0, kSensitivityMax, kSensitivityStandard,
        LoadChangeTab::kSensitivityInvalid };
}

ParameterRead enrichmentRow()
{
    return { cmd::paramRead(cmd::param::kLoadChangeEnrichment), 0, kEnrichmentMax, kEnrichmentStandard,
        LoadChangeTab::kEnrichmentInvalid };
}

// The plausibility check of the maximum air mass, for a read reply and for
// a write's echo alike: above 961 the box, and 795 in its place.
int checkedMaxAirMass(QWidget* window, const Bytes& reply)
{
    const int count = maxAirMass(reply);
    if (maxAirMassPlausible(count))
        return count;
    boxes::defaultUsedHint(window, LoadChangeTab::kMaxAirMassInvalid);
    return kMaxAirMassStandard;
}

Request maxAirMassWrite(int count)
{
    return cmd::pairWrite(kMaxAirMassWriteCode, { (count >> 8) & 0xFF, count & 0xFF }, 2);
}

Request adaptationWrite(int band, int value)
{
    return cmd::pairWrite(kAdaptationWriteCode, { band, adaptationByte(value) }, 1);
}

QString bandText(const Band& band)
{
    return u(band.label).remove(QLatin1Char('&'));
}

} // namespace

LoadChangeTab::LoadChangeTab(RacingContext& context, QWidget* parent)
    : RacingTab(context, parent)
{
    buildUi();
    showValues(false);
}

void LoadChangeTab::buildUi()
{
    const auto valueBox = [this](const QString& name, const char* tip) {
        QLineEdit* e = form::displayBox(this, name, QStringLiteral("+  25.5°"));
        e->setToolTip(u(tip));
        return e;
    };
    const auto upDown = [this](const QString& name, int min, int max, const char* tip) {
        auto* s = named(new BuddyUpDown(BuddyUpDown::Shown::RisesWithValue, this), name);
        s->setRange(min, max);
        s->setToolTip(u(tip));
        return s;
    };
    const auto label = [this](const char* name, const char* text, QWidget* buddy) {
        auto* l = named(new QLabel(u(text), this), QString::fromLatin1(name));
        l->setBuddy(buddy);
        return l;
    };
    // The change events: the display box follows, and the state the write sends.
    const auto follow = [this](BuddyUpDown* control, int* field, QLineEdit* box, QString (*text)(int)) {
        connect(control, &QSpinBox::valueChanged, this, [field, box, text](int value) {
            *field = value;
            box->setText(text(value));
        });
    };
    const auto s = [](const char* name) { return QString::fromLatin1(name); };
    Values& v = m_values;

    // Load change. The window's "&Lesen", "&Schreiben" and "&Fertig" keep
    // L, S and F; each label gives its control a letter of its own.
    frmLastWechsel = named(new QGroupBox(u("Anpassungen bei Belastungserhöhung"), this), s("frmLastWechsel"));
    frmLastWechsel->setToolTip(u("Einstelungen für die Anpassung von Gemischaufbereitung und Zündung bei "
                                 "plötzlicher Erhöhung der Motorbelastung"));
    udLastChokeFaktor = upDown(s("udLastChokeFaktor"), 0, kEnrichmentMax,
        "Einstellen des Gemischanreicherungsfaktors bei erkannter plötzlicher Erhöhung der Motorbelastung");
    txtLastChokeFaktor = valueBox(s("txtLastChokeFaktor"),
        "Gemischanreicherungsfaktor bei erkannter plötzlicher Erhöhung der Motorbelastung");
    udLastChokeSensivity = upDown(s("udLastChokeSensivity"), 0, kSensitivityMax,
        "Einstellung der erforderlichen Mindesterhöhng des Luftmassenwertes (Luftmassensprung) für die Erkennung "
        "einer plötzlich steigenden Motorlbelastung");
    txtLastChokeSense = valueBox(s("txtLastChokeSense"),
        "Erforderliche Mindeständerung des Luftmassenwertes (Luftmassensprung) für die Erkennung einer plötzlich "
        "steigenden  Motorlbelastung");
    udZwLastwechsel = upDown(s("udZwLastwechsel"), 0, kAdvanceMax,
        "Einstellung der Frühverstellung des Zündwinkels bei erkannter plötzlicher Erhöhung der Motorbelastung");
    txtZwLastwechsel = valueBox(s("txtZwLastwechsel"),
        "Frühverstellung des Zündwinkels bei erkannter plötzlicher Erhöhung der Motorbelastung");
    udLwDauer = upDown(s("udLwDauer"), 0, kDurationMax,
        "Einstellung der Anpassungsdauer bei erkannter plötzlicher Erhöhung der Motorbelastung");
    txtLwDauer
        = valueBox(s("txtLwDauer"), "Dauer der Anpassungen bei erkannter plötzlicher Erhöhung der Motorbelastung");
    udMaxLWAirMass = upDown(s("udMaxLWAirMass"), kMaxAirMassMin, kMaxAirMassMax,
        "Festlegung des Luftmassenwertes, bei dessen Überschreitung das Steuergerät keine Lastwechsel erkennt");
    txtMaxLWAirMass = valueBox(s("txtMaxLWAirMass"),
        "Luftmassenwert, bei dessen Überschreitung das Steuergerät keine Lastwechsel erkennt");
    auto* load = new QGridLayout(frmLastWechsel);
    const std::pair<QLabel*, QHBoxLayout*> loadRows[] = {
        { label("labLastwechsel1", "&Anreicherungsfaktor:", udLastChokeFaktor),
            valueRow(txtLastChokeFaktor, udLastChokeFaktor) },
        { label("Label21", "&Empfindlichkeit:", udLastChokeSensivity),
            valueRow(txtLastChokeSense, udLastChokeSensivity) },
        { label("labZwLastwechsel", "&Zündwinkel:", udZwLastwechsel),
            valueRow(txtZwLastwechsel, udZwLastwechsel) },
        { label("labLWDauer", "&Dauer (N/KW):", udLwDauer), valueRow(txtLwDauer, udLwDauer) },
        { label("Label31", "&Maximalluftmassenwert für Lastwechselerkennung (kg/h): ", udMaxLWAirMass),
            valueRow(txtMaxLWAirMass, udMaxLWAirMass) },
    };
    for (int row = 0; row < int(std::size(loadRows)); ++row) {
        load->addWidget(loadRows[row].first, row, 0);
        load->addLayout(loadRows[row].second, row, 1);
    }
    load->setColumnStretch(1, 1);

    // Overrun.
    Frame7 = named(new QGroupBox(u("Abmagerung bei Schubstart"), this), s("Frame7"));
    Frame7->setToolTip(u("Anpassungswerte bei Wechsel der Motorbelastung in den Schubbetrieb"));
    udSchubStartAbDAuer = upDown(
        s("udSchubStartAbDAuer"), 0, kDurationMax, "Einstellung der Anpassungsdauer ab Beginn des Schubbetriebes");
    txtSchubStartAbDAuer
        = valueBox(s("txtSchubStartAbDAuer"), "Dauer der Anpassungen ab Beginn des Schubbetriebes");
    udSchubStartAbSense = upDown(s("udSchubStartAbSense"), 0, kOverrunSensitivityMax,
        "Einstellen der rforderlichen Verminderung des Luftmassenwertes (Luftmassensprung) für die Erkennung des "
        "Schubbetriebes");
    txtSchubStartAbSense = valueBox(s("txtSchubStartAbSense"),
        "Erforderliche Verminderung des Luftmassenwertes (Luftmassensprung) für die Erkennung des Schubbetriebes");
    udSchubStartAbFaktor = upDown(s("udSchubStartAbFaktor"), 0, kOverrunLeaningMax,
        "Einstellen des Faktors für die Verminderung der berechneten Kraftstoffmenge bei Beginn des "
        "Schubbetriebes");
    txtSchubStartAbFaktor = valueBox(s("txtSchubStartAbFaktor"),
        "Faktor für die Verminderung der berechneten Kraftstoffmenge bei Beginn des Schubbetriebes");
    auto* overrun = new QGridLayout(Frame7);
    const std::pair<QLabel*, QHBoxLayout*> overrunRows[] = {
        { label("Label34", "Daue&r (N/KW):", udSchubStartAbDAuer),
            valueRow(txtSchubStartAbDAuer, udSchubStartAbDAuer) },
        { label("Label32", "Em&pfindlichkeit:", udSchubStartAbSense),
            valueRow(txtSchubStartAbSense, udSchubStartAbSense) },
        { label("Label33", "A&bmagerungsfaktor:", udSchubStartAbFaktor),
            valueRow(txtSchubStartAbFaktor, udSchubStartAbFaktor) },
    };
    for (int row = 0; row < int(std::size(overrunRows)); ++row) {
        overrun->addWidget(overrunRows[row].first, row, 0);
        overrun->addLayout(overrunRows[row].second, row, 1);
    }
    overrun->setColumnStretch(1, 1);

    // Warm-up adaptation: each band's label above its control, three a row.
    Frame8 = named(new QGroupBox(u("Adaption Anreicherung bei Warmlauf"), this), s("Frame8"));
    Frame8->setToolTip(u("Einstellungen für die Anpassung der Kraftstoffmenge bei Lastwechseln während der "
                         "Warmlaufphase des Motors"));
    auto* bands = new QGridLayout(Frame8);
    for (const Band& band : kBandList) {
        const int b = band.index;
        udWLA[b] = upDown(QStringLiteral("udWLA%1").arg(b), kAdaptationMin, kAdaptationMax, "");
        txtWLA[b] = valueBox(QStringLiteral("txtWLA%1").arg(b), "");
        auto* caption = named(new QLabel(u(band.label), this), QStringLiteral("lblWLA%1").arg(b));
        caption->setBuddy(udWLA[b]);
        const int row = 2 * (b / kBandsPerRow);
        const int column = b % kBandsPerRow;
        bands->addWidget(caption, row, column);
        bands->addLayout(valueRow(txtWLA[b], udWLA[b]), row + 1, column);
        follow(udWLA[b], &v.warmUpAdaptation[b], txtWLA[b], adaptationText);
    }

    cmd_ReadLWechsel = named(new QPushButton(u("&Lesen"), this), s("cmd_ReadLWechsel"));
    cmd_WriteLWechsel = named(new QPushButton(u("&Schreiben"), this), s("cmd_WriteLWechsel"));
    Command5 = named(new QPushButton(u("Command5"), this), s("Command5"));
    cmdHistory = named(new QPushButton(u("&Verlauf..."), this), s("cmdHistory"));
    buttonkeys::pressOnReturn({ cmd_ReadLWechsel, cmd_WriteLWechsel, Command5, cmdHistory });

    auto* right = new QVBoxLayout;
    right->addWidget(Frame7);
    right->addWidget(Frame8);
    right->addStretch();
    auto* left = new QVBoxLayout;
    left->addWidget(frmLastWechsel);
    left->addStretch();
    auto* groups = new QHBoxLayout;
    groups->addLayout(left, 1);
    groups->addLayout(right, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmd_ReadLWechsel);
    buttons->addWidget(cmd_WriteLWechsel);
    buttons->addWidget(cmdHistory);
    buttons->addStretch();
    buttons->addWidget(Command5);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups, 1);
    layout->addLayout(buttons);

    follow(udLastChokeSensivity, &v.sensitivity, txtLastChokeSense, sensitivityText);
    follow(udLastChokeFaktor, &v.enrichment, txtLastChokeFaktor, enrichmentText);
    follow(udZwLastwechsel, &v.advance, txtZwLastwechsel, advanceText);
    follow(udLwDauer, &v.duration, txtLwDauer, durationText);
    follow(udMaxLWAirMass, &v.maxAirMass, txtMaxLWAirMass, maxAirMassText);
    follow(udSchubStartAbDAuer, &v.overrunDuration, txtSchubStartAbDAuer, durationText);
    follow(udSchubStartAbSense, &v.overrunSensitivity, txtSchubStartAbSense, sensitivityText);
    follow(udSchubStartAbFaktor, &v.overrunLeaning, txtSchubStartAbFaktor, overrunLeaningText);
    connect(cmd_ReadLWechsel, &QPushButton::clicked, this, [this] { context().runAction([this] { readAll(); }); });
    connect(
        cmd_WriteLWechsel, &QPushButton::clicked, this, [this] { context().runAction([this] { writeAll(); }); });
    connect(
        cmdHistory, &QPushButton::clicked, this, [this] { context().runAction([this] { loadFromHistory(); }); });
    connect(Command5, &QPushButton::clicked, this,
        [this] { context().runAction([this] { resetColdestAdaptation(); }); });
}

void LoadChangeTab::showValues(bool readStyle)
{
    const Values& v = m_values;
    std::vector<std::pair<BuddyUpDown*, int>> controls { { udLastChokeSensivity, v.sensitivity },
        { udLastChokeFaktor, v.enrichment }, { udZwLastwechsel, v.advance }, { udLwDauer, v.duration },
        { udMaxLWAirMass, v.maxAirMass }, { udSchubStartAbDAuer, v.overrunDuration },
        { udSchubStartAbSense, v.overrunSensitivity }, { udSchubStartAbFaktor, v.overrunLeaning } };
    for (const Band& band : kBandList)
        controls.emplace_back(udWLA[band.index], v.warmUpAdaptation[band.index]);
    // A value beyond its control stands clamped in the arrows; the text and
    // the write keep it as the unit holds it.
    for (const auto& [control, value] : controls) {
        const QSignalBlocker quiet(control);
        control->setValue(value);
    }
    txtLastChokeSense->setText(sensitivityText(v.sensitivity));
    txtLastChokeFaktor->setText(readStyle ? enrichmentReadText(v.enrichment) : enrichmentText(v.enrichment));
    txtZwLastwechsel->setText(advanceText(v.advance));
    txtLwDauer->setText(durationText(v.duration));
    txtMaxLWAirMass->setText(maxAirMassText(v.maxAirMass));
    txtSchubStartAbDAuer->setText(durationText(v.overrunDuration));
    txtSchubStartAbSense->setText(sensitivityText(v.overrunSensitivity));
    txtSchubStartAbFaktor->setText(overrunLeaningText(v.overrunLeaning));
    for (const Band& band : kBandList)
        txtWLA[band.index]->setText(adaptationText(v.warmUpAdaptation[band.index]));
    // Units that keep no adaptations show the bands greyed.
    Frame8->setEnabled(m_adaptations);
}

std::optional<int> LoadChangeTab::readValue(const ParameterRead& row)
{
    const std::optional<int> value = readParameter(context(), row);
    if (context().lost())
        return std::nullopt;
    return value.value_or(0);
}

bool LoadChangeTab::readFirstFour(const std::function<void(int)>& progress)
{
    const struct {
        ParameterRead row;
        int* value;
        int progress; // where the bar stands after the value
    } reads[] = {
        { sensitivityRow(), &m_values.sensitivity, kProgressSensitivity },
        { enrichmentRow(), &m_values.enrichment, kProgressEnrichment },
        { { cmd::paramRead(cmd::param::kLoadChangeAdvance) }, &m_values.advance, kProgressAdvance },
        { { cmd::paramRead(cmd::param::kLoadChangeDuration) }, &m_values.duration, kProgressDuration },
    };
    for (const auto& read : reads) {
        const std::optional<int> value = readValue(read.row);
        if (!value)
            return false;
        *read.value = *value;
        showValues(true);
        progress(read.progress);
    }
    return true;
}

std::optional<int> LoadChangeTab::readMaxAirMass()
{
    const Reply reply = context().channel().ask(cmd::maxLoadChangeAirMassRead());
    if (context().lost())
        return std::nullopt;
    if (!reply || reply->size() < 2)
        return 0;
    return checkedMaxAirMass(context().window(), *reply);
}

bool LoadChangeTab::readAdaptations()
{
    for (const Band& band : kBandList) {
        const std::optional<int> byte = readValue({ cmd::warmUpAdaptationRead(band.index) });
        if (!byte)
            return false;
        m_values.warmUpAdaptation[band.index] = adaptationFromByte(*byte);
    }
    return true;
}

bool LoadChangeTab::readFirstParameters()
{
    if (!gates::injectionTabs(context().unit()))
        return true;
    return readFirstFour([this](int value) { context().setProgress(value); });
}

bool LoadChangeTab::readOnOpening()
{
    const UnitIdentity& unit = context().unit();
    if (!gates::loadChangeTab(unit))
        return true;
    m_adaptations = gates::warmUpAdaptationsOnOpening(unit);
    const bool standing = [this] {
        // A plausible reply below 400, which the control cannot hold, is
        // replaced with the opening's own standard.
        const std::optional<int> airMass = readMaxAirMass();
        if (!airMass)
            return false;
        m_values.maxAirMass = *airMass;
        if (*airMass < kMaxAirMassMin || *airMass > kMaxAirMassMax) {
            boxes::defaultUsedHint(context().window(), kMaxAirMassOutOfRange);
            m_values.maxAirMass = kMaxAirMassOpeningStandard;
        }
        const struct {
            ParameterRead row;
            int* value;
        } overrun[] = {
            { { cmd::plainCode(cmd::param::kOverrunDuration) }, &m_values.overrunDuration },
            { { cmd::plainCode(cmd::param::kOverrunLeaning), 0, kOverrunLeaningMax, kOverrunLeaningStandard,
                  kOverrunLeaningInvalid },
                &m_values.overrunLeaning },
            { { cmd::plainCode(cmd::param::kOverrunSensitivity) }, &m_values.overrunSensitivity },
        };
        for (const auto& read : overrun) {
            const std::optional<int> value = readValue(read.row);
            if (!value)
                return false;
            *read.value = *value;
        }
        return !m_adaptations || readAdaptations();
    }();
    showValues(true);
    return standing;
}

// cmd_ReadLWechsel: the first four as on opening, then the air mass, the
// overrun and the adaptations, each taken as the unit holds it.
void LoadChangeTab::readAll()
{
    ParameterTransfer t(context(), RacingContext::kProgressMin);
    if (!readFirstFour([&t](int value) { t.setProgress(value); }))
        return;
    const bool standing = [this, &t] {
        const std::optional<int> airMass = readMaxAirMass();
        if (!airMass)
            return false;
        m_values.maxAirMass = *airMass;
        t.setProgress(kProgressMaxAirMass);
        const struct {
            int code;
            int* value;
            int progress; // 0: the bar stays
        } overrun[] = {
            { cmd::param::kOverrunDuration, &m_values.overrunDuration, kProgressOverrunDuration },
            { cmd::param::kOverrunLeaning, &m_values.overrunLeaning, kProgressOverrunLeaning },
            { cmd::param::kOverrunSensitivity, &m_values.overrunSensitivity, 0 },
        };
        for (const auto& read : overrun) {
            const std::optional<int> value = readValue({ cmd::plainCode(read.code) });
            if (!value)
                return false;
            *read.value = *value;
            if (read.progress)
                t.setProgress(read.progress);
        }
        // Units that keep no adaptations are not asked for them.
        return !m_adaptations || readAdaptations();
    }();
    showValues(true);
    if (!standing)
        return;
    history::keepBlock(context().session(), UnitHistory::Kind::LoadChange, kCaption, fields());
    t.finish(kComplete);
}

QList<ParameterBlock::Field> LoadChangeTab::fields()
{
    Values& v = m_values;
    QList<ParameterBlock::Field> list { { u("sensitivity"), &v.sensitivity, 0, 255 },
        { u("enrichment"), &v.enrichment, 0, 255 }, { u("advance"), &v.advance, 0, 255 },
        { u("duration"), &v.duration, 0, 255 }, { u("maxAirMass"), &v.maxAirMass, 0, 0xFFFF },
        { u("overrunDuration"), &v.overrunDuration, 0, 255 }, { u("overrunLeaning"), &v.overrunLeaning, 0, 255 },
        { u("overrunSensitivity"), &v.overrunSensitivity, 0, 255 } };
    for (const Band& band : kBandList)
        list.append({ u("warmUpAdaptation%1").arg(band.index), &v.warmUpAdaptation[band.index], kAdaptationMin,
            kAdaptationMax });
    return list;
}

void LoadChangeTab::loadFromHistory()
{
    if (history::pickInto(this, context().session().history(), UnitHistory::Kind::LoadChange, kCaption, fields()))
        showValues(true);
}

// cmd_WriteLWechsel: the single parameters stop at the first value the unit
// did not store; the adaptations are all tried and the end box names those
// it did not confirm.
void LoadChangeTab::writeAll()
{
    const Values v = m_values;
    const auto echo = [](int value) { return bytes::of({ value }); };
    ParameterTransfer t(context(), RacingContext::kProgressMin);
    const struct {
        int code;
        int value;
        int progress; // where the bar stands before the write; 0: where it is
    } firstFour[] = {
        { cmd::param::kLoadChangeSensitivity, v.sensitivity, 0 },
        { cmd::param::kLoadChangeEnrichment, v.enrichment, 30 },
        { cmd::param::kLoadChangeAdvance, v.advance, 40 },
        { cmd::param::kLoadChangeDuration, v.duration, 50 },
    };
    for (const auto& w : firstFour) {
        if (w.progress)
            t.setProgress(w.progress);
        if (!t.write(cmd::paramWrite(w.code, w.value), echo(w.value)))
            return;
    }

    t.setProgress(60);
    // An implausible echo gets its box and confirms nothing, even where the
    // standard it stands for happens to be the value sent.
    QWidget* window = context().window();
    const auto airMassConfirmed = [window, count = v.maxAirMass](const Bytes& reply) {
        const bool plausible = maxAirMassPlausible(maxAirMass(reply));
        return checkedMaxAirMass(window, reply) == count && plausible;
    };
    if (!t.write(maxAirMassWrite(v.maxAirMass), airMassConfirmed))
        return;

    const struct {
        int code;
        int value;
        int progress;
    } overrun[] = {
        { cmd::param::kOverrunDuration, v.overrunDuration, 70 },
        { cmd::param::kOverrunLeaning, v.overrunLeaning, 90 },
        { cmd::param::kOverrunSensitivity, v.overrunSensitivity, RacingContext::kParameterProgress },
    };
    for (const auto& w : overrun) {
        t.setProgress(w.progress);
        if (!t.write(cmd::paramWrite(w.code, w.value), echo(w.value)))
            return;
    }

    if (m_adaptations) {
        for (const Band& band : kBandList) {
            const int value = v.warmUpAdaptation[band.index];
            const auto confirmed
                = [value](const Bytes& reply) { return adaptationFromByte(bytes::at(reply, 0)) == value; };
            if (!t.write(adaptationWrite(band.index, value), confirmed, ParameterTransfer::OnMismatch::GoOn,
                    kAdaptationName.arg(bandText(band))))
                return;
        }
    }
    t.finish(kComplete);
}

// Command5. Its answer is not judged and the control keeps its value; a unit
// that stays silent for one watchdog interval is a lost link as for every
// other request, and the window closes.
void LoadChangeTab::resetColdestAdaptation()
{
    constexpr int kColdestBand = kBands - 1;
    context().channel().ask(adaptationWrite(kColdestBand, 0));
}
