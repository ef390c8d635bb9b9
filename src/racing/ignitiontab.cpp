#include "ignitiontab.h"

#include "core/format.h"
#include "core/settings.h"
#include "racing/racingcontext.h"
#include "racing/servicetables.h"
#include "racing/vmzfile.h"
#include "shell/kit/boxes.h"
#include "shell/kit/frmhistory.h"
#include "shell/platform.h"
#include "shell/session.h"

#include <QAction>
#include <QChart>
#include <QChartView>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QSlider>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

namespace {

// Grid columns: band, angle of cylinder 1 and 2, byte of cylinder 1 and 2.
constexpr int kBandColumn = 0;
constexpr int kAngleColumn = 1; // + cylinder
constexpr int kByteColumn = 3; // + cylinder
constexpr int kColumns = 5;

// Twips at 96 dpi: 15 per pixel.
constexpr int kBandWidth = 870 / 15;
constexpr int kAngleWidth = 700 / 15;

QPushButton* button(QWidget* parent, const char* name, const QString& text)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

QLabel* label(QWidget* parent, const char* name, const QString& text = {})
{
    auto* l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    return l;
}

// A selection of one cell is the current cell, not a range.
bool singleCellSelection(const QAbstractItemView* view)
{
    if (!view || !view->selectionModel())
        return true;
    const QItemSelection selection = view->selectionModel()->selection();
    return selection.size() <= 1
        && (selection.isEmpty() || (selection.first().width() == 1 && selection.first().height() == 1));
}

// Draws a selection only where it covers more than one cell.
class RangeDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem plain(option);
        if (singleCellSelection(qobject_cast<const QAbstractItemView*>(option.widget)))
            plain.state &= ~QStyle::State_Selected;
        QStyledItemDelegate::paint(painter, plain, index);
    }
};

Platform::FileDialog fileDialog(const QString& title)
{
    Platform::FileDialog dialog;
    dialog.title = title;
    dialog.filter = IgnitionTab::kFileFilter;
    dialog.defaultExtension = QStringLiteral("vmz");
    return dialog;
}

} // namespace

IgnitionTab::IgnitionTab(RacingContext& context, QWidget* parent)
    : RacingTab(context, parent)
    , m_table(bands::schemeFor(context.unit()))
    , m_journal(EditJournal::folderFor(
                    QFileInfo(context.session().settings().path()).absolutePath(), context.unit().serialNumber),
          QStringLiteral("Zuendwinkeltabelle"), QStringLiteral("vmz"))
{
    buildUi();
    m_journalTimer = new QTimer(this);
    m_journalTimer->setSingleShot(true);
    m_journalTimer->setInterval(kJournalDelayMs);
    connect(m_journalTimer, &QTimer::timeout, this, &IgnitionTab::writeJournal);
    installEditKeys();
}

// Edits of the last moments before the window closes still reach the journal.
IgnitionTab::~IgnitionTab()
{
    if (m_journalTimer->isActive())
        writeJournal();
}

