#include "status/recording.h"
#include "support/testnames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using rec::Box;

rec::Selection only(std::initializer_list<Box> boxes)
{
    rec::Selection s {};
    for (Box b : boxes)
        s[b] = true;
    return s;
}

rec::HeaderInfo info(bool racing = false)
{
    rec::HeaderInfo i;
    i.txtStgType = QStringLiteral("KEDX 2Zyl RX40A");
    i.txtStgSerial = QStringLiteral("0123456789012");
    i.txtStgSwRelease = QStringLiteral("02.600");
    i.start = QDateTime(QDate(2026, 12, 7), QTime(9, 5, 3));
    i.sensorAngle = 382;
    i.racing = racing;
    return i;
}

// Lines 1-5 of the header for info(); line 4 ends in `semicolons`.
QByteArray firstLines(const char* semicolons, const char* angle = "38,2")
{
    return QByteArray("Steuerger\xE4tetyp: KEDX 2Zyl RX40A;\r\n"
                      "Seriennummer: 0123456789012;\r\n"
                      "Softwareversion: 02.600;\r\n"
                      "Beginne Datenaufzeichnung am 7.12.2026 um 9.5.3 Uhr")
        + semicolons + "\r\nDrehwinkelgebersignal eingestellt auf:" + angle + " Grad v.OT;\r\n";
}

rec::Displays displays()
{
    rec::Displays d;
    d.txtRPM = QStringLiteral("1000");
    d.txtBenzPump = QStringLiteral("Ein");
    d.txtStgLast = QStringLiteral("Ein");
    d.txtAnlStat = QStringLiteral("Aus");
    d.txtDkPos = QStringLiteral("Teillast");
    d.txtZndWinkel = QStringLiteral("26,2");
    d.txtZndWinkelZ2 = QStringLiteral("28,2");
    d.txtZndWnkKorr = QStringLiteral("-0,5");
    d.txtMTemp = QStringLiteral("SC/GND");
    d.txtAirtemp = QStringLiteral("22");
    d.txtLMM = QStringLiteral("N/A");
    d.txtLambda = QStringLiteral("Ungültig!");
    d.txtVerbrauch = QStringLiteral("3,28");
    return d;
}

TEST(RecordingColumns, AreTheTwelveBoxesInColumnOrder)
{
    const char* names[] = { "chkRpm", "chkFuellPump", "chkEst", "chkAnl", "chkDkpo", "chkZWink", "chkZwKorr",
        "chkTemp", "chkAirTemp", "chkMAF", "chkLambda", "chkVerbrauch" };
    for (int b = 0; b < rec::BoxCount; ++b)
        EXPECT_STREQ(rec::kColumns[b].objectName, names[b]);
}

TEST(RecordingHeader, OnlyAirTemperatureGivesThreeColumns)
{
    EXPECT_EQ(rec::headerBlock(info(), only({ rec::AirTemp }), QLatin1Char(',')),
        firstLines(";") + "Index;Uhrzeit;Ansauglufttemperatur\r\n");
}

TEST(RecordingHeader, AngleBoxNamesTwoColumnsButCountsOnceInLineFour)
{
    EXPECT_EQ(rec::headerBlock(info(), only({ rec::Rpm, rec::ZWink }), QLatin1Char('.')),
        firstLines(";;", "38.2")
            + "Index;Uhrzeit;U/Min;eff. Z-Winkel vor OT Zyl. 1; eff. Z-Winkel vor OT Zyl. 2\r\n");
}

TEST(RecordingHeader, AllBoxesInTableOrder)
{
    rec::Selection all {};
    all.fill(true);
    EXPECT_EQ(rec::headerBlock(info(), all, QLatin1Char(',')),
        firstLines(";;;;;;;;;;;;")
            + "Index;Uhrzeit;U/Min;Kraftstoffversorgung;Z\xFCndspulen;Anlasser;Drosselklappenposition"
              ";eff. Z-Winkel vor OT Zyl. 1; eff. Z-Winkel vor OT Zyl. 2;Z-Winkelkorrektur vor OT"
              ";Motortemperatur;Ansauglufttemperatur;Ansaugluftmasse;Lambda;Kraftstoffverbrauch\r\n");
}

TEST(RecordingHeader, RacingVariantRenamesStarterAndThrottleColumns)
{
    EXPECT_EQ(rec::headerBlock(info(true), only({ rec::Anl, rec::Dkpo }), QLatin1Char(',')),
        firstLines(";;") + "Index;Uhrzeit;Schalter 3;Schalter 1-2\r\n");
}

TEST(RecordingHeader, DatePartsHaveNoLeadingZerosAndWholeAnglesNoSeparator)
{
    auto i = info();
    i.start = QDateTime(QDate(2027, 1, 31), QTime(23, 59, 0));
    i.sensorAngle = 350;
    const QByteArray h = rec::headerBlock(i, only({ rec::Rpm }), QLatin1Char(','));
    EXPECT_TRUE(h.contains("am 31.1.2027 um 23.59.0 Uhr;\r\n"));
    EXPECT_TRUE(h.contains("\r\nDrehwinkelgebersignal eingestellt auf:35 Grad v.OT;\r\n"));
}

