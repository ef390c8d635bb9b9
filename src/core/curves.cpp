#include "curves.h"

namespace {

// Horner form of c[0] x^6 + c[1] x^5 + ... + c[6].
template <int N> double polynomial(const double (&c)[N], double x)
{
    double r = 0;
    for (double k : c)
        r = r * x + k;
    return r;
}

constexpr double kMaf[] = { -0.087, 1.8598, -14.008, 54.325, -104.46, 112.53, -50.926 };
constexpr double kTemp[] = { 0.2778, -4.9534, 34.549, -121.38, 229.41, -248.89, 173.37 };

} // namespace

double MafFromAdc(int raw)
{
    return polynomial(kMaf, raw * 0.0048828125);
}

double HeadTempFromVoltage(double v)
{
    return polynomial(kTemp, v);
}

double AirTempFromVoltage(double v)
{
    return polynomial(kTemp, v);
}