void IgnitionTab::buildUi()
{
    MSHFlexGrid1 = new QTableWidget(this);
    MSHFlexGrid1->setObjectName(QStringLiteral("MSHFlexGrid1"));
    MSHFlexGrid1->setColumnCount(kColumns);
    MSHFlexGrid1->setHorizontalHeaderLabels({ QStringLiteral("U/min"), QStringLiteral("Zyl. 1"),
        QStringLiteral("Zyl. 2"), QStringLiteral("Byte 1"), QStringLiteral("Byte 2") });
    MSHFlexGrid1->verticalHeader()->hide();
    MSHFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A range of cells can be selected for copying; a single cell is no
    // range and keeps its own colours.
    MSHFlexGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    MSHFlexGrid1->setItemDelegate(new RangeDelegate(MSHFlexGrid1));
    // Ctrl+Tab belongs to the window's tabs; Tab leaves the grid.
    MSHFlexGrid1->setTabKeyNavigation(false);
    MSHFlexGrid1->verticalHeader()->setDefaultSectionSize(MSHFlexGrid1->fontMetrics().height() + 4);
    connect(MSHFlexGrid1, &QTableWidget::cellClicked, this, &IgnitionTab::selectCell);
    connect(MSHFlexGrid1, &QTableWidget::cellActivated, this, &IgnitionTab::selectCell);

    cmdReadZwTab = button(this, "cmdReadZwTab", QStringLiteral("&Lesen"));
    cmdWriteZwTab = button(this, "cmdWriteZwTab", QStringLiteral("&Schreiben"));
    cmdDiskSave = button(this, "cmdDiskSave", QStringLiteral("Sichern auf &Disk"));
    cmdLoadDisk = button(this, "cmdLoadDisk", QStringLiteral("L&aden von Disk"));
    cmdCopytoTable = button(this, "cmdCopytoTable", QStringLiteral("<-- Über&nehmen"));
    cmdHistory = button(this, "cmdHistory", QStringLiteral("&Verlauf..."));
    cmdCompare = button(this, "cmdCompare", QStringLiteral("Ver&gleichen..."));
    lblCompare = label(this, "lblCompare");

    sldZWinkel = new QSlider(Qt::Horizontal, this);
    sldZWinkel->setObjectName(QStringLiteral("sldZWinkel"));
    sldZWinkel->setRange(0, 255);
    sldZWinkel->setPageStep(10);
    sldZWinkel->setSingleStep(1);
    lblZwinkel = label(this, "lblZwinkel");
    lblDrehzahl = label(this, "lblDrehzahl");
    // Room for the longest band, so the row does not jump from click to click.
    lblDrehzahl->setMinimumWidth(lblDrehzahl->fontMetrics().horizontalAdvance(QStringLiteral("10001->> U/min")));
    txtMinZw = label(this, "txtMinZw");
    txtMaxZw = label(this, "txtMaxZw");
    // A styled panel draws all four edges in every style; a plain sunken
    // panel's light lower and right edges vanish on a light page. The fields
    // are as wide as their longest angle, not as wide as the page.
    const int fieldWidth = txtMinZw->fontMetrics().horizontalAdvance(QStringLiteral("-888,8")) + 16;
    for (QLabel* l : { txtMinZw, txtMaxZw, lblZwinkel }) {
        l->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        l->setMargin(2);
        l->setMinimumWidth(fieldWidth);
        l->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }

    connect(cmdReadZwTab, &QPushButton::clicked, this, [this] { context().runAction([this] { readTable(); }); });
    connect(cmdWriteZwTab, &QPushButton::clicked, this, [this] { context().runAction([this] { writeTable(); }); });
    connect(cmdDiskSave, &QPushButton::clicked, this, [this] { context().runAction([this] { saveToDisk(); }); });
    connect(cmdLoadDisk, &QPushButton::clicked, this, [this] { context().runAction([this] { loadFromDisk(); }); });
    connect(
        cmdHistory, &QPushButton::clicked, this, [this] { context().runAction([this] { loadFromHistory(); }); });
    connect(cmdCopytoTable, &QPushButton::clicked, this, [this] { context().runAction([this] { takeOver(); }); });
    connect(sldZWinkel, &QSlider::valueChanged, this, &IgnitionTab::sliderMoved);
    buildCompareMenu();

    m_chart = new QChart;
    m_chart->setTitle(QStringLiteral("Zünddiagramm"));
    m_chart->legend()->hide();
    mschrtZndKurve = new QChartView(m_chart, this);
    mschrtZndKurve->setObjectName(QStringLiteral("mschrtZndKurve"));
    mschrtZndKurve->setRenderHint(QPainter::Antialiasing);
    mschrtZndKurve->setMinimumSize(360, 240);
    mschrtZndKurve->setFocusPolicy(Qt::NoFocus);

    auto* limits = new QGridLayout;
    limits->addWidget(new QLabel(QStringLiteral("Frühester Zündwinkel (° v. OT):"), this), 0, 0);
    limits->addWidget(txtMaxZw, 0, 1);
    limits->addWidget(new QLabel(QStringLiteral("Spätester Zündwinkel (° v. OT):"), this), 1, 0);
    limits->addWidget(txtMinZw, 1, 1);
    limits->setColumnStretch(2, 1);

    auto* edit = new QHBoxLayout;
    edit->addWidget(cmdCopytoTable);
    edit->addWidget(sldZWinkel, 1);
    edit->addWidget(lblZwinkel);
    edit->addWidget(lblDrehzahl);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : { cmdReadZwTab, cmdWriteZwTab, cmdDiskSave, cmdLoadDisk, cmdHistory, cmdCompare })
        buttons->addWidget(b);
    buttons->addStretch();

    auto* right = new QVBoxLayout;
    right->addWidget(mschrtZndKurve, 1);
    right->addLayout(limits);
    right->addLayout(edit);
    right->addLayout(buttons);
    right->addWidget(lblCompare);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(MSHFlexGrid1);
    layout->addLayout(right, 1);
}

