#pragma once

#include <QtGlobal>

#include <optional>

// What the engine does at one moment, in physical units. The unit's handlers
// turn this into reply bytes.
struct EngineState {
    bool running = false;
    double rpm = 0;
    double advance1Deg = 0; // ignition angle before top dead centre, cylinder 1
    double advance2Deg = 0; // the same, cylinder 2
    double headTempC = 20;
    double airTempC = 25;
    double airMassKgH = 0;
    double lambda = 1.0; // only meaningful while running
    double injectionDuty = 0; // fraction of the period the injector is open
    double load = 0; // throttle opening, 0 closed .. 1 wide open
    bool switch1 = false; // input bits, active-high here
    bool switch2 = false;
    bool starter = false;
    bool fuelPump = false; // output bits
    bool output1 = false;
    bool output2 = false;
};

// A deterministic engine: the state is a pure function of the time since
// `startMs`, so a given start gives the same replies every run. Cycles through
// a stop, a start, idle with jitter, rev-ups and a stop again, while the head
// warms up over a few minutes.
class EngineModel {
public:
    static constexpr qint64 kCycleMs = 90000;

    void setStartMs(qint64 startMs) { m_startMs = startMs; }
    qint64 startMs() const { return m_startMs; }

    EngineState at(qint64 nowMs) const;

    // Holds the engine in one state until unfreeze().
    void freeze(const EngineState& state) { m_frozen = state; }
    void unfreeze() { m_frozen.reset(); }
    bool frozen() const { return m_frozen.has_value(); }

    // Ignition angle the unit runs at a speed.
    static double advanceFor(double rpm);

private:
    qint64 m_startMs = 0;
    std::optional<EngineState> m_frozen;
};
