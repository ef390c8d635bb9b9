// Every transfer of the program against every fault of a worn line, at its
// first, a middle and its last request, through the whole chain of windows:
// the transfer must end in a defined state in bounded time, send nothing
// after a failed check, leave its trace, and the main window must reconnect
// once the unit answers again.
#include "chain.h"

#include "basic/frmsds.h"
#include "basic/zwkor.h"
#include "core/commands.h"
#include "diagnostics/akttest.h"
#include "diagnostics/frmdwgtest.h"
#include "diagnostics/frmfmem.h"
#include "racing/choketab.h"
#include "racing/extrastab.h"
#include "racing/frmroptionen.h"
#include "racing/ignitiontab.h"
#include "racing/injectiontab.h"
#include "racing/loadchangemodel.h"
#include "racing/loadchangetab.h"
#include "racing/switchingtab.h"
#include "support/testnames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <iostream>
#include <map>

namespace {

using Step = Chain::Step;

// Time runs at this scale, so a 5-s watchdog bounds a wait at 100 ms.
constexpr double kScale = 0.02;
// A late reply leaves after every window's watchdog has run.
constexpr int kLateMs = 1500;

enum class Fault { Silent, Short, Late, Garbage, Extra, LineDropped };
enum class Position { First, Middle, Last };

const char* name(Fault f)
{
    switch (f) {
    case Fault::Silent:
        return "Silent";
    case Fault::Short:
        return "ShortReply";
    case Fault::Late:
        return "LateReply";
    case Fault::Garbage:
        return "Garbage";
    case Fault::Extra:
        return "ExtraBytes";
    case Fault::LineDropped:
        return "LineDropped";
    }
    return "";
}

const char* name(Position p)
{
    switch (p) {
    case Position::First:
        return "AtTheFirstRequest";
    case Position::Middle:
        return "InTheMiddle";
    case Position::Last:
        return "AtTheLastRequest";
    }
    return "";
}

// Hits command `at` of the unit with the fault; silence and a lost line last
// until the unit is healed, the others disturb that one reply.
void arm(EcuSim& sim, Fault fault, int at)
{
    SimFaults& f = sim.faults();
    f.firstFaulty = at;
    f.faultyCount = 1;
    switch (fault) {
    case Fault::Silent:
        f.silent = true;
        f.faultyCount = -1;
        break;
    case Fault::Short:
        f.shortBy = 1;
        break;
    case Fault::Late:
        f.lateMs = kLateMs;
        break;
    case Fault::Garbage:
        f.garbage = true;
        break;
    case Fault::Extra:
        f.extraBytes = 2;
        break;
    case Fault::LineDropped:
        f.lineLostAt = at;
        break;
    }
}

void heal(EcuSim& sim)
{
    sim.faults() = SimFaults {};
    sim.restoreLine();
}

// A unit window of kind W is open and waits for nothing.
template <typename W> std::function<bool()> ready(Chain& c)
{
    return [&c] {
        const W* w = c.window<W>();
        return w && !w->busy();
    };
}

// A transfer as the user starts it, from the status window polling.
struct Transfer {
    const char* name;
    const char* profile;
    // The steps that lead from the polling status window to where the
    // transfer starts (the last one waits until the window is ready).
    std::function<std::vector<Step>(Chain&)> reach;
    // The user's action that starts it.
    std::function<void(Chain&)> start;
    // The transfer has ended and its window is usable again; `sent` is the
    // number of requests the unit received since the start.
    std::function<bool(Chain&, int sent)> over;
    // The transfer sends values the unit stores, so a failed check must stop it.
    bool writes = false;
    // The command code of writes after whose differing echo the transfer
    // goes on by design, naming at its end what was not confirmed (0 = none,
    // kEveryWrite = all of them).
    int goesOnAfterEcho = 0;
    // Time the transfer may take beyond one watchdog run: a search tries ten
    // times before it gives up.
    int extraMs = 0;
    // Its writes are answered with an echo the program can check.
    bool echoes = true;
    // Requests of the status window's poll tick that go before the
    // transfer's own (a button of the status window acts after the tick),
    // and the transfer's own count when the clean run cannot end on it.
    int lead = 0;
    int length = 0;
    // What the user does when a window of the transfer shows (each once).
    std::function<std::vector<Step>(Chain&)> reactions = [](Chain&) { return std::vector<Step> {}; };
};

// The unit windows the status window opens, ready for the user.
std::vector<Step> openWindow(Chain& c, const char* button, std::function<bool()> isReady)
{
    return { c.whenPolling([&c, button] { c.click<FrmMStg>(button); }), { std::move(isReady), {} } };
}

std::vector<Step> racingTab(Chain& c, const QString& caption)
{
    std::vector<Step> steps = openWindow(c, "cmdROpt", ready<FrmROptionen>(c));
    steps.push_back({ [] { return true; },
        [&c, caption] {
            QTabWidget* tabs = c.window<FrmROptionen>()->findChild<QTabWidget*>();
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->tabText(i).remove(QLatin1Char('&')) == caption)
                    tabs->setCurrentIndex(i);
        } });
    steps.push_back({ ready<FrmROptionen>(c), {} });
    return steps;
}

