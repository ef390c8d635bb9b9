#pragma once

#include "status/unitwindows.h"

class FrmHaupt;
class Session;
class SettingsFile;

// The status window and the unit windows it opens, as the program builds
// them over one session. The program and the tests that run the whole chain
// of windows wire the main window through here, so both open the same windows.
UnitWindows programUnitWindows(Session& session);

// The main window opens the status window over `windows`, which must outlive it.
void attachStatusWindow(FrmHaupt& main, Session& session, const UnitWindows& windows);

// "Logdatei anzeigen..." opens the log viewer; rows without a readable clock
// are spaced by the request time of `settings`, which must outlive `main`.
void attachLogViewer(FrmHaupt& main, SettingsFile& settings);
