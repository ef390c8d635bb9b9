#pragma once

#include "core/identity.h"
#include "core/servicerecord.h"

#include <QObject>
#include <QString>

#include <memory>

class Link;
class SettingsFile;
class UnitHistory;

// The connection every window reads: the link, the unit's identity, the
// sensor set-up, the settings copies held for the run, the port in use and the
// main window's status text. One instance for the whole run.
class Session : public QObject {
    Q_OBJECT
public:
    Session(Link& link, SettingsFile& settings, QObject* parent = nullptr);
    ~Session() override;

    Link& link() const { return m_link; }
    SettingsFile& settings() const { return m_settings; }

    // Set by the status window at load, read by every unit window.
    const UnitIdentity& identity() const { return m_identity; }
    void setIdentity(const UnitIdentity& identity);
    // Crank angle sensor position, 0.1 degree before top dead centre.
    int sensorAngle() const { return m_sensorAngle; }
    void setSensorAngle(int tenths) { m_sensorAngle = tenths; }
    // The unit's sensor lead angle (AngleOffset), 0.1 degree; a unit window
    // that writes it sets it here and the live display follows.
    int leadAngle() const { return m_leadAngle; }
    void setLeadAngle(int tenths) { m_leadAngle = tenths; }

    // Copies of settings taken when a window loads (NoBreakMsgSetting,
    // WarningsSetting).
    int noBreakMsg() const { return m_noBreakMsg; }
    void setNoBreakMsg(int value) { m_noBreakMsg = value; }
    int warnings() const { return m_warnings; }
    void setWarnings(int value) { m_warnings = value; }

    int currentPort() const { return m_currentPort; }
    void setCurrentPort(int port) { m_currentPort = port; }

    // The last actuator test and the tables read in this run, for the service report.
    ServiceRecord& serviceRecord() { return m_record; }
    const ServiceRecord& serviceRecord() const { return m_record; }

    // The main window's status bar text; any window sets it, the main window shows it.
    QString mainStatusText() const { return m_statusText; }
    void setMainStatusText(const QString& text);

    // The stored versions of the connected unit, beside the settings file;
    // follows the identity's serial number. Failures go to the trace.
    UnitHistory& history();

signals:
    void mainStatusTextChanged(const QString& text);

private:
    Link& m_link;
    SettingsFile& m_settings;
    UnitIdentity m_identity;
    int m_sensorAngle = 0;
    int m_leadAngle = 0;
    int m_noBreakMsg = 1;
    int m_warnings = 1;
    int m_currentPort = 0;
    QString m_statusText;
    std::unique_ptr<UnitHistory> m_history;
    QString m_historySerial;
    ServiceRecord m_record;
};
