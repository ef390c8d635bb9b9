#include "timing.h"

#include <algorithm>
#include <cmath>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace timing {
namespace {
double g_scale = 1.0;
}

void setScale(double factor)
{
    g_scale = factor > 0 ? factor : 1.0;
}

double scale()
{
    return g_scale;
}

int interval(std::chrono::milliseconds design)
{
    return std::max(1, static_cast<int>(std::lround(design.count() * g_scale)));
}

void usePreciseWakeUps()
{
#ifdef __linux__
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
}

} // namespace timing