// The fault memory window has read the unit and waits for the user.
bool faultMemoryRead(Chain& c)
{
    FrmFMem* w = c.window<FrmFMem>();
    return w && !w->busy() && c.control(w, "cmdTstAkt")->isEnabled();
}

// The racing window's tab with a table in its grid, for the writes: the
// first time read from the unit and saved, later loaded from that file, so
// that the many rows of a table write do not read the table each time.
struct TableButtons {
    const char* read;
    const char* save;
    const char* load;
    const char* file;
};
const TableButtons kIgnitionTable { "cmdReadZwTab", "cmdDiskSave", "cmdLoadDisk", "table.vmz" };
const TableButtons kLambdaMap { "Command1", "Command3", "Command4", "map.tla" };

std::vector<Step> withTable(Chain& c, const QString& tab, const TableButtons& b, const char* profile)
{
    static QTemporaryDir files;
    const QString path = files.filePath(QString::fromLatin1(profile) + QLatin1Char('-') + QLatin1String(b.file));
    std::vector<Step> steps = racingTab(c, tab);
    if (QFile::exists(path)) {
        steps.push_back({ [] { return true; },
            [&c, b, path] {
                c.platform.openAnswers.push_back(path);
                c.click<FrmROptionen>(b.load);
            } });
    } else {
        steps.push_back({ [] { return true; }, [&c, b] { c.click<FrmROptionen>(b.read); } });
        steps.push_back({ ready<FrmROptionen>(c), [&c, b, path] {
                             c.platform.saveAnswers.push_back(path);
                             c.click<FrmROptionen>(b.save);
                         } });
    }
    steps.push_back({ ready<FrmROptionen>(c), {} });
    return steps;
}

template <typename W> std::function<void(Chain&)> clicks(const char* button)
{
    return [button](Chain& c) { c.click<W>(button); };
}

// The idle control write, whose answer carries nothing to compare with
// what was sent.
const int kUncomparedWrite = uchar(cmd::idleControlWrite(0, 0).frame[0]);

// The writes that go on after a differing echo.
constexpr int kEveryWrite = -1;
const int kCoilChargeTimeWrite = uchar(cmd::coilChargeTimeWrite(0).frame[0]);
const int kLambdaByteWrite = uchar(cmd::lambdaByteWrite(1, 1).frame[0]);
const int kChokeByteWrite = uchar(cmd::chokeByteWrite(1, 1).frame[0]);

// The status window's load and poll tick of an injection unit: nine requests.
constexpr int kTickRequests = 9;

