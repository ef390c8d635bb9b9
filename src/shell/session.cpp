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
