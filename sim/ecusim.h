#pragma once

#include "enginemodel.h"
#include "profile.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <vector>

// Faults a test or a user can inject into the simulated unit.
struct SimFaults {
    // The bytes at the end of `reply` that are appended surplus.
    int surplusIn(const QByteArray& reply) const
    {
        return static_cast<int>(std::min<qsizetype>(extraBytes, reply.size()));
    }
    bool silent = false; // answer nothing at all
    int shortBy = 0; // leave out the last N bytes of every reply
    int lateMs = 0; // answer this much later than the wire would
    bool garbage = false; // answer random bytes of the right length
    int dropAfter = -1; // after this many commands go silent for good (-1 = never)
    int ignoreFirst = 0; // leave the first N commands unanswered
    int extraBytes = 0; // append N bytes to every reply
    // The appended bytes follow the reply this much later, so that they land
    // in front of the next reply (0 = right behind the reply).
    int extraDelayMs = 0;
    // After a write the unit stores for this long and drops every frame that
    // arrives meanwhile, so a sender that does not pace its writes loses them.
    int busyAfterWriteMs = 0;
    // After this many stored ignition table bytes ('a' and '{') the engine
    // starts and runs at about 1500 rpm from then on (-1 = never), as when
    // someone cranks it in the middle of a table write.
    int engineStartsAfterWrites = -1;
    // Silent, short, late, garbage and extra hit only the commands from
    // `firstFaulty` on (counted from 0 since the unit was made), `faultyCount`
    // of them (-1 = every one from there), so one request of a transfer can
    // be disturbed and the rest answered.
    int firstFaulty = 0;
    int faultyCount = -1;
    // The line goes away when this command arrives, before it is answered
    // (-1 = never): the adapter pulled in the middle of a transfer.
    int lineLostAt = -1;

    // Faults of the writes, counted from 0 over the frames that store
    // something: the echo of one write differs from what was sent; the line
    // goes away after one write is stored, before its echo; the unit stores
    // and answers no write at all.
    int wrongEchoAtWrite = -1;
    int lineLostAtWrite = -1;
    bool ignoreWrites = false;

    bool hits(int commandIndex) const
    {
        return commandIndex >= firstFaulty && (faultyCount < 0 || commandIndex < firstFaulty + faultyCount);
    }
};

namespace simfaults {
// One "--fault" value: "silent", "short=1", "late=800", "garbage", "drop-after=20",
// "ignore-first=2", "extra=3", "extra=3:4", "busy=30", "start-after-writes=5". Adds it to
// `faults`; false with `error` set when unknown.
bool parse(const QString& spec, SimFaults& faults, QString* error = nullptr);
// The accepted forms, for --help.
QString help();
} // namespace simfaults

// The actuator test the unit runs on its own once started.
struct ActuatorTest {
    quint8 mask = 0; // bit 0 ignition, bit 1 injection valve, bit 2 fuel supply
    bool running = false;
    qint64 endsAtMs = 0;
    int durationMs = 10000; // how long a test runs before the unit ends it
};

// How an analog input the unit measures is wired.
enum class SensorWiring {
    Intact,
    ShortToGround, // reads 0 V
    Open, // pulled up to the full 5 V
};

// The unit's stored values, read and written by the command handlers.
struct UnitMemory {
    quint8 softDown = 0; // "n": 9 = soft-down deactivated
    quint8 softDownActive = 0; // the value "n" returns to when it activates again
    quint8 correction = 0; // "q"/"c": signed ignition correction, 0.1 degree
    std::array<quint8, 10> switching {}; // "j" block; "u", "w", "x", "y" write into it
    // Fault entries as "f" reports them, 255 = no fault; "e" erases them all.
    std::array<quint8, 17> faultEntries {};
    // Inputs the fault memory window checks live through "g".
    SensorWiring headTempInput = SensorWiring::Intact;
    SensorWiring airMassInput = SensorWiring::Intact;
    // Stored parameters by read code (see parameters.h): a byte, or a 16-bit
    // value for the word parameters. An absent code reads as erased memory.
    std::map<int, int> parameters;
    // Byte tables by read code, addressed by the frame's index byte.
    std::map<int, std::array<quint8, 256>> tables;
    // Crank angle sensor position the unit's angles refer to, 0.1 degree.
    int sensorAngle = 382;
    ActuatorTest actuators;
};

// Codes the program reads at connection and in the poll tick.
namespace simcodes {
constexpr int kAngleOffset = 154;
constexpr int kInjector = 96;
constexpr int kInput1Mode = 92;
constexpr int kOffsetAngle = 126;
constexpr int kInput2Mode = 148;
constexpr int kEnrichment = 135;
constexpr int kOutputs = 128;
constexpr int kInjectionTime = 144;
// Both lambda maps in one table (memory().tables), map 1 at 1-120, map 2 at 129-248.
constexpr int kLambdaMaps = 125;
} // namespace simcodes

