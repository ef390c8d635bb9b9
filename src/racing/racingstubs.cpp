// Opening reads of the tabs whose pages come later; filled in tab by tab.
#include "racing/choketab.h"
#include "racing/extrastab.h"
#include "racing/loadchangetab.h"
#include "racing/switchingtab.h"

bool SwitchingTab::readSwitching() { return true; }
void SwitchingTab::showInput1AsSwitchInput3() { }
void SwitchingTab::disableOffsetSwitch() { }
void SwitchingTab::disableInput2() { }
bool SwitchingTab::readInput2Enrichment() { return true; }
bool ExtrasTab::readDwellStart() { return true; }
void ExtrasTab::disableDwellStart() { }
bool ExtrasTab::readPumpTime() { return true; }
void ExtrasTab::disablePump() { }
bool ExtrasTab::readCoilLoadTime() { return true; }
void ExtrasTab::disableCoilLoadTime() { }
bool ExtrasTab::readAirMassSettings() { return true; }
void ExtrasTab::disableAirMassSettings() { }
bool ExtrasTab::readCoilAndLeadAngle() { return true; }
void ExtrasTab::disableCoilAndLeadAngle() { }
bool ChokeTab::readOnOpening() { return true; }
bool ChokeTab::readHotStart() { return true; }
void ChokeTab::disableHotStart() { }
bool LoadChangeTab::readFirstParameters() { return true; }
bool LoadChangeTab::readOnOpening() { return true; }
