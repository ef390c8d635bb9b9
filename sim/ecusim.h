#pragma once

#include "profile.h"

#include <QByteArray>
#include <QList>

#include <functional>
#include <map>
#include <vector>

// Faults a test or a user can inject into the simulated unit.
struct SimFaults {
    bool silent = false;        // answer nothing at all
    int shortBy = 0;            // leave out the last N bytes of every reply
    int lateMs = 0;             // answer this much later than the wire would
    bool garbage = false;       // answer random bytes of the right length
    int dropAfter = -1;         // after this many commands go silent for good (-1 = never)
    int ignoreFirst = 0;        // leave the first N commands unanswered
    int extraBytes = 0;         // append N bytes to every reply
};

// A model of the engine control unit: a table of command handlers over the
// unit's state, answering byte frames as the real unit does. Qt Core only, no
// I/O: a transport feeds it bytes and sends back what it returns.
class EcuSim {
public:
    explicit EcuSim(const SimProfile& profile);
    explicit EcuSim(const QString& profileName);

    const SimProfile& profile() const { return m_profile; }
    SimFaults& faults() { return m_faults; }

    // Bytes from the program at time `nowMs`; frames may arrive in pieces.
    // Returns the reply bytes, empty when nothing is to be sent.
    QByteArray feed(const QByteArray& in, qint64 nowMs = 0);

    // Every complete command received, in order.
    const std::vector<QByteArray>& received() const { return m_received; }
    void clearReceived() { m_received.clear(); }
    // Commands answered since creation (after faults).
    int commandCount() const { return m_commandCount; }

    // A handler gets the whole frame and the time, returns the reply.
    using Handler = std::function<QByteArray(const QByteArray& frame, qint64 nowMs)>;
    // Registers the handler for a command code with its frame length.
    void setHandler(int code, int frameLength, Handler handler);

private:
    void installHandlers();
    QByteArray applyFaults(QByteArray reply);

    SimProfile m_profile;
    SimFaults m_faults;
    struct Command {
        int frameLength = 4;
        Handler handler;
    };
    std::map<int, Command> m_commands;
    QByteArray m_pending;
    std::vector<QByteArray> m_received;
    int m_commandCount = 0;
    quint32 m_random = 12345;
};
