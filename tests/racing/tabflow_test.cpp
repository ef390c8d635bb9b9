#include "racing/tabtest.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QSlider>

namespace {

using Frames = std::vector<QByteArray>;

TEST_F(TabTest, Switching_ReadsTheBlockAndTheInputsInOrder)
{
    connectUnit();
    UnitMemory& m = sim->memory();
    m.switching = { 4, 0, 0, 0, 0, 2, 25, 0, 40, 0 };
    m.parameters['~'] = 35;
    m.parameters['\\'] = 0; // "Tabellenauswahl"
    m.parameters[148] = 0; // "Kennfeldauswahl"
    m.parameters[135] = 3;
    bar.setRange(RacingContext::kProgressMin, RacingContext::kProgressMax);
    context->setControls(nullptr, &bar, {});

    EXPECT_TRUE(tabs->switching.readSwitching());
    EXPECT_EQ(bar.value(), RacingContext::kParameterProgress);
    EXPECT_TRUE(tabs->switching.readInput2Enrichment());

    EXPECT_EQ(sim->received(),
        (Frames { "j00?", "~00?", "\\00?", of({ 148, 'r', '0', '?' }), of({ 135, 'r', '0', '?' }) }));
    const SwitchingTab& t = tabs->switching;
    EXPECT_EQ(control<QComboBox>(t, "cmbS1Akt")->currentText(), QStringLiteral("4-Takt DZM"));
    EXPECT_EQ(control<QComboBox>(t, "cmbS2Akt")->currentText(), QStringLiteral("Aus-Ein-Aus"));
    EXPECT_EQ(control<QSlider>(t, "SliderN21")->value(), 25);
    EXPECT_EQ(control<QSlider>(t, "SliderN22")->value(), 40);
    EXPECT_EQ(control<QLabel>(t, "lblNS21")->text(), QStringLiteral("1501"));
    EXPECT_EQ(control<QLabel>(t, "lblNS22")->text(), QStringLiteral("3001"));
    EXPECT_TRUE(control(t, "SliderN21")->isEnabled());
    EXPECT_TRUE(control(t, "SliderN22")->isEnabled());
    EXPECT_EQ(control<QSlider>(t, "sldZwOffset")->value(), 35);
    EXPECT_EQ(control<QLabel>(t, "lblZwOffset")->text(), QString::fromUtf8("um 3,5 Grad KW"));
    EXPECT_EQ(control<QComboBox>(t, "cmbSIFkt")->currentText(), QStringLiteral("Tabellenauswahl"));
    EXPECT_FALSE(control(t, "sldZwOffset")->isEnabled());
    EXPECT_EQ(control<QComboBox>(t, "cmbS2Fkt")->currentText(), QStringLiteral("Kennfeldauswahl"));
    EXPECT_FALSE(control(t, "sldInjektOffset")->isEnabled());
    EXPECT_EQ(control<QSlider>(t, "sldInjektOffset")->value(), 3);
    EXPECT_EQ(control<QLabel>(t, "lblInjektOffset")->text(), QStringLiteral("+3 / 16"));
    EXPECT_TRUE(boxTexts().isEmpty());
}

TEST_F(TabTest, Extras_ReadsEachRowAndSetsTheLeadAngle)
{
    connectUnit();
    sim->memory().parameters[154] = 73;
    sim->memory().parameters[152] = 0; // "Andere"
    sim->memory().parameters[153] = 1500;

    ExtrasTab& t = tabs->extras;
    EXPECT_TRUE(t.readDwellStart());
    EXPECT_TRUE(t.readPumpTime());
    EXPECT_TRUE(t.readCoilLoadTime());
    EXPECT_TRUE(t.readAirMassSettings());
    EXPECT_TRUE(t.readCoilAndLeadAngle());

    EXPECT_EQ(sim->received(),
        (Frames { of({ 158, 'r', '0', '?' }), of({ 127, 'r', '0', '?' }), of({ 129, 'r', 0, '?' }),
            of({ 143, 'r', '0', '?' }), of({ 141, '0', '0', '?' }), of({ 152, 'r', '0', '?' }),
            of({ 153, '0', '0', '?' }), of({ 154, 'r', '0', '?' }) }));
    const ExtrasTab::Values& v = t.values();
    EXPECT_EQ(v.dwellStart, 100);
    EXPECT_TRUE(v.dwellStartEnabled);
    EXPECT_EQ(v.pumpTime, 5);
    EXPECT_EQ(v.coilLoadTime, 40);
    EXPECT_EQ(v.airMassSampling, 10);
    EXPECT_EQ(v.fullLoadAirMass, 665);
    EXPECT_EQ(v.coilType, 0);
    EXPECT_TRUE(v.coilDelayEnabled);
    EXPECT_EQ(v.coilDelay, 1500);
    EXPECT_EQ(v.leadAngle, 73);
    EXPECT_EQ(session.leadAngle(), 73);
    EXPECT_EQ(context->angleOffset(), 73);
    EXPECT_TRUE(boxTexts().isEmpty());
}

TEST_F(TabTest, Extras_ACoilTypeWithoutDelaySettingAndOlderFirmwareDisableDelayAndDwell)
{
    // 2.600: the dwell start is read, then the coil type's rule disables it.
    connectUnit(unitWith('E', 2, 2, 600));
    sim->memory().parameters[152] = 2;
    EXPECT_TRUE(tabs->extras.readDwellStart());
    EXPECT_TRUE(tabs->extras.readCoilAndLeadAngle());
    EXPECT_EQ(sim->received().size(), 4u);
    EXPECT_EQ(tabs->extras.values().coilType, 2);
    EXPECT_FALSE(tabs->extras.values().coilDelayEnabled);
    EXPECT_FALSE(tabs->extras.values().dwellStartEnabled);
}

TEST_F(TabTest, Choke_ReadsCrankingThenWarmUpColdestFirstThenWarmUpEndWithPacing)
{
    TimeScale designIntervals(1.0);
    connectUnit();
    sim->memory().tables[131][2] = 9;

    EXPECT_TRUE(tabs->choke.readOnOpening());
    EXPECT_TRUE(tabs->choke.readHotStart());

    Frames expected;
    for (int index :
        { 6, 7, 8, 9, 10, 11, 5, 4, 3, 2, 1, 0, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26 })
        expected.push_back(of({ 131, index, '0', '?' }));
    EXPECT_EQ(sim->received(), expected);
    // One pacing tick before the warm-up group and one before the warm-up end.
    const auto& log = sim->receivedLog();
    EXPECT_GE(log[6].atMs - log[5].atMs, 19);
    EXPECT_GE(log[12].atMs - log[11].atMs, 19);

    const ChokeTab::Values& v = tabs->choke.values();
    EXPECT_EQ(v.crankingEnrichment, (std::array<int, 6> { 4, 8, 12, 16, 20, 24 }));
    EXPECT_EQ(v.warmUpEnrichment, (std::array<int, 6> { 2, 4, 9, 8, 10, 12 }));
    // Count 34 is about 4 degrees in band 0; the flatter colder bands read less.
    EXPECT_EQ(v.warmUpEnd[0], 40);
    EXPECT_EQ(v.warmUpEnd[5], 57);
    EXPECT_EQ(v.hotStartTemperature, 920);
    EXPECT_EQ(v.hotStartFactor, 0);
    EXPECT_TRUE(boxTexts().isEmpty());
}

TEST_F(TabTest, LoadChange_ReadsTheFirstParametersThenTheOverrunAndAdaptations)
{
    connectUnit();
    sim->memory().tables[150][0] = 5;
    sim->memory().tables[150][5] = 250;
    bar.setRange(RacingContext::kProgressMin, RacingContext::kProgressMax);
    context->setControls(nullptr, &bar, {});

    EXPECT_TRUE(tabs->loadChange.readFirstParameters());
    EXPECT_EQ(bar.value(), 60);
    EXPECT_TRUE(tabs->loadChange.readOnOpening());

    Frames expected { of({ 136, 'r', '0', '?' }), of({ 137, 'r', '0', '?' }), of({ 138, 'r', '0', '?' }),
        of({ 139, 'r', '0', '?' }), of({ 147, '0', '0', '?' }), of({ 145, '0', '0', '?' }),
        of({ 133, '0', '0', '?' }), of({ 132, '0', '0', '?' }) };
    for (int band = 0; band < 6; ++band)
        expected.push_back(of({ 150, band, '0', '?' }));
    EXPECT_EQ(sim->received(), expected);

    const LoadChangeTab::Values& v = tabs->loadChange.values();
    EXPECT_EQ(v.sensitivity, 25);
    EXPECT_EQ(v.enrichment, 2);
    EXPECT_EQ(v.advance, 15);
    EXPECT_EQ(v.duration, 10);
    EXPECT_EQ(v.maxAirMass, 800);
    EXPECT_EQ(v.overrunDuration, 10);
    EXPECT_EQ(v.overrunLeaning, 3);
    EXPECT_EQ(v.overrunSensitivity, 20);
    EXPECT_EQ(v.warmUpAdaptation, (std::array<int, 6> { 5, 0, 0, 0, 0, -6 }));
    EXPECT_TRUE(boxTexts().isEmpty());
}

} // namespace
