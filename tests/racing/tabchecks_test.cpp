#include "racing/tabtest.h"

namespace {

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

// A value the unit holds, what the tab keeps of it and the box it shows.
struct CheckCase {
    const char* name;
    std::function<void(EcuSim&)> store;
    std::function<int(Tabs&)> readKept;
    int kept;
    const char* box; // nullptr: none
    bool titledHint; // "Hinweis" with the information icon, else the program's plain box
};

void param(EcuSim& sim, int code, int value)
{
    sim.memory().parameters[code] = value;
}

void choke(EcuSim& sim, int index, int byte)
{
    sim.memory().tables[131][index] = static_cast<quint8>(byte);
}

// The 24-bit charge time count, lowest byte first.
void chargeCount(EcuSim& sim, int count)
{
    sim.setHandler(129, 4, [count](const QByteArray&, qint64) {
        return bytes::of({ count & 255, (count >> 8) & 255, count >> 16 });
    });
}

const char* const kPump = "Die im Steuergerät gesetzte Vordruckzeit der Kraftstoffpumpe ist ungültig. Der Standardwert wird verwendet";
const char* const kCoil = "Die im Steuergerät gesetzte Zündspulenladezeit ist ungültig. Der Standardwert wird verwendet";
const char* const kAir = "Der im Steuergerät gesetzte Luftmassenwert für den Beginn des Vollastbereiches ist ungültig. Der "
                         "Standardwert wird verwendet.";
const char* const kDelay = "Der im Steuergeraet gesetzte Wert für die Schaltverzögerung der Zündspulen ist nicht plausibel. "
                           "Der Standardwert wird verwendet.";
const char* const kInput1 = "Der im Steuergerät gesetzte Betriebsmodus für den digitalen Schalteingang 1 ist ungültig. Der "
                            "Standardwert wird verwendet";
const char* const kInput2 = "Der im Steuergerät gesetzte Faktor für die zuschaltbare Gemischanreicherung ist ungültig. Der "
                            "Standardwert wird verwendet";
const char* const kSensitivity = "Der im Steuergerät gesetzte Empfindlichkeit der Lastwechselerkennung ist ungültig. Der "
                                 "Standardwert wird verwendet";
const char* const kEnrichment = "Der im Steuergerät gesetzte Anreicherungsfaktor bei Lastwechsel ist ungültig. Der "
                                "Standardwert wird verwendet";
const char* const kMaxAir = "Die im Steuergerät gesetzte maximale Luftmasse für die Lastwechselerkennung ist ungültig. Der "
                            "Standardwert wird verwendet";
const char* const kMaxAirOpening = "Der im Steuergerät gesetzte Maximalluftmassenwert für die Lastwechselerkennnung ist "
                                   "ungültig. Der Standardwert wird verwendet.";
const char* const kLeaning = "Der im Steuergerät gesetzte Gemischabmagerungsfaktor für die Schubstartabmagerung ist "
                             "ungültig. Der Standardwert wird verwendet";
const char* const kEntry3 = "Ungültiger Eintrag in Echoke-Tabelle an Poition  3. Standardwert wird verwendet.";
const char* const kWarmUpEnd0 = "Der im Steuergerät gesetzte Wert für das Warmlaufende im Bereich zwischen 30 und 40 Grad C. "
                                "ist unzulässig. Der Standardwert wird verwendet.";
const char* const kWarmUpEnd5 = "Der im Steuergerät gesetzte Wert für das Warmlaufende für den Bereich kleiner -10 Grad C. ist "
                                "unzulässig. Der Standardwert wird verwendet.";
const char* const kHotStart = "Der im Steuergerät gesetzte Wert für die Heisstarterkennung ist unzulässig. Der Standardwert "
                              "wird verwendet.";
const char* const kHotFactor = "Der im Steuergerät gesetzte Wert für die Heisstartanreicherung ist unzulässig. Der "
                               "Standardwert wird verwendet.";

int pump(Tabs& t)
{
    EXPECT_TRUE(t.extras.readPumpTime());
    return t.extras.values().pumpTime;
}
int coilLoadTime(Tabs& t)
{
    EXPECT_TRUE(t.extras.readCoilLoadTime());
    return t.extras.values().coilLoadTime;
}
int fullLoadAirMass(Tabs& t)
{
    EXPECT_TRUE(t.extras.readAirMassSettings());
    return t.extras.values().fullLoadAirMass;
}
int coilDelay(Tabs& t)
{
    EXPECT_TRUE(t.extras.readCoilAndLeadAngle());
    return t.extras.values().coilDelay;
}
int input1Function(Tabs& t)
{
    EXPECT_TRUE(t.switching.readSwitching());
    EXPECT_TRUE(t.switching.values().input1RetardEnabled);
    return t.switching.values().input1Function;
}
int input2Enrichment(Tabs& t)
{
    EXPECT_TRUE(t.switching.readInput2Enrichment());
    return t.switching.values().input2Enrichment;
}
int sensitivity(Tabs& t)
{
    EXPECT_TRUE(t.loadChange.readFirstParameters());
    return t.loadChange.values().sensitivity;
}
int loadChangeEnrichment(Tabs& t)
{
    EXPECT_TRUE(t.loadChange.readFirstParameters());
    return t.loadChange.values().enrichment;
}
int maxAirMass(Tabs& t)
{
    EXPECT_TRUE(t.loadChange.readOnOpening());
    return t.loadChange.values().maxAirMass;
}
int overrunLeaning(Tabs& t)
{
    EXPECT_TRUE(t.loadChange.readOnOpening());
    return t.loadChange.values().overrunLeaning;
}
int adaptation2(Tabs& t)
{
    EXPECT_TRUE(t.loadChange.readOnOpening());
    return t.loadChange.values().warmUpAdaptation[2];
}
int warmUpEnrichment3(Tabs& t)
{
    EXPECT_TRUE(t.choke.readOnOpening());
    return t.choke.values().warmUpEnrichment[3];
}
int warmUpEnd0(Tabs& t)
{
    EXPECT_TRUE(t.choke.readOnOpening());
    return t.choke.values().warmUpEnd[0];
}
int warmUpEnd5(Tabs& t)
{
    EXPECT_TRUE(t.choke.readOnOpening());
    return t.choke.values().warmUpEnd[5];
}
int hotStartTemperature(Tabs& t)
{
    EXPECT_TRUE(t.choke.readHotStart());
    return t.choke.values().hotStartTemperature;
}
int hotStartFactor(Tabs& t)
{
    EXPECT_TRUE(t.choke.readHotStart());
    return t.choke.values().hotStartFactor;
}

// clang-format off
const CheckCase kChecks[] = {
    { "pump_20", [](EcuSim& s) { param(s, 127, 20); }, pump, 20, nullptr, true },
    { "pump_21", [](EcuSim& s) { param(s, 127, 21); }, pump, 5, kPump, true },
    { "charge_count_40000", [](EcuSim& s) { chargeCount(s, 0x009C40); }, coilLoadTime, 40, nullptr, true },
    { "charge_count_2500_halves_to_even", [](EcuSim& s) { chargeCount(s, 2500); }, coilLoadTime, 2, nullptr, true },
    { "charge_255", [](EcuSim& s) { chargeCount(s, 255000); }, coilLoadTime, 255, nullptr, true },
    { "charge_256", [](EcuSim& s) { chargeCount(s, 256000); }, coilLoadTime, 40, kCoil, true },
    { "charge_count_400_rounds_to_0", [](EcuSim& s) { chargeCount(s, 400); }, coilLoadTime, 40, kCoil, true },
    { "air_mass_399", [](EcuSim& s) { param(s, 141, 399); }, fullLoadAirMass, 665, kAir, true },
    { "air_mass_400", [](EcuSim& s) { param(s, 141, 400); }, fullLoadAirMass, 400, nullptr, true },
    { "air_mass_961", [](EcuSim& s) { param(s, 141, 961); }, fullLoadAirMass, 961, nullptr, true },
    { "air_mass_962", [](EcuSim& s) { param(s, 141, 962); }, fullLoadAirMass, 665, kAir, true },
    { "coil_delay_FF_10", [](EcuSim& s) { param(s, 153, 0xFF10); }, coilDelay, 2200, kDelay, true },
    { "coil_delay_08_98", [](EcuSim& s) { param(s, 153, 0x0898); }, coilDelay, 2200, nullptr, true },
    { "coil_delay_4090", [](EcuSim& s) { param(s, 153, 4090); }, coilDelay, 4090, nullptr, true },
    { "coil_delay_FF_00", [](EcuSim& s) { param(s, 153, 0xFF00); }, coilDelay, 2200, kDelay, true },
    { "input1_function_7", [](EcuSim& s) { param(s, '\\', 7); }, input1Function, 255, kInput1, true },
    { "input1_function_255", [](EcuSim& s) { param(s, '\\', 255); }, input1Function, 255, nullptr, true },
    { "input2_enrichment_16", [](EcuSim& s) { param(s, 135, 16); }, input2Enrichment, 16, nullptr, true },
    { "input2_enrichment_17", [](EcuSim& s) { param(s, 135, 17); }, input2Enrichment, 1, kInput2, true },
    { "sensitivity_250", [](EcuSim& s) { param(s, 136, 250); }, sensitivity, 250, nullptr, true },
    { "sensitivity_251", [](EcuSim& s) { param(s, 136, 251); }, sensitivity, 25, kSensitivity, true },
    { "enrichment_32", [](EcuSim& s) { param(s, 137, 32); }, loadChangeEnrichment, 32, nullptr, true },
    { "enrichment_33", [](EcuSim& s) { param(s, 137, 33); }, loadChangeEnrichment, 2, kEnrichment, true },
    { "max_air_mass_3_193", [](EcuSim& s) { param(s, 147, 3 * 256 + 193); }, maxAirMass, 961, nullptr, true },
    { "max_air_mass_3_194", [](EcuSim& s) { param(s, 147, 3 * 256 + 194); }, maxAirMass, 795, kMaxAir, true },
    { "max_air_mass_1_0", [](EcuSim& s) { param(s, 147, 256); }, maxAirMass, 742, kMaxAirOpening, true },
    { "max_air_mass_400", [](EcuSim& s) { param(s, 147, 400); }, maxAirMass, 400, nullptr, true },
    { "overrun_leaning_16", [](EcuSim& s) { param(s, 133, 16); }, overrunLeaning, 16, nullptr, true },
    { "overrun_leaning_17", [](EcuSim& s) { param(s, 133, 17); }, overrunLeaning, 3, kLeaning, true },
    { "adaptation_253", [](EcuSim& s) { s.memory().tables[150][2] = 253; }, adaptation2, -3, nullptr, true },
    { "adaptation_127", [](EcuSim& s) { s.memory().tables[150][2] = 127; }, adaptation2, 127, nullptr, true },
    { "echoke_250", [](EcuSim& s) { choke(s, 3, 250); }, warmUpEnrichment3, 250, nullptr, false },
    { "echoke_251", [](EcuSim& s) { choke(s, 3, 251); }, warmUpEnrichment3, 0, kEntry3, false },
    { "warm_up_end_34_0", [](EcuSim& s) { choke(s, 12, 34); choke(s, 13, 0); }, warmUpEnd0, 40, nullptr, false },
    { "warm_up_end_count_258_is_300", [](EcuSim& s) { choke(s, 12, 2); choke(s, 13, 1); }, warmUpEnd0, 300, nullptr, false },
    { "warm_up_end_count_259_is_302", [](EcuSim& s) { choke(s, 12, 3); choke(s, 13, 1); }, warmUpEnd0, 40, kWarmUpEnd0, false },
    { "warm_up_end_255_1", [](EcuSim& s) { choke(s, 12, 255); choke(s, 13, 1); }, warmUpEnd0, 40, kWarmUpEnd0, false },
    { "warm_up_end_band5_255_255", [](EcuSim& s) { choke(s, 22, 255); choke(s, 23, 255); }, warmUpEnd5, 40, kWarmUpEnd5, false },
    { "hot_start_103_0", [](EcuSim& s) { choke(s, 24, 103); choke(s, 25, 0); }, hotStartTemperature, 920, nullptr, false },
    { "hot_start_255_3", [](EcuSim& s) { choke(s, 24, 255); choke(s, 25, 3); }, hotStartTemperature, 0, nullptr, false },
    { "hot_start_high_4", [](EcuSim& s) { choke(s, 24, 0); choke(s, 25, 4); }, hotStartTemperature, 920, kHotStart, false },
    { "hot_factor_240", [](EcuSim& s) { choke(s, 26, 240); }, hotStartFactor, -16, nullptr, false },
    { "hot_factor_200", [](EcuSim& s) { choke(s, 26, 200); }, hotStartFactor, 0, kHotFactor, false },
};
// clang-format on

class StoredValueCheck : public TabTest, public ::testing::WithParamInterface<CheckCase> { };

TEST_P(StoredValueCheck, KeepsTheValueOrTheDefaultWithItsBox)
{
    const CheckCase& c = GetParam();
    connectUnit();
    c.store(*sim);
    EXPECT_EQ(c.readKept(*tabs), c.kept);
    if (!c.box) {
        EXPECT_TRUE(platform.boxes.empty()) << boxTexts().join(u("|")).toStdString();
        return;
    }
    ASSERT_EQ(platform.boxes.size(), 1u) << boxTexts().join(u("|")).toStdString();
    const ScriptedPlatform::Box& box = platform.boxes.front();
    EXPECT_EQ(box.text, u(c.box));
    EXPECT_EQ(box.title, c.titledHint ? u("Hinweis") : kAppTitle);
    EXPECT_EQ(box.icon, c.titledHint ? Platform::Icon::Information : Platform::Icon::None);
    EXPECT_EQ(box.buttons, Platform::Buttons::Ok);
}

INSTANTIATE_TEST_SUITE_P(Table, StoredValueCheck, ::testing::ValuesIn(kChecks),
    [](const auto& info) { return testName(info.param.name); });

} // namespace