std::vector<Transfer> transfers()
{
    std::vector<Transfer> all;
    // The search and the status window's load.
    all.push_back({ "StatusWindowLoad", "injection-rx4", [](Chain&) { return std::vector<Step> {}; },
        [](Chain& c) {
            if (auto* b = c.main->findChild<QAbstractButton*>(QStringLiteral("btnCmdOpenMStg")))
                b->click();
        },
        [](Chain& c, int) { return c.statusPolling(); }, false, false, 2500 });
    all.push_back({ "StatusWindowTick", "injection-rx4",
        [](Chain& c) { return std::vector<Step> { c.whenPolling() }; }, [](Chain&) {},
        // The tick has ended when the next one asks.
        [](Chain& c, int sent) { return sent > kTickRequests && c.statusPolling(); } });
    all.back().length = kTickRequests;
    const auto faultMemoryIdle = [](Chain& c, int) { return c.actionReturned && faultMemoryRead(c); };
    const auto faultMemory
        = [](Chain& c) { return openWindow(c, "cmdFSpeicher", [&c] { return faultMemoryRead(c); }); };
    all.push_back(
        { "FaultMemoryRead", "injection-rx4", faultMemory, clicks<FrmFMem>("BtncmdRead"), faultMemoryIdle });
    // The erase has no answer; the fresh read after it shows what it did.
    all.push_back(
        { "FaultMemoryErase", "injection-rx4", faultMemory, clicks<FrmFMem>("BtncmdErase"), faultMemoryIdle });
    all.push_back({ "ActuatorTest", "injection-rx4",
        [faultMemory](Chain& c) {
            std::vector<Step> steps = faultMemory(c);
            steps.push_back({ [] { return true; }, [&c] { c.click<FrmFMem>("cmdTstAkt"); } });
            steps.push_back({ ready<AktTest>(c), [&c] { c.click<AktTest>("chkIgn"); } });
            steps.push_back({ ready<AktTest>(c), {} });
            return steps;
        },
        // The ignition test started.
        clicks<AktTest>("cmdStart"), [](Chain& c, int) { return c.actionReturned && ready<AktTest>(c)(); },
        true });
    all.push_back({ "SensorTest", "injection-rx4",
        [](Chain& c) { return openWindow(c, "cmdDwgTest", ready<FrmDwgTest>(c)); }, [](Chain&) {},
        // Three polls of the sensor state.
        [](Chain& c, int sent) { return sent > 3 && c.window<FrmDwgTest>(); } });
    all.back().length = 3;
    all.push_back(
        { "BasicSettingsLoad", "injection-rx4", [](Chain& c) { return std::vector<Step> { c.whenPolling() }; },
            clicks<FrmMStg>("cmdSoftDown"), [](Chain& c, int) { return ready<FrmSDS>(c)(); } });
    all.back().lead = kTickRequests;
    all.push_back({ "BasicSettingsSend", "injection-rx4",
        [](Chain& c) { return openWindow(c, "cmdSoftDown", ready<FrmSDS>(c)); }, clicks<FrmSDS>("cmdExit"),
        [](Chain& c, int) { return c.actionReturned && ready<FrmSDS>(c)(); }, true, kEveryWrite });
    all.push_back({ "IgnitionCorrection", "injection-rx4",
        [](Chain& c) { return std::vector<Step> { c.whenPolling() }; }, clicks<FrmMStg>("cmdZwKor"),
        [](Chain& c, int) { return c.zwKorAnswered && !c.window<ZwKor>() && c.statusPolling(); }, true, 0, 0,
        false, kTickRequests, 0,
        [](Chain& c) {
            // The user sends the shown correction.
            return std::vector<Step> { { [&c] { return c.window<ZwKor>() != nullptr; },
                [&c] {
                    c.zwKorAnswered = true;
                    c.click<ZwKor>("Command2");
                } } };
        } });
    all.push_back({ "RacingOptionsOpening", "injection-rx4-racing",
        [](Chain& c) { return std::vector<Step> { c.whenPolling() }; }, clicks<FrmMStg>("cmdROpt"),
        [](Chain& c, int) { return ready<FrmROptionen>(c)(); } });
    all.back().lead = kTickRequests;
    const auto racingIdle = [](Chain& c, int) { return c.actionReturned && ready<FrmROptionen>(c)(); };
    struct Racing {
        const char* name;
        const char* profile;
        QString tab;
        const char* button;
        bool writes;
        int goesOn;
        const TableButtons* table = nullptr; // a table write needs a table
    };
    const Racing racing[] = {
        { "IgnitionTableRead111Bands", "injection-rx4-racing", IgnitionTab::kCaption, "cmdReadZwTab", false, 0 },
        { "IgnitionTableWrite111Bands", "injection-rx4-racing", IgnitionTab::kCaption, "cmdWriteZwTab", true, 0,
            &kIgnitionTable },
        { "IgnitionTableRead76Bands", "ignition-rx3-racing", IgnitionTab::kCaption, "cmdReadZwTab", false, 0 },
        { "IgnitionTableWrite76Bands", "ignition-rx3-racing", IgnitionTab::kCaption, "cmdWriteZwTab", true, 0,
            &kIgnitionTable },
        { "SwitchingRead", "injection-rx4-racing", SwitchingTab::kCaption, "cmdLesen", false, 0 },
        { "SwitchingWrite", "injection-rx4-racing", SwitchingTab::kCaption, "cmdSchreiben", true, 0 },
        { "CoilFunctionsRead", "injection-rx4-racing", ExtrasTab::kCaption, "cmd_ReadZusatz2", false, 0 },
        { "CoilFunctionsWrite", "injection-rx4-racing", ExtrasTab::kCaption, "cmd_WriteZusatz2", true,
            kCoilChargeTimeWrite },
        { "LambdaMapRead", "injection-rx4-racing", InjectionTab::kCaption, "Command1", false, 0 },
        { "LambdaMapTableWrite", "injection-rx4-racing", InjectionTab::kCaption, "Command2", true,
            kLambdaByteWrite, &kLambdaMap },
        { "EChokeRead", "injection-rx4-racing", ChokeTab::kCaption, "cmd_ReadEChoke", false, 0 },
        { "EChokeWrite", "injection-rx4-racing", ChokeTab::kCaption, "cmd_WriteEChoke", true, kChokeByteWrite },
        { "LoadChangeRead", "injection-rx4-racing", LoadChangeTab::kCaption, "cmd_ReadLWechsel", false, 0 },
        { "LoadChangeWrite", "injection-rx4-racing", LoadChangeTab::kCaption, "cmd_WriteLWechsel", true,
            loadchange::kAdaptationWriteCode },
    };
    for (const Racing& r : racing)
        all.push_back({ r.name, r.profile,
            [tab = r.tab, table = r.table, profile = r.profile](
                Chain& c) { return table ? withTable(c, tab, *table, profile) : racingTab(c, tab); },
            clicks<FrmROptionen>(r.button), racingIdle, r.writes, r.goesOn });
    // The single cell: the write mode switched to one data point first.
    all.push_back({ "LambdaMapCellWrite", "injection-rx4-racing",
        [](Chain& c) {
            std::vector<Step> steps = withTable(c, InjectionTab::kCaption, kLambdaMap, "injection-rx4-racing");
            steps.push_back({ [] { return true; },
                [&c] {
                    QWidget* w = c.window<FrmROptionen>();
                    c.control<QComboBox>(w, "CmbSModeInjTable")->setCurrentIndex(1);
                    emit c.control<QTableWidget>(w, "msfgEV")->cellClicked(3, 4);
                } });
            return steps;
        },
        clicks<FrmROptionen>("Command2"), racingIdle, true });
    return all;
}

