#include "options/frmoptionen.h"

#include "core/portmap.h"
#include "core/settings.h"
#include "simtransport.h"
#include "support/scriptedplatform.h"
#include "support/testnames.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QByteArray kDefaultFile = "COM=000\r\nRTime=03\r\nWarnings=1\r\nNoBreakMsg=1\r\nAutoReCon=1\r\n"
                                "NoUpdateMsg=0\r\nDwgPos=095\r\nDwgGrdPos=382\r\nMaxHub=0730\r\nPleuell=1530\r\n";

class FrmOptionenTest : public ::testing::Test {
public:
    QTemporaryDir dir;
    SettingsFile settings { dir.path() };
    SimTransport probe;
    PortMap ports { { QStringLiteral("/dev/pts/7") }, PortMap::System::Unix };
    ScriptedPlatform scripted;
    std::unique_ptr<FrmOptionen> dialog;

    QByteArray contents() const
    {
        QFile f(settings.path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void put(const QByteArray& bytes) const
    {
        QFile f(settings.path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    FrmOptionen& open(const Settings& s = {})
    {
        settings.write(s);
        dialog = std::make_unique<FrmOptionen>(settings, probe, ports);
        return *dialog;
    }
    template <typename T> T* get(const char* name) const
    {
        T* w = dialog->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString text(const char* name) const
    {
        if (auto* e = dialog->findChild<QLineEdit*>(QString::fromLatin1(name)))
            return e->text();
        return get<QLabel>(name)->text();
    }
    void choose(const char* combo, const QString& item) const
    {
        auto* c = get<QComboBox>(combo);
        const int i = c->findText(item);
        ASSERT_GE(i, 0) << item.toStdString();
        c->setCurrentIndex(i);
    }
    // Replaces the field's text as a user would: select all, type, leave.
    void type(const char* field, const QString& typed) const
    {
        auto* e = get<QLineEdit>(field);
        e->selectAll();
        if (typed.isEmpty())
            QTest::keyClick(e, Qt::Key_Delete);
        else
            QTest::keyClicks(e, typed);
    }
    // Replaces the field's text at once, as a paste does.
    void paste(const char* field, const QString& pasted) const
    {
        auto* e = get<QLineEdit>(field);
        e->selectAll();
        e->insert(pasted);
    }
    void leave(const char* field) const { emit get<QLineEdit>(field)->editingFinished(); }
    QStringList portItems() const
    {
        QStringList out;
        auto* c = get<QComboBox>("cmboPort");
        for (int i = 0; i < c->count(); ++i)
            out << c->itemText(i);
        return out;
    }
};

TEST_F(FrmOptionenTest, Load_ShowsCaptionControlsAndTheirTexts)
{
    open();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Velmora - Optionen"));
    struct Caption {
        const char* name;
        const char* text;
        const char* tip;
    };
    const Caption captions[] = {
        { "chkRelWarungen", "&Versionswarnungen nicht anzeigen",
            "unterdrückt Warnmeldungen beim Öffnen des Steuergerätes " },
        { "chkConnectWarungen", "&Hinweis bei Verbindungsabbruch unterdrücken", "Meldungsfenster nicht anzeigen" },
        { "chkReAutoConnect", "&Nach Unterbrechung automatisch neu verbinden",
            "automatisch eine neue Verbindung herstellen" },
        { "chkNoMsgAfterDataUpdate", "&Keine Meldung nach Datenübertragung",
            "Hinweisfenster im Konfigurationsdialog für Rennsportsteuergeräte unterdrücken" },
        { "BtnCmdSave", "&Speichern", "Einstellungen speichern und Dialog beenden" },
        { "BtnCmdBreak", "&Abbruch", "Dialog beenden ohne die Einstellungen zu speichern" },
    };
    for (const Caption& c : captions) {
        auto* b = get<QAbstractButton>(c.name);
        EXPECT_EQ(b->text(), QString::fromUtf8(c.text)) << c.name;
        EXPECT_EQ(b->toolTip(), QString::fromUtf8(c.tip)) << c.name;
    }
    const std::pair<const char*, const char*> tips[] = {
        { "cmboPort", "COM-Port für Anschluß Diagnoseadapter am PC" },
        { "sldReqTime", "Häufigkeit der Abfrage dynamischer Daten vom Motorsteuergerät" },
        { "DwgUpDown", "Statisches Zündsignal in mm Kolbenhub v.OT anpassen" },
        { "txtHub", "Statisches Zündsignal in mm Kolbenhub v.OT" },
        { "cmbGeberKonfig", "Auswahl der am Geberteil vorgenommenen Einstellungen" },
        { "txtWinkel", "Statisches Zündsignal in Grad KW v.OT" },
        { "udMaxHub", "Maximaler Kolbenhub des Motors" },
        { "udPleuel", "Mittenabstand zwischen den Pleuelaugen" },
        { "cmbGeo", "Auswahl der verwendeten Kurbelwellengeometrie" },
        { "lblMinFenster", "Maximaler Frühzündwinkel" },
        { "lblMaxFenster", "Maximaler Spätzündwinkel" },
    };
    for (const auto& [name, tip] : tips)
        EXPECT_EQ(get<QWidget>(name)->toolTip(), QString::fromUtf8(tip)) << name;
    EXPECT_FALSE(get<QComboBox>("cmboPort")->isEditable());
    EXPECT_FALSE(get<QComboBox>("cmbGeo")->isEditable());
    const QStringList presets = { QStringLiteral("KZDX RX3 V/D/M 8mm v.OT"),
        QStringLiteral("KZDX RX4 V/D/M 9,5mm v.OT"), QStringLiteral("anderer Wert") };
    auto* geber = get<QComboBox>("cmbGeberKonfig");
    ASSERT_EQ(geber->count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(geber->itemText(i), presets[i]);
    auto* geo = get<QComboBox>("cmbGeo");
    ASSERT_EQ(geo->count(), 2);
    EXPECT_EQ(geo->itemText(0), QStringLiteral("Serienmotor Z62"));
    EXPECT_EQ(geo->itemText(1), QStringLiteral("Andere"));
    auto* slider = get<QSlider>("sldReqTime");
    EXPECT_EQ(slider->minimum(), 1);
    EXPECT_EQ(slider->maximum(), 99);
    const std::tuple<const char*, int, int> ranges[]
        = { { "DwgUpDown", 1, 200 }, { "udMaxHub", 1, 1000 }, { "udPleuel", 0, 2500 } };
    for (const auto& [name, lo, hi] : ranges) {
        EXPECT_EQ(get<QSpinBox>(name)->minimum(), lo) << name;
        EXPECT_EQ(get<QSpinBox>(name)->maximum(), hi) << name;
    }
}

TEST_F(FrmOptionenTest, Probe_ListsOnlyPortsThatOpenAndWritesNothing)
{
    probe.addEmptyPort(3);
    probe.addBusyPort(5);
    probe.addEmptyPort(33);
    probe.addEmptyPort(129);
    open();
    EXPECT_EQ(portItems(),
        (QStringList { QStringLiteral("Auto"), QStringLiteral("COM 3 (/dev/ttyS2)"),
            QStringLiteral("COM 33 (/dev/ttyUSB0)"), QStringLiteral("COM 129 (/dev/pts/7)") }));
    EXPECT_TRUE(probe.written.empty());
    EXPECT_FALSE(probe.isOpen());
    // Every port of the map is tried once; each one that opened is closed again.
    int attempts = 0;
    QStringList closes;
    for (const QString& e : probe.events) {
        if (e.startsWith(QLatin1String("open")))
            ++attempts;
        if (e.startsWith(QLatin1String("close")))
            closes << e;
    }
    EXPECT_EQ(attempts, 256);
    EXPECT_EQ(closes,
        (QStringList { QStringLiteral("close 3"), QStringLiteral("close 33"), QStringLiteral("close 129") }));
}

struct PortCase {
    int stored;
    int expectedIndex; // -1: nothing selected
    const char* expectedText;
};

class PortSelection : public FrmOptionenTest, public ::testing::WithParamInterface<PortCase> { };

TEST_P(PortSelection, StoredPortSelectsItsItemAndSurvivesASave)
{
    probe.addEmptyPort(3);
    probe.addEmptyPort(12);
    Settings s;
    s.comPort = GetParam().stored;
    open(s);
    auto* combo = get<QComboBox>("cmboPort");
    EXPECT_EQ(combo->currentIndex(), GetParam().expectedIndex);
    EXPECT_EQ(combo->currentText(), QString::fromLatin1(GetParam().expectedText));
    dialog->BtnCmdSave_Click();
    EXPECT_EQ(settings.ReadComPort(), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(Ports, PortSelection,
    ::testing::Values(PortCase { 0, 0, "Auto" }, PortCase { 3, 1, "COM 3 (/dev/ttyS2)" },
        PortCase { 12, 2, "COM 12 (/dev/ttyS11)" },
        // unplugged now: still stored, nothing shown
        PortCase { 7, -1, "" }),
    [](const auto& info) { return testName("COM", info.param.stored); });

struct ChoiceCase {
    const char* item;
    int stored;
    const char* firstLine;
};

class PortChoice : public FrmOptionenTest, public ::testing::WithParamInterface<ChoiceCase> { };

TEST_P(PortChoice, ChosenItemIsStoredByItsNumber)
{
    for (int n : { 7, 12, 33, 129 })
        probe.addEmptyPort(n);
    Settings s;
    s.comPort = 12;
    open(s);
    choose("cmboPort", QString::fromLatin1(GetParam().item));
    EXPECT_EQ(dialog->values().comPort, GetParam().stored);
    dialog->BtnCmdSave_Click();
    EXPECT_TRUE(contents().startsWith(GetParam().firstLine)) << contents().left(9).constData();
}

INSTANTIATE_TEST_SUITE_P(Ports, PortChoice,
    ::testing::Values(ChoiceCase { "Auto", 0, "COM=000\r\n" },
        ChoiceCase { "COM 7 (/dev/ttyS6)", 7, "COM=007\r\n" },
        ChoiceCase { "COM 12 (/dev/ttyS11)", 12, "COM=012\r\n" },
        ChoiceCase { "COM 33 (/dev/ttyUSB0)", 33, "COM=033\r\n" },
        ChoiceCase { "COM 129 (/dev/pts/7)", 129, "COM=129\r\n" }),
    [](const auto& info) { return testName(info.param.item); });

TEST_F(FrmOptionenTest, WindowsPortNames_AreParsedTheSameWay)
{
    ports = PortMap({}, PortMap::System::Windows);
    probe.addEmptyPort(12);
    open();
    EXPECT_EQ(portItems(), (QStringList { QStringLiteral("Auto"), QStringLiteral("COM 12") }));
    choose("cmboPort", QStringLiteral("COM 12"));
    EXPECT_EQ(dialog->values().comPort, 12);
}

struct TimeCase {
    int storedMs;
    int slider;
    const char* label;
};

class RequestTime : public FrmOptionenTest, public ::testing::WithParamInterface<TimeCase> { };

TEST_P(RequestTime, SliderAndLabelShowTheStoredTime)
{
    Settings s;
    s.requestTimeMs = GetParam().storedMs;
    open(s);
    EXPECT_EQ(get<QSlider>("sldReqTime")->value(), GetParam().slider);
    EXPECT_EQ(text("lblSelTime"), QString::fromLatin1(GetParam().label));
}

INSTANTIATE_TEST_SUITE_P(Times, RequestTime,
    ::testing::Values(TimeCase { 300, 3, "0,3" }, TimeCase { 1200, 12, "1,2" }, TimeCase { 1000, 10, "1" },
        TimeCase { 9900, 99, "9,9" },
        // a damaged "RTime=00" is bounded by the slider
        TimeCase { 0, 1, "0,1" }),
    [](const auto& info) { return testName(info.param.storedMs, "ms"); });

TEST_F(FrmOptionenTest, MovingTheSlider_UpdatesLabelAndStoredTime)
{
    open();
    get<QSlider>("sldReqTime")->setValue(12);
    EXPECT_EQ(text("lblSelTime"), QStringLiteral("1,2"));
    get<QSlider>("sldReqTime")->setValue(5);
    dialog->BtnCmdSave_Click();
    EXPECT_EQ(contents().mid(9, 10), QByteArray("RTime=05\r\n"));
}

struct GeoCase {
    int maxHub;
    int pleuell;
    const char* item;
    bool upDownsEnabled;
};

class Geometry : public FrmOptionenTest, public ::testing::WithParamInterface<GeoCase> { };

TEST_P(Geometry, StoredGeometrySelectsItsPreset)
{
    Settings s;
    s.maxHub = GetParam().maxHub;
    s.pleuell = GetParam().pleuell;
    open(s);
    EXPECT_EQ(get<QComboBox>("cmbGeo")->currentText(), QString::fromLatin1(GetParam().item));
    for (const char* name : { "udMaxHub", "udPleuel", "lblMaxHub", "lblPleuel" })
        EXPECT_EQ(get<QWidget>(name)->isEnabled(), GetParam().upDownsEnabled) << name;
    EXPECT_EQ(get<QSpinBox>("udMaxHub")->value(), GetParam().maxHub);
    EXPECT_EQ(get<QSpinBox>("udPleuel")->value(), GetParam().pleuell);
}

INSTANTIATE_TEST_SUITE_P(Geo, Geometry,
    ::testing::Values(GeoCase { 730, 1530, "Serienmotor Z62", false }, GeoCase { 731, 1530, "Andere", true },
        GeoCase { 730, 1531, "Andere", true }, GeoCase { 540, 1100, "Andere", true }),
    [](const auto& info) { return testName(info.param.item, info.param.maxHub, info.param.pleuell); });

TEST_F(FrmOptionenTest, ChoosingZ62_ResetsTheGeometryAndLocksIt)
{
    Settings s;
    s.maxHub = 540;
    s.pleuell = 1100;
    open(s);
    EXPECT_EQ(text("txtMaxHub"), QStringLiteral("54"));
    EXPECT_EQ(text("txtPleuel"), QStringLiteral("110"));
    choose("cmbGeo", QStringLiteral("Serienmotor Z62"));
    EXPECT_EQ(get<QSpinBox>("udMaxHub")->value(), 730);
    EXPECT_EQ(get<QSpinBox>("udPleuel")->value(), 1530);
    EXPECT_EQ(text("txtMaxHub"), QStringLiteral("73"));
    EXPECT_EQ(text("txtPleuel"), QStringLiteral("153"));
    EXPECT_EQ(text("txtWinkel"), QStringLiteral("38,2"));
    EXPECT_FALSE(get<QWidget>("udMaxHub")->isEnabled());
    EXPECT_TRUE(get<QLineEdit>("txtMaxHub")->isReadOnly());
    choose("cmbGeo", QStringLiteral("Andere"));
    EXPECT_TRUE(get<QWidget>("udMaxHub")->isEnabled());
    EXPECT_TRUE(get<QWidget>("lblPleuel")->isEnabled());
    EXPECT_FALSE(get<QLineEdit>("txtMaxHub")->isReadOnly());
}

struct SensorCase {
    int dwgPos;
    int index;
    const char* travel;
    bool upDownEnabled;
};

class SensorPreset : public FrmOptionenTest, public ::testing::WithParamInterface<SensorCase> { };

TEST_P(SensorPreset, StoredPositionSelectsItsPreset)
{
    Settings s;
    s.dwgPos = GetParam().dwgPos;
    open(s);
    auto* geber = get<QComboBox>("cmbGeberKonfig");
    EXPECT_EQ(geber->currentIndex(), GetParam().index);
    if (GetParam().index < 0) {
        EXPECT_EQ(geber->placeholderText(), QStringLiteral("anderen Wert"));
    }
    EXPECT_EQ(get<QSpinBox>("DwgUpDown")->value(), GetParam().dwgPos);
    EXPECT_EQ(get<QWidget>("DwgUpDown")->isEnabled(), GetParam().upDownEnabled);
    EXPECT_EQ(get<QLineEdit>("txtHub")->isReadOnly(), !GetParam().upDownEnabled);
    EXPECT_EQ(text("txtHub"), QString::fromLatin1(GetParam().travel));
}

INSTANTIATE_TEST_SUITE_P(Sensor, SensorPreset,
    ::testing::Values(SensorCase { 95, 1, "9,5", false }, SensorCase { 80, 0, "8", false },
        SensorCase { 94, -1, "9,4", true }, SensorCase { 200, -1, "20", true }),
    [](const auto& info) { return testName("DwgPos", info.param.dwgPos); });

TEST_F(FrmOptionenTest, ChoosingSensorPresets_SetsAndLocksTheTravel)
{
    Settings s;
    s.dwgPos = 94;
    open(s);
    choose("cmbGeberKonfig", QStringLiteral("KZDX RX3 V/D/M 8mm v.OT"));
    EXPECT_EQ(get<QSpinBox>("DwgUpDown")->value(), 80);
    EXPECT_EQ(text("txtHub"), QStringLiteral("8"));
    EXPECT_EQ(text("txtWinkel"), QStringLiteral("34,9"));
    EXPECT_FALSE(get<QWidget>("DwgUpDown")->isEnabled());
    choose("cmbGeberKonfig", QStringLiteral("anderer Wert"));
    EXPECT_TRUE(get<QWidget>("DwgUpDown")->isEnabled());
    EXPECT_EQ(get<QSpinBox>("DwgUpDown")->value(), 80);
    get<QSpinBox>("DwgUpDown")->stepBy(1);
    EXPECT_EQ(text("txtHub"), QStringLiteral("8,1"));
}

struct AngleCase {
    int dwgPos;
    int maxHub;
    int pleuell;
    const char* angle;
    const char* earliest;
    const char* latest;
};

class CrankAngle : public FrmOptionenTest, public ::testing::WithParamInterface<AngleCase> { };

TEST_P(CrankAngle, TravelGivesAngleAndAdjustmentWindow)
{
    Settings s;
    s.dwgPos = GetParam().dwgPos;
    s.maxHub = GetParam().maxHub;
    s.pleuell = GetParam().pleuell;
    open(s);
    EXPECT_EQ(text("txtWinkel"), QString::fromLatin1(GetParam().angle));
    EXPECT_EQ(text("lblMinFenster"), QString::fromLatin1(GetParam().earliest));
    EXPECT_EQ(text("lblMaxFenster"), QString::fromLatin1(GetParam().latest));
}

INSTANTIATE_TEST_SUITE_P(Angles, CrankAngle,
    ::testing::Values(AngleCase { 80, 730, 1530, "34,9", "34,9", "9,4" },
        AngleCase { 95, 730, 1530, "38,2", "38,2", "12,7" }, AngleCase { 200, 730, 1530, "57,5", "57,5", "32,0" },
        AngleCase { 10, 730, 1530, "12,1", "12,1", "-13,4" },
        // a shorter stroke and rod
        AngleCase { 50, 540, 1100, "31,9", "31,9", "6,4" }),
    [](const auto& info) { return testName(info.param.dwgPos, info.param.maxHub, info.param.pleuell); });

TEST_F(FrmOptionenTest, EmptyTravel_CountsAsZero)
{
    Settings s;
    s.dwgPos = 94;
    open(s);
    type("txtHub", QString());
    EXPECT_EQ(text("txtHub"), QString());
    EXPECT_EQ(text("txtWinkel"), QStringLiteral("0,0"));
    EXPECT_EQ(text("lblMinFenster"), QStringLiteral("0,0"));
    EXPECT_EQ(text("lblMaxFenster"), QStringLiteral("-25,5"));
    // Leaving the empty field shows the up-down's value again.
    leave("txtHub");
    EXPECT_EQ(text("txtHub"), QStringLiteral("9,4"));
    EXPECT_EQ(get<QSpinBox>("DwgUpDown")->value(), 94);
}

TEST_F(FrmOptionenTest, TravelWithoutAngle_KeepsTheLastValidAngle)
{
    Settings s;
    s.dwgPos = 50;
    s.maxHub = 100; // 10 mm stroke: 15 mm travel lies beyond it
    s.pleuell = 1530;
    open(s);
    const QString before = text("txtWinkel");
    ASSERT_EQ(before, QStringLiteral("89,1"));
    paste("txtHub", QStringLiteral("15"));
    EXPECT_EQ(get<QSpinBox>("DwgUpDown")->value(), 150);
    EXPECT_EQ(text("txtWinkel"), before);
    // A rod of 0 with the piston at the crank centre: no triangle at all.
    get<QSpinBox>("udPleuel")->setValue(0);
    paste("txtHub", QStringLiteral("5"));
    EXPECT_EQ(text("txtWinkel"), before);
    EXPECT_EQ(text("lblMinFenster"), QStringLiteral("89,1"));
    dialog->BtnCmdSave_Click();
    EXPECT_EQ(settings.ReadDwgGrdPos(), 891);
}

// A stored travel with no angle for the stored geometry: opening and saving
// must give back the file as it was, stored angle included.
struct FileCase {
    const char* name;
    QByteArray file;
};

class UnchangedSave : public FrmOptionenTest, public ::testing::WithParamInterface<FileCase> { };

TEST_P(UnchangedSave, OpenAndSaveKeepsTheFileByteForByte)
{
    const QByteArray& file = GetParam().file;
    ASSERT_EQ(file.size(), 127);
    put(file);
    dialog = std::make_unique<FrmOptionen>(settings, probe, ports);
    dialog->BtnCmdSave_Click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(contents().toStdString(), file.toStdString());
}

INSTANTIATE_TEST_SUITE_P(Files, UnchangedSave,
    ::testing::Values(FileCase { "Defaults", kDefaultFile },
        FileCase { "TravelBeyondStroke",
            "COM=000\r\nRTime=03\r\nWarnings=1\r\nNoBreakMsg=1\r\nAutoReCon=1\r\n"
            "NoUpdateMsg=0\r\nDwgPos=150\r\nDwgGrdPos=382\r\nMaxHub=0100\r\nPleuell=1530\r\n" },
        // the piston pin sits on the crank centre: no triangle at all
        FileCase { "NoRod",
            "COM=000\r\nRTime=05\r\nWarnings=0\r\nNoBreakMsg=1\r\nAutoReCon=0\r\n"
            "NoUpdateMsg=1\r\nDwgPos=050\r\nDwgGrdPos=123\r\nMaxHub=0100\r\nPleuell=0000\r\n" }),
    [](const ::testing::TestParamInfo<FileCase>& info) { return std::string(info.param.name); });

TEST_F(FrmOptionenTest, TravelWithoutAngleAtLoad_ShowsTheStoredAngleAndWindow)
{
    Settings s;
    s.dwgPos = 150;
    s.maxHub = 100;
    s.pleuell = 1530;
    s.dwgGrdPos = 382;
    open(s);
    EXPECT_EQ(text("txtHub"), QStringLiteral("15"));
    EXPECT_EQ(text("txtWinkel"), QStringLiteral("38,2"));
    EXPECT_EQ(text("lblMinFenster"), QStringLiteral("38,2"));
    EXPECT_EQ(text("lblMaxFenster"), QStringLiteral("12,7"));
    // A travel within the stroke gives an angle again.
    paste("txtHub", QStringLiteral("5"));
    EXPECT_EQ(text("txtWinkel"), QStringLiteral("89,1"));
}

struct LargeAngleCase {
    int dwgPos;
    int maxHub;
    int pleuell;
    const char* shown;
    bool saved;
};

class LargeAngle : public FrmOptionenTest, public ::testing::WithParamInterface<LargeAngleCase> { };

TEST_P(LargeAngle, AngleBeyondThreeDigitsIsRefusedWithAHint)
{
    Settings s;
    s.dwgPos = GetParam().dwgPos;
    s.maxHub = GetParam().maxHub;
    s.pleuell = GetParam().pleuell;
    open(s);
    ASSERT_EQ(text("txtWinkel"), QString::fromLatin1(GetParam().shown));
    const QByteArray before = contents();
    dialog->BtnCmdSave_Click();
    if (GetParam().saved) {
        EXPECT_TRUE(scripted.boxes.empty());
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(settings.ReadDwgGrdPos(), 999);
        return;
    }
    ASSERT_EQ(scripted.boxes.size(), 1u);
    const auto& box = scripted.boxes.front();
    EXPECT_EQ(box.title, QStringLiteral("Hinweis"));
    EXPECT_EQ(box.icon, Platform::Icon::Warning);
    EXPECT_EQ(box.text,
        QStringLiteral(
            "Der berechnete Kurbelwinkel von %1 Grad kann nicht gespeichert werden, höchstens 99,9 Grad "
            "sind möglich. Bitte Geberposition und Kurbeltriebgeometrie prüfen.")
            .arg(QString::fromLatin1(GetParam().shown)));
    EXPECT_EQ(contents(), before);
    EXPECT_EQ(dialog->result(), 0); // still open
    // Corrected, the same dialog saves.
    choose("cmbGeo", QStringLiteral("Serienmotor Z62"));
    dialog->BtnCmdSave_Click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(settings.ReadMaxHub(), 730);
    EXPECT_LT(settings.ReadDwgGrdPos(), 999);
}

INSTANTIATE_TEST_SUITE_P(Angles, LargeAngle,
    ::testing::Values(LargeAngleCase { 95, 100, 1530, "153,7", false },
        LargeAngleCase { 72, 120, 1100, "100,0", false }, // 99.99 degrees, shown rounded
        LargeAngleCase { 61, 100, 500, "99,9", true }),
    [](const auto& info) { return testName(info.param.dwgPos, info.param.maxHub, info.param.pleuell); });

TEST_F(FrmOptionenTest, OtherValueText_IsDrawnLikeAnItemNotGreyed)
{
    Settings s;
    s.dwgPos = 94;
    open(s);
    dialog->show();
    auto* geber = get<QComboBox>("cmbGeberKonfig");
    ASSERT_EQ(geber->currentIndex(), -1);
    // The same box with "anderen Wert" as its chosen item must look the same.
    QComboBox item;
    item.setPalette(QApplication::palette(geber));
    item.setFont(geber->font());
    item.addItem(QStringLiteral("anderen Wert"));
    item.setCurrentIndex(0);
    item.resize(geber->size());
    item.show();
    const auto image = [](QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    const QImage shown = image(geber);
    EXPECT_EQ(shown, image(&item));
    // Without the fix the placeholder would differ in colour only; make sure
    // the comparison can tell.
    QPalette grey = item.palette();
    grey.setColor(QPalette::ButtonText, Qt::gray);
    item.setPalette(grey);
    EXPECT_NE(shown, image(&item));
}

struct TypedCase {
    const char* field;
    const char* typed;
    const char* shownAfter;
    const char* upDown;
    int valueAfter;
};

class TypedValue : public FrmOptionenTest, public ::testing::WithParamInterface<TypedCase> { };

TEST_P(TypedValue, TypedTextMovesTheUpDownAndIsBoundedWhenLeft)
{
    Settings s;
    s.dwgPos = 94;
    s.maxHub = 731;
    open(s);
    type(GetParam().field, QString::fromLatin1(GetParam().typed));
    leave(GetParam().field);
    EXPECT_EQ(text(GetParam().field), QString::fromLatin1(GetParam().shownAfter));
    EXPECT_EQ(get<QSpinBox>(GetParam().upDown)->value(), GetParam().valueAfter);
}

INSTANTIATE_TEST_SUITE_P(Fields, TypedValue,
    ::testing::Values(TypedCase { "txtHub", "12,3", "12,3", "DwgUpDown", 123 },
        TypedCase { "txtHub", "8.5", "8,5", "DwgUpDown", 85 },
        TypedCase { "txtHub", "25", "20", "DwgUpDown", 200 }, // above the range
        TypedCase { "txtHub", "0", "0,1", "DwgUpDown", 1 }, // below it
        TypedCase { "txtHub", "abc", "9,4", "DwgUpDown", 94 }, // refused while typing
        TypedCase { "txtHub", ",", "9,4", "DwgUpDown", 94 }, // no number at all
        TypedCase { "txtHub", "9,45", "9,4", "DwgUpDown", 94 }, // one decimal only
        TypedCase { "txtMaxHub", "54", "54", "udMaxHub", 540 },
        TypedCase { "txtMaxHub", "123", "100", "udMaxHub", 1000 },
        TypedCase { "txtPleuel", "110,5", "110,5", "udPleuel", 1105 }),
    [](const auto& info) { return testName(info.param.field, info.param.typed); });

TEST_F(FrmOptionenTest, TypedTravel_FollowsWithTheAngleAndIsSavedTogether)
{
    Settings s;
    s.dwgPos = 94;
    open(s);
    type("txtHub", QStringLiteral("8"));
    EXPECT_EQ(text("txtWinkel"), QStringLiteral("34,9"));
    // Saved without leaving the field first.
    dialog->BtnCmdSave_Click();
    EXPECT_EQ(settings.ReadDwgPos(), 80);
    EXPECT_EQ(settings.ReadDwgGrdPos(), 349);
}

TEST_F(FrmOptionenTest, PresetLocksTheTravelField)
{
    open();
    auto* hub = get<QLineEdit>("txtHub");
    ASSERT_TRUE(hub->isReadOnly());
    QTest::keyClicks(hub, QStringLiteral("3"));
    EXPECT_EQ(hub->text(), QStringLiteral("9,5"));
    EXPECT_TRUE(get<QLineEdit>("txtWinkel")->isReadOnly());
}

struct SaveCase {
    const char* name;
    std::function<void(FrmOptionenTest&)> edit;
    QByteArray file;
};

class Saving : public FrmOptionenTest, public ::testing::WithParamInterface<SaveCase> { };

TEST_P(Saving, WritesTheWholeFileByteForByte)
{
    probe.addEmptyPort(12);
    probe.addEmptyPort(65);
    open();
    GetParam().edit(*this);
    dialog->BtnCmdSave_Click();
    EXPECT_EQ(contents(), GetParam().file);
    EXPECT_EQ(contents().size(), 127);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

INSTANTIATE_TEST_SUITE_P(Files, Saving,
    ::testing::Values(SaveCase { "Unchanged", [](FrmOptionenTest&) {}, kDefaultFile },
        SaveCase { "PortTimeSwitchesAndPreset",
            [](FrmOptionenTest& t) {
                t.choose("cmboPort", QStringLiteral("COM 12 (/dev/ttyS11)"));
                t.get<QSlider>("sldReqTime")->setValue(12);
                t.get<QCheckBox>("chkRelWarungen")->click();
                t.get<QCheckBox>("chkConnectWarungen")->click();
                t.get<QCheckBox>("chkReAutoConnect")->click();
                t.get<QCheckBox>("chkNoMsgAfterDataUpdate")->click();
                t.choose("cmbGeberKonfig", QStringLiteral("KZDX RX3 V/D/M 8mm v.OT"));
            },
            "COM=012\r\nRTime=12\r\nWarnings=0\r\nNoBreakMsg=0\r\nAutoReCon=0\r\nNoUpdateMsg=1\r\n"
            "DwgPos=080\r\nDwgGrdPos=349\r\nMaxHub=0730\r\nPleuell=1530\r\n" },
        SaveCase { "OtherGeometryAndTravel",
            [](FrmOptionenTest& t) {
                t.choose("cmboPort", QStringLiteral("COM 65 (/dev/ttyACM0)"));
                t.get<QSlider>("sldReqTime")->setValue(99);
                t.choose("cmbGeo", QStringLiteral("Andere"));
                t.get<QSpinBox>("udMaxHub")->setValue(540);
                t.get<QSpinBox>("udPleuel")->setValue(1100);
                t.choose("cmbGeberKonfig", QStringLiteral("anderer Wert"));
                t.get<QSpinBox>("DwgUpDown")->setValue(50);
            },
            "COM=065\r\nRTime=99\r\nWarnings=1\r\nNoBreakMsg=1\r\nAutoReCon=1\r\nNoUpdateMsg=0\r\n"
            "DwgPos=050\r\nDwgGrdPos=319\r\nMaxHub=0540\r\nPleuell=1100\r\n" },
        SaveCase { "ShortTravelSmallAngle",
            [](FrmOptionenTest& t) {
                t.get<QSlider>("sldReqTime")->setValue(1);
                t.choose("cmbGeberKonfig", QStringLiteral("anderer Wert"));
                t.type("txtHub", QStringLiteral("1"));
            },
            "COM=000\r\nRTime=01\r\nWarnings=1\r\nNoBreakMsg=1\r\nAutoReCon=1\r\nNoUpdateMsg=0\r\n"
            "DwgPos=010\r\nDwgGrdPos=121\r\nMaxHub=0730\r\nPleuell=1530\r\n" }),
    [](const ::testing::TestParamInfo<SaveCase>& info) { return std::string(info.param.name); });

TEST_F(FrmOptionenTest, Cancel_LeavesTheFileByteForByte)
{
    // A file the dialog would tidy up on saving (RTime 00, a port that does not open).
    const QByteArray odd = "COM=077\r\nRTime=00\r\nWarnings=0\r\nNoBreakMsg=1\r\nAutoReCon=0\r\n"
                           "NoUpdateMsg=1\r\nDwgPos=094\r\nDwgGrdPos=999\r\nMaxHub=0731\r\nPleuell=1530\r\n";
    ASSERT_EQ(odd.size(), 127);
    put(odd);
    dialog = std::make_unique<FrmOptionen>(settings, probe, ports);
    get<QSlider>("sldReqTime")->setValue(40);
    get<QCheckBox>("chkRelWarungen")->click();
    type("txtHub", QStringLiteral("12"));
    get<QPushButton>("BtnCmdBreak")->click();
    EXPECT_EQ(contents(), odd);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}

TEST_F(FrmOptionenTest, LoadedSwitches_ReflectTheFile)
{
    put("COM=000\r\nRTime=03\r\nWarnings=0\r\nNoBreakMsg=1\r\nAutoReCon=0\r\n"
        "NoUpdateMsg=1\r\nDwgPos=095\r\nDwgGrdPos=382\r\nMaxHub=0730\r\nPleuell=1530\r\n");
    dialog = std::make_unique<FrmOptionen>(settings, probe, ports);
    EXPECT_FALSE(get<QCheckBox>("chkRelWarungen")->isChecked());
    EXPECT_TRUE(get<QCheckBox>("chkConnectWarungen")->isChecked());
    EXPECT_FALSE(get<QCheckBox>("chkReAutoConnect")->isChecked());
    EXPECT_TRUE(get<QCheckBox>("chkNoMsgAfterDataUpdate")->isChecked());
}

TEST_F(FrmOptionenTest, F1_OpensTheOptionsTopicFromAnyControl)
{
    open();
    QTest::keyClick(get<QLineEdit>("txtHub"), Qt::Key_F1);
    QTest::keyClick(get<QComboBox>("cmboPort"), Qt::Key_F1);
    QTest::keyClick(dialog.get(), Qt::Key_F1);
    QTest::keyClick(get<QLineEdit>("txtHub"), Qt::Key_A);
    EXPECT_EQ(scripted.helpTopics,
        (QStringList {
            QStringLiteral("optionen.html"), QStringLiteral("optionen.html"), QStringLiteral("optionen.html") }));
}

} // namespace
