#include "areas.h"
#include "ecusim.h"

void installFaultMemory(EcuSim& sim)
{
    // The program does not wait for an answer to the erase, so there is none.
    sim.setHandler('e', 4, [&sim](const QByteArray&, qint64) {
        sim.memory().faultEntries.fill(255);
        return QByteArray();
    });
}
