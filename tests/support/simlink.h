#pragma once

#include "core/settings.h"
#include "shell/link.h"
#include "shell/session.h"
#include "shell/timing.h"
#include "shell/watchdog.h"
#include "sim/ecusim.h"
#include "sim/simtransport.h"
#include "support/scriptedplatform.h"

#include <QTemporaryDir>

#include <memory>

// Compresses every design interval for the lifetime of a test; timers made
// while it lives run at that scale.
struct TimeScale {
    explicit TimeScale(double factor) { timing::setScale(factor); }
    ~TimeScale() { timing::setScale(1.0); }
    TimeScale(const TimeScale&) = delete;
    TimeScale& operator=(const TimeScale&) = delete;
};

// What a window test stands on: scripted desktop, a settings file of its own,
// the in-process simulator's ports and the link over them.
struct SimLink {
    ScriptedPlatform platform;
    QTemporaryDir dir;
    SettingsFile settings { dir.path() };
    SimTransport transport;
    Link link { transport };
    Session session { link, settings };
};

// A simulated unit of `profile` on port 3, engine stopped, with the port open
// and the session holding the identity the status window would have read.
inline std::unique_ptr<EcuSim> plugInUnit(SimLink& line, const SimProfile& profile)
{
    auto sim = std::make_unique<EcuSim>(profile);
    sim->setEngine(0);
    line.transport.addUnit(3, sim.get());
    line.link.openPort(3);
    UnitIdentity id;
    id.setFirmware(profile.firmware);
    id.setUnitType(profile.unitType);
    line.session.setIdentity(id);
    return sim;
}

// A simulated unit on port 3 with the port open: where link and kit tests start.
struct OpenSimUnit : SimLink {
    static constexpr int kPort = 3;
    EcuSim sim { QStringLiteral("injection-rx4") };
    OpenSimUnit()
    {
        transport.addUnit(kPort, &sim);
        link.openPort(kPort);
    }
};