// The line and the windows when a transfer has ended.
struct Outcome {
    bool ended = false;
    bool lost = false;
    qint64 ms = 0;
    int requests = 0;
    int boxes = 0;
    qsizetype traceFrom = 0; // where the transfer's lines start in the trace
    size_t framesFrom = 0; // the transfer's first frame among those the unit received
    int writesFrom = 0; // the unit's count of writes when the transfer started
    int writes = 0; // writes the unit received during the transfer
    QStringList boxTexts; // the boxes the transfer showed
    std::vector<int> replyBytes; // of each of its requests
};

// The boxes that report a transfer as complete.
bool completion(const QString& text)
{
    return text == QStringLiteral("Datenübertragung vollständig")
        || text == QStringLiteral("Datenübertragung vollstaendig")
        || text == QStringLiteral("Update Vollstaendig");
}

// Runs one transfer through the whole chain, its faults armed as it starts
// (none for the clean run), and follows the end: back in the main window, the
// unit heals and the main window must reconnect.
using Arm = std::function<void(EcuSim& sim, int firstCommand, int firstWrite)>;

Outcome run(const Transfer& t, const Arm& arming, Chain& c, QString* failure)
{
    Outcome out;
    int startAt = 0;
    int boxesBefore = 0;
    bool statusSeen = false;
    QElapsedTimer clock;
    std::vector<Step> steps;
    const bool opensItself = std::string(t.name) == "StatusWindowLoad";
    if (!opensItself)
        steps.push_back(c.openUnit());
    for (Step& s : t.reach(c))
        steps.push_back(std::move(s));
    // A button of the status window acts after the next poll tick: pressed
    // between two ticks, a whole tick goes before the transfer.
    int seen = -1;
    QElapsedTimer quiet;
    const auto betweenTicks = [&] {
        if (c.sim.commandCount() != seen) {
            seen = c.sim.commandCount();
            quiet.start();
            return false;
        }
        return c.statusPolling() && quiet.elapsed() > 10;
    };
    steps.push_back({ [&] { return t.lead == 0 || betweenTicks(); },
        [&] {
            startAt = c.sim.commandCount();
            boxesBefore = static_cast<int>(c.platform.boxes.size());
            out.traceFrom = c.traceText().size();
            out.framesFrom = c.sim.received().size();
            out.writesFrom = c.sim.writeCount();
            if (arming)
                arming(c.sim, startAt, out.writesFrom);
            clock.start();
            t.start(c);
            c.actionReturned = true;
        } });
    std::vector<Step> reactions = t.reactions(c);
    std::vector<bool> reacted(reactions.size(), false);
    // Over, or the chain of windows has closed back to the main window.
    const auto closed = [&] {
        if (c.status())
            statusSeen = true;
        return !c.status() && !c.main->searchTimerActive() && (statusSeen || c.link.linkLost()) && clock.isValid();
    };
    steps.push_back({ [&] {
                         if (!clock.isValid())
                             return false;
                         for (size_t i = 0; i < reactions.size(); ++i)
                             if (!reacted[i] && reactions[i].ready()) {
                                 reacted[i] = true;
                                 QTimer::singleShot(0, c.main.get(), reactions[i].act);
                             }
                         const bool searchFailed = opensItself && !c.status() && !c.main->searchTimerActive()
                             && int(c.platform.boxes.size()) > boxesBefore;
                         return closed() || searchFailed || t.over(c, c.sim.commandCount() - startAt);
                     },
        [&] {
            out.ended = true;
            out.ms = clock.elapsed();
            out.requests = c.sim.commandCount() - startAt;
            out.writes = c.sim.writeCount() - out.writesFrom;
            for (size_t i = out.framesFrom; i < c.sim.receivedLog().size(); ++i)
                out.replyBytes.push_back(c.sim.receivedLog()[i].replyBytes);
            out.boxes = static_cast<int>(c.platform.boxes.size()) - boxesBefore;
            out.boxTexts = c.platform.boxTexts().mid(boxesBefore);
            out.lost = !c.status() && c.link.linkLost();
            heal(c.sim);
        } });
    // Lost: the unit answers again and the main window opens the status
    // window by itself. Then the user closes every window.
    const size_t reconnect = steps.size();
    steps.push_back({ [&] { return !out.lost || c.statusPolling(); }, [&] { c.closeUnitWindows(); } });
    steps.push_back({ [&] { return !c.status() || c.statusPolling(); }, [&] { c.click<FrmMStg>("BtncmdExit"); } });
    steps.push_back({ [&] { return !c.status(); }, {} });
    if (!c.run(steps, 20000))
        *failure = c.failedStep == int(reconnect)
            ? QStringLiteral("no reconnect after the lost link")
            : QStringLiteral("the script stopped at step %1").arg(c.failedStep);
    return out;
}

