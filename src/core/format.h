#pragma once

#include <QChar>
#include <QString>

// The program's display conventions for numbers, in one place. Every function
// takes the decimal separator explicitly so that callers decide between the
// regional one and the fixed ".".
namespace fmt {

// The regional decimal separator of the current default QLocale.
QChar regionalSeparator();

// Rounds x to `decimals` places, halves to the even neighbour. The half is
// judged on the number's shortest decimal form, so 0.125 -> 0.12 and 2.5 -> 2.
double roundHalfEven(double x, int decimals = 0);

// Shortest text of a value as the program shows it: up to 15 significant digits
// for a double, up to 7 for a single, no trailing zeros, a leading "0" before
// the separator, "-" for negatives, no sign for zero.
QString plainNumber(double x, QChar separator);
QString plainNumber(float x, QChar separator);
QString plainNumber(double x); // regional separator
QString plainNumber(float x); // regional separator

// The fixed style: non-negative numbers get one leading blank, no zero before
// the point below 1, always "." as separator (0.5 -> " .5", -0.1 -> "-.1").
QString fixedStyle(double x);

// x rounded half to even to `decimals` places and written with exactly that
// many decimals (the patterns "0.0" and "0.00").
QString fixedDecimals(double x, int decimals, QChar separator);
QString fixedDecimals(double x, int decimals); // regional separator

// The leading number of a text: leading blanks skipped, an optional sign,
// digits with an optional "." fraction and exponent; anything else ends the
// number. An empty or non-numeric text gives 0.
double leadingNumber(const QString& text);
double leadingNumber(const QByteArray& text);

// Reads a number written with the given separator (the regional one for
// values a user typed); "." is accepted too. Non-numeric text gives 0.
double parseDecimal(const QString& text, QChar separator);

} // namespace fmt
