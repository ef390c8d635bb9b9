#include "unitdialog.h"

#include "shell/kit/helpkey.h"
#include "shell/kit/transferscope.h"

#include <QCloseEvent>
#include <QTimer>

UnitDialog::UnitDialog(Session& session, LinkPolicy policy, std::chrono::milliseconds watchdogInterval,
    std::function<QString()> helpTopic, QWidget* parent)
    : QDialog(parent)
    , m_session(session)
    , m_channel(session, policy, watchdogInterval, this)
{
    help::installF1(this, std::move(helpTopic));
}

int UnitDialog::exec()
{
    QTimer::singleShot(0, this, [this] {
        m_loading = true;
        load();
        m_loading = false;
        if (!closeIfLost() && m_closeWanted)
            unload();
    });
    return QDialog::exec();
}

void UnitDialog::unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_channel.watchdog().disable();
    QDialog::done(QDialog::Accepted);
}

bool UnitDialog::closeIfLost()
{
    if (!m_channel.lost())
        return false;
    unload();
    return true;
}

void UnitDialog::runAction(const std::function<void()>& action)
{
    if (m_unloaded || busy())
        return;
    m_acting = true;
    action();
    m_acting = false;
    if (!closeIfLost() && m_closeWanted)
        unload();
}

bool UnitDialog::mayCloseNow()
{
    // A table transfer locks the window until it ends; it is never cut off.
    if (TransferScope::running(this))
        return false;
    // The opening and a waiting request end by themselves (or by the
    // watchdog); a close asked for meanwhile follows them.
    if (busy()) {
        m_closeWanted = true;
        return false;
    }
    return true;
}

void UnitDialog::closeEvent(QCloseEvent* event)
{
    if (m_unloaded) {
        event->accept();
        return;
    }
    event->ignore();
    if (mayCloseNow())
        unload();
}

void UnitDialog::reject()
{
    if (!m_unloaded && mayCloseNow())
        unload();
}
