#include "session.h"

#include "core/settings.h"
#include "core/unithistory.h"
#include "shell/link.h"

#include <QFileInfo>

Session::Session(Link& link, SettingsFile& settings, QObject* parent)
    : QObject(parent)
    , m_link(link)
    , m_settings(settings)
{
}

Session::~Session() = default;

UnitHistory& Session::history()
{
    if (!m_history || m_historySerial != m_identity.serialNumber) {
        m_historySerial = m_identity.serialNumber;
        m_history = std::make_unique<UnitHistory>(QFileInfo(m_settings.path()).absolutePath(), m_historySerial);
        m_history->setLog([this](const QString& text) { m_link.traceEvent(text); });
    }
    return *m_history;
}

void Session::setMainStatusText(const QString& text)
{
    if (text == m_statusText)
        return;
    m_statusText = text;
    emit mainStatusTextChanged(text);
}

void Session::setIdentity(const UnitIdentity& identity)
{
    m_identity = identity;
    // The serial number comes last in the status window's load; only then is the unit known.
    if (!identity.serialNumber.isEmpty())
        m_record.setUnit(identity.firmwareRelease + QLatin1Char('|') + identity.unitTypeText + QLatin1Char('|')
            + identity.serialNumber);
}
