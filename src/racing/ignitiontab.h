#pragma once

#include "racing/ignitiontable.h"
#include "racing/ignitiontransfer.h"
#include "racing/racingtab.h"

#include <QColor>

class QChart;
class QChartView;
class QLabel;
class QLineSeries;
class QPushButton;
class QSlider;
class QTableWidget;

// Tab 0 "Zündwinkeltabelle": the unit's ignition angle table, read and
// written byte by byte, edited band by band with the slider, shown as a
// curve, saved to and loaded from a file.
class IgnitionTab : public RacingTab {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Zündwinkeltabelle");
    static inline const QString kHelpTopic = QStringLiteral("r_optionen_ignitiontable.html");
    static inline const QString kFromUnit = QStringLiteral("Von Motorsteuergerät!");
    static inline const QString kEngineRunning
        = QStringLiteral("Motor steht nicht still - Übertragung abgebrochen!");
    static inline const QString kIncomplete
        = QStringLiteral("Zündwinkeltabelle unvollständig. Übertragung abgebrochen!");
    static inline const QString kIncompleteCylinder1
        = QStringLiteral("Zündwinkeltabelle für Zylinder 1 unvollständig. Übertragung abgebrochen!");
    static inline const QString kIncompleteCylinder2
        = QStringLiteral("Zündwinkeltabelle für Zylinder 2 unvollständig. Übertragung abgebrochen!");
    static inline const QString kLinkLostWhileWriting = QStringLiteral(
        "Die Verbindung zum Motorsteuergerät ist beim Schreiben der Zündwinkeltabelle abgebrochen.");
    static inline const QString kMaybeIncompatible = QStringLiteral(
        "Die gewählte Zündwinkeltabelle ist möglicherweise nicht kompatibel. Prüfen Sie unbedingt "
        "alle Zündwinkel und Drehzahlbereiche nach dem Laden!");
    static inline const QString kCylinder1ForBoth
        = QStringLiteral("Es werden die für Zylinder 1 definierten Zündwinkel für beide Zylinder benutzt!");
    static inline const QString kFileFilter = QStringLiteral("Zündwinkeltabelle (*.vmz)|*vmz");
    static inline const QColor kSelected { 255, 255, 128 };
    static inline const QColor kCylinder1Curve { 0, 192, 0 };
    static inline const QColor kCylinder2Curve { 240, 240, 100 };

    IgnitionTab(RacingContext& context, QWidget* parent = nullptr);

    QString caption() const override { return kCaption; }
    QString helpTopic() const override { return kHelpTopic; }
    QString sourceHeading() const override { return QStringLiteral("ZW-Tabelle:"); }

    // Opening: the limit labels, the grid's band labels, the chart.
    void showLimits();
    void setUpGrid();
    void setUpChart();

    // TableModified: a band was taken over by hand and the table has been
    // neither written nor saved since.
    bool tableModified() const { return m_modified; }
    const IgnitionTable& table() const { return m_table; }
    // The slider shows a value not yet taken over (the button is light yellow).
    bool takeOverPending() const { return m_takeOverPending; }
    // The chart's series, cylinder 0 or 1.
    QLineSeries* curve(int cylinder) const { return m_curves[cylinder]; }

    // The buttons; the window runs them as actions (one request at a time).
    void readTable();
    void writeTable();
    void saveToDisk();
    void loadFromDisk();
    void loadFromHistory();
    // The hand edit.
    void selectCell(int row, int column);
    void sliderMoved(int value);
    void takeOver();

private:
    void buildUi();
    // A file's or a stored version's content becomes the table, with the
    // file load's checks and notices.
    void loadContent(const QByteArray& content, const QString& source);
    void showRow(int row);
    void showTable();
    void drawChart();
    ignition::Listener listener(TransferScope& scope);
    void reportWriteResult(const ignition::Result& result);
    void clearSelection();
    void showTakeOverHint(bool pending);

    IgnitionTable m_table;
    bool m_modified = false;
    int m_selectedRow = 0;
    int m_selectedColumn = 0;
    bool m_hasSelection = false;
    bool m_takeOverPending = false;

    QTableWidget* MSHFlexGrid1 = nullptr;
    QPushButton* cmdReadZwTab = nullptr;
    QPushButton* cmdWriteZwTab = nullptr;
    QPushButton* cmdDiskSave = nullptr;
    QPushButton* cmdLoadDisk = nullptr;
    QPushButton* cmdCopytoTable = nullptr;
    QPushButton* cmdHistory = nullptr;
    QSlider* sldZWinkel = nullptr;
    QLabel* lblZwinkel = nullptr;
    QLabel* lblDrehzahl = nullptr;
    QLabel* txtMinZw = nullptr;
    QLabel* txtMaxZw = nullptr;
    QChartView* mschrtZndKurve = nullptr;
    QChart* m_chart = nullptr;
    QLineSeries* m_curves[2] = { nullptr, nullptr };
};
