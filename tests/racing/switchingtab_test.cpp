#include "core/identity.h"
#include "racing/switchingmodel.h"
#include "racing/tabtest.h"
#include "shell/kit/boxes.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>

namespace {

using Frames = std::vector<QByteArray>;

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

constexpr const char* kDone = "Datenübertragung vollständig";
constexpr int kNoBox = -1;

class SwitchingTest : public TabTest {
protected:
    void connect(const SimProfile& unit)
    {
        connectWithBar(unit);
        QObject::connect(&bar, &QProgressBar::valueChanged, [this](int v) { progress.push_back(v); });
    }
    SwitchingTab& tab() { return tabs->switching; }
    // The tab's part of the window's opening; the bar rests afterwards.
    void open()
    {
        ASSERT_TRUE(tab().readSwitching());
        ASSERT_TRUE(tab().readInput2Enrichment());
        context->setProgress(RacingContext::kProgressMin);
    }
    QComboBox* combo(const char* name) { return control<QComboBox>(tab(), name); }
    QSlider* slider(const char* name) { return control<QSlider>(tab(), name); }
    void choose(const char* name, const char* text)
    {
        QComboBox* box = combo(name);
        const int index = box->findText(u(text));
        ASSERT_GE(index, 0) << text;
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    void press(const char* name)
    {
        sim->clearReceived();
        progress.clear();
        control<QPushButton>(tab(), name)->click();
    }

    std::vector<int> progress;
};

// --- read ------------------------------------------------------------------------

TEST_F(SwitchingTest, ReadButton_ReadsEveryValueAndEndsWithTheCompletionBox)
{
    connect(unitWith('Z', 2, 2, 313)); // period thresholds, input 1 table selection offered
    UnitMemory& m = sim->memory();
    m.switching = { 2, 0, 0, 0, 0, 3, 2, 88, 0, 16 };
    m.parameters['~'] = 255;
    m.parameters['\\'] = 0;

    press("cmdLesen");

    EXPECT_EQ(sim->received(), (Frames { "j00?", "~00?", "\\00?" }));
    EXPECT_EQ(combo("cmbS1Akt")->currentText(), u("2-Takt DZM"));
    EXPECT_EQ(combo("cmbS2Akt")->currentText(), u("Ein-Aus-Ein"));
    EXPECT_EQ(slider("SliderN21")->value(), 235);
    EXPECT_EQ(slider("SliderN22")->value(), 819);
    EXPECT_EQ(control<QLabel>(tab(), "lblNS21")->text(), u("277"));
    EXPECT_EQ(control<QLabel>(tab(), "lblNS22")->text(), u("10416"));
    EXPECT_TRUE(slider("SliderN22")->isEnabled());
    // The standard sensor position of 38,2 degrees: the latest angle is 12,7 degrees.
    EXPECT_EQ(control<QLabel>(tab(), "lblZwOffset")->text(), u("auf 12,7 Grad vor OT"));
    EXPECT_EQ(combo("cmbSIFkt")->currentText(), u("Tabellenauswahl"));
    EXPECT_FALSE(slider("sldZwOffset")->isEnabled());
    EXPECT_EQ(boxTexts(), QStringList { u(kDone) });
    EXPECT_EQ(progress, (std::vector<int> { 110, 1 }));
}

TEST_F(SwitchingTest, Read_CodesWithoutListTextShowUnbekannt)
{
    connect(unitWith('Z', 2, 4, 12));
    sim->memory().switching = { 7, 0, 0, 0, 0, 7, 40, 0, 60, 0 };
    press("cmdLesen");
    EXPECT_EQ(combo("cmbS1Akt")->currentText(), u("Unbekannt"));
    EXPECT_EQ(combo("cmbS2Akt")->currentText(), u("Unbekannt"));

    // "BZA" is offered on injection units only; an ignition unit that holds
    // it shows it by name and writes it back unchanged.
    sim->memory().switching = { 8, 0, 0, 0, 0, 0, 40, 0, 60, 0 };
    press("cmdLesen");
    EXPECT_EQ(combo("cmbS1Akt")->currentText(), u("BZA"));
    press("cmdSchreiben");
    EXPECT_EQ(sim->received().front(), of({ 'u', 8, '0', '?' }));

    // A later read of known codes takes "Unbekannt" out of the lists again.
    sim->memory().switching = { 4, 0, 0, 0, 0, 255, 40, 0, 60, 0 };
    press("cmdLesen");
    EXPECT_EQ(combo("cmbS1Akt")->findText(u("Unbekannt")), -1);
    EXPECT_EQ(combo("cmbS2Akt")->currentText(), u("Deaktiviert"));
    EXPECT_FALSE(slider("SliderN21")->isEnabled());
    EXPECT_FALSE(slider("SliderN22")->isEnabled());
}

TEST_F(SwitchingTest, Read_ErasedThresholdsAreNamedBeforeAWriteCouldStoreTheClampedSpeed)
{
    connect(unitWith('Z', 2, 4, 12)); // band-index thresholds, 0-108 and up to 110
    sim->memory().switching = { 4, 0, 0, 0, 0, 2, 255, 255, 255, 255 };
    press("cmdLesen");
    EXPECT_EQ(slider("SliderN21")->value(), 108);
    EXPECT_EQ(slider("SliderN22")->value(), 110);
    EXPECT_EQ(boxTexts(),
        (QStringList {
            SwitchingTab::kThresholdOutOfRange.arg(1), SwitchingTab::kThresholdOutOfRange.arg(2), u(kDone) }));
}

// A new simulated unit holds codes and thresholds the tab shows as they are.
TEST(SwitchingSimulator, EveryProfileHoldsAPlausibleBlock)
{
    for (const QString& name : simprofiles::names()) {
        EcuSim sim(name);
        UnitIdentity unit;
        unit.setFirmware(sim.profile().firmware);
        unit.setUnitType(sim.profile().unitType);
        const switching::Generation g = switching::generation(unit);
        const std::optional<switching::Block> block = switching::decodeBlock(sim.feed("j00?"), g);
        ASSERT_TRUE(block) << name.toStdString();
        EXPECT_NE(switching::modeText(switching::output1Modes(unit.injectionLine()), block->output1Mode),
            switching::kUnknown);
        EXPECT_NE(switching::modeText(switching::output2Modes(), block->output2Mode), switching::kUnknown);
        const switching::Range r1 = switching::threshold1Range(g);
        const switching::Range r2 = switching::threshold2Range(g, block->threshold1);
        EXPECT_TRUE(block->threshold1 >= r1.min && block->threshold1 <= r1.max) << name.toStdString();
        EXPECT_TRUE(block->threshold2 >= r2.min && block->threshold2 <= r2.max) << name.toStdString();
    }
}

// --- controls --------------------------------------------------------------------

TEST_F(SwitchingTest, Controls_FollowModeFunctionAndThresholdOne)
{
    connect(unitWith('E', 2, 4, 12));
    choose("cmbS2Akt", "Ein-Aus-Ein");
    EXPECT_TRUE(slider("SliderN21")->isEnabled());
    EXPECT_TRUE(slider("SliderN22")->isEnabled());
    choose("cmbS2Akt", "Zusatzluft bei Warmlauf");
    EXPECT_TRUE(slider("SliderN22")->isEnabled());
    choose("cmbS2Akt", "Ein");
    EXPECT_TRUE(slider("SliderN21")->isEnabled());
    EXPECT_FALSE(slider("SliderN22")->isEnabled());
    choose("cmbS2Akt", "Deaktiviert");
    EXPECT_FALSE(slider("SliderN21")->isEnabled());

    slider("SliderN22")->setValue(30);
    slider("SliderN21")->setValue(50);
    EXPECT_EQ(slider("SliderN22")->minimum(), 51);
    EXPECT_EQ(slider("SliderN22")->value(), 51);
    EXPECT_EQ(control<QLabel>(tab(), "lblNS22")->text(), u("4101"));

    choose("cmbS2Fkt", "Kennfeldauswahl");
    EXPECT_FALSE(slider("sldInjektOffset")->isEnabled());
    choose("cmbS2Fkt", "Offsetschalter");
    EXPECT_TRUE(slider("sldInjektOffset")->isEnabled());
    slider("sldInjektOffset")->setValue(5);
    EXPECT_EQ(control<QLabel>(tab(), "lblInjektOffset")->text(), u("+5 / 16"));
    slider("sldZwOffset")->setValue(30);
    EXPECT_EQ(control<QLabel>(tab(), "lblZwOffset")->text(), u("um 3 Grad KW"));
    EXPECT_TRUE(tab().mapSelectionOffered());
}

// --- write -----------------------------------------------------------------------

struct WriteFlowCase {
    const char* name;
    SimProfile unit;
    Frames frames;
    std::array<quint8, 10> stored; // the block the unit holds afterwards
};

// The tab as read from the simulator's new unit, then changed by the user.
const WriteFlowCase kWriteFlows[] = {
    { "band_index_injection", unitWith('E', 2, 4, 12),
        { of({ 'u', 8, '0', '?' }), of({ 'w', 2, '0', '?' }), of({ 'x', 41, '0', '?' }), of({ 'y', 60, '0', '?' }),
            of({ '~', 'w', 35, '?' }), of({ '\\', 'w', 255, '?' }), of({ 148, 'w', 0, '?' }),
            of({ 135, 'w', 3, '?' }) },
        { 8, 0, 0, 0, 0, 2, 41, '0', 60, '0' } },
    { "period_ignition", unitWith('Z', 2, 2, 313),
        { of({ 'u', 4, '0', '?' }), of({ 'w', 2, '0', '?' }), of({ 'x', 0, 54, '?' }), of({ 'y', 0, 33, '?' }),
            of({ '~', 'w', 35, '?' }), of({ '\\', 'w', 255, '?' }) },
        { 4, 0, 0, 0, 0, 2, 0, 54, 0, 33 } },
    { "fw_1_816_no_retard_no_input1", unitWith('Z', 2, 1, 816),
        { of({ 'u', 4, '0', '?' }), of({ 'w', 2, '0', '?' }), of({ 'x', 0, 54, '?' }), of({ 'y', 0, 33, '?' }) },
        { 4, 0, 0, 0, 0, 2, 0, 54, 0, 33 } },
};

class WriteFlow : public SwitchingTest, public ::testing::WithParamInterface<WriteFlowCase> { };

TEST_P(WriteFlow, SendsEveryValueInOrderWithProgress80Then110)
{
    const WriteFlowCase& c = GetParam();
    connect(c.unit);
    open();
    if (c.unit.line == 'E') {
        choose("cmbS1Akt", "BZA");
        choose("cmbS2Fkt", "Kennfeldauswahl");
    }
    choose("cmbS2Akt", "Aus-Ein-Aus");
    slider("SliderN21")->setValue(slider("SliderN21")->value() + 1);

    press("cmdSchreiben");

    EXPECT_EQ(sim->received(), c.frames);
    EXPECT_EQ(sim->memory().switching, c.stored);
    EXPECT_EQ(boxTexts(), QStringList { u(kDone) });
    EXPECT_EQ(progress, (std::vector<int> { 80, 110, 1 }));
}

INSTANTIATE_TEST_SUITE_P(Table, WriteFlow, ::testing::ValuesIn(kWriteFlows),
    [](const auto& info) { return testName(info.param.name); });

// The unit stores something else at one step: the box, nothing more is sent.
struct MismatchCase {
    const char* name;
    int code; // the command whose echo is wrong
    size_t sent; // requests sent up to and including it
    std::vector<int> progress;
};

const MismatchCase kMismatches[] = {
    { "output1_mode", 'u', 1, {} },
    { "output2_mode", 'w', 2, {} },
    { "threshold1", 'x', 3, { 80, 1 } },
    { "threshold2", 'y', 4, { 80, 1 } },
    { "input1_retard", '~', 5, { 80, 1 } },
    { "input1_function", '\\', 6, { 80, 110, 1 } },
    { "input2_function", 148, 7, { 80, 110, 1 } },
    { "input2_enrichment", 135, 8, { 80, 110, 1 } },
};

class WriteMismatch : public SwitchingTest, public ::testing::WithParamInterface<MismatchCase> { };

TEST_P(WriteMismatch, StopsWithTransferError)
{
    const MismatchCase& c = GetParam();
    connect(unitWith('E', 2, 4, 12));
    open();
    sim->setHandler(
        c.code, 4,
        [stored = sim->handler(c.code)](const QByteArray& frame, qint64 now) {
            QByteArray reply = stored(frame, now);
            reply[reply.size() - 1] = static_cast<char>(reply.back() ^ 1);
            return reply;
        },
        [](const QByteArray&) { return true; });

    press("cmdSchreiben");

    EXPECT_EQ(sim->received().size(), c.sent);
    EXPECT_EQ(static_cast<quint8>(sim->received().back().at(0)), c.code);
    EXPECT_EQ(boxTexts(), QStringList { u("Übertragungsfehler") });
    EXPECT_EQ(progress, c.progress);
    EXPECT_EQ(bar.value(), RacingContext::kProgressMin);
    EXPECT_FALSE(context->lost());
}

INSTANTIATE_TEST_SUITE_P(Table, WriteMismatch, ::testing::ValuesIn(kMismatches),
    [](const auto& info) { return testName(info.param.name); });

TEST_F(SwitchingTest, Write_UnbekanntIsRefusedBeforeAnythingIsSent)
{
    connect(unitWith('E', 2, 4, 12));
    sim->memory().switching = { 4, 0, 0, 0, 0, 9, 40, 0, 60, 0 };
    open();
    press("cmdSchreiben");
    EXPECT_TRUE(sim->received().empty());
    EXPECT_EQ(boxTexts(), QStringList { SwitchingTab::kUnknownModeRefused.arg(2) });
    EXPECT_TRUE(progress.empty());
}

// --- a unit that falls silent ----------------------------------------------------

struct SilentButtonCase {
    const char* name;
    const char* button;
    int answered;
};

const SilentButtonCase kSilent[] = {
    { "read_block", "cmdLesen", 0 },
    { "read_input1_function", "cmdLesen", 2 },
    { "read_input2_function", "cmdLesen", 3 },
    { "write_output1", "cmdSchreiben", 0 },
    { "write_threshold2", "cmdSchreiben", 3 },
    { "write_enrichment", "cmdSchreiben", 7 },
};

class SwitchingSilent : public SwitchingTest, public ::testing::WithParamInterface<SilentButtonCase> { };

TEST_P(SwitchingSilent, EndsAtTheSilentRequestWithoutABox)
{
    const SilentButtonCase& c = GetParam();
    connect(unitWith('E', 2, 4, 12));
    open();
    expectEndsAtOnce(c.answered, [&] { press(c.button); });
}

INSTANTIATE_TEST_SUITE_P(Table, SwitchingSilent, ::testing::ValuesIn(kSilent),
    [](const auto& info) { return testName(info.param.name); });

} // namespace
