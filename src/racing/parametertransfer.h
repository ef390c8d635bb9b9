#pragma once

#include "shell/kit/boxes.h"

#include "core/commands.h"
#include "shell/kit/transferscope.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class RacingContext;

// How a read value is checked: a value outside [min, max] gives its box and
// the standard value instead.
struct ParameterRead {
    enum class Box {
        Hint, // an information box titled "Hinweis"
        Plain, // a plain box under the program's title
    };

    // A value taken as it comes.
    ParameterRead(Request request)
        : request(std::move(request))
    {
    }
    ParameterRead(Request request, int min, int max, int standard, QString invalidText, Box box = Box::Hint,
        int (*decode)(const Bytes&) = nullptr)
        : request(std::move(request))
        , min(min)
        , max(max)
        , standard(standard)
        , invalidText(std::move(invalidText))
        , box(box)
        , decode(decode)
    {
    }

    Request request; // what is sent; the reply length comes with it
    int min = 0;
    int max = 255;
    int standard = 0;
    QString invalidText; // empty: values outside the range are taken as they are
    Box box = Box::Hint;
    // The reply to a value; by default its first byte.
    int (*decode)(const Bytes& reply) = nullptr;

    // The first two bytes of a reply, high byte first.
    static int word(const Bytes& reply) { return bytes::bigEndian16(reply, 0); }
};

// One parameter from the unit, checked by its row: the value, or the row's
// standard after its box. Nothing when no answer came; the caller asks the
// context whether the link was lost.
std::optional<int> readParameter(RacingContext& context, const ParameterRead& row);

// What a write's answer must be: the value bytes the unit echoes, or a test
// of the decoded answer.
using EchoTest = std::function<bool(const Bytes& reply)>;

// One read or write of a tab's parameters from start to end. The progress
// bar stands at the transfer's value while it runs; leaving the scope puts
// it back to rest and clears the status text, however the transfer ends.
// Nothing is locked: a close asked for meanwhile follows the transfer.
class ParameterTransfer {
public:
    // What a write that the unit did not confirm does to the rest.
    enum class OnMismatch {
        Stop, // "Übertragungsfehler", the bar to rest, nothing more is sent
        GoOn, // "Übertragungsfehler", the rest is sent; the end names it
    };

    static inline const QString kNotConfirmed = boxes::kNotConfirmed;

    explicit ParameterTransfer(RacingContext& context, int progress);
    ~ParameterTransfer();
    ParameterTransfer(const ParameterTransfer&) = delete;
    ParameterTransfer& operator=(const ParameterTransfer&) = delete;

    int progress() const { return m_progress; }
    void setProgress(int value);
    void advance(int by) { setProgress(m_progress + by); }

    // One write whose answer must equal `echo`. False when the transfer ends
    // here: the link is lost, or the unit stored something else under Stop.
    // `name` says in the end box what was not confirmed (GoOn).
    bool write(const Request& request, const Bytes& echo, OnMismatch onMismatch = OnMismatch::Stop,
        const QString& name = {});
    bool write(const Request& request, const EchoTest& test, OnMismatch onMismatch = OnMismatch::Stop,
        const QString& name = {});

    // Every write so far was confirmed.
    bool confirmed() const { return m_unconfirmed.isEmpty() && !m_stopped; }
    // The end of a transfer that ran through: the completion box (unless
    // NoUpdateMsg), or, when a write went on unconfirmed, the box that names it.
    void finish(const QString& completionText);

private:
    RacingContext& m_context;
    TransferScope m_scope;
    int m_progress;
    QStringList m_unconfirmed;
    bool m_stopped = false;
};
