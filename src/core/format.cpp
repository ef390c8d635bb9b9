#include "format.h"

#include <QLocale>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <type_traits>

namespace fmt {
namespace {

// Splits a finite value into its shortest round-trip digits (no leading or
// trailing zeros) and the decimal exponent of the first digit: value =
// 0.d1d2d3... * 10^exp10.
struct Decimal {
    bool negative = false;
    std::string digits; // empty means zero
    int exp10 = 0;
};

// The shortest digits that read back to the same value of the source type
// (a float's 26.2f is "262", not the digits of the double it widens to).
template <typename T> Decimal shortest(T x)
{
    Decimal d;
    if (x == T(0) || !std::isfinite(x))
        return d;
    d.negative = x < 0;
    const T magnitude = std::fabs(x);
    constexpr int maxSignificant = std::is_same_v<T, float> ? 9 : 17;
    char buf[64];
    for (int p = 1; p <= maxSignificant; ++p) {
        std::snprintf(buf, sizeof buf, "%.*e", p - 1, static_cast<double>(magnitude));
        const T back = std::is_same_v<T, float> ? T(std::strtof(buf, nullptr)) : T(std::strtod(buf, nullptr));
        if (back == magnitude)
            break;
    }
    const std::string s(buf);
    const auto e = s.find('e');
    for (char c : s.substr(0, e))
        if (c != '.')
            d.digits += c;
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    d.exp10 = std::atoi(s.c_str() + e + 1) + 1;
    return d;
}

// Rounds the decimal digits to `decimals` places after the point, half to even.
Decimal roundDecimal(Decimal d, int decimals)
{
    if (d.digits.empty())
        return d;
    const int keep = d.exp10 + decimals; // digits that stay
    if (keep >= static_cast<int>(d.digits.size()))
        return d;
    if (keep < 0) {
        d.digits.clear();
        d.negative = false;
        return d;
    }
    const char first = d.digits[keep];
    const bool restNonZero = d.digits.find_first_not_of('0', keep + 1) != std::string::npos;
    bool up = first > '5' || (first == '5' && restNonZero);
    if (first == '5' && !restNonZero) {
        const int prev = keep > 0 ? d.digits[keep - 1] - '0' : 0;
        up = (prev % 2) == 1;
    }
    std::string kept = d.digits.substr(0, keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && kept[i] == '9') {
            kept[i] = '0';
            --i;
        }
        if (i < 0) {
            kept.insert(kept.begin(), '1');
            ++d.exp10;
        } else {
            ++kept[i];
        }
    }
    while (!kept.empty() && kept.back() == '0')
        kept.pop_back();
    d.digits = kept;
    if (d.digits.empty())
        d.negative = false;
    return d;
}

double toDouble(const Decimal& d)
{
    if (d.digits.empty())
        return 0.0;
    std::string s = (d.negative ? "-0." : "0.") + d.digits + "e" + std::to_string(d.exp10);
    return std::strtod(s.c_str(), nullptr);
}

// Writes the digits positionally; `leadingZero` puts "0" before the separator
// of values below 1. Values beyond the positional range use the exponent form.
QString positional(const Decimal& d, QChar separator, bool leadingZero, int minDecimals = 0)
{
    QString out;
    if (d.digits.empty()) {
        out = leadingZero || minDecimals == 0 ? QStringLiteral("0") : QString();
        if (minDecimals > 0)
            out += separator + QString(minDecimals, QLatin1Char('0'));
        return out;
    }
    const int n = static_cast<int>(d.digits.size());
    if (minDecimals == 0 && (d.exp10 > 15 || d.exp10 < -14)) {
        // Exponent form, as "1E-20" or "1,5E+17".
        QString mant = QString::fromLatin1(d.digits.substr(0, 1).c_str());
        if (n > 1)
            mant += separator + QString::fromLatin1(d.digits.substr(1).c_str());
        const int e = d.exp10 - 1;
        out = mant + QLatin1Char('E') + (e < 0 ? QLatin1Char('-') : QLatin1Char('+'))
            + QString::number(std::abs(e)).rightJustified(2, QLatin1Char('0'));
        return (d.negative ? QStringLiteral("-") : QString()) + out;
    }
    QString intPart;
    QString fracPart;
    if (d.exp10 <= 0) {
        intPart = leadingZero ? QStringLiteral("0") : QString();
        fracPart = QString(-d.exp10, QLatin1Char('0')) + QString::fromLatin1(d.digits.c_str());
    } else if (d.exp10 >= n) {
        intPart = QString::fromLatin1(d.digits.c_str()) + QString(d.exp10 - n, QLatin1Char('0'));
    } else {
        intPart = QString::fromLatin1(d.digits.substr(0, d.exp10).c_str());
        fracPart = QString::fromLatin1(d.digits.substr(d.exp10).c_str());
    }
    if (fracPart.size() < minDecimals)
        fracPart += QString(minDecimals - fracPart.size(), QLatin1Char('0'));
    if (minDecimals > 0 && intPart.isEmpty())
        intPart = QStringLiteral("0");
    out = intPart;
    if (!fracPart.isEmpty())
        out += separator + fracPart;
    return (d.negative ? QStringLiteral("-") : QString()) + out;
}

} // namespace