// The clean run of every transfer, once per test program.
Outcome clean(const Transfer& t)
{
    static std::map<std::string, Outcome> runs;
    const auto it = runs.find(t.name);
    if (it != runs.end())
        return it->second;
    TimeScale scale(kScale);
    Chain c(QString::fromLatin1(t.profile));
    QString failure;
    const Outcome out = run(t, {}, c, &failure);
    EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
    const bool onlyCompletion = std::all_of(c.platform.boxes.begin(), c.platform.boxes.end(),
        [](const ScriptedPlatform::Box& b) { return completion(b.text); });
    EXPECT_TRUE(out.ended && !out.lost && onlyCompletion)
        << t.name << " does not run clean: " << c.platform.boxTexts().join(QLatin1Char('|')).toStdString() << '\n'
        << c.traceText().toStdString();
    runs[t.name] = out;
    return out;
}

struct Case {
    Transfer transfer;
    Fault fault;
    Position position;
};

void PrintTo(const Case& k, std::ostream* os)
{
    *os << k.transfer.name << ' ' << name(k.fault) << ' ' << name(k.position);
}

std::vector<Case> matrix()
{
    std::vector<Case> cases;
    for (const Transfer& t : transfers())
        for (Fault f :
            { Fault::Silent, Fault::Short, Fault::Late, Fault::Garbage, Fault::Extra, Fault::LineDropped })
            for (Position p : { Position::First, Position::Middle, Position::Last })
                cases.push_back({ t, f, p });
    return cases;
}