void IgnitionTab::showLimits()
{
    const AngleCoding coding = context().limitsCoding();
    txtMinZw->setText(fmt::plainNumber(coding.latest()));
    txtMaxZw->setText(fmt::plainNumber(coding.earliest()));
}

void IgnitionTab::setUpGrid()
{
    // The band column has its design width, or more where the font needs it
    // for "10001->>".
    int bandWidth = kBandWidth;
    MSHFlexGrid1->setRowCount(m_table.rows());
    for (int row = 0; row < m_table.rows(); ++row) {
        for (int column = 0; column < kColumns; ++column)
            MSHFlexGrid1->setItem(row, column, new QTableWidgetItem);
        MSHFlexGrid1->item(row, kBandColumn)->setText(m_table.label(row));
        bandWidth = std::max(bandWidth, MSHFlexGrid1->fontMetrics().horizontalAdvance(m_table.label(row)) + 12);
        showRow(row);
    }
    MSHFlexGrid1->setColumnWidth(kBandColumn, bandWidth);
    MSHFlexGrid1->setColumnWidth(kAngleColumn, kAngleWidth);
    MSHFlexGrid1->setColumnWidth(kAngleColumn + 1, kAngleWidth);
    MSHFlexGrid1->setColumnWidth(kByteColumn, kAngleWidth);
    MSHFlexGrid1->setColumnWidth(kByteColumn + 1, kAngleWidth);
    int width = MSHFlexGrid1->frameWidth() * 2 + 20;
    for (int column = 0; column < kColumns; ++column)
        width += MSHFlexGrid1->columnWidth(column);
    MSHFlexGrid1->setFixedWidth(width);
}

void IgnitionTab::setUpChart()
{
    const AngleCoding coding = context().gridCoding();
    const int points = bands::chartPointCount(m_table.scheme());
    const QColor colours[2] = { kCylinder1Curve, kCylinder2Curve };
    auto* axisX = new QValueAxis;
    axisX->setRange(0, points - 1);
    axisX->setLabelFormat(QStringLiteral("%d"));
    axisX->setTickType(QValueAxis::TicksDynamic);
    axisX->setTickAnchor(0);
    axisX->setTickInterval(20);
    axisX->setTitleText(QStringLiteral("x 50 U/min"));
    auto* angleAxis = new QValueAxis;
    angleAxis->setRange(coding.latest(), coding.earliest());
    // Whole degrees on the fixed scale read better than its odd limits.
    angleAxis->setTickType(QValueAxis::TicksDynamic);
    angleAxis->setTickAnchor(0);
    angleAxis->setTickInterval(5);
    angleAxis->setLabelFormat(QStringLiteral("%.0f"));
    angleAxis->setTitleText(QStringLiteral("° v. OT"));
    m_chart->addAxis(axisX, Qt::AlignBottom);
    m_chart->addAxis(angleAxis, Qt::AlignLeft);
    // Cylinder 2 first, so that cylinder 1 is drawn on top where both agree
    // (always on the shared table).
    for (int cylinder = 1; cylinder >= 0; --cylinder) {
        auto* series = new QLineSeries;
        series->setName(QStringLiteral("Zylinder %1").arg(cylinder + 1));
        series->setPen(QPen(colours[cylinder], 2));
        for (int i = 0; i < points; ++i)
            series->append(i, 0);
        m_chart->addSeries(series);
        series->attachAxis(axisX);
        series->attachAxis(angleAxis);
        m_curves[cylinder] = series;
    }
    for (int cylinder = 0; cylinder < 2; ++cylinder) {
        auto* series = new QLineSeries;
        series->setName(QStringLiteral("Vergleich Zylinder %1").arg(cylinder + 1));
        series->setPen(QPen(colours[cylinder].darker(150), 1.5, Qt::DashLine));
        m_chart->addSeries(series);
        series->attachAxis(axisX);
        series->attachAxis(angleAxis);
        series->setVisible(false);
        m_comparedCurves[cylinder] = series;
    }
}

void IgnitionTab::drawChart()
{
    for (int cylinder = 0; cylinder < 2; ++cylinder) {
        const std::vector<double> angles = m_table.chartPoints(cylinder);
        QList<QPointF> points;
        points.reserve(int(angles.size()));
        for (size_t i = 0; i < angles.size(); ++i)
            points.append(QPointF(double(i), angles[i]));
        m_curves[cylinder]->replace(points);
    }
}

