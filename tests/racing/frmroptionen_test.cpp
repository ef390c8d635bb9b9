#include "core/gates.h"
#include "core/identity.h"
#include "racing/frmroptionen.h"
#include "racing/ignitiontab.h"
#include "racing/ignitiontransfer.h"
#include "shell/kit/boxes.h"
#include "sim/ecusim.h"
#include "sim/profile.h"
#include "support/modal.h"
#include "support/simlink.h"
#include "support/testnames.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QValueAxis>

#include <gtest/gtest.h>

namespace {

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

QByteArray of(std::initializer_list<int> values)
{
    return bytes::of(values);
}

// What a write that stopped midway adds to its box.
QString partlyWritten(int bands, int of, const QString& halfBand = {})
{
    QString text
        = QString::fromUtf8("Das Steuergerät enthält jetzt eine teilweise geschriebene Zündwinkeltabelle: %1 "
                            "von %2 Drehzahlbereichen %3 geschrieben.")
              .arg(bands)
              .arg(of)
              .arg(bands == 1 ? "wurde" : "wurden");
    if (!halfBand.isEmpty())
        text += QString::fromUtf8(" Im Drehzahlbereich %1 U/min wurde nur Zylinder 1 geschrieben.").arg(halfBand);
    return text + QString::fromUtf8(" Schreiben Sie die Zündwinkeltabelle erneut vollständig in das Steuergerät!");
}

QString stoppedMidway(const QString& why, const QString& partial)
{
    return why + "\n\n" + partial;
}

constexpr const char* k111 = "ignition-rx4-racing"; // type 4, firmware 4.000
constexpr const char* k76 = "ignition-rx3-racing"; // type 3, firmware 3.139

class RacingWindowTest : public ::testing::Test, protected SimLink {
protected:
    void connectUnit(const SimProfile& profile, int leadAngle = 0)
    {
        sim = plugInUnit(*this, profile);
        ASSERT_TRUE(link.portOpen());
        // The window reads the lead angle itself on newer firmware.
        sim->memory().parameters[simcodes::kAngleOffset] = leadAngle;
        session.setLeadAngle(leadAngle);
        session.setWarnings(1);
    }
    void connectUnit(const char* profile, int leadAngle = 0)
    {
        connectUnit(*simprofiles::find(QString::fromLatin1(profile)), leadAngle);
    }

    // Opens the window; once it has opened, each step of `acts` runs in turn
    // when the window is idle; after the last the window is left by "&Fertig"
    // (a question, if any, must be scripted).
    void run(std::vector<std::function<void()>> acts, int timeoutMs = 20000)
    {
        window = std::make_unique<FrmROptionen>(session);
        size_t next = 0;
        bool exited = false;
        EXPECT_TRUE(runModal(
            *window,
            [&] {
                if (!window->opened() || window->busy() || QApplication::activeModalWidget() != window.get())
                    return;
                if (next < acts.size()) {
                    if (next == 0)
                        sim->clearReceived();
                    acts[next++]();
                    return;
                }
                if (!exited) {
                    exited = true;
                    button("cmdExit")->click();
                }
            },
            timeoutMs))
            << "the window did not close in time";
    }

    template <typename W = QWidget> W* find(const char* name) const
    {
        return window->findChild<W*>(QString::fromLatin1(name));
    }
    QPushButton* button(const char* name) const { return find<QPushButton>(name); }
    QTableWidget* grid() const { return find<QTableWidget>("MSHFlexGrid1"); }
    QString cell(int row, int column) const { return grid()->item(row, column)->text(); }
    void clickCell(int row, int column) const { emit grid()->cellClicked(row, column); }
    const std::array<quint8, 256>& unitTable(int code) { return sim->memory().tables[code]; }

    std::vector<QByteArray> framesStartingWith(char code) const
    {
        std::vector<QByteArray> out;
        for (const QByteArray& f : sim->received())
            if (!f.isEmpty() && f[0] == code)
                out.push_back(f);
        return out;
    }

