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
        load();
        closeIfLost();
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

void UnitDialog::closeEvent(QCloseEvent* event)
{
    // A transfer ends by itself (or by the watchdog); it is never cut off.
    if (TransferScope::running(this) && !m_unloaded) {
        event->ignore();
        return;
    }
    m_unloaded = true;
    QDialog::closeEvent(event);
}

void UnitDialog::reject()
{
    if (TransferScope::running(this) && !m_unloaded)
        return;
    unload();
}
