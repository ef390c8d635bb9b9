#pragma once

#include <QByteArray>

#include <vector>

class EcuSim;
struct SimProfile;
struct UnitMemory;

// The unit's stored settings as the program reads and writes them: one row
// per value or table, with how its frames carry it and what the unit answers.
namespace simparams {

enum class Form {
    // One code: code, "r" or "0", filler, "?" reads; code, "w", value, "?"
    // writes and echoes. One stored byte.
    Byte,
    // As Byte, but the reply is the stored value times 1000, 24 bits, lowest byte first.
    ChargeTime,
    // One code: code, (value div 256) OR 128, value mod 256, "?" writes (bit 7
    // of the first argument marks it); without that bit it reads. Big-endian
    // 15-bit value, the reply padded with zeros to its length.
    FlaggedWord,
    // Two codes: read code + two filler bytes reads a big-endian 16-bit value;
    // write code, high, low, "?" stores and echoes it.
    Word,
    // Two codes: read code + filler reads one byte; write code, value, filler
    // writes it. A read with the argument 255 may answer a fixed standard value.
    PairedByte,
    // Two codes: read code, index, filler reads a table byte; write code,
    // index, value, "?" stores and echoes it.
    Table,
    // Write code and one or two bytes stored in the switching block, echoed;
    // the block is read as a whole with "j00?".
    SwitchingBlock,
};

struct Parameter {
    const char* name;
    int readCode; // -1 = no read of its own
    int writeCode; // the read code for the one-code forms
    Form form;
    int replyLength;
    int initial = 0; // stored value of a new unit (not for tables)
    int frameLength = 4;
    int standard = -1; // PairedByte: the answer to a read with the argument 255
    int blockOffset = 0; // SwitchingBlock: first byte written
};

const std::vector<Parameter>& all();
// The row a code reads or writes, or nullptr.
const Parameter* find(int code);
// Whether a frame of the row stores a value (decides the unit's busy time).
bool isWrite(const Parameter& p, const QByteArray& frame);

// Values of a new unit: every stored parameter and every table.
void reset(UnitMemory& memory, const SimProfile& profile);
// Registers every code of the table with the simulator.
void install(EcuSim& sim);

} // namespace simparams
