#include "core/unithistory.h"
#include "support/testnames.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Kind = UnitHistory::Kind;

const QDateTime kAt { QDate(2026, 12, 8), QTime(23, 15, 0, 123) };

class UnitHistoryTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    UnitHistory history { dir.path(), QStringLiteral("0815") };
    QStringList logged;

    void SetUp() override
    {
        history.setLog([this](const QString& text) { logged << text; });
    }
    QStringList files(Kind kind) const { return QDir(history.folder(kind)).entryList(QDir::Files, QDir::Name); }
};

TEST_F(UnitHistoryTest, Store_WritesVersionAndSourceBesideTheSettingsFile)
{
    ASSERT_TRUE(
        history.store(Kind::IgnitionTable, "12;13\r\n", QStringLiteral("vmz"), UnitHistory::kFromUnit, kAt));
    EXPECT_EQ(
        history.folder(Kind::IgnitionTable), dir.filePath(QStringLiteral("Verlauf/0815/Zuendwinkeltabelle")));
    EXPECT_EQ(files(Kind::IgnitionTable),
        QStringList({ QStringLiteral("20261208-231500-123.quelle"), QStringLiteral("20261208-231500-123.vmz") }));

    const QList<UnitHistory::Version> versions = history.versions(Kind::IgnitionTable);
    ASSERT_EQ(versions.size(), 1);
    EXPECT_EQ(versions[0].at, kAt);
    EXPECT_EQ(versions[0].source, QStringLiteral("Motorsteuergerät"));
    EXPECT_EQ(history.load(versions[0]), QByteArray("12;13\r\n"));
    EXPECT_TRUE(history.versions(Kind::LambdaMap).isEmpty());
    EXPECT_TRUE(logged.isEmpty());
}

TEST_F(UnitHistoryTest, Versions_AreNewestFirstAndSameMomentKeepsBoth)
{
    const QString file = QStringLiteral("/daten/sommer.tla");
    history.store(Kind::LambdaMap, "a", QStringLiteral("tla"), UnitHistory::kFromUnit, kAt);
    history.store(Kind::LambdaMap, "b", QStringLiteral("tla"), file, kAt);
    history.store(Kind::LambdaMap, "c", QStringLiteral("tla"), UnitHistory::kFromUnit, kAt.addSecs(-60));

    const QList<UnitHistory::Version> v = history.versions(Kind::LambdaMap);
    ASSERT_EQ(v.size(), 3);
    EXPECT_EQ(history.load(v[0]), QByteArray("b"));
    EXPECT_EQ(v[0].source, file);
    EXPECT_EQ(v[0].at, kAt.addMSecs(1));
    EXPECT_EQ(history.load(v[1]), QByteArray("a"));
    EXPECT_EQ(history.load(v[2]), QByteArray("c"));
}

TEST_F(UnitHistoryTest, SameBytesAndSourceAsTheNewest_AddNoVersion)
{
    history.store(Kind::Switching, "x", QStringLiteral("txt"), UnitHistory::kFromUnit, kAt);
    history.store(Kind::Switching, "x", QStringLiteral("txt"), UnitHistory::kFromUnit, kAt.addSecs(5));
    EXPECT_EQ(history.versions(Kind::Switching).size(), 1);
    history.store(Kind::Switching, "x", QStringLiteral("txt"), QStringLiteral("/a.txt"), kAt.addSecs(6));
    EXPECT_EQ(history.versions(Kind::Switching).size(), 2);
}

TEST_F(UnitHistoryTest, FiftyOneVersions_DropTheOldestWithItsSource)
{
    for (int i = 0; i <= UnitHistory::kMaxVersions; ++i)
        ASSERT_TRUE(history.store(
            Kind::Choke, QByteArray::number(i), QStringLiteral("txt"), UnitHistory::kFromUnit, kAt.addSecs(i)));
    const QList<UnitHistory::Version> v = history.versions(Kind::Choke);
    ASSERT_EQ(v.size(), UnitHistory::kMaxVersions);
    EXPECT_EQ(history.load(v.first()), QByteArray("50"));
    EXPECT_EQ(history.load(v.last()), QByteArray("1"));
    EXPECT_EQ(files(Kind::Choke).size(), 2 * UnitHistory::kMaxVersions);
    EXPECT_FALSE(files(Kind::Choke).contains(QStringLiteral("20261208-231500-123.quelle")));
}

