#include "core/vmllog.h"
#include "status/recording.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

constexpr double G = std::numeric_limits<double>::quiet_NaN(); // a gap

rec::HeaderInfo headerInfo(bool racing)
{
    rec::HeaderInfo i;
    i.txtStgType = QStringLiteral("KEDX 2Zyl RX40A");
    i.txtStgSerial = QStringLiteral("0123456789012");
    i.txtStgSwRelease = QStringLiteral("02.600");
    i.start = QDateTime(QDate(2026, 12, 7), QTime(23, 59, 58));
    i.sensorAngle = 382;
    i.racing = racing;
    return i;
}

rec::Selection boxes(std::initializer_list<rec::Box> list)
{
    rec::Selection s {};
    for (rec::Box b : list)
        s[b] = true;
    return s;
}

rec::Displays shown(const char* rpm, const char* angle1, const char* angle2, const char* temp)
{
    rec::Displays d;
    d.txtRPM = QString::fromLatin1(rpm);
    d.txtZndWinkel = QString::fromLatin1(angle1);
    d.txtZndWinkelZ2 = QString::fromLatin1(angle2);
    d.txtMTemp = QString::fromLatin1(temp);
    d.txtDkPos = QStringLiteral("Vollast");
    return d;
}

// What the recorder writes: the header of one unit and three rows across
// midnight, two of them in the same second.
QByteArray recorded(bool racing, QChar separator)
{
    const auto sel = boxes({ rec::Rpm, rec::Dkpo, rec::ZWink, rec::Temp });
    return rec::headerBlock(headerInfo(racing), sel, separator)
        + rec::row(1, QTime(23, 59, 59), sel, shown("1000", "26,2", "28,2", "SC/GND"))
        + rec::row(2, QTime(23, 59, 59), sel, shown("0", " ---", " ---", "N/A"))
        + rec::row(3, QTime(0, 0, 1), sel, shown("10000", "-0.5", "1e1", "87,5"));
}

const QByteArray kTitles = "Index;Uhrzeit;U/Min;Lambda\r\n";

struct ParseCase {
    const char* name;
    QByteArray file;
    QStringList columns; // empty: the file is refused
    std::vector<double> time;
    std::vector<std::vector<double>> values;
    std::function<void(const vml::Log&)> more = {};
};

class VmlParse : public ::testing::TestWithParam<ParseCase> { };

