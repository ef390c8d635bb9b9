#include "options/crank.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace crank {

std::optional<double> angleFromTravel(double travelMm, double strokeMm, double rodMm)
{
    const double r = strokeMm / 2;
    const double l = rodMm;
    const double x = r + l - travelMm;
    const double denominator = -2 * x * r;
    if (!std::isfinite(denominator) || denominator == 0)
        return std::nullopt;
    const double c = (l * l - x * x - r * r) / denominator;
    // Rounding can put the cosine a hair beyond 1 at zero travel.
    constexpr double kSlack = 1e-12;
    if (!std::isfinite(c) || std::fabs(c) > 1 + kSlack)
        return std::nullopt;
    return std::acos(std::clamp(c, -1.0, 1.0)) * 180 / std::numbers::pi;
}

} // namespace crank
