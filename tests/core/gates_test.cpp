#include "core/gates.h"

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

namespace {

// Unit type texts as the unit sends them: line letter (2nd), cylinders (6th),
// type (13th) and variant (14th character).
const char* const kE40 = "KEDX 2Zyl RX40A";
const char* const kE41 = "KEDX 2Zyl RX41A";
const char* const kE42 = "KEDX 2Zyl RX42A";
const char* const kE30 = "KEDX 2Zyl RX30A";
const char* const kE32 = "KEDX 2Zyl RX32A";
const char* const kZ40 = "KZDX 2Zyl RX40A";
const char* const kZ41 = "KZDX 2Zyl RX41A";
const char* const kZ42 = "KZDX 2Zyl RX42A";
const char* const kZ30 = "KZDX 2Zyl RX30A";
const char* const kZ32 = "KZDX 2Zyl RX32A";
const char* const kZ40One = "KZDX 1Zyl RX40A";
// A third line letter is neither "E" nor "Z".
const char* const kX40 = "KXDX 2Zyl RX40A";

const char* const Yes = "Yes";
const char* const No = "No";

using Outcome = std::string (*)(const UnitIdentity&);

std::string yesNo(bool b)
{
    return b ? Yes : No;
}

template <bool (*Gate)(const UnitIdentity&)> std::string yesNo(const UnitIdentity& id)
{
    return yesNo(Gate(id));
}

std::string inputTable(const UnitIdentity& id)
{
    switch (gates::inputTable(id, gates::racingVariant(id))) {
    case gates::InputTable::A:
        return "A";
    case gates::InputTable::B:
        return "B";
    case gates::InputTable::C:
        return "C";
    case gates::InputTable::D:
        return "D";
    }
    return "?";
}

std::string starterOnBit7(const UnitIdentity& id)
{
    return yesNo(gates::inputsStarterOnBit7(id, gates::racingVariant(id)));
}

std::string faultMemoryLayout(const UnitIdentity& id)
{
    switch (gates::faultMemoryLayout(id)) {
    case gates::FaultMemoryLayout::Full:
        return "Full";
    case gates::FaultMemoryLayout::Medium:
        return "Medium";
    case gates::FaultMemoryLayout::Short:
        return "Short";
    }
    return "?";
}

struct Side {
    const char* firmware; // "v00?" reply
    const char* unit; // "t00?" reply
    const char* expected;
};

struct Row {
    std::string gate;
    Outcome outcome;
    Side side;
};

// A boolean gate under its own name.
#define GATE(name) #name, yesNo < gates::name>

std::vector<Row> table()
{
    std::vector<Row> rows;
    const auto gate = [&rows](const char* name, Outcome outcome, std::initializer_list<Side> sides) {
        for (const Side& s : sides)
            rows.push_back({ name, outcome, s });
    };

    // Status window, load.
    gate(GATE(statusSensorAngleCorrected),
        { { "02.399", kZ40, No }, { "02.400", kZ40, Yes }, { "02.599", kZ40, Yes }, { "02.600", kZ40, No },
            { "02.450", kZ41, Yes }, { "02.450", kZ42, No }, { "02.450", kZ30, No }, { "03.450", kZ40, No } });
    gate(GATE(mixtureValues), { { "02.600", kE40, Yes }, { "02.600", kZ40, No }, { "02.600", kX40, No } });
    gate(GATE(headTemperatureMeasured),
        { { "02.499", kZ40, No }, { "02.500", kZ40, Yes }, { "04.000", kZ40, Yes }, { "01.600", kZ40, No },
            { "02.600", kZ41, No }, { "02.600", kZ42, No }, { "02.600", kZ30, No }, { "00.450", kE40, Yes } });
    gate(GATE(throttleAndStarterInputs),
        { { "02.600", kE41, No }, { "02.600", kE40, Yes }, { "02.600", kZ42, Yes } });
    gate(GATE(racingVariant), { { "02.600", kZ42, Yes }, { "02.600", kE41, No } });
    gate(GATE(starterLabelIsSwitch3), { { "02.600", kZ42, Yes }, { "02.600", kE42, No }, { "02.600", kZ40, No } });
    gate(GATE(faultMemoryButton),
        { { "00.499", kZ40, No }, { "00.500", kZ40, Yes }, { "01.100", kZ40, Yes }, { "00.450", kE40, No } });
    gate(GATE(softDownButton),
        { { "00.599", kZ40, No }, { "00.600", kZ40, Yes }, { "00.550", kZ40, No }, { "01.100", kZ40, Yes } });
    gate(GATE(crankSensorTestButton),
        { { "02.999", kZ40, No }, { "03.139", kZ42, No }, { "03.140", kZ42, Yes }, { "04.000", kZ40, Yes } });
    gate(GATE(ignitionAngleZ2Label), { { "02.600", kZ40One, No }, { "02.600", kZ40, Yes } });
    gate(GATE(readsAngleOffset),
        { { "01.600", kZ40, No }, { "02.599", kZ40, No }, { "02.600", kZ40, Yes }, { "03.000", kZ40, Yes } });
    gate(GATE(readsSwitchConfig),
        { { "02.999", kZ42, No }, { "03.000", kZ42, Yes }, { "03.139", kZ42, Yes }, { "04.000", kZ40, No } });
    gate(GATE(readsInput2Mode),
        { { "02.519", kE42, No }, { "02.520", kE42, Yes }, { "03.000", kE42, Yes }, { "03.000", kZ42, No } });
    gate(
        GATE(readsInput2Enrichment), { { "02.519", kZ42, No }, { "02.520", kZ42, Yes }, { "03.000", kZ42, Yes } });

    // Status window, poll tick.
    gate(GATE(readsOutputStates),
        { { "01.999", kE40, No }, { "02.000", kE40, Yes }, { "02.600", kZ40, No }, { "03.000", kZ41, No },
            { "02.600", kZ42, Yes }, { "02.600", kX40, Yes } });
    gate("inputTable", inputTable,
        { { "02.600", kE40, "A" }, { "02.600", kE42, "A" }, { "02.600", kX40, "A" }, { "02.600", kZ42, "B" },
            { "02.600", kZ40, "C" }, { "02.600", kZ30, "C" }, { "02.600", kE30, "C" }, { "02.600", kZ32, "D" },
            { "02.600", kE32, "D" } });
    gate("inputsStarterOnBit7", starterOnBit7,
        { { "02.405", kZ40, Yes }, { "02.406", kZ40, No }, { "01.300", kZ40, No }, { "03.100", kZ40, No },
            { "02.405", kZ42, No }, { "02.405", kZ30, No }, { "02.405", kE40, No } });
    gate(GATE(readsSecondIgnitionAngle), { { "02.600", kZ30, No }, { "02.600", kZ40, Yes } });
    gate(GATE(showsSecondIgnitionAngle), { { "02.600", kZ40One, No }, { "02.600", kZ40, Yes } });

    // Recording.
    gate(GATE(recordingHeadTempBox),
        { { "02.600", kE30, Yes }, { "00.450", kZ40, Yes }, { "02.600", kZ41, No }, { "02.600", kZ30, No } });
    gate(GATE(recordingMixtureBoxes), { { "02.600", kE30, Yes }, { "02.600", kZ40, No } });

    // Fault memory and actuator test.
    gate("faultMemoryLayout", faultMemoryLayout,
        { { "01.820", kZ40, "Short" }, { "01.821", kZ40, "Medium" }, { "00.999", kZ40, "Medium" },
            { "02.000", kZ40, "Full" } });
    gate(GATE(actuatorTestButton),
        { { "01.824", kZ40, No }, { "01.825", kZ40, Yes }, { "02.329", kZ40, No }, { "02.330", kZ40, Yes },
            { "03.000", kZ40, Yes }, { "00.900", kZ40, No } });
    gate(GATE(faultReportNamesInjectionLine), { { "02.600", kE40, Yes }, { "02.600", kZ40, No } });
    gate(GATE(actuatorInjectorBox), { { "02.600", kZ42, No }, { "02.600", kE40, Yes }, { "02.600", kX40, Yes } });
    gate(GATE(actuatorFuelSupplyBox),
        { { "02.600", kZ42, Yes }, { "02.600", kZ32, No }, { "02.600", kZ41, No }, { "02.600", kE30, Yes } });

    // Soft-down and static settings.
    gate(GATE(softDownTimeAdjustable), { { "01.999", kZ40, No }, { "02.000", kZ40, Yes } });
    gate(GATE(softDownOnEnablesTime), { { "01.999", kZ40, No }, { "02.000", kZ40, Yes } });
    gate(GATE(idleControl),
        { { "02.499", kZ40, No }, { "02.500", kZ40, Yes }, { "00.450", kE40, Yes }, { "03.000", kZ42, No },
            { "03.000", kX40, No } });
    gate(GATE(coilChargeTime),
        { { "03.099", kZ40, No }, { "03.100", kZ40, Yes }, { "04.000", kZ40, Yes }, { "02.999", kZ40, No },
            { "02.600", kZ40One, Yes } });

    // Racing options window.
    gate(GATE(racingAngleReferenceCorrected),
        { { "02.399", kZ40, No }, { "02.400", kZ40, Yes }, { "02.600", kZ40, Yes }, { "03.450", kZ40, Yes },
            { "02.450", kZ42, No }, { "02.450", kZ30, No } });
    gate(GATE(ignitionTablePerCylinder), { { "02.600", kZ32, No }, { "02.600", kZ42, Yes } });
    gate(GATE(injectionGridSetUp), { { "02.600", kE32, No }, { "02.600", kE42, Yes } });
    gate(GATE(input1FrameIsSwitchInput3),
        { { "01.900", kZ42, Yes }, { "02.000", kZ42, No }, { "01.900", kZ40, No } });
    gate(GATE(ignitionOffsetSwitch), { { "01.816", kZ42, No }, { "01.817", kZ42, Yes }, { "02.000", kZ42, Yes } });
    gate(GATE(additionalFunctionsTab), { { "01.999", kZ42, No }, { "02.000", kZ42, Yes } });
    gate(GATE(racingDwellRow),
        { { "03.149", kE42, No }, { "03.150", kE42, Yes }, { "04.000", kE42, Yes }, { "01.150", kE42, Yes },
            { "02.149", kE42, No } });
    gate(GATE(injectionTabs), { { "02.600", kE42, Yes }, { "02.600", kZ42, No } });
    gate(GATE(pumpPrePressure), { { "01.999", kZ42, No }, { "02.000", kZ42, Yes }, { "02.600", kZ40One, No } });
    gate(GATE(airMassSettings),
        { { "02.335", kE42, No }, { "02.336", kE42, Yes }, { "03.000", kE42, Yes }, { "03.000", kZ42, No } });
    gate(GATE(loadChangeTab), { { "02.499", kE42, No }, { "02.500", kE42, Yes }, { "02.600", kZ42, No } });
    gate(GATE(hotStartSettings), { { "02.533", kE42, No }, { "02.534", kE42, Yes }, { "02.600", kZ42, No } });
    gate(GATE(coilAndLeadAngleSettings),
        { { "02.599", kE42, No }, { "02.600", kE42, Yes }, { "01.900", kE42, No }, { "03.000", kE42, Yes } });

    // Ignition table.
    gate(GATE(ignitionTableShiftsByLeadAngle), { { "02.599", kZ42, No }, { "02.600", kZ42, Yes } });
    gate(GATE(slowTablePacing), { { "01.819", kZ32, Yes }, { "01.820", kZ32, No }, { "04.000", kZ32, Yes } });

    // Switching module.
    gate(GATE(switchingModuleListsBza), { { "02.600", kE42, Yes }, { "02.600", kZ42, No } });
    gate(GATE(switchingModuleOffersTableSelection),
        { { "01.999", kZ42, No }, { "02.000", kZ42, Yes }, { "02.600", kE42, No } });
    gate(GATE(switchingModuleOffersMapSelection),
        { { "02.519", kE42, No }, { "02.520", kE42, Yes }, { "03.000", kE42, Yes } });
    gate(GATE(switchingModuleInput2Frame), { { "02.600", kE42, Yes }, { "02.600", kZ42, No } });
    gate(GATE(switchingModuleBandIndexThresholds),
        { { "02.313", kZ42, No }, { "02.314", kZ42, Yes }, { "01.900", kZ42, No }, { "03.000", kZ42, Yes } });
    gate(GATE(switchingModuleInput1Retard),
        { { "01.816", kZ42, No }, { "01.817", kZ42, Yes }, { "02.000", kZ42, Yes }, { "00.900", kZ42, Yes } });
    gate(GATE(switchingModuleInput1Function), { { "01.999", kZ42, No }, { "02.000", kZ42, Yes } });
    gate(GATE(switchingModuleReadsInput2Function),
        { { "02.519", kE42, No }, { "02.520", kE42, Yes }, { "03.000", kE42, Yes }, { "01.900", kE42, No },
            { "03.000", kZ42, No } });
    gate(GATE(switchingModuleWritesInput2Function),
        { { "02.519", kE42, No }, { "02.520", kE42, Yes }, { "03.000", kE42, Yes }, { "01.900", kE42, No },
            { "03.000", kZ42, No } });

    // Coil and additional functions, load change.
    gate(GATE(dwellControlsWithCoilType),
        { { "03.149", kE42, No }, { "03.150", kE42, Yes }, { "04.000", kE42, Yes }, { "02.150", kE42, No } });
    gate(GATE(pumpPrePressureWritten), { { "01.999", kZ40One, No }, { "02.000", kZ40One, Yes } });
    gate(GATE(warmUpAdaptationsOnOpening),
        { { "02.529", kE42, No }, { "02.530", kE42, Yes }, { "03.000", kE42, Yes } });

    return rows;
}

#undef GATE

void PrintTo(const Row& r, std::ostream* os)
{
    *os << r.gate << " " << r.side.firmware << " " << r.side.unit;
}

class Gates : public ::testing::TestWithParam<Row> { };

TEST_P(Gates, DecideByFirmwareAndHardware)
{
    const Row& r = GetParam();
    UnitIdentity id;
    id.setFirmware(Bytes(r.side.firmware));
    id.setUnitType(Bytes(r.side.unit));
    EXPECT_EQ(r.outcome(id), r.side.expected);
}

// "crankSensorTestButton_3_139_KZDX2ZylRX42A_No"
std::string rowName(const ::testing::TestParamInfo<Row>& info)
{
    const Row& r = info.param;
    std::string fw = r.side.firmware;
    std::string unit;
    for (char c : std::string(r.side.unit)) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            unit += c;
    }
    const std::string major = std::to_string(std::stoi(fw.substr(0, 2)));
    return r.gate + "_" + major + "_" + fw.substr(3) + "_" + unit + "_" + r.side.expected;
}

INSTANTIATE_TEST_SUITE_P(Boundaries, Gates, ::testing::ValuesIn(table()), rowName);

} // namespace
