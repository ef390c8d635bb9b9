#include "transferscope.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVariant>
#include <QWidget>

namespace {
constexpr const char* kRunningProperty = "daruriTransfers";

void countTransfer(QWidget* window, int delta)
{
    if (window)
        window->setProperty(kRunningProperty, window->property(kRunningProperty).toInt() + delta);
}
} // namespace

TransferScope::TransferScope(const TransferControls& controls, const QString& status)
    : m_controls(controls)
    , m_window(controls.window)
    , m_status(controls.status)
    , m_progress(controls.progress)
{
    for (QWidget* w : controls.locked) {
        if (w && w->isEnabled()) {
            w->setEnabled(false);
            m_unlock.append(w);
        }
    }
    if (m_controls.holdsClose)
        countTransfer(m_window, 1);
    if (m_status)
        m_status->setText(status);
}

TransferScope::~TransferScope()
{
    if (m_progress)
        m_progress->setValue(m_controls.restingProgress);
    if (m_status)
        m_status->clear();
    for (const QPointer<QWidget>& w : m_unlock)
        if (w)
            w->setEnabled(true);
    if (m_controls.holdsClose)
        countTransfer(m_window, -1);
}

void TransferScope::progress(int value)
{
    if (m_progress)
        m_progress->setValue(std::clamp(value, m_progress->minimum(), m_progress->maximum()));
}

bool TransferScope::running(const QWidget* window)
{
    return window && window->property(kRunningProperty).toInt() > 0;
}
