#pragma once

#include "racing/ignitiontable.h"
#include "shell/kit/channel.h"
#include "shell/kit/pacer.h"
#include "shell/kit/transferscope.h"

#include <QString>

#include <functional>

class QLabel;
class QProgressBar;
class QWidget;
class Session;
struct UnitIdentity;

// What the tabs of the racing options window share: the window's line to the
// unit, the pacing timer, the transfer controls (status text, progress bar,
// what a table transfer locks), the completion box and the angle reference.
class RacingContext {
public:
    // pgBComPos runs from 1 to 111 and rests at 1.
    static constexpr int kProgressMin = 1;
    static constexpr int kProgressMax = 111;
    // Where a parameter transfer puts the bar while it runs.
    static constexpr int kParameterProgress = 110;

    RacingContext(Session& session, Channel& channel, QWidget* window);

    Session& session() const { return m_session; }
    const UnitIdentity& unit() const;
    Channel& channel() const { return m_channel; }
    QWidget* window() const { return m_window; }

    // The transfer controls; set once the window has built them.
    void setControls(QLabel* status, QProgressBar* progress, QList<QWidget*> lockedByTables);
    // A table transfer: "Übertrage Daten...", tabs and exit locked.
    TransferControls tableTransfer() const;
    // A parameter transfer: no status text, nothing locked, a close waits
    // for its end (see ParameterTransfer).
    TransferControls parameterTransfer() const;
    void setProgress(int value) const;

    // WaitPacingTick: one Timer1 period before a paced request. False when the
    // link was lost meanwhile.
    bool waitPacingTick() { return m_pacer.wait(); }
    Pacer& pacer() { return m_pacer; }
    // Older firmware reads the 76-band table with 250 ms between requests;
    // the interval then stays until the window closes.
    void useSlowPacing() { m_pacer.setInterval(Pacer::kSlowInterval); }

    // NoUpdateMessage: the setting NoUpdateMsg is 1.
    bool noUpdateMessage() const { return m_noUpdateMessage; }
    void completion(const QString& text) const;

    // AngleReference in tenths of a degree (DwgGrdPos, corrected on opening).
    int angleReference() const { return m_angleReference; }
    // AngleOffset: the lead angle the unit reported, 0 on older firmware.
    int angleOffset() const;
    AngleCoding gridCoding() const;
    AngleCoding limitsCoding() const;

    bool lost() const { return m_channel.lost(); }

    // A button's action runs through the window: one request at a time, and
    // a lost link closes the window afterwards.
    void setActionRunner(std::function<void(const std::function<void()>&)> runner)
    {
        m_runner = std::move(runner);
    }
    void runAction(const std::function<void()>& action) const
    {
        if (m_runner)
            m_runner(action);
        else
            action();
    }

private:
    Session& m_session;
    Channel& m_channel;
    QWidget* m_window;
    Pacer m_pacer;
    QLabel* m_status = nullptr;
    QProgressBar* m_progress = nullptr;
    QList<QWidget*> m_lockedByTables;
    bool m_noUpdateMessage = false;
    int m_angleReference = 0;
    std::function<void(const std::function<void()>&)> m_runner;
};
