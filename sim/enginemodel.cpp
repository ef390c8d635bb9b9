#include "enginemodel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr double kPi = 3.14159265358979323846;

// Hash of an integer to [-1, 1]: noise that is the same on every run.
double hashNoise(std::int64_t n, int channel)
{
    std::uint64_t x = static_cast<std::uint64_t>(n) * 0x9E3779B97F4A7C15ull
        + static_cast<std::uint64_t>(channel) * 0xBF58476D1CE4E5B9ull;
    x ^= x >> 31;
    x *= 0x94D049BB133111EBull;
    x ^= x >> 29;
    return static_cast<double>(x >> 11) / static_cast<double>(1ull << 53) * 2.0 - 1.0;
}

// Noise that moves smoothly between points `stepMs` apart.
double smoothNoise(qint64 t, qint64 stepMs, int channel)
{
    const std::int64_t k = t / stepMs;
    const double f = static_cast<double>(t % stepMs) / static_cast<double>(stepMs);
    const double s = f * f * (3 - 2 * f);
    return hashNoise(k, channel) * (1 - s) + hashNoise(k + 1, channel) * s;
}

double ramp(double t, double t0, double t1)
{
    return std::clamp((t - t0) / (t1 - t0), 0.0, 1.0);
}

} // namespace

double EngineModel::advanceFor(double rpm)
{
    // Idle runs late for smoothness, full advance from about 6000 rpm.
    return std::clamp(8.0 + (rpm - 1200.0) * 24.0 / 4800.0, 8.0, 32.0);
}

EngineState EngineModel::at(qint64 nowMs) const
{
    if (m_frozen)
        return *m_frozen;

    const qint64 t = std::max<qint64>(0, nowMs - m_startMs);
    const qint64 cycle = t / kCycleMs;
    const double c = static_cast<double>(t % kCycleMs) / 1000.0; // seconds into the cycle

    EngineState s;
    const double idle = 1200.0 + 60.0 * smoothNoise(t, 400, 1) + 15.0 * hashNoise(t / 50, 2);
    const double peak1 = 5000.0 + 2000.0 * (0.5 + 0.5 * hashNoise(cycle, 3));
    const double peak2 = 5000.0 + 2000.0 * (0.5 + 0.5 * hashNoise(cycle, 4));
    double load = 0; // 0 idle .. 1 full throttle

    if (c < 2.0 || c >= 75.0) {
        s.running = false;
    } else if (c < 3.0) {
        s.running = true;
        s.starter = true;
        s.rpm = 280.0 + 30.0 * hashNoise(t / 50, 5);
    } else if (c < 4.0) {
        s.running = true;
        s.rpm = 300.0 + (1500.0 - 300.0) * ramp(c, 3.0, 3.5) - (1500.0 - idle) * ramp(c, 3.5, 4.0);
    } else {
        s.running = true;
        // Two rev-ups per cycle: up in 4 s, a second at the top, down in 3 s.
        const auto revUp = [&](double t0, double peak) {
            const double up = ramp(c, t0, t0 + 4.0);
            const double down = ramp(c, t0 + 5.0, t0 + 8.0);
            const double shape = up * (1.0 - down);
            load = std::max(load, c < t0 + 5.0 ? up : 0.0);
            return shape * (peak - idle);
        };
        s.rpm = idle + revUp(20.0, peak1) + revUp(45.0, peak2);
        s.load = load;
        if (s.rpm > 2000)
            s.rpm += 40.0 * hashNoise(t / 50, 6);
    }

    // The head warms while time passes; the test bench cools it little in the stops.
    s.headTempC
        = 20.0 + 65.0 * (1.0 - std::exp(-static_cast<double>(t) / 90000.0)) + 0.3 * smoothNoise(t, 3000, 7);
    s.airTempC = 25.0 + 1.0 * smoothNoise(t, 7000, 8);
    s.switch1 = (t / 17000) % 2 == 1;
    s.switch2 = (t / 23000) % 3 == 2;

    if (!s.running) {
        s.rpm = 0;
        s.lambda = 1.0;
        s.fuelPump = c >= 75.0 ? false : c < 1.0; // primes for a second before the start
        s.output2 = false;
        return s;
    }
    s.advance1Deg = advanceFor(s.rpm) + 0.3 * smoothNoise(t, 300, 9);
    s.advance2Deg = s.advance1Deg - 0.5 + 0.3 * smoothNoise(t, 300, 10);
    s.airMassKgH = std::max(4.0, s.rpm * (0.0075 + 0.012 * load));
    // Closed loop around 1.00 at idle, richer under load.
    s.lambda = 1.0 - 0.08 * load + 0.03 * std::sin(2 * kPi * static_cast<double>(t) / 1300.0)
        + 0.01 * smoothNoise(t, 200, 11);
    s.injectionDuty = std::clamp(0.03 + 0.3 * load + s.rpm / 60000.0, 0.0, 0.95);
    s.fuelPump = true;
    s.output1 = s.rpm > 4500;
    s.output2 = s.headTempC < 40; // extra air while cold
    return s;
}
