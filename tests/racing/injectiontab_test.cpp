#include "racing/injectiontab.h"
#include "racing/tabtest.h"
#include "racing/tlafile.h"
#include "shell/kit/boxes.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

namespace {

using lambda::Cell;
using lambda::Map;
using Frames = std::vector<QByteArray>;

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

int address(Map map, int row, int column)
{
    return 20 * (column - 1) + 2 * row - 1 + (map == Map::Two ? 128 : 0);
}

// A file with every cell `cell` and the flow line `flow`; `lines` replace rows.
QByteArray tlaFile(const QString& cell, const QByteArray& flow, std::map<int, QByteArray> lines = {})
{
    QByteArray out;
    for (int row = 1; row <= 10; ++row) {
        QStringList cells;
        for (int c = 0; c < 6; ++c)
            cells << cell;
        out += (lines.count(row) ? lines[row] : cells.join(u';').toLatin1()) + "\r\n";
    }
    return out + flow + "\r\n";
}

// Every cell's read frames of a map row by row, then the flow constant.
Frames readFrames(Map map)
{
    Frames out;
    for (int row = 1; row <= 10; ++row)
        for (int column = 1; column <= 6; ++column) {
            out.push_back(of({ 125, address(map, row, column), '0', '?' }));
            out.push_back(of({ 125, address(map, row, column) + 1, '0', '?' }));
        }
    out.push_back(of({ 96, 0, '0', '?' }));
    return out;
}

class InjectionTabTest : public TabTest {
protected:
    void open(const char* profile = "injection-rx4-racing")
    {
        connectUnit(*simprofiles::find(QString::fromLatin1(profile)));
        bar.setRange(RacingContext::kProgressMin, RacingContext::kProgressMax);
        bar.setValue(RacingContext::kProgressMin);
        context->setControls(&status, &bar, {});
        tab = std::make_unique<InjectionTab>(*context);
        tab->setMapSelectionOffered(true);
        tab->resize(900, 500);
        tab->show();
        sim->clearReceived();
    }

    template <typename W = QWidget> W* find(const char* name) const { return control<W>(*tab, name); }
    QTableWidget* grid() const { return find<QTableWidget>("msfgEV"); }
    QString cell(int row, int column) const { return grid()->item(row, column)->text(); }
    // The open editor; a closed one may linger until its deferred deletion.
    QLineEdit* editor() const
    {
        for (QLineEdit* e : grid()->findChildren<QLineEdit*>(QStringLiteral("txtEdit")))
            if (e->isVisible())
                return e;
        return nullptr;
    }
    bool editing() const { return editor() && editor()->isVisible(); }

    // Keys as the user types them: into the editor while it is open, else into the grid.
    void type(const QString& text)
    {
        for (QChar c : text)
            QTest::keyClick(editing() ? static_cast<QWidget*>(editor()) : grid(), c.toLatin1());
    }
    void key(Qt::Key k) { QTest::keyClick(editing() ? static_cast<QWidget*>(editor()) : grid(), k); }

    // A file's map loaded into the shown map.
    void loadFile(const QByteArray& content)
    {
        const QString path = dir.filePath(QStringLiteral("map.tla"));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        platform.openAnswers.push_back(path);
        tab->loadFromDisk();
        sim->clearReceived();
        platform.boxes.clear();
    }

    void replyToWrites(std::function<QByteArray(int address, int value)> reply)
    {
        sim->setHandler(124, 4,
            [reply](const QByteArray& frame, qint64) { return reply(quint8(frame[1]), quint8(frame[2])); });
    }

