#include "tlafile.h"

#include "core/format.h"
#include "racing/textlines.h"

#include <QFile>
#include <QLocale>
#include <QSaveFile>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tla {
namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");
constexpr qsizetype kCellWidth = 4;
constexpr qsizetype kCellPitch = 5; // four characters and the ";"
constexpr qint64 kMaxFileBytes = 64 * 1024;

// The cell as the file holds it, or nothing when it has no four-character form.
std::optional<QString> cellOf(const QString& text, QChar separator)
{
    QString s = text.trimmed();
    if (const qsizetype comma = s.indexOf(QLatin1Char(',')); comma >= 0)
        s[comma] = QLatin1Char('.');
    bool ok = false;
    const double value = QLocale::c().toDouble(s, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    const QString cell = fmt::fixedDecimals(value, 2, separator);
    if (cell.size() != kCellWidth)
        return std::nullopt;
    return cell;
}

} // namespace

Encoded write(const lambda::LambdaMaps& maps, lambda::Map map, QChar separator)
{
    Encoded out;
    if (!maps.complete(map)) {
        out.refusal = Refusal::Incomplete;
        return out;
    }
    QByteArray content;
    for (int row = 1; row <= lambda::kRows; ++row) {
        QStringList cells;
        for (int column = 1; column <= lambda::kColumns; ++column) {
            const QString& text = maps.text(map, { row, column });
            const std::optional<QString> cell = cellOf(text, separator);
            if (!cell) {
                out.refusal = Refusal::Unsavable;
                out.cell = { row, column };
                out.cellText = text;
                return out;
            }
            cells << *cell;
        }
        content += cells.join(QLatin1Char(';')).toLatin1() + kLineEnd;
    }
    const int flow = maps.flow();
    content += (flow < 0 ? QByteArray("-") : QByteArray(" ")) + QByteArray::number(std::abs(flow)) + kLineEnd;
    out.content = content;
    return out;
}

Encoded write(const lambda::LambdaMaps& maps, lambda::Map map)
{
    return write(maps, map, fmt::regionalSeparator());
}

LoadResult read(const QByteArray& content, lambda::LambdaMaps& maps, lambda::Map map)
{
    LoadResult result;
    const QStringList lines = linesOf(content);
    const int rows = static_cast<int>(std::min<qsizetype>(lines.size(), lambda::kRows));
    for (int row = 1; row <= rows; ++row) {
        const QString& line = lines[row - 1];
        for (int column = 1; column <= lambda::kColumns; ++column)
            maps.setText(map, { row, column }, line.mid((column - 1) * kCellPitch, kCellWidth));
    }
    result.rows = rows;
    if (lines.size() > lambda::kRows) {
        result.flowLine = true;
        const lambda::Flow flow = lambda::flowFromNumber(fmt::leadingNumber(lines[lambda::kRows]));
        result.flowReplaced = flow.replaced;
        maps.setFlow(flow.rate);
    }
    return result;
}

bool save(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size() && file.commit();
}

std::optional<QByteArray> load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.read(kMaxFileBytes);
}

QString saveFailedText(const QString& path)
{
    return QStringLiteral(
        "Die Datei \"%1\" kann nicht geschrieben werden. Die Lambdatabelle wurde nicht gespeichert.")
        .arg(path);
}

QString loadFailedText(const QString& path)
{
    return QStringLiteral("Die Datei \"%1\" kann nicht gelesen werden.").arg(path);
}

} // namespace tla
