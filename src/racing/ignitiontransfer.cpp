#include "ignitiontransfer.h"

#include "core/commands.h"
#include "core/gates.h"
#include "racing/racingcontext.h"

#include <vector>

namespace ignition {

namespace {

void notify(const std::function<void(int)>& f, int value)
{
    if (f)
        f(value);
}

// A band's bytes (one per cylinder), read in a row after one pacing wait and
// trusted together once the line fell quiet after them; the quiet check runs
// within the next pacing interval. A band the line disturbed is read again.
std::optional<std::vector<int>> readBand(RacingContext& context, int address, int cylinders)
{
    std::vector<int> band;
    const bool trusted = context.channel().readTrusted(cmd::ignitionRead(0, address), [&] {
        band.clear();
        if (!context.waitPacingTick())
            return false;
        for (int cylinder = 0; cylinder < cylinders; ++cylinder) {
            const Reply reply = context.channel().askUnsettled(cmd::ignitionRead(cylinder, address));
            if (!reply || reply->isEmpty())
                return false;
            band.push_back(bytes::at(*reply, 0));
        }
        return true;
    });
    if (!trusted)
        return std::nullopt;
    return band;
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
        const std::optional<std::vector<int>> band = readBand(context, address, 1);
        if (!band)
            return lost();
        // The unit answers the gaps between the bands too; those bytes mean nothing.
        const int row = bands::rowOfAddress(BandScheme::Shared76, address);
        if (row < 0)
            continue;
        table.setByte(row, 0, band->front(), coding, CellOrigin::Unit);
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
        const std::optional<std::vector<int>> band = readBand(context, address, 2);
        if (!band)
            return lost();
        for (int cylinder = 0; cylinder < 2; ++cylinder)
            table.setByte(row, cylinder, (*band)[cylinder], coding, CellOrigin::Unit);
        notify(listener.rowChanged, row);
    }
    return {};
}

// The quiet check of a write step: a disturbed line confirms no echo (the
// write is never sent again) and no standstill.
TransferOutcome judge(RacingContext& context)
{
    switch (context.channel().settle()) {
    case LineVerdict::Clean:
        return TransferOutcome::Done;
    case LineVerdict::Disturbed:
        return TransferOutcome::EchoMismatch;
    case LineVerdict::Lost:
        break;
    }
    return TransferOutcome::LinkLost;
}

// What a write has done so far: the bands whose echoes matched, and why it stopped.
class WriteProgress {
public:
    Result& result() { return m_result; }
    void bandEchoed()
    {
        ++m_result.bandsWritten;
        m_result.halfBand = false;
    }
    // Cylinder 1 of a band was echoed, cylinder 2 not yet.
    void firstCylinderEchoed() { m_result.halfBand = true; }
    bool judged(TransferOutcome outcome) { return outcome == TransferOutcome::Done || stop(outcome); }
    bool stop(TransferOutcome outcome, int row = -1, int cylinder = -1)
    {
        m_result.outcome = outcome;
        m_result.row = row;
        m_result.cylinder = cylinder;
        return false;
    }

private:
    Result m_result;
};

// The standstill test before a write step, judged together with the echo
// before it (whose quiet check it shares, so a band costs no extra wait).
bool standsStill(RacingContext& context, BandScheme scheme, WriteProgress& progress)
{
    const Reply reply = context.channel().askUnsettled(cmd::period());
    if (!reply)
        return progress.judged(TransferOutcome::LinkLost);
    if (!progress.judged(judge(context)))
        return false;
    return engineStands(scheme, *reply) || progress.stop(TransferOutcome::EngineRunning);
}

// One paced byte write with its echo check. The echo counts once the line
// has been quiet after it: at once when `settle` (within the next pacing
// interval), else with the standstill test that follows.
TransferOutcome writeByte(RacingContext& context, int cylinder, int address, int value, bool settle)
{
    if (!context.waitPacingTick())
        return TransferOutcome::LinkLost;
    const Reply echo = context.channel().askUnsettled(cmd::ignitionWrite(cylinder, address, value));
    if (!echo)
        return context.channel().lost() ? TransferOutcome::LinkLost : TransferOutcome::EchoMismatch;
    if (*echo != Bytes(1, char(value)))
        return TransferOutcome::EchoMismatch;
    return settle ? judge(context) : TransferOutcome::Done;
}

Result writeShared(RacingContext& context, const IgnitionTable& table, const Listener& listener)
{
    WriteProgress progress;
    int row = 0;
    for (int address = 1; address <= bands::lastAddress(BandScheme::Shared76); ++address) {
        if (!standsStill(context, BandScheme::Shared76, progress))
            return progress.result();
        const std::optional<int> value = table.byteValue(row, 0);
        if (!value) {
            progress.stop(TransferOutcome::Incomplete, row, 0);
            return progress.result();
        }
        if (bands::isTableAddress(address)) {
            notify(listener.progress, address);
            if (const TransferOutcome o = writeByte(context, 0, address, *value, false);
                o != TransferOutcome::Done) {
                progress.stop(o);
                return progress.result();
            }
            progress.bandEchoed();
        }
        if (bands::isTableAddress(address + 1))
            ++row;
    }
    progress.judged(judge(context));
    return progress.result();
}

Result writePerCylinder(RacingContext& context, const IgnitionTable& table, const Listener& listener)
{
    WriteProgress progress;
    for (int address = 1; address <= bands::lastAddress(BandScheme::PerCylinder111); ++address) {
        const int row = address - 1;
        if (!standsStill(context, BandScheme::PerCylinder111, progress))
            return progress.result();
        const std::optional<int> first = table.byteValue(row, 0);
        const std::optional<int> second = table.byteValue(row, 1);
        if (!first || !second) {
            progress.stop(TransferOutcome::Incomplete, row, first ? 1 : 0);
            return progress.result();
        }
        notify(listener.progress, address);
        if (const TransferOutcome o = writeByte(context, 0, address, *first, true); o != TransferOutcome::Done) {
            progress.stop(o);
            return progress.result();
        }
        progress.firstCylinderEchoed();
        notify(listener.progress, address);
        if (const TransferOutcome o = writeByte(context, 1, address, *second, false); o != TransferOutcome::Done) {
            progress.stop(o);
            return progress.result();
        }
        progress.bandEchoed();
    }
    progress.judged(judge(context));
    return progress.result();
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