// Appends one row to the table named by DARURI_FAULT_MATRIX (for the README).
void report(const Case& k, const Outcome& o, const QString& end)
{
    const QString path = qEnvironmentVariable("DARURI_FAULT_MATRIX");
    if (path.isEmpty())
        return;
    QFile f(path);
    if (!f.open(QIODevice::Append | QIODevice::Text))
        return;
    QTextStream(&f) << k.transfer.name << ';' << name(k.fault) << ';' << name(k.position) << ';' << end << ';'
                    << o.ms << '\n';
}

class FaultMatrix : public ::testing::TestWithParam<Case> { };

TEST_P(FaultMatrix, EndsDefinedSendsNothingAfterAFailedCheckAndReconnects)
{
    const Case& k = GetParam();
    const Outcome reference = clean(k.transfer);
    ASSERT_GT(reference.requests, 0);
    const int own = k.transfer.length ? k.transfer.length : reference.requests - k.transfer.lead;
    const int at = k.transfer.lead
        + (k.position == Position::First         ? 0
                : k.position == Position::Middle ? own / 2
                                                 : own - 1);

    TimeScale scale(kScale);
    Chain c(QString::fromLatin1(k.transfer.profile));
    QString failure;
    const Outcome o = run(
        k.transfer, [&k, at](EcuSim& sim, int first, int) { arm(sim, k.fault, first + at); }, c, &failure);
    ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
    ASSERT_TRUE(o.ended);

    // Bounded: the clean time, a watchdog run and a margin for a busy machine.
    EXPECT_LT(o.ms, 2 * reference.ms + 1500 + k.transfer.extraMs) << "clean run " << reference.ms << " ms";

    // A request the unit never answers has no reply to disturb; silence
    // from there on still reaches the requests after it.
    const bool unanswered = size_t(at) < reference.replyBytes.size() && reference.replyBytes[size_t(at)] == 0;
    const bool nothingToDisturb = unanswered && k.fault != Fault::LineDropped
        && (k.fault != Fault::Silent || at == k.transfer.lead + own - 1);

    // Defined: back in the main window with the link lost, or the window usable.
    QString end;
    if (nothingToDisturb)
        end = QStringLiteral("no answer to disturb");
    else if (o.lost)
        end = QStringLiteral("link lost, reconnected");
    else if (o.boxes > 0)
        end = QStringLiteral("box: ") + c.platform.boxes.back().text.section(QLatin1Char('\n'), 0, 0);
    else
        end = QStringLiteral("carried on");
    if (!o.lost) {
        EXPECT_LE(o.boxes, 2);
    }

    // A check the fault failed (an echo, the standstill check of a write)
    // stops the transfer: nothing more goes out, and it is never reported
    // as complete. Where a differing echo goes on by design, the rest may go.
    const std::vector<QByteArray>& frames = c.sim.received();
    const size_t faulted = o.framesFrom + size_t(at);
    if (k.transfer.writes && faulted < frames.size()) {
        const QByteArray& hit = frames[faulted];
        const bool echo = c.sim.stores(hit);
        const bool standstill = hit == QByteArrayLiteral("r00?");
        const bool noticed = o.lost
            || std::any_of(o.boxTexts.begin(), o.boxTexts.end(), [](const QString& t) { return !completion(t); });
        if (echo) {
            for (const QString& text : o.boxTexts)
                EXPECT_FALSE(completion(text)) << "a write with a disturbed echo reported as complete";
        }
        if ((echo || standstill) && noticed
            && !(echo
                && (uchar(hit[0]) == k.transfer.goesOnAfterEcho || k.transfer.goesOnAfterEcho == kEveryWrite))) {
            const size_t end = std::min(frames.size(), o.framesFrom + size_t(o.requests));
            for (size_t i = faulted + 1; i < end; ++i)
                EXPECT_FALSE(c.sim.stores(frames[i]))
                    << "sent after the failed check: " << frames[i].toHex(' ').toStdString();
        }
    }

    // The trace names what happened on the line after the disturbed request.
    const QStringList lines = c.traceText().mid(o.traceFrom).split(QLatin1Char('\n'));
    const bool named = std::any_of(lines.begin(), lines.end(), [](const QString& l) {
        return l.contains(QLatin1String(" ! ")) && !l.contains(QLatin1String("open port"))
            && !l.contains(QLatin1String("close"));
    });
    if (k.fault != Fault::Garbage && !nothingToDisturb) {
        EXPECT_TRUE(named) << "no event in the trace:\n" << lines.join(QLatin1Char('\n')).toStdString();
    }
    report(k, o, end);
    if (HasFailure())
        std::cerr << "ended: " << end.toStdString() << " after " << o.ms << " ms, " << o.requests << " requests\n";
}

