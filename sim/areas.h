#pragma once

class EcuSim;

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
// Erasing the fault memory.
void installFaultMemory(EcuSim& sim);
// The crank angle sensor state: which cylinder's signal is active.
void installSensor(EcuSim& sim);