void IgnitionTab::showRow(int row)
{
    for (int cylinder = 0; cylinder < 2; ++cylinder) {
        MSHFlexGrid1->item(row, kAngleColumn + cylinder)->setText(m_table.angleText(row, cylinder));
        MSHFlexGrid1->item(row, kByteColumn + cylinder)->setText(m_table.byteText(row, cylinder));
    }
}

void IgnitionTab::showTable()
{
    for (int row = 0; row < m_table.rows(); ++row)
        showRow(row);
}

ignition::Listener IgnitionTab::listener(TransferScope& scope)
{
    return { [&scope](int address) { scope.progress(address); }, [this](int row) { showRow(row); } };
}

// cmdReadZwTab
void IgnitionTab::readTable()
{
    EditState before = editState();
    ignition::Result result;
    {
        TransferScope scope(context().tableTransfer());
        result = ignition::read(context(), m_table, listener(scope));
    }
    if (result.outcome != TransferOutcome::Done)
        return; // the link is lost: the window closes
    setSource(kFromUnit);
    servicetables::publish(context().session(), m_table);
    drawChart();
    keepVersion(m_table, UnitHistory::kFromUnit);
    tableRead(std::move(before));
    context().completion(boxes::kTransferComplete);
}

// cmdWriteZwTab
void IgnitionTab::writeTable()
{
    // A byte the unit cannot hold would reach it wrapped or cut: refuse the
    // table before its first byte goes out.
    if (const std::optional<ignition::BadCell> bad = ignition::firstInvalidCell(m_table)) {
        const QString cylinder = m_table.scheme() == BandScheme::PerCylinder111
            ? QStringLiteral(", Zylinder %1").arg(bad->cylinder + 1)
            : QString();
        boxes::transferError(this,
            QStringLiteral("Der Wert \"%1\" im Drehzahlbereich %2 U/min%3 ist kein Tabellenwert von 0 bis 255. "
                           "Übertragung abgebrochen!")
                .arg(vmz::excerpt(bad->text), m_table.label(bad->row), cylinder));
        return;
    }
    m_modified = false;
    ignition::Result result;
    // A write cut by a lost link says so in its own box, with what the unit
    // now holds; the lost-link box is held back meanwhile.
    Watchdog& watchdog = context().channel().watchdog();
    watchdog.setLostBoxHeld(true);
    {
        TransferScope scope(context().tableTransfer());
        result = ignition::write(context(), m_table, listener(scope));
    }
    watchdog.setLostBoxHeld(false);
    if (result.outcome == TransferOutcome::Done)
        tableKept();
    reportWriteResult(result);
}

// A write that stops midway leaves the unit with part of the new table; the
// box that says why it stopped also says how much of it the unit holds.
void IgnitionTab::reportWriteResult(const ignition::Result& result)
{
    const QString partial = ignition::partialWriteText(result, m_table);
    const auto withPartial = [&partial](const QString& text) {
        return partial.isEmpty() ? text : text + QStringLiteral("\n\n") + partial;
    };
    switch (result.outcome) {
    case TransferOutcome::Done:
        context().completion(boxes::kUpdateComplete);
        break;
    case TransferOutcome::EngineRunning:
        boxes::transferError(this, withPartial(kEngineRunning));
        break;
    case TransferOutcome::Incomplete:
        if (m_table.scheme() == BandScheme::Shared76)
            boxes::transferError(this, withPartial(kIncomplete));
        else
            boxes::transferError(
                this, withPartial(result.cylinder == 0 ? kIncompleteCylinder1 : kIncompleteCylinder2));
        break;
    case TransferOutcome::EchoMismatch:
        boxes::transferError(this, withPartial(boxes::kTransferError));
        break;
    case TransferOutcome::LinkLost:
        // The window closes next. The lost-link box may be switched off, and
        // it speaks of the link, not of the data now in the unit: this one is
        // shown whatever NoBreakMsg says.
        if (!partial.isEmpty())
            platform().messageBox(this, QStringLiteral("Achtung"),
                kLinkLostWhileWriting + QStringLiteral("\n\n") + partial, Platform::Icon::Warning);
        else
            context().channel().watchdog().showOwedLostBox();
        break;
    }
}

