#include "diagnostics/servicereport.h"
#include "racing/ignitiontable.h"
#include "racing/servicetables.h"
#include "shell/desktopplatform.h"
#include "support/simlink.h"
#include "support/testnames.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

UnitIdentity unit()
{
    UnitIdentity id;
    id.setFirmware(QByteArrayLiteral("02.600"));
    id.setUnitType(QByteArrayLiteral("KEDX 2Zyl RX42D"));
    id.serialNumber = QStringLiteral("0815");
    return id;
}

service::Report reportWith(const ServiceRecord& record)
{
    service::Sources s;
    s.unit = unit();
    s.port = 129;
    s.createdAt = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53));
    s.faultsReadAt = QDateTime(QDate(2026, 3, 14), QTime(9, 20, 5));
    s.faultReport
        = QStringLiteral("   Drosselklappensensor: \r\n      ->Signal nicht plausibel: Permanent\r\n\r\n");
    s.record = &record;
    return service::build(s);
}

QString csvOf(const ServiceRecord& record)
{
    return QString::fromLatin1(service::toCsv(reportWith(record)));
}

ActuatorRun run(bool confirmed, bool started, bool stopped, bool endedByUnit)
{
    return ActuatorRun { QDateTime(QDate(2026, 3, 14), QTime(9, 22, 0)),
        { QStringLiteral("Zündung"), QStringLiteral("Kraftstoffversorgung") }, confirmed, started, stopped,
        endedByUnit };
}

} // namespace

TEST(ServiceReport, WithoutTestOrTables_SaysSoInEachSection)
{
    const ServiceRecord empty;
    const QString csv = csvOf(empty);
    for (const char* line : { "Servicebericht\r\n\r\nErstellt am: 14.03.26 09:26:53\r\n",
             "\r\nSteuergerät\r\nSteuergerätetyp:;KEDX 2Zyl RX42D (RX4.2D)\r\n"
             "Softwareversion:;02.600\r\nFirmwareversion:;2.600\r\nSeriennummer:;0815\r\n"
             "Schnittstelle:;COM 129\r\n",
             "\r\nFehlerspeicher\r\nFehlerspeicher ausgelesen am: 14.03.26 09:20:05\r\n"
             "   Drosselklappensensor: \r\n      ->Signal nicht plausibel: Permanent\r\n\r\n",
             "\r\nAktorentest\r\nKein Stellgliedtest durchgeführt\r\n",
             "Zündwinkeltabelle: Nicht gelesen\r\nLambdakennfeld 1: Nicht gelesen\r\nLambdakennfeld 2: Nicht "
             "gelesen\r\n" })
        EXPECT_TRUE(csv.contains(QString::fromUtf8(line))) << line << "\nin:\n" << csv.toStdString();
}

struct ActuatorCase {
    const char* name;
    ActuatorRun run;
    const char* confirmed;
    const char* test;
};

class ServiceReportActuator : public ::testing::TestWithParam<ActuatorCase> { };

