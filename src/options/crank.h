#pragma once

#include <optional>

namespace crank {

// Crank angle before top dead centre, in degrees, at which the piston stands
// `travelMm` below it, for a crank drive of the given stroke and rod length
// (law of cosines in the triangle crank centre, crank pin, piston pin).
// No angle exists when the travel lies beyond the stroke or the geometry is
// degenerate; then the result is empty.
std::optional<double> angleFromTravel(double travelMm, double strokeMm, double rodMm);

} // namespace crank
