#include "loadchangemodel.h"

#include "core/curves.h"
#include "core/format.h"

namespace loadchange {

namespace {

const QString kSixteenths = QStringLiteral("/16");
const QString kDegree = QStringLiteral("°");

} // namespace

int maxAirMass(const Bytes& reply)
{
    return bytes::bigEndian16(reply, 0);
}

bool maxAirMassPlausible(int count)
{
    return count <= kMaxAirMassMax;
}

int adaptationFromByte(int byte)
{
    return bytes::signedByte(byte & 0xFF);
}

int adaptationByte(int value)
{
    return value & 0xFF;
}

QString sensitivityText(int n)
{
    return fmt::fixedStyle(n);
}

QString enrichmentText(int n)
{
    return QLatin1Char('+') + fmt::fixedStyle(n) + kSixteenths;
}

QString enrichmentReadText(int n)
{
    return QStringLiteral("+ ") + fmt::fixedStyle(n) + kSixteenths;
}

QString advanceText(int n)
{
    if (n == 0)
        return QStringLiteral("+ 0.0") + kDegree;
    if (n < 10)
        return QStringLiteral("+ 0") + fmt::fixedStyle(n / 10.0) + kDegree;
    return QStringLiteral("+ ") + fmt::fixedStyle(n / 10.0) + kDegree;
}

QString durationText(int n)
{
    return fmt::fixedStyle(n);
}

QString maxAirMassText(int count)
{
    return fmt::plainNumber(fmt::roundHalfEven(MafFromAdc(count), 2));
}

QString overrunLeaningText(int n)
{
    return QLatin1Char('-') + fmt::fixedStyle(n) + kSixteenths;
}

QString adaptationText(int n)
{
    return fmt::fixedStyle(n) + kSixteenths;
}

} // namespace loadchange
