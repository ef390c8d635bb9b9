#include "ignitiontransfer.h"

#include "core/commands.h"
#include "core/gates.h"
#include "racing/racingcontext.h"

namespace ignition {

namespace {

void notify(const std::function<void(int)>& f, int value)
{
    if (f)
        f(value);
}

// One paced byte read; nothing when no reply came.
std::optional<int> pacedRead(RacingContext& context, int cylinder, int address, bool paced)
{
    if (paced && !context.waitPacingTick())
        return std::nullopt;
    return context.channel().readByte(cmd::ignitionRead(cylinder, address));
}

Result lost()
{
    return { TransferOutcome::LinkLost };
}

Result readShared(RacingContext& context, IgnitionTable& table, const Listener& listener)
{
    if (gates::slowTablePacing(context.unit()))
        context.useSlowPacing();
    const AngleCoding coding = context.gridCoding();
    for (int address = 1; address <= bands::lastAddress(BandScheme::Shared76); ++address) {
        notify(listener.progress, address);
        const std::optional<int> byte = pacedRead(context, 0, address, true);
        if (!byte)
            return lost();
        // The unit answers the gaps between the bands too; those bytes mean nothing.
        const int row = bands::rowOfAddress(BandScheme::Shared76, address);
        if (row < 0)
            continue;
        table.setByte(row, 0, *byte, coding, CellOrigin::Unit);
        notify(listener.rowChanged, row);
    }
    return {};
}

Result readPerCylinder(RacingContext& context, IgnitionTable& table, const Listener& listener)
{
    const AngleCoding coding = context.gridCoding();
    for (int address = 1; address <= bands::lastAddress(BandScheme::PerCylinder111); ++address) {
        const int row = address - 1;
        notify(listener.progress, address);
        // Cylinder 2 follows at once: the pacing tick covers the pair.
        for (int cylinder = 0; cylinder < 2; ++cylinder) {
            const std::optional<int> byte = pacedRead(context, cylinder, address, cylinder == 0);
            if (!byte)
                return lost();
            table.setByte(row, cylinder, *byte, coding, CellOrigin::Unit);
        }
        notify(listener.rowChanged, row);
    }
    return {};
}

// The standstill test before a write step; nothing when the link was lost.
std::optional<bool> standing(RacingContext& context, BandScheme scheme)
{
    const Reply reply = context.channel().ask(cmd::period());
    if (!reply)
        return std::nullopt;
    return engineStands(scheme, *reply);
}

// One paced byte write with its echo check.
Result writeByte(RacingContext& context, int cylinder, int address, int value)
{
    if (!context.waitPacingTick())
        return lost();
    switch (context.channel().write(cmd::ignitionWrite(cylinder, address, value), Bytes(1, char(value)))) {
    case Echo::Ok:
        return {};
    case Echo::Mismatch:
        return { TransferOutcome::EchoMismatch };
    case Echo::Lost:
        break;
    }
    return lost();
}

Result writeShared(RacingContext& context, const IgnitionTable& table, const Listener& listener)
{
    int row = 0;
    for (int address = 1; address <= bands::lastAddress(BandScheme::Shared76); ++address) {
        const std::optional<bool> stands = standing(context, BandScheme::Shared76);
        if (!stands)
            return lost();
        if (!*stands)
            return { TransferOutcome::EngineRunning };
        const std::optional<int> value = table.byteValue(row, 0);
        if (!value)
            return { TransferOutcome::Incomplete, row, 0 };
        if (bands::isTableAddress(address)) {
            notify(listener.progress, address);
            if (const Result r = writeByte(context, 0, address, *value); r.outcome != TransferOutcome::Done)
                return r;
        }
        if (bands::isTableAddress(address + 1))
            ++row;
    }
    return {};
}

Result writePerCylinder(RacingContext& context, const IgnitionTable& table, const Listener& listener)
{
    for (int address = 1; address <= bands::lastAddress(BandScheme::PerCylinder111); ++address) {
        const int row = address - 1;
        const std::optional<bool> stands = standing(context, BandScheme::PerCylinder111);
        if (!stands)
            return lost();
        if (!*stands)
            return { TransferOutcome::EngineRunning };
        const std::optional<int> first = table.byteValue(row, 0);
        if (!first)
            return { TransferOutcome::Incomplete, row, 0 };
        const std::optional<int> second = table.byteValue(row, 1);
        if (!second)
            return { TransferOutcome::Incomplete, row, 1 };
        notify(listener.progress, address);
        if (const Result r = writeByte(context, 0, address, *first); r.outcome != TransferOutcome::Done)
            return r;
        notify(listener.progress, address);
        if (const Result r = writeByte(context, 1, address, *second); r.outcome != TransferOutcome::Done)
            return r;
    }
    return {};
}

} // namespace

// Timer1 needs no stopping first: a pacing wait stops it when it ends.
Result read(RacingContext& context, IgnitionTable& table, const Listener& listener)
{
    return table.scheme() == BandScheme::Shared76 ? readShared(context, table, listener)
                                                  : readPerCylinder(context, table, listener);
}

Result write(RacingContext& context, const IgnitionTable& table, const Listener& listener)
{
    return table.scheme() == BandScheme::Shared76 ? writeShared(context, table, listener)
                                                  : writePerCylinder(context, table, listener);
}

bool engineStands(BandScheme scheme, const Bytes& reply)
{
    if (scheme == BandScheme::PerCylinder111)
        return !reply.isEmpty() && bytes::at(reply, 0) >= 254;
    for (int i = 0; i < std::min<int>(3, reply.size()); ++i)
        if (bytes::at(reply, i) == 255)
            return true;
    return false;
}

std::optional<BadCell> firstInvalidCell(const IgnitionTable& table)
{
    const int cylinders = table.scheme() == BandScheme::PerCylinder111 ? 2 : 1;
    for (int row = 0; row < table.rows(); ++row)
        for (int cylinder = 0; cylinder < cylinders; ++cylinder) {
            const QString& text = table.byteText(row, cylinder);
            if (!text.isEmpty() && !table.byteValue(row, cylinder))
                return BadCell { row, cylinder, text };
        }
    return std::nullopt;
}

} // namespace ignition
