#include "racing/tabtest.h"

#include <QLabel>
#include <QSlider>

namespace {

using Frames = std::vector<QByteArray>;

// Which requests a unit's line and firmware let a read send.
struct GateCase {
    const char* name;
    SimProfile unit;
    std::function<bool(Tabs&)> read;
    Frames frames;
    std::function<bool(const Tabs&)> enabled; // the controls the read leaves enabled
    bool expectEnabled;
};

const QByteArray kRetard = "~00?";
const QByteArray kFunction = "\\00?";
const QByteArray kInput2 = of({ 148, 'r', '0', '?' });

bool switching(Tabs& t)
{
    return t.switching.readSwitching();
}
bool retardEnabled(const Tabs& t)
{
    return control(t.switching, "sldZwOffset")->isEnabled();
}

Frames loadChangeOpening(bool adaptations)
{
    Frames f { of({ 147, '0', '0', '?' }), of({ 145, '0', '0', '?' }), of({ 133, '0', '0', '?' }),
        of({ 132, '0', '0', '?' }) };
    for (int band = 0; adaptations && band < 6; ++band)
        f.push_back(of({ 150, band, '0', '?' }));
    return f;
}

// clang-format off
const GateCase kGates[] = {
    { "switching_1_816_neither_retard_nor_function", unitWith('Z', 2, 1, 816), switching, { "j00?" }, retardEnabled, false },
    { "switching_1_817_retard_only", unitWith('Z', 2, 1, 817), switching, { "j00?", kRetard }, retardEnabled, true },
    { "switching_2_519_no_input2_function", unitWith('E', 2, 2, 519), switching, { "j00?", kRetard, kFunction }, retardEnabled, true },
    { "switching_2_520_input2_function", unitWith('E', 2, 2, 520), switching, { "j00?", kRetard, kFunction, kInput2 }, retardEnabled, true },
    { "input2_enrichment_ignition", unitWith('Z', 2, 4, 12), [](Tabs& t) { return t.switching.readInput2Enrichment(); }, {},
        [](const Tabs& t) { return control(t.switching, "frmInjektOfsSchalter")->isEnabled(); }, false },
    { "dwell_2_149", unitWith('E', 2, 2, 149), [](Tabs& t) { return t.extras.readDwellStart(); }, {},
        [](const Tabs& t) { return t.extras.values().dwellStartEnabled; }, false },
    { "pump_one_cylinder", unitWith('E', 1, 4, 12), [](Tabs& t) { return t.extras.readPumpTime(); }, {},
        [](const Tabs& t) { return t.extras.values().pumpEnabled; }, false },
    { "charge_time_3_099", unitWith('E', 2, 3, 99), [](Tabs& t) { return t.extras.readCoilLoadTime(); }, {},
        [](const Tabs& t) { return t.extras.values().coilLoadTimeEnabled; }, false },
    { "air_mass_2_335", unitWith('E', 2, 2, 335), [](Tabs& t) { return t.extras.readAirMassSettings(); }, {},
        [](const Tabs& t) { return t.extras.values().airMassEnabled; }, false },
    { "coil_and_lead_angle_2_599", unitWith('E', 2, 2, 599), [](Tabs& t) { return t.extras.readCoilAndLeadAngle(); }, {},
        [](const Tabs& t) { return t.extras.values().coilSettingsEnabled; }, false },
    { "first_load_change_ignition", unitWith('Z', 2, 4, 12), [](Tabs& t) { return t.loadChange.readFirstParameters(); }, {},
        nullptr, false },
    { "load_change_2_499", unitWith('E', 2, 2, 499), [](Tabs& t) { return t.loadChange.readOnOpening(); }, {}, nullptr, false },
    { "load_change_2_529_no_adaptations", unitWith('E', 2, 2, 529), [](Tabs& t) { return t.loadChange.readOnOpening(); },
        loadChangeOpening(false), nullptr, false },
    { "load_change_2_530_adaptations", unitWith('E', 2, 2, 530), [](Tabs& t) { return t.loadChange.readOnOpening(); },
        loadChangeOpening(true), nullptr, false },
    { "echoke_ignition", unitWith('Z', 2, 4, 12), [](Tabs& t) { return t.choke.readOnOpening(); }, {}, nullptr, false },
};
// clang-format on

class OpeningGate : public TabTest, public ::testing::WithParamInterface<GateCase> { };

TEST_P(OpeningGate, SendsOnlyWhatTheUnitKnows)
{
    const GateCase& c = GetParam();
    connectUnit(c.unit);
    session.setLeadAngle(12);
    EXPECT_TRUE(c.read(*tabs));
    EXPECT_EQ(sim->received(), c.frames);
    if (c.enabled) {
        EXPECT_EQ(c.enabled(*tabs), c.expectEnabled);
    }
    EXPECT_EQ(session.leadAngle(), 12) << "only a lead angle read sets it";
}

INSTANTIATE_TEST_SUITE_P(
    Table, OpeningGate, ::testing::ValuesIn(kGates), [](const auto& info) { return testName(info.param.name); });

// Older firmware counts a period P for the thresholds: the value is 835 - P.
TEST_F(TabTest, Switching_PeriodThresholdsBefore2_314)
{
    connectUnit(unitWith('Z', 2, 2, 313));
    sim->memory().switching = { 255, 0, 0, 0, 0, 0, 2, 88, 0, 16 };
    EXPECT_TRUE(tabs->switching.readSwitching());
    EXPECT_EQ(control<QSlider>(tabs->switching, "SliderN21")->value(), 235);
    EXPECT_EQ(control<QSlider>(tabs->switching, "SliderN22")->value(), 819);
    EXPECT_EQ(control<QLabel>(tabs->switching, "lblNS21")->text(), QStringLiteral("277"));
    EXPECT_TRUE(control(tabs->switching, "SliderN21")->isEnabled());
    EXPECT_FALSE(control(tabs->switching, "SliderN22")->isEnabled());
}

// --- a unit that stops answering ------------------------------------------------

struct SilentCase {
    const char* name;
    int answered; // requests the unit answers before it falls silent
    std::function<bool(Tabs&)> read;
    // Stored so that the requests after the silence would show a box.
    std::function<void(EcuSim&)> store;
};

void nothing(EcuSim&)
{
}

// clang-format off
const SilentCase kSilent[] = {
    { "switching_block", 0, switching, nothing },
    { "switching_retard", 1, switching, [](EcuSim& s) { s.memory().parameters['\\'] = 7; } },
    { "charge_time", 0, [](Tabs& t) { return t.extras.readCoilLoadTime(); }, nothing },
    { "air_mass", 1, [](Tabs& t) { return t.extras.readAirMassSettings(); }, nothing },
    { "coil_delay", 1, [](Tabs& t) { return t.extras.readCoilAndLeadAngle(); }, nothing },
    { "echoke_cranking", 3, [](Tabs& t) { return t.choke.readOnOpening(); },
        [](EcuSim& s) { s.memory().tables[131][0] = 251; } },
    { "echoke_warm_up_end", 13, [](Tabs& t) { return t.choke.readOnOpening(); },
        [](EcuSim& s) { s.memory().tables[131][14] = 255; s.memory().tables[131][15] = 255; } },
    { "hot_start_high", 1, [](Tabs& t) { return t.choke.readHotStart(); }, nothing },
    { "first_load_change", 1, [](Tabs& t) { return t.loadChange.readFirstParameters(); },
        [](EcuSim& s) { s.memory().parameters[137] = 40; } },
    { "load_change_adaptation", 6, [](Tabs& t) { return t.loadChange.readOnOpening(); }, nothing },
};
// clang-format on

class SilentUnit : public TabTest, public ::testing::WithParamInterface<SilentCase> { };

TEST_P(SilentUnit, EndsTheReadWithoutFurtherRequestOrBox)
{
    const SilentCase& c = GetParam();
    connectUnit();
    c.store(*sim);
    sim->faults().dropAfter = c.answered;
    session.setLeadAngle(12);
    EXPECT_FALSE(c.read(*tabs));
    EXPECT_TRUE(context->lost());
    EXPECT_EQ(sim->received().size(), size_t(c.answered + 1));
    EXPECT_TRUE(platform.boxes.empty()) << platform.boxTexts().join(QStringLiteral("|")).toStdString();
    EXPECT_EQ(session.leadAngle(), 12);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SilentUnit, ::testing::ValuesIn(kSilent), [](const auto& info) { return testName(info.param.name); });

TEST_F(TabTest, LostLinkBox_IsTheWatchdogsOnly)
{
    connectUnit();
    session.setNoBreakMsg(0);
    sim->faults().silent = true;
    EXPECT_FALSE(tabs->loadChange.readFirstParameters());
    EXPECT_EQ(platform.boxTexts(), QStringList { QString::fromUtf8(Watchdog::kLostText) + QLatin1Char(' ') });
}

} // namespace
