#pragma once

#include "identity.h"

// What the connected unit offers, decided from its identity alone. Each
// comparison keeps its own form, strict or not, even where two gates look
// alike: the version parts are numbers read from the unit's text, and an odd
// text must land on the same side as it always did.
namespace gates {

// --- Status window, load ---------------------------------------------------

// Sensor angle: the setting DwgGrdPos is 3.3 degrees early for these units.
bool statusSensorAngleCorrected(const UnitIdentity& id);
// On load and in each tick's lambda and consumption reads: air mass, air temperature, lambda,
// consumption and the injector delivery exist on the injection line only.
bool mixtureValues(const UnitIdentity& id);
// Engine head temperature (txtMTemp, chkTemp, HeadTempAvailable).
bool headTemperatureMeasured(const UnitIdentity& id);
// InputsAvailable: variant 1 has no throttle and starter inputs.
bool throttleAndStarterInputs(const UnitIdentity& id);
// Racing variant (cmdROpt, RacingVariant, lblDkPos "Schalter 1-2:").
bool racingVariant(const UnitIdentity& id);
// Racing variant: lblAnlasser reads "Schalter 3".
bool starterLabelIsSwitch3(const UnitIdentity& id);
// cmdFSpeicher enabled.
bool faultMemoryButton(const UnitIdentity& id);
// cmdSoftDown enabled and the soft-down state read into txtSDaktiv.
bool softDownButton(const UnitIdentity& id);
// cmdDwgTest enabled.
bool crankSensorTestButton(const UnitIdentity& id);
// LabelZ2 enabled.
bool ignitionAngleZ2Label(const UnitIdentity& id);
// The lead angle is read with code 154, else AngleOffset is 0.
bool readsAngleOffset(const UnitIdentity& id);
// Switching module read on load and after the racing options window (ReadSwitchConfig).
bool readsSwitchConfig(const UnitIdentity& id);
// ReadSwitchConfig: input 2 mode (code 148), else lblSE2Mode "Nicht unterstützt".
bool readsInput2Mode(const UnitIdentity& id);
// ReadSwitchConfig: input 2 enrichment (code 135).
bool readsInput2Enrichment(const UnitIdentity& id);

// --- Status window, poll tick ----------------------------------------------

// Output states (code 128), else txtBenzPump "Nicht unterstützt".
bool readsOutputStates(const UnitIdentity& id);

enum class InputTable { A, B, C, D };
// The table that decodes the inputs byte.
InputTable inputTable(const UnitIdentity& id, bool racingVariant);
// Table C reads the starter on bit 7 (mask 176) instead of bit 6
// (mask 112); early 2.x firmware of type 4 ignition-only units.
bool inputsStarterOnBit7(const UnitIdentity& id, bool racingVariant);
// Second cylinder's angle ("i00?"): older hardware has one angle for both cylinders.
bool readsSecondIgnitionAngle(const UnitIdentity& id);
// Second cylinder's angle shown (txtZndWinkelZ2).
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

// Soft-down time, loaded and sent.
bool softDownTimeAdjustable(const UnitIdentity& id);
// "E&in" enables the soft-down time controls.
bool softDownOnEnablesTime(const UnitIdentity& id);
// Idle control group, loaded and sent.
bool idleControl(const UnitIdentity& id);
// Coil charge time: loaded with the soft-down settings; read as the racing
// options open, among the coil tab's opening reads and by its read.
bool coilChargeTime(const UnitIdentity& id);

// --- Racing options window ---------------------------------------------------

// Opening: AngleReference is DwgGrdPos minus 33.
bool racingAngleReferenceCorrected(const UnitIdentity& id);
// Opening (111-band row labels), ignition table read and write, and
// the ignition table file: one table per cylinder, else one shared table.
bool ignitionTablePerCylinder(const UnitIdentity& id);
// Opening: the injection grid is set up.
bool injectionGridSetUp(const UnitIdentity& id);
// Opening: frmOfsSchalter reads "Schalteingang 3".
bool input1FrameIsSwitchInput3(const UnitIdentity& id);
// Opening: offset slider and frame enabled, else the notice.
bool ignitionOffsetSwitch(const UnitIdentity& id);
// Opening: tab 3 "Zusatzfunktionen" enabled.
bool additionalFunctionsTab(const UnitIdentity& id);
// Opening, and the coil tab's opening reads: the dwell control start is read.
// The minor part alone counts here, on any major.
bool racingDwellRow(const UnitIdentity& id);
// Opening: tabs 2 and 4 enabled, their opening reads and the first
// load-change reads.
bool injectionTabs(const UnitIdentity& id);
// Opening, the coil tab's opening reads and its read (pump pre-pressure).
bool pumpPrePressure(const UnitIdentity& id);
// Opening, and the coil tab's opening reads (sampling factor, full-load air mass).
bool airMassSettings(const UnitIdentity& id);
// Opening: tab 5 "Lastwechsel" enabled and its opening reads.
bool loadChangeTab(const UnitIdentity& id);
// Opening: the e-choke tab's hot-start controls enabled and read.
bool hotStartSettings(const UnitIdentity& id);
// Opening, and the coil tab's opening reads, its read and its write
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
// Input 1 retard ("~"), read and written.
bool switchingModuleInput1Retard(const UnitIdentity& id);
// Input 1 function ("\"), read and written.
bool switchingModuleInput1Function(const UnitIdentity& id);
// Input 2 function read (code 148).
bool switchingModuleReadsInput2Function(const UnitIdentity& id);
// Input 2 function written (code 148).
bool switchingModuleWritesInput2Function(const UnitIdentity& id);

// --- Coil and additional functions, load change --------------------------------

// cmbCoilType_Click and the coil type read: dwell controls enabled.
bool dwellControlsWithCoilType(const UnitIdentity& id);
// Coil tab write: the pump pre-pressure time is written, even with its controls
// disabled.
bool pumpPrePressureWritten(const UnitIdentity& id);
// Load-change opening reads: the six warm-up adaptations.
bool warmUpAdaptationsOnOpening(const UnitIdentity& id);

} // namespace gates