// cmdDiskSave
void IgnitionTab::saveToDisk()
{
    const std::optional<QString> path
        = platform().saveFileName(this, fileDialog(QStringLiteral("Speichern unter")));
    if (!path || path->isEmpty())
        return;
    QSaveFile file(*path);
    if (!file.open(QIODevice::WriteOnly) || file.write(vmz::write(m_table)) < 0 || !file.commit()) {
        platform().messageBox(this, kAppTitle,
            QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden. Die Zündwinkeltabelle wurde nicht "
                           "gespeichert.")
                .arg(*path),
            Platform::Icon::Critical);
        return;
    }
    m_modified = false;
    tableKept();
}

// cmdLoadDisk
void IgnitionTab::loadFromDisk()
{
    const std::optional<QString> path = platform().openFileName(this, fileDialog(QStringLiteral("Öffnen")));
    if (!path || path->isEmpty())
        return;
    EditState before = editState();
    if (!readFile(*path, m_table))
        return;
    tableLoaded(std::move(before), *path);
    keepVersion(m_table, *path);
}

// cmdHistory: a stored version loads as a file would.
void IgnitionTab::loadFromHistory()
{
    const std::optional<history::Picked> picked
        = history::pick(this, context().session().history(), UnitHistory::Kind::IgnitionTable);
    if (!picked)
        return;
    EditState before = editState();
    readContent(picked->bytes, m_table);
    tableLoaded(std::move(before), history::sourceText(picked->version));
}

void IgnitionTab::tableLoaded(EditState before, const QString& source)
{
    m_undo.record(std::move(before));
    showTable();
    clearSelection();
    setSource(source);
    drawChart();
    // The grid now holds what a file holds: nothing to keep in the journal.
    m_unsaved = false;
    changed();
}

void IgnitionTab::keepVersion(const IgnitionTable& table, const QString& source)
{
    history::keep(
        context().session(), UnitHistory::Kind::IgnitionTable, vmz::write(table), QStringLiteral("vmz"), source);
}

// A table file into `into`, with the boxes of a load; false when it cannot be read.
bool IgnitionTab::readFile(const QString& path, IgnitionTable& into)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        platform().messageBox(this, kAppTitle,
            QStringLiteral("Die Datei \"%1\" kann nicht gelesen werden.").arg(path), Platform::Icon::Critical);
        return false;
    }
    readContent(file.readAll(), into);
    return true;
}

// A table file's content into `into`, with the boxes of a load.
void IgnitionTab::readContent(const QByteArray& content, IgnitionTable& into)
{
    const vmz::LoadResult result = vmz::read(content, into, context().gridCoding());
    if (result.otherScheme) {
        platform().messageBox(this, QStringLiteral("ACHTUNG"), kMaybeIncompatible, Platform::Icon::Warning);
        platform().messageBox(this, QStringLiteral("Hinweis"), kCylinder1ForBoth, Platform::Icon::Information);
    }
    if (const QString notice = vmz::lineCountNotice(result, into.rows()); !notice.isEmpty())
        platform().messageBox(this, QStringLiteral("Hinweis"), notice, Platform::Icon::Information);
}

void IgnitionTab::clearSelection()
{
    const bool had = m_hasSelection;
    m_hasSelection = false;
    if (had)
        paintCell(m_selectedRow, m_selectedColumn);
}

// MSHFlexGrid1_Click: only the angle columns select a band.
void IgnitionTab::selectCell(int row, int column)
{
    if (column != kAngleColumn && column != kAngleColumn + 1)
        return;
    const int cylinder = column - kAngleColumn;
    lblZwinkel->setText(m_table.angleText(row, cylinder));
    lblDrehzahl->setText(m_table.label(row) + QStringLiteral(" U/min"));
    if (const std::optional<int> byte = m_table.byteValue(row, cylinder)) {
        // Showing the band's own value is no change to take over.
        const QSignalBlocker quiet(sldZWinkel);
        sldZWinkel->setValue(*byte);
    }
    clearSelection();
    MSHFlexGrid1->item(row, column)->setBackground(kSelected);
    m_selectedRow = row;
    m_selectedColumn = column;
    m_hasSelection = true;
}

// sldZWinkel: the angle the slider stands for, not yet taken over.
void IgnitionTab::sliderMoved(int value)
{
    lblZwinkel->setText(QStringLiteral(" ") + fmt::fixedDecimals(context().limitsCoding().angle(value), 1));
    showTakeOverHint(true);
}

