#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A table as a report prints it: every cell already formatted.
struct TextTable {
    QString title;
    QStringList notes; // lines under the title, e.g. the injector flow rate
    QStringList headers;
    QList<QStringList> rows;

    bool operator==(const TextTable&) const = default;
};

// The last actuator test of the run: what was chosen, whether the unit
// confirmed the choice, and how far the test went.
struct ActuatorRun {
    QDateTime at; // when "&Ein" was pressed
    QStringList actuators; // the names of the chosen boxes
    bool confirmed = false; // the unit echoed the choice
    bool started = false; // the start went out after a confirmed choice
    bool stopped = false; // "&Aus", leaving the window, or the unit ended it
    bool endedByUnit = false;

    bool operator==(const ActuatorRun&) const = default;
};

// What this run learnt from the unit beyond the fault memory, kept for the
// service report: the last actuator test and the tables last read in full.
// The windows that read them fill it; it holds text only, so that the report
// needs none of their models.
class ServiceRecord {
public:
    enum class Table { Ignition, LambdaMap1, LambdaMap2 };

    void setActuatorRun(const ActuatorRun& run) { m_actuatorRun = run; }
    const std::optional<ActuatorRun>& actuatorRun() const { return m_actuatorRun; }
    // A running test ended; nothing when none was started.
    void actuatorTestStopped(bool byUnit);

    void setTable(Table which, const TextTable& table);
    // Nothing while the table was not read in this run.
    const std::optional<TextTable>& table(Table which) const;

    // The unit the record is about (its type, firmware and serial number); a
    // different unit starts an empty record, as nothing read from the old one
    // belongs to it.
    void setUnit(const QString& key);
    void clear();

private:
    QString m_unit;
    std::optional<ActuatorRun> m_actuatorRun;
    std::optional<TextTable> m_tables[3];
};
