#pragma once

#include "core/bytes.h"
#include "racing/ignitiontable.h"
#include "shell/kit/transferscope.h"

#include <functional>
#include <optional>

class RacingContext;

// Reading and writing the ignition table byte by byte, one pacing tick before
// each paced request. No widgets: the tab shows what these report.
namespace ignition {

// Where a transfer stopped, for its box, and what a write left in the unit.
struct Result {
    TransferOutcome outcome = TransferOutcome::Done;
    int row = -1; // the band that stopped it (Incomplete)
    int cylinder = -1; // 0 or 1 (Incomplete on the 111-band scheme)
    // Bands whose every byte the unit echoed back unchanged.
    int bandsWritten = 0;
    // 111 bands: cylinder 1 of the band after those was echoed, cylinder 2 not.
    bool halfBand = false;

    // A write that stopped after the unit had taken some of the table.
    bool partlyWritten() const { return outcome != TransferOutcome::Done && (bandsWritten > 0 || halfBand); }
};

struct Listener {
    std::function<void(int address)> progress; // before each address
    std::function<void(int row)> rowChanged; // a row's cells were filled
};

// The unit reads the whole table into `table`.
Result read(RacingContext& context, IgnitionTable& table, const Listener& listener = {});

// Writes the table, testing before every write step that the engine stands.
// Stops at the first failing band; the bands before it stay stored.
Result write(RacingContext& context, const IgnitionTable& table, const Listener& listener = {});

// The reply of "r00?" says the engine stands. 76 bands: any of the three
// bytes is 255; 111 bands: the first byte is 254 or 255.
bool engineStands(BandScheme scheme, const Bytes& reply);

// What the user must know after a write that stopped midway: the unit now
// holds a mix of the old and the new table. Empty when it took nothing.
QString partialWriteText(const Result& result, const IgnitionTable& table);

// A byte cell that holds text but no table byte (0-255); only a file can
// bring one in. A write is refused before its first byte while one exists.
struct BadCell {
    int row = -1;
    int cylinder = 0;
    QString text;
};
std::optional<BadCell> firstInvalidCell(const IgnitionTable& table);

} // namespace ignition
