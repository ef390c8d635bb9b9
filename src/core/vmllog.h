#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// Reading a recorded log file (*.vml) back: the header block, the column
// titles and the rows as numbers. Fields that are no number ("N/A",
// "SC/GND", " ---", "Ein", ...) are gaps (NaN).
//
// A last row without its line end was cut while it was written: it keeps the
// fields that end in a separator, its last field becomes a gap, and it is
// dropped when not even its clock field is complete.
namespace vml {

struct Log {
    // Header lines 1-3, as written after their colon.
    QString unitType;
    QString serialNumber;
    QString firmware;
    // Line 4; invalid when the line is missing or unreadable.
    QDateTime start;
    // Line 5, in degrees before top dead centre.
    std::optional<double> sensorAngle;

    // Titles of the value columns (after "Index" and "Uhrzeit").
    QStringList columns;
    // Seconds from the first row. From the rows' clock when every row has a
    // readable one (rows of the same second are spread evenly over it),
    // else the row position times the poll period.
    std::vector<double> time;
    bool timeFromClock = false;
    // Second of the day each row was written at, -1 when unreadable.
    std::vector<std::int32_t> clock;
    // values[column][row], contiguous per column.
    std::vector<std::vector<double>> values;

    std::size_t rows() const { return time.size(); }
};

// A field as a number: optional blanks and sign, digits with "," or "." as
// decimal separator, an optional exponent. Anything else is NaN.
double readNumber(std::string_view field);

// `error` receives the German reason when the text is no log file.
std::optional<Log> parse(std::string_view bytes, std::chrono::milliseconds pollPeriod, QString* error = nullptr);
std::optional<Log> readFile(const QString& path, std::chrono::milliseconds pollPeriod, QString* error = nullptr);

} // namespace vml
