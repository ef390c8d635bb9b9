#pragma once

#include "racing/anglecoding.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct UnitIdentity;

// The unit's ignition angle table as the racing options window shows it: one
// ignition angle per engine speed band, shared by both cylinders on older
// units (76 bands) or one table per cylinder (111 bands).
enum class BandScheme {
    Shared76, // one table for the whole engine over addresses 1-110
    PerCylinder111, // one table per cylinder, address = row + 1
};

namespace bands {

BandScheme schemeFor(const UnitIdentity& unit);
int rowCount(BandScheme scheme); // 76 or 111
// The last address a read or write visits (76 bands: 110, with gaps).
int lastAddress(BandScheme scheme); // 110 or 111
// Row labels ("0-50" ... "9803->>" or "10001->>").
const QStringList& labels(BandScheme scheme);
// Whether an address of 1-110 holds a band of the 76-band table.
bool isTableAddress(int address);
// The row an address fills, -1 when it fills none.
int rowOfAddress(BandScheme scheme, int address);
// Chart points each row stands for (one point per about 50 rpm).
int pointsOfRow(BandScheme scheme, int row);
int chartPointCount(BandScheme scheme); // 205 or 202

} // namespace bands

// Where a grid value came from; it decides how its angle is written.
enum class CellOrigin { Unit, Hand, File };

// The grid's data: per row the byte text of each cylinder (the data that are
// transferred and stored) and the angle derived from it. On the 76-band
// scheme both cylinders always hold the same.
class IgnitionTable {
public:
    explicit IgnitionTable(BandScheme scheme);

    BandScheme scheme() const { return m_scheme; }
    int rows() const { return int(m_rows.size()); }
    QString label(int row) const;

    // Grid columns 3/4 (cylinder 0/1): the byte as decimal text, or whatever
    // text a file brought; empty when never filled.
    const QString& byteText(int row, int cylinder) const;
    // Grid columns 1/2: the angle text; empty when never filled.
    const QString& angleText(int row, int cylinder) const;
    // The angle as it was computed when the cell was filled (0 when never
    // filled); the chart reads it, so it never depends on the text's format.
    double angle(int row, int cylinder) const;
    // The byte column as a table byte: nothing when it is empty, not a
    // decimal number or outside 0-255.
    std::optional<int> byteValue(int row, int cylinder) const;

    // A byte of cylinder 0 or 1. On the 76-band scheme both cylinders take it.
    // The angle text follows the scheme and origin: 111 bands " 0.0"
    // everywhere; 76 bands a plain number from the unit or a file and "0.0"
    // from the hand edit.
    void setByte(int row, int cylinder, int byte, const AngleCoding& coding, CellOrigin origin);
    // A byte text from a file, kept as it stands; the angle is that of its
    // leading number.
    void setText(int row, int cylinder, const QString& text, const AngleCoding& coding);

    // The chart's points: each row's angle repeated over the points it covers
    // (205 or 202), cylinder 0 or 1.
    std::vector<double> chartPoints(int cylinder) const;

private:
    struct Cell {
        QString byteText;
        QString angleText;
        double angle = 0;
    };
    struct Row {
        Cell cylinder[2];
    };
    const Cell& cell(int row, int cylinder) const;
    QString angleTextFor(double angle, CellOrigin origin) const;
    void fill(int row, int cylinder, const QString& byteText, double angle, CellOrigin origin);

    BandScheme m_scheme;
    std::vector<Row> m_rows;
};