INSTANTIATE_TEST_SUITE_P(Line, FaultMatrix, ::testing::ValuesIn(matrix()), [](const auto& info) {
    const Case& k = info.param;
    return std::string(k.transfer.name) + "_" + name(k.fault) + "_" + name(k.position);
});

// A unit that fails a write transfer in a way the line cannot show.
enum class BadUnit {
    EchoDiffersAtTheFirstWrite,
    EchoDiffersInTheMiddle,
    EchoDiffersAtTheLastWrite,
    LineLostBeforeTheLastEcho,
    StoresNothing
};

const char* name(BadUnit u)
{
    switch (u) {
    case BadUnit::EchoDiffersAtTheFirstWrite:
        return "EchoDiffersAtTheFirstWrite";
    case BadUnit::EchoDiffersInTheMiddle:
        return "EchoDiffersInTheMiddle";
    case BadUnit::EchoDiffersAtTheLastWrite:
        return "EchoDiffersAtTheLastWrite";
    case BadUnit::LineLostBeforeTheLastEcho:
        return "LineLostBeforeTheLastEcho";
    case BadUnit::StoresNothing:
        return "StoresNothing";
    }
    return "";
}

struct WriteCase {
    Transfer transfer;
    BadUnit unit;
};

void PrintTo(const WriteCase& k, std::ostream* os)
{
    *os << k.transfer.name << ' ' << name(k.unit);
}

std::vector<WriteCase> writeCases()
{
    std::vector<WriteCase> cases;
    for (const Transfer& t : transfers()) {
        if (!t.writes)
            continue;
        for (BadUnit u : { BadUnit::EchoDiffersAtTheFirstWrite, BadUnit::EchoDiffersInTheMiddle,
                 BadUnit::EchoDiffersAtTheLastWrite, BadUnit::LineLostBeforeTheLastEcho, BadUnit::StoresNothing })
            cases.push_back({ t, u });
    }
    return cases;
}

