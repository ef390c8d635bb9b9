#pragma once

#include "core/bytes.h"

#include <QDialog>

#include <functional>
#include <memory>

// The unit windows the status window opens. Each area registers its window
// here; a button whose window is not registered stays disabled.
struct UnitWindows {
    using Factory = std::function<std::unique_ptr<QDialog>(QWidget* parent)>;

    Factory faultMemory; // FrmFMem
    Factory dwgTest; // FrmDwgTest
    Factory softDown; // FrmSDS
    Factory racingOptions; // FrmROptionen
    // ZwKor: shown with the unit's current correction byte (InitCode); returns
    // the command the user chose to send (ExitCode), empty for none.
    std::function<Bytes(QWidget* parent, int initCode)> zwKor;
};
