#include "servicetables.h"

#include "racing/ignitiontable.h"
#include "shell/session.h"

namespace servicetables {

TextTable ignition(const IgnitionTable& table)
{
    TextTable t;
    t.title = QStringLiteral("Zündwinkeltabelle");
    t.notes << (table.scheme() == BandScheme::Shared76
            ? QStringLiteral("%1 Drehzahlbereiche, gemeinsam für beide Zylinder")
            : QStringLiteral("%1 Drehzahlbereiche je Zylinder"))
                   .arg(table.rows());
    t.headers
        = { QStringLiteral("U/min"), QStringLiteral("Zyl. 1 (° v. OT)"), QStringLiteral("Zyl. 2 (° v. OT)") };
    for (int row = 0; row < table.rows(); ++row)
        t.rows.append({ table.label(row), table.angleText(row, 0).trimmed(), table.angleText(row, 1).trimmed() });
    return t;
}

TextTable lambdaMap(const lambda::LambdaMaps& maps, lambda::Map map)
{
    TextTable t;
    t.title = QStringLiteral("Lambdakennfeld %1").arg(map == lambda::Map::One ? 1 : 2);
    t.notes << QStringLiteral("Fördermenge Einspritzventil: %1 g / min.").arg(maps.flow())
            << QStringLiteral("Zeilen: Luftmasse kg/h, Spalten: Motordrehzahlbereiche in 1000 U/min");
    t.headers << lambda::kCornerLabel;
    for (const QString& label : lambda::columnLabels())
        t.headers << label.trimmed();
    for (int row = 1; row <= lambda::kRows; ++row) {
        QStringList cells { lambda::rowLabels().at(row - 1) };
        for (int column = 1; column <= lambda::kColumns; ++column)
            cells << maps.text(map, { row, column });
        t.rows.append(cells);
    }
    return t;
}

void publish(Session& session, const IgnitionTable& table)
{
    session.serviceRecord().setTable(ServiceRecord::Table::Ignition, ignition(table));
}

void publish(Session& session, const lambda::LambdaMaps& maps, lambda::Map map)
{
    session.serviceRecord().setTable(
        map == lambda::Map::One ? ServiceRecord::Table::LambdaMap1 : ServiceRecord::Table::LambdaMap2,
        lambdaMap(maps, map));
}

} // namespace servicetables
