#pragma once

#include "racing/lambdamap.h"
#include "shell/kit/transferscope.h"

#include <functional>

class RacingContext;

// Reading and writing one lambda map cell by cell, one pacing tick before
// each map request, and the flow constant after it. No widgets: the tab
// shows what these report.
namespace injection {

struct Listener {
    // Moves the bar; `done` of `total` steps are behind.
    std::function<void(int done, int total)> progress;
    // A cell was read; its invalid flag asks for the box.
    std::function<void(lambda::Cell cell, const lambda::ReadCell& read)> cellRead;
    // A value of a write that the unit did not confirm; the write goes on.
    std::function<void()> unconfirmed;
};

struct Result {
    TransferOutcome outcome = TransferOutcome::Done;
    int unconfirmedCells = 0; // cells whose bytes the unit echoed otherwise
    bool flowUnconfirmed = false;
    bool flowReplaced = false; // a read's flow rate was outside 150-650: 178 and its box

    bool confirmed() const { return unconfirmedCells == 0 && !flowUnconfirmed; }
};

// The map's 60 cells into `maps`, then the flow rate. Stops at once when the
// link is lost; the cells read so far stay.
Result read(RacingContext& context, lambda::LambdaMaps& maps, lambda::Map map, const Listener& listener = {});

// The map's 60 cells and the flow rate. The caller has refused a map with a
// cell that cannot be sent. Before each row the engine must stand; a cell the
// unit echoes otherwise is counted and the write goes on.
Result write(
    RacingContext& context, const lambda::LambdaMaps& maps, lambda::Map map, const Listener& listener = {});

// One cell: its high byte and, when the unit echoed that, its low byte.
// Done, EchoMismatch or LinkLost.
TransferOutcome writeCell(RacingContext& context, lambda::Map map, lambda::Cell cell, int stored);

// What the end of a write names when the unit did not confirm everything.
QString unconfirmedText(const Result& result);

} // namespace injection
