#pragma once

#include "core/bytes.h"

#include <QString>

#include <array>

// The load-change and overrun parameters: ranges, what the unit's replies
// mean and how the page shows each raw value. The controls hold raw values;
// only the display boxes convert.
namespace loadchange {

// Control ranges (raw values) and the standards that replace stored values
// outside what the unit may hold.
constexpr int kSensitivityMax = 250;
constexpr int kSensitivityStandard = 25;
constexpr int kEnrichmentMax = 32;
constexpr int kEnrichmentStandard = 2;
constexpr int kAdvanceMax = 255;
constexpr int kDurationMax = 255;
constexpr int kMaxAirMassMin = 400;
constexpr int kMaxAirMassMax = 961;
constexpr int kMaxAirMassDesign = 800;
constexpr int kMaxAirMassStandard = 795; // what an implausible reply stands for
constexpr int kMaxAirMassOpeningStandard = 742;
constexpr int kOverrunSensitivityMax = 255;
constexpr int kOverrunLeaningMax = 16;
constexpr int kOverrunLeaningStandard = 3;
constexpr int kAdaptationMin = -128;
constexpr int kAdaptationMax = 127;

// Write codes that differ from their read codes.
constexpr int kMaxAirMassWriteCode = 146;
constexpr int kAdaptationWriteCode = 149;

// The warm-up adaptation bands, warmest first, in the page's two rows of three.
struct Band {
    int index; // the unit's band number and the control's suffix
    const char* label; // with its Alt letter
};
constexpr int kBands = 6;
inline constexpr std::array<Band, kBands> kBandList { {
    { 0, "&30 bis 40° C" },
    { 1, "&20 bis 30° C" },
    { 2, "&10 bis 20° C" },
    { 3, "&0 bis 10° C" },
    { 4, "-10 bis 0° &C" },
    { 5, "&unter -10° C" },
} };
constexpr int kBandsPerRow = 3;

// --- Replies ------------------------------------------------------------------

// The maximum air mass: a big-endian converter count. Also the echo of its write.
int maxAirMass(const Bytes& reply);
// Whether the unit's maximum air mass can be meant; above 961 it stands for 795.
bool maxAirMassPlausible(int count);
// A warm-up adaptation byte in two's complement (253 is -3), and back.
int adaptationFromByte(int byte);
int adaptationByte(int value);

// --- Display texts ------------------------------------------------------------

// The fixed style (leading blank, "." as separator) unless said otherwise.
QString sensitivityText(int n); // " 25"
QString enrichmentText(int n); // "+ 2/16", as the up-down's change writes it
QString enrichmentReadText(int n); // "+  2/16", as a read writes it
QString advanceText(int n); // tenths of a degree: "+ 0.0°", "+ 0 .5°", "+  1.5°"
QString durationText(int n); // " 10"
QString maxAirMassText(int count); // kg/h, two decimals, regional separator
QString overrunLeaningText(int n); // "- 3/16"
QString adaptationText(int n); // "-3/16", " 3/16"

} // namespace loadchange
