#include "areas.h"
#include "ecusim.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

namespace {

constexpr int kSensorState = 155;
constexpr quint8 kNoValidState = 255;

// The crank's turn, followed from one request to the next so that a changing
// speed moves the phase smoothly instead of jumping with it.
struct Crank {
    double turns = 0;
    std::optional<qint64> lastMs;

    // Cylinder 1's signal is active in the first half of every turn.
    quint8 stateAt(const EngineState& engine, qint64 nowMs)
    {
        const qint64 elapsed = lastMs ? std::max<qint64>(0, nowMs - *lastMs) : 0;
        lastMs = nowMs;
        if (!engine.running)
            return kNoValidState;
        turns += engine.rpm * static_cast<double>(elapsed) / 60000.0;
        const double phase = turns - std::floor(turns);
        return phase < 0.5 ? 1 : 0;
    }
};

} // namespace

void installSensor(EcuSim& sim)
{
    auto crank = std::make_shared<Crank>();
    sim.setHandler(kSensorState, 4, [&sim, crank](const QByteArray&, qint64 nowMs) {
        return QByteArray(1, static_cast<char>(crank->stateAt(sim.engine().at(nowMs), nowMs)));
    });
}