TEST_F(UnitHistoryTest, UnwritableFolder_FailsSilentlyIntoTheLog)
{
    // A file where the history folder should be.
    QFile blocker(dir.filePath(QStringLiteral("Verlauf")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(history.store(Kind::LoadChange, "x", QStringLiteral("txt"), UnitHistory::kFromUnit, kAt));
    EXPECT_TRUE(history.versions(Kind::LoadChange).isEmpty());
    ASSERT_EQ(logged.size(), 1);
    EXPECT_TRUE(logged[0].startsWith(QStringLiteral("history: cannot create"))) << logged[0].toStdString();
}

TEST_F(UnitHistoryTest, ForeignFilesInTheFolder_AreNoVersions)
{
    QDir().mkpath(history.folder(Kind::BasicSettings));
    for (const char* name : { "notiz.txt", "20261208-231500-12.txt", "20261208-231500-123.bak" }) {
        QFile f(history.folder(Kind::BasicSettings) + QLatin1Char('/') + QString::fromLatin1(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_TRUE(history.versions(Kind::BasicSettings).isEmpty());
}

struct SerialCase {
    const char* name;
    const char* serial;
    const char* folder;
};

class SerialFolder : public ::testing::TestWithParam<SerialCase> { };

TEST_P(SerialFolder, IsASafeFolderName)
{
    EXPECT_EQ(UnitHistory::folderName(QString::fromUtf8(GetParam().serial)).toStdString(), GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(UnitHistory, SerialFolder,
    ::testing::Values(SerialCase { "plain", "A12-345_6", "A12-345_6" }, SerialCase { "empty", "", "unbekannt" },
        SerialCase { "blanks_only", "   ", "unbekannt" }, SerialCase { "padded", " 0815 ", "0815" },
        SerialCase { "path", "../x/y", "___x_y" }, SerialCase { "drive", "C:\\u", "C__u" },
        SerialCase { "umlaut", "Ä1", "_1" }),
    [](const auto& info) { return testnames::clean(info.param.name); });

// --- Parameter block text -------------------------------------------------------

TEST(ParameterBlock, WritesNameVersionAndValuesInOrder)
{
    int a = 255;
    int b = -3;
    const ParameterBlock block = ParameterBlock::of(QStringLiteral("Schaltmodul"),
        { { QStringLiteral("output1Mode"), &a, 0, 255 }, { QStringLiteral("adapt"), &b, -128, 127 } });
    EXPECT_EQ(block.toText(), QByteArray("Schaltmodul 1\noutput1Mode=255\nadapt=-3\n"));
    EXPECT_EQ(ParameterBlock::fromText(block.toText())->values, block.values);
}

struct BlockCase {
    const char* name;
    const char* text;
    bool valid;
    const char* blockName; // when valid
    int values; // when valid
};

class BlockText : public ::testing::TestWithParam<BlockCase> { };

TEST_P(BlockText, ReadsOrRefuses)
{
    const std::optional<ParameterBlock> block = ParameterBlock::fromText(QByteArray(GetParam().text));
    ASSERT_EQ(block.has_value(), GetParam().valid);
    if (!block)
        return;
    EXPECT_EQ(block->name.toStdString(), GetParam().blockName);
    EXPECT_EQ(block->values.size(), GetParam().values);
}

INSTANTIATE_TEST_SUITE_P(ParameterBlock, BlockText,
    ::testing::Values(BlockCase { "lf", "E-Choke 1\nhotStartFactor=-16\nwarmUpEnd0=40\n", true, "E-Choke", 2 },
        BlockCase { "crlf_and_empty_lines", "Lastwechsel 1\r\n\r\nduration=10\r\n", true, "Lastwechsel", 1 },
        BlockCase { "no_values", "Grundeinstellung 1\n", true, "Grundeinstellung", 0 },
        BlockCase { "blanks_around_value", "Zusatzfunktionen 1\ncoilType = 2 \n", true, "Zusatzfunktionen", 1 },
        BlockCase { "other_version", "Lastwechsel 2\nduration=10\n", false, "", 0 },
        BlockCase { "no_version", "Lastwechsel\nduration=10\n", false, "", 0 },
        BlockCase { "empty", "", false, "", 0 },
        BlockCase { "line_without_value", "Lastwechsel 1\nduration\n", false, "", 0 },
        BlockCase { "not_a_number", "Lastwechsel 1\nduration=1,5\n", false, "", 0 },
        BlockCase { "empty_name", "Lastwechsel 1\n=5\n", false, "", 0 },
        BlockCase { "twice", "Lastwechsel 1\nduration=1\nduration=2\n", false, "", 0 },
        BlockCase { "binary", "\x01\x02\xFF", false, "", 0 }),
    [](const auto& info) { return testnames::clean(info.param.name); });

TEST(ParameterBlock, TakeInto_IsAllOrNothing)
{
    int a = 1;
    int b = 2;
    const QList<ParameterBlock::Field> fields { { QStringLiteral("a"), &a, 0, 10 },
        { QStringLiteral("b"), &b, 0, 10 } };
    EXPECT_FALSE(ParameterBlock::fromText("X 1\na=5\nb=11\n")->takeInto(fields));
    EXPECT_FALSE(ParameterBlock::fromText("X 1\na=5\n")->takeInto(fields));
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_TRUE(ParameterBlock::fromText("X 1\nb=10\na=0\nc=99\n")->takeInto(fields));
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 10);
}

} // namespace