bool same(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

TEST_P(VmlParse, ReadsWhatTheRecorderWrites)
{
    const ParseCase& c = GetParam();
    QString error;
    const auto log = vml::parse(
        std::string_view(c.file.constData(), std::size_t(c.file.size())), std::chrono::milliseconds(300), &error);
    if (c.columns.isEmpty()) {
        EXPECT_FALSE(log);
        EXPECT_FALSE(error.isEmpty());
        return;
    }
    ASSERT_TRUE(log) << error.toStdString();
    EXPECT_EQ(log->columns, c.columns);
    ASSERT_EQ(log->time.size(), c.time.size());
    for (std::size_t i = 0; i < c.time.size(); ++i)
        EXPECT_NEAR(log->time[i], c.time[i], 1e-9) << "row " << i;
    ASSERT_EQ(log->values.size(), c.values.size());
    for (std::size_t col = 0; col < c.values.size(); ++col) {
        ASSERT_EQ(log->values[col].size(), c.values[col].size()) << "column " << col;
        for (std::size_t i = 0; i < c.values[col].size(); ++i)
            EXPECT_TRUE(same(log->values[col][i], c.values[col][i]))
                << "column " << col << " row " << i << ": " << log->values[col][i];
    }
    if (c.more)
        c.more(*log);
}

const QStringList kRecordedTitles = { QStringLiteral("U/Min"), QStringLiteral("Drosselklappenposition"),
    QStringLiteral("eff. Z-Winkel vor OT Zyl. 1"), QStringLiteral("eff. Z-Winkel vor OT Zyl. 2"),
    QStringLiteral("Motortemperatur") };
const std::vector<std::vector<double>> kRecordedValues
    = { { 1000, 0, 10000 }, { G, G, G }, { 26.2, G, -0.5 }, { 28.2, G, 10 }, { G, G, 87.5 } };

INSTANTIATE_TEST_SUITE_P(Table, VmlParse,
    ::testing::Values(ParseCase { "RecorderHeaderCommaAngle", recorded(false, QLatin1Char(',')), kRecordedTitles,
                          { 0, 0.5, 2 }, kRecordedValues,
                          [](const vml::Log& log) {
                              EXPECT_EQ(log.unitType, QStringLiteral("KEDX 2Zyl RX40A"));
                              EXPECT_EQ(log.serialNumber, QStringLiteral("0123456789012"));
                              EXPECT_EQ(log.firmware, QStringLiteral("02.600"));
                              EXPECT_EQ(log.start, QDateTime(QDate(2026, 12, 7), QTime(23, 59, 58)));
                              EXPECT_EQ(log.sensorAngle, 38.2);
                              EXPECT_TRUE(log.timeFromClock);
                              EXPECT_EQ(log.clock, (std::vector<std::int32_t> { 86399, 86399, 1 }));
                          } },
        ParseCase { "RacingTitlesDotAngle", recorded(true, QLatin1Char('.')),
            { QStringLiteral("U/Min"), QStringLiteral("Schalter 1-2"), kRecordedTitles[2], kRecordedTitles[3],
                kRecordedTitles[4] },
            { 0, 0.5, 2 }, kRecordedValues, [](const vml::Log& log) { EXPECT_EQ(log.sensorAngle, 38.2); } },
        ParseCase { "GapTextsAndEmptyFields",
            kTitles + "1;9.0.0; ---;  ---\r\n2;9.0.1;N/A;Ung\xFCltig!\r\n3;9.0.2;;12abc\r\n4;9.0.3;+7;,5\r\n",
            { QStringLiteral("U/Min"), QStringLiteral("Lambda") }, { 0, 1, 2, 3 },
            { { G, G, G, 7 }, { G, G, G, 0.5 } } },
        ParseCase { "ShortRowFilledWithGaps", kTitles + "1;9.0.0;1200\r\n2;9.0.1\r\n",
            { QStringLiteral("U/Min"), QStringLiteral("Lambda") }, { 0, 1 }, { { 1200, G }, { G, G } } },
        ParseCase { "CutMidNumberKeepsCompleteFields", kTitles + "1;9.0.0;1200;1,05\r\n2;9.0.1;1300;0,9",
            { QStringLiteral("U/Min"), QStringLiteral("Lambda") }, { 0, 1 }, { { 1200, 1300 }, { 1.05, G } } },
        ParseCase { "CutInClockDropsRow", kTitles + "1;9.0.0;1200;1,05\r\n2;9.0",
            { QStringLiteral("U/Min"), QStringLiteral("Lambda") }, { 0 }, { { 1200 }, { 1.05 } } },
        ParseCase { "LineFeedsOnlyAndBlankLines", QByteArray("Index;Uhrzeit;U/Min\n1;9.0.0;800\n\n2;9.0.2;900\n"),
            { QStringLiteral("U/Min") }, { 0, 2 }, { { 800, 900 } } },
        ParseCase { "UnreadableClockUsesPollPeriod",
            QByteArray("Index;Uhrzeit;U/Min\r\n1;09:00:00;800\r\n2;?;900\r\n3;9.0.1;1000\r\n"),
            { QStringLiteral("U/Min") }, { 0, 0.3, 0.6 }, { { 800, 900, 1000 } },
            [](const vml::Log& log) {
                EXPECT_EQ(log.clock, (std::vector<std::int32_t> { 32400, -1, 32401 }));
            } },
        ParseCase { "HeaderOnly", recorded(false, QLatin1Char(',')).split('\n').mid(0, 6).join('\n') + '\n',
            kRecordedTitles, {}, { {}, {}, {}, {}, {} } },
        ParseCase { "EmptyFile", QByteArray(), {}, {}, {} },
        ParseCase { "NoColumnTitles", QByteArray("U/Min;Lambda\r\n1000;1,0\r\n"), {}, {}, {} }),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
