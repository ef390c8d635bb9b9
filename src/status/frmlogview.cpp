#include "frmlogview.h"

#include "core/format.h"
#include "shell/kit/helpkey.h"
#include "shell/platform.h"

#include <QChart>
#include <QChartView>
#include <QFileInfo>
#include <QGraphicsLineItem>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLegend>
#include <QLineSeries>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

// The plot: reports the mouse, the wheel and the keys in seconds of the time
// axis and draws the cursor line. The window decides what they do.
class LogChartView : public QChartView {
public:
    std::function<void(double seconds)> onHover;
    std::function<void(double factor, double atSeconds)> onWheel;
    std::function<bool(int key, Qt::KeyboardModifiers modifiers)> onKey;
    std::function<void()> onResize;

    LogChartView(QChart* chart, QWidget* parent)
        : QChartView(chart, parent)
    {
        setRubberBand(QChartView::HorizontalRubberBand);
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
        m_cursor = new QGraphicsLineItem;
        m_cursor->setPen(QPen(QColor(200, 0, 0), 1, Qt::DashLine));
        m_cursor->setZValue(1000);
        m_cursor->hide();
        scene()->addItem(m_cursor);
    }

    // Seconds on the time axis at a point of the view; nothing outside the plot.
    std::optional<double> timeAt(QPointF viewPos) const
    {
        const QPointF p = chart()->mapFromScene(mapToScene(viewPos.toPoint()));
        const QRectF area = chart()->plotArea();
        const auto* axis = timeAxis();
        if (!axis || area.width() <= 0 || p.x() < area.left() || p.x() > area.right())
            return std::nullopt;
        return axis->min() + (p.x() - area.left()) / area.width() * (axis->max() - axis->min());
    }

    void placeCursor(std::optional<double> seconds)
    {
        const QRectF area = chart()->plotArea();
        const auto* axis = timeAxis();
        if (!seconds || !axis || axis->max() <= axis->min() || *seconds < axis->min() || *seconds > axis->max()) {
            m_cursor->hide();
            return;
        }
        const double x = area.left() + (*seconds - axis->min()) / (axis->max() - axis->min()) * area.width();
        m_cursor->setLine(
            QLineF(chart()->mapToScene(QPointF(x, area.top())), chart()->mapToScene(QPointF(x, area.bottom()))));
        m_cursor->show();
    }

protected:
    void mouseMoveEvent(QMouseEvent* event) override
    {
        QChartView::mouseMoveEvent(event);
        if (const auto t = timeAt(event->position()); t && onHover)
            onHover(*t);
    }
    void wheelEvent(QWheelEvent* event) override
    {
        const int steps = event->angleDelta().y() / 120;
        const auto t = timeAt(event->position());
        if (steps == 0 || !t || !onWheel) {
            QChartView::wheelEvent(event);
            return;
        }
        onWheel(std::pow(0.8, steps), *t);
        event->accept();
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        if (onKey && onKey(event->key(), event->modifiers())) {
            event->accept();
            return;
        }
        QChartView::keyPressEvent(event);
    }
    void resizeEvent(QResizeEvent* event) override
    {
        QChartView::resizeEvent(event);
        if (onResize)
            onResize();
    }

private:
    const QValueAxis* timeAxis() const
    {
        const auto axes = chart()->axes(Qt::Horizontal);
        return axes.isEmpty() ? nullptr : qobject_cast<const QValueAxis*>(axes.first());
    }

    QGraphicsLineItem* m_cursor = nullptr;
};

namespace {

const QString kNoCursor = QStringLiteral("Cursor: Maus über das Diagramm führen oder Pfeiltasten drücken");
const QString kGap = QStringLiteral("-");
// Columns shown when the file opens.
constexpr int kInitiallyShown = 2;
// Points per pixel column above which a series is thinned to its extremes.
constexpr int kThinAbove = 4;

QColor columnColor(int column)
{
    static const QColor colors[]
        = { QColor(31, 119, 180), QColor(214, 39, 40), QColor(44, 160, 44), QColor(148, 103, 189),
              QColor(255, 127, 14), QColor(140, 86, 75), QColor(23, 190, 207), QColor(127, 127, 127) };
    return colors[column % int(std::size(colors))];
}

// Ticks on round numbers (1, 2 or 5 times a power of ten), about six of them,
// labelled with as many decimals as the step needs.
void setRoundTicks(QValueAxis* axis, double from, double to)
{
    const double span = to - from;
    if (!(span > 0))
        return;
    const double wanted = span / 6;
    const double magnitude = std::pow(10.0, std::floor(std::log10(wanted)));
    double step = 10 * magnitude;
    for (const double m : { 1.0, 2.0, 5.0 }) {
        if (m * magnitude >= wanted) {
            step = m * magnitude;
            break;
        }
    }
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0.0);
    axis->setTickInterval(step);
    const int decimals = std::clamp(-int(std::floor(std::log10(step) + 1e-9)), 0, 6);
    axis->setLabelFormat(QStringLiteral("%.%1f").arg(decimals));
}