// A style sheet, since native button styles ignore a palette colour.
void IgnitionTab::showTakeOverHint(bool pending)
{
    m_takeOverPending = pending;
    cmdCopytoTable->setStyleSheet(pending ? QStringLiteral("QPushButton { background-color: rgb(%1, %2, %3); }")
                                                .arg(kSelected.red())
                                                .arg(kSelected.green())
                                                .arg(kSelected.blue())
                                          : QString());
}

// cmdCopytoTable
void IgnitionTab::takeOver()
{
    EditState before = editState();
    m_modified = true;
    const int value = sldZWinkel->value();
    const AngleCoding coding = context().gridCoding();
    int cylinder = -1;
    if (m_table.scheme() == BandScheme::Shared76)
        cylinder = 0;
    else if (m_selectedColumn == kAngleColumn || m_selectedColumn == kAngleColumn + 1)
        cylinder = m_selectedColumn - kAngleColumn;
    if (cylinder >= 0) {
        m_table.setByte(m_selectedRow, cylinder, value, coding, CellOrigin::Hand);
        showRow(m_selectedRow);
        m_undo.record(std::move(before));
        m_unsaved = true;
        changed();
    }
    showTakeOverHint(false);
    drawChart();
}

// --- Undo, copy and paste -----------------------------------------------------

IgnitionTab::EditState IgnitionTab::editState() const
{
    return { m_table, source(), m_modified, m_unsaved };
}

void IgnitionTab::record()
{
    m_undo.record(editState());
}

void IgnitionTab::restore(EditState state)
{
    m_table = std::move(state.table);
    m_modified = state.modified;
    m_unsaved = state.unsaved;
    setSource(state.source);
    showTable();
    drawChart();
    changed();
}

// After every change of the table: the comparison follows it and the journal
// is brought up to date shortly.
void IgnitionTab::changed()
{
    if (m_compared)
        showComparison();
    m_journalTimer->start();
}

// A complete read is one undo step and the new baseline; the unit now holds
// what the grid shows, so the journal goes.
void IgnitionTab::tableRead(EditState before)
{
    m_undo.record(std::move(before));
    m_baseline = m_table;
    m_unsaved = false;
    changed();
}

// The unit or a file has the table now.
void IgnitionTab::tableKept()
{
    m_unsaved = false;
    m_journalTimer->stop();
    m_journal.clear();
}

// The keys act wherever the focus is in the window while the tab is shown
// (a transfer's lock may have moved the focus out of the tab); a focused text
// field keeps its own. Ctrl+Tab stays the window's.
void IgnitionTab::installEditKeys()
{
    const auto key = [this](QKeySequence sequence, void (IgnitionTab::*slot)()) {
        auto* shortcut = new QShortcut(sequence, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this,
            [this, slot] { context().runAction([this, slot] { (this->*slot)(); }); });
    };
    key(QKeySequence(Qt::CTRL | Qt::Key_Z), &IgnitionTab::undo);
    key(QKeySequence(Qt::CTRL | Qt::Key_Y), &IgnitionTab::redo);
    key(QKeySequence(Qt::CTRL | Qt::Key_C), &IgnitionTab::copy);
    key(QKeySequence(Qt::CTRL | Qt::Key_V), &IgnitionTab::paste);
}

void IgnitionTab::undo()
{
    if (std::optional<EditState> state = m_undo.undo(editState()))
        restore(std::move(*state));
}

void IgnitionTab::redo()
{
    if (std::optional<EditState> state = m_undo.redo(editState()))
        restore(std::move(*state));
}

gridclip::Area IgnitionTab::copyArea() const
{
    const QList<QTableWidgetSelectionRange> ranges = MSHFlexGrid1->selectedRanges();
    gridclip::Area whole = ignition::wholeTable(m_table);
    if (ranges.isEmpty() || singleCellSelection(MSHFlexGrid1))
        return whole;
    const QTableWidgetSelectionRange& range = ranges.front();
    // Angle and byte columns both stand for their cylinder.
    int first = 2;
    int last = -1;
    for (int column = range.leftColumn(); column <= range.rightColumn(); ++column) {
        if (column == kBandColumn)
            continue;
        const int cylinder = std::min((column - kAngleColumn) % 2, whole.columns - 1);
        first = std::min(first, cylinder);
        last = std::max(last, cylinder);
    }
    if (last < 0) {
        first = 0;
        last = whole.columns - 1;
    }
    return { range.topRow(), first, range.rowCount(), last - first + 1 };
}

