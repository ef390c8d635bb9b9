#include "racing/parametertransfer.h"
#include "racing/tabtest.h"
#include "shell/kit/boxes.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>

#include <set>

namespace {

using Frames = std::vector<QByteArray>;

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

Frames reads(std::initializer_list<int> indexes)
{
    Frames out;
    for (int index : indexes)
        out.push_back(of({ 131, index, '0', '?' }));
    return out;
}

// The read button: warm-up coldest band first, cranking, warm-up end, hot start.
const Frames kReadAll
    = reads({ 5, 4, 3, 2, 1, 0, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26 });

// The write of the values openAndSet() puts on the page.
const Frames kWriteAll {
    of({ 130, 6, 10, '?' }), of({ 130, 7, 11, '?' }), of({ 130, 8, 12, '?' }), // cranking
    of({ 130, 9, 13, '?' }), of({ 130, 10, 14, '?' }), of({ 130, 11, 250, '?' }), of({ 130, 5, 64, '?' }),
    of({ 130, 4, 5, '?' }), of({ 130, 3, 4, '?' }), // warm-up, coldest first
    of({ 130, 2, 3, '?' }), of({ 130, 1, 2, '?' }), of({ 130, 0, 1, '?' }), of({ 130, 12, 34, '?' }),
    of({ 130, 13, 0, '?' }), // warm-up end 40 in band 0
    of({ 130, 14, 40, '?' }), of({ 130, 15, 0, '?' }), // 42 in band 1
    of({ 130, 16, 42, '?' }), of({ 130, 17, 1, '?' }), // 300 in band 2: count 298
    of({ 130, 18, 0, '?' }), of({ 130, 19, 0, '?' }), // 0 in band 3
    of({ 130, 20, 17, '?' }), of({ 130, 21, 0, '?' }), // 20 in band 4
    of({ 130, 22, 2, '?' }), of({ 130, 23, 0, '?' }), // 4 in band 5
    of({ 130, 24, 0x43, '?' }), of({ 130, 25, 1, '?' }), // hot start 700: count 323
    of({ 130, 26, 253, '?' }), // hot-start enrichment -3
};

class ChokeFlow : public TabTest {
protected:
    template <typename W = QSpinBox> W* find(const char* name) const { return control<W>(tabs->choke, name); }
    template <typename W = QSpinBox> W* find(const QString& name) const
    {
        return find<W>(name.toLatin1().constData());
    }
    QString shown(const char* name) const { return find<QLineEdit>(name)->text(); }

