#include "core/settings.h"
#include "support/testnames.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QByteArray kDefaultFile = "COM=000\r\nRTime=03\r\nWarnings=1\r\nNoBreakMsg=1\r\nAutoReCon=1\r\n"
                                "NoUpdateMsg=0\r\nDwgPos=095\r\nDwgGrdPos=382\r\nMaxHub=0730\r\nPleuell=1530\r\n";

class SettingsFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.filePath(QStringLiteral("vlm.ini")); }
    QByteArray contents() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void put(const QByteArray& data) const
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(data);
    }
};

TEST_F(SettingsFileTest, FreshStart_CreatesTheExactDefaultFile)
{
    SettingsFile s(dir.path());
    EXPECT_EQ(s.ReadComPort(), 0);
    EXPECT_EQ(contents(), kDefaultFile);
    EXPECT_EQ(contents().size(), 127);
    EXPECT_EQ(SettingsFile::defaultFile(), kDefaultFile);
    EXPECT_EQ(s.ReadRequestTime(), 300);
    EXPECT_EQ(s.ReadWarnings(), 1);
    EXPECT_EQ(s.ReadNoBreakMsg(), 1);
    EXPECT_EQ(s.ReadAutoReCon(), 1);
    EXPECT_EQ(s.ReadNoUpdateMsg(), 0);
    EXPECT_EQ(s.ReadDwgPos(), 95);
    EXPECT_EQ(s.ReadDwgGrdPos(), 382);
    EXPECT_EQ(s.ReadMaxHub(), 730);
    EXPECT_EQ(s.ReadPleuell(), 1530);
}

struct LineCase {
    Settings settings;
    int line; // 1-based
    const char* text;
};

class SettingsWriter : public SettingsFileTest, public ::testing::WithParamInterface<LineCase> { };

TEST_P(SettingsWriter, WritesFixedWidthLines)
{
    SettingsFile s(dir.path());
    ASSERT_TRUE(s.write(GetParam().settings));
    const QByteArray file = contents();
    EXPECT_EQ(file.size(), 127);
    EXPECT_EQ(file.split('\n').at(GetParam().line - 1), QByteArray(GetParam().text) + '\r');
    EXPECT_EQ(s.readAll(), GetParam().settings);
}

Settings with(auto change)
{
    Settings s;
    change(s);
    return s;
}

INSTANTIATE_TEST_SUITE_P(Table, SettingsWriter,
    ::testing::Values(LineCase { with([](Settings& s) { s.comPort = 7; }), 1, "COM=007" },
        LineCase { with([](Settings& s) { s.comPort = 12; }), 1, "COM=012" },
        LineCase { with([](Settings& s) { s.comPort = 123; }), 1, "COM=123" },
        LineCase { with([](Settings& s) { s.requestTimeMs = 1200; }), 2, "RTime=12" },
        LineCase { with([](Settings& s) { s.requestTimeMs = 500; }), 2, "RTime=05" },
        LineCase { with([](Settings& s) { s.warnings = 0; }), 3, "Warnings=0" },
        LineCase { with([](Settings& s) { s.noBreakMsg = 0; }), 4, "NoBreakMsg=0" },
        LineCase { with([](Settings& s) { s.autoReCon = 0; }), 5, "AutoReCon=0" },
        LineCase { with([](Settings& s) { s.noUpdateMsg = 1; }), 6, "NoUpdateMsg=1" },
        LineCase { with([](Settings& s) { s.dwgPos = 95; }), 7, "DwgPos=095" },
        LineCase { with([](Settings& s) { s.dwgPos = 50; }), 7, "DwgPos=050" },
        LineCase { with([](Settings& s) { s.dwgGrdPos = 349; }), 8, "DwgGrdPos=349" },
        LineCase { with([](Settings& s) { s.maxHub = 731; }), 9, "MaxHub=0731" },
        LineCase { with([](Settings& s) { s.pleuell = 980; }), 10, "Pleuell=0980" }),
    [](const auto& info) { return testName(info.param.text); });

