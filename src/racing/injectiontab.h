#pragma once

#include "racing/editjournal.h"
#include "racing/injectiontransfer.h"
#include "racing/lambdamap.h"
#include "racing/racingtab.h"
#include "racing/tableedits.h"
#include "racing/undostack.h"

#include <QColor>

#include <array>
#include <optional>
#include <vector>

class BuddyUpDown;
class QAction;
class QTimer;
class LambdaGrid;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

// Tab 2 "Kraftstoffeinspritzung": the unit's two target-lambda maps, one
// shown at a time and edited cell by cell in place, read and written byte by
// byte with the injector flow rate, saved to and loaded from a lambda table
// file. Nothing of it is read on opening.
class InjectionTab : public RacingTab {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Kraftstoffeinspritzung");
    static inline const QString kHelpTopic = QStringLiteral("r_optionen_injection.html");
    static inline const QString kTableMode = QStringLiteral("Tabelle");
    static inline const QString kCellMode = QStringLiteral("Datenpunkt");
    static inline const QColor kHighlight { 255, 255, 128 };
    static inline const QColor kMap1Colour { 192, 0, 192 };
    static inline const QColor kMap2Colour { 0, 0, 255 };
    // A cell whose value differs from the compared map.
    static inline const QColor kDiffers { 255, 190, 190 };
    static constexpr int kJournalDelayMs = 500;

    InjectionTab(RacingContext& context, QWidget* parent = nullptr);
    ~InjectionTab() override;

    QString caption() const override { return kCaption; }
    QString helpTopic() const override { return kHelpTopic; }
    QString sourceHeading() const override { return QStringLiteral("LA-Tabelle:"); }

    // Opening: the grid's band headers.
    void setUpGrid();
    // Whether the unit offers the second map; without it map 1 stays shown.
    void setMapSelectionOffered(bool offered);

    const lambda::LambdaMaps& maps() const { return m_maps; }
    void showMap(lambda::Map map);

    // The buttons; the window runs them as actions (one request at a time).
    void readMap();
    void write(); // by the write mode: the table or the chosen cell
    void writeTable();
    void writeCell();
    void saveToDisk();
    void loadFromDisk();
    void loadFromHistory();

    // A click on a data cell: it is highlighted and becomes the cell a
    // single-cell write sends. Header cells are ignored.
    void markCell(int row, int column);

    // Ctrl+Z / Ctrl+Y over both maps and the flow rate: a typed cell, a run
    // of flow rate steps, a paste, a load, a read and a restored journal are
    // one step each.
    void undo();
    void redo();
    bool canUndo() const { return m_undo.canUndo(); }
    // Ctrl+C: the selection, or the whole shown map, as tab-separated values.
    void copy();
    // Ctrl+V: lambda values at the current cell, all or nothing.
    void paste();

    // Comparing the shown map with another: differing cells (and the flow
    // rate) are marked and counted. Edits, reads and loads compare again;
    // showing the other map or the user ends it.
    void compareWithFile();
    void compareWithUnit();
    void compareWithHistory();
    void compareWith(const lambda::LambdaMaps& other, const QString& what);
    void endComparison();
    bool comparing() const { return m_compared.has_value(); }
    int differenceCount() const { return m_differences; }
    QString comparisonText() const;

    // Unsaved edits of each map go to the unit's journal shortly after each
    // change; when the window opens again for the unit, the user may take
    // them back.
    const EditJournal& journal(lambda::Map map) const { return m_journals[map == lambda::Map::Two ? 1 : 0]; }
    void offerJournal();
    void writeJournal();

private:
    struct EditState {
        lambda::LambdaMaps maps;
        QString source;
        std::array<bool, 2> unsaved {};
    };
    EditState editState() const;
    void record(EditState before);
    void restore(const EditState& state);
    void changed();
    void edited();
    void tableKept(lambda::Map map);
    void mapRead(EditState before);
    void flowChanged(int rate);
    void installEditKeys();
    void buildCompareMenu();
    void showComparison();
    void paintCell(lambda::Cell cell);
    bool& unsaved(lambda::Map map) { return m_unsaved[map == lambda::Map::Two ? 1 : 0]; }
    gridclip::Area copyArea() const;
    void buildUi();
    // A file's or a stored version's content into the shown map.
    void loadContent(const QByteArray& content, const QString& source);
    // The shown map as its file would be saved becomes a stored version.
    void keepVersion(const lambda::LambdaMaps& maps, const QString& source);
    struct ChosenFile {
        QString path;
        QByteArray content;
    };
    std::optional<ChosenFile> chooseFile(const QString& title);
    void compareWithContent(const QByteArray& content, const QString& what);
    void showCell(lambda::Cell cell);
    void showShownMap();
    void commitEdit(int row, int column, const QString& typed);
    void editorLeft(int key);
    void setFlow(int rate);
    bool refuseIncomplete();
    bool refuseUnsendable(const std::optional<lambda::Cell>& cell);
    injection::Listener listener(class TransferScope& scope);

    lambda::LambdaMaps m_maps;
    std::optional<lambda::Cell> m_highlight;
    UndoStack<EditState> m_undo;
    std::array<bool, 2> m_unsaved {}; // per map: edits the unit and no file have
    bool m_flowStep = false; // the last undo step is a run of flow rate changes
    bool m_settingFlow = false;
    std::array<std::optional<lambda::LambdaMaps>, 2> m_baselines; // the unit's last read of each map
    std::optional<lambda::LambdaMaps> m_compared;
    lambda::Map m_comparedMap = lambda::Map::One;
    QString m_comparedWith;
    int m_differences = 0;
    bool m_flowDiffers = false;
    std::vector<lambda::Cell> m_differing;
    std::array<EditJournal, 2> m_journals;
    QTimer* m_journalTimer = nullptr;
    QPushButton* cmdCompare = nullptr;
    QLabel* lblCompare = nullptr;
    QAction* m_compareHistory = nullptr;
    QAction* m_endComparison = nullptr;

    LambdaGrid* msfgEV = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* lblEKNR = nullptr;
    QGroupBox* grEvKfSel = nullptr;
    QRadioButton* optEVK1 = nullptr;
    QRadioButton* optEVK2 = nullptr;
    QGroupBox* Frame3 = nullptr;
    BuddyUpDown* udFoerdermenge = nullptr;
    QLineEdit* txtFoerdermenge = nullptr;
    QLabel* Label9 = nullptr;
    QGroupBox* Frame6 = nullptr;
    QComboBox* CmbSModeInjTable = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* cmdHistory = nullptr;
};
