#pragma once

#include "core/bytes.h"
#include "core/coilcharge.h"

#include <QString>

#include <array>

// The single unit parameters of the additional functions: what the unit's
// replies mean and how the page shows each raw value. The controls hold raw
// values; only the display boxes convert.
namespace extras {

// The control ranges (raw values).
constexpr int kChargeTimeMin = coilcharge::kMin;
constexpr int kChargeTimeMax = coilcharge::kMax;
constexpr int kChargeTimeStandard = coilcharge::kStandard;
constexpr int kCoilDelayMin = 0;
constexpr int kCoilDelayMax = 4090;
constexpr int kCoilDelayStep = 10;
constexpr int kCoilDelayStandard = 2200;
constexpr int kDwellStartOff = 0; // the dwell control works from the start
constexpr int kDwellStartMax = 255;
constexpr int kLeadAngleMax = 255;
constexpr int kPumpTimeMax = 20;
constexpr int kPumpTimeStandard = 5;
constexpr int kSamplingMax = 255;
constexpr int kFullLoadAirMassMin = 400;
constexpr int kFullLoadAirMassMax = 961;
constexpr int kFullLoadAirMassStandard = 665;

// --- Replies ------------------------------------------------------------------

// Coil charge time: a 24-bit count of microseconds, lowest byte first, in
// steps of 0.1 ms (halves to even). Also the echo of its write.
int chargeTime(const Bytes& reply);
// Coil switch-off delay: high, low and two unused bytes. Also the echo of its
// write, which the unit answers without the write's top bit.
int coilDelay(const Bytes& reply);
// Whether a delay can stand in the control. The unit's known implausible
// answer (a first byte of 255 with a non-zero second byte) lies beyond it, as
// does every other first byte of 16 or more.
bool coilDelayValid(int delay);
// Full-load air mass: a big-endian converter count. Also the echo of its write.
int fullLoadAirMass(const Bytes& reply);

// --- Coil types -------------------------------------------------------------

constexpr int kCoilTypeOther = 0; // "Andere": the only type with a delay setting

struct CoilType {
    int code;
    const char* text;
};
// In the order of the list.
inline constexpr std::array<CoilType, 4> kCoilTypes { {
    { 1, "Topfzündspulen" },
    { 2, "VW-Kompaktzündmodule (867 905 104A)" },
    { 3, "VW-Kompaktzündmodule (6N0 905 104)" },
    { kCoilTypeOther, "Andere" },
} };
inline const QString kUnknownCoilType = QStringLiteral("Unbekannt");

// The list row of a code, -1 for a code the list does not know.
int coilTypeRow(int code);
QString coilTypeText(int code);
bool hasDelaySetting(int code);

// --- Display texts, regional decimal separator ------------------------------

QString chargeTimeText(int raw); // ms: raw / 10
QString coilDelayText(int raw); // µs: raw / 10
QString dwellStartText(int raw); // U/min, or "Aus (180°)" for raw 0
QString leadAngleText(int raw); // degrees of crank angle: raw / 10
QString pumpTimeText(int raw); // seconds: raw × 1.68, one decimal
QString samplingText(int raw); // the factor as it is
QString fullLoadAirMassText(int raw); // kg/h, two decimals

} // namespace extras
