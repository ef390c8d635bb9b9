#pragma once

#include "core/commands.h"
#include "shell/link.h"
#include "shell/watchdog.h"

#include <chrono>
#include <functional>
#include <optional>

class QWidget;
class Session;

// What became of a write that the unit answers with the stored value.
enum class Echo {
    Ok, // the unit stored what was sent
    Mismatch, // it answered something else
    Lost, // no answer: the link is lost
};

// A unit window's line to the unit: the link behind the window's own
// watchdog. Every request of the window goes through here. A window decides
// to close by lost(), never by a missing value: a request refused as a
// programming error yields no value on a link that still stands.
class Channel {
public:
    Channel(Session& session, LinkPolicy policy, std::chrono::milliseconds watchdogInterval, QWidget* window);

    Session& session() const { return m_session; }
    Watchdog& watchdog() { return m_watchdog; }
    const Watchdog& watchdog() const { return m_watchdog; }

    // A read is asked this often at most while the line disturbs its answer.
    static constexpr int kAsks = 4;

    // One request whose answer the link trusts: the line fell quiet after it
    // with nothing but the expected bytes. A disturbed read is asked again; a
    // line that stays disturbed is a lost link. A request that changes the
    // unit goes out once: a disturbed answer comes back marked disturbed.
    // Nothing when the link is lost; a refusal when another request runs.
    Reply ask(const Request& request);
    // One transaction whose answer is judged by the next settle(): for
    // requests in a row that the window checks together (a poll tick, a band
    // of a table between pacing waits).
    Reply askUnsettled(const Request& request);
    // The quiet check for the requests since the last one.
    LineVerdict settle();
    // Reads whose answers count together: `askAll` sends them unsettled and
    // says whether they were answered; the quiet check after them decides.
    // Disturbed, they are asked again; a line that stays disturbed is a lost
    // link (traced with `named`). False when no trusted answers came.
    bool readTrusted(const Request& named, const std::function<bool()>& askAll);
    // A command without reply, guarded like a transaction: false when it did
    // not go out because the link is lost.
    bool send(const Request& request);
    // The first byte of the reply; nothing when none came.
    std::optional<int> readByte(const Request& request);
    // A write whose reply must equal `echo`; a disturbed echo confirms nothing.
    Echo write(const Request& request, const Bytes& echo);

    // Parameters of the single-code form with a one-byte value.
    std::optional<int> readParam(int code);
    Echo writeParam(int code, int value);
    // Parameters of the paired form: the write code with its value bytes; the
    // unit's answer must equal `echo`.
    Echo writePaired(int writeCode, std::initializer_list<int> values, const Bytes& echo);

    // TimeoutFlag (the watchdog ran) or the program ends: the window closes.
    bool lost() const;

    // A line that stays disturbed ends like a silent one: the watchdog's run.
    void giveUpDisturbed(const Request& request);

private:
    Session& m_session;
    Watchdog m_watchdog;
};
