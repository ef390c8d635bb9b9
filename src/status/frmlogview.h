#pragma once

#include "core/vmllog.h"

#include <QWidget>

#include <chrono>
#include <optional>
#include <vector>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class LogChartView;
class QChart;
class QLineSeries;
class QValueAxis;

// Shows a recorded log file: the chosen columns over time, zoomable, with a
// cursor that reads out the row under it. Reads the file only; the
// recording's format stays the recorder's.
class FrmLogView : public QWidget {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kDefaultPollPeriod { 300 };
    static inline const QString kTopic = QStringLiteral("logview.html");

    // Reads `path` and returns the window (not yet shown), or nullptr after a
    // box that names the path when the file cannot be read. `pollPeriod` is
    // the row spacing for files without a readable clock.
    static FrmLogView* open(const QString& path, std::chrono::milliseconds pollPeriod, QWidget* parent = nullptr);

    FrmLogView(vml::Log log, const QString& path, QWidget* parent = nullptr);
    ~FrmLogView() override;

    const vml::Log& log() const { return m_log; }
    std::optional<std::size_t> cursorRow() const { return m_cursorRow; }
    // The visible span of the time axis, in seconds from the first row.
    std::pair<double, double> visibleRange() const;

    void setCursorRow(std::size_t row);
    // The cursor on the row nearest to `seconds`.
    void setCursorTime(double seconds);
    void zoomBy(double factor, std::optional<double> around = std::nullopt);
    void showRange(double from, double to);

    void cmdZoomReset_Click();
    void cmdSavePng_Click();

private:
    void buildColumnList();
    void lstColumns_itemChanged(QListWidgetItem* item);
    void addSeries(int column);
    void removeSeries(int column);
    // Puts the visible part of every chosen column into its series, thinned
    // to about two points per pixel.
    void redraw();
    void updateCursorLabel();
    void chartKey(int key, Qt::KeyboardModifiers modifiers);
    double fullEnd() const;

    struct Plot {
        int column = -1;
        QLineSeries* series = nullptr;
        QValueAxis* axis = nullptr;
    };

    vml::Log m_log;
    QString m_path;
    QListWidget* lstColumns = nullptr;
    LogChartView* chrtLog = nullptr;
    QChart* m_chart = nullptr;
    QValueAxis* m_timeAxis = nullptr;
    QLabel* lblCursor = nullptr;
    QLabel* lblHeader = nullptr;
    QPushButton* cmdZoomReset = nullptr;
    QPushButton* cmdSavePng = nullptr;
    std::vector<Plot> m_plots;
    std::optional<std::size_t> m_cursorRow;
    bool m_redrawing = false;
};