// Every text a window shows in a label or status bar.
QStringList shownTexts(Chain& c)
{
    QStringList texts;
    for (QLabel* l : c.main->findChildren<QLabel*>())
        if (l->isVisible())
            texts << l->text();
    return texts;
}

class NoWriteMisreported : public ::testing::TestWithParam<WriteCase> { };

TEST_P(NoWriteMisreported, NeverReportsAWriteTheUnitDidNotConfirm)
{
    const WriteCase& k = GetParam();
    const Outcome reference = clean(k.transfer);
    ASSERT_GT(reference.writes, 0);
    const int middle = reference.writes / 2;
    const int last = reference.writes - 1;

    TimeScale scale(kScale);
    Chain c(QString::fromLatin1(k.transfer.profile));
    QString failure;
    const Outcome o = run(
        k.transfer,
        [&k, middle, last](EcuSim& sim, int, int firstWrite) {
            SimFaults& f = sim.faults();
            switch (k.unit) {
            case BadUnit::EchoDiffersAtTheFirstWrite:
                f.wrongEchoAtWrite = firstWrite;
                break;
            case BadUnit::EchoDiffersInTheMiddle:
                f.wrongEchoAtWrite = firstWrite + middle;
                break;
            case BadUnit::EchoDiffersAtTheLastWrite:
                f.wrongEchoAtWrite = firstWrite + last;
                break;
            case BadUnit::LineLostBeforeTheLastEcho:
                f.lineLostAtWrite = firstWrite + last;
                break;
            case BadUnit::StoresNothing:
                f.ignoreWrites = true;
                break;
            }
        },
        c, &failure);
    ASSERT_TRUE(failure.isEmpty()) << failure.toStdString();
    ASSERT_TRUE(o.ended);

    for (const QString& text : o.boxTexts)
        EXPECT_FALSE(completion(text)) << "reported as complete";
    for (const QString& text : shownTexts(c))
        EXPECT_FALSE(completion(text)) << "a status text reports success";
    if (!k.transfer.echoes)
        return;
    // The write the unit answered wrongly, and whether its answer is one the
    // program can compare at all.
    std::vector<QByteArray> written;
    for (size_t i = o.framesFrom; i < c.sim.received().size(); ++i)
        if (c.sim.stores(c.sim.received()[i]))
            written.push_back(c.sim.received()[i]);
    const int hitWrite = k.unit == BadUnit::EchoDiffersAtTheFirstWrite ? 0
        : k.unit == BadUnit::EchoDiffersInTheMiddle                    ? middle
                                                                       : last;
    if (size_t(hitWrite) < written.size() && uchar(written[size_t(hitWrite)][0]) == kUncomparedWrite)
        return;
    // The user learns of it: the link is lost, or a box says what failed.
    const bool told = o.lost
        || std::any_of(o.boxTexts.begin(), o.boxTexts.end(), [](const QString& t) { return !completion(t); });
    EXPECT_TRUE(told) << "nothing told the user";
    const bool differs = k.unit != BadUnit::LineLostBeforeTheLastEcho && k.unit != BadUnit::StoresNothing;
    if (differs && k.transfer.goesOnAfterEcho != 0 && !o.lost) {
        // Where the transfer goes on, its end names what was not confirmed.
        const bool named = std::any_of(o.boxTexts.begin(), o.boxTexts.end(),
            [](const QString& t) { return t.contains(QStringLiteral("nicht bestätigt")); });
        const bool stopped = std::any_of(o.boxTexts.begin(), o.boxTexts.end(),
            [](const QString& t) { return t.contains(QStringLiteral("bertragungsfehler")); });
        EXPECT_TRUE(named || stopped) << o.boxTexts.join(QLatin1Char('|')).toStdString();
    }
    if (HasFailure())
        std::cerr << "boxes: " << o.boxTexts.join(QLatin1Char('|')).toStdString() << (o.lost ? ", link lost" : "")
                  << '\n'
                  << c.traceText().mid(o.traceFrom).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Unit, NoWriteMisreported, ::testing::ValuesIn(writeCases()),
    [](const auto& info) { return std::string(info.param.transfer.name) + "_" + name(info.param.unit); });

} // namespace