QChar regionalSeparator()
{
    const QString dp = QLocale().decimalPoint();
    return dp.isEmpty() ? QLatin1Char('.') : dp.at(0);
}

double roundHalfEven(double x, int decimals)
{
    if (!std::isfinite(x))
        return x;
    return toDouble(roundDecimal(shortest(x), decimals));
}

QString plainNumber(double x, QChar separator)
{
    // Doubles are shown with at most 15 significant digits.
    Decimal d = shortest(x);
    if (static_cast<int>(d.digits.size()) > 15)
        d = roundDecimal(d, 15 - d.exp10);
    return positional(d, separator, true);
}

QString plainNumber(float x, QChar separator)
{
    Decimal d = shortest(x);
    if (static_cast<int>(d.digits.size()) > 7)
        d = roundDecimal(d, 7 - d.exp10);
    return positional(d, separator, true);
}

QString plainNumber(double x)
{
    return plainNumber(x, regionalSeparator());
}

QString plainNumber(float x)
{
    return plainNumber(x, regionalSeparator());
}

QString fixedStyle(double x)
{
    Decimal d = shortest(x);
    if (static_cast<int>(d.digits.size()) > 15)
        d = roundDecimal(d, 15 - d.exp10);
    const QString body = positional(d, QLatin1Char('.'), false);
    if (d.digits.empty())
        return QStringLiteral(" 0");
    return d.negative ? body : QLatin1Char(' ') + body;
}

QString fixedDecimals(double x, int decimals, QChar separator)
{
    return positional(roundDecimal(shortest(x), decimals), separator, true, decimals);
}

QString fixedDecimals(double x, int decimals)
{
    return fixedDecimals(x, decimals, regionalSeparator());
}

double leadingNumber(const QByteArray& text)
{
    int i = 0;
    const int n = text.size();
    while (i < n && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    std::string s;
    if (i < n && (text[i] == '+' || text[i] == '-'))
        s += text[i++];
    bool digits = false;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
        s += text[i++];
        digits = true;
    }
    if (i < n && text[i] == '.') {
        s += text[i++];
        while (i < n && text[i] >= '0' && text[i] <= '9') {
            s += text[i++];
            digits = true;
        }
    }
    if (!digits)
        return 0.0;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        std::string e = "e";
        int j = i + 1;
        if (j < n && (text[j] == '+' || text[j] == '-'))
            e += text[j++];
        bool expDigits = false;
        while (j < n && text[j] >= '0' && text[j] <= '9') {
            e += text[j++];
            expDigits = true;
        }
        if (expDigits)
            s += e;
    }
    const double v = std::strtod(s.c_str(), nullptr);
    return std::isfinite(v) ? v : 0.0;
}

double leadingNumber(const QString& text)
{
    return leadingNumber(text.toLatin1());
}

double parseDecimal(const QString& text, QChar separator)
{
    QString t = text.trimmed();
    if (separator != QLatin1Char('.'))
        t.replace(separator, QLatin1Char('.'));
    return leadingNumber(t);
}

} // namespace fmt
