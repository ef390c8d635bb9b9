#include "core/unithistory.h"
#include "racing/ignitiontab.h"
#include "racing/injectiontab.h"
#include "racing/tabtest.h"
#include "racing/tlafile.h"
#include "racing/vmzfile.h"
#include "support/historydialog.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

namespace {

using Kind = UnitHistory::Kind;

// "Verlauf" with the scripted platform's clock.
const QString kRestoredSource = QStringLiteral("Verlauf 14.03.2026 09:26:53");

class HistoryTest : public TabTest {
protected:
    void open(const char* profile = "injection-rx4-racing")
    {
        connectWithBar(*simprofiles::find(QString::fromLatin1(profile)));
        sim->clearReceived();
    }
    UnitHistory& history() { return session.history(); }
    QList<UnitHistory::Version> versions(Kind kind) { return history().versions(kind); }
    QByteArray bytesOf(const UnitHistory::Version& v) { return history().load(v).value_or(QByteArray()); }
    // Presses the tab's "Verlauf..." and loads the version in `row` of the list.
    QStringList restore(QWidget& tab, int row)
    {
        HistoryDialogAnswer answer(row);
        control<QPushButton>(tab, "cmdHistory")->click();
        EXPECT_TRUE(answer.seen) << "no history dialog";
        return answer.items;
    }
};

// --- Parameter tabs ---------------------------------------------------------------

struct ParameterCase {
    const char* name;
    Kind kind;
    const char* readButton;
    QWidget& (*tab)(Tabs&);
    const char* key; // a value of the block
    int (*shown)(Tabs&); // that value as the page holds it
    int other; // another value it may take
};

class ParameterHistory : public HistoryTest, public ::testing::WithParamInterface<ParameterCase> { };

// A complete read keeps one version of what the page would write; a version
// loaded back puts its values onto the page, and the read's version brings
// the read values back.
TEST_P(ParameterHistory, ReadKeepsOneVersionThatLoadsBack)
{
    const ParameterCase& c = GetParam();
    open();
    QWidget& tab = c.tab(*tabs);
    control<QPushButton>(tab, c.readButton)->click();
    ASSERT_FALSE(context->lost());

    const QList<UnitHistory::Version> read = versions(c.kind);
    ASSERT_EQ(read.size(), 1);
    EXPECT_EQ(read[0].source, UnitHistory::kFromUnit);
    EXPECT_TRUE(read[0].path.endsWith(QStringLiteral(".txt")));
    const std::optional<ParameterBlock> block = ParameterBlock::fromText(bytesOf(read[0]));
    ASSERT_TRUE(block);
    const int asRead = c.shown(*tabs);
    EXPECT_EQ(block->value(QString::fromLatin1(c.key)), asRead);
    ASSERT_NE(asRead, c.other);

    // A hand-made version with one value changed, newest in the list.
    ParameterBlock changed = *block;
    for (auto& [key, value] : changed.values)
        if (key == QString::fromLatin1(c.key))
            value = c.other;
    ASSERT_TRUE(history().store(
        c.kind, changed.toText(), QStringLiteral("txt"), QStringLiteral("/x.txt"), platform.clock.addSecs(1)));
    const size_t sent = sim->received().size();

    const QStringList listed = restore(tab, 0);
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(listed[0], QStringLiteral("14.03.2026 09:26:54   /x.txt"));
    EXPECT_EQ(listed[1], QStringLiteral("14.03.2026 09:26:53   Motorsteuergerät"));
    EXPECT_EQ(c.shown(*tabs), c.other);
    restore(tab, 1);
    EXPECT_EQ(c.shown(*tabs), asRead);
    EXPECT_EQ(sim->received().size(), sent) << "loading a version sends nothing";
    EXPECT_EQ(versions(c.kind).size(), 2);
}

INSTANTIATE_TEST_SUITE_P(Tabs, ParameterHistory,
    ::testing::Values(ParameterCase { "switching", Kind::Switching, "cmdLesen",
                          [](Tabs& t) -> QWidget& { return t.switching; }, "input2Enrichment",
                          [](Tabs& t) { return control<QSlider>(t.switching, "sldInjektOffset")->value(); }, 11 },
        ParameterCase { "extras", Kind::CoilFunctions, "cmd_ReadZusatz2",
            [](Tabs& t) -> QWidget& { return t.extras; }, "coilLoadTime",
            [](Tabs& t) { return t.extras.values().coilLoadTime; }, 77 },
        ParameterCase { "choke", Kind::Choke, "cmd_ReadEChoke", [](Tabs& t) -> QWidget& { return t.choke; },
            "warmUpEnd3", [](Tabs& t) { return t.choke.values().warmUpEnd[3]; }, 222 },
        ParameterCase { "load_change", Kind::LoadChange, "cmd_ReadLWechsel",
            [](Tabs& t) -> QWidget& { return t.loadChange; }, "warmUpAdaptation5",
            [](Tabs& t) { return t.loadChange.values().warmUpAdaptation[5]; }, -7 }),
    [](const auto& info) { return testnames::clean(info.param.name); });

// A read that ends on a lost link keeps nothing.
struct BrokenReadCase {
    const char* name;
    Kind kind;
    const char* readButton;
    QWidget& (*tab)(Tabs&);
    int answered;
};

class BrokenRead : public HistoryTest, public ::testing::WithParamInterface<BrokenReadCase> { };

TEST_P(BrokenRead, KeepsNoVersion)
{
    const BrokenReadCase& c = GetParam();
    open();
    expectEndsAtOnce(c.answered, [&] { control<QPushButton>(c.tab(*tabs), c.readButton)->click(); });
    EXPECT_TRUE(versions(c.kind).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Tabs, BrokenRead,
    ::testing::Values(BrokenReadCase { "switching_after_block", Kind::Switching, "cmdLesen",
                          [](Tabs& t) -> QWidget& { return t.switching; }, 1 },
        BrokenReadCase { "extras_last_value", Kind::CoilFunctions, "cmd_ReadZusatz2",
            [](Tabs& t) -> QWidget& { return t.extras; }, 3 },
        BrokenReadCase {
            "choke_hot_start", Kind::Choke, "cmd_ReadEChoke", [](Tabs& t) -> QWidget& { return t.choke; }, 20 },
        BrokenReadCase { "load_change_adaptations", Kind::LoadChange, "cmd_ReadLWechsel",
            [](Tabs& t) -> QWidget& { return t.loadChange; }, 10 }),
    [](const auto& info) { return testnames::clean(info.param.name); });

TEST_F(HistoryTest, EmptyHistory_ShowsItsBoxAndNoDialog)
{
    open();
    HistoryDialogAnswer answer(0);
    control<QPushButton>(tabs->loadChange, "cmdHistory")->click();
    EXPECT_EQ(boxTexts(), QStringList { history::kEmpty });
    EXPECT_FALSE(answer.seen);
}

TEST_F(HistoryTest, DamagedVersion_GetsItsBoxAndLeavesThePage)
{
    open();
    const auto before = tabs->loadChange.values().warmUpAdaptation;
    history().store(Kind::LoadChange, "Lastwechsel 1\nduration=300\n", QStringLiteral("txt"),
        UnitHistory::kFromUnit, platform.clock);
    restore(tabs->loadChange, 0);
    EXPECT_EQ(boxTexts(), QStringList { history::kUnreadable });
    EXPECT_EQ(tabs->loadChange.values().warmUpAdaptation, before);
}

// --- Tables ---------------------------------------------------------------------

// The read's table and a file's table are both kept; the read's version
// loads back byte for byte, as a file would, and names where it came from.
TEST_F(HistoryTest, IgnitionTable_ReadAndFileAreKeptAndTheReadLoadsBack)
{
    open("ignition-fw2820-rx3-racing");
    for (int a = 1; a <= 110; ++a)
        sim->memory().tables['b'][a] = quint8(a + 20);
    IgnitionTab tab(*context);
    tab.showLimits();
    tab.setUpGrid();
    tab.setUpChart();
    tab.readTable();
    const QByteArray read = vmz::write(tab.table());
    ASSERT_EQ(versions(Kind::IgnitionTable).size(), 1);
    EXPECT_EQ(bytesOf(versions(Kind::IgnitionTable)[0]), read);
    EXPECT_TRUE(versions(Kind::IgnitionTable)[0].path.endsWith(QStringLiteral(".vmz")));

    const QString path = dir.filePath(QStringLiteral("flach.vmz"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (int row = 0; row < tab.table().rows(); ++row)
        file.write("100\r\n");
    file.close();
    platform.openAnswers.push_back(path);
    control<QPushButton>(tab, "cmdLoadDisk")->click();
    ASSERT_NE(vmz::write(tab.table()), read);
    ASSERT_EQ(versions(Kind::IgnitionTable).size(), 2);
    EXPECT_EQ(versions(Kind::IgnitionTable)[0].source, path);

    const size_t sent = sim->received().size();
    restore(tab, 1);
    EXPECT_EQ(vmz::write(tab.table()), read);
    EXPECT_EQ(tab.source(), kRestoredSource);
    EXPECT_EQ(sim->received().size(), sent);
    EXPECT_EQ(versions(Kind::IgnitionTable).size(), 2) << "a loaded version is not kept again";
}

TEST_F(HistoryTest, LambdaMap_ReadIsKeptAsItsFileAndLoadsBack)
{
    open();
    InjectionTab tab(*context);
    tab.setMapSelectionOffered(true);
    tab.readMap();
    const tla::Encoded read = tla::write(tab.maps(), tab.maps().shown());
    ASSERT_EQ(read.refusal, tla::Refusal::None);
    ASSERT_EQ(versions(Kind::LambdaMap).size(), 1);
    EXPECT_EQ(bytesOf(versions(Kind::LambdaMap)[0]), read.content);

    QByteArray flat;
    for (int row = 0; row < 10; ++row)
        flat += "0,90;0,90;0,90;0,90;0,90;0,90\r\n";
    flat += " 300\r\n";
    ASSERT_TRUE(history().store(
        Kind::LambdaMap, flat, QStringLiteral("tla"), QStringLiteral("/flach.tla"), platform.clock.addSecs(1)));
    restore(tab, 0);
    ASSERT_NE(tla::write(tab.maps(), tab.maps().shown()).content, read.content);
    restore(tab, 1);
    EXPECT_EQ(tla::write(tab.maps(), tab.maps().shown()).content, read.content);
    EXPECT_EQ(tab.source(), kRestoredSource);
}

TEST_F(HistoryTest, LambdaMap_ReadCutByASilentUnitKeepsNothing)
{
    open();
    InjectionTab tab(*context);
    sim->faults().dropAfter = sim->commandCount() + 30;
    tab.readMap();
    EXPECT_TRUE(context->lost());
    EXPECT_TRUE(versions(Kind::LambdaMap).isEmpty());
}

} // namespace
