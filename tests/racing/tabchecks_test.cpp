#include "racing/tabtest.h"

#include <QComboBox>
#include <QSlider>

namespace {

// Where a stored value lives in the simulated unit.
struct Stored {
    enum Where { Param, Choke, Adaptation, ChargeCount } where;
    int key;
    int value;
};
Stored param(int code, int value)
{
    return { Stored::Param, code, value };
}
Stored choke(int index, int byte)
{
    return { Stored::Choke, index, byte };
}

void store(EcuSim& sim, const Stored& s)
{
    switch (s.where) {
    case Stored::Param:
        sim.memory().parameters[s.key] = s.value;
        break;
    case Stored::Choke:
    case Stored::Adaptation:
        sim.memory().tables[s.where == Stored::Choke ? 131 : 150][s.key] = static_cast<quint8>(s.value);
        break;
    case Stored::ChargeCount: // 24 bits, lowest byte first
        sim.setHandler(129, 4, [c = s.value](const QByteArray&, qint64) {
            return bytes::of({ c & 255, (c >> 8) & 255, c >> 16 });
        });
        break;
    }
}

// A value the unit holds, what the tab keeps of it and the box it shows.
struct CheckCase {
    const char* name;
    std::vector<Stored> stored;
    std::function<int(Tabs&)> readKept;
    int kept;
    const char* box; // nullptr: none
    bool hint; // "Hinweis" with the information icon, else the program's plain box
};

#define KEPT(tab, read, field)                                                                                    \
    [](Tabs& t) {                                                                                                 \
        EXPECT_TRUE(t.tab.read());                                                                                \
        return int(t.tab.values().field);                                                                         \
    }

const auto pump = KEPT(extras, readPumpTime, pumpTime);
const auto chargeTime = KEPT(extras, readCoilLoadTime, coilLoadTime);
const auto airMass = KEPT(extras, readAirMassSettings, fullLoadAirMass);
const auto coilDelay = KEPT(extras, readCoilAndLeadAngle, coilDelay);
const auto input1 = [](Tabs& t) {
    EXPECT_TRUE(t.switching.readSwitching());
    return control<QComboBox>(t.switching, "cmbSIFkt")->currentText() == QStringLiteral("Offsetschalter") ? 255
                                                                                                          : 0;
};
const auto input2 = [](Tabs& t) {
    EXPECT_TRUE(t.switching.readInput2Enrichment());
    return control<QSlider>(t.switching, "sldInjektOffset")->value();
};
const auto sensitivity = KEPT(loadChange, readFirstParameters, sensitivity);
const auto enrichment = KEPT(loadChange, readFirstParameters, enrichment);
const auto maxAirMass = KEPT(loadChange, readOnOpening, maxAirMass);
const auto leaning = KEPT(loadChange, readOnOpening, overrunLeaning);
const auto adaptation2 = KEPT(loadChange, readOnOpening, warmUpAdaptation[2]);
const auto echoke3 = KEPT(choke, readOnOpening, warmUpEnrichment[3]);
const auto warmUpEnd0 = KEPT(choke, readOnOpening, warmUpEnd[0]);
const auto warmUpEnd5 = KEPT(choke, readOnOpening, warmUpEnd[5]);
const auto hotStart = KEPT(choke, readHotStart, hotStartTemperature);
const auto hotFactor = KEPT(choke, readHotStart, hotStartFactor);

const char* const kPump = "Die im Steuergerät gesetzte Vordruckzeit der Kraftstoffpumpe ist ungültig. Der "
                          "Standardwert wird verwendet";
const char* const kCoil = "Die im Steuergerät gesetzte Zündspulenladezeit ist ungültig. Der Standardwert wird "
                          "verwendet";
const char* const kAir = "Der im Steuergerät gesetzte Luftmassenwert für den Beginn des Vollastbereiches ist "
                         "ungültig. Der Standardwert wird verwendet.";
const char* const kDelay = "Der im Steuergeraet gesetzte Wert für die Schaltverzögerung der Zündspulen ist nicht "
                           "plausibel. Der Standardwert wird verwendet.";
const char* const kInput1 = "Der im Steuergerät gesetzte Betriebsmodus für den digitalen Schalteingang 1 ist "
                            "ungültig. Der Standardwert wird verwendet";
const char* const kInput2 = "Der im Steuergerät gesetzte Faktor für die zuschaltbare Gemischanreicherung ist "
                            "ungültig. Der Standardwert wird verwendet";
const char* const kSensitivity = "Der im Steuergerät gesetzte Empfindlichkeit der Lastwechselerkennung ist "
                                 "ungültig. Der Standardwert wird verwendet";
const char* const kEnrichment = "Der im Steuergerät gesetzte Anreicherungsfaktor bei Lastwechsel ist ungültig. "
                                "Der Standardwert wird verwendet";
const char* const kMaxAir = "Die im Steuergerät gesetzte maximale Luftmasse für die Lastwechselerkennung ist "
                            "ungültig. Der Standardwert wird verwendet";
const char* const kMaxAirOpening = "Der im Steuergerät gesetzte Maximalluftmassenwert für die "
                                   "Lastwechselerkennnung ist ungültig. Der Standardwert wird verwendet.";
const char* const kLeaning = "Der im Steuergerät gesetzte Gemischabmagerungsfaktor für die Schubstartabmagerung "
                             "ist ungültig. Der Standardwert wird verwendet";
const char* const kEntry3 = "Ungültiger Eintrag in Echoke-Tabelle an Poition  3. Standardwert wird verwendet.";
const char* const kEntry3Beyond
    = "Der im Steuergerät gesetzte Wert für „Gemischanreicherung nach "
      "Motortemperatur“ (0 bis 10° C) liegt außerhalb des einstellbaren Bereichs. "
      "Angezeigt wird der nächstliegende Wert; er wird erst mit „Schreiben“ übertragen.";
const char* const kWarmUpEnd0 = "Der im Steuergerät gesetzte Wert für das Warmlaufende im Bereich zwischen 30 und "
                                "40 Grad C. ist unzulässig. Der Standardwert wird verwendet.";
const char* const kWarmUpEnd5
    = "Der im Steuergerät gesetzte Wert für das Warmlaufende für den Bereich kleiner -10 "
      "Grad C. ist unzulässig. Der Standardwert wird verwendet.";
const char* const kHotStart = "Der im Steuergerät gesetzte Wert für die Heisstarterkennung ist unzulässig. Der "
                              "Standardwert wird verwendet.";
const char* const kHotStartBeyond
    = "Der im Steuergerät gesetzte Wert für „Motortemperatur über (° C):“ liegt "
      "außerhalb des einstellbaren Bereichs. Angezeigt wird der nächstliegende Wert; "
      "er wird erst mit „Schreiben“ übertragen.";
const char* const kHotFactor = "Der im Steuergerät gesetzte Wert für die Heisstartanreicherung ist unzulässig. "
                               "Der Standardwert wird verwendet.";

// clang-format off
const CheckCase kChecks[] = {
    { "pump_20", { param(127, 20) }, pump, 20, nullptr, true },
    { "pump_21", { param(127, 21) }, pump, 5, kPump, true },
    { "charge_bytes_40_9C_00", { { Stored::ChargeCount, 0, 0x009C40 } }, chargeTime, 40, nullptr, true },
    { "charge_count_2500_halves_to_even", { { Stored::ChargeCount, 0, 2500 } }, chargeTime, 2, nullptr, true },
    { "charge_255", { { Stored::ChargeCount, 0, 255000 } }, chargeTime, 255, nullptr, true },
    { "charge_256", { { Stored::ChargeCount, 0, 256000 } }, chargeTime, 40, kCoil, true },
    { "charge_count_400_rounds_to_0", { { Stored::ChargeCount, 0, 400 } }, chargeTime, 40, kCoil, true },
    { "air_mass_399", { param(141, 399) }, airMass, 665, kAir, true },
    { "air_mass_400", { param(141, 400) }, airMass, 400, nullptr, true },
    { "air_mass_961", { param(141, 961) }, airMass, 961, nullptr, true },
    { "air_mass_962", { param(141, 962) }, airMass, 665, kAir, true },
    { "coil_delay_FF_10", { param(153, 0xFF10) }, coilDelay, 2200, kDelay, true },
    { "coil_delay_08_98", { param(153, 0x0898) }, coilDelay, 2200, nullptr, true },
    { "coil_delay_FF_00", { param(153, 0xFF00) }, coilDelay, 2200, kDelay, true },
    { "input1_function_7", { param('\\', 7) }, input1, 255, kInput1, true },
    { "input2_enrichment_16", { param(135, 16) }, input2, 16, nullptr, true },
    { "input2_enrichment_17", { param(135, 17) }, input2, 1, kInput2, true },
    { "sensitivity_250", { param(136, 250) }, sensitivity, 250, nullptr, true },
    { "sensitivity_251", { param(136, 251) }, sensitivity, 25, kSensitivity, true },
    { "enrichment_32", { param(137, 32) }, enrichment, 32, nullptr, true },
    { "enrichment_33", { param(137, 33) }, enrichment, 2, kEnrichment, true },
    { "max_air_mass_3_193", { param(147, 3 * 256 + 193) }, maxAirMass, 961, nullptr, true },
    { "max_air_mass_3_194", { param(147, 3 * 256 + 194) }, maxAirMass, 795, kMaxAir, true },
    { "max_air_mass_1_0", { param(147, 256) }, maxAirMass, 742, kMaxAirOpening, true },
    { "overrun_leaning_16", { param(133, 16) }, leaning, 16, nullptr, true },
    { "overrun_leaning_17", { param(133, 17) }, leaning, 3, kLeaning, true },
    { "adaptation_253", { { Stored::Adaptation, 2, 253 } }, adaptation2, -3, nullptr, true },
    { "echoke_64", { choke(3, 64) }, echoke3, 64, nullptr, false },
    { "echoke_65_beyond_the_control", { choke(3, 65) }, echoke3, 64, kEntry3Beyond, false },
    { "echoke_250_beyond_the_control", { choke(3, 250) }, echoke3, 64, kEntry3Beyond, false },
    { "echoke_251", { choke(3, 251) }, echoke3, 0, kEntry3, false },
    { "warm_up_end_34_0", { choke(12, 34), choke(13, 0) }, warmUpEnd0, 40, nullptr, false },
    { "warm_up_end_count_258_is_300", { choke(12, 2), choke(13, 1) }, warmUpEnd0, 300, nullptr, false },
    { "warm_up_end_count_259_is_302", { choke(12, 3), choke(13, 1) }, warmUpEnd0, 40, kWarmUpEnd0, false },
    { "warm_up_end_band5_255_255", { choke(22, 255), choke(23, 255) }, warmUpEnd5, 40, kWarmUpEnd5, false },
    { "hot_start_103_0", { choke(24, 103), choke(25, 0) }, hotStart, 920, nullptr, false },
    { "hot_start_high_4", { choke(24, 0), choke(25, 4) }, hotStart, 920, kHotStart, false },
    { "hot_start_count_323", { choke(24, 67), choke(25, 1) }, hotStart, 700, nullptr, false },
    { "hot_start_count_324_beyond_the_control", { choke(24, 68), choke(25, 1) }, hotStart, 700, kHotStartBeyond,
        false },
    { "hot_factor_240", { choke(26, 240) }, hotFactor, -16, nullptr, false },
    { "hot_factor_200", { choke(26, 200) }, hotFactor, 0, kHotFactor, false },
};
// clang-format on

class StoredValueCheck : public TabTest, public ::testing::WithParamInterface<CheckCase> { };

TEST_P(StoredValueCheck, KeepsTheValueOrTheDefaultWithItsBox)
{
    const CheckCase& c = GetParam();
    connectUnit();
    for (const Stored& s : c.stored)
        store(*sim, s);
    EXPECT_EQ(c.readKept(*tabs), c.kept);
    const QString shown = boxTexts().join(QLatin1Char('|'));
    if (!c.box) {
        EXPECT_TRUE(platform.boxes.empty()) << shown.toStdString();
        return;
    }
    ASSERT_EQ(platform.boxes.size(), 1u) << shown.toStdString();
    const ScriptedPlatform::Box& box = platform.boxes.front();
    EXPECT_EQ(box.text, QString::fromUtf8(c.box));
    EXPECT_EQ(box.title, c.hint ? QStringLiteral("Hinweis") : kAppTitle);
    EXPECT_EQ(box.icon, c.hint ? Platform::Icon::Information : Platform::Icon::None);
    EXPECT_EQ(box.buttons, Platform::Buttons::Ok);
}

INSTANTIATE_TEST_SUITE_P(Table, StoredValueCheck, ::testing::ValuesIn(kChecks),
    [](const auto& info) { return testName(info.param.name); });

} // namespace
