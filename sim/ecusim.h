#pragma once

#include "enginemodel.h"
#include "profile.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <functional>
#include <map>
#include <vector>

// Faults a test or a user can inject into the simulated unit.
struct SimFaults {
    bool silent = false; // answer nothing at all
    int shortBy = 0; // leave out the last N bytes of every reply
    int lateMs = 0; // answer this much later than the wire would
    bool garbage = false; // answer random bytes of the right length
    int dropAfter = -1; // after this many commands go silent for good (-1 = never)
    int ignoreFirst = 0; // leave the first N commands unanswered
    int extraBytes = 0; // append N bytes to every reply
};

namespace simfaults {
// One "--fault" value: "silent", "short=1", "late=800", "garbage", "drop-after=20",
// "ignore-first=2", "extra=3". Adds it to `faults`; false with `error` set when unknown.
bool parse(const QString& spec, SimFaults& faults, QString* error = nullptr);
// The accepted forms, for --help.
QString help();
} // namespace simfaults

// The unit's stored values, read and written by the command handlers.
struct UnitMemory {
    quint8 softDown = 0; // "n": 9 = soft-down deactivated
    quint8 softDownActive = 0; // the value "n" returns to when it activates again
    quint8 correction = 0; // "q"/"c": signed ignition correction, 0.1 degree
    std::array<quint8, 2> injector {}; // code 96: delivery a, b (255, 255 = not configured)
    std::array<quint8, 10> switching {};
    // One-byte parameters read with code + "r" + filler + "?" and written with
    // code + "w" + value + "?", by code.
    std::map<int, quint8> parameters;
    // Crank angle sensor position the unit's angles refer to, 0.1 degree.
    int sensorAngle = 382;
};

// Codes of the one-byte parameters the program reads at connection.
namespace simcodes {
constexpr int kAngleOffset = 154;
constexpr int kInjector = 96;
constexpr int kInput1Mode = 92;
constexpr int kOffsetAngle = 126;
constexpr int kInput2Mode = 148;
constexpr int kEnrichment = 135;
constexpr int kOutputs = 128;
constexpr int kInjectionTime = 144;
} // namespace simcodes

// A model of the engine control unit: a table of command handlers over the
// unit's memory and a live engine, answering byte frames as the real unit does.
// Qt Core only, no I/O: a transport feeds it bytes and sends back what it returns.
class EcuSim {
public:
    explicit EcuSim(const SimProfile& profile);
    explicit EcuSim(const QString& profileName);

    const SimProfile& profile() const { return m_profile; }
    SimFaults& faults() { return m_faults; }
    UnitMemory& memory() { return m_memory; }
    EngineModel& engine() { return m_engine; }

    // Holds the engine in a state: running at `rpm` (0 = stopped) with the
    // other values at plausible warm-idle figures; adjust engine() for more.
    void setEngine(double rpm, double headTempC = 80, double lambda = 1.0);

    // Bytes from the program at time `nowMs`; frames may arrive in pieces.
    // Returns the reply bytes, empty when nothing is to be sent.
    QByteArray feed(const QByteArray& in, qint64 nowMs = 0);

    // Every complete command received, in order, unknown ones included.
    const std::vector<QByteArray>& received() const { return m_received; }
    void clearReceived() { m_received.clear(); }
    // Commands answered since creation (after faults).
    int commandCount() const { return m_commandCount; }

    // A handler gets the whole frame and the time, returns the reply.
    using Handler = std::function<QByteArray(const QByteArray& frame, qint64 nowMs)>;
    // Registers the handler for a command code with its frame length.
    void setHandler(int code, int frameLength, Handler handler);

    // Reply encodings, shared with the tests' expectations.
    static QByteArray periodReply(const EngineState& s);
    // 10-bit converter count whose curve value is nearest to the target.
    static int headTempCount(double celsius);
    static int airMassCount(double kgPerHour);
    // The angle offset and sensor angle the program works with for this
    // unit's firmware (it skips the offset read on old firmware and corrects
    // the sensor angle on some).
    int programAngleOffset() const;
    int programSensorAngle() const;

private:
    void installHandlers();
    void resetMemory();
    QByteArray applyFaults(QByteArray reply);
    // Input wiring of this unit: a throttle position switch on bits 16 and 32
    // or two free switches there, and the starter's bit.
    bool hasThrottleSwitch() const;
    int starterBit() const;

    QByteArray onPeriod(const QByteArray&, qint64 now);
    QByteArray onOutputs(const QByteArray&, qint64 now);
    QByteArray onInputs(const QByteArray&, qint64 now);
    QByteArray onAngle1(const QByteArray&, qint64 now);
    QByteArray onAngle2(const QByteArray&, qint64 now);
    QByteArray onCorrection(const QByteArray&, qint64 now);
    QByteArray onSetCorrection(const QByteArray& frame, qint64 now);
    QByteArray onAnalog(const QByteArray&, qint64 now);
    QByteArray onLambda(const QByteArray&, qint64 now);
    QByteArray onInjectionTime(const QByteArray&, qint64 now);
    QByteArray onSoftDown(const QByteArray&, qint64 now);
    QByteArray onInjector(const QByteArray&, qint64 now);
    QByteArray onSwitching(const QByteArray&, qint64 now);
    QByteArray angleByte(double advanceDeg) const;

    SimProfile m_profile;
    SimFaults m_faults;
    UnitMemory m_memory;
    EngineModel m_engine;
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
