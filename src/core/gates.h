#pragma once

#include "identity.h"

// What the connected unit offers, decided from its identity alone. Each
// comparison keeps its own form, strict or not, even where two gates look
// alike: the version parts are numbers read from the unit's text, and an odd
// text must land on the same side as it always did.
namespace gates {

// --- Status window, load ---------------------------------------------------

// Load step 6: the setting DwgGrdPos is 3.3 degrees early for these units.
bool statusSensorAngleCorrected(const UnitIdentity& id);
// Load step 7 and poll tick steps 8-9: air mass, air temperature, lambda,
// consumption and the injector delivery exist on the injection line only.
bool mixtureValues(const UnitIdentity& id);
// Load step 8 (txtMTemp, chkTemp, HeadTempAvailable).
bool headTemperatureMeasured(const UnitIdentity& id);
// Load step 9 (InputsAvailable): variant 1 has no throttle and starter inputs.
bool throttleAndStarterInputs(const UnitIdentity& id);
// Load step 10 (cmdROpt, RacingVariant, lblDkPos "Schalter 1-2:").
bool racingVariant(const UnitIdentity& id);
// Load step 10: lblAnlasser reads "Schalter 3".
bool starterLabelIsSwitch3(const UnitIdentity& id);
// Load step 12 (cmdFSpeicher).
bool faultMemoryButton(const UnitIdentity& id);
// Load steps 12 and 13 (cmdSoftDown, txtSDaktiv).
bool softDownButton(const UnitIdentity& id);
// Load step 13 (cmdDwgTest).
bool crankSensorTestButton(const UnitIdentity& id);
// Load step 14 (LabelZ2 enabled).
bool ignitionAngleZ2Label(const UnitIdentity& id);
// Load step 14: the lead angle is read with code 154, else AngleOffset is 0.
bool readsAngleOffset(const UnitIdentity& id);
// Load step 15 and after the racing options window (ReadSwitchConfig).
bool readsSwitchConfig(const UnitIdentity& id);
// ReadSwitchConfig step 3 (code 148), else lblSE2Mode "Nicht unterstützt".
bool readsInput2Mode(const UnitIdentity& id);
// ReadSwitchConfig step 4 (code 135).
bool readsInput2Enrichment(const UnitIdentity& id);

// --- Status window, poll tick ----------------------------------------------

// Step 3 (code 128), else txtBenzPump "Nicht unterstützt".
bool readsOutputStates(const UnitIdentity& id);

enum class InputTable { A, B, C, D };
// Step 4: the table that decodes the inputs byte.
InputTable inputTable(const UnitIdentity& id, bool racingVariant);
// Step 4: table C reads the starter on bit 7 (mask 176) instead of bit 6
// (mask 112); early 2.x firmware of type 4 ignition-only units.
bool inputsStarterOnBit7(const UnitIdentity& id, bool racingVariant);
// Step 5 ("i00?"): older hardware has one angle for both cylinders.
bool readsSecondIgnitionAngle(const UnitIdentity& id);
// Step 5 (txtZndWinkelZ2).
bool showsSecondIgnitionAngle(const UnitIdentity& id);

// --- Recording ---------------------------------------------------------------

// Boxes enabled again when a recording stops: chkTemp.
bool recordingHeadTempBox(const UnitIdentity& id);
// The same: chkVerbrauch, chkLambda, chkMAF, chkAirTemp.
bool recordingMixtureBoxes(const UnitIdentity& id);

// --- Fault memory and actuator test ------------------------------------------

enum class FaultMemoryLayout {
    Full, // 17 bytes, nine entries
    Medium, // 17 bytes, bytes 1-3 and 17
    Short, // 3 bytes
};
// Fault memory read: request length and decoder.
FaultMemoryLayout faultMemoryLayout(const UnitIdentity& id);
// Fault memory window, after a read (cmdTstAkt).
bool actuatorTestButton(const UnitIdentity& id);
// Fault memory report: "KEDX: Keine Fehler" rather than "KZDX: ...".
bool faultReportNamesInjectionLine(const UnitIdentity& id);
// Actuator test opening (chkEv, safety notice).
bool actuatorInjectorBox(const UnitIdentity& id);
// Actuator test opening (chkIPU).
bool actuatorFuelSupplyBox(const UnitIdentity& id);

// --- Soft-down and static settings -------------------------------------------

// Loading step 4 and sending step 4 (soft-down time).
bool softDownTimeAdjustable(const UnitIdentity& id);
// "E&in" enables the soft-down time controls.
bool softDownOnEnablesTime(const UnitIdentity& id);
// Loading step 5 and sending step 5 (idle control group).
bool idleControl(const UnitIdentity& id);
// Soft-down settings loading step 6; racing options opening and the coil
// tab's opening step 3 and read step 1 (coil charge time).
bool coilChargeTime(const UnitIdentity& id);

// --- Racing options window ---------------------------------------------------

// Opening step 3: AngleReference is DwgGrdPos minus 33.
bool racingAngleReferenceCorrected(const UnitIdentity& id);
// Opening step 5 (111-band row labels), ignition table read and write, and
// the ignition table file: one table per cylinder, else one shared table.
bool ignitionTablePerCylinder(const UnitIdentity& id);
// Opening step 5: the injection grid is set up.
bool injectionGridSetUp(const UnitIdentity& id);
// Opening: frmOfsSchalter reads "Schalteingang 3".
bool input1FrameIsSwitchInput3(const UnitIdentity& id);
// Opening: offset slider and frame enabled, else the notice.
bool ignitionOffsetSwitch(const UnitIdentity& id);
// Opening: tab 3 "Zusatzfunktionen" enabled.
bool additionalFunctionsTab(const UnitIdentity& id);
// Opening, and the coil tab's opening step 1: the dwell control start is read.
// The minor part alone counts here, on any major.
bool racingDwellRow(const UnitIdentity& id);
// Opening: tabs 2 and 4 enabled, their opening reads and the first
// load-change reads.
bool injectionTabs(const UnitIdentity& id);
// Opening, and the coil tab's opening step 2 and read step 3 (pump pre-pressure).
bool pumpPrePressure(const UnitIdentity& id);
// Opening, and the coil tab's opening step 4 (sampling factor, full-load air mass).
bool airMassSettings(const UnitIdentity& id);
// Opening: tab 5 "Lastwechsel" enabled and its opening reads.
bool loadChangeTab(const UnitIdentity& id);
// Opening: the e-choke tab's hot-start controls enabled and read.
bool hotStartSettings(const UnitIdentity& id);
// Opening, and the coil tab's opening step 5, read step 4 and write step 7
// (coil type, switch-off delay, lead angle).
bool coilAndLeadAngleSettings(const UnitIdentity& id);

// --- Ignition table ----------------------------------------------------------

// Angle conversions and limit labels subtract AngleOffset (the lead angle).
bool ignitionTableShiftsByLeadAngle(const UnitIdentity& id);
// 76-band read: pacing of 250 ms instead of 20 ms. The minor part alone
// counts, on any major.
bool slowTablePacing(const UnitIdentity& id);

// --- Switching module --------------------------------------------------------

// cmbS1Akt lists "BZA".
bool switchingModuleListsBza(const UnitIdentity& id);
// cmbSIFkt lists "Tabellenauswahl".
bool switchingModuleOffersTableSelection(const UnitIdentity& id);
// cmbS2Fkt lists "Kennfeldauswahl"; the injection tab's map selection
// (grEvKfSel, optEVK1, optEVK2) is enabled.
bool switchingModuleOffersMapSelection(const UnitIdentity& id);
// Input 2 frame enabled; enrichment read on opening and written (code 135).
bool switchingModuleInput2Frame(const UnitIdentity& id);
// Thresholds are 111-band indexes, else period counts.
bool switchingModuleBandIndexThresholds(const UnitIdentity& id);
// Read step 5 and write step 5 (input 1 retard "~").
bool switchingModuleInput1Retard(const UnitIdentity& id);
// Read step 6 and write step 6 (input 1 function "\").
bool switchingModuleInput1Function(const UnitIdentity& id);
// Read step 7 (input 2 function, code 148).
bool switchingModuleReadsInput2Function(const UnitIdentity& id);
// Write step 7 (input 2 function, code 148).
bool switchingModuleWritesInput2Function(const UnitIdentity& id);

// --- Coil and additional functions, load change --------------------------------

// cmbCoilType_Click and read step 4: dwell controls enabled.
bool dwellControlsWithCoilType(const UnitIdentity& id);
// Write step 4: the pump pre-pressure time is written, even with its controls
// disabled.
bool pumpPrePressureWritten(const UnitIdentity& id);
// Load-change opening reads: the six warm-up adaptations.
bool warmUpAdaptationsOnOpening(const UnitIdentity& id);

} // namespace gates
