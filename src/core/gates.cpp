#include "gates.h"

namespace gates {

// --- Status window, load ---------------------------------------------------

bool statusSensorAngleCorrected(const UnitIdentity& id)
{
    return id.firmwareMajor == 2 && id.firmwareMinor > 399 && id.firmwareMinor < 600 && id.unitType > 3
        && id.unitVariant != 2;
}

bool mixtureValues(const UnitIdentity& id)
{
    return id.injectionLine();
}

bool headTemperatureMeasured(const UnitIdentity& id)
{
    const bool oldFirmware = id.firmwareMajor <= 2 && (id.firmwareMajor != 2 || id.firmwareMinor < 500);
    return !(!id.injectionLine() && (oldFirmware || id.unitType < 4 || id.unitVariant != 0));
}

bool throttleAndStarterInputs(const UnitIdentity& id)
{
    return id.unitVariant != 1;
}

bool racingVariant(const UnitIdentity& id)
{
    return id.unitVariant == 2;
}

bool starterLabelIsSwitch3(const UnitIdentity& id)
{
    return id.unitVariant == 2 && !id.injectionLine();
}

bool faultMemoryButton(const UnitIdentity& id)
{
    return !(id.firmwareMajor < 1 && id.firmwareMinor < 500);
}

bool softDownButton(const UnitIdentity& id)
{
    return !(id.firmwareMajor < 1 && id.firmwareMinor < 600);
}

bool crankSensorTestButton(const UnitIdentity& id)
{
    return id.firmwareMajor > 3 || (id.firmwareMajor > 2 && id.firmwareMinor >= 140);
}

bool ignitionAngleZ2Label(const UnitIdentity& id)
{
    return id.cylinderCount != 1;
}

bool readsAngleOffset(const UnitIdentity& id)
{
    return !(id.firmwareMajor <= 2 && (id.firmwareMajor <= 1 || id.firmwareMinor < 600));
}

bool readsSwitchConfig(const UnitIdentity& id)
{
    return id.unitVariant == 2 && id.firmwareMajor > 2;
}

bool readsInput2Mode(const UnitIdentity& id)
{
    return !(!id.injectionLine() || !(id.firmwareMajor > 2 || (id.firmwareMajor == 2 && id.firmwareMinor >= 520)));
}

bool readsInput2Enrichment(const UnitIdentity& id)
{
    return id.firmwareMajor > 2 || (id.firmwareMajor == 2 && id.firmwareMinor >= 520);
}

// --- Status window, poll tick ----------------------------------------------

bool readsOutputStates(const UnitIdentity& id)
{
    return id.firmwareMajor >= 2 && (!id.ignitionOnlyLine() || id.unitVariant > 1);
}

InputTable inputTable(const UnitIdentity& id, bool racingVariant)
{
    // Only "Z" counts as ignition-only here; a third line letter reads table A.
    if (id.unitType > 3) {
        if (!id.ignitionOnlyLine())
            return InputTable::A;
        return racingVariant ? InputTable::B : InputTable::C;
    }
    return racingVariant ? InputTable::D : InputTable::C;
}

bool inputsStarterOnBit7(const UnitIdentity& id, bool racingVariant)
{
    return id.unitType > 3 && id.ignitionOnlyLine() && !racingVariant
        && !(id.firmwareMajor != 2 || id.firmwareMinor >= 406);
}

bool readsSecondIgnitionAngle(const UnitIdentity& id)
{
    return !(id.unitType < 4);
}

bool showsSecondIgnitionAngle(const UnitIdentity& id)
{
    return id.cylinderCount > 1;
}

// --- Recording ---------------------------------------------------------------

bool recordingHeadTempBox(const UnitIdentity& id)
{
    return id.injectionLine() || (id.unitType > 3 && id.unitVariant == 0);
}

bool recordingMixtureBoxes(const UnitIdentity& id)
{
    return id.injectionLine();
}

// --- Fault memory and actuator test ------------------------------------------

FaultMemoryLayout faultMemoryLayout(const UnitIdentity& id)
{
    if (id.firmwareMajor > 1)
        return FaultMemoryLayout::Full;
    if (id.firmwareMinor > 820)
        return FaultMemoryLayout::Medium;
    return FaultMemoryLayout::Short;
}

bool actuatorTestButton(const UnitIdentity& id)
{
    return id.firmwareMajor > 2 || (id.firmwareMajor == 2 && id.firmwareMinor > 329)
        || (id.firmwareMajor == 1 && id.firmwareMinor > 824);
}

bool faultReportNamesInjectionLine(const UnitIdentity& id)
{
    return id.injectionLine();
}

bool actuatorInjectorBox(const UnitIdentity& id)
{
    return !id.ignitionOnlyLine();
}

bool actuatorFuelSupplyBox(const UnitIdentity& id)
{
    return !id.ignitionOnlyLine() || (id.unitVariant == 2 && id.unitType >= 4);
}

// --- Soft-down and static settings -------------------------------------------

bool softDownTimeAdjustable(const UnitIdentity& id)
{
    return id.firmwareMajor >= 2;
}

bool softDownOnEnablesTime(const UnitIdentity& id)
{
    return id.firmwareMajor > 1;
}

bool idleControl(const UnitIdentity& id)
{
    return id.injectionLine()
        || (id.ignitionOnlyLine() && id.unitVariant == 0
            && (id.firmwareMajor > 2 || (id.firmwareMajor == 2 && id.firmwareMinor >= 500)));
}

bool coilChargeTime(const UnitIdentity& id)
{
    return id.firmwareMajor > 3 || id.cylinderCount == 1 || (id.firmwareMajor == 3 && id.firmwareMinor > 99);
}

// --- Racing options window ---------------------------------------------------

bool racingAngleReferenceCorrected(const UnitIdentity& id)
{
    return (id.firmwareMajor > 2 || (id.firmwareMajor == 2 && id.firmwareMinor > 399)) && id.unitType > 3
        && id.unitVariant != 2;
}

bool ignitionTablePerCylinder(const UnitIdentity& id)
{
    return id.unitType > 3;
}

bool injectionGridSetUp(const UnitIdentity& id)
{
    return id.unitType > 3;
}

bool input1FrameIsSwitchInput3(const UnitIdentity& id)
{
    return id.firmwareMajor < 2 && id.unitVariant == 2;
}

bool ignitionOffsetSwitch(const UnitIdentity& id)
{
    return !(id.firmwareMajor < 2 && id.firmwareMinor < 817);
}

bool additionalFunctionsTab(const UnitIdentity& id)
{
    return !(id.firmwareMajor < 2);
}

bool racingDwellRow(const UnitIdentity& id)
{
    return id.firmwareMajor >= 4 || id.firmwareMinor >= 150;
}

bool injectionTabs(const UnitIdentity& id)
{
    return id.injectionLine();
}

bool pumpPrePressure(const UnitIdentity& id)
{
    return id.firmwareMajor > 1 && id.cylinderCount > 1;
}

bool airMassSettings(const UnitIdentity& id)
{
    return id.injectionLine() && (id.firmwareMajor > 2 || (id.firmwareMajor == 2 && id.firmwareMinor > 335));
}

bool loadChangeTab(const UnitIdentity& id)
{
    return id.injectionLine() && (id.firmwareMajor > 2 || (id.firmwareMajor == 2 && id.firmwareMinor > 499));
}

bool hotStartSettings(const UnitIdentity& id)
{
    return id.injectionLine() && (id.firmwareMajor > 2 || (id.firmwareMajor == 2 && id.firmwareMinor > 533));
}

bool coilAndLeadAngleSettings(const UnitIdentity& id)
{
    return id.firmwareMajor > 2 || (id.firmwareMajor > 1 && id.firmwareMinor > 599);
}

// --- Ignition table ----------------------------------------------------------

bool ignitionTableShiftsByLeadAngle(const UnitIdentity& id)
{
    // The shift exists exactly where the lead angle can be set.
    return coilAndLeadAngleSettings(id);
}

bool slowTablePacing(const UnitIdentity& id)
{
    return id.firmwareMinor < 820;
}

// --- Switching module --------------------------------------------------------

bool switchingModuleListsBza(const UnitIdentity& id)
{
    return id.injectionLine();
}

bool switchingModuleOffersTableSelection(const UnitIdentity& id)
{
    return !id.injectionLine() && id.firmwareMajor > 1;
}

bool switchingModuleOffersMapSelection(const UnitIdentity& id)
{
    return id.firmwareMajor > 2 || (id.firmwareMajor == 2 && id.firmwareMinor > 519);
}

bool switchingModuleInput2Frame(const UnitIdentity& id)
{
    return id.injectionLine();
}

bool switchingModuleBandIndexThresholds(const UnitIdentity& id)
{
    return id.firmwareMajor >= 2 && (id.firmwareMajor != 2 || id.firmwareMinor >= 314);
}

bool switchingModuleInput1Retard(const UnitIdentity& id)
{
    // The read skips when major <= 1 and minor <= 816; the write sends when
    // major > 1 or minor > 816. Both are this one condition.
    return id.firmwareMajor > 1 || id.firmwareMinor > 816;
}

bool switchingModuleInput1Function(const UnitIdentity& id)
{
    return id.firmwareMajor > 1;
}

bool switchingModuleReadsInput2Function(const UnitIdentity& id)
{
    return !(!id.injectionLine() || ((id.firmwareMinor <= 519 || id.firmwareMajor <= 1) && id.firmwareMajor <= 2));
}

bool switchingModuleWritesInput2Function(const UnitIdentity& id)
{
    return id.injectionLine() && (id.firmwareMajor > 2 || (id.firmwareMajor > 1 && id.firmwareMinor > 519));
}

// --- Coil and additional functions, load change --------------------------------

bool dwellControlsWithCoilType(const UnitIdentity& id)
{
    return id.firmwareMajor >= 3 && (id.firmwareMajor >= 4 || id.firmwareMinor >= 150);
}

bool pumpPrePressureWritten(const UnitIdentity& id)
{
    return id.firmwareMajor > 1;
}

bool warmUpAdaptationsOnOpening(const UnitIdentity& id)
{
    return id.firmwareMajor > 2 || (id.firmwareMajor == 2 && id.firmwareMinor > 529);
}

} // namespace gates
