#include "unitdialog.h"

#include "shell/kit/helpkey.h"
#include "shell/kit/transferscope.h"

#include <QApplication>
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

namespace {

// Holds back the user's input to every window but the boxes while a window
// opens unseen.
class InputBlocker : public QObject {
public:
    InputBlocker() { qApp->installEventFilter(this); }
    ~InputBlocker() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* target, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::Close: {
            // A box is application-modal: Qt itself keeps input from the other
            // windows, and the box's own input first reaches its native window,
            // which is no widget.
            if (const QWidget* modal = QApplication::activeModalWidget(); modal && modal->inherits("QMessageBox"))
                return false;
            const auto* widget = qobject_cast<QWidget*>(target);
            return !(widget && widget->window()->inherits("QMessageBox"));
        }
        default:
            return false;
        }
    }
};

} // namespace

int UnitDialog::exec()
{
    if (m_opensBeforeShown) {
        {
            const InputBlocker blocker;
            runOpening();
        }
        if (m_unloaded)
            return result();
        return QDialog::exec();
    }
    QTimer::singleShot(0, this, [this] { runOpening(); });
    return QDialog::exec();
}

void UnitDialog::runOpening()
{
    m_loading = true;
    load();
    m_loading = false;
    closeIfWanted();
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
    closeIfWanted();
}

void UnitDialog::closeIfWanted()
{
    if (closeIfLost() || !m_closeWanted)
        return;
    m_closeWanted = false;
    leave();
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
        leave();
}

void UnitDialog::reject()
{
    if (!m_unloaded && mayCloseNow())
        leave();
}
