#include "ignitiontab.h"

#include "core/format.h"
#include "racing/racingcontext.h"
#include "racing/servicetables.h"
#include "racing/vmzfile.h"
#include "shell/kit/boxes.h"
#include "shell/kit/frmhistory.h"
#include "shell/platform.h"
#include "shell/session.h"

#include <QChart>
#include <QChartView>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QSaveFile>
#include <QSlider>
#include <QTableWidget>
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
{
    buildUi();
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
    MSHFlexGrid1->setSelectionMode(QAbstractItemView::NoSelection);
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
    for (QPushButton* b : { cmdReadZwTab, cmdWriteZwTab, cmdDiskSave, cmdLoadDisk, cmdHistory })
        buttons->addWidget(b);
    buttons->addStretch();

    auto* right = new QVBoxLayout;
    right->addWidget(mschrtZndKurve, 1);
    right->addLayout(limits);
    right->addLayout(edit);
    right->addLayout(buttons);

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
    history::keep(
        context().session(), UnitHistory::Kind::IgnitionTable, vmz::write(m_table), QStringLiteral("vmz"));
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
}

// cmdLoadDisk
void IgnitionTab::loadFromDisk()
{
    const std::optional<QString> path = platform().openFileName(this, fileDialog(QStringLiteral("Öffnen")));
    if (!path || path->isEmpty())
        return;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
        platform().messageBox(this, kAppTitle,
            QStringLiteral("Die Datei \"%1\" kann nicht gelesen werden.").arg(*path), Platform::Icon::Critical);
        return;
    }
    loadContent(file.readAll(), *path);
    history::keep(
        context().session(), UnitHistory::Kind::IgnitionTable, vmz::write(m_table), QStringLiteral("vmz"), *path);
}

// cmdHistory: a stored version loads as a file would.
void IgnitionTab::loadFromHistory()
{
    if (const std::optional<history::Picked> picked
        = history::pick(this, context().session().history(), UnitHistory::Kind::IgnitionTable))
        loadContent(picked->bytes, history::sourceText(picked->version));
}

void IgnitionTab::loadContent(const QByteArray& content, const QString& source)
{
    const vmz::LoadResult result = vmz::read(content, m_table, context().gridCoding());
    if (result.otherScheme) {
        platform().messageBox(this, QStringLiteral("ACHTUNG"), kMaybeIncompatible, Platform::Icon::Warning);
        platform().messageBox(this, QStringLiteral("Hinweis"), kCylinder1ForBoth, Platform::Icon::Information);
    }
    if (const QString notice = vmz::lineCountNotice(result, m_table.rows()); !notice.isEmpty())
        platform().messageBox(this, QStringLiteral("Hinweis"), notice, Platform::Icon::Information);
    showTable();
    clearSelection();
    setSource(source);
    drawChart();
}

void IgnitionTab::clearSelection()
{
    if (m_hasSelection)
        MSHFlexGrid1->item(m_selectedRow, m_selectedColumn)->setBackground(Qt::white);
    m_hasSelection = false;
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
    m_modified = true;
    const int value = sldZWinkel->value();
    const AngleCoding coding = context().gridCoding();
    if (m_table.scheme() == BandScheme::Shared76) {
        m_table.setByte(m_selectedRow, 0, value, coding, CellOrigin::Hand);
        showRow(m_selectedRow);
    } else if (m_selectedColumn == kAngleColumn || m_selectedColumn == kAngleColumn + 1) {
        m_table.setByte(m_selectedRow, m_selectedColumn - kAngleColumn, value, coding, CellOrigin::Hand);
        showRow(m_selectedRow);
    }
    showTakeOverHint(false);
    drawChart();
}
