#include "servicerecord.h"

void ServiceRecord::setTable(Table which, const TextTable& table)
{
    m_tables[static_cast<int>(which)] = table;
}

const std::optional<TextTable>& ServiceRecord::table(Table which) const
{
    return m_tables[static_cast<int>(which)];
}

void ServiceRecord::clear()
{
    m_actuatorRun.reset();
    for (auto& t : m_tables)
        t.reset();
}

void ServiceRecord::setUnit(const QString& key)
{
    if (key == m_unit)
        return;
    clear();
    m_unit = key;
}

void ServiceRecord::actuatorTestStopped(bool byUnit)
{
    if (!m_actuatorRun || !m_actuatorRun->started || m_actuatorRun->stopped)
        return;
    m_actuatorRun->stopped = true;
    m_actuatorRun->endedByUnit = byUnit;
}
