#pragma once

// The electronic choke's stored values and what they stand for.
namespace choke {

constexpr int kBands = 6; // "30 bis 40° C" down to "unter -10° C"

// A warm-up end is stored as a sensor count; shown in tenths of a degree of
// the band's temperature (each band has its own slope), at most 32767.
int warmUpEndFromCount(int band, int count);

} // namespace choke
