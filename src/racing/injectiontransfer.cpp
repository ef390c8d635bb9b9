#include "injectiontransfer.h"

#include "core/commands.h"
#include "racing/racingcontext.h"

namespace injection {

namespace {

using lambda::Cell;
using lambda::kColumns;
using lambda::kRows;

// Every cell and the flow rate are one step of the bar each.
constexpr int kSteps = kRows * kColumns + 1;

void progress(const Listener& listener, int done)
{
    if (listener.progress)
        listener.progress(done, kSteps);
}

// One paced map byte; nothing when no answer came.
std::optional<int> readByte(RacingContext& context, const Request& request)
{
    if (!context.waitPacingTick())
        return std::nullopt;
    const Reply reply = context.channel().ask(request);
    if (!reply || reply->isEmpty() || context.lost())
        return std::nullopt;
    return bytes::at(*reply, 0);
}

TransferOutcome writeByte(RacingContext& context, const Request& request, int value)
{
    if (!context.waitPacingTick())
        return TransferOutcome::LinkLost;
    switch (context.channel().write(request, Bytes(1, static_cast<char>(value)))) {
    case Echo::Ok:
        return TransferOutcome::Done;
    case Echo::Mismatch:
        return TransferOutcome::EchoMismatch;
    case Echo::Lost:
        break;
    }
    return TransferOutcome::LinkLost;
}

// The standstill check before a row; no pacing wait of its own.
TransferOutcome standstill(RacingContext& context)
{
    const Reply reply = context.channel().ask(cmd::period());
    if (context.lost())
        return TransferOutcome::LinkLost;
    // An answer that does not say the engine stands is taken as a turning one.
    if (!reply || reply->isEmpty() || reply.disturbed() || lambda::engineTurns(bytes::at(*reply, 0)))
        return TransferOutcome::EngineRunning;
    return TransferOutcome::Done;
}

} // namespace

Result read(RacingContext& context, lambda::LambdaMaps& maps, lambda::Map map, const Listener& listener)
{
    Result result;
    int done = 0;
    for (int row = 1; row <= kRows; ++row) {
        for (int column = 1; column <= kColumns; ++column) {
            const Cell cell { row, column };
            const std::array<Request, 2> requests = lambda::cellReads(map, cell);
            const std::optional<int> high = readByte(context, requests[0]);
            if (!high)
                return { TransferOutcome::LinkLost };
            const std::optional<int> low = readByte(context, requests[1]);
            if (!low)
                return { TransferOutcome::LinkLost };
            const lambda::ReadCell read = maps.setFromUnit(map, cell, *high, *low);
            if (listener.cellRead)
                listener.cellRead(cell, read);
            progress(listener, ++done);
        }
    }
    const Reply reply = context.channel().ask(cmd::flowConstantRead());
    if (!reply || reply->size() < 2 || context.lost())
        return { TransferOutcome::LinkLost };
    const lambda::Flow flow = lambda::flowFromConstant(bytes::at(*reply, 0), bytes::at(*reply, 1));
    maps.setFlow(flow.rate);
    result.flowReplaced = flow.replaced;
    progress(listener, ++done);
    return result;
}

TransferOutcome writeCell(RacingContext& context, lambda::Map map, Cell cell, int stored)
{
    const std::array<Request, 2> requests = lambda::cellWrites(map, cell, stored);
    // The low byte follows only a confirmed high byte.
    if (const TransferOutcome o = writeByte(context, requests[0], stored >> 8); o != TransferOutcome::Done)
        return o;
    return writeByte(context, requests[1], stored & 0xFF);
}

Result write(RacingContext& context, const lambda::LambdaMaps& maps, lambda::Map map, const Listener& listener)
{
    Result result;
    const auto unconfirmed = [&] {
        if (listener.unconfirmed)
            listener.unconfirmed();
    };
    int done = 0;
    for (int row = 1; row <= kRows; ++row) {
        if (const TransferOutcome o = standstill(context); o != TransferOutcome::Done)
            return { o, result.unconfirmedCells };
        for (int column = 1; column <= kColumns; ++column) {
            const Cell cell { row, column };
            const std::optional<int> stored = maps.storedValue(map, cell);
            if (!stored)
                return { TransferOutcome::Incomplete, result.unconfirmedCells };
            switch (writeCell(context, map, cell, *stored)) {
            case TransferOutcome::Done:
                break;
            case TransferOutcome::EchoMismatch:
                unconfirmed();
                ++result.unconfirmedCells;
                break;
            default:
                return { TransferOutcome::LinkLost, result.unconfirmedCells };
            }
            progress(listener, ++done);
        }
    }
    if (!context.waitPacingTick())
        return { TransferOutcome::LinkLost, result.unconfirmedCells };
    const int constant = lambda::constantFromFlow(maps.flow());
    switch (
        context.channel().write(cmd::flowConstantWrite(constant), bytes::of({ constant >> 8, constant & 0xFF }))) {
    case Echo::Ok:
        break;
    case Echo::Mismatch:
        unconfirmed();
        result.flowUnconfirmed = true;
        break;
    case Echo::Lost:
        return { TransferOutcome::LinkLost, result.unconfirmedCells };
    }
    progress(listener, ++done);
    return result;
}

QString unconfirmedText(const Result& result)
{
    QStringList names;
    if (result.unconfirmedCells == 1)
        names << QStringLiteral("1 Lambdawert");
    else if (result.unconfirmedCells > 1)
        names << QStringLiteral("%1 Lambdawerte").arg(result.unconfirmedCells);
    if (result.flowUnconfirmed)
        names << QStringLiteral("Fördermenge EV");
    return QStringLiteral("Die Übertragung ist beendet. Vom Steuergerät nicht bestätigt: %1")
        .arg(names.join(QStringLiteral(", ")));
}

} // namespace injection
