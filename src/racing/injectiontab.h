#pragma once

#include "racing/injectiontransfer.h"
#include "racing/lambdamap.h"
#include "racing/racingtab.h"

#include <QColor>

class BuddyUpDown;
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

private:
    void buildUi();
    // A file's or a stored version's content into the shown map.
    void loadContent(const QByteArray& content, const QString& source);
    // The shown map as its file would be saved becomes a stored version.
    void keepVersion(const QString& source);
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