void IgnitionTab::copy()
{
    platform().setClipboardText(ignition::copyText(m_table, copyArea()));
}

void IgnitionTab::paste()
{
    const QString text = platform().clipboardText();
    if (gridclip::parse(text).isEmpty())
        return;
    int row = std::max(0, MSHFlexGrid1->currentRow());
    int column = MSHFlexGrid1->currentColumn();
    if (const QList<QTableWidgetSelectionRange> ranges = MSHFlexGrid1->selectedRanges();
        !ranges.isEmpty() && !singleCellSelection(MSHFlexGrid1)) {
        row = ranges.front().topRow();
        column = ranges.front().leftColumn();
    }
    const int cylinder = m_table.scheme() == BandScheme::PerCylinder111
            && (column == kAngleColumn + 1 || column == kByteColumn + 1)
        ? 1
        : 0;
    IgnitionTable pasted = m_table;
    const gridclip::PasteResult result = ignition::paste(pasted, text, row, cylinder, context().gridCoding());
    if (result.fault) {
        platform().messageBox(this, QStringLiteral("Einfügen"),
            ignition::pasteFaultText(*result.fault, context().gridCoding()), Platform::Icon::Critical);
        return;
    }
    if (result.changed == 0)
        return;
    record();
    m_table = std::move(pasted);
    m_modified = true;
    m_unsaved = true;
    showTable();
    drawChart();
    changed();
}

// --- Comparing ------------------------------------------------------------------

void IgnitionTab::buildCompareMenu()
{
    auto* menu = new QMenu(cmdCompare);
    const auto entry = [this, menu](const char* name, const QString& text, void (IgnitionTab::*slot)()) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this,
            [this, slot] { context().runAction([this, slot] { (this->*slot)(); }); });
        return action;
    };
    entry("actCompareFile", QStringLiteral("Mit Datei..."), &IgnitionTab::compareWithFile);
    m_compareHistory
        = entry("actCompareHistory", QStringLiteral("Mit früherem Stand..."), &IgnitionTab::compareWithHistory);
    entry("actCompareUnit", QStringLiteral("Mit Steuergerät"), &IgnitionTab::compareWithUnit);
    menu->addSeparator();
    m_endComparison = entry("actEndComparison", QStringLiteral("Vergleich beenden"), &IgnitionTab::endComparison);
    m_endComparison->setEnabled(false);
    cmdCompare->setMenu(menu);
}

void IgnitionTab::compareWithFile()
{
    const std::optional<QString> path
        = platform().openFileName(this, fileDialog(QStringLiteral("Vergleichen mit")));
    if (!path || path->isEmpty())
        return;
    // A short file compares its rows; the others compare with themselves, as a load would leave them.
    IgnitionTable other = m_table;
    if (readFile(*path, other))
        compareWith(other, QFileInfo(*path).fileName());
}

// Comparing with a stored version of the unit's table.
void IgnitionTab::compareWithHistory()
{
    const std::optional<history::Picked> picked
        = history::pick(this, context().session().history(), UnitHistory::Kind::IgnitionTable);
    if (!picked)
        return;
    IgnitionTable other = m_table;
    readContent(picked->bytes, other);
    compareWith(other, history::sourceText(picked->version));
}

// The same requests and pacing as "&Lesen", into the comparison: the grid
// keeps its values. A lost link closes the window as after a read.
void IgnitionTab::compareWithUnit()
{
    IgnitionTable unit(m_table.scheme());
    ignition::Result result;
    {
        TransferScope scope(context().tableTransfer());
        ignition::Listener progress;
        progress.progress = [&scope](int address) { scope.progress(address); };
        result = ignition::read(context(), unit, progress);
    }
    if (result.outcome != TransferOutcome::Done)
        return;
    m_baseline = unit;
    keepVersion(unit, UnitHistory::kFromUnit);
    compareWith(unit, QStringLiteral("Steuergerät"));
}

void IgnitionTab::compareWith(const IgnitionTable& other, const QString& what)
{
    m_compared = other;
    m_comparedWith = what;
    showComparison();
}

void IgnitionTab::endComparison()
{
    m_compared.reset();
    m_comparedWith.clear();
    m_differences = 0;
    m_differs.clear();
    for (int row = 0; row < m_table.rows(); ++row)
        for (int column = kAngleColumn; column < kColumns; ++column)
            paintCell(row, column);
    lblCompare->clear();
    m_endComparison->setEnabled(false);
    for (QLineSeries* curve : m_comparedCurves)
        if (curve)
            curve->setVisible(false);
}

