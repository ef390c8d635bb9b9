#include "session.h"

Session::Session(Link& link, SettingsFile& settings, QObject* parent)
    : QObject(parent)
    , m_link(link)
    , m_settings(settings)
{
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
