#pragma once

#include "core/bytes.h"

#include <QString>

// The electronic choke's stored values and what they stand for. Its texts
// use the fixed number style: one blank for a plus sign, "." as separator.
namespace choke {

constexpr int kBands = 6; // "30 bis 40° C" down to "unter -10° C"

// The band's label, warmest band first ("0 bis 10° C " keeps its trailing blank).
QString bandText(int band);

// --- Warm-up end ----------------------------------------------------------------

// Volts per tenth of a degree at the temperature of the table index's band
// (low byte 12, 14, ... 22); any other index has the general slope.
double warmUpEndSlope(int index);
// A warm-up end is stored as a sensor count; shown in tenths of a degree of
// the band's temperature (each band has its own slope), at most 32767.
int warmUpEndFromCount(int band, int count);
// The count stored for tenths of a degree, halves to the even neighbour.
int warmUpEndToCount(int band, int tenths);

// --- Hot start ------------------------------------------------------------------

constexpr int kSensorCountMax = 1023;
// Engine temperature in degrees for the hot-start control's value u, which
// is 1023 minus the temperature sensor's converter count.
double hotStartTemperature(int u);
// The hot-start enrichment as stored: a two's complement byte, and back.
int hotStartFactor(const Bytes& reply);
int hotStartFactorByte(int factor);

// --- Texts ----------------------------------------------------------------------

QString enrichmentText(int sixteenths); // "+ 5/16"
QString warmUpEndText(int tenths); // "+ 4.2°", below a degree "+0 .8°"
QString hotStartText(int u); // "+ 92.79°C"
QString hotStartFactorText(int sixteenths); // "+ 3/16", " 0/16", "-5/16"

} // namespace choke