    QLabel status;
    std::unique_ptr<InjectionTab> tab;
};

TEST_F(InjectionTabTest, Read_AsksEveryCellOfTheShownMapThenTheFlowConstant)
{
    open();
    auto& t = sim->memory().tables[simcodes::kLambdaMaps];
    t[address(Map::One, 1, 1)] = 4, t[address(Map::One, 1, 1) + 1] = 181; // 0.85
    t[address(Map::One, 2, 1)] = 41, t[address(Map::One, 2, 1) + 1] = 0; // invalid
    t[address(Map::One, 3, 1)] = 0, t[address(Map::One, 3, 1) + 1] = 0; // no lambda at all
    t[address(Map::One, 10, 6)] = 1, t[address(Map::One, 10, 6) + 1] = 146; // 2.55
    sim->memory().parameters[96] = 10 * 256 + 201;

    tab->readMap();

    EXPECT_EQ(sim->received(), readFrames(Map::One));
    EXPECT_EQ(cell(1, 1), u("0,85"));
    EXPECT_EQ(cell(2, 1), u("1,00"));
    EXPECT_EQ(cell(3, 1), u("1,00"));
    EXPECT_EQ(cell(10, 6), u("2,55"));
    EXPECT_EQ(find<QLineEdit>("txtFoerdermenge")->text(), u("178"));
    EXPECT_EQ(tab->source(), lambda::kFromUnit);
    // One box per invalid cell; a read shows no completion box.
    EXPECT_EQ(boxTexts(), (QStringList { lambda::kInvalidReadText, lambda::kInvalidReadText }));
    EXPECT_EQ(bar.value(), RacingContext::kProgressMin);
    EXPECT_EQ(status.text(), QString());
}

TEST_F(InjectionTabTest, Read_OfMap2_FillsMap2AndLeavesMap1Empty)
{
    open();
    tab->showMap(Map::Two);
    tab->readMap();
    EXPECT_EQ(sim->received(), readFrames(Map::Two));
    EXPECT_EQ(find<QLabel>("lblEKNR")->text(), u("SOLL-Lambda (2)"));
    EXPECT_EQ(cell(1, 1), u("0,95"));
    find<QRadioButton>("optEVK1")->click();
    EXPECT_EQ(find<QLabel>("lblEKNR")->text(), u("SOLL-Lambda (1)"));
    EXPECT_EQ(find<QLabel>("lblEKNR")->palette().color(QPalette::WindowText), InjectionTab::kMap1Colour);
    EXPECT_EQ(cell(1, 1), QString());
    // The service report gets the map that was read, and only that one.
    const auto& record = session.serviceRecord();
    ASSERT_TRUE(record.table(ServiceRecord::Table::LambdaMap2));
    EXPECT_EQ(record.table(ServiceRecord::Table::LambdaMap2)->rows.at(0).at(1), u("0,95"));
    EXPECT_FALSE(record.table(ServiceRecord::Table::LambdaMap1));
}

TEST_F(InjectionTabTest, Read_UnitFallsSilent_StopsAtOnceAndKeepsTheCellsRead)
{
    open();
    const int silentAt = address(Map::One, 5, 3) + 1;
    const EcuSim::Handler read = sim->handler(125);
    sim->setHandler(125, 4, [this, read, silentAt](const QByteArray& frame, qint64 now) {
        if (quint8(frame[1]) != silentAt)
            return read(frame, now);
        sim->faults().silent = true;
        return QByteArray();
    });
    tab->readMap();
    EXPECT_TRUE(context->lost());
    EXPECT_EQ(sim->received().back(), of({ 125, silentAt, '0', '?' }));
    EXPECT_EQ(cell(5, 2), u("0,94"));
    EXPECT_EQ(cell(5, 3), QString());
    EXPECT_EQ(find<QLineEdit>("txtFoerdermenge")->text(), u("500"));
    EXPECT_EQ(tab->source(), RacingTab::kNotLoaded);
    EXPECT_FALSE(session.serviceRecord().table(ServiceRecord::Table::LambdaMap1)) << "a cut read is not reported";
}

// A flow constant that gives no rate within 150-650 is replaced by 178 with
// its box, never clamped to a limit that the next write would send back.
TEST_F(InjectionTabTest, Read_FlowConstantOutOfRange_GivesTheBoxAnd178)
{
    open();
    sim->memory().parameters[96] = 0xFFFF;
    tab->readMap();
    EXPECT_EQ(find<QLineEdit>("txtFoerdermenge")->text(), u("178"));
    ASSERT_FALSE(platform.boxes.empty());
    EXPECT_EQ(platform.boxes.back().text, lambda::kFlowInvalidText);
    EXPECT_EQ(platform.boxes.back().title, u("Hinweis"));
}

TEST_F(InjectionTabTest, WriteTable_ChecksStandstillPerRowSendsHighThenLowThenTheFlow)
{
    open();
    loadFile(tlaFile(u("0,85"), " 178"));
    auto& t = sim->memory().tables[simcodes::kLambdaMaps];
    t.fill(0);

    tab->writeTable();

    Frames expected;
    for (int row = 1; row <= 10; ++row) {
        expected.push_back(QByteArray("r00?"));
        for (int column = 1; column <= 6; ++column) {
            expected.push_back(of({ 124, address(Map::One, row, column), 4, '?' }));
            expected.push_back(of({ 124, address(Map::One, row, column) + 1, 181, '?' }));
        }
    }
    expected.push_back(of({ 95, 10, 201, '?' }));
    EXPECT_EQ(sim->received(), expected);
    EXPECT_EQ(t[1], 4);
    EXPECT_EQ(t[120], 181);
    EXPECT_EQ(t[129], 0); // map 2 untouched
    EXPECT_EQ(sim->memory().parameters[96], 10 * 256 + 201);
    EXPECT_EQ(boxTexts(), QStringList { boxes::kUpdateComplete });
    EXPECT_EQ(bar.value(), RacingContext::kProgressMin);
}

// The unit fails at one cell: it answers another byte, or falls silent.
struct FailureCase {
    const char* name;
    bool silent;
    Cell cell;
};

class InjectionWriteFailure : public InjectionTabTest, public ::testing::WithParamInterface<FailureCase> { };

TEST_P(InjectionWriteFailure, WrongEchoGoesOnAndIsNamedAtTheEnd_SilenceStopsAtOnce)
{
    const FailureCase& c = GetParam();
    open();
    loadFile(tlaFile(u("0,85"), " 178"));
    const int failing = address(Map::One, c.cell.row, c.cell.column);
    if (c.silent) {
        replyToWrites([this, failing](int a, int value) {
            if (a != failing)
                return of({ value });
            sim->faults().silent = true;
            return QByteArray();
        });
    } else {
        replyToWrites([failing](int a, int value) { return of({ a == failing ? value + 1 : value }); });
    }

    tab->writeTable();

    const Frames& sent = sim->received();
    const QByteArray high = of({ 124, failing, 4, '?' });
    const auto at = std::find(sent.begin(), sent.end(), high);
    ASSERT_NE(at, sent.end());
    if (c.silent) {
        EXPECT_EQ(at + 1, sent.end()) << "nothing after the unanswered request";
        EXPECT_TRUE(context->lost());
        EXPECT_EQ(boxTexts(), QStringList());
    } else {
        // The low byte of that cell is not sent; the rest and the flow rate are.
        EXPECT_NE(*(at + 1), of({ 124, failing + 1, 181, '?' }));
        EXPECT_EQ(sent.back(), of({ 95, 10, 201, '?' }));
        EXPECT_EQ(sent.size(), 10u + 2 * 60 - 1 + 1);
        EXPECT_EQ(boxTexts(),
            (QStringList { lambda::kTransferErrorText,
                u("Die Übertragung ist beendet. Vom Steuergerät nicht bestätigt: 1 Lambdawert") }));
    }
}

INSTANTIATE_TEST_SUITE_P(Cells, InjectionWriteFailure,
    ::testing::Values(FailureCase { "wrongEcho_first", false, { 1, 1 } },
        FailureCase { "wrongEcho_middle", false, { 5, 3 } }, FailureCase { "wrongEcho_last", false, { 10, 6 } },
        FailureCase { "silent_first", true, { 1, 1 } }, FailureCase { "silent_middle", true, { 5, 3 } },
        FailureCase { "silent_last", true, { 10, 6 } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(InjectionTabTest, WriteTable_ManyWrongEchoes_ABoxEachThenTheCountWithTheFlow)
{
    open();
    loadFile(tlaFile(u("0,85"), " 178"));
    replyToWrites([](int, int value) { return of({ value ^ 1 }); });
    sim->setHandler(95, 4, [](const QByteArray&, qint64) { return of({ 0, 0 }); });
    tab->writeTable();
    QStringList expected;
    for (int box = 0; box < 60 + 1; ++box)
        expected << lambda::kTransferErrorText;
    expected << u("Die Übertragung ist beendet. Vom Steuergerät nicht bestätigt: 60 Lambdawerte, Fördermenge EV");
    EXPECT_EQ(boxTexts(), expected);
}

TEST_F(InjectionTabTest, WriteTable_EngineTurning_RefusesBeforeAnyByte)
{
    open();
    loadFile(tlaFile(u("0,85"), " 178"));
    sim->setEngine(3000);
    tab->writeTable();
    EXPECT_EQ(sim->received(), Frames { QByteArray("r00?") });
    EXPECT_EQ(boxTexts(), QStringList { lambda::kEngineTurnsText });
    EXPECT_EQ(bar.value(), RacingContext::kProgressMin);
}

// What a write refuses before it sends anything.
struct RefusalCase {
    const char* name;
    QByteArray file;
    QString box;
};

class InjectionWriteRefusal : public InjectionTabTest, public ::testing::WithParamInterface<RefusalCase> { };

TEST_P(InjectionWriteRefusal, NothingIsSent)
{
    open();
    if (!GetParam().file.isEmpty())
        loadFile(GetParam().file);
    tab->writeTable();
    EXPECT_EQ(sim->received(), Frames {});
    EXPECT_EQ(boxTexts(), QStringList { GetParam().box });
}

INSTANTIATE_TEST_SUITE_P(Maps, InjectionWriteRefusal,
    ::testing::Values(RefusalCase { "empty", {}, lambda::kIncompleteText },
        RefusalCase {
            "shortLine", tlaFile(u("0,85"), " 178", { { 4, "0,85;0,85;0,8" } }), lambda::kIncompleteText },
        RefusalCase { "noNumber", tlaFile(u("0,85"), " 178", { { 2, "0,85;0,85;abcd;0,85;0,85;0,85" } }),
            lambda::unsendableText(u("abcd"), { 2, 3 }) },
        RefusalCase { "tooSmall", tlaFile(u("0,85"), " 178", { { 10, "0,85;0,85;0,85;0,85;0,85;0,01" } }),
            lambda::unsendableText(u("0,01"), { 10, 6 }) }),
    [](const auto& info) { return std::string(info.param.name); });

struct CellWriteCase {
    const char* name;
    Map map;
    Cell cell;
    int high;
};

class InjectionCellWrite : public InjectionTabTest, public ::testing::WithParamInterface<CellWriteCase> { };

TEST_P(InjectionCellWrite, SendsTheChosenCellOfTheShownMapOnly)
{
    const CellWriteCase& c = GetParam();
    open();
    tab->showMap(c.map);
    loadFile(tlaFile(u("0,85"), " 178"));
    tab->markCell(c.cell.row, c.cell.column);
    find<QComboBox>("CmbSModeInjTable")->setCurrentText(InjectionTab::kCellMode);
    tab->write();
    EXPECT_EQ(sim->received(), (Frames { of({ 124, c.high, 4, '?' }), of({ 124, c.high + 1, 181, '?' }) }));
    EXPECT_EQ(boxTexts(), QStringList());
    EXPECT_EQ(bar.value(), RacingContext::kProgressMin);
}

INSTANTIATE_TEST_SUITE_P(Cells, InjectionCellWrite,
    ::testing::Values(CellWriteCase { "map1_row1_column1", Map::One, { 1, 1 }, 1 },
        CellWriteCase { "map2_row10_column6", Map::Two, { 10, 6 }, 247 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(InjectionTabTest, CellWrite_NoCellChosen_GivesItsBox)
{
    open();
    loadFile(tlaFile(u("0,85"), " 178"));
    find<QComboBox>("CmbSModeInjTable")->setCurrentText(InjectionTab::kCellMode);
    tab->write();
    EXPECT_EQ(sim->received(), Frames {});
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].text, lambda::kNoCellText);
    EXPECT_EQ(platform.boxes[0].title, u("Fehler"));
}

TEST_F(InjectionTabTest, CellWrite_WrongHighEcho_SkipsTheLowByteAndSaysSo)
{
    open();
    loadFile(tlaFile(u("0,85"), " 178"));
    tab->markCell(1, 1);
    replyToWrites([](int, int value) { return of({ value + 1 }); });
    find<QComboBox>("CmbSModeInjTable")->setCurrentText(InjectionTab::kCellMode);
    tab->write();
    EXPECT_EQ(sim->received(), Frames { of({ 124, 1, 4, '?' }) });
    EXPECT_EQ(boxTexts(), QStringList { lambda::kTransferErrorText });
}

// --- The in-place editor -------------------------------------------------------

TEST_F(InjectionTabTest, Editor_TypingOpensEnterCommitsChoosesAndMovesDown)
{
    open();
    grid()->setCurrentCell(2, 3);
    type(u("0,95"));
    ASSERT_TRUE(editing());
    EXPECT_EQ(editor()->text(), u("0,95"));
    key(Qt::Key_Return);
    EXPECT_FALSE(editing());
    EXPECT_EQ(cell(2, 3), u("0,95"));
    EXPECT_EQ(tab->maps().text(Map::One, { 2, 3 }), u("0,95"));
    EXPECT_EQ(tab->maps().target(), (Cell { 2, 3 }));
    EXPECT_EQ(grid()->item(2, 3)->background().color(), InjectionTab::kHighlight);
    EXPECT_EQ(grid()->currentRow(), 3);
    EXPECT_EQ(boxTexts(), QStringList());

    // Enter opens the editor on the cell's text; Up commits and moves up.
    grid()->setCurrentCell(2, 3);
    key(Qt::Key_Return);
    ASSERT_TRUE(editing());
    EXPECT_EQ(editor()->text(), u("0,95"));
    type(u("1"));
    key(Qt::Key_Up);
    EXPECT_EQ(cell(2, 3), u("0,95")); // 0.951 rounds to two decimals
    EXPECT_EQ(grid()->currentRow(), 1);

    // Space and Backspace open the editor on the cell's text as well.
    for (const Qt::Key opener : { Qt::Key_Space, Qt::Key_Backspace }) {
        grid()->setCurrentCell(2, 3);
        key(opener);
        ASSERT_TRUE(editing());
        EXPECT_EQ(editor()->text(), u("0,95"));
        key(Qt::Key_Escape);
    }
}

TEST_F(InjectionTabTest, Editor_NoNumberInAnEmptyCell_GivesTheBoxAnd100)
{
    open();
    grid()->setCurrentCell(1, 1);
    type(u("x"));
    key(Qt::Key_Down);
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].text, lambda::kRangeText);
    EXPECT_EQ(platform.boxes[0].title, u("ACHTUNG"));
    EXPECT_EQ(cell(1, 1), u("1,00"));
    EXPECT_EQ(tab->maps().text(Map::One, { 1, 1 }), u("1,00"));
    EXPECT_EQ(grid()->currentRow(), 2);
    EXPECT_FALSE(tab->maps().target()); // only Enter and clicks choose a cell
}

TEST_F(InjectionTabTest, Editor_EscDropsTheText)
{
    open();
    grid()->setCurrentCell(1, 1);
    type(u("2"));
    ASSERT_TRUE(editing());
    key(Qt::Key_Escape);
    EXPECT_FALSE(editing());
    EXPECT_EQ(cell(1, 1), QString());
    EXPECT_EQ(tab->maps().text(Map::One, { 1, 1 }), QString());
    EXPECT_EQ(boxTexts(), QStringList());
}

// --- Files -------------------------------------------------------------------

TEST_F(InjectionTabTest, Save_WritesTheShownMapAndTheFlowRate)
{
    open();
    loadFile(tlaFile(u("0,85"), " 300"));
    const QString path = dir.filePath(QStringLiteral("out.tla"));
    platform.saveAnswers.push_back(path);
    tab->saveToDisk();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), tlaFile(u("0,85"), " 300"));
    ASSERT_EQ(platform.saveDialogs.size(), 1u);
    EXPECT_EQ(platform.saveDialogs[0].filter, u("Lambdatabelle (*.tla)|*tla"));
    EXPECT_EQ(platform.saveDialogs[0].defaultExtension, u("tla"));
    EXPECT_EQ(boxTexts(), QStringList());
}

TEST_F(InjectionTabTest, Save_Failing_NamesThePath)
{
    open();
    loadFile(tlaFile(u("0,85"), " 300"));
    const QString path = dir.filePath(QStringLiteral("missing/out.tla"));
    platform.saveAnswers.push_back(path);
    tab->saveToDisk();
    EXPECT_EQ(boxTexts(), QStringList { tla::saveFailedText(path) });
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(InjectionTabTest, Load_IntoMap2_LeavesMap1_TakesTheFlowAndNamesTheFile)
{
    open();
    tab->readMap();
    const QString map1Cell = cell(1, 1);
    tab->showMap(Map::Two);
    const QString path = dir.filePath(QStringLiteral("map.tla"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(tlaFile(u("0,85"), " 700"));
    }
    platform.boxes.clear();
    platform.openAnswers.push_back(path);
    tab->loadFromDisk();
    EXPECT_EQ(cell(1, 1), u("0,85"));
    EXPECT_EQ(find<QLineEdit>("txtFoerdermenge")->text(), u("178"));
    EXPECT_EQ(boxTexts(), QStringList { lambda::kFlowInvalidText });
    EXPECT_EQ(tab->source(), path);
    EXPECT_EQ(platform.openDialogs.at(0).filter, tla::kFileFilter);
    tab->showMap(Map::One);
    EXPECT_EQ(cell(1, 1), map1Cell);
}

TEST_F(InjectionTabTest, Load_Unreadable_NamesThePath)
{
    open();
    const QString path = dir.filePath(QStringLiteral("none.tla"));
    platform.openAnswers.push_back(path);
    tab->loadFromDisk();
    EXPECT_EQ(boxTexts(), QStringList { tla::loadFailedText(path) });
    EXPECT_EQ(tab->source(), RacingTab::kNotLoaded);
}

} // namespace
