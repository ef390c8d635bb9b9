#pragma once

#include "shell/kit/channel.h"

#include <QDialog>

#include <chrono>
#include <functional>

class Session;

// The frame every unit window opened from the status window stands in: a
// modal dialog with its own line to the unit, its help topic, an opening
// sequence that runs inside the modal loop (so the window is seen while the
// unit is read), and a close box that waits while a transfer runs.
class UnitDialog : public QDialog {
    Q_OBJECT
public:
    int exec() override;

    // The opening or an action waits for the unit.
    bool busy() const { return m_loading || m_acting; }

protected:
    UnitDialog(Session& session, LinkPolicy policy, std::chrono::milliseconds watchdogInterval,
        std::function<QString()> helpTopic, QWidget* parent);

    // The opening runs before the window is shown, so a window that closes
    // during its opening (lost link) is never seen. Meanwhile the program's
    // other windows take no input; boxes of the opening do.
    void setOpensBeforeShown(bool before) { m_opensBeforeShown = before; }

    Session& session() const { return m_session; }
    Channel& channel() { return m_channel; }

    // The window's opening sequence (its Form_Load).
    virtual void load() = 0;

    // Leaves the window (the close box, Escape and a lost link come here too);
    // the status window then closes as well when the link is lost.
    void unload();
    // A lost link closes the window: true when it did.
    bool closeIfLost();

    // Runs a user's action (a button, a click) that talks to the unit. The
    // line carries one request at a time, so an action that arrives while
    // another waits for the unit is dropped, and a close asked for meanwhile
    // follows when the action has ended. A lost link closes the window.
    void runAction(const std::function<void()>& action);
    // A close came while busy and follows the running action.
    bool closeWanted() const { return m_closeWanted; }

    // The close box, Escape and a close that waited for a request end here;
    // a window that asks before it goes overrides it.
    virtual void leave() { unload(); }

    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void runOpening();
    void closeIfWanted();
    bool mayCloseNow();

    Session& m_session;
    Channel m_channel;
    bool m_loading = false;
    bool m_acting = false;
    bool m_opensBeforeShown = false;
    bool m_closeWanted = false;
    bool m_unloaded = false;
};