QString IgnitionTab::comparisonText() const
{
    if (!m_compared)
        return {};
    return QStringLiteral("Vergleich mit %1: %2").arg(m_comparedWith, gridclip::differenceCount(m_differences));
}

void IgnitionTab::showComparison()
{
    const std::vector<ignition::Difference> differences = ignition::differences(m_table, *m_compared);
    m_differences = int(differences.size());
    m_differs.assign(size_t(m_table.rows()) * 2, false);
    for (const ignition::Difference& d : differences) {
        m_differs[size_t(d.row) * 2 + size_t(d.cylinder)] = true;
        if (m_table.scheme() == BandScheme::Shared76)
            m_differs[size_t(d.row) * 2 + 1] = true;
    }
    for (int row = 0; row < m_table.rows(); ++row)
        for (int column = kAngleColumn; column < kColumns; ++column)
            paintCell(row, column);
    lblCompare->setText(comparisonText());
    m_endComparison->setEnabled(true);
    const int cylinders = ignition::dataColumns(m_table.scheme());
    for (int cylinder = 0; cylinder < 2; ++cylinder) {
        QLineSeries* curve = m_comparedCurves[cylinder];
        if (!curve)
            continue;
        const std::vector<double> angles = m_compared->chartPoints(cylinder);
        QList<QPointF> points;
        for (size_t i = 0; i < angles.size(); ++i)
            points.append(QPointF(double(i), angles[i]));
        curve->replace(points);
        curve->setVisible(cylinder < cylinders);
    }
}

// A data cell's colour: the chosen band, a value that differs, or plain.
void IgnitionTab::paintCell(int row, int column)
{
    QTableWidgetItem* item = MSHFlexGrid1->item(row, column);
    if (!item || column == kBandColumn)
        return;
    const int cylinder = (column - kAngleColumn) % 2;
    const bool differs = m_compared && !m_differs.empty() && m_differs[size_t(row) * 2 + size_t(cylinder)];
    QString tip;
    if (differs) {
        const QString& byte = m_compared->byteText(row, cylinder);
        tip = byte.isEmpty() ? QStringLiteral("Vergleichswert: leer")
                             : QStringLiteral("Vergleichswert: %1 Grad (Byte %2)")
                                   .arg(fmt::fixedDecimals(m_compared->angle(row, cylinder), 1), byte);
    }
    item->setToolTip(tip);
    if (m_hasSelection && row == m_selectedRow && column == m_selectedColumn)
        item->setBackground(kSelected);
    else
        item->setBackground(differs ? kDiffers : QColor(Qt::white));
}

// --- Journal ------------------------------------------------------------------

void IgnitionTab::writeJournal()
{
    m_journalTimer->stop();
    if (!m_unsaved) {
        m_journal.clear();
        return;
    }
    std::optional<QByteArray> baseline;
    if (m_baseline)
        baseline = vmz::write(*m_baseline);
    m_journal.write(vmz::write(m_table), baseline);
}

// On opening: edits the unit and no file got last time are offered back.
void IgnitionTab::offerJournal()
{
    const std::optional<EditJournal::Entry> entry = m_journal.read();
    if (!entry)
        return;
    const AngleCoding coding = context().gridCoding();
    IgnitionTable edited(m_table.scheme());
    vmz::read(entry->table, edited, coding);
    std::optional<IgnitionTable> baseline;
    std::optional<int> differences;
    if (entry->baseline) {
        baseline.emplace(m_table.scheme());
        vmz::read(*entry->baseline, *baseline, coding);
        differences = int(ignition::differences(edited, *baseline).size());
    }
    const QString question
        = EditJournal::question(QStringLiteral("der Zündwinkeltabelle"), entry->written, differences);
    if (platform().messageBox(
            this, QStringLiteral("Wiederherstellen"), question, Platform::Icon::Question, Platform::Buttons::YesNo)
        != Platform::Answer::Yes) {
        m_journal.clear();
        return;
    }
    record();
    m_table = std::move(edited);
    m_baseline = std::move(baseline);
    m_modified = true;
    m_unsaved = true;
    setSource(QStringLiteral("Wiederhergestellt (Änderungen vom %1)")
                  .arg(entry->written.toString(QStringLiteral("dd.MM.yyyy HH:mm"))));
    showTable();
    drawChart();
    changed();
}
