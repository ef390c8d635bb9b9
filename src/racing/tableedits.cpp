#include "tableedits.h"

#include "core/format.h"
#include "racing/tlafile.h"

#include <QLocale>

#include <cmath>

namespace gridclip {

QList<QStringList> parse(const QString& text)
{
    QString s = text;
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (s.endsWith(QLatin1Char('\n')))
        s.chop(1);
    QList<QStringList> rows;
    if (s.isEmpty())
        return rows;
    for (const QString& line : s.split(QLatin1Char('\n')))
        rows.append(line.split(QLatin1Char('\t')));
    return rows;
}

QString join(const QList<QStringList>& rows)
{
    QString out;
    for (const QStringList& row : rows)
        out += row.join(QLatin1Char('\t')) + QStringLiteral("\r\n");
    return out;
}

QString differenceCount(int count)
{
    if (count == 0)
        return QStringLiteral("Keine Abweichung");
    if (count == 1)
        return QStringLiteral("1 Wert weicht ab");
    return QStringLiteral("%1 Werte weichen ab").arg(count);
}

namespace {

// The first pasted field that lies beyond `rows` x `columns` from the anchor.
std::optional<PasteFault> beyond(const QList<QStringList>& pasted, int row, int column, int rows, int columns)
{
    for (int r = 0; r < pasted.size(); ++r)
        for (int c = 0; c < pasted[r].size(); ++c)
            if (row + r >= rows || column + c >= columns)
                return PasteFault { Fault::TooLarge, pasted[r][c], QString(), r + 1, c + 1 };
    return std::nullopt;
}

QString tooLargeText(const PasteFault& fault)
{
    return QStringLiteral("Die eingefügten Werte passen ab der gewählten Zelle nicht in die Tabelle: der Wert "
                          "\"%1\" (Zeile %2, Spalte %3 der eingefügten Werte) läge außerhalb. Es wurde nichts "
                          "eingefügt.")
        .arg(fault.text)
        .arg(fault.pastedRow)
        .arg(fault.pastedColumn);
}

QString notANumberText(const PasteFault& fault)
{
    return QStringLiteral("Der eingefügte Wert \"%1\" für %2 ist keine Zahl. Es wurde nichts eingefügt.")
        .arg(fault.text, fault.cellName);
}

} // namespace

} // namespace gridclip

using gridclip::Area;
using gridclip::Fault;
using gridclip::PasteFault;
using gridclip::PasteResult;

namespace ignition {

int dataColumns(BandScheme scheme)
{
    return scheme == BandScheme::PerCylinder111 ? 2 : 1;
}

Area wholeTable(const IgnitionTable& table)
{
    return { 0, 0, table.rows(), dataColumns(table.scheme()) };
}

namespace {

QString angleField(const IgnitionTable& table, int row, int cylinder)
{
    if (table.byteText(row, cylinder).isEmpty())
        return {};
    return fmt::fixedDecimals(table.angle(row, cylinder), 1);
}

} // namespace

QString cellName(const IgnitionTable& table, int row, int cylinder)
{
    QString name = QStringLiteral("Drehzahlbereich %1 U/min").arg(table.label(row));
    if (table.scheme() == BandScheme::PerCylinder111)
        name += QStringLiteral(", Zylinder %1").arg(cylinder + 1);
    return name;
}

QString copyText(const IgnitionTable& table, const Area& area)
{
    QList<QStringList> rows;
    for (int row = area.row; row < area.row + area.rows; ++row) {
        QStringList fields;
        for (int column = area.column; column < area.column + area.columns; ++column)
            fields << angleField(table, row, column);
        rows << fields;
    }
    return gridclip::join(rows);
}

PasteResult paste(IgnitionTable& table, const QString& text, int row, int column, const AngleCoding& coding)
{
    const QList<QStringList> pasted = gridclip::parse(text);
    if (auto fault = gridclip::beyond(pasted, row, column, table.rows(), dataColumns(table.scheme())))
        return { fault };
    struct Change {
        int row;
        int cylinder;
        int byte;
    };
    std::vector<Change> changes;
    for (int r = 0; r < pasted.size(); ++r)
        for (int c = 0; c < pasted[r].size(); ++c) {
            const QString& field = pasted[r][c];
            const int band = row + r;
            const int cylinder = column + c;
            if (field.trimmed().isEmpty())
                continue;
            const std::optional<double> angle = lambda::numberOf(field);
            if (!angle)
                return { PasteFault { Fault::NotANumber, field, cellName(table, band, cylinder), r + 1, c + 1 } };
            const double byte = coding.reference - coding.shift - std::round(*angle * 10.0);
            if (byte < 0 || byte > 255)
                return { PasteFault { Fault::OutOfRange, field, cellName(table, band, cylinder), r + 1, c + 1 } };
            if (table.byteValue(band, cylinder) == int(byte))
                continue;
            changes.push_back({ band, cylinder, int(byte) });
        }
    for (const Change& change : changes)
        table.setByte(change.row, change.cylinder, change.byte, coding, CellOrigin::Hand);
    return { std::nullopt, int(changes.size()) };
}

QString pasteFaultText(const PasteFault& fault, const AngleCoding& coding)
{
    switch (fault.fault) {
    case Fault::TooLarge:
        return gridclip::tooLargeText(fault);
    case Fault::NotANumber:
        return gridclip::notANumberText(fault);
    case Fault::OutOfRange:
        break;
    }
    return QStringLiteral("Der eingefügte Zündwinkel \"%1\" für %2 liegt außerhalb von %3 bis %4 Grad. Es wurde "
                          "nichts eingefügt.")
        .arg(fault.text, fault.cellName, fmt::fixedDecimals(coding.latest(), 1),
            fmt::fixedDecimals(coding.earliest(), 1));
}

std::vector<Difference> differences(const IgnitionTable& mine, const IgnitionTable& theirs)
{
    std::vector<Difference> out;
    const int rows = std::min(mine.rows(), theirs.rows());
    for (int row = 0; row < rows; ++row)
        for (int cylinder = 0; cylinder < dataColumns(mine.scheme()); ++cylinder) {
            const std::optional<int> a = mine.byteValue(row, cylinder);
            const std::optional<int> b = theirs.byteValue(row, cylinder);
            const bool same = a && b
                ? *a == *b
                : mine.byteText(row, cylinder).trimmed() == theirs.byteText(row, cylinder).trimmed();
            if (!same)
                out.push_back({ row, cylinder });
        }
    return out;
}

} // namespace ignition

