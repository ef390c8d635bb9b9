#include "racing/parametertransfer.h"
#include "racing/tabtest.h"
#include "shell/kit/boxes.h"

#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QSpinBox>

namespace {

using Frames = std::vector<QByteArray>;

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

Frames readFrames()
{
    Frames f { of({ 136, 'r', '0', '?' }), of({ 137, 'r', '0', '?' }), of({ 138, 'r', '0', '?' }),
        of({ 139, 'r', '0', '?' }), of({ 147, '0', '0', '?' }), of({ 145, '0', '0', '?' }),
        of({ 133, '0', '0', '?' }), of({ 132, '0', '0', '?' }) };
    for (int band = 0; band < 6; ++band)
        f.push_back(of({ 150, band, '0', '?' }));
    return f;
}

// The write of the values openAndSet() chooses.
const Frames kWriteAll {
    of({ 136, 'w', 40, '?' }), of({ 137, 'w', 4, '?' }), of({ 138, 'w', 25, '?' }), of({ 139, 'w', 12, '?' }),
    of({ 146, 3, 32, '?' }), // 800
    of({ 145, 'w', 7, '?' }), of({ 133, 'w', 5, '?' }), of({ 132, 'w', 30, '?' }), of({ 149, 0, 2, '?' }),
    of({ 149, 1, 253, '?' }), // -3
    of({ 149, 2, 0, '?' }), of({ 149, 3, 0, '?' }), of({ 149, 4, 0, '?' }), of({ 149, 5, 128, '?' }), // -128
};

class LoadChangeFlow : public TabTest {
protected:
    template <typename W = QSpinBox> W* find(const QString& name) const
    {
        W* w = tabs->loadChange.findChild<W*>(name);
        EXPECT_TRUE(w) << name.toStdString();
        return w;
    }
    QString shown(const char* name) const { return find<QLineEdit>(QString::fromLatin1(name))->text(); }
    void set(const char* name, int value) { find(QString::fromLatin1(name))->setValue(value); }

