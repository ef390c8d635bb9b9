#pragma once

#include "diagnostics/faultreport.h"
#include "diagnostics/servicereport.h"
#include "shell/kit/unitdialog.h"

#include <QDateTime>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

class QPlainTextEdit;
class QPushButton;

// The fault memory window: reads the unit's fault memory a second after it
// opens, shows it as a report, and reads again, erases, copies, prints,
// opens the actuator test or the service report.
class FrmFMem : public UnitDialog {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kReadDelay { 1000 }; // Timer1
    static constexpr std::chrono::milliseconds kWatchdogInterval { 5000 };
    static constexpr int kPrintPointSize = 14;
    static inline const QString kCaption = QStringLiteral("Fehlerspeicher");
    static inline const QString kHelpTopic = QStringLiteral("fmem.html");
    static inline const QString kReading = QStringLiteral("Fehlerspeicher wird gelesen...");
    static inline const QString kErasing = QStringLiteral("Fehlerspeicher wird gelöscht...");
    static inline const QString kNoPrinter = QStringLiteral("Kein Drucker verfügbar");

    using ActuatorTestFactory = std::function<std::unique_ptr<QDialog>(QWidget* parent)>;

    explicit FrmFMem(Session& session, QWidget* parent = nullptr);

    // The actuator test window; while none is set its button stays disabled.
    void setActuatorTestFactory(ActuatorTestFactory factory) { m_actuatorTest = std::move(factory); }

    // The service report as "&Bericht..." shows it now.
    service::Report serviceReport() const;

    // The report as the text area shows it, with the unit's CR LF line breaks.
    QString reportText() const;
    // The report waits for a read (from the opening, "&Neu Lesen" or
    // "&Löschen" on until the read has ended); the buttons wait with it.
    bool reading() const;

protected:
    void load() override;

private:
    void buildUi();
    void Timer1_Timer();
    void ReadFaultMemory();
    std::optional<QString> decodeFaults();
    std::optional<bool> CheckSensorInput(faults::SensorCheck check);
    void BtncmdRead_Click();
    void BtncmdErase_Click();
    void cmdCopy_Click();
    void cmdPrint_Click();
    void cmdTstAkt_Click();
    void cmdReport_Click();
    void setReport(const QString& text);
    void setButtonsEnabled(bool enabled);
    void startReading(const QString& text);

    QPlainTextEdit* tfMessages = nullptr;
    QPushButton* BtncmdRead = nullptr;
    QPushButton* BtncmdErase = nullptr;
    QPushButton* cmdCopy = nullptr;
    QPushButton* cmdPrint = nullptr;
    QPushButton* cmdTstAkt = nullptr;
    QPushButton* cmdReport = nullptr;
    QPushButton* BtncmdExit = nullptr;
    QTimer m_timer1;
    QDateTime m_readAt;
    ActuatorTestFactory m_actuatorTest;
};
