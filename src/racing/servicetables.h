#pragma once

#include "core/servicerecord.h"
#include "racing/lambdamap.h"

class IgnitionTable;
class Session;

// The racing tables as the service report prints them, and their hand-over to
// the run's service record after a complete read.
namespace servicetables {

TextTable ignition(const IgnitionTable& table);
TextTable lambdaMap(const lambda::LambdaMaps& maps, lambda::Map map);

void publish(Session& session, const IgnitionTable& table);
void publish(Session& session, const lambda::LambdaMaps& maps, lambda::Map map);

} // namespace servicetables
