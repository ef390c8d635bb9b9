#include "parametertransfer.h"

#include "racing/racingcontext.h"
#include "shell/kit/boxes.h"

std::optional<int> readParameter(RacingContext& context, const ParameterRead& row)
{
    const Reply reply = context.channel().ask(row.request);
    if (!reply || reply->size() < std::max(row.request.replyLength, 1))
        return std::nullopt;
    const int value = row.decode ? row.decode(*reply) : bytes::at(*reply, 0);
    if (row.invalidText.isEmpty() || (value >= row.min && value <= row.max))
        return value;
    if (row.box == ParameterRead::Box::Hint)
        boxes::defaultUsedHint(context.window(), row.invalidText);
    else
        boxes::defaultUsed(context.window(), row.invalidText);
    return row.standard;
}

ParameterTransfer::ParameterTransfer(RacingContext& context, int progress)
    : m_context(context)
    , m_scope(context.parameterTransfer(), QString())
    , m_progress(progress)
{
    m_scope.progress(progress);
}

ParameterTransfer::~ParameterTransfer() = default;

void ParameterTransfer::setProgress(int value)
{
    m_progress = value;
    m_scope.progress(value);
}

bool ParameterTransfer::write(
    const Request& request, const Bytes& echo, OnMismatch onMismatch, const QString& name)
{
    return write(
        request, [echo](const Bytes& reply) { return reply == echo; }, onMismatch, name);
}

bool ParameterTransfer::write(
    const Request& request, const EchoTest& test, OnMismatch onMismatch, const QString& name)
{
    const Reply reply = m_context.channel().ask(request);
    if (m_context.lost()) {
        m_stopped = true;
        return false;
    }
    // A disturbed echo confirms nothing, whatever its bytes say.
    if (reply && !reply.disturbed() && reply->size() == request.replyLength && test(*reply))
        return true;
    boxes::transferError(m_context.window());
    if (onMismatch == OnMismatch::Stop) {
        m_stopped = true;
        setProgress(RacingContext::kProgressMin);
        return false;
    }
    m_unconfirmed.append(name.isEmpty() ? QString::fromLatin1(request.frame.left(1).toHex()) : name);
    return true;
}

void ParameterTransfer::finish(const QString& completionText)
{
    if (m_stopped)
        return;
    if (m_unconfirmed.isEmpty())
        m_context.completion(completionText);
    else
        boxes::transferError(m_context.window(), kNotConfirmed.arg(m_unconfirmed.join(QStringLiteral(", "))));
}
