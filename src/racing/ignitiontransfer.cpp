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
TransferOutcome writeByte(RacingContext& context, int cylinder, int address, int value)
{
    if (!context.waitPacingTick())
        return TransferOutcome::LinkLost;
    switch (context.channel().write(cmd::ignitionWrite(cylinder, address, value), Bytes(1, char(value)))) {
    case Echo::Ok:
        return TransferOutcome::Done;
    case Echo::Mismatch:
        return TransferOutcome::EchoMismatch;
    case Echo::Lost:
        break;
    }
    return TransferOutcome::LinkLost;
}

// Each write step checks the standstill, the cells and then writes with echo;
// `result` counts what the unit confirmed and, on a stop, says why.
bool stop(Result& result, TransferOutcome outcome, int row = -1, int cylinder = -1)
{
    result.outcome = outcome;
    result.row = row;
    result.cylinder = cylinder;
    return false;
}

bool standsStill(RacingContext& context, BandScheme scheme, Result& result)
{
    const std::optional<bool> stands = standing(context, scheme);
    if (!stands)
        return stop(result, TransferOutcome::LinkLost);
    if (!*stands)
        return stop(result, TransferOutcome::EngineRunning);
    return true;
}

bool written(RacingContext& context, int cylinder, int address, int value, Result& result)
{
    const TransferOutcome outcome = writeByte(context, cylinder, address, value);
    return outcome == TransferOutcome::Done || stop(result, outcome);
}

Result writeShared(RacingContext& context, const IgnitionTable& table, const Listener& listener)
{
    Result result;
    int row = 0;
    for (int address = 1; address <= bands::lastAddress(BandScheme::Shared76); ++address) {
        if (!standsStill(context, BandScheme::Shared76, result))
            return result;
        const std::optional<int> value = table.byteValue(row, 0);
        if (!value) {
            stop(result, TransferOutcome::Incomplete, row, 0);
            return result;
        }
        if (bands::isTableAddress(address)) {
            notify(listener.progress, address);
            if (!written(context, 0, address, *value, result))
                return result;
            ++result.bandsWritten;
        }
        if (bands::isTableAddress(address + 1))
            ++row;
    }
    return result;
}

Result writePerCylinder(RacingContext& context, const IgnitionTable& table, const Listener& listener)
{
    Result result;
    for (int address = 1; address <= bands::lastAddress(BandScheme::PerCylinder111); ++address) {
        const int row = address - 1;
        if (!standsStill(context, BandScheme::PerCylinder111, result))
            return result;
        const std::optional<int> first = table.byteValue(row, 0);
        const std::optional<int> second = table.byteValue(row, 1);
        if (!first || !second) {
            stop(result, TransferOutcome::Incomplete, row, first ? 1 : 0);
            return result;
        }
        notify(listener.progress, address);
        if (!written(context, 0, address, *first, result))
            return result;
        result.halfBand = true;
        notify(listener.progress, address);
        if (!written(context, 1, address, *second, result))
            return result;
        result.halfBand = false;
        ++result.bandsWritten;
    }
    return result;
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

QString partialWriteText(const Result& result, const IgnitionTable& table)
{
    if (!result.partlyWritten())
        return {};
    const int bands = result.bandsWritten;
    QString text = QStringLiteral("Das Steuergerät enthält jetzt eine teilweise geschriebene Zündwinkeltabelle: "
                                  "%1 von %2 Drehzahlbereichen %3 geschrieben.")
                       .arg(bands)
                       .arg(table.rows())
                       .arg(bands == 1 ? QStringLiteral("wurde") : QStringLiteral("wurden"));
    if (result.halfBand)
        text += QStringLiteral(" Im Drehzahlbereich %1 U/min wurde nur Zylinder 1 geschrieben.")
                    .arg(table.label(bands));
    return text + QStringLiteral(" Schreiben Sie die Zündwinkeltabelle erneut vollständig in das Steuergerät!");
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
