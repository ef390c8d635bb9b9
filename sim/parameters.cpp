#include "parameters.h"

#include "ecusim.h"

#include <algorithm>
#include <cmath>

namespace simparams {

namespace {

constexpr int kErased = 0xFFFF;

int byteAt(const QByteArray& frame, int i)
{
    return i < frame.size() ? static_cast<unsigned char>(frame.at(i)) : 0;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(static_cast<char>(v & 0xFF));
    return out;
}

// The reply that carries a stored scalar.
QByteArray encode(const Parameter& p, int value)
{
    switch (p.form) {
    case Form::ChargeTime: {
        const int count = (value & 0xFF) * 1000;
        return bytes({ count, count >> 8, count >> 16 });
    }
    case Form::FlaggedWord:
    case Form::Word:
        return bytes({ value >> 8, value }).leftJustified(p.replyLength, '\0');
    default:
        return bytes({ value });
    }
}

// Missing values read as erased memory, all bits set.
int& stored(UnitMemory& memory, int code)
{
    return memory.parameters.try_emplace(code, kErased).first->second;
}

using Table = std::array<quint8, 256>;

Table erasedTable()
{
    Table t;
    t.fill(0xFF);
    return t;
}

QByteArray answer(EcuSim& sim, const Parameter& p, const QByteArray& frame)
{
    UnitMemory& memory = sim.memory();
    const bool write = isWrite(p, frame);
    switch (p.form) {
    case Form::Byte:
    case Form::ChargeTime: {
        int& value = stored(memory, p.readCode);
        if (write)
            value = byteAt(frame, 2);
        return encode(p, value);
    }
    case Form::FlaggedWord: {
        int& value = stored(memory, p.readCode);
        if (write)
            value = (byteAt(frame, 1) & 0x7F) << 8 | byteAt(frame, 2);
        return encode(p, value);
    }
    case Form::Word: {
        int& value = stored(memory, p.readCode);
        if (write)
            value = byteAt(frame, 1) << 8 | byteAt(frame, 2);
        return encode(p, value);
    }
    case Form::PairedByte: {
        int& value = stored(memory, p.readCode);
        if (write)
            value = byteAt(frame, 1);
        else if (p.standard >= 0 && byteAt(frame, 1) == 255)
            return encode(p, p.standard);
        return encode(p, value);
    }
    case Form::Table: {
        Table& table = memory.tables.try_emplace(p.readCode, erasedTable()).first->second;
        quint8& cell = table[byteAt(frame, 1)];
        if (write)
            cell = static_cast<quint8>(byteAt(frame, 2));
        return bytes({ cell });
    }
    case Form::SwitchingBlock: {
        const QByteArray values = frame.mid(1, p.replyLength);
        for (int i = 0; i < values.size(); ++i)
            memory.switching[p.blockOffset + i] = static_cast<quint8>(values.at(i));
        return values;
    }
    }
    return {};
}

// Per speed band the angle the engine model runs at, below the usual sensor
// position and lead angle. `laterTenths` retards the bands from 2000 rpm up,
// reaching the full amount at 6000 rpm.
Table ignitionTable(int leadAngle, int sensorAngle, double laterTenths = 0)
{
    Table t = erasedTable();
    for (int address = 1; address <= 111; ++address) {
        const int row = address - 1;
        const double rpm = row < 20 ? row * 50 + 25 : row < 110 ? 1001 + (row - 20) * 100 + 50 : 10001;
        const double later = laterTenths * std::clamp((rpm - 2000) / 4000, 0.0, 1.0);
        const long b = std::lround(sensorAngle - leadAngle - EngineModel::advanceFor(rpm) * 10 + later);
        t[address] = static_cast<quint8>(std::clamp(b, 0L, 255L));
    }
    return t;
}

// Target lambda per air-mass row, in hundredths: 1.00 at part load, richer
// towards full load; the top speed bands richer still. Map 2 is the richer
// map for racing. A cell is N = 1024 / lambda, big-endian; each speed column
// is a block of 20 bytes, map 2 lies 128 above map 1.
Table lambdaMaps()
{
    constexpr int rowHundredths[10] = { 100, 100, 98, 96, 94, 92, 90, 89, 88, 87 };
    constexpr int columnRicher[6] = { 0, 0, 0, 1, 2, 3 };
    constexpr int map2Richer = 5;
    Table t = erasedTable();
    for (int map = 1; map <= 2; ++map) {
        for (int column = 1; column <= 6; ++column) {
            for (int row = 1; row <= 10; ++row) {
                const int hundredths
                    = rowHundredths[row - 1] - columnRicher[column - 1] - (map == 2 ? map2Richer : 0);
                const long n = std::lround(102400.0 / hundredths);
                const int address = 20 * (column - 1) + 2 * row - 1 + (map == 2 ? 128 : 0);
                t[address] = static_cast<quint8>(n >> 8);
                t[address + 1] = static_cast<quint8>(n & 0xFF);
            }
        }
    }
    return t;
}

Table chokeTable()
{
    Table t = erasedTable();
    for (int band = 0; band < 6; ++band) {
        t[band] = static_cast<quint8>(2 + 2 * band); // warm-up enrichment, colder bands richer
        t[6 + band] = static_cast<quint8>(4 + 4 * band); // cranking enrichment
        t[12 + 2 * band] = 34; // warm-up end: about 4 degrees, low byte first
        t[13 + 2 * band] = 0;
    }
    t[24] = 103; // hot start above about 93 degrees: count 103, low byte first
    t[25] = 0;
    t[26] = 0; // no hot-start enrichment
    return t;
}

Table warmUpAdaptation()
{
    Table t = erasedTable();
    std::fill_n(t.begin(), 6, quint8 { 0 });
    return t;
}

} // namespace

const std::vector<Parameter>& all()
{
    // Initial values lie inside what the program accepts without a warning.
    static const std::vector<Parameter> table = {
        // Switching module inputs.
        { "inputOneMode", '\\', '\\', Form::Byte, 1, 255 },
        { "inputOneRetard", '~', '~', Form::Byte, 1, 35 },
        { "inputTwoMode", 148, 148, Form::Byte, 1, 255 },
        { "inputTwoEnrichment", 135, 135, Form::Byte, 1, 3 },
        // Switching module outputs, read back through "j00?".
        { "outputOneMode", -1, 'u', Form::SwitchingBlock, 1, 0, 4, -1, 0 },
        { "outputTwoMode", -1, 'w', Form::SwitchingBlock, 1, 0, 4, -1, 5 },
        { "thresholdOne", -1, 'x', Form::SwitchingBlock, 2, 0, 4, -1, 6 },
        { "thresholdTwo", -1, 'y', Form::SwitchingBlock, 2, 0, 4, -1, 8 },
        // Coils, sensor and fuel pump.
        { "pumpPrePressure", 127, 127, Form::Byte, 1, 5 },
        { "coilChargeTime", 129, 129, Form::ChargeTime, 3, 40 },
        { "coilType", 152, 152, Form::Byte, 1, 1 },
        { "coilDelay", 153, 153, Form::FlaggedWord, 4, 2200 },
        { "leadAngle", 154, 154, Form::Byte, 1, 50 },
        { "dwellStart", 158, 158, Form::Byte, 1, 100 },
        // Soft-down and idle settings.
        { "softDownTime", 'o', 'p', Form::PairedByte, 1, 255, 4, 5 },
        { "idleControl", 'h', 'h', Form::FlaggedWord, 2, 780 - 395 },
        { "staticAngle", 134, 134, Form::Byte, 1, 122 },
        // Air mass.
        { "airMassSampling", 143, 143, Form::Byte, 1, 10 },
        { "fullLoadAirMass", 141, 142, Form::Word, 2, 665 },
        { "flowConstant", 96, 95, Form::Word, 2, 2433 },
        // Load change and overrun.
        { "loadChangeSensitivity", 136, 136, Form::Byte, 1, 25 },
        { "loadChangeEnrichment", 137, 137, Form::Byte, 1, 2 },
        { "loadChangeAdvance", 138, 138, Form::Byte, 1, 15 },
        { "loadChangeDuration", 139, 139, Form::Byte, 1, 10 },
        { "maxLoadChangeAirMass", 147, 146, Form::Word, 2, 800 },
        { "overrunDuration", 145, 145, Form::Byte, 1, 10 },
        { "overrunLeaning", 133, 133, Form::Byte, 1, 3 },
        { "overrunSensitivity", 132, 132, Form::Byte, 1, 20 },
        // Tables.
        { "ignitionTable1", 'b', 'a', Form::Table, 1 },
        { "ignitionTable2", 'm', '{', Form::Table, 1 },
        { "lambdaMaps", 125, 124, Form::Table, 1 },
        { "choke", 131, 130, Form::Table, 1 },
        { "warmUpAdaptation", 150, 149, Form::Table, 1 },
    };
    return table;
}

const Parameter* find(int code)
{
    for (const Parameter& p : all())
        if (p.readCode == code || p.writeCode == code)
            return &p;
    return nullptr;
}

bool isWrite(const Parameter& p, const QByteArray& frame)
{
    switch (p.form) {
    case Form::Byte:
    case Form::ChargeTime:
        return byteAt(frame, 1) == 'w';
    case Form::FlaggedWord:
        return (byteAt(frame, 1) & 0x80) != 0;
    case Form::SwitchingBlock:
        return true;
    default:
        return byteAt(frame, 0) == p.writeCode;
    }
}

void reset(UnitMemory& memory, const SimProfile& profile)
{
    memory.parameters.clear();
    for (const Parameter& p : all())
        if (p.form != Form::Table && p.form != Form::SwitchingBlock)
            memory.parameters[p.readCode] = p.initial;
    if (!profile.injectorConfigured)
        memory.parameters[simcodes::kInjector] = 0xFFFF;

    memory.tables.clear();
    const int leadAngle = memory.parameters[simcodes::kAngleOffset];
    memory.tables['b'] = ignitionTable(leadAngle, memory.sensorAngle);
    // Cylinder 2 runs a little later at speed, as the engine model's second
    // cylinder does, so both curves can be told apart.
    memory.tables['m'] = ignitionTable(leadAngle, memory.sensorAngle, 5);
    memory.tables[simcodes::kLambdaMaps] = lambdaMaps();
    memory.tables[131] = chokeTable();
    memory.tables[150] = warmUpAdaptation();
}

void install(EcuSim& sim)
{
    for (const Parameter& p : all()) {
        const auto handler = [&sim, &p](const QByteArray& frame, qint64) { return answer(sim, p, frame); };
        const auto writes = [&p](const QByteArray& frame) { return isWrite(p, frame); };
        if (p.readCode >= 0)
            sim.setHandler(p.readCode, p.frameLength, handler, writes);
        if (p.writeCode != p.readCode)
            sim.setHandler(p.writeCode, p.frameLength, handler, writes);
    }
}

} // namespace simparams
