#include "identity.h"

#include "format.h"

namespace {

// Character `pos` (1-based) of a text, empty when the text is shorter.
QString charAt(const QString& s, int pos)
{
    return pos >= 1 && pos <= s.size() ? s.mid(pos - 1, 1) : QString();
}

int numericChar(const QString& s, int pos)
{
    return static_cast<int>(fmt::roundHalfEven(fmt::leadingNumber(charAt(s, pos))));
}

} // namespace

void UnitIdentity::setFirmware(const Bytes& reply)
{
    firmwareRelease = bytes::text(reply);
    firmwareMajor = static_cast<float>(fmt::leadingNumber(firmwareRelease.left(2)));
    firmwareMinor = static_cast<float>(fmt::leadingNumber(firmwareRelease.right(3)));
}

void UnitIdentity::setUnitType(const Bytes& reply)
{
    unitTypeText = bytes::text(reply);
    unitLineCode = charAt(unitTypeText, 2);
    cylinderCount = numericChar(unitTypeText, 6);
    unitType = numericChar(unitTypeText, 13);
    unitVariant = numericChar(unitTypeText, 14);
    unitSuffix = charAt(unitTypeText, 15);
}

QString UnitIdentity::hardwareText() const
{
    return QStringLiteral("Steuergerätetyp: RX") + QString::number(unitType) + QLatin1Char('.')
        + QString::number(unitVariant) + unitSuffix;
}

QString UnitIdentity::firmwareText() const
{
    return fmt::plainNumber(firmwareMajor, QLatin1Char('.')) + QLatin1Char('.')
        + fmt::plainNumber(firmwareMinor, QLatin1Char('.'));
}
