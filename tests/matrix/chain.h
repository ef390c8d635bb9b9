#pragma once

#include "core/settings.h"
#include "shell/frmhaupt.h"
#include "shell/kit/unitdialog.h"
#include "shell/programwindows.h"
#include "shell/trace.h"
#include "sim/ecusim.h"
#include "status/frmmstg.h"
#include "support/simlink.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

// The whole program on the in-process simulator: the main window, the status
// window and the unit windows as the program wires them, driven by a user
// script that waits for a window or a state and then acts.
class Chain : public SimLink {
public:
    static constexpr int kPort = 3;

    explicit Chain(const QString& profile)
        : sim(profile)
    {
        sim.setEngine(0);
        transport.addUnit(kPort, &sim);
        Settings s;
        s.comPort = kPort;
        s.noBreakMsg = 0; // the lost-link box is counted
        s.autoReCon = 1;
        s.requestTimeMs = 2000; // room between two poll ticks for the user's clicks
        settings.write(s);
        trace.open(dir.filePath(QStringLiteral("trace.txt")));
        link.setTrace(&trace);
        main = std::make_unique<FrmHaupt>(session);
        attachStatusWindow(*main, session, windows);
        main->setExitHandler([] {});
    }
    ~Chain()
    {
        main.reset();
        link.setTrace(nullptr);
    }

    // One step of the user: once `ready` holds, `act` runs from the event
    // loop on its own, so an act that opens a modal window or runs a transfer
    // does not stop the script from going on inside it.
    struct Step {
        std::function<bool()> ready;
        std::function<void()> act;
    };

    // Runs the steps in order; false when a step was not ready within
    // `timeoutMs` of the previous one (the windows are then closed).
    bool run(const std::vector<Step>& steps, int timeoutMs = 20000)
    {
        size_t next = 0;
        bool timedOut = false;
        QEventLoop done;
        QElapsedTimer sinceStep;
        sinceStep.start();
        QTimer driver;
        QObject::connect(&driver, &QTimer::timeout, [&] {
            if (next == steps.size()) {
                driver.stop();
                done.quit();
                return;
            }
            if (sinceStep.elapsed() > timeoutMs) {
                timedOut = true;
                failedStep = static_cast<int>(next);
                driver.stop();
                closeAll();
                done.quit();
                return;
            }
            if (!steps[next].ready())
                return;
            const std::function<void()> act = steps[next].act;
            ++next;
            sinceStep.restart();
            if (act)
                QTimer::singleShot(0, main.get(), act);
        });
        driver.start(2);
        done.exec();
        return !timedOut;
    }

    // The open window of a kind, null when there is none.
    template <typename W> W* window() const
    {
        for (W* w : main->findChildren<W*>())
            if (w->isVisible())
                return w;
        return nullptr;
    }
    FrmMStg* status() const { return window<FrmMStg>(); }
    bool statusPolling() const
    {
        const FrmMStg* s = status();
        return s && s->phase() == FrmMStg::Phase::Polling && s->polling();
    }
    template <typename W = QAbstractButton> W* control(QWidget* in, const char* name) const
    {
        return in ? in->findChild<W*>(QString::fromLatin1(name)) : nullptr;
    }
    // Clicks a control of the open window of kind W.
    template <typename Win> void click(const char* name) const
    {
        if (QAbstractButton* b = control(window<Win>(), name))
            b->click();
    }

    // The user opens the unit from the main window.
    Step openUnit()
    {
        return { [] { return true; },
            [this] {
                if (auto* b = main->findChild<QAbstractButton*>(QStringLiteral("btnCmdOpenMStg")))
                    b->click();
            } };
    }
    // The status window polls.
    Step whenPolling(std::function<void()> act = {})
    {
        return { [this] { return statusPolling(); }, std::move(act) };
    }
    // The user leaves the status window.
    Step leaveStatus()
    {
        return { [this] { return statusPolling(); }, [this] { click<FrmMStg>("BtncmdExit"); } };
    }

    // Closes the unit windows above the status window.
    void closeUnitWindows()
    {
        for (UnitDialog* d : main->findChildren<UnitDialog*>())
            if (d->isVisible())
                d->done(0);
    }

    // Closes every window the script left open.
    void closeAll()
    {
        for (QDialog* d : main->findChildren<QDialog*>())
            if (d->isVisible())
                d->done(0);
    }

    QString traceText() const
    {
        QFile f(dir.filePath(QStringLiteral("trace.txt")));
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
    }

    EcuSim sim;
    Trace trace;
    UnitWindows windows = programUnitWindows(session);
    std::unique_ptr<FrmHaupt> main;
    int failedStep = -1;
    // The user's action that started the transfer has returned.
    bool actionReturned = false;
    bool zwKorAnswered = false;
};