namespace lambda {

Area wholeMap()
{
    return { 0, 0, kRows, kColumns };
}

QString copyText(const LambdaMaps& maps, Map map, const Area& area)
{
    QList<QStringList> rows;
    for (int row = area.row; row < area.row + area.rows; ++row) {
        QStringList fields;
        for (int column = area.column; column < area.column + area.columns; ++column)
            fields << maps.text(map, { row + 1, column + 1 }).trimmed();
        rows << fields;
    }
    return gridclip::join(rows);
}

PasteResult paste(LambdaMaps& maps, Map map, const QString& text, Cell from)
{
    const QList<QStringList> pasted = gridclip::parse(text);
    if (auto fault = gridclip::beyond(pasted, from.row - 1, from.column - 1, kRows, kColumns))
        return { fault };
    std::vector<std::pair<Cell, QString>> changes;
    for (int r = 0; r < pasted.size(); ++r)
        for (int c = 0; c < pasted[r].size(); ++c) {
            const QString field = pasted[r][c].trimmed();
            const Cell cell { from.row + r, from.column + c };
            if (field.isEmpty() || field == maps.text(map, cell).trimmed())
                continue;
            const std::optional<double> value = lambda::numberOf(field);
            if (!value)
                return { PasteFault { Fault::NotANumber, pasted[r][c], cellName(cell), r + 1, c + 1 } };
            const QString shown = lambdaText(*value);
            if (*value < kMinLambda || *value > kMaxLambda)
                return { PasteFault { Fault::OutOfRange, pasted[r][c], cellName(cell), r + 1, c + 1 } };
            if (shown != maps.text(map, cell))
                changes.emplace_back(cell, shown);
        }
    for (const auto& [cell, shown] : changes)
        maps.setText(map, cell, shown);
    return { std::nullopt, int(changes.size()) };
}

QString pasteFaultText(const PasteFault& fault)
{
    switch (fault.fault) {
    case Fault::TooLarge:
        return gridclip::tooLargeText(fault);
    case Fault::NotANumber:
        return gridclip::notANumberText(fault);
    case Fault::OutOfRange:
        break;
    }
    return QStringLiteral(
        "Der eingefügte Lambdawert \"%1\" für %2 liegt nicht zwischen %3 und %4. Es wurde nichts "
        "eingefügt.")
        .arg(fault.text, fault.cellName, lambdaText(kMinLambda), lambdaText(kMaxLambda));
}

namespace {

QString shownValue(const QString& text)
{
    if (const std::optional<double> value = lambda::numberOf(text))
        return lambdaText(*value);
    return text.trimmed();
}

} // namespace

std::vector<Cell> differences(const LambdaMaps& mine, const LambdaMaps& theirs, Map map)
{
    std::vector<Cell> out;
    for (int row = 1; row <= kRows; ++row)
        for (int column = 1; column <= kColumns; ++column)
            if (shownValue(mine.text(map, { row, column })) != shownValue(theirs.text(map, { row, column })))
                out.push_back({ row, column });
    return out;
}

} // namespace lambda

namespace lambda {

QByteArray journalContent(const LambdaMaps& maps, Map map)
{
    QByteArray out;
    for (int row = 1; row <= kRows; ++row) {
        QStringList cells;
        for (int column = 1; column <= kColumns; ++column)
            cells << maps.text(map, { row, column }).leftJustified(4, QLatin1Char(' '), true);
        out += cells.join(QLatin1Char(';')).toUtf8() + "\r\n";
    }
    return out + " " + QByteArray::number(maps.flow()) + "\r\n";
}

void readJournal(const QByteArray& content, LambdaMaps& maps, Map map)
{
    tla::read(content, maps, map);
    for (int row = 1; row <= kRows; ++row)
        for (int column = 1; column <= kColumns; ++column)
            maps.setText(map, { row, column }, maps.text(map, { row, column }).trimmed());
}

} // namespace lambda