    // Opens the tab as the window does and sets every control for kWriteAll.
    void openAndSet()
    {
        LoadChangeTab& t = tabs->loadChange;
        ASSERT_TRUE(t.readFirstParameters() && t.readOnOpening());
        set("udLastChokeSensivity", 40);
        set("udLastChokeFaktor", 4);
        set("udZwLastwechsel", 25);
        set("udLwDauer", 12);
        set("udMaxLWAirMass", 800);
        set("udSchubStartAbDAuer", 7);
        set("udSchubStartAbFaktor", 5);
        set("udSchubStartAbSense", 30);
        set("udWLA0", 2);
        set("udWLA1", -3);
        set("udWLA5", -128);
        sim->clearReceived();
        platform.boxes.clear();
    }
};

TEST_F(LoadChangeFlow, ReadButton_AsksEveryParameterInOrderAndShowsTheTexts)
{
    connectWithBar();
    UnitMemory& m = sim->memory();
    m.parameters[136] = 250;
    m.parameters[137] = 2;
    m.parameters[138] = 5;
    m.parameters[139] = 0;
    m.parameters[147] = 961; // 3, 193
    m.parameters[145] = 12;
    m.parameters[133] = 3;
    m.parameters[132] = 255;
    m.tables[150][1] = 253;
    m.tables[150][5] = 127;

    tabs->loadChange.readAll();

    EXPECT_EQ(sim->received(), readFrames());
    EXPECT_EQ(shown("txtLastChokeSense"), u(" 250"));
    EXPECT_EQ(shown("txtLastChokeFaktor"), u("+  2/16"));
    EXPECT_EQ(shown("txtZwLastwechsel"), u("+ 0 .5°"));
    EXPECT_EQ(shown("txtLwDauer"), u(" 0"));
    EXPECT_EQ(shown("txtMaxLWAirMass"), u("300,81"));
    EXPECT_EQ(shown("txtSchubStartAbDAuer"), u(" 12"));
    EXPECT_EQ(shown("txtSchubStartAbFaktor"), u("- 3/16"));
    EXPECT_EQ(shown("txtSchubStartAbSense"), u(" 255"));
    EXPECT_EQ(shown("txtWLA0"), u(" 0/16"));
    EXPECT_EQ(shown("txtWLA1"), u("-3/16"));
    EXPECT_EQ(shown("txtWLA5"), u(" 127/16"));
    EXPECT_EQ(find("udWLA1")->value(), -3);
    EXPECT_EQ(find("udMaxLWAirMass")->value(), 961);
    EXPECT_EQ(boxTexts(), QStringList { u("Datenübertragung vollstaendig") });
    EXPECT_EQ(bar.value(), RacingContext::kProgressMin);

    // The change handler writes the enrichment with one blank.
    set("udLastChokeFaktor", 3);
    EXPECT_EQ(shown("txtLastChokeFaktor"), u("+ 3/16"));
    set("udZwLastwechsel", 0);
    EXPECT_EQ(shown("txtZwLastwechsel"), u("+ 0.0°"));
}

// What "&Lesen" keeps of a stored value, and the box it shows.
struct ReadCheckCase {
    const char* name;
    int code; // 150: adaptation band 0
    int stored;
    const char* textBox;
    int kept;
    const char* text; // the display box afterwards
    const char* box; // nullptr: none
};

// clang-format off
const ReadCheckCase kReadChecks[] = {
    { "sensitivity_251", 136, 251, "txtLastChokeSense", 25, " 25",
        "Der im Steuergerät gesetzte Empfindlichkeit der Lastwechselerkennung ist ungültig. Der Standardwert wird verwendet" },
    { "enrichment_33", 137, 33, "txtLastChokeFaktor", 2, "+  2/16",
        "Der im Steuergerät gesetzte Anreicherungsfaktor bei Lastwechsel ist ungültig. Der Standardwert wird verwendet" },
    { "air_mass_962", 147, 962, "txtMaxLWAirMass", 795, "150,4",
        "Die im Steuergerät gesetzte maximale Luftmasse für die Lastwechselerkennung ist ungültig. Der Standardwert wird verwendet" },
    // The read button has no range check for these two: the values stay as read.
    { "air_mass_256_kept", 147, 256, "txtMaxLWAirMass", 256, "3,77", nullptr },
    { "overrun_leaning_17_kept", 133, 17, "txtSchubStartAbFaktor", 17, "- 17/16", nullptr },
};
// clang-format on

class LoadChangeReadCheck : public LoadChangeFlow, public ::testing::WithParamInterface<ReadCheckCase> { };

TEST_P(LoadChangeReadCheck, KeepsTheValueOrItsStandard)
{
    const ReadCheckCase& c = GetParam();
    connectWithBar();
    sim->memory().parameters[c.code] = c.stored;

    tabs->loadChange.readAll();

    const LoadChangeTab::Values& v = tabs->loadChange.values();
    const int kept = c.code == 136 ? v.sensitivity
        : c.code == 137            ? v.enrichment
        : c.code == 147            ? v.maxAirMass
                                   : v.overrunLeaning;
    EXPECT_EQ(kept, c.kept);
    EXPECT_EQ(shown(c.textBox), u(c.text));
    QStringList boxes;
    if (c.box)
        boxes << u(c.box);
    boxes << u("Datenübertragung vollstaendig");
    EXPECT_EQ(boxTexts(), boxes);

    // A value the control cannot hold goes back to the unit as read.
    sim->clearReceived();
    tabs->loadChange.writeAll();
    EXPECT_EQ(sim->memory().parameters.at(c.code), c.kept);
}

INSTANTIATE_TEST_SUITE_P(Table, LoadChangeReadCheck, ::testing::ValuesIn(kReadChecks),
    [](const auto& info) { return testName(info.param.name); });

TEST_F(LoadChangeFlow, Opening_AirMass256GetsTheOpeningBoxAndLeaning17ItsStandard)
{
    connectWithBar();
    sim->memory().parameters[147] = 256;
    sim->memory().parameters[133] = 17;
    ASSERT_TRUE(tabs->loadChange.readOnOpening());
    EXPECT_EQ(tabs->loadChange.values().maxAirMass, 742);
    EXPECT_EQ(tabs->loadChange.values().overrunLeaning, 3);
    EXPECT_EQ(shown("txtSchubStartAbFaktor"), u("- 3/16"));
    EXPECT_EQ(
        boxTexts(), (QStringList { LoadChangeTab::kMaxAirMassOutOfRange, LoadChangeTab::kOverrunLeaningInvalid }));
}

TEST_F(LoadChangeFlow, WriteButton_SendsEveryParameterInOrderAndTheUnitStoresThem)
{
    connectWithBar();
    openAndSet();

    tabs->loadChange.writeAll();

    EXPECT_EQ(sim->received(), kWriteAll);
    const auto& p = sim->memory().parameters;
    EXPECT_EQ(p.at(136), 40);
    EXPECT_EQ(p.at(147), 800);
    EXPECT_EQ(p.at(132), 30);
    EXPECT_EQ(sim->memory().tables[150][1], 253);
    EXPECT_EQ(boxTexts(), QStringList { u("Datenübertragung vollstaendig") });
    EXPECT_EQ(bar.value(), RacingContext::kProgressMin);
}

TEST_F(LoadChangeFlow, NoUpdateMsg_ReadAndWriteShowNoBox)
{
    Settings values = settings.readAll();
    values.noUpdateMsg = 1;
    ASSERT_TRUE(settings.write(values));
    connectWithBar();
    openAndSet();
    tabs->loadChange.readAll();
    tabs->loadChange.writeAll();
    EXPECT_TRUE(boxTexts().isEmpty()) << boxTexts().join(u("|")).toStdString();
}

TEST_F(LoadChangeFlow, OlderFirmware_GreysTheAdaptationsAndNeverSendsThem)
{
    connectWithBar(unitWith('E', 2, 2, 529));
    openAndSet();
    EXPECT_FALSE(find<QGroupBox>(QStringLiteral("Frame8"))->isEnabled());
    tabs->loadChange.readAll();
    tabs->loadChange.writeAll();
    for (const QByteArray& frame : sim->received()) {
        EXPECT_NE(bytes::at(frame, 0), 150);
        EXPECT_NE(bytes::at(frame, 0), 149);
    }
    EXPECT_EQ(sim->received().size(), 16u);
}

// A unit that stores something else than was sent, at each write.
struct MismatchCase {
    const char* name;
    int code; // the write the unit answers wrongly
    QByteArray wrong; // its answer
    size_t sent; // frames sent in all
    QStringList boxes;
};

const QStringList kStopped { u("Übertragungsfehler") };
const QString kAirMassImplausible = u("Die im Steuergerät gesetzte maximale Luftmasse für die "
                                      "Lastwechselerkennung ist ungültig. Der Standardwert wird verwendet");

// clang-format off
const MismatchCase kMismatches[] = {
    { "sensitivity_stops", 136, of({ 41 }), 1, kStopped },
    { "duration_stops", 139, of({ 13 }), 4, kStopped },
    { "air_mass_stops", 146, of({ 3, 33 }), 5, kStopped },
    { "air_mass_implausible_echo_stops", 146, of({ 3, 194 }), 5, { kAirMassImplausible, u("Übertragungsfehler") } },
    { "overrun_sensitivity_stops", 132, of({ 31 }), 8, kStopped },
    { "adaptations_all_tried_then_named", 149, of({ 1 }), 14,
        { u("Übertragungsfehler"), u("Übertragungsfehler"), u("Übertragungsfehler"), u("Übertragungsfehler"),
          u("Übertragungsfehler"), u("Übertragungsfehler"),
          ParameterTransfer::kNotConfirmed.arg(u("Adaption 30 bis 40° C, Adaption 20 bis 30° C, Adaption 10 bis "
                                                 "20° C, Adaption 0 bis 10° C, Adaption -10 bis 0° C, Adaption "
                                                 "unter -10° C")) } },
};
// clang-format on

class LoadChangeWriteMismatch : public LoadChangeFlow, public ::testing::WithParamInterface<MismatchCase> { };

TEST_P(LoadChangeWriteMismatch, StopsOrGoesOnButNeverReportsSuccess)
{
    const MismatchCase& c = GetParam();
    connectWithBar();
    openAndSet();
    sim->setHandler(c.code, 4, [c](const QByteArray&, qint64) { return c.wrong; });

    tabs->loadChange.writeAll();

    EXPECT_EQ(sim->received(), Frames(kWriteAll.begin(), kWriteAll.begin() + c.sent));
    EXPECT_EQ(boxTexts(), c.boxes);
    EXPECT_EQ(bar.value(), RacingContext::kProgressMin);
    EXPECT_FALSE(context->lost());
}

INSTANTIATE_TEST_SUITE_P(Table, LoadChangeWriteMismatch, ::testing::ValuesIn(kMismatches),
    [](const auto& info) { return testName(info.param.name); });

TEST_F(LoadChangeFlow, WriteButton_EchoOfTheStandardThatStandsForAnImplausibleValueConfirmsNothing)
{
    connectWithBar();
    openAndSet();
    set("udMaxLWAirMass", 795);
    sim->setHandler(146, 4, [](const QByteArray&, qint64) { return of({ 3, 194 }); });
    tabs->loadChange.writeAll();
    EXPECT_EQ(sim->received().size(), 5u);
    EXPECT_EQ(boxTexts(), (QStringList { kAirMassImplausible, u("Übertragungsfehler") }));
}

// A unit that falls silent within a transfer: it ends at once, without a
// further request or box.
class LoadChangeSilent : public LoadChangeFlow, public ::testing::WithParamInterface<SilentCase> { };

TEST_P(LoadChangeSilent, EndsTheTransferAtOnce)
{
    const SilentCase& c = GetParam();
    connectWithBar();
    openAndSet();
    expectEndsAtOnce(c.answered, [&] { c.write ? tabs->loadChange.writeAll() : tabs->loadChange.readAll(); });
}

INSTANTIATE_TEST_SUITE_P(Table, LoadChangeSilent,
    ::testing::Values(SilentCase { "read_first", false, 0 }, SilentCase { "read_air_mass", false, 4 },
        SilentCase { "read_last_band", false, 13 }, SilentCase { "write_first", true, 0 },
        SilentCase { "write_air_mass", true, 4 }, SilentCase { "write_last_band", true, 13 }),
    [](const auto& info) { return testName(info.param.name); });

TEST_F(LoadChangeFlow, Command5_WritesZeroToTheColdestBandAndLeavesTheControl)
{
    connectWithBar();
    openAndSet();
    sim->memory().tables[150][5] = 7;

    find<QPushButton>(QStringLiteral("Command5"))->click();

    EXPECT_EQ(sim->received(), Frames { of({ 149, 5, 0, '?' }) });
    EXPECT_EQ(sim->memory().tables[150][5], 0);
    EXPECT_EQ(find("udWLA5")->value(), -128);
    EXPECT_TRUE(boxTexts().isEmpty());
    EXPECT_FALSE(context->lost());
}

TEST_F(LoadChangeFlow, Command5_SilentUnitEndsAfterOneWatchdogInterval)
{
    connectWithBar();
    openAndSet();
    sim->faults().dropAfter = sim->commandCount();
    QElapsedTimer clock;
    clock.start();

    tabs->loadChange.resetColdestAdaptation();

    EXPECT_TRUE(context->lost());
    EXPECT_LT(clock.elapsed(), 5000); // the scaled watchdog runs 250 ms
    EXPECT_EQ(sim->received(), Frames { of({ 149, 5, 0, '?' }) });
}

// Every Alt letter of the page, with the window's "&Fertig", leads to one
// control only, and every label with a letter has its control.
TEST_F(LoadChangeFlow, Page_AltLettersAreUniqueAndLabelsHaveBuddies)
{
    connectUnit();
    QStringList texts { u("&Fertig") };
    for (const QLabel* l : tabs->loadChange.findChildren<QLabel*>()) {
        if (l->text().contains(u'&')) {
            EXPECT_NE(l->buddy(), nullptr) << l->objectName().toStdString();
            texts << l->text();
        }
    }
    for (const QPushButton* b : tabs->loadChange.findChildren<QPushButton*>())
        if (b->text().contains(u'&'))
            texts << b->text();
    QSet<QChar> letters;
    for (const QString& text : texts) {
        const QChar letter = text.at(text.indexOf(u'&') + 1).toLower();
        EXPECT_FALSE(letters.contains(letter)) << text.toStdString();
        letters.insert(letter);
    }
    EXPECT_EQ(letters.size(), 18);
}

} // namespace
