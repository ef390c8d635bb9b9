#pragma once

#include "core/bytes.h"
#include "core/identity.h"

#include <QStringList>

#include <optional>

// The actuators the unit tests, as bits of the mask it is sent.
namespace actuators {

constexpr int kIgnition = 1; // chkIgn
constexpr int kInjector = 2; // chkEv
constexpr int kFuelSupply = 4; // chkIPU
// The bits the window has boxes for; the unit's other bits are not shown.
constexpr int kBoxes = kIgnition | kInjector | kFuelSupply;

// The names of the boxes a mask chooses, as the window labels them.
QStringList names(int mask);

// `mask` with `bit` set or cleared.
int withBit(int mask, int bit, bool on);

// The state query's answer: whether a test runs, and the unit's mask.
struct State {
    bool running = false;
    int mask = 0;

    bool operator==(const State&) const = default;
};
// Nothing when the reply is shorter than the query's two bytes.
std::optional<State> decodeState(const Bytes& reply);

// Which boxes the unit's line and hardware offer (ignition always).
struct Offered {
    bool injector = true; // chkEv with the safety notice
    bool fuelSupply = true; // chkIPU

    bool operator==(const Offered&) const = default;
};
Offered offered(const UnitIdentity& id);

} // namespace actuators
