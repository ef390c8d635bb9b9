#pragma once

#include <QColor>
#include <QString>

#include <optional>

// The crank angle sensor state the unit reports, as the sensor test shows it.
namespace sensor {

// The unit has no valid state to report.
constexpr int kNoValidState = 255;

inline const QString kOn = QStringLiteral("Ein");
inline const QString kOff = QStringLiteral("Aus");

inline const QColor kCylinder1Active { 0, 255, 0 }; // green
inline const QColor kCylinder2Active { 255, 255, 0 }; // yellow
inline const QColor kInactive { 0, 0, 0 }; // black

struct Indicator {
    QColor colour;
    QString text;

    bool operator==(const Indicator&) const = default;
};

struct Display {
    Indicator cylinder1;
    Indicator cylinder2;

    bool operator==(const Display&) const = default;
};

// Before the first valid state: both off.
Display initialDisplay();

// Bit 0 set: cylinder 1's signal is active, otherwise cylinder 2's. Nothing
// for the byte that means no valid state: the display keeps what it shows.
std::optional<Display> decode(int stateByte);

} // namespace sensor