bool hasNumbers(const std::vector<double>& values)
{
    return std::any_of(values.begin(), values.end(), [](double v) { return !std::isnan(v); });
}

QString clockText(std::int32_t secondOfDay)
{
    return QTime(0, 0).addSecs(secondOfDay).toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

FrmLogView* FrmLogView::open(const QString& path, std::chrono::milliseconds pollPeriod, QWidget* parent)
{
    QString reason;
    auto log = vml::readFile(path, pollPeriod, &reason);
    if (!log) {
        platform().messageBox(parent, QStringLiteral("Logdatei"),
            QStringLiteral("Die Logdatei \"%1\" kann nicht gelesen werden.\n%2").arg(path, reason),
            Platform::Icon::Critical);
        return nullptr;
    }
    return new FrmLogView(std::move(*log), path, parent);
}

FrmLogView::FrmLogView(vml::Log log, const QString& path, QWidget* parent)
    : QWidget(parent)
    , m_log(std::move(log))
    , m_path(path)
{
    setObjectName(QStringLiteral("FrmLogView"));
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Logdatei - ") + QFileInfo(path).fileName());

    lstColumns = new QListWidget(this);
    lstColumns->setObjectName(QStringLiteral("lstColumns"));
    auto* lblColumns = new QLabel(QStringLiteral("&Werte:"), this);
    lblColumns->setBuddy(lstColumns);
    cmdZoomReset = new QPushButton(QStringLiteral("&Zoom zurücksetzen"), this);
    cmdZoomReset->setObjectName(QStringLiteral("cmdZoomReset"));
    cmdSavePng = new QPushButton(QStringLiteral("&Bild speichern..."), this);
    cmdSavePng->setObjectName(QStringLiteral("cmdSavePng"));
    lblHeader = new QLabel(this);
    lblHeader->setObjectName(QStringLiteral("lblHeader"));
    lblHeader->setWordWrap(true);
    lblCursor = new QLabel(kNoCursor, this);
    lblCursor->setObjectName(QStringLiteral("lblCursor"));
    lblCursor->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_chart = new QChart;
    m_chart->setLocalizeNumbers(true);
    // Regional decimal separator, but no group separator that could be taken for one.
    QLocale numbers;
    numbers.setNumberOptions(QLocale::OmitGroupSeparator);
    m_chart->setLocale(numbers);
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_chart->setMargins(QMargins(4, 4, 4, 4));
    m_timeAxis = new QValueAxis(m_chart);
    m_timeAxis->setTitleText(QStringLiteral("Zeit [s]"));
    m_chart->addAxis(m_timeAxis, Qt::AlignBottom);
    chrtLog = new LogChartView(m_chart, this);
    chrtLog->setObjectName(QStringLiteral("chrtLog"));

    auto* side = new QVBoxLayout;
    side->addWidget(lblColumns);
    side->addWidget(lstColumns, 1);
    side->addWidget(cmdZoomReset);
    side->addWidget(cmdSavePng);
    auto* plot = new QVBoxLayout;
    plot->addWidget(lblHeader);
    plot->addWidget(chrtLog, 1);
    plot->addWidget(lblCursor);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(side);
    layout->addLayout(plot, 1);
    lstColumns->setFixedWidth(
        fontMetrics().horizontalAdvance(QStringLiteral("eff. Z-Winkel vor OT Zyl. 1 (keine Zahlenwerte)")) + 40);

    QStringList about;
    if (!m_log.unitType.isEmpty())
        about << QStringLiteral("Steuergerät: ") + m_log.unitType;
    if (!m_log.serialNumber.isEmpty())
        about << QStringLiteral("Seriennummer: ") + m_log.serialNumber;
    if (!m_log.firmware.isEmpty())
        about << QStringLiteral("Software: ") + m_log.firmware;
    if (m_log.start.isValid())
        about << QStringLiteral("Beginn: ") + m_log.start.toString(QStringLiteral("d.M.yyyy HH:mm:ss"));
    about << QStringLiteral("Zeilen: %1").arg(m_log.rows());
    if (!m_log.timeFromClock && m_log.rows() > 0)
        about << QStringLiteral("Zeitachse aus dem Abfrageintervall");
    lblHeader->setText(about.join(QStringLiteral("   ")));

    connect(cmdZoomReset, &QPushButton::clicked, this, &FrmLogView::cmdZoomReset_Click);
    connect(cmdSavePng, &QPushButton::clicked, this, &FrmLogView::cmdSavePng_Click);
    connect(m_timeAxis, &QValueAxis::rangeChanged, this, [this](qreal min, qreal max) {
        // The rubber band and the chart's own zoom-out can leave the file's span.
        const double end = fullEnd();
        const double width = std::min(max - min, end);
        double from = std::clamp(min, 0.0, end - width);
        if (std::abs(from - min) > 1e-9 || std::abs(from + width - max) > 1e-9) {
            m_timeAxis->setRange(from, from + width);
            return;
        }
        redraw();
    });
    chrtLog->onHover = [this](double t) { setCursorTime(t); };
    chrtLog->onWheel = [this](double factor, double t) { zoomBy(factor, t); };
    chrtLog->onKey = [this](int key, Qt::KeyboardModifiers modifiers) {
        chartKey(key, modifiers);
        return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Home || key == Qt::Key_End
            || key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Plus || key == Qt::Key_Minus;
    };
    chrtLog->onResize = [this] { redraw(); };
    // Zoom keys wherever the focus is in the window, also in the list.
    for (const int key : { int(Qt::Key_Plus), int(Qt::Key_Minus) }) {
        auto* zoomKey = new QShortcut(QKeySequence(key), this);
        zoomKey->setContext(Qt::WidgetWithChildrenShortcut);
        connect(zoomKey, &QShortcut::activated, this, [this, key] { chartKey(key, Qt::NoModifier); });
    }
    help::installF1(this, kTopic);

    buildColumnList();
    m_timeAxis->setRange(0.0, fullEnd());
    redraw();
    resize(1000, 640);
    chrtLog->setFocus();
}

FrmLogView::~FrmLogView() = default;

double FrmLogView::fullEnd() const
{
    // A single row or an empty file still gets an axis of some width.
    return m_log.rows() > 1 ? std::max(m_log.time.back(), 1e-3) : 1.0;
}

std::pair<double, double> FrmLogView::visibleRange() const
{
    return { m_timeAxis->min(), m_timeAxis->max() };
}

void FrmLogView::buildColumnList()
{
    const QSignalBlocker block(lstColumns);
    int shown = 0;
    for (qsizetype c = 0; c < m_log.columns.size(); ++c) {
        auto* item = new QListWidgetItem(m_log.columns[c], lstColumns);
        item->setData(Qt::UserRole, int(c));
        if (!hasNumbers(m_log.values[std::size_t(c)])) {
            // Switch states and texts only: nothing to draw.
            item->setText(m_log.columns[c] + QStringLiteral(" (keine Zahlenwerte)"));
            item->setFlags(Qt::NoItemFlags);
            continue;
        }
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setForeground(columnColor(int(c)));
        const bool show = shown < kInitiallyShown;
        item->setCheckState(show ? Qt::Checked : Qt::Unchecked);
        if (show) {
            addSeries(int(c));
            ++shown;
        }
    }
    connect(lstColumns, &QListWidget::itemChanged, this, &FrmLogView::lstColumns_itemChanged);
}

void FrmLogView::lstColumns_itemChanged(QListWidgetItem* item)
{
    const int column = item->data(Qt::UserRole).toInt();
    const bool plotted
        = std::any_of(m_plots.begin(), m_plots.end(), [column](const Plot& p) { return p.column == column; });
    if (item->checkState() == Qt::Checked && !plotted)
        addSeries(column);
    else if (item->checkState() != Qt::Checked && plotted)
        removeSeries(column);
    else
        return;
    redraw();
    updateCursorLabel();
}

void FrmLogView::addSeries(int column)
{
    Plot plot;
    plot.column = column;
    plot.series = new QLineSeries;
    plot.series->setName(m_log.columns[column]);
    plot.series->setPen(QPen(columnColor(column), 1.5));
    plot.axis = new QValueAxis;
    plot.axis->setLabelsColor(columnColor(column));
    plot.axis->setLinePenColor(columnColor(column));
    plot.axis->setGridLineVisible(m_plots.empty());
    // Every column keeps its own scale; the axes take turns on the two sides.
    m_chart->addSeries(plot.series);
    m_chart->addAxis(plot.axis, m_plots.size() % 2 == 0 ? Qt::AlignLeft : Qt::AlignRight);
    plot.series->attachAxis(m_timeAxis);
    plot.series->attachAxis(plot.axis);
    m_plots.push_back(plot);
    // Keep the list's order for the cursor read-out.
    std::sort(m_plots.begin(), m_plots.end(), [](const Plot& a, const Plot& b) { return a.column < b.column; });
}

void FrmLogView::removeSeries(int column)
{
    const auto it
        = std::find_if(m_plots.begin(), m_plots.end(), [column](const Plot& p) { return p.column == column; });
    if (it == m_plots.end())
        return;
    m_chart->removeSeries(it->series);
    m_chart->removeAxis(it->axis);
    delete it->series;
    delete it->axis;
    m_plots.erase(it);
}

void FrmLogView::redraw()
{
    if (m_redrawing)
        return;
    m_redrawing = true;
    const auto [from, to] = visibleRange();
    const auto& t = m_log.time;
    // One point beyond each edge, so that the lines run to the border.
    std::size_t first = std::size_t(std::lower_bound(t.begin(), t.end(), from) - t.begin());
    std::size_t last = std::size_t(std::upper_bound(t.begin(), t.end(), to) - t.begin());
    first = first > 0 ? first - 1 : 0;
    last = std::min(last + 1, t.size());
    const int pixels = std::max(100, int(m_chart->plotArea().width()));
    const double perPixel = to > from ? double(pixels) / (to - from) : 0.0;
    const bool thin = last - first > std::size_t(kThinAbove * pixels);
    setRoundTicks(m_timeAxis, from, to);

    for (const Plot& plot : m_plots) {
        const std::vector<double>& v = m_log.values[std::size_t(plot.column)];
        QList<QPointF> points;
        points.reserve(thin ? 2 * pixels + 4 : qsizetype(last - first));
        double lo = std::numeric_limits<double>::infinity();
        double hi = -lo;
        // A gap ends the line: one point without a value, where the chart
        // lifts the pen, instead of a line across the missing rows.
        const auto breakLine = [&](std::size_t i) {
            if (!points.isEmpty() && !std::isnan(points.constLast().y()))
                points.append(QPointF(t[i], std::numeric_limits<double>::quiet_NaN()));
        };
        const auto extent = [&](std::size_t i) {
            if (t[i] >= from && t[i] <= to) {
                lo = std::min(lo, v[i]);
                hi = std::max(hi, v[i]);
            }
        };
        if (!thin) {
            for (std::size_t i = first; i < last; ++i) {
                if (std::isnan(v[i])) {
                    breakLine(i);
                    continue;
                }
                points.append(QPointF(t[i], v[i]));
                extent(i);
            }
        } else {
            // Per pixel column the lowest and the highest value, in the order
            // they were recorded: every peak stays visible.
            long bucket = std::numeric_limits<long>::min();
            std::size_t low = 0;
            std::size_t high = 0;
            const auto flush = [&] {
                if (bucket == std::numeric_limits<long>::min())
                    return;
                const std::size_t a = std::min(low, high);
                const std::size_t b = std::max(low, high);
                points.append(QPointF(t[a], v[a]));
                if (b != a)
                    points.append(QPointF(t[b], v[b]));
            };
            for (std::size_t i = first; i < last; ++i) {
                const double y = v[i];
                if (std::isnan(y)) {
                    flush();
                    bucket = std::numeric_limits<long>::min();
                    breakLine(i);
                    continue;
                }
                extent(i);
                const long b = long(std::floor((t[i] - from) * perPixel));
                if (b != bucket) {
                    flush();
                    bucket = b;
                    low = high = i;
                } else if (y < v[low]) {
                    low = i;
                } else if (y > v[high]) {
                    high = i;
                }
            }
            flush();
        }
        plot.series->replace(points);
        if (lo > hi) {
            lo = 0.0;
            hi = 1.0;
        }
        const double margin = hi > lo ? (hi - lo) * 0.05 : std::max(std::abs(hi) * 0.05, 1.0);
        plot.axis->setRange(lo - margin, hi + margin);
        setRoundTicks(plot.axis, lo - margin, hi + margin);
    }
    chrtLog->placeCursor(m_cursorRow ? std::optional<double>(t[*m_cursorRow]) : std::nullopt);
    m_redrawing = false;
}

void FrmLogView::setCursorRow(std::size_t row)
{
    if (m_log.rows() == 0)
        return;
    m_cursorRow = std::min(row, m_log.rows() - 1);
    const double at = m_log.time[*m_cursorRow];
    const auto [from, to] = visibleRange();
    if (at < from || at > to)
        showRange(at - (to - from) / 2, at + (to - from) / 2);
    chrtLog->placeCursor(at);
    updateCursorLabel();
}

void FrmLogView::setCursorTime(double seconds)
{
    const auto& t = m_log.time;
    if (t.empty())
        return;
    const auto it = std::lower_bound(t.begin(), t.end(), seconds);
    std::size_t row = std::size_t(it - t.begin());
    if (row == t.size() || (row > 0 && seconds - t[row - 1] < t[row] - seconds))
        row = row > 0 ? row - 1 : 0;
    setCursorRow(row);
}

void FrmLogView::updateCursorLabel()
{
    if (!m_cursorRow) {
        lblCursor->setText(kNoCursor);
        return;
    }
    const std::size_t row = *m_cursorRow;
    QString text
        = QStringLiteral("Zeile %1   Zeit: %2 s").arg(row + 1).arg(fmt::fixedDecimals(m_log.time[row], 1));
    if (m_log.clock[row] >= 0)
        text += QStringLiteral(" (%1 Uhr)").arg(clockText(m_log.clock[row]));
    for (const Plot& plot : m_plots) {
        const double v = m_log.values[std::size_t(plot.column)][row];
        text += QStringLiteral("   ") + m_log.columns[plot.column] + QStringLiteral(": ")
            + (std::isnan(v) ? kGap : fmt::plainNumber(v));
    }
    lblCursor->setText(text);
}

void FrmLogView::showRange(double from, double to)
{
    const double end = fullEnd();
    // Not narrower than two rows apart, not wider than the file.
    const double narrowest = std::min(end, m_log.rows() > 1 ? end / double(m_log.rows()) * 2 : end);
    const double width = std::clamp(to - from, narrowest, end);
    from = std::clamp(from, 0.0, end - width);
    m_timeAxis->setRange(from, from + width);
}

void FrmLogView::zoomBy(double factor, std::optional<double> around)
{
    const auto [from, to] = visibleRange();
    const double at = around.value_or((from + to) / 2);
    showRange(at - (at - from) * factor, at + (to - at) * factor);
}

void FrmLogView::cmdZoomReset_Click()
{
    showRange(0.0, fullEnd());
}

void FrmLogView::chartKey(int key, Qt::KeyboardModifiers modifiers)
{
    const auto [from, to] = visibleRange();
    std::optional<double> at;
    if (m_cursorRow && m_log.time[*m_cursorRow] >= from && m_log.time[*m_cursorRow] <= to)
        at = m_log.time[*m_cursorRow];
    if (key == Qt::Key_Plus) {
        zoomBy(0.5, at);
        return;
    }
    if (key == Qt::Key_Minus) {
        zoomBy(2.0, at);
        return;
    }
    if (m_log.rows() == 0)
        return;
    // Without a cursor the keys start at the first row in view.
    const std::size_t firstVisible
        = std::size_t(std::lower_bound(m_log.time.begin(), m_log.time.end(), from) - m_log.time.begin());
    const std::size_t row = m_cursorRow.value_or(std::min(firstVisible, m_log.rows() - 1));
    const std::size_t step = (modifiers & Qt::ControlModifier) ? 10 : 1;
    const std::size_t page = std::max<std::size_t>(1, m_log.rows() / 20);
    switch (key) {
    case Qt::Key_Left:
        setCursorRow(m_cursorRow ? (row > step ? row - step : 0) : row);
        break;
    case Qt::Key_Right:
        setCursorRow(m_cursorRow ? row + step : row);
        break;
    case Qt::Key_PageUp:
        setCursorRow(row > page ? row - page : 0);
        break;
    case Qt::Key_PageDown:
        setCursorRow(row + page);
        break;
    case Qt::Key_Home:
        setCursorRow(0);
        break;
    case Qt::Key_End:
        setCursorRow(m_log.rows() - 1);
        break;
    default:
        break;
    }
}

void FrmLogView::cmdSavePng_Click()
{
    Platform::FileDialog dialog;
    dialog.title = QStringLiteral("Bild speichern unter");
    dialog.filter = QStringLiteral("PNG-Bild (*.png)|*png");
    dialog.defaultExtension = QStringLiteral("png");
    dialog.initialName = QFileInfo(m_path).completeBaseName() + QStringLiteral(".png");
    const auto path = platform().saveFileName(this, dialog);
    if (!path || path->isEmpty())
        return;
    if (!chrtLog->grab().save(*path, "PNG"))
        platform().messageBox(this, QStringLiteral("Bild speichern"),
            QStringLiteral("Das Bild \"%1\" kann nicht gespeichert werden.").arg(*path), Platform::Icon::Critical);
}
