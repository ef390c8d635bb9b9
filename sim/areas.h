#pragma once

#include <QString>

class EcuSim;
struct UnitMemory;

// Command areas of the simulated unit; each registers its handlers with the
// simulator (see EcuSim for how an area plugs in).

// "t00?", "v00?", "s00?": type, firmware and serial number of the profile.
void installIdentity(EcuSim& sim);
// The poll tick's live reads: speed, outputs, inputs, angles, correction,
// analog sensors, lambda, injection time.
void installLive(EcuSim& sim);
// The status window's own reads and actions: soft-down toggle, switching
// block, ignition correction.
void installStatus(EcuSim& sim);
// The fault memory: "f" reads it (17 entries, 3 on the oldest firmware), "e"
// erases it without answering; "g" reads shorted or open inputs as such.
// Installed after installLive, whose "g" it wraps.
void installFaultMemory(EcuSim& sim);
// The crank angle sensor state: which cylinder's signal is active.
void installSensor(EcuSim& sim);

// The actuator test (code 140): mask, start, stop and the state query; a
// started test ends by itself after its duration.
void installActuatorTest(EcuSim& sim);

// Setting up the fault memory, for tests and the simulator's command line.
// Entries are numbered 1-17 in the order "f" reports them.
namespace simfaultmem {
void setPermanent(UnitMemory& memory, int entry);
// Seen `count` times (1-14).
void setSporadic(UnitMemory& memory, int entry, int count);
// One "--fault-memory" value: "3=permanent", "17=sporadic:2", "4=100" (the raw
// byte), "head-temp=short", "air-mass=open", "clear". False with `error` set
// when not understood.
bool parse(const QString& spec, UnitMemory& memory, QString* error = nullptr);
QString help();
} // namespace simfaultmem
