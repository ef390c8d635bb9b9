#include "racing/parametertransfer.h"
#include "racing/tabtest.h"
#include "shell/kit/boxes.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QSpinBox>

namespace {

using Frames = std::vector<QByteArray>;

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

// The write of every parameter on a unit that has them all, coil type "Andere".
const Frames kWriteAll {
    of({ 158, 'w', 120, '?' }), // dwell start
    of({ 129, 'w', 35, '?' }), // charge time
    of({ 127, 'w', 7, '?' }), // pump time
    of({ 142, 2, 188, '?' }), // full-load air mass 700
    of({ 143, 'w', 12, '?' }), // sampling factor
    of({ 152, 'w', 0, '?' }), // coil type
    of({ 153, 0x80 | 9, 0xC4, '?' }), // coil delay 2500
    of({ 154, 'w', 20, '?' }), // lead angle, its echo not judged
    of({ 154, 'w', 20, '?' }), // lead angle
};

class ExtrasFlow : public TabTest {
protected:
    template <typename W = QSpinBox> W* find(const char* name) const
    {
        return tabs->extras.findChild<W*>(QString::fromLatin1(name));
    }
    QString shown(const char* name) const { return find<QLineEdit>(name)->text(); }

    // Opens the tab as the window does and sets every control for kWriteAll.
    void openAndSetForWriteAll()
    {
        sim->memory().parameters[152] = 0; // "Andere"
        ExtrasTab& t = tabs->extras;
        ASSERT_TRUE(t.readDwellStart() && t.readPumpTime() && t.readCoilLoadTime() && t.readAirMassSettings()
            && t.readCoilAndLeadAngle());
        find("udTwellRotation")->setValue(120);
        find("udCoilLoadTime")->setValue(35);
        find("udVDruck")->setValue(7);
        find("udVLLM")->setValue(700);
        find("udWaitHfmADC")->setValue(12);
        find("udCOilDelay")->setValue(2500);
        find("udVHWinkel")->setValue(20);
        sim->clearReceived();
        platform.boxes.clear();
    }
};

TEST_F(ExtrasFlow, ReadButton_AsksChargePumpCoilDelayLeadThenDwellAndShowsThem)
{
    connectWithBar();
    UnitMemory& m = sim->memory();
    m.parameters[129] = 35;
    m.parameters[127] = 20;
    m.parameters[152] = 3;
    m.parameters[153] = 1500;
    m.parameters[154] = 73;
    m.parameters[158] = 0;

    tabs->extras.readAll();

    EXPECT_EQ(sim->received(),
        (Frames { of({ 129, 'r', 0, '?' }), of({ 127, 'r', '0', '?' }), of({ 152, 'r', '0', '?' }),
            of({ 153, '0', '0', '?' }), of({ 154, 'r', '0', '?' }), of({ 158, 'r', '0', '?' }) }));
    EXPECT_EQ(shown("txt_CoilLoadTime"), u("3,5"));
    EXPECT_EQ(shown("txtVDruck"), u("33,6"));
    EXPECT_EQ(find<QComboBox>("cmbCoilType")->currentText(), u("VW-Kompaktzündmodule (6N0 905 104)"));
    EXPECT_FALSE(find("udCOilDelay")->isEnabled());
    EXPECT_EQ(shown("txtCOilDelay"), u("150"));
    EXPECT_EQ(shown("txtVHWinkel"), u("7,3"));
    EXPECT_EQ(shown("txt_TwellRotation"), u("Aus (180°)"));
    EXPECT_TRUE(find("udTwellRotation")->isEnabled());
    EXPECT_EQ(session.leadAngle(), 73);
    EXPECT_EQ(boxTexts(), QStringList { boxes::kTransferComplete });
    EXPECT_EQ(bar.value(), RacingContext::kProgressMin);
}

TEST_F(ExtrasFlow, ReadButton_UnknownCoilTypeShowsUnbekanntAndIsWrittenBackAsRead)
{
    connectWithBar();
    sim->memory().parameters[152] = 7;
    tabs->extras.readAll();
    // No row of the list: the box shows its placeholder.
    EXPECT_EQ(find<QComboBox>("cmbCoilType")->currentIndex(), -1);
    EXPECT_EQ(find<QComboBox>("cmbCoilType")->placeholderText(), u("Unbekannt"));
    EXPECT_FALSE(find("udCOilDelay")->isEnabled());
    sim->clearReceived();
    tabs->extras.writeAll();
    EXPECT_NE(std::find(sim->received().begin(), sim->received().end(), of({ 152, 'w', 7, '?' })),
        sim->received().end());
}

TEST_F(ExtrasFlow, WriteButton_SendsEveryParameterInOrderAndTheUnitStoresThem)
{
    connectWithBar();
    openAndSetForWriteAll();
    session.setLeadAngle(0);

    tabs->extras.writeAll();

    EXPECT_EQ(sim->received(), kWriteAll);
    const auto& p = sim->memory().parameters;
    EXPECT_EQ(p.at(158), 120);
    EXPECT_EQ(p.at(129), 35);
    EXPECT_EQ(p.at(127), 7);
    EXPECT_EQ(p.at(141), 700);
    EXPECT_EQ(p.at(143), 12);
    EXPECT_EQ(p.at(152), 0);
    EXPECT_EQ(p.at(153), 2500);
    EXPECT_EQ(p.at(154), 20);
    EXPECT_EQ(session.leadAngle(), 20);
    EXPECT_EQ(boxTexts(), QStringList { boxes::kTransferComplete });
    EXPECT_EQ(bar.value(), RacingContext::kProgressMin);
}

TEST_F(ExtrasFlow, PotCoils_DisableTheDelayAndTheWriteSendsType1WithoutDelay)
{
    connectWithBar();
    openAndSetForWriteAll();
    auto* types = find<QComboBox>("cmbCoilType");
    types->setCurrentIndex(0);
    emit types->activated(0);
    EXPECT_EQ(types->currentText(), u("Topfzündspulen"));
    EXPECT_FALSE(find("udCOilDelay")->isEnabled());
    EXPECT_FALSE(find<QLineEdit>("txtCOilDelay")->isEnabled());
    EXPECT_TRUE(find("udTwellRotation")->isEnabled());

    tabs->extras.writeAll();

    Frames expected = kWriteAll;
    expected[5] = of({ 152, 'w', 1, '?' });
    expected.erase(expected.begin() + 6);
    EXPECT_EQ(sim->received(), expected);
    EXPECT_EQ(sim->memory().parameters.at(152), 1);
}

TEST_F(ExtrasFlow, OneCylinderUnit_KeepsItsStoredPumpTime)
{
    // Firmware 3.100 knows the pump time, but a one-cylinder unit never
    // shows it: the write must not send a time nobody chose.
    connectWithBar(unitWith('E', 1, 3, 100));
    sim->memory().parameters[127] = 9;
    openAndSetForWriteAll();
    EXPECT_FALSE(find("udVDruck")->isEnabled());

    tabs->extras.writeAll();

    for (const QByteArray& frame : sim->received())
        EXPECT_NE(bytes::at(frame, 0), 127) << "pump time written";
    EXPECT_EQ(sim->memory().parameters.at(127), 9);
    EXPECT_EQ(boxTexts(), QStringList { boxes::kTransferComplete });
}

// A unit that stores something else than was sent, at each write.
struct MismatchCase {
    const char* name;
    int code; // the write the unit answers wrongly
    QByteArray wrong; // its answer
    int answeredBefore; // how many answers of this code are right first
    size_t sent; // frames sent in all
    QStringList boxes;
    bool leadAngleTaken;
};

const QStringList kStopped { u("Übertragungsfehler") };

// clang-format off
const MismatchCase kMismatches[] = {
    { "dwell_start_stops", 158, of({ 121 }), 0, 1, kStopped, false },
    { "charge_time_goes_on_and_names_it", 129, of({ 0xA0, 0x8C, 0x00 }), 0, 9,
        { u("Übertragungsfehler"), ParameterTransfer::kNotConfirmed.arg(ExtrasTab::kChargeTimeName) }, true },
    { "pump_time_stops", 127, of({ 8 }), 0, 3, kStopped, false },
    { "full_load_air_mass_stops", 142, of({ 2, 189 }), 0, 4, kStopped, false },
    { "sampling_stops", 143, of({ 13 }), 0, 5, kStopped, false },
    { "coil_type_stops", 152, of({ 1 }), 0, 6, kStopped, false },
    { "coil_delay_stops", 153, of({ 9, 0xC5, 0, 0 }), 0, 7, kStopped, false },
    { "first_lead_angle_echo_is_not_judged", 154, of({ 99 }), -1, 9, { boxes::kTransferComplete }, true },
    { "second_lead_angle_stops", 154, of({ 99 }), 1, 9, kStopped, false },
};
// clang-format on

class ExtrasWriteMismatch : public ExtrasFlow, public ::testing::WithParamInterface<MismatchCase> { };

TEST_P(ExtrasWriteMismatch, StopsOrGoesOnAsTheStepSays)
{
    const MismatchCase& c = GetParam();
    connectWithBar();
    openAndSetForWriteAll();
    session.setLeadAngle(50);
    // answeredBefore -1: only the first answer is wrong.
    auto calls = std::make_shared<int>(0);
    sim->setHandler(c.code, 4, [c, calls](const QByteArray& frame, qint64) {
        const int call = (*calls)++;
        const bool wrong = c.answeredBefore < 0 ? call == 0 : call >= c.answeredBefore;
        return wrong ? c.wrong : bytes::of({ frame.at(2) & 0xFF });
    });

    tabs->extras.writeAll();

    EXPECT_EQ(sim->received(), Frames(kWriteAll.begin(), kWriteAll.begin() + c.sent));
    EXPECT_EQ(boxTexts(), c.boxes);
    EXPECT_EQ(session.leadAngle(), c.leadAngleTaken ? 20 : 50);
    EXPECT_EQ(bar.value(), RacingContext::kProgressMin);
    EXPECT_FALSE(context->lost());
}

INSTANTIATE_TEST_SUITE_P(Table, ExtrasWriteMismatch, ::testing::ValuesIn(kMismatches),
    [](const auto& info) { return testName(info.param.name); });

// A unit that falls silent within a button's transfer: the transfer ends at
// once, without a further request or box, and the lead angle stays.
class ExtrasSilent : public ExtrasFlow, public ::testing::WithParamInterface<SilentCase> { };

TEST_P(ExtrasSilent, EndsTheTransferAtOnce)
{
    const SilentCase& c = GetParam();
    connectWithBar();
    openAndSetForWriteAll();
    session.setLeadAngle(50);
    expectEndsAtOnce(c.answered, [&] { c.write ? tabs->extras.writeAll() : tabs->extras.readAll(); });
    EXPECT_EQ(session.leadAngle(), 50);
}

INSTANTIATE_TEST_SUITE_P(Table, ExtrasSilent,
    ::testing::Values(SilentCase { "read_first", false, 0 }, SilentCase { "read_coil_type", false, 2 },
        SilentCase { "read_last", false, 5 }, SilentCase { "write_first", true, 0 },
        SilentCase { "write_full_load_air_mass", true, 3 }, SilentCase { "write_second_lead_angle", true, 8 }),
    [](const auto& info) { return testName(info.param.name); });

} // namespace
