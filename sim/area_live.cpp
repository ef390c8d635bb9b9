#include "areas.h"
#include "ecusim.h"

#include <algorithm>
#include <cmath>

namespace {

double headTempCurve(double v)
{
    return ((((((0.2778 * v - 4.9534) * v + 34.549) * v - 121.38) * v + 229.41) * v - 248.89) * v) + 173.37;
}

double airMassCurve(int raw)
{
    const double x = raw * 5.0 / 1024.0;
    return ((((((-0.087 * x + 1.8598) * x - 14.008) * x + 54.325) * x - 104.46) * x + 112.53) * x) - 50.926;
}

// The count in [lo, hi] whose curve value is nearest the target; both curves
// are monotonic there.
template <typename Curve> int nearestCount(double target, int lo, int hi, Curve curve)
{
    int best = lo;
    double bestError = std::abs(curve(lo) - target);
    for (int c = lo + 1; c <= hi; ++c) {
        const double e = std::abs(curve(c) - target);
        if (e < bestError) {
            best = c;
            bestError = e;
        }
    }
    return best;
}

QByteArray byte(int v)
{
    return QByteArray(1, static_cast<char>(v & 0xFF));
}

QByteArray bigEndian24(quint32 v)
{
    return QByteArray {} + static_cast<char>((v >> 16) & 0xFF) + static_cast<char>((v >> 8) & 0xFF)
        + static_cast<char>(v & 0xFF);
}

void appendLittle16(QByteArray& out, int v)
{
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>((v >> 8) & 0xFF));
}

// Input wiring of a unit: a throttle position switch on bits 16 and 32 or two
// free switches there.
bool hasThrottleSwitch(const SimProfile& p)
{
    if (p.variant == 2)
        return false;
    return p.type <= 3 || p.line == 'Z';
}

int starterBit(const SimProfile& p)
{
    // Early 2.x firmware of the ignition-only type-4 units wired the starter one bit higher.
    const bool early = p.line == 'Z' && p.type > 3 && p.variant != 2 && p.major == 2 && p.minor < 406;
    return early ? 128 : 64;
}

QByteArray outputs(const EngineState& s)
{
    return byte((s.fuelPump ? 64 : 0) | (s.output2 ? 32 : 0) | (s.output1 ? 16 : 0));
}

QByteArray inputs(const SimProfile& profile, const EngineState& s)
{
    constexpr int kIdle = 16;
    constexpr int kFullLoad = 32;
    int active = s.starter ? starterBit(profile) : 0;
    if (hasThrottleSwitch(profile)) {
        // One contact closes at a time: idle with the throttle shut, full load
        // near wide open, neither in between.
        if (s.load < 0.05)
            active |= kIdle;
        else if (s.load >= 0.9)
            active |= kFullLoad;
    } else {
        active |= (s.switch1 ? 32 : 0) | (s.switch2 ? 16 : 0);
    }
    return byte(~active);
}

QByteArray angle(const EcuSim& sim, double advanceDeg)
{
    const long z = std::lround(sim.programSensorAngle() - sim.programAngleOffset() - advanceDeg * 10.0);
    return byte(static_cast<int>(std::clamp(z, 0L, 255L)));
}

QByteArray analog(const EngineState& s)
{
    QByteArray out;
    appendLittle16(out, EcuSim::airMassCount(s.airMassKgH));
    appendLittle16(out, EcuSim::headTempCount(s.headTempC));
    appendLittle16(out, 0); // not a sensor the program shows
    appendLittle16(out, EcuSim::headTempCount(s.airTempC));
    return out;
}

QByteArray lambda(const EngineState& s)
{
    // A cold or stopped probe reports no value.
    if (!s.running || s.lambda <= 0)
        return QByteArray(2, static_cast<char>(255));
    const int l = static_cast<int>(std::lround(1024.0 / s.lambda));
    return byte(l >> 8) + byte(l);
}

QByteArray injectionTime(const EngineState& s)
{
    if (!s.running || s.rpm <= 0)
        return bigEndian24(0);
    // The program computes the duty as 2 T / P.
    return bigEndian24(static_cast<quint32>(std::lround(s.injectionDuty * (6e8 / s.rpm) / 2.0)));
}

} // namespace

QByteArray EcuSim::periodReply(const EngineState& s)
{
    // Below about 36 rpm the period no longer fits: the unit reports a stop as
    // the longest period, which reads as coils off and passes every standstill check.
    if (!s.running || s.rpm <= 0 || 6e8 / s.rpm >= 254.0 * 65536.0)
        return bigEndian24(0xFFFFFF);
    // The program takes a byte of 255 anywhere in the reply for a standstill
    // on some units; a turning engine keeps clear of it by a count or so.
    quint32 period = static_cast<quint32>(std::lround(6e8 / s.rpm));
    if ((period & 0xFF) == 0xFF)
        period -= 1;
    if ((period & 0xFF00) == 0xFF00)
        period -= 0x100;
    return bigEndian24(period);
}

int EcuSim::headTempCount(double celsius)
{
    return nearestCount(celsius, 40, 1000, [](int c) { return headTempCurve(5.0 / 1023.0 * c); });
}

int EcuSim::airMassCount(double kgPerHour)
{
    return nearestCount(kgPerHour, 230, 1000, airMassCurve);
}

void installLive(EcuSim& sim)
{
    // Every live read answers from the engine as it is at the frame's time.
    const auto live = [&sim](QByteArray (*reply)(const EcuSim&, const EngineState&)) {
        return [&sim, reply](const QByteArray&, qint64 now) { return reply(sim, sim.engine().at(now)); };
    };
    sim.setHandler('r', 4, live([](const EcuSim&, const EngineState& s) { return EcuSim::periodReply(s); }));
    sim.setHandler(simcodes::kOutputs, 4, live([](const EcuSim&, const EngineState& s) { return outputs(s); }));
    sim.setHandler('l', 4, live([](const EcuSim& u, const EngineState& s) { return inputs(u.profile(), s); }));
    sim.setHandler('z', 4, live([](const EcuSim& u, const EngineState& s) { return angle(u, s.advance1Deg); }));
    sim.setHandler('i', 4, live([](const EcuSim& u, const EngineState& s) { return angle(u, s.advance2Deg); }));
    sim.setHandler('g', 4, live([](const EcuSim&, const EngineState& s) { return analog(s); }));
    sim.setHandler('^', 4, live([](const EcuSim&, const EngineState& s) { return lambda(s); }));
    sim.setHandler(
        simcodes::kInjectionTime, 4, live([](const EcuSim&, const EngineState& s) { return injectionTime(s); }));
    sim.setHandler('q', 4, [&sim](const QByteArray&, qint64) { return byte(sim.memory().correction); });
}
