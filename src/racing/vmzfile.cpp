#include "vmzfile.h"

#include "ignitiontable.h"
#include "racing/textlines.h"

#include <QString>
#include <QStringList>

namespace vmz {
namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
const QChar kSeparator = QLatin1Char(';');

// A line that does not have this table's form is still used as far as it
// fits, so a file of the other scheme loads rather than failing; each line is
// judged by its own form, so a mixed file loads the same way line by line.
void readLine(const QString& line, int row, IgnitionTable& table, const AngleCoding& coding, LoadResult& result)
{
    const qsizetype split = line.indexOf(kSeparator);
    if (table.scheme() == BandScheme::PerCylinder111) {
        if (split < 0) {
            result.otherScheme = true;
            table.setText(row, 0, line, coding);
            table.setText(row, 1, line, coding);
        } else {
            table.setText(row, 0, line.left(split), coding);
            table.setText(row, 1, line.mid(split + 1), coding);
        }
    } else {
        if (split >= 0)
            result.otherScheme = true;
        table.setText(row, 0, split < 0 ? line : line.left(split), coding);
    }
}

} // namespace

QByteArray write(const IgnitionTable& table)
{
    const bool perCylinder = table.scheme() == BandScheme::PerCylinder111;
    QByteArray out;
    for (int row = 0; row < table.rows(); ++row) {
        QString line = table.byteText(row, 0);
        if (perCylinder)
            line += kSeparator + table.byteText(row, 1);
        out += line.toLatin1() + kLineEnd;
    }
    return out;
}

LoadResult read(const QByteArray& content, IgnitionTable& table, const AngleCoding& coding)
{
    LoadResult result;
    const QStringList lines = linesOf(content);
    const qsizetype count = qMin<qsizetype>(lines.size(), table.rows());
    for (int row = 0; row < count; ++row)
        readLine(lines[row], row, table, coding, result);
    result.rowsFilled = int(count);
    result.lines = int(lines.size());
    return result;
}

QString lineCountNotice(const LoadResult& result, int rows)
{
    if (result.lines == rows)
        return {};
    QString text = QStringLiteral(
        "Die Datei enthält %1 %2, die Zündwinkeltabelle des Steuergeräts hat %3 Drehzahlbereiche. ")
                       .arg(result.lines)
                       .arg(result.lines == 1 ? QStringLiteral("Zeile") : QStringLiteral("Zeilen"))
                       .arg(rows);
    if (result.lines < rows)
        text += QStringLiteral(
            "Die Zeilen wurden der Reihe nach ab dem ersten Drehzahlbereich übernommen, %1. Fehlt in der "
            "Datei eine Zeile, sind alle folgenden Drehzahlbereiche verschoben.")
                    .arg(rows - result.lines == 1
                            ? QStringLiteral("der letzte Drehzahlbereich behält seinen bisherigen Wert")
                            : QStringLiteral("die übrigen %1 Drehzahlbereiche behalten ihren bisherigen Wert")
                                  .arg(rows - result.lines));
    else
        text += QStringLiteral("Nur die ersten %1 Zeilen wurden übernommen.").arg(rows);
    return text + QStringLiteral(" Prüfen Sie die Tabelle vor dem Schreiben!");
}

QString excerpt(const QString& text)
{
    QString out;
    for (const QChar c : text.left(kExcerptLength))
        out += c.isPrint() ? c : QLatin1Char('?');
    if (text.size() > kExcerptLength)
        out += QChar(0x2026);
    return out;
}

} // namespace vmz
