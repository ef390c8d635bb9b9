#include "core/commands.h"
#include "sim/ecusim.h"
#include "sim/profile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The program's commands and the simulated unit agree on every reply length,
// for every unit the simulator plays.
class CatalogueAgainstSimulator : public ::testing::TestWithParam<cmd::Entry> { };

TEST_P(CatalogueAgainstSimulator, EveryProfileAnswersWithTheExpectedLength)
{
    const cmd::Entry& entry = GetParam();
    for (const QString& profile : simprofiles::names()) {
        EcuSim sim(profile);
        sim.setEngine(2500);
        UnitIdentity unit;
        unit.setFirmware(sim.profile().firmware);
        unit.setUnitType(sim.profile().unitType);
        const int expected = entry.replyLengthFor ? entry.replyLengthFor(unit) : entry.sample.replyLength;
        const QByteArray reply = sim.feed(entry.sample.frame);
        EXPECT_EQ(reply.size(), expected) << profile.toStdString();
        ASSERT_EQ(sim.received().size(), 1u) << profile.toStdString();
        EXPECT_EQ(sim.received().front(), entry.sample.frame);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, CatalogueAgainstSimulator, ::testing::ValuesIn(cmd::catalogue()),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
