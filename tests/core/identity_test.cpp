#include "core/identity.h"

#include <gtest/gtest.h>

namespace {

TEST(UnitIdentity, FirmwareReleaseGivesMajorAndMinor)
{
    UnitIdentity id;
    id.setFirmware(QByteArray("02.600"));
    EXPECT_EQ(id.firmwareRelease, QStringLiteral("02.600"));
    EXPECT_FLOAT_EQ(id.firmwareMajor, 2.0f);
    EXPECT_FLOAT_EQ(id.firmwareMinor, 600.0f);
    EXPECT_EQ(id.firmwareText(), QStringLiteral("2.600"));
    id.setFirmware(QByteArray("00.450"));
    EXPECT_FLOAT_EQ(id.firmwareMajor, 0.0f);
    EXPECT_FLOAT_EQ(id.firmwareMinor, 450.0f);
}

TEST(UnitIdentity, UnitTypeTextGivesLineCylindersTypeVariantSuffix)
{
    UnitIdentity id;
    id.setUnitType(QByteArray("KEDX 2Zyl RX42D"));
    EXPECT_EQ(id.unitLineCode, QStringLiteral("E"));
    EXPECT_TRUE(id.injectionLine());
    EXPECT_FALSE(id.ignitionOnlyLine());
    EXPECT_EQ(id.cylinderCount, 2);
    EXPECT_EQ(id.unitType, 4);
    EXPECT_EQ(id.unitVariant, 2);
    EXPECT_EQ(id.unitSuffix, QStringLiteral("D"));
    EXPECT_EQ(id.hardwareText(), QStringLiteral("Steuergerätetyp: RX4.2D"));
}

TEST(UnitIdentity, NonDigitPositionsReadAsZero)
{
    UnitIdentity id;
    id.setUnitType(QByteArray("KQDX xZyl RX??"));
    EXPECT_EQ(id.unitLineCode, QStringLiteral("Q"));
    EXPECT_FALSE(id.injectionLine());
    EXPECT_FALSE(id.ignitionOnlyLine());
    EXPECT_EQ(id.cylinderCount, 0);
    EXPECT_EQ(id.unitType, 0);
    EXPECT_EQ(id.unitSuffix, QString());
}

TEST(FirmwareGate, ComparesMajorThenMinor)
{
    UnitIdentity id;
    id.setFirmware(QByteArray("03.139"));
    EXPECT_FALSE(firmwareAtLeast(id, 3, 140));
    id.setFirmware(QByteArray("03.140"));
    EXPECT_TRUE(firmwareAtLeast(id, 3, 140));
    id.setFirmware(QByteArray("04.000"));
    EXPECT_TRUE(firmwareAtLeast(id, 3, 140));
}

} // namespace
