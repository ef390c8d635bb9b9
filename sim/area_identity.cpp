#include "areas.h"
#include "ecusim.h"

void installIdentity(EcuSim& sim)
{
    const auto fixed = [](QByteArray reply) { return [reply](const QByteArray&, qint64) { return reply; }; };
    sim.setHandler('t', 4, fixed(sim.profile().unitType));
    sim.setHandler('v', 4, fixed(sim.profile().firmware));
    sim.setHandler('s', 4, fixed(sim.profile().serial));
}
