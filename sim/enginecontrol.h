#pragma once

#include <QString>

class EcuSim;

// How the simulated engine runs, set at start ("--engine MODE") or while the
// simulator serves (a line "engine MODE" on its control input).
namespace simengine {

// "cycle": the engine model's own stop-start-rev cycle; "stopped": the engine
// stands, so the ignition table can be written; a number: held at that rpm
// (0 stands). Applies it to `sim`; false with `error` set when not understood.
bool apply(const QString& mode, EcuSim& sim, QString* error = nullptr);

// One control line, "engine MODE". Blank lines do nothing and report nothing;
// otherwise `report` gets a short line on what changed or why not.
bool command(const QString& line, EcuSim& sim, QString* report);

// The accepted modes, for --help.
QString help();

} // namespace simengine
