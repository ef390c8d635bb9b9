#include "servicereport.h"

#include <QLocale>

#include <algorithm>

namespace service {

namespace {

const QChar kSeparator = QLatin1Char(';');
const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

Block lines(const QStringList& text)
{
    return Block { text, false, std::nullopt };
}

Block tableBlock(const std::optional<TextTable>& table, const QString& name)
{
    if (!table)
        return lines({ name + QStringLiteral(": ") + kNotRead });
    return Block { {}, false, table };
}

Section unitSection(const Sources& s)
{
    // The fields the status window shows, with the decoded type and firmware
    // the fault memory header prints.
    const QString hardware = s.unit.hardwareText().section(QStringLiteral(": "), 1);
    TextTable t;
    t.rows = {
        { QStringLiteral("Steuergerätetyp:"),
            s.unit.unitTypeText + QStringLiteral(" (") + hardware + QLatin1Char(')') },
        { QStringLiteral("Softwareversion:"), s.unit.firmwareRelease },
        { QStringLiteral("Firmwareversion:"), s.unit.firmwareText() },
        { QStringLiteral("Seriennummer:"), s.unit.serialNumber },
        { QStringLiteral("Schnittstelle:"), QStringLiteral("COM ") + QString::number(s.port) },
    };
    return { QStringLiteral("Steuergerät"), { Block { {}, false, t } } };
}

Section faultSection(const Sources& s)
{
    QStringList body = QString(s.faultReport).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    while (!body.isEmpty() && body.constLast().trimmed().isEmpty())
        body.removeLast();
    return { QStringLiteral("Fehlerspeicher"),
        { lines({ QStringLiteral("Fehlerspeicher ausgelesen am: ") + dateTimeText(s.faultsReadAt) }),
            Block { body, true, std::nullopt } } };
}

Section actuatorSection(const ServiceRecord* record)
{
    Section out { QStringLiteral("Aktorentest"), {} };
    if (!record || !record->actuatorRun()) {
        out.blocks.push_back(lines({ kNoActuatorTest }));
        return out;
    }
    const ActuatorRun& run = *record->actuatorRun();
    QString test = QStringLiteral("Nicht eingeschaltet");
    if (run.started && !run.stopped)
        test = QStringLiteral("Ein");
    else if (run.endedByUnit)
        test = QStringLiteral("Ein, vom Steuergerät beendet");
    else if (run.started)
        test = QStringLiteral("Ein, danach Aus");
    out.blocks.push_back(lines({
        QStringLiteral("Zeitpunkt: ") + dateTimeText(run.at),
        QStringLiteral("Aktoren: ")
            + (run.actuators.isEmpty() ? QStringLiteral("keine") : run.actuators.join(QStringLiteral(", "))),
        QStringLiteral("Auswahl vom Steuergerät bestätigt: ")
            + (run.confirmed ? QStringLiteral("Ja") : QStringLiteral("Nein")),
        QStringLiteral("Test: ") + test,
    }));
    return out;
}

Section tablesSection(const ServiceRecord* record)
{
    static const std::optional<TextTable> none;
    const auto table = [record](ServiceRecord::Table which) -> const std::optional<TextTable>& {
        return record ? record->table(which) : none;
    };
    return { QStringLiteral("Tabellen des Steuergerätes"),
        { tableBlock(table(ServiceRecord::Table::Ignition), QStringLiteral("Zündwinkeltabelle")),
            tableBlock(table(ServiceRecord::Table::LambdaMap1), QStringLiteral("Lambdakennfeld 1")),
            tableBlock(table(ServiceRecord::Table::LambdaMap2), QStringLiteral("Lambdakennfeld 2")) } };
}

QString cells(const QStringList& row, const char* tag)
{
    QString out;
    for (const QString& cell : row)
        out += QStringLiteral("<%1>%2</%1>").arg(QLatin1String(tag), cell.toHtmlEscaped());
    return out;
}

QString htmlRows(const TextTable& t, qsizetype first, qsizetype count)
{
    QString out
        = QStringLiteral("<table border=\"1\" cellspacing=\"0\" cellpadding=\"2\" style=\"font-size:7pt;\">");
    if (!t.headers.isEmpty())
        out += QStringLiteral("<thead><tr>") + cells(t.headers, "th") + QStringLiteral("</tr></thead>");
    for (const QStringList& row : t.rows.mid(first, count))
        out += QStringLiteral("<tr>") + cells(row, "td") + QStringLiteral("</tr>");
    return out + QStringLiteral("</table>");
}

QString htmlTable(const TextTable& t)
{
    // A long narrow table (the 111 speed bands) stands in up to three columns
    // side by side, so that it fills about one A4 page instead of three.
    constexpr qsizetype kRowsPerColumn = 40;
    constexpr qsizetype kMaxColumns = 3;
    QString out;
    if (!t.title.isEmpty())
        out += QStringLiteral("<h3>%1</h3>").arg(t.title.toHtmlEscaped());
    for (const QString& note : t.notes)
        out += QStringLiteral("<p>%1</p>").arg(note.toHtmlEscaped());
    const qsizetype rows = t.rows.size();
    const qsizetype columns = t.headers.size() <= 3
        ? std::clamp((rows + kRowsPerColumn - 1) / kRowsPerColumn, qsizetype(1), kMaxColumns)
        : 1;
    if (columns == 1)
        return out + htmlRows(t, 0, rows);
    const qsizetype perColumn = (rows + columns - 1) / columns;
    out += QStringLiteral("<table cellspacing=\"0\" cellpadding=\"0\"><tr>");
    for (qsizetype c = 0; c < columns; ++c)
        out += QStringLiteral("<td valign=\"top\" style=\"padding-right:12px;\">")
            + htmlRows(t, c * perColumn, perColumn) + QStringLiteral("</td>");
    return out + QStringLiteral("</tr></table>");
}

QString csvField(const QString& text)
{
    if (!text.contains(kSeparator) && !text.contains(QLatin1Char('"')))
        return text;
    return QLatin1Char('"') + QString(text).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

QByteArray csvRow(const QStringList& fields)
{
    QStringList out;
    for (const QString& f : fields)
        out << csvField(f);
    return out.join(kSeparator).toLatin1() + kLineEnd;
}

} // namespace

QString dateTimeText(const QDateTime& at)
{
    if (!at.isValid())
        return QString();
    const QLocale locale;
    return locale.toString(at.date(), QLocale::ShortFormat) + QLatin1Char(' ')
        + locale.toString(at.time(), QStringLiteral("HH:mm:ss"));
}

Report build(const Sources& s)
{
    Report r { kTitle, {} };
    r.sections.push_back(
        { QString(), { lines({ QStringLiteral("Erstellt am: ") + dateTimeText(s.createdAt) }) } });
    r.sections.push_back(unitSection(s));
    r.sections.push_back(faultSection(s));
    r.sections.push_back(actuatorSection(s.record));
    r.sections.push_back(tablesSection(s.record));
    return r;
}

QString toHtml(const Report& report)
{
    QString out = QStringLiteral("<html><head><meta charset=\"utf-8\"><title>%1</title></head>"
                                 "<body style=\"font-size:9pt;\"><h1>%1</h1>")
                      .arg(report.title.toHtmlEscaped());
    for (const Section& section : report.sections) {
        if (!section.heading.isEmpty())
            out += QStringLiteral("<h2>%1</h2>").arg(section.heading.toHtmlEscaped());
        for (const Block& block : section.blocks) {
            if (block.table)
                out += htmlTable(*block.table);
            else if (block.preformatted)
                out += QStringLiteral("<pre style=\"font-size:8pt;\">%1</pre>")
                           .arg(block.lines.join(QLatin1Char('\n')).toHtmlEscaped());
            else {
                QStringList escaped;
                for (const QString& line : block.lines)
                    escaped << line.toHtmlEscaped();
                out += QStringLiteral("<p>%1</p>").arg(escaped.join(QStringLiteral("<br>")));
            }
        }
    }
    return out + QStringLiteral("</body></html>");
}

QByteArray toCsv(const Report& report)
{
    QByteArray out = csvRow({ report.title });
    for (const Section& section : report.sections) {
        out += kLineEnd;
        if (!section.heading.isEmpty())
            out += csvRow({ section.heading });
        for (const Block& block : section.blocks) {
            for (const QString& line : block.lines)
                out += csvRow({ line });
            if (!block.table)
                continue;
            const TextTable& t = *block.table;
            if (!t.title.isEmpty())
                out += csvRow({ t.title });
            for (const QString& note : t.notes)
                out += csvRow({ note });
            if (!t.headers.isEmpty())
                out += csvRow(t.headers);
            for (const QStringList& row : t.rows)
                out += csvRow(row);
        }
    }
    return out;
}

} // namespace service