    // Opens the tab as the window does and sets every control for kWriteAll
    // with the keys' own step: the up-down's value.
    void openAndSet()
    {
        ASSERT_TRUE(tabs->choke.readOnOpening());
        ASSERT_TRUE(tabs->choke.readHotStart());
        const int warmUp[] = { 1, 2, 3, 4, 5, 64 }; // by band
        const int warmUpEnd[] = { 40, 42, 300, 0, 20, 4 };
        for (int band = 0; band < 6; ++band) {
            find(QStringLiteral("udEChoke%1").arg(6 - band))->setValue(warmUp[band]);
            find(QStringLiteral("udStartChoke%1").arg(band + 1))->setValue(band == 5 ? 250 : 10 + band);
            find(QStringLiteral("UpEchokeExitTemp%1").arg(band + 1))->setValue(warmUpEnd[band]);
        }
        find("udEchokeHeissStartTemp")->setValue(700);
        find("udEChokeHeissFaktor")->setValue(-3);
        sim->clearReceived();
        platform.boxes.clear();
    }
};

TEST_F(ChokeFlow, Page_EveryControlByItsNameWithItsBandAndUniqueKeys)
{
    connectWithBar();
    EXPECT_TRUE(tabs->choke.hasPage());
    for (const char* frame : { "frmEChoke", "Frame4", "Frame5", "Frame9" })
        EXPECT_FALSE(find<QGroupBox>(frame)->toolTip().isEmpty()) << frame;
    // Band 3 is the fourth label of each group, trailing blank and all.
    for (const char* frame : { "frmEChoke", "Frame4", "Frame5" }) {
        const QList<QLabel*> labels = find<QGroupBox>(frame)->findChildren<QLabel*>();
        ASSERT_EQ(labels.size(), 6) << frame;
        EXPECT_EQ(labels[3]->text(), u("0 bis 10° C ")) << frame;
    }
    for (int n = 1; n <= 6; ++n)
        for (const char* name : { "EChoke", "StartChoke", "EchokeExitTemp" })
            EXPECT_TRUE(find<QLineEdit>(u("txt") + QString::fromLatin1(name) + QString::number(n)));
    EXPECT_EQ(find<QPushButton>("cmd_ReadEChoke")->text(), u("&Lesen"));
    EXPECT_EQ(find<QPushButton>("cmd_WriteEChoke")->text(), u("&Schreiben"));
    EXPECT_EQ(find("UpEchokeExitTemp1")->singleStep(), 2);
    EXPECT_EQ(find("udEChoke1")->maximum(), 64);
    EXPECT_EQ(find("udStartChoke1")->maximum(), 250);
    EXPECT_EQ(find("udEchokeHeissStartTemp")->minimum(), 700);
    EXPECT_EQ(find("udEChokeHeissFaktor")->minimum(), -16);

    // Alt letters: none twice, none the window's F, each label's with its control.
    std::set<QChar> letters { u'f' };
    const QRegularExpression mnemonic(QStringLiteral("&(\\w)"));
    const auto take = [&](const QString& text, const QString& who) {
        const QRegularExpressionMatch m = mnemonic.match(text);
        if (m.hasMatch()) {
            EXPECT_TRUE(letters.insert(m.captured(1).at(0).toLower()).second) << who.toStdString();
        }
    };
    for (QLabel* l : tabs->choke.findChildren<QLabel*>()) {
        take(l->text(), l->objectName());
        if (l->text().contains(QLatin1Char('&'))) {
            EXPECT_TRUE(l->buddy()) << l->objectName().toStdString();
        }
    }
    for (QGroupBox* g : tabs->choke.findChildren<QGroupBox*>())
        take(g->title(), g->objectName());
    for (QPushButton* b : tabs->choke.findChildren<QPushButton*>())
        take(b->text(), b->objectName());
    EXPECT_EQ(letters.size(), 9u); // F, three groups, two hot-start labels, three buttons
}

TEST_F(ChokeFlow, ReadButton_AsksEveryByteInOrderPacedAndShowsThem)
{
    TimeScale designIntervals(1.0);
    connectWithBar();
    auto& table = sim->memory().tables[131];
    table[3] = 7; // band 3 of the warm-up enrichment: udEChoke3
    table[6] = 9; // band 0 of cranking: udStartChoke1
    table[24] = 103;
    table[25] = 0;
    table[26] = 240;

    tabs->choke.readAll();

    EXPECT_EQ(sim->received(), kReadAll);
    // A pacing tick before every enrichment read after the first, none within the warm-up end.
    const auto& log = sim->receivedLog();
    for (int i = 1; i < 12; ++i)
        EXPECT_GE(log[i].atMs - log[i - 1].atMs, 19) << i;
    EXPECT_EQ(shown("txtEChoke3"), u("+ 7/16"));
    EXPECT_EQ(find("udEChoke3")->value(), 7);
    EXPECT_EQ(shown("txtEChoke6"), u("+ 2/16"));
    EXPECT_EQ(shown("txtStartChoke1"), u("+ 9/16"));
    EXPECT_EQ(shown("txtEchokeExitTemp1"), u("+ 4°"));
    EXPECT_EQ(shown("txtEchokeExitTemp6"), u("+ 5.7°"));
    EXPECT_EQ(find("udEchokeHeissStartTemp")->value(), 920);
    EXPECT_EQ(shown("txtEchokeHeissStartTemp"), u("+ 92.79°C"));
    EXPECT_EQ(shown("txtEChokeHeissFaktor"), u("-16/16"));
    EXPECT_EQ(boxTexts(), QStringList { boxes::kTransferComplete });
    EXPECT_EQ(bar.value(), RacingContext::kProgressMin);
}

TEST_F(ChokeFlow, WriteButton_SendsEveryByteInOrderAndTheUnitStoresThem)
{
    connectWithBar();
    openAndSet();
    // Where the opening disables the hot start, the buttons still transfer it.
    tabs->choke.disableHotStart();
    EXPECT_FALSE(find<QGroupBox>("Frame9")->isEnabled());

    tabs->choke.writeAll();

    EXPECT_EQ(sim->received(), kWriteAll);
    for (const QByteArray& frame : kWriteAll)
        EXPECT_EQ(sim->memory().tables[131][bytes::at(frame, 1)], bytes::at(frame, 2)) << bytes::at(frame, 1);
    EXPECT_EQ(boxTexts(), QStringList { u("Datenübertragung vollstaendig") });
    EXPECT_EQ(bar.value(), RacingContext::kProgressMin);

    // What was written reads back as it was set.
    sim->clearReceived();
    tabs->choke.readAll();
    EXPECT_EQ(shown("txtEchokeExitTemp3"), u("+ 30°"));
    EXPECT_EQ(shown("txtEchokeExitTemp6"), u("+0 .3°")); // 4 is no whole count in band 5
    EXPECT_EQ(find("udEChokeHeissFaktor")->value(), -3);
    EXPECT_EQ(find("udEchokeHeissStartTemp")->value(), 700);
}

TEST_F(ChokeFlow, HotStartNotReadOnOpening_IsWrittenOnlyAfterTheReadButton)
{
    // 2.533 does not read the hot start on opening: the page holds design values.
    connectWithBar(unitWith('E', 2, 2, 533));
    auto& table = sim->memory().tables[131];
    table[24] = 0x43;
    table[25] = 1;
    table[26] = 5;
    ASSERT_TRUE(tabs->choke.readOnOpening());
    tabs->choke.disableHotStart();
    sim->clearReceived();

    tabs->choke.writeAll();
    EXPECT_EQ(sim->received().size(), kWriteAll.size() - 3);
    EXPECT_EQ(table[24], 0x43);
    EXPECT_EQ(table[26], 5);

    tabs->choke.readAll();
    sim->clearReceived();
    tabs->choke.writeAll();
    EXPECT_EQ(Frames(sim->received().end() - 3, sim->received().end()),
        (Frames { of({ 130, 24, 0x43, '?' }), of({ 130, 25, 1, '?' }), of({ 130, 26, 5, '?' }) }));
}

TEST_F(ChokeFlow, NoUpdateMsg_ReadAndWriteShowNoBox)
{
    Settings values = settings.readAll();
    values.noUpdateMsg = 1;
    ASSERT_TRUE(settings.write(values));
    connectWithBar();
    openAndSet();
    tabs->choke.readAll();
    tabs->choke.writeAll();
    EXPECT_EQ(sim->received().size(), kReadAll.size() + kWriteAll.size());
    EXPECT_TRUE(platform.boxes.empty()) << boxTexts().join(u("|")).toStdString();
}

// A unit that stores something else: the write goes on, and instead of the
// completion box the end names what was not confirmed.
TEST_F(ChokeFlow, EchoMismatch_GoesOnAndEndsWithoutCompletionBox)
{
    connectWithBar();
    openAndSet();
    sim->setHandler(130, 4, [this](const QByteArray& frame, qint64) {
        const int index = bytes::at(frame, 1);
        sim->memory().tables[131][index] = static_cast<quint8>(bytes::at(frame, 2));
        return of({ index == 9 || index == 17 ? 99 : bytes::at(frame, 2) });
    });

    tabs->choke.writeAll();

    EXPECT_EQ(sim->received(), kWriteAll);
    const QString notConfirmed = ParameterTransfer::kNotConfirmed.arg(
        u("Zusatzanreicherung bei Kaltstart (0 bis 10° C), Warmlaufende (10 bis 20° C)"));
    EXPECT_EQ(boxTexts(), (QStringList { boxes::kTransferError, boxes::kTransferError, notConfirmed }));
    EXPECT_EQ(bar.value(), RacingContext::kProgressMin);
    EXPECT_FALSE(context->lost());
}

// A unit that falls silent within a button's transfer: the transfer ends at
// once, without a further request or box.
class ChokeSilent : public ChokeFlow, public ::testing::WithParamInterface<SilentCase> { };

TEST_P(ChokeSilent, EndsTheTransferAtOnce)
{
    const SilentCase& c = GetParam();
    connectWithBar();
    openAndSet();
    expectEndsAtOnce(c.answered, [&] { c.write ? tabs->choke.writeAll() : tabs->choke.readAll(); });
}

INSTANTIATE_TEST_SUITE_P(Table, ChokeSilent,
    ::testing::Values(SilentCase { "read_first", false, 0 }, SilentCase { "read_warm_up_end_high", false, 13 },
        SilentCase { "read_hot_start_enrichment", false, 26 }, SilentCase { "write_first", true, 0 },
        SilentCase { "write_warm_up_coldest", true, 6 }, SilentCase { "write_hot_start_enrichment", true, 26 }),
    [](const auto& info) { return testName(info.param.name); });

} // namespace
