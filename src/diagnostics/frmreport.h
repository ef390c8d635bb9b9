#pragma once

#include "diagnostics/servicereport.h"

#include <QDialog>

class QPushButton;
class QTextBrowser;

// The service report's preview: shows the report and prints it, or saves it
// as PDF or as a semicolon-separated file. It talks to no unit.
class FrmReport : public QDialog {
    Q_OBJECT
public:
    static inline const QString kHelpTopic = QStringLiteral("fmem.html");
    static inline const QString kPdfFilter = QStringLiteral("PDF-Dokument (*.pdf)|*pdf");
    static inline const QString kCsvFilter = QStringLiteral("CSV-Datei (*.csv)|*csv");
    static inline const QString kNoPrinter = QStringLiteral("Kein Drucker verfügbar");
    // %1: the path.
    static inline const QString kNotWritten
        = QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden. Der Bericht wurde nicht gespeichert.");

    explicit FrmReport(const service::Report& report, QWidget* parent = nullptr);

    const QString& html() const { return m_html; }

private:
    void cmdPrintReport_Click();
    void cmdSavePdf_Click();
    void cmdSaveCsv_Click();
    std::optional<QString> askPath(const QString& filter, const QString& extension);
    void notWritten(const QString& path);

    QTextBrowser* txtReport = nullptr;
    QPushButton* cmdPrintReport = nullptr;
    QPushButton* cmdSavePdf = nullptr;
    QPushButton* cmdSaveCsv = nullptr;
    QPushButton* cmdCloseReport = nullptr;
    service::Report m_report;
    QString m_html;
};
