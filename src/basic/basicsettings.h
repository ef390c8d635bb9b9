#pragma once

#include "core/bytes.h"

#include <QString>

#include <optional>

// Conversions of the soft-down and static settings between what the unit
// stores and what the window's controls hold and show.
namespace basic {

// --- Soft-down time: the unit stores b = N - 1, N steps of 1.68 s ----------

constexpr int kSoftDownStandardByte = 255; // "use the standard time"
constexpr int kSoftDownStepMin = 1;
constexpr int kSoftDownStepMax = 254;

double softDownSeconds(int step);
// The step shown for a stored byte (never 255: resolve the standard first).
int softDownStepFromByte(int storedByte);
// Whether the control shows the unit's standard time for a stored byte: the
// byte that selects it, and a time longer than the control holds.
bool softDownShowsStandard(int storedByte);
// The byte to write for step N: 255 when N is the unit's standard time, so the
// unit keeps following its standard rather than a copy of it. `holdsStandard`
// tells that the control still holds the standard as read: a standard longer
// than the control holds sits there as the longest step, which is not its time.
int softDownWriteByte(int step, int standardByte, bool holdsStandard = false);
// Whether the echo of a write of `written` confirms it.
bool softDownEchoMatches(int written, int echo);

// --- Idle control: flags byte and a 10-bit raw head temperature -------------

constexpr int kTempStepMin = 50;
constexpr int kTempStepMax = 730;
constexpr int kTempStepStandard = 395;
constexpr int kRawErased = 1023;

struct IdleControl {
    bool dynamic = false;
    int raw = 0;
};
IdleControl decodeIdleControl(const Bytes& reply); // 2 bytes
int idleControlFlags(bool dynamic, int raw);

enum class TempCheck { Valid, Erased, Invalid };
struct TempStep {
    int step = kTempStepMin;
    TempCheck check = TempCheck::Valid;
};
// T = 780 - raw; an erased raw silently gives the minimum; anything the
// control cannot hold (below 50 or above 730) is invalid and gives the minimum.
TempStep tempStepFromRaw(int raw);
int rawFromTempStep(int step);
double headTemperature(int step); // °C, unrounded

// --- Static angle, tenths of a degree -------------------------------------

constexpr int kStaticAngleMax = 255;
double staticAngleDegrees(int sensorPosition, int step, int leadAngle);
// S for 21 degrees before top dead centre, or nothing when no byte can hold it.
std::optional<int> standardStaticAngle(int sensorPosition, int leadAngle);

// --- Displays with the regional separator ---------------------------------

QString softDownText(int step);
QString headTemperatureText(int step);
QString staticAngleText(int sensorPosition, int step, int leadAngle);
QString coilText(int step);

} // namespace basic
