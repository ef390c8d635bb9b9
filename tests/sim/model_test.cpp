#include "sim/ecusim.h"
#include "sim/enginemodel.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// The model at every 100 ms of one cycle.
std::vector<EngineState> oneCycle(const EngineModel& m, qint64 from = 0)
{
    std::vector<EngineState> out;
    for (qint64 t = from; t < from + EngineModel::kCycleMs; t += 100)
        out.push_back(m.at(t));
    return out;
}

TEST(EngineModel, SameStart_GivesTheSameRepliesEveryRun)
{
    EcuSim a(QStringLiteral("injection-rx4"));
    EcuSim b(QStringLiteral("injection-rx4"));
    const QByteArray tick = QByteArray("r00?") + char(128) + "00?l00?z00?i00?q00?g00?^00?" + char(144) + "00?";
    for (qint64 t = 0; t < 200000; t += 777)
        ASSERT_EQ(a.feed(tick, t), b.feed(tick, t)) << t;
}

TEST(EngineModel, StartTime_ShiftsTheWholeRun)
{
    EngineModel a;
    EngineModel b;
    b.setStartMs(5000);
    for (qint64 t = 0; t < 100000; t += 1234)
        EXPECT_EQ(a.at(t).rpm, b.at(t + 5000).rpm);
}

TEST(EngineModel, Cycle_HasStopsIdleAndRevUps)
{
    EngineModel m;
    const auto states = oneCycle(m, EngineModel::kCycleMs); // a later cycle: warm
    int stopped = 0;
    int idle = 0;
    double peak = 0;
    for (const EngineState& s : states) {
        if (!s.running) {
            ++stopped;
            EXPECT_EQ(s.rpm, 0);
            continue;
        }
        peak = std::max(peak, s.rpm);
        if (s.rpm >= 1100 && s.rpm <= 1300)
            ++idle;
        EXPECT_TRUE(s.fuelPump);
    }
    EXPECT_GT(stopped, 50); // seconds of standstill
    EXPECT_GT(idle, static_cast<int>(states.size()) / 3); // mostly idle
    EXPECT_GE(peak, 5000);
    EXPECT_LE(peak, 7100);
}

TEST(EngineModel, IdleSpeed_Jitters)
{
    EngineModel m;
    double lo = 1e9;
    double hi = 0;
    for (qint64 t = 6000; t < 19000; t += 100) {
        lo = std::min(lo, m.at(t).rpm);
        hi = std::max(hi, m.at(t).rpm);
    }
    EXPECT_GE(lo, 1100);
    EXPECT_LE(hi, 1300);
    EXPECT_GT(hi - lo, 20);
}

TEST(EngineModel, AnglesFollowSpeed)
{
    EngineModel m;
    EngineState idle;
    EngineState fast;
    for (const EngineState& s : oneCycle(m)) {
        if (s.running && s.rpm > fast.rpm)
            fast = s;
        if (s.running && s.rpm > 1100 && s.rpm < 1300)
            idle = s;
    }
    EXPECT_LT(idle.advance1Deg, 12);
    EXPECT_GT(fast.advance1Deg, 25);
}

TEST(EngineModel, HeadWarmsOverMinutesAirStaysNear25)
{
    EngineModel m;
    EXPECT_NEAR(m.at(0).headTempC, 20, 1);
    EXPECT_GT(m.at(60000).headTempC, 40);
    EXPECT_NEAR(m.at(6 * 60000).headTempC, 85, 2);
    for (qint64 t = 0; t < 400000; t += 5000)
        EXPECT_NEAR(m.at(t).airTempC, 25, 1.5);
}

TEST(EngineModel, LambdaOscillatesAroundOneAtIdle)
{
    EngineModel m;
    double lo = 9;
    double hi = 0;
    for (qint64 t = 6000; t < 19000; t += 50) {
        lo = std::min(lo, m.at(t).lambda);
        hi = std::max(hi, m.at(t).lambda);
    }
    EXPECT_LT(lo, 0.99);
    EXPECT_GT(hi, 1.01);
    EXPECT_GT(lo, 0.93);
    EXPECT_LT(hi, 1.07);
}

TEST(EngineModel, SwitchInputsToggleAndStarterOnlyWhileCranking)
{
    EngineModel m;
    bool sw1On = false;
    bool sw1Off = false;
    bool sw2On = false;
    for (const EngineState& s : oneCycle(m)) {
        (s.switch1 ? sw1On : sw1Off) = true;
        sw2On |= s.switch2;
        if (s.starter) {
            EXPECT_LT(s.rpm, 400);
        }
    }
    EXPECT_TRUE(sw1On && sw1Off && sw2On);
}

TEST(EngineModel, Freeze_HoldsTheStateUntilUnfrozen)
{
    EngineModel m;
    EngineState s;
    s.running = true;
    s.rpm = 3333;
    m.freeze(s);
    EXPECT_EQ(m.at(0).rpm, 3333);
    EXPECT_EQ(m.at(50000).rpm, 3333);
    m.unfreeze();
    EXPECT_FALSE(m.at(0).running);
}

} // namespace
