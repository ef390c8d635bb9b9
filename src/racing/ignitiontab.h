#pragma once

#include "racing/editjournal.h"
#include "racing/ignitiontable.h"
#include "racing/ignitiontransfer.h"
#include "racing/racingtab.h"
#include "racing/tableedits.h"
#include "racing/undostack.h"

#include <QColor>

#include <optional>

class QChart;
class QChartView;
class QLabel;
class QAction;
class QLineSeries;
class QPushButton;
class QTimer;
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
    // A cell whose value differs from the compared table.
    static inline const QColor kDiffers { 255, 190, 190 };
    static constexpr int kJournalDelayMs = 500;

    IgnitionTab(RacingContext& context, QWidget* parent = nullptr);
    ~IgnitionTab() override;

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

    // Ctrl+Z / Ctrl+Y: hand edits, pastes, file loads, reads and a restored
    // journal are one step each.
    void undo();
    void redo();
    bool canUndo() const { return m_undo.canUndo(); }
    bool canRedo() const { return m_undo.canRedo(); }
    // Ctrl+C: the selection, or the whole table, as tab-separated angles.
    void copy();
    // Ctrl+V: angles at the current cell, all or nothing.
    void paste();

    // Comparing the grid with another table: differing cells are marked and
    // counted, the chart shows the other curve dashed. Edits, reads and loads
    // compare again; only the user ends it.
    void compareWithFile();
    void compareWithUnit();
    void compareWithHistory();
    void compareWith(const IgnitionTable& other, const QString& what);
    void endComparison();
    bool comparing() const { return m_compared.has_value(); }
    int differenceCount() const { return m_differences; }
    QString comparisonText() const;
    QLineSeries* comparedCurve(int cylinder) const { return m_comparedCurves[cylinder]; }

    // Unsaved edits go to the unit's journal shortly after each change; when
    // the window opens again for the unit, the user may take them back.
    const EditJournal& journal() const { return m_journal; }
    void offerJournal();
    void writeJournal();

private:
    struct EditState {
        IgnitionTable table;
        QString source;
        bool modified = false;
        bool unsaved = false;
    };
    EditState editState() const;
    void record();
    void restore(EditState state);
    void changed();
    void tableRead(EditState before);
    void tableKept();
    bool readFile(const QString& path, IgnitionTable& into);
    void readContent(const QByteArray& content, IgnitionTable& into);
    // A file or a stored version became the table: one undo step, nothing to journal.
    void tableLoaded(EditState before, const QString& source);
    // A table read or loaded goes into the unit's history.
    void keepVersion(const IgnitionTable& table, const QString& source);
    void installEditKeys();
    void buildCompareMenu();
    void showComparison();
    void paintCell(int row, int column);
    // The data cells the copy takes: the selection, or the whole table.
    gridclip::Area copyArea() const;

    void buildUi();
    void showRow(int row);
    void showTable();
    void drawChart();
    ignition::Listener listener(TransferScope& scope);
    void reportWriteResult(const ignition::Result& result);
    void clearSelection();
    void showTakeOverHint(bool pending);

    IgnitionTable m_table;
    bool m_modified = false;
    // Edits the unit and no file have: what the journal keeps.
    bool m_unsaved = false;
    UndoStack<EditState> m_undo;
    std::optional<IgnitionTable> m_baseline; // the unit's last read
    std::optional<IgnitionTable> m_compared;
    QString m_comparedWith;
    int m_differences = 0;
    std::vector<bool> m_differs; // per row and cylinder
    EditJournal m_journal;
    QTimer* m_journalTimer = nullptr;
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
    QLineSeries* m_comparedCurves[2] = { nullptr, nullptr };
    QPushButton* cmdCompare = nullptr;
    QLabel* lblCompare = nullptr;
    QAction* m_compareHistory = nullptr;
    QAction* m_endComparison = nullptr;
};