TEST(RecordingRow, CarriesTheDisplayTextsOfCheckedBoxes)
{
    EXPECT_EQ(rec::row(1, QTime(9, 5, 3), only({ rec::AirTemp }), displays()), QByteArray("1;9.5.3;22\r\n"));
    EXPECT_EQ(rec::row(12, QTime(14, 30, 59), only({ rec::Rpm, rec::ZWink, rec::Lambda }), displays()),
        QByteArray("12;14.30.59;1000;26,2;28,2;Ung\xFCltig!\r\n"));
    rec::Selection all {};
    all.fill(true);
    EXPECT_EQ(rec::row(3, QTime(0, 0, 0), all, displays()),
        QByteArray("3;0.0.0;1000;Ein;Ein;Aus;Teillast;26,2;28,2;-0,5;SC/GND;22;N/A;Ung\xFCltig!;3,28\r\n"));
}

TEST(RecordingProgress, MovesInStepsOfFiveAndWrapsAfter65)
{
    int p = 0;
    for (int rowNo = 1; rowNo <= 13; ++rowNo)
        p = rec::nextProgress(p);
    EXPECT_EQ(p, 65);
    p = rec::nextProgress(p);
    EXPECT_EQ(p, 0);
    EXPECT_EQ(rec::nextProgress(p), 5);
}

struct StopCase {
    const char* type;
    bool temp;
    bool injection;
};

class RecordingStop : public ::testing::TestWithParam<StopCase> { };

TEST_P(RecordingStop, EnablesBoxesByUnitFeatures)
{
    UnitIdentity id;
    id.setUnitType(QByteArray(GetParam().type));
    const auto s = rec::boxesEnabledOnStop(id);
    for (Box b : { rec::Rpm, rec::ZWink, rec::FuellPump, rec::Est, rec::Dkpo, rec::Anl, rec::ZwKorr })
        EXPECT_TRUE(s[b]) << rec::kColumns[b].objectName;
    EXPECT_EQ(s[rec::Temp], GetParam().temp);
    for (Box b : { rec::Verbrauch, rec::Lambda, rec::Maf, rec::AirTemp })
        EXPECT_EQ(s[b], GetParam().injection) << rec::kColumns[b].objectName;
}

INSTANTIATE_TEST_SUITE_P(Table, RecordingStop,
    ::testing::Values(StopCase { "KEDX 2Zyl RX31A", true, true }, StopCase { "KZDX 2Zyl RX40A", true, false },
        StopCase { "KZDX 2Zyl RX41A", false, false }, StopCase { "KZDX 2Zyl RX30A", false, false },
        StopCase { "KZDX 2Zyl RX42A", false, false }),
    [](const auto& info) { return testName(info.param.type); });

TEST(RecordingSelection, AnySelected)
{
    EXPECT_FALSE(rec::anySelected(rec::Selection {}));
    EXPECT_TRUE(rec::anySelected(only({ rec::Verbrauch })));
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

TEST(LogWriter, FileIsCompleteOnDiskAfterEveryRow)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fahrt.vml"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("previous recording that must go\r\n");
    }
    rec::LogWriter writer(path, only({ rec::Rpm }));
    ASSERT_TRUE(writer.start(info(), QLatin1Char(',')));
    const QByteArray header = firstLines(";") + "Index;Uhrzeit;U/Min\r\n";
    EXPECT_EQ(contents(path), header);

    ASSERT_TRUE(writer.appendRow(QTime(9, 5, 4), displays()));
    EXPECT_EQ(contents(path), header + "1;9.5.4;1000\r\n");
    auto d = displays();
    d.txtRPM = QStringLiteral("0");
    ASSERT_TRUE(writer.appendRow(QTime(9, 5, 5), d));
    EXPECT_EQ(contents(path), header + "1;9.5.4;1000\r\n2;9.5.5;0\r\n");
    EXPECT_EQ(writer.rowCounter(), 2);

    // A new recording on the same file starts over.
    ASSERT_TRUE(writer.start(info(), QLatin1Char(',')));
    EXPECT_EQ(contents(path), header);
    EXPECT_EQ(writer.rowCounter(), 0);
}

TEST(LogWriter, UnwritablePathFailsAndCountsNoRow)
{
    QTemporaryDir dir;
    rec::LogWriter writer(dir.filePath(QStringLiteral("missing/fahrt.vml")), only({ rec::Rpm }));
    EXPECT_FALSE(writer.start(info(), QLatin1Char(',')));
    EXPECT_FALSE(writer.appendRow(QTime(9, 5, 4), displays()));
    EXPECT_EQ(writer.rowCounter(), 0);
}

} // namespace