// A received frame and the time it became complete.
struct ReceivedFrame {
    QByteArray frame;
    qint64 atMs = 0;
    int replyBytes = 0; // what the unit answered, faults left aside
};

// A model of the engine control unit: a table of command handlers over the
// unit's memory and a live engine, answering byte frames as the real unit does.
// Qt Core only, no I/O: a transport feeds it bytes and sends back what it returns.
//
// The commands come in areas, one file each (sim/area_*.cpp), each with one
// install function declared in areas.h and called from the constructor:
//     void installLive(EcuSim& sim) { sim.setHandler('r', 4, [&sim](...) {...}); }
// Handlers reach the unit through memory(), engine() and profile() only. A
// value the program reads and writes back belongs in the parameter table
// (parameters.h) instead: every code there is answered with its reply shape
// and write echo, and its writes start the busy time. A new area adds its
// file to sim/CMakeLists.txt, its function to areas.h and one call to
// installAreas().
class EcuSim {
public:
    explicit EcuSim(const SimProfile& profile);
    explicit EcuSim(const QString& profileName);
    // Handlers hold on to this object.
    EcuSim(const EcuSim&) = delete;
    EcuSim& operator=(const EcuSim&) = delete;

    const SimProfile& profile() const { return m_profile; }
    SimFaults& faults() { return m_faults; }
    UnitMemory& memory() { return m_memory; }
    const UnitMemory& memory() const { return m_memory; }
    EngineModel& engine() { return m_engine; }
    const EngineModel& engine() const { return m_engine; }

    // Holds the engine in a state: running at `rpm` (0 = stopped) with the
    // other values at plausible warm-idle figures; adjust engine() for more.
    void setEngine(double rpm, double headTempC = 80, double lambda = 1.0);

    // Bytes from the program at time `nowMs`; frames may arrive in pieces.
    // Returns the reply bytes, empty when nothing is to be sent.
    QByteArray feed(const QByteArray& in, qint64 nowMs = 0);

    // Every complete command received, in order, unknown and dropped ones included.
    const std::vector<QByteArray>& received() const { return m_received; }
    // The same frames with the time each one became complete.
    const std::vector<ReceivedFrame>& receivedLog() const { return m_log; }
    void clearReceived();
    // Known commands received since creation, answered or dropped by a fault.
    int commandCount() const { return m_commandCount; }
    // Frames received since creation that store something.
    int writeCount() const { return m_writeCount; }
    // Ignition table bytes stored since creation.
    int tableWriteCount() const { return m_tableWrites; }
    // For the transports: how late the replies of the last feed leave, how
    // many of their bytes are surplus, and whether the line went away.
    int replyLateMs() const { return m_lastHit ? m_faults.lateMs : 0; }
    int replySurplus(const QByteArray& reply) const { return m_lastHit ? m_faults.surplusIn(reply) : 0; }
    bool lineLost() const { return m_lineLost; }
    // The adapter is back: the line carries frames again.
    void restoreLine()
    {
        m_lineLost = false;
        m_faults.lineLostAt = -1;
    }

    // A handler gets the whole frame and the time, returns the reply.
    using Handler = std::function<QByteArray(const QByteArray& frame, qint64 nowMs)>;
    // Tells whether a frame of the command stores something in the unit.
    using WriteTest = std::function<bool(const QByteArray& frame)>;
    // Registers the handler for a command code with its frame length,
    // replacing any earlier one.
    void setHandler(int code, int frameLength, Handler handler, WriteTest isWrite = {});
    // The handler registered for a code, empty when none is; an area may wrap
    // another area's handler.
    Handler handler(int code) const;
    // Whether a frame of a known command stores something in the unit.
    bool stores(const QByteArray& frame) const;

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
    void installAreas();
    void resetMemory();
    bool dropped(int commandIndex, qint64 nowMs) const;
    void startEngineIfDue();
    QByteArray applyFaults(QByteArray reply);

    SimProfile m_profile;
    SimFaults m_faults;
    UnitMemory m_memory;
    EngineModel m_engine;
    struct Command {
        int frameLength = 4;
        Handler handler;
        WriteTest isWrite;
    };
    std::map<int, Command> m_commands;
    QByteArray m_pending;
    std::vector<QByteArray> m_received;
    std::vector<ReceivedFrame> m_log;
    int m_commandCount = 0;
    int m_tableWrites = 0;
    int m_writeCount = 0; // frames that stored something, or would have
    bool m_engineStartedByFault = false;
    bool m_lastHit = false; // the faults hit a command of the last feed
    bool m_lineLost = false;
    std::optional<qint64> m_busyUntilMs;
    quint32 m_random = 12345;
};