TEST_P(ServiceReportActuator, TellsChoiceConfirmationAndCourse)
{
    ServiceRecord record;
    record.setActuatorRun(GetParam().run);
    const QString csv = csvOf(record);
    const QString expected = QStringLiteral("\r\nAktorentest\r\nZeitpunkt: 14.03.26 09:22:00\r\n"
                                            "Aktoren: Zündung, Kraftstoffversorgung\r\n")
        + QStringLiteral("Auswahl vom Steuergerät bestätigt: ") + QString::fromUtf8(GetParam().confirmed)
        + QStringLiteral("\r\nTest: ") + QString::fromUtf8(GetParam().test) + QStringLiteral("\r\n");
    EXPECT_TRUE(csv.contains(expected)) << csv.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Runs, ServiceReportActuator,
    ::testing::Values(ActuatorCase { "Running", run(true, true, false, false), "Ja", "Ein" },
        ActuatorCase { "SwitchedOff", run(true, true, true, false), "Ja", "Ein, danach Aus" },
        ActuatorCase { "EndedByTheUnit", run(true, true, true, true), "Ja", "Ein, vom Steuergerät beendet" },
        ActuatorCase { "ChoiceNotConfirmed", run(false, false, false, false), "Nein", "Nicht eingeschaltet" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ServiceReport, TablesOfTheRecord_AreWrittenRowByRowBehindTheirTitle)
{
    IgnitionTable ignition(BandScheme::PerCylinder111);
    const AngleCoding coding { 382, 0 };
    ignition.setByte(0, 0, 100, coding, CellOrigin::Unit);
    ignition.setByte(0, 1, 132, coding, CellOrigin::Unit);
    lambda::LambdaMaps maps;
    maps.setFlow(178);
    for (int row = 1; row <= lambda::kRows; ++row)
        for (int column = 1; column <= lambda::kColumns; ++column)
            maps.setFromUnit(lambda::Map::Two, { row, column }, 4, 0); // 1024: lambda 1.00
    maps.setFromUnit(lambda::Map::Two, { 1, 6 }, 5, 0); // 1280: lambda 0.80

    ServiceRecord record;
    record.setTable(ServiceRecord::Table::Ignition, servicetables::ignition(ignition));
    record.setTable(ServiceRecord::Table::LambdaMap2, servicetables::lambdaMap(maps, lambda::Map::Two));
    const QString csv = csvOf(record);

    EXPECT_TRUE(csv.contains(QStringLiteral("Zündwinkeltabelle\r\n111 Drehzahlbereiche je Zylinder\r\n"
                                            "U/min;Zyl. 1 (° v. OT);Zyl. 2 (° v. OT)\r\n0-50;28,2;25,0\r\n")))
        << csv.toStdString();
    EXPECT_EQ(csv.count(QStringLiteral("\r\n10001->>;;\r\n")), 1) << "an unread band stays empty";
    EXPECT_TRUE(
        csv.contains(QStringLiteral("Lambdakennfeld 1: Nicht gelesen\r\nLambdakennfeld 2\r\n"
                                    "Fördermenge Einspritzventil: 178 g / min.\r\n"
                                    "Zeilen: Luftmasse kg/h, Spalten: Motordrehzahlbereiche in 1000 U/min\r\n"
                                    "Luftmasse kg/h;0,0-1,3;1,3-2,5;2,5-3,5;3,5-5,5;5,5-6,5;> 6,5\r\n"
                                    "0-15;1,00;1,00;1,00;1,00;1,00;0,80\r\n")))
        << csv.toStdString();
    EXPECT_TRUE(csv.endsWith(QStringLiteral("über 320;1,00;1,00;1,00;1,00;1,00;1,00\r\n")));
}

TEST(ServiceReport, CsvFieldWithSeparatorOrQuote_IsQuoted)
{
    TextTable t;
    t.rows = { { QStringLiteral("a;b"), QStringLiteral("say \"x\""), QStringLiteral("plain") } };
    ServiceRecord record;
    record.setTable(ServiceRecord::Table::Ignition, t);
    EXPECT_TRUE(csvOf(record).contains(QStringLiteral("\"a;b\";\"say \"\"x\"\"\";plain\r\n")));
}

TEST(ServiceReport, Html_EscapesTheUnitsTextsAndKeepsTheFaultLinesFixedPitch)
{
    ServiceRecord record;
    service::Sources s;
    s.unit = unit();
    s.unit.serialNumber = QStringLiteral("<b>&");
    s.faultReport = QStringLiteral("   a\r\n   b");
    s.record = &record;
    const QString html = service::toHtml(service::build(s));
    EXPECT_TRUE(html.contains(QStringLiteral("&lt;b&gt;&amp;")));
    EXPECT_FALSE(html.contains(QStringLiteral("<b>&")));
    EXPECT_TRUE(html.contains(QStringLiteral(">   a\n   b</pre>"))) << html.toStdString();
}

TEST(ServiceRecordUnit, AnotherUnitStartsAnEmptyRecord_TheSameUnitKeepsIt)
{
    SimLink line;
    Session& session = line.session;
    UnitIdentity id = unit();
    session.setIdentity(id);
    session.serviceRecord().setActuatorRun(run(true, true, true, false));
    TextTable table;
    table.title = QStringLiteral("t");
    session.serviceRecord().setTable(ServiceRecord::Table::Ignition, table);

    UnitIdentity withoutSerial = id;
    withoutSerial.serialNumber.clear();
    session.setIdentity(withoutSerial); // the status window's load before the serial number
    session.setIdentity(id);
    EXPECT_TRUE(session.serviceRecord().actuatorRun());
    EXPECT_TRUE(session.serviceRecord().table(ServiceRecord::Table::Ignition));

    id.serialNumber = QStringLiteral("4711");
    session.setIdentity(id);
    EXPECT_FALSE(session.serviceRecord().actuatorRun());
    EXPECT_FALSE(session.serviceRecord().table(ServiceRecord::Table::Ignition));
}

TEST(ServiceReportPdf, DesktopWritesARealPdf_AndFailsOnAPathItCannotWrite)
{
    QTemporaryDir dir;
    const ServiceRecord record;
    const QString html = service::toHtml(reportWith(record));
    DesktopPlatform desktop;
    const QString path = dir.filePath(QStringLiteral("bericht.pdf"));
    ASSERT_TRUE(desktop.writePdf(path, html));
    QFile pdf(path);
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5).startsWith("%PDF-"));
    EXPECT_GT(pdf.size(), 1000);

    EXPECT_FALSE(desktop.writePdf(dir.filePath(QStringLiteral("missing/bericht.pdf")), html));
}
