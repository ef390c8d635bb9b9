#include "programwindows.h"

#include "basic/frmsds.h"
#include "basic/zwkor.h"
#include "core/settings.h"
#include "diagnostics/akttest.h"
#include "diagnostics/frmdwgtest.h"
#include "diagnostics/frmfmem.h"
#include "racing/frmroptionen.h"
#include "shell/frmhaupt.h"
#include "status/frmlogview.h"
#include "status/frmmstg.h"

UnitWindows programUnitWindows(Session& session)
{
    UnitWindows windows;
    windows.faultMemory = [&session](QWidget* parent) {
        auto window = std::make_unique<FrmFMem>(session, parent);
        window->setActuatorTestFactory([&session](QWidget* parent) {
            return std::unique_ptr<QDialog>(std::make_unique<AktTest>(session, parent));
        });
        return std::unique_ptr<QDialog>(std::move(window));
    };
    windows.dwgTest = [&session](QWidget* parent) { return std::make_unique<FrmDwgTest>(session, parent); };
    windows.zwKor = &ZwKor::run;
    windows.softDown = [&session](QWidget* parent) { return std::make_unique<FrmSDS>(session, parent); };
    windows.racingOptions
        = [&session](QWidget* parent) { return std::make_unique<FrmROptionen>(session, parent); };
    return windows;
}

void attachStatusWindow(FrmHaupt& main, Session& session, const UnitWindows& windows)
{
    main.setStatusWindowFactory(
        [&session, &windows](QWidget* parent) { return std::make_unique<FrmMStg>(session, windows, parent); });
}

void attachLogViewer(FrmHaupt& main, SettingsFile& settings)
{
    main.setLogViewerFactory([&settings](QWidget* parent, const QString& path) -> QWidget* {
        const int requestTime = settings.ReadRequestTime();
        const auto period
            = requestTime > 0 ? std::chrono::milliseconds(requestTime) : FrmLogView::kDefaultPollPeriod;
        return FrmLogView::open(path, period, parent);
    });
}
