#include "sim/ecusim.h"
#include "sim/profile.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(Profiles, EveryIdentity_HasTheFixedLengthsAndCharacterPositions)
{
    std::set<QString> names;
    for (const SimProfile& p : simprofiles::all()) {
        SCOPED_TRACE(p.name.toStdString());
        EXPECT_TRUE(names.insert(p.name).second);
        ASSERT_EQ(p.unitType.size(), 15);
        ASSERT_EQ(p.firmware.size(), 6);
        EXPECT_EQ(p.serial.size(), 13);
        EXPECT_EQ(p.unitType.left(4), p.line == 'E' ? QByteArray("KEDX") : QByteArray("KZDX"));
        EXPECT_EQ(p.unitType.at(5), '0' + p.cylinders);
        EXPECT_EQ(p.unitType.at(12), '0' + p.type);
        EXPECT_EQ(p.unitType.at(13), '0' + p.variant);
        EXPECT_EQ(p.unitType.at(14), 'D');
        EXPECT_EQ(p.firmware.left(2).toInt(), p.major);
        EXPECT_EQ(p.firmware.at(2), '.');
        EXPECT_EQ(p.firmware.right(3).toInt(), p.minor);

        EcuSim sim(p);
        EXPECT_EQ(sim.feed("t00?"), p.unitType);
        EXPECT_EQ(sim.feed("v00?"), p.firmware);
        EXPECT_EQ(sim.feed("s00?"), p.serial);
    }
}

TEST(Profiles, CoverEveryGateOfTheProgram)
{
    std::set<QByteArray> firmware;
    std::set<char> lines;
    std::set<int> types, variants, cylinders;
    bool unconfiguredInjector = false;
    for (const SimProfile& p : simprofiles::all()) {
        firmware.insert(p.firmware);
        lines.insert(p.line);
        types.insert(p.type);
        variants.insert(p.variant);
        cylinders.insert(p.cylinders);
        unconfiguredInjector |= !p.injectorConfigured;
    }
    for (const char* f : { "00.450", "00.550", "01.600", "02.406", "02.450", "02.520", "02.600", "03.139",
             "03.140", "04.000", "04.012", "01.816", "02.820" })
        EXPECT_TRUE(firmware.count(f)) << f;
    EXPECT_EQ(lines, (std::set<char> { 'E', 'Z' }));
    EXPECT_EQ(types, (std::set<int> { 3, 4 }));
    EXPECT_EQ(variants, (std::set<int> { 0, 1, 2 }));
    EXPECT_EQ(cylinders, (std::set<int> { 1, 2 }));
    EXPECT_TRUE(unconfiguredInjector);
}

struct TextCase {
    char line;
    int cylinders, type, variant;
    const char* text;
};

TEST(Profiles, UnitTypeAndFirmwareTexts)
{
    const TextCase cases[] = { { 'E', 2, 4, 0, "KEDX 2Zyl RX40D" }, { 'Z', 1, 3, 2, "KZDX 1Zyl RX32D" } };
    for (const TextCase& c : cases)
        EXPECT_EQ(simprofiles::unitTypeText(c.line, c.cylinders, c.type, c.variant), QByteArray(c.text));
    EXPECT_EQ(simprofiles::firmwareText(0, 450), QByteArray("00.450"));
    EXPECT_EQ(simprofiles::firmwareText(4, 12), QByteArray("04.012"));
}

TEST(Profiles, UnknownName_IsNotFoundAndTheSimulatorFallsBackToTheDefault)
{
    EXPECT_EQ(simprofiles::find(QStringLiteral("no-such-unit")), nullptr);
    EXPECT_EQ(EcuSim(QStringLiteral("no-such-unit")).profile().name, simprofiles::kDefault);
    EXPECT_TRUE(simprofiles::names().contains(simprofiles::kDefault));
}

} // namespace
