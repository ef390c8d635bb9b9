#pragma once

#include "core/commands.h"
#include "shell/link.h"
#include "shell/watchdog.h"

#include <chrono>
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

    // One transaction; nothing when the link is lost.
    Reply ask(const Request& request);
    // A command without reply, guarded like a transaction: false when it did
    // not go out because the link is lost.
    bool send(const Request& request);
    // The first byte of the reply; nothing when none came.
    std::optional<int> readByte(const Request& request);
    // A write whose reply must equal `echo`.
    Echo write(const Request& request, const Bytes& echo);

    // Parameters of the single-code form with a one-byte value.
    std::optional<int> readParam(int code);
    Echo writeParam(int code, int value);
    // Parameters of the paired form: the write code with its value bytes; the
    // unit's answer must equal `echo`.
    Echo writePaired(int writeCode, std::initializer_list<int> values, const Bytes& echo);

    // TimeoutFlag (the watchdog ran) or the program ends: the window closes.
    bool lost() const;

private:
    Session& m_session;
    Watchdog m_watchdog;
};