    std::unique_ptr<EcuSim> sim;
    std::unique_ptr<FrmROptionen> window;
};

// --- Reading -----------------------------------------------------------------

TEST_F(RacingWindowTest, Read76_AsksEveryAddressAndFillsTheSeventySixRows)
{
    TimeScale fast(0.05);
    connectUnit("ignition-fw2820-rx3-racing");
    for (int a = 1; a <= 110; ++a)
        sim->memory().tables['b'][a] = quint8(a + 100);
    run({ [&] { button("cmdReadZwTab")->click(); } });

    std::vector<QByteArray> expected;
    for (int a = 1; a <= 110; ++a)
        expected.push_back(of({ 'b', a, '0', '?' }));
    EXPECT_EQ(sim->received(), expected);
    ASSERT_EQ(grid()->rowCount(), 76);
    // Rows take the table addresses in order: row 53 = 54, row 54 = 56, row 75 = 110.
    for (auto [row, address] : { std::pair { 0, 1 }, { 53, 54 }, { 54, 56 }, { 74, 109 }, { 75, 110 } }) {
        EXPECT_EQ(cell(row, 3), QString::number(address + 100)) << row;
        EXPECT_EQ(cell(row, 4), QString::number(address + 100)) << row;
    }
    // 382 - 101 = 281: a plain number, the same angle in both columns.
    EXPECT_EQ(cell(0, 1), u("28,1"));
    EXPECT_EQ(cell(0, 2), u("28,1"));
    EXPECT_EQ(find<QLabel>("lbl_TabQuelle")->text(), IgnitionTab::kFromUnit);
    EXPECT_EQ(platform.boxTexts(), QStringList { boxes::kTransferComplete });
}

TEST_F(RacingWindowTest, Read111_ReadsBothCylindersPerAddressAndShiftsByTheLeadAngle)
{
    TimeScale fast(0.05);
    connectUnit(k111, 50);
    sim->memory().tables['b'][1] = 100;
    sim->memory().tables['m'][1] = 110;
    sim->memory().tables['m'][111] = 0;
    run({ [&] { button("cmdReadZwTab")->click(); } });

    ASSERT_EQ(sim->received().size(), 222u);
    EXPECT_EQ(sim->received()[0], of({ 'b', 1, '0', '?' }));
    EXPECT_EQ(sim->received()[1], of({ 'm', 1, '0', '?' }));
    EXPECT_EQ(sim->received()[221], of({ 'm', 111, '0', '?' }));
    // (382 - 50 - 100) / 10 with a leading blank.
    EXPECT_EQ(cell(0, 1), u(" 23,2"));
    EXPECT_EQ(cell(0, 2), u(" 22,2"));
    EXPECT_EQ(cell(0, 3), u("100"));
    EXPECT_EQ(cell(110, 2), u(" 33,2"));
    EXPECT_EQ(find<QLabel>("txtMaxZw")->text(), u("33,2"));
    EXPECT_EQ(find<QLabel>("txtMinZw")->text(), u("7,7"));
    const std::optional<TextTable>& reported = session.serviceRecord().table(ServiceRecord::Table::Ignition);
    ASSERT_TRUE(reported);
    ASSERT_EQ(reported->rows.size(), 111);
    EXPECT_EQ(reported->rows.at(0), (QStringList { u("0-50"), u("23,2"), u("22,2") }));
}

TEST_F(RacingWindowTest, Read_WithNoUpdateMsg_ShowsNoBox)
{
    TimeScale fast(0.05);
    Settings values = settings.readAll();
    values.noUpdateMsg = 1;
    ASSERT_TRUE(settings.write(values));
    connectUnit(k111);
    run({ [&] { button("cmdReadZwTab")->click(); } });
    EXPECT_EQ(framesStartingWith('m').size(), 111u);
    EXPECT_TRUE(platform.boxTexts().isEmpty());
}

TEST_F(RacingWindowTest, Read_TheUnitFallsSilent_ClosesTheWindowWithoutCompletion)
{
    TimeScale fast(0.05);
    connectUnit(k111);
    window = std::make_unique<FrmROptionen>(session);
    bool clicked = false;
    EXPECT_TRUE(runModal(*window, [&] {
        if (!window->opened() || clicked)
            return;
        clicked = true;
        sim->faults().dropAfter = sim->commandCount() + 21;
        button("cmdReadZwTab")->click();
    }));
    EXPECT_TRUE(link.timedOut());
    EXPECT_EQ(cell(9, 4), QString::number(unitTable('m')[10]));
    EXPECT_EQ(cell(10, 4), QString());
    EXPECT_FALSE(platform.boxTexts().contains(boxes::kTransferComplete));
    EXPECT_FALSE(session.serviceRecord().table(ServiceRecord::Table::Ignition)) << "a cut read is not reported";
    EXPECT_NE(find<QLabel>("lbl_TabQuelle")->text(), IgnitionTab::kFromUnit);
}

TEST_F(RacingWindowTest, SwitchingWrite_TheUnitFallsSilent_ClosesTheWindowWithoutABox)
{
    TimeScale fast(0.05);
    connectUnit(k111);
    window = std::make_unique<FrmROptionen>(session);
    bool clicked = false;
    EXPECT_TRUE(runModal(*window, [&] {
        if (!window->opened() || clicked)
            return;
        clicked = true;
        sim->clearReceived();
        sim->faults().dropAfter = sim->commandCount() + 2;
        button("cmdSchreiben")->click();
    }));
    EXPECT_TRUE(link.timedOut());
    ASSERT_EQ(sim->received().size(), 3u);
    EXPECT_EQ(sim->received().back().at(0), 'x');
    EXPECT_TRUE(platform.boxTexts().isEmpty());
}

// Every Alt letter of the switching page, with the window's "&Fertig", leads
// to one control only.
TEST_F(RacingWindowTest, SwitchingPage_AltLettersAreUnique)
{
    connectUnit("injection-rx4-racing");
    run({ [&] {
        find<QTabWidget>("SSTab1")->setCurrentIndex(FrmROptionen::Switching);
        QWidget* page = find<QTabWidget>("SSTab1")->currentWidget();
        QStringList texts { button("cmdExit")->text() };
        for (const QLabel* l : page->findChildren<QLabel*>())
            texts << l->text();
        for (const QAbstractButton* b : page->findChildren<QAbstractButton*>())
            texts << b->text();
        for (const QGroupBox* g : page->findChildren<QGroupBox*>())
            texts << g->title();
        QStringList letters;
        for (const QString& t : texts) {
            const int at = t.indexOf(QLatin1Char('&'));
            if (at >= 0 && at + 1 < t.size())
                letters << t.mid(at + 1, 1).toLower();
        }
        EXPECT_GE(letters.size(), 11);
        EXPECT_EQ(QSet<QString>(letters.begin(), letters.end()).size(), letters.size())
            << letters.join(',').toStdString();
        for (const QLabel* l : page->findChildren<QLabel*>()) {
            if (l->text().contains(QLatin1Char('&'))) {
                EXPECT_TRUE(l->buddy()) << l->objectName().toStdString();
            }
        }
    } });
}

// --- Writing -----------------------------------------------------------------

TEST_F(RacingWindowTest, Write76_TestsStandstillOnEveryAddressAndWritesOnlyTableAddresses)
{
    TimeScale fast(0.05);
    connectUnit("ignition-fw2820-rx3-racing");
    for (int a = 1; a <= 110; ++a)
        sim->memory().tables['b'][a] = quint8(200 - a);
    run({ [&] { button("cmdReadZwTab")->click(); },
        [&] {
            for (int a = 1; a <= 110; ++a)
                sim->memory().tables['b'][a] = 0;
            sim->clearReceived();
            button("cmdWriteZwTab")->click();
        } });

    const std::vector<QByteArray>& frames = sim->received();
    ASSERT_EQ(framesStartingWith('r').size(), 110u);
    ASSERT_EQ(framesStartingWith('a').size(), 76u);
    int address = 0;
    for (size_t i = 0; i < frames.size(); ++i) {
        if (frames[i] == "r00?") {
            ++address;
            continue;
        }
        ASSERT_TRUE(bands::isTableAddress(address)) << address;
        EXPECT_EQ(frames[i], of({ 'a', address, 200 - address, '?' }));
    }
    for (int a = 1; a <= 110; ++a)
        EXPECT_EQ(unitTable('b')[a], bands::isTableAddress(a) ? 200 - a : 0) << a;
    EXPECT_EQ(platform.boxTexts().last(), boxes::kUpdateComplete);
}

TEST_F(RacingWindowTest, Write111_AnEmptyCylinder2CellInRow40_WritesRows0To39ThenStops)
{
    TimeScale fast(0.05);
    connectUnit(k111);
    QTemporaryDir files;
    QFile file(files.filePath("gap.vmz"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (int row = 0; row < 111; ++row)
        file.write(row == 40 ? "70;\r\n" : "70;80\r\n");
    file.close();
    platform.openAnswers.push_back(file.fileName());
    run({ [&] { button("cmdLoadDisk")->click(); }, [&] { button("cmdWriteZwTab")->click(); } });

    EXPECT_EQ(framesStartingWith('a').size(), 40u);
    EXPECT_EQ(framesStartingWith('{').size(), 40u);
    EXPECT_EQ(unitTable('b')[40], 70);
    EXPECT_EQ(unitTable('m')[40], 80);
    EXPECT_NE(unitTable('b')[41], 70);
    EXPECT_EQ(
        platform.boxTexts().last(), stoppedMidway(IgnitionTab::kIncompleteCylinder2, partlyWritten(40, 111)));
}

TEST_F(RacingWindowTest, Write_WhileTheEngineTurns_IsRefusedBeforeAnyByte)
{
    TimeScale fast(0.05);
    connectUnit(k111);
    run({ [&] { button("cmdReadZwTab")->click(); },
        [&] {
            sim->setEngine(1500);
            sim->clearReceived();
            button("cmdWriteZwTab")->click();
        } });
    EXPECT_EQ(sim->received(), std::vector<QByteArray> { "r00?" });
    EXPECT_EQ(platform.boxTexts().last(), IgnitionTab::kEngineRunning);
    // The window is unlocked again.
    EXPECT_TRUE(find<QTabWidget>("SSTab1")->isEnabled());
}

TEST_F(RacingWindowTest, Write_AFileCellThatIsNoByte_IsRefusedBeforeTheFirstRequest)
{
    connectUnit(k76);
    QTemporaryDir files;
    QFile file(files.filePath("bad.vmz"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    for (int row = 0; row < 76; ++row)
        file.write(row == 20 ? "300\r\n" : "50\r\n");
    file.close();
    platform.openAnswers.push_back(file.fileName());
    run({ [&] { button("cmdLoadDisk")->click(); }, [&] { button("cmdWriteZwTab")->click(); } });
    EXPECT_TRUE(sim->received().empty());
    const QString box = platform.boxTexts().last();
    EXPECT_TRUE(box.contains(u("\"300\""))) << box.toStdString();
    EXPECT_TRUE(box.contains(u("1002-1102 U/min"))) << box.toStdString();
}

TEST_F(RacingWindowTest, Write_TheEngineStartsMidway_StopsAtTheNextStandstillTest)
{
    TimeScale fast(0.05);
    connectUnit(k111);
    run({ [&] { button("cmdReadZwTab")->click(); },
        [&] {
            sim->faults().engineStartsAfterWrites = 6;
            sim->clearReceived();
            button("cmdWriteZwTab")->click();
        } });
    std::vector<QByteArray> expected;
    for (int a = 1; a <= 3; ++a) {
        expected.push_back("r00?");
        expected.push_back(of({ 'a', a, unitTable('b')[a], '?' }));
        expected.push_back(of({ '{', a, unitTable('m')[a], '?' }));
    }
    expected.push_back("r00?");
    EXPECT_EQ(sim->received(), expected);
    EXPECT_EQ(platform.boxTexts().last(), stoppedMidway(IgnitionTab::kEngineRunning, partlyWritten(3, 111)));
}

TEST_F(RacingWindowTest, Write_AWrongEcho_StopsWithTheTransferError)
{
    TimeScale fast(0.05);
    connectUnit(k111);
    const EcuSim::Handler store = sim->handler('{');
    sim->setHandler('{', 4, [store](const QByteArray& frame, qint64 now) {
        QByteArray reply = store(frame, now);
        if (bytes::at(frame, 1) == 3)
            reply[0] = char(reply[0] ^ 1);
        return reply;
    });
    run({ [&] { button("cmdReadZwTab")->click(); },
        [&] {
            sim->clearReceived();
            button("cmdWriteZwTab")->click();
        } });
    EXPECT_EQ(sim->received().size(), 9u);
    EXPECT_EQ(sim->received().back(), of({ '{', 3, unitTable('m')[3], '?' }));
    // Cylinder 1 of the third band went through before cylinder 2 failed.
    EXPECT_EQ(
        platform.boxTexts().last(), stoppedMidway(boxes::kTransferError, partlyWritten(2, 111, u("101-150"))));
    EXPECT_FALSE(platform.boxTexts().contains(boxes::kUpdateComplete));
}

// A unit that sends surplus after every reply, right behind it or so late
// that it lands in front of the next: the grid shows the unit's bytes, and
// writing them back leaves the unit's table as it was.
class SurplusLine : public RacingWindowTest, public ::testing::WithParamInterface<int> { };

TEST_P(SurplusLine, ReadAndWriteBack_LeaveTheTableAsItWas)
{
    TimeScale fast(0.05);
    connectUnit(k111);
    link.setQuietTime(std::chrono::milliseconds(10)); // wide enough for a loaded machine's timers
    for (int address = 1; address <= 111; ++address) {
        sim->memory().tables['b'][address] = quint8(100 + address);
        sim->memory().tables['m'][address] = quint8(255 - address);
    }
    const auto cylinder1 = unitTable('b');
    const auto cylinder2 = unitTable('m');
    sim->faults().extraBytes = 3;
    sim->faults().extraDelayMs = GetParam();
    run({ [&] { button("cmdReadZwTab")->click(); }, [&] { button("cmdWriteZwTab")->click(); } }, 90000);
    for (int row = 0; row < 111; ++row) {
        EXPECT_EQ(cell(row, 3), QString::number(cylinder1[row + 1])) << "row " << row;
        EXPECT_EQ(cell(row, 4), QString::number(cylinder2[row + 1])) << "row " << row;
    }
    EXPECT_EQ(unitTable('b'), cylinder1);
    EXPECT_EQ(unitTable('m'), cylinder2);
}

INSTANTIATE_TEST_SUITE_P(Timing, SurplusLine, ::testing::Values(0, 4), [](const auto& info) {
    return info.param == 0 ? std::string("RightBehind") : std::string("LateInFrontOfTheNext");
});

struct IncompleteCase {
    const char* name;
    const char* profile;
    QByteArray file; // loaded into a table never read
    int writes; // table bytes written before the stop
    QString box;
    int bands; // of `of`
    int of;
};

class IncompleteTable : public RacingWindowTest, public ::testing::WithParamInterface<IncompleteCase> { };

TEST_P(IncompleteTable, WritesTheBandsBeforeTheGapThenStops)
{
    TimeScale fast(0.05);
    connectUnit(GetParam().profile);
    QTemporaryDir files;
    QFile file(files.filePath("gap.vmz"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(GetParam().file);
    file.close();
    platform.openAnswers.push_back(file.fileName());
    run({ [&] { button("cmdLoadDisk")->click(); },
        [&] {
            sim->clearReceived();
            button("cmdWriteZwTab")->click();
        } });
    EXPECT_EQ(int(framesStartingWith('a').size() + framesStartingWith('{').size()), GetParam().writes);
    EXPECT_EQ(
        platform.boxTexts().last(), stoppedMidway(GetParam().box, partlyWritten(GetParam().bands, GetParam().of)));
}

INSTANTIATE_TEST_SUITE_P(Gaps, IncompleteTable,
    ::testing::Values(
        // 60 bands: rows 0-59 are addresses 1-54 and 56-61 (the gap at 55 keeps row 54).
        IncompleteCase { "shared", "ignition-fw2820-rx3-racing", QByteArray("40\r\n").repeated(60), 60,
            IgnitionTab::kIncomplete, 60, 76 },
        IncompleteCase { "cylinder1", k111, QByteArray("40;41\r\n").repeated(5) + ";41\r\n", 10,
            IgnitionTab::kIncompleteCylinder1, 5, 111 }),
    [](const auto& info) { return std::string(info.param.name); });

struct LostCase {
    const char* name;
    const char* profile;
    int answered; // requests of the write the unit still answers
    int noBreakMsg;
    QStringList boxes;
};

class WriteLinkLost : public RacingWindowTest, public ::testing::WithParamInterface<LostCase> { };

// The window closes as on every lost link; what the unit now holds is told
// even when the lost-link box is switched off.
TEST_P(WriteLinkLost, ClosesTheWindowAndTellsWhatTheUnitHolds)
{
    TimeScale fast(0.05);
    connectUnit(GetParam().profile);
    session.setNoBreakMsg(GetParam().noBreakMsg);
    QTemporaryDir files;
    QFile file(files.filePath("full.vmz"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("40;41\r\n").repeated(111));
    file.close();
    platform.openAnswers.push_back(file.fileName());
    window = std::make_unique<FrmROptionen>(session);
    int step = 0;
    EXPECT_TRUE(runModal(*window, [&] {
        if (!window->opened() || window->busy() || QApplication::activeModalWidget() != window.get())
            return;
        if (step == 0) {
            button("cmdLoadDisk")->click();
        } else if (step == 1) {
            platform.boxes.clear();
            sim->faults().dropAfter = sim->commandCount() + GetParam().answered;
            button("cmdWriteZwTab")->click();
        }
        ++step;
    })) << "the window did not close";
    EXPECT_TRUE(link.timedOut());
    EXPECT_EQ(platform.boxTexts(), GetParam().boxes);
    if (!platform.boxes.empty() && platform.boxTexts().last() != u("Verbindung zum Motorsteuergerät verloren! ")) {
        EXPECT_EQ(platform.boxes.back().title, u("Achtung"));
        EXPECT_EQ(platform.boxes.back().icon, Platform::Icon::Warning);
    }
}

INSTANTIATE_TEST_SUITE_P(Midway, WriteLinkLost,
    ::testing::Values(
        // Per band: standstill test, cylinder 1, cylinder 2. The 18th request
        // is band 6's cylinder 2.
        LostCase { "HalfBand111", k111, 17, 1,
            { stoppedMidway(IgnitionTab::kLinkLostWhileWriting, partlyWritten(5, 111, u("251-300"))) } },
        LostCase { "AtAStandstillTest111", k111, 6, 1,
            { stoppedMidway(IgnitionTab::kLinkLostWhileWriting, partlyWritten(2, 111)) } },
        // One box, not two: the warning names the lost link itself.
        LostCase { "WithTheLostLinkBoxSwitchedOn76", "ignition-fw2820-rx3-racing", 2, 0,
            { stoppedMidway(IgnitionTab::kLinkLostWhileWriting, partlyWritten(1, 76)) } },
        LostCase { "BeforeTheFirstByte", k111, 0, 1, {} },
        LostCase { "BeforeTheFirstByteWithTheLostLinkBox", k111, 0, 0,
            { u("Verbindung zum Motorsteuergerät verloren! ") } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RacingWindowTest, Transfer_LocksTheWindowShowsProgressAndIgnoresTheCloseBox)
{
    TimeScale fast(0.05);
    connectUnit(k111);
    int samples = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (!window || !window->opened() || !window->busy())
            return;
        ++samples;
        EXPECT_FALSE(find<QTabWidget>("SSTab1")->isEnabled());
        EXPECT_FALSE(button("cmdExit")->isEnabled());
        EXPECT_EQ(find<QLabel>("stbAction")->text(), TransferScope::kTransferText);
        EXPECT_GT(find<QProgressBar>("pgBComPos")->value(), 0);
        window->close();
        QTest::keyClick(window.get(), Qt::Key_Escape);
    });
    sampler.start(7);
    run({ [&] { button("cmdReadZwTab")->click(); },
        [&] {
            sampler.stop();
            EXPECT_TRUE(window->isVisible());
            EXPECT_TRUE(find<QTabWidget>("SSTab1")->isEnabled());
            EXPECT_EQ(find<QLabel>("stbAction")->text(), QString());
            EXPECT_EQ(find<QProgressBar>("pgBComPos")->value(), 1);
        } });
    EXPECT_GT(samples, 3);
    EXPECT_EQ(framesStartingWith('m').size(), 111u);
}

TEST(EngineStands, ByScheme)
{
    struct Case {
        QByteArray reply;
        bool stands76;
        bool stands111;
    };
    const Case cases[] = {
        { of({ 255, 255, 255 }), true, true },
        { of({ 254, 0, 0 }), false, true },
        { of({ 0, 0, 255 }), true, false },
        { of({ 0, 255, 0 }), true, false },
        { of({ 9, 39, 192 }), false, false },
        { of({ 253, 0, 0 }), false, false },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ignition::engineStands(BandScheme::Shared76, c.reply), c.stands76)
            << bytes::hex(c.reply).toStdString();
        EXPECT_EQ(ignition::engineStands(BandScheme::PerCylinder111, c.reply), c.stands111)
            << bytes::hex(c.reply).toStdString();
    }
}

// --- Hand edit ---------------------------------------------------------------

struct TakeOverCase {
    const char* profile;
    int changedRow; // -1: nothing changes
};

class TakeOverBeforeAnyClick : public RacingWindowTest, public ::testing::WithParamInterface<TakeOverCase> { };

TEST_P(TakeOverBeforeAnyClick, ChangesRow0OnlyOnTheSharedTable)
{
    connectUnit(GetParam().profile);
    platform.answers.push_back(Platform::Answer::Yes); // the exit question
    run({ [&] {
        find<QSlider>("sldZWinkel")->setValue(82);
        EXPECT_EQ(find<QLabel>("lblZwinkel")->text(), u(" 30,0"));
        button("cmdCopytoTable")->click();
        EXPECT_TRUE(window->ignitionTab().tableModified());
    } });
    if (GetParam().changedRow == 0) {
        EXPECT_EQ(cell(0, 1), u("30,0"));
        EXPECT_EQ(cell(0, 4), u("82"));
    } else {
        for (int column = 1; column < 5; ++column)
            EXPECT_EQ(cell(0, column), QString()) << column;
    }
    EXPECT_EQ(platform.boxes.back().text, FrmROptionen::kExitQuestion);
}

INSTANTIATE_TEST_SUITE_P(Schemes, TakeOverBeforeAnyClick,
    ::testing::Values(TakeOverCase { k76, 0 }, TakeOverCase { k111, -1 }),
    [](const auto& info) { return testnames::clean(info.param.profile); });

TEST_F(RacingWindowTest, HandEdit111_ClickSlideTakeOver_ChangesOneCylinderAndTheCurve)
{
    TimeScale fast(0.05);
    connectUnit(k111);
    run({ [&] { button("cmdReadZwTab")->click(); },
        [&] {
            clickCell(30, 2);
            EXPECT_EQ(find<QLabel>("lblDrehzahl")->text(), u("2001-2100 U/min"));
            EXPECT_EQ(find<QSlider>("sldZWinkel")->value(), unitTable('m')[31]);
            EXPECT_EQ(grid()->item(30, 2)->background().color(), IgnitionTab::kSelected);
            clickCell(31, 1);
            EXPECT_EQ(grid()->item(30, 2)->background().color(), QColor(Qt::white));
            clickCell(30, 2);
            find<QSlider>("sldZWinkel")->setValue(0);
            EXPECT_TRUE(window->ignitionTab().takeOverPending());
            button("cmdCopytoTable")->click();
            EXPECT_FALSE(window->ignitionTab().takeOverPending());
            platform.answers.push_back(Platform::Answer::Yes); // the exit question
        } });
    EXPECT_EQ(cell(30, 2), u(" 38,2"));
    EXPECT_EQ(cell(30, 4), u("0"));
    EXPECT_EQ(cell(30, 3), QString::number(unitTable('b')[31]));
    // Row 30 covers chart points 40 and 41.
    EXPECT_DOUBLE_EQ(window->ignitionTab().curve(1)->at(40).y(), 38.2);
    EXPECT_DOUBLE_EQ(window->ignitionTab().curve(1)->at(41).y(), 38.2);
}

// --- Chart -------------------------------------------------------------------

struct ChartCase {
    const char* profile;
    int leadAngle;
    int points;
    double low;
    double high;
};

class ChartSetUp : public RacingWindowTest, public ::testing::WithParamInterface<ChartCase> { };

TEST_P(ChartSetUp, PointsAndColours)
{
    connectUnit(GetParam().profile, GetParam().leadAngle);
    run({});
    for (int cylinder = 0; cylinder < 2; ++cylinder)
        EXPECT_EQ(window->ignitionTab().curve(cylinder)->count(), GetParam().points);
    auto* axis = qobject_cast<QValueAxis*>(window->ignitionTab().curve(0)->attachedAxes().at(1));
    ASSERT_NE(axis, nullptr);
    EXPECT_DOUBLE_EQ(axis->min(), GetParam().low);
    EXPECT_DOUBLE_EQ(axis->max(), GetParam().high);
    EXPECT_EQ(window->ignitionTab().curve(0)->pen().color(), QColor(0, 192, 0));
    EXPECT_EQ(window->ignitionTab().curve(1)->pen().color(), QColor(240, 240, 100));
}

INSTANTIATE_TEST_SUITE_P(Schemes, ChartSetUp,
    // The 76-band scale never shifts by the lead angle; the 111-band one does.
    ::testing::Values(ChartCase { k76, 50, 205, 12.7, 38.2 }, ChartCase { k111, 0, 202, 12.7, 38.2 },
        ChartCase { k111, 50, 202, 7.7, 33.2 }),
    [](const auto& info) {
        return testnames::clean(info.param.profile) + "_lead" + std::to_string(info.param.leadAngle);
    });

// --- File --------------------------------------------------------------------

TEST_F(RacingWindowTest, File111_SavedAndLoadedAgain_RestoresTheBytesAndNamesTheFile)
{
    TimeScale fast(0.05);
    connectUnit(k111);
    QTemporaryDir files;
    const QString path = files.filePath("tabelle.vmz");
    platform.saveAnswers.push_back(path);
    platform.openAnswers.push_back(path);
    std::vector<QString> before;
    run({ [&] { button("cmdReadZwTab")->click(); }, [&] { button("cmdDiskSave")->click(); },
        [&] {
            for (int row = 0; row < 111; ++row)
                before.push_back(cell(row, 3) + ";" + cell(row, 4));
            for (int row = 0; row < 111; ++row)
                grid()->item(row, 3)->setText(QString());
            button("cmdLoadDisk")->click();
        } });
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    EXPECT_EQ(content.count("\r\n"), 111);
    EXPECT_TRUE(content.startsWith(
        (QString::number(unitTable('b')[1]) + ";" + QString::number(unitTable('m')[1]) + "\r\n").toLatin1()));
    for (int row = 0; row < 111; ++row)
        EXPECT_EQ(cell(row, 3) + ";" + cell(row, 4), before[row]) << row;
    EXPECT_EQ(find<QLabel>("lbl_TabQuelle")->text(), path);
    EXPECT_EQ(platform.saveDialogs.at(0).filter, IgnitionTab::kFileFilter);
    EXPECT_EQ(platform.saveDialogs.at(0).defaultExtension, u("vmz"));
}

TEST_F(RacingWindowTest, File_ATableNeverRead_IsSavedAsEmptyLines)
{
    connectUnit(k111);
    QTemporaryDir files;
    const QString path = files.filePath("leer.vmz");
    platform.saveAnswers.push_back(path);
    run({ [&] { button("cmdDiskSave")->click(); } });
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray(";\r\n").repeated(111));
}

struct CrossCase {
    const char* profile;
    QByteArray line;
    int lines;
    QString cylinder2Row0;
    QString countNotice;
};

class CrossSchemeLoad : public RacingWindowTest, public ::testing::WithParamInterface<CrossCase> { };

TEST_P(CrossSchemeLoad, WarnsOnceAndTakesCylinder1)
{
    connectUnit(GetParam().profile);
    QTemporaryDir files;
    QFile file(files.filePath("other.vmz"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(GetParam().line.repeated(GetParam().lines));
    file.close();
    platform.openAnswers.push_back(file.fileName());
    run({ [&] { button("cmdLoadDisk")->click(); } });
    ASSERT_EQ(platform.boxTexts().size(), 3);
    EXPECT_EQ(platform.boxTexts().mid(0, 2),
        (QStringList { IgnitionTab::kMaybeIncompatible, IgnitionTab::kCylinder1ForBoth }));
    EXPECT_EQ(platform.boxes.at(0).title, u("ACHTUNG"));
    EXPECT_EQ(platform.boxes.at(1).title, u("Hinweis"));
    // The other scheme's band count: the line count notice follows.
    EXPECT_TRUE(platform.boxTexts().at(2).startsWith(GetParam().countNotice))
        << platform.boxTexts().at(2).toStdString();

    EXPECT_EQ(cell(0, 3), u("57"));
    EXPECT_EQ(cell(0, 4), GetParam().cylinder2Row0);
    EXPECT_EQ(cell(75, 3), u("57"));
}

INSTANTIATE_TEST_SUITE_P(Files, CrossSchemeLoad,
    ::testing::Values(
        CrossCase { k111, "57\r\n", 76, u("57"),
            u("Die Datei enthält 76 Zeilen, die Zündwinkeltabelle des Steuergeräts hat 111 Drehzahlbereiche.") },
        CrossCase { k76, "57;60\r\n", 111, u("57"),
            u("Die Datei enthält 111 Zeilen, die Zündwinkeltabelle des Steuergeräts hat 76 Drehzahlbereiche.") }),

    [](const auto& info) { return testnames::clean(info.param.profile); });

// A missing line still loads as before (the later bands shift), but the user
// is told; a binary file's text is quoted short and printable.
TEST_F(RacingWindowTest, File_AMissingLineOrABinaryFile_IsToldInOneReadableBox)
{
    connectUnit(k111);
    QTemporaryDir files;
    QFile missing(files.filePath("missing.vmz"));
    ASSERT_TRUE(missing.open(QIODevice::WriteOnly));
    for (int row = 0; row < 111; ++row)
        if (row != 40)
            missing.write(QByteArray::number(row) + ";" + QByteArray::number(row) + "\r\n");
    missing.close();
    QFile binary(files.filePath("binary.vmz"));
    ASSERT_TRUE(binary.open(QIODevice::WriteOnly));
    QByteArray garbage;
    for (int i = 0; i < 3000; ++i)
        garbage += char(i % 256 == 10 || i % 256 == 13 ? 0 : i % 256);
    binary.write(garbage + "\r\n");
    binary.close();
    platform.openAnswers.push_back(missing.fileName());
    platform.openAnswers.push_back(binary.fileName());
    run({ [&] {
             button("cmdLoadDisk")->click();
             EXPECT_EQ(cell(40, 3), u("41"));
             EXPECT_EQ(cell(109, 3), u("110"));
             EXPECT_EQ(cell(110, 3), QString());
             ASSERT_EQ(platform.boxes.size(), 1u);
             EXPECT_EQ(platform.boxes.at(0).title, u("Hinweis"));
             EXPECT_EQ(platform.boxes.at(0).icon, Platform::Icon::Information);
             EXPECT_TRUE(
                 platform.boxes.at(0).text.startsWith(u("Die Datei enthält 110 Zeilen, die Zündwinkeltabelle des "
                                                        "Steuergeräts hat 111 Drehzahlbereiche.")));
         },
        [&] {
            platform.boxes.clear();
            button("cmdLoadDisk")->click();
            button("cmdWriteZwTab")->click();
        } });
    EXPECT_TRUE(sim->received().empty());
    // The one line splits at its ";" (byte 59): the line count, then the
    // refused write quoting the first 40 of the 59 bytes before it.
    ASSERT_EQ(platform.boxes.size(), 2u);
    EXPECT_TRUE(platform.boxes.at(0).text.startsWith(u("Die Datei enthält 1 Zeile,")));
    const QString refused = platform.boxes.back().text;
    EXPECT_TRUE(refused.startsWith(u("Der Wert \"") + QString(32, u'?') + u(" !\"#$%&'") + QChar(0x2026)
        + u("\" im Drehzahlbereich 0-50 U/min, Zylinder 1 ist kein")))
        << refused.toStdString();
}

// --- Opening -----------------------------------------------------------------

TEST_F(RacingWindowTest, Opening_Firmware1816_DisablesOffsetAndExtrasWithTheNoticeOnce)
{
    connectUnit("ignition-fw1816-racing");
    session.setWarnings(0);
    run({});
    EXPECT_EQ(platform.boxTexts().count(FrmROptionen::kOffsetNotice), 1);
    EXPECT_FALSE(window->tabAvailable(FrmROptionen::Extras));
    EXPECT_FALSE(window->tabAvailable(FrmROptionen::Injection));
    EXPECT_TRUE(window->tabAvailable(FrmROptionen::Ignition));
    for (const auto& box : platform.boxes)
        EXPECT_EQ(box.title, u("Hinweis"));
}

struct CapabilityCase {
    const char* profile;
    int minor; // -1: the profile's own firmware
    const char* available; // per tab: 1 offered, 0 left out
    QStringList notices;
};

// Every racing unit the simulator knows opens the window in full: every read
// answered and valid, no box, the bar at rest, and each tab the unit is
// offered enabled with its page.
class EveryRacingUnit : public RacingWindowTest, public ::testing::WithParamInterface<QString> { };

TEST_P(EveryRacingUnit, OpensWithEveryOfferedTab)
{
    connectUnit(*simprofiles::find(GetParam()));
    run({});
    ASSERT_TRUE(window->opened());
    EXPECT_EQ(platform.boxTexts(), QStringList());
    EXPECT_EQ(find<QProgressBar>("pgBComPos")->value(), RacingContext::kProgressMin);
    auto* tabs = find<QTabWidget>("SSTab1");
    for (int tab = 0; tab < FrmROptionen::TabCount; ++tab)
        EXPECT_EQ(tabs->isTabEnabled(tab), window->tabAvailable(tab)) << tabs->tabText(tab).toStdString();
}

QStringList racingProfiles()
{
    QStringList out;
    for (const QString& name : simprofiles::names()) {
        const SimProfile& p = *simprofiles::find(name);
        UnitIdentity unit;
        unit.setFirmware(p.firmware);
        unit.setUnitType(p.unitType);
        if (gates::racingVariant(unit))
            out << name;
    }
    return out;
}

INSTANTIATE_TEST_SUITE_P(Units, EveryRacingUnit, ::testing::ValuesIn(racingProfiles()),
    [](const auto& info) { return testnames::clean(info.param.toStdString()); });

class Capabilities : public RacingWindowTest, public ::testing::WithParamInterface<CapabilityCase> { };

TEST_P(Capabilities, TabsAndNotices)
{
    SimProfile profile = *simprofiles::find(QString::fromLatin1(GetParam().profile));
    if (GetParam().minor >= 0) {
        profile.minor = GetParam().minor;
        profile.firmware = simprofiles::firmwareText(profile.major, profile.minor);
    }
    connectUnit(profile);
    session.setWarnings(0);
    run({});
    QString available;
    for (int tab = 0; tab < FrmROptionen::TabCount; ++tab)
        available += window->tabAvailable(tab) ? u("1") : u("0");
    EXPECT_EQ(available, QString::fromLatin1(GetParam().available));
    EXPECT_EQ(platform.boxTexts(), GetParam().notices);
    EXPECT_EQ(find<QProgressBar>("pgBComPos")->value(), RacingContext::kProgressMin)
        << "the bar rests after opening";
}

INSTANTIATE_TEST_SUITE_P(Units, Capabilities,
    ::testing::Values(CapabilityCase { "injection-rx4-racing", -1, "111111", {} },
        CapabilityCase { "injection-fw2520-racing", -1, "111111", {} },
        CapabilityCase { "injection-fw2520-racing", 450, "111110", {} },
        CapabilityCase { k111, -1, "110100", { FrmROptionen::kInjectionNotice } },
        CapabilityCase { k76, -1, "110100", { FrmROptionen::kDwellNotice, FrmROptionen::kInjectionNotice } },
        CapabilityCase { "ignition-fw1816-racing", -1, "110000",
            { FrmROptionen::kOffsetNotice, FrmROptionen::kInjectionNotice } }),
    [](const auto& info) {
        return testnames::clean(info.param.profile)
            + (info.param.minor >= 0 ? "_minor" + std::to_string(info.param.minor) : "");
    });

TEST_F(RacingWindowTest, Opening_WithWarningsOff_ShowsNoNotice)
{
    connectUnit("ignition-fw1816-racing");
    session.setWarnings(1);
    run({});
    EXPECT_TRUE(platform.boxTexts().isEmpty()) << platform.boxTexts().join("|").toStdString();
}

TEST_F(RacingWindowTest, Opening_LinkLostDuringTheReads_ClosesBeforeTheWindowIsShown)
{
    TimeScale fast(0.05);
    connectUnit("injection-rx4-racing");
    sim->faults().dropAfter = 3;
    window = std::make_unique<FrmROptionen>(session);
    bool shown = false;
    struct ShowSpy : QObject {
        bool* shown;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Show)
                *shown = true;
            return false;
        }
    } spy;
    spy.shown = &shown;
    window->installEventFilter(&spy);
    QElapsedTimer clock;
    clock.start();
    window->exec();
    EXPECT_FALSE(shown);
    EXPECT_FALSE(window->opened());
    EXPECT_TRUE(link.timedOut());
    EXPECT_LT(clock.elapsed(), 3000);
}

// --- Leaving, help, tabs ------------------------------------------------------

enum class Leave { Button, CloseBox, Escape };

struct ExitCase {
    const char* name;
    Leave how;
    bool modified;
    std::optional<Platform::Answer> answer;
    bool closes;
};

class ExitQuestion : public RacingWindowTest, public ::testing::WithParamInterface<ExitCase> { };

TEST_P(ExitQuestion, AskedOnlyAfterAHandEdit)
{
    connectUnit(k76);
    if (GetParam().answer)
        platform.answers.push_back(*GetParam().answer);
    window = std::make_unique<FrmROptionen>(session);
    bool done = false;
    bool closedByExit = false;
    EXPECT_TRUE(runModal(*window, [&] {
        if (!window->opened() || window->busy() || QApplication::activeModalWidget() != window.get())
            return;
        if (done) {
            window->done(0);
            return;
        }
        done = true;
        if (GetParam().modified)
            button("cmdCopytoTable")->click();
        switch (GetParam().how) {
        case Leave::Button:
            button("cmdExit")->click();
            break;
        case Leave::CloseBox:
            window->close();
            break;
        case Leave::Escape:
            QTest::keyClick(window.get(), Qt::Key_Escape);
            break;
        }
        closedByExit = !window->isVisible();
    }));
    EXPECT_EQ(closedByExit, GetParam().closes);
    EXPECT_EQ(platform.boxTexts().count(FrmROptionen::kExitQuestion), GetParam().modified ? 1 : 0);
    if (GetParam().modified) {
        EXPECT_EQ(platform.boxes.back().title, u("Achtung"));
        EXPECT_EQ(platform.boxes.back().icon, Platform::Icon::Question);
        EXPECT_EQ(platform.boxes.back().buttons, Platform::Buttons::YesNo);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ExitQuestion,
    ::testing::Values(ExitCase { "unchanged", Leave::Button, false, std::nullopt, true },
        ExitCase { "edited_yes", Leave::Button, true, Platform::Answer::Yes, true },
        ExitCase { "edited_no", Leave::Button, true, Platform::Answer::No, false },
        ExitCase { "closeBox_edited_no", Leave::CloseBox, true, Platform::Answer::No, false },
        ExitCase { "closeBox_unchanged", Leave::CloseBox, false, std::nullopt, true },
        ExitCase { "escape_edited_yes", Leave::Escape, true, Platform::Answer::Yes, true }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RacingWindowTest, F1_OpensTheTopicOfTheShownTab)
{
    connectUnit(k111);
    const QStringList topics { u("r_optionen_ignitiontable.html"), u("r_optionen_switching.html"),
        u("r_optionen_injection.html"), u("r_optionen_zusatz.html"), u("r_optionen_Choke.html"),
        u("r_optionen_lastwechsel.html") };
    run({ [&] {
        auto* tabs = find<QTabWidget>("SSTab1");
        for (int i = 0; i < 6; ++i) {
            tabs->setCurrentIndex(i);
            QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
            QApplication::sendEvent(grid(), &press);
        }
        tabs->setCurrentIndex(0);
    } });
    EXPECT_EQ(platform.helpTopics, topics);
}

TEST_F(RacingWindowTest, SourceLabel_FollowsTheTab)
{
    connectUnit(k111);
    run({ [&] {
        auto* tabs = find<QTabWidget>("SSTab1");
        EXPECT_EQ(find<QLabel>("txtTSLabel")->text(), u("ZW-Tabelle:"));
        EXPECT_EQ(find<QLabel>("lbl_TabQuelle")->text(), u("Nicht geladen!"));
        tabs->setCurrentIndex(2);
        EXPECT_EQ(find<QLabel>("lbl_TabQuelle")->text(), RacingTab::kNotLoaded);
        EXPECT_EQ(find<QLabel>("txtTSLabel")->text(), u("LA-Tabelle:"));
        tabs->setCurrentIndex(3);
        EXPECT_EQ(find<QLabel>("txtTSLabel")->text(), QString());
        EXPECT_EQ(find<QLabel>("lbl_TabQuelle")->text(), QString());
        tabs->setCurrentIndex(0);
    } });
}

TEST_F(RacingWindowTest, CtrlTab_ChangesTheTabEvenFromTheGrid)
{
    connectUnit(k111);
    run({ [&] {
        auto* tabs = find<QTabWidget>("SSTab1");
        QApplication::setActiveWindow(window.get());
        grid()->setFocus();
        QTest::keyClick(grid(), Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(tabs->currentIndex(), FrmROptionen::Switching);
        QTest::keyClick(tabs->currentWidget(), Qt::Key_PageDown, Qt::ControlModifier);
        EXPECT_EQ(tabs->currentIndex(), FrmROptionen::Extras);
        tabs->setCurrentIndex(FrmROptionen::Ignition);
        grid()->setFocus();
        QTest::keyClick(grid(), Qt::Key_PageUp, Qt::ControlModifier);
        EXPECT_EQ(tabs->currentIndex(), FrmROptionen::Extras);
        tabs->setCurrentIndex(FrmROptionen::Ignition);
    } });
}

TEST_F(RacingWindowTest, Injection_CtrlTabLeavesTheLambdaGridAndItsEditor)
{
    connectUnit("injection-rx4-racing");
    run({ [&] {
        auto* tabs = find<QTabWidget>("SSTab1");
        auto* lambdaGrid = find<QTableWidget>("msfgEV");
        QApplication::setActiveWindow(window.get());
        tabs->setCurrentIndex(FrmROptionen::Injection);
        lambdaGrid->setFocus();
        QTest::keyClick(lambdaGrid, Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_EQ(tabs->currentIndex(), FrmROptionen::Extras);
        tabs->setCurrentIndex(FrmROptionen::Injection);
        lambdaGrid->setFocus();
        QTest::keyClick(lambdaGrid, '1');
        QWidget* editor = QApplication::focusWidget();
        ASSERT_NE(editor, lambdaGrid);
        QTest::keyClick(editor, Qt::Key_PageDown, Qt::ControlModifier);
        EXPECT_EQ(tabs->currentIndex(), FrmROptionen::Extras);
        tabs->setCurrentIndex(FrmROptionen::Ignition);
    } });
    EXPECT_TRUE(find<QWidget>("optEVK2")->isEnabled());
}

TEST_F(RacingWindowTest, Injection_OlderFirmwareKeepsMap1)
{
    connectUnit("injection-fw2450");
    run({});
    EXPECT_FALSE(find<QWidget>("grEvKfSel")->isEnabled());
    EXPECT_FALSE(find<QWidget>("optEVK2")->isEnabled());
}

// --- Additional functions ------------------------------------------------------

TEST_F(RacingWindowTest, Extras_WritingLeadAngle20_ShiftsTheLimitLabelsButNotTheGrid)
{
    TimeScale fast(0.05);
    connectUnit(k111, 0);
    sim->memory().tables['b'][1] = 100;
    QString gridBefore;
    run({ [&] { button("cmdReadZwTab")->click(); },
        [&] {
            gridBefore = cell(0, 1);
            platform.boxes.clear();
            find<QTabWidget>("SSTab1")->setCurrentIndex(FrmROptionen::Extras);
            find<QSpinBox>("udVHWinkel")->setValue(20);
            button("cmd_WriteZusatz2")->click();
        } });
    EXPECT_EQ(sim->memory().parameters[simcodes::kAngleOffset], 20);
    EXPECT_EQ(session.leadAngle(), 20);
    // (382 - 20 - 255) / 10 and (382 - 20) / 10.
    EXPECT_EQ(find<QLabel>("txtMinZw")->text(), u("10,7"));
    EXPECT_EQ(find<QLabel>("txtMaxZw")->text(), u("36,2"));
    EXPECT_EQ(cell(0, 1), gridBefore);
    EXPECT_EQ(platform.boxTexts(), QStringList { boxes::kTransferComplete });
}

TEST_F(RacingWindowTest, Extras_EveryControlHasItsOwnAltLetter)
{
    connectUnit(k111);
    run({ [&] {
        QWidget* page = find<QTabWidget>("SSTab1")->widget(FrmROptionen::Extras);
        QStringList texts { button("cmdExit")->text() };
        for (const QLabel* l : page->findChildren<QLabel*>()) {
            if (l->text().contains(u'&')) {
                EXPECT_NE(l->buddy(), nullptr) << l->objectName().toStdString();
                texts.append(l->text());
            }
        }
        for (const QPushButton* b : page->findChildren<QPushButton*>())
            texts.append(b->text());
        QSet<QChar> letters;
        for (const QString& text : texts) {
            const QChar letter = text.at(text.indexOf(u'&') + 1).toLower();
            EXPECT_FALSE(letters.contains(letter)) << text.toStdString();
            letters.insert(letter);
        }
        EXPECT_EQ(letters.size(), 12);
    } });
}

// --- Pacing ------------------------------------------------------------------

std::vector<qint64> gapsBetweenReads(const EcuSim& sim, char code)
{
    std::vector<qint64> gaps;
    qint64 last = -1;
    for (const ReceivedFrame& f : sim.receivedLog()) {
        if (f.frame.isEmpty() || f.frame[0] != code)
            continue;
        if (last >= 0)
            gaps.push_back(f.atMs - last);
        last = f.atMs;
    }
    return gaps;
}

TEST_F(RacingWindowTest, Pacing_OneTickOf20MsBeforeEachAddress)
{
    connectUnit(k111);
    run({ [&] { button("cmdReadZwTab")->click(); } });
    const std::vector<qint64> gaps = gapsBetweenReads(*sim, 'b');
    ASSERT_EQ(gaps.size(), 110u);
    EXPECT_GE(*std::min_element(gaps.begin(), gaps.end()), 19);
    // One timer period, not a coarse or growing one (the median stays clear
    // of a busy machine's outliers).
    std::vector<qint64> sorted = gaps;
    std::nth_element(sorted.begin(), sorted.begin() + 55, sorted.end());
    EXPECT_LE(sorted[55], 23);
}

TEST_F(RacingWindowTest, Pacing_OldFirmwareReads76BandsAt250MsAndKeepsItForTheWrite)
{
    TimeScale fast(0.1); // 250 ms become 25, 20 ms become 2
    connectUnit(k76);
    std::vector<qint64> readGaps;
    run({ [&] { button("cmdReadZwTab")->click(); },
            [&] {
                readGaps = gapsBetweenReads(*sim, 'b');
                sim->clearReceived();
                button("cmdWriteZwTab")->click();
            } },
        60000);
    const std::vector<qint64> writeGaps = gapsBetweenReads(*sim, 'a');
    ASSERT_EQ(readGaps.size(), 109u);
    ASSERT_EQ(writeGaps.size(), 75u);
    EXPECT_GE(*std::min_element(readGaps.begin(), readGaps.end()), 24);
    EXPECT_GE(*std::min_element(writeGaps.begin(), writeGaps.end()), 24);
}

} // namespace
