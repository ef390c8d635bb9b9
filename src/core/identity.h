#pragma once

#include "bytes.h"

#include <QString>

// The control unit's identity as read at the start of a connection; every unit
// window enables or hides features by it.
struct UnitIdentity {
    QString firmwareRelease; // reply of "v00?", shown as is
    float firmwareMajor = 0; // numeric value of characters 1-2
    float firmwareMinor = 0; // numeric value of characters 4-6 (last three)
    QString unitTypeText; // reply of "t00?", 15 characters
    QString unitLineCode; // character 2: "E" injection line, "Z" ignition only
    int cylinderCount = 0; // character 6
    int unitType = 0; // character 13 (3 or 4)
    int unitVariant = 0; // character 14 (1 no inputs, 2 racing)
    QString unitSuffix; // character 15
    QString serialNumber; // reply of "s00?"

    void setFirmware(const Bytes& reply);
    void setUnitType(const Bytes& reply);

    bool injectionLine() const { return unitLineCode == QLatin1String("E"); }
    bool ignitionOnlyLine() const { return unitLineCode == QLatin1String("Z"); }

    // "Steuergerätetyp: RX4.0D"
    QString hardwareText() const;
    // "2.600": major and minor as plain numbers.
    QString firmwareText() const;
};

// Firmware gates compare against constants; these read like the conditions.
inline bool firmwareAtLeast(const UnitIdentity& id, int major, int minor)
{
    return id.firmwareMajor > major || (id.firmwareMajor == major && id.firmwareMinor >= minor);
}
