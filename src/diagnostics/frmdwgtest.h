#pragma once

#include "diagnostics/sensorstate.h"
#include "shell/kit/unitdialog.h"

#include <QTimer>
#include <QWidget>

#include <chrono>
#include <optional>

class QLabel;
class QPushButton;

// A round lamp in one fill colour.
class IndicatorShape : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor fillColor READ fillColor WRITE setFillColor)
public:
    explicit IndicatorShape(QWidget* parent = nullptr);

    QColor fillColor() const { return m_fill; }
    void setFillColor(const QColor& colour);
    QSize sizeHint() const override { return { 48, 48 }; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_fill = sensor::kInactive;
};

// The crank angle sensor test: shows which cylinder's sensor signal is
// active, read from the unit every poll tick.
class FrmDwgTest : public UnitDialog {
    Q_OBJECT
public:
    static inline const QString kCaption = QStringLiteral("Test Drehwinkelgeber");
    static inline const QString kHelpTopic = QStringLiteral("dwgtest.html");
    static inline const QString kNotice
        = QStringLiteral("Die Anzeige dient als Funktionstest und Hilfe bei der statischen Gebereinstellung. "
                         "Ab etwa 3 Hz (>180 U/min) liefert sie keine Darstellung in Echtzeit.");
    static constexpr std::chrono::milliseconds kPollInterval { 100 };
    static constexpr std::chrono::milliseconds kWatchdogInterval { 1000 };

    explicit FrmDwgTest(Session& session, QWidget* parent = nullptr);

    bool polling() const { return m_timer1.isActive(); }

protected:
    void load() override;

private:
    void buildUi();
    void Timer1_Timer();
    void poll();
    std::optional<int> ReadSensorState();
    void showState(const sensor::Display& display);

    QTimer m_timer1;

    IndicatorShape* shpZylEins = nullptr;
    IndicatorShape* shpZylZwei = nullptr;
    QLabel* lblZ1Stat = nullptr;
    QLabel* lblZ2Stat = nullptr;
    QPushButton* cmdExit = nullptr;
};