TEST_F(SettingsFileTest, ValuesBeyondTheFieldWidth_AreClampedSoTheFileStaysValid)
{
    SettingsFile s(dir.path());
    Settings big;
    big.dwgGrdPos = 1800; // a crank angle of 180 degrees does not fit three digits
    big.maxHub = 12000;
    ASSERT_TRUE(s.write(big));
    EXPECT_EQ(contents().size(), 127);
    EXPECT_EQ(s.ReadDwgGrdPos(), 999);
    EXPECT_EQ(s.ReadMaxHub(), 9999);
}

class DamagedFile : public SettingsFileTest, public ::testing::WithParamInterface<QByteArray> { };

TEST_P(DamagedFile, IsReplacedByTheDefaultsAtTheNextRead)
{
    put(GetParam());
    SettingsFile s(dir.path());
    EXPECT_EQ(s.ReadComPort(), 0);
    EXPECT_EQ(contents(), kDefaultFile);
}

INSTANTIATE_TEST_SUITE_P(Table, DamagedFile,
    ::testing::Values(QByteArray(), QByteArray("COM=005\r\n"),
        QByteArray("COM=0005\r\n") + kDefaultFile.mid(9), // 128 bytes
        kDefaultFile + "\r\n", // extra line
        QByteArray(kDefaultFile).replace("COM=000\r\n", "COM=000\n")), // 126
    [](const auto& info) { return testName(info.param.size(), "bytes"); });

TEST_F(SettingsFileTest, AnyFileOf127Bytes_IsReadByPosition)
{
    // Another port and a letter in a one-digit field: the code minus 48.
    QByteArray file = kDefaultFile;
    file.replace("COM=000", "COM=004").replace("Warnings=1", "Warnings=A");
    put(file);
    SettingsFile s(dir.path());
    EXPECT_EQ(s.ReadComPort(), 4);
    EXPECT_EQ(s.ReadWarnings(), 'A' - 48);
    EXPECT_EQ(contents(), file);
}

TEST_F(SettingsFileTest, NonNumericMultiDigitField_ReadsZero)
{
    QByteArray file = kDefaultFile;
    file.replace("DwgPos=095", "DwgPos=x95");
    put(file);
    SettingsFile s(dir.path());
    EXPECT_EQ(s.ReadDwgPos(), 0);
}

struct ExponentCase {
    const char* name;
    const char* line;
    const char* damaged;
    int (SettingsFile::*read)();
    int expected;
};

class ExponentField : public SettingsFileTest, public ::testing::WithParamInterface<ExponentCase> { };

TEST_P(ExponentField, ReadsNoMoreThanFourDigitsHold)
{
    QByteArray file = kDefaultFile;
    file.replace(GetParam().line, GetParam().damaged);
    ASSERT_EQ(file.size(), SettingsFile::kFileSize);
    put(file);
    SettingsFile s(dir.path());
    EXPECT_EQ((s.*GetParam().read)(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, ExponentField,
    ::testing::Values(ExponentCase { "Port", "COM=000", "COM=9e9", &SettingsFile::ReadComPort, 9999 },
        ExponentCase { "SensorAngleSmall", "DwgGrdPos=382", "DwgGrdPos=2e3", &SettingsFile::ReadDwgGrdPos, 2000 },
        ExponentCase { "StrokeHuge", "MaxHub=0730", "MaxHub=9e50", &SettingsFile::ReadMaxHub, 9999 },
        ExponentCase { "RodNegative", "Pleuell=1530", "Pleuell=-9e9", &SettingsFile::ReadPleuell, -9999 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsFileTest, RequestTimeZero_ReadsAsZero)
{
    QByteArray file = kDefaultFile;
    file.replace("RTime=03", "RTime=00");
    put(file);
    SettingsFile s(dir.path());
    EXPECT_EQ(s.ReadRequestTime(), 0);
}

TEST_F(SettingsFileTest, UnwritableDirectory_ReportsOnceAndGivesDefaults)
{
    // A directory that does not exist can be neither read nor created.
    SettingsFile s(dir.filePath(QStringLiteral("missing/deeper")));
    int reports = 0;
    QString reportedPath;
    s.setUnavailableHandler([&](const QString& p) {
        ++reports;
        reportedPath = p;
    });
    EXPECT_EQ(s.readAll(), Settings {});
    EXPECT_EQ(s.ReadComPort(), 0);
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(reportedPath.endsWith(QStringLiteral("missing/deeper/vlm.ini")));
    EXPECT_FALSE(s.write(Settings {}));
}

} // namespace
