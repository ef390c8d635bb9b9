#include "diagnostics/faultreport.h"
#include "diagnostics/frmfmem.h"
#include "diagnostics/frmreport.h"
#include "sim/areas.h"
#include "sim/ecusim.h"
#include "sim/profile.h"
#include "status/frmmstg.h"
#include "support/modal.h"
#include "support/simlink.h"
#include "support/testnames.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using faults::SensorCheck;

SimProfile withFirmware(int major, int minor)
{
    SimProfile p = *simprofiles::find(simprofiles::kDefault);
    p.firmware = simprofiles::firmwareText(major, minor);
    p.major = major;
    p.minor = minor;
    return p;
}

UnitIdentity identityOf(const SimProfile& p)
{
    UnitIdentity id;
    id.setFirmware(p.firmware);
    id.setUnitType(p.unitType);
    id.serialNumber = QString::fromLatin1(p.serial);
    return id;
}

std::vector<QByteArray> framesOf(std::initializer_list<const char*> frames)
{
    return { frames.begin(), frames.end() };
}

class FaultMemoryWindowTest : public ::testing::Test, protected SimLink {
protected:
    void connectUnit(const SimProfile& profile)
    {
        sim = std::make_unique<EcuSim>(profile);
        transport.addUnit(3, sim.get());
        ASSERT_EQ(link.openPort(3), Transport::OpenResult::Opened);
        session.setIdentity(identityOf(profile));
    }
    void connectUnit(const QString& name = simprofiles::kDefault) { connectUnit(*simprofiles::find(name)); }

    void open()
    {
        window = std::make_unique<FrmFMem>(session);
        if (actuatorTest)
            window->setActuatorTestFactory(actuatorTest);
    }

    // Runs the window modally; `step` is called every few milliseconds until
    // the window closes or the time is up (then the test fails).
    void run(const std::function<void()>& step, int timeoutMs = 5000)
    {
        if (!window)
            open();
        EXPECT_TRUE(runModal(*window, step, timeoutMs)) << "the fault memory window did not close in time";
    }

    // Reads once and leaves by "E&xit", after `afterRead` ran on the report.
    void readOnce(const std::function<void()>& afterRead = nullptr)
    {
        run([&] {
            if (!window->reading()) {
                if (afterRead)
                    afterRead();
                button("BtncmdExit")->click();
            }
        });
    }

    QPushButton* button(const char* name) const
    {
        return window->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    bool enabled(const char* name) const { return button(name)->isEnabled(); }

    TimeScale scale { 0.05 }; // the read runs 50 ms after opening, the watchdog after 250 ms
    std::unique_ptr<EcuSim> sim;
    std::unique_ptr<FrmFMem> window;
    FrmFMem::ActuatorTestFactory actuatorTest;
};

// --- the simulated fault memory ---------------------------------------------------

struct SpecCase {
    const char* spec;
    int entry; // 1-based, 0: the wiring is checked instead
    int byte;
};

class SimFaultMemorySpec : public ::testing::TestWithParam<SpecCase> { };

TEST_P(SimFaultMemorySpec, SetsTheEntry)
{
    UnitMemory memory;
    memory.faultEntries.fill(255);
    QString error;
    ASSERT_TRUE(simfaultmem::parse(QString::fromLatin1(GetParam().spec), memory, &error)) << error.toStdString();
    if (GetParam().entry > 0)
        EXPECT_EQ(memory.faultEntries[GetParam().entry - 1], GetParam().byte);
    else
        EXPECT_NE(memory.headTempInput, SensorWiring::Intact);
}

INSTANTIATE_TEST_SUITE_P(Forms, SimFaultMemorySpec,
    ::testing::Values(SpecCase { "3=permanent", 3, 0 }, SpecCase { "17=sporadic:2", 17, 253 },
        SpecCase { "4=100", 4, 100 }, SpecCase { "head-temp=short", 0, 0 }, SpecCase { "head-temp=open", 0, 0 }),
    [](const auto& info) { return testName(info.param.spec); });

TEST(SimFaultMemorySpec, BadSpecs_AreRejected)
{
    for (const char* spec : { "18=permanent", "0=1", "3=sporadic:15", "3=256", "air-mass=wet", "3" }) {
        UnitMemory memory;
        QString error;
        EXPECT_FALSE(simfaultmem::parse(QString::fromLatin1(spec), memory, &error)) << spec;
        EXPECT_FALSE(error.isEmpty()) << spec;
    }
}

TEST(SimFaultMemory, WiredInputs_ReadAtTheConverterEnds)
{
    EcuSim sim(simprofiles::kDefault);
    sim.setEngine(2500);
    sim.memory().airMassInput = SensorWiring::Open;
    sim.memory().headTempInput = SensorWiring::ShortToGround;
    const QByteArray analog = sim.feed("g00?");
    ASSERT_EQ(analog.size(), 8);
    EXPECT_EQ(analog.left(4), bytes::of({ 0xFF, 0x03, 0, 0 }));
    EXPECT_TRUE(faults::checkHolds(analog, SensorCheck::AirMassOpen));
    EXPECT_TRUE(faults::checkHolds(analog, SensorCheck::HeadTempShort));
}

// --- the read ------------------------------------------------------------------

TEST_F(FaultMemoryWindowTest, Opening_ReadsAfterASecondAndShowsTheReport)
{
    connectUnit();
    simfaultmem::setPermanent(sim->memory(), 3);
    simfaultmem::setSporadic(sim->memory(), 7, 3);
    open();
    QString before;
    bool buttonsBefore = true;
    QElapsedTimer sinceOpen;
    qint64 firstRequestAfter = -1;
    sinceOpen.start();
    run([&] {
        if (before.isEmpty()) {
            before = window->reportText();
            for (const char* b : { "BtncmdRead", "BtncmdErase", "cmdCopy", "cmdPrint", "cmdTstAkt", "BtncmdExit" })
                buttonsBefore = buttonsBefore && enabled(b);
        }
        if (firstRequestAfter < 0 && !sim->received().empty())
            firstRequestAfter = sinceOpen.elapsed();
        if (!window->reading())
            button("BtncmdExit")->click();
    });
    EXPECT_EQ(before, QStringLiteral("Fehlerspeicher wird gelesen...\r\n"));
    EXPECT_FALSE(buttonsBefore) << "nothing to copy or print before a read";
    EXPECT_GE(firstRequestAfter, 45);
    EXPECT_EQ(sim->received(), framesOf({ "f00?", "g00?" }));
    EXPECT_EQ(window->reportText().toStdString(),
        "   Drosselklappensensor: \r\n      ->Signal nicht plausibel: Permanent\r\n\r\n"
        "   Luftmassenmesser: \r\n      ->Signalunterbrechung oder Kurzschluss nach  \r\n"
        "         Spannungsversorgung: Sporadisch ( 3)\r\n\r\n");
    EXPECT_FALSE(link.linkLost());
    EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(FaultMemoryWindowTest, ShortedAndOpenInputs_ReadPermanentThroughTheLiveCheck)
{
    connectUnit();
    for (int entry : { 4, 5, 6, 7 })
        simfaultmem::setSporadic(sim->memory(), entry, 2);
    sim->memory().headTempInput = SensorWiring::ShortToGround;
    sim->memory().airMassInput = SensorWiring::Open;
    readOnce();
    const QString report = window->reportText();
    EXPECT_TRUE(report.contains(QStringLiteral("->Kurzschluss nach Masse: Permanent"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("->Signalunterbrechung: Sporadisch ( 2)")));
    EXPECT_TRUE(report.contains(QStringLiteral("->Kurzschluss nach Masse: Sporadisch ( 2)")));
    EXPECT_TRUE(report.contains(QStringLiteral("Spannungsversorgung: Permanent")));
    EXPECT_EQ(sim->received(), framesOf({ "f00?", "g00?", "g00?", "g00?", "g00?" }));
}

struct FirmwareCase {
    int major;
    int minor;
    std::vector<QByteArray> frames; // with every entry permanent
    bool reportsHighVoltage;
    bool reportsSensors;
    bool actuatorTest;
};

class FaultMemoryByFirmware : public FaultMemoryWindowTest, public ::testing::WithParamInterface<FirmwareCase> { };

TEST_P(FaultMemoryByFirmware, ChoosesTheReadAndTheActuatorButton)
{
    const FirmwareCase& c = GetParam();
    connectUnit(withFirmware(c.major, c.minor));
    sim->memory().faultEntries.fill(0);
    actuatorTest = [](QWidget*) { return std::make_unique<QDialog>(); };
    readOnce();
    EXPECT_EQ(sim->received(), c.frames);
    const QString report = window->reportText();
    EXPECT_EQ(report.contains(QStringLiteral("Hochspannungsteil: ")), c.reportsHighVoltage)
        << report.toStdString();
    EXPECT_EQ(report.contains(QStringLiteral("Luftmassenmesser: ")), c.reportsSensors);
    EXPECT_TRUE(report.contains(QStringLiteral("Drosselklappensensor: ")));
    EXPECT_EQ(enabled("cmdTstAkt"), c.actuatorTest);
    EXPECT_TRUE(enabled("cmdCopy"));
    EXPECT_FALSE(link.linkLost()) << "the reply length fits the firmware";
}

const auto kFullFrames = framesOf({ "f00?", "g00?", "g00?", "g00?", "g00?" });
const auto kOneRead = framesOf({ "f00?" });

INSTANTIATE_TEST_SUITE_P(Gates, FaultMemoryByFirmware,
    ::testing::Values(FirmwareCase { 3, 0, kFullFrames, true, true, true },
        FirmwareCase { 2, 330, kFullFrames, true, true, true },
        FirmwareCase { 2, 329, kFullFrames, true, true, false },
        FirmwareCase { 1, 825, kOneRead, true, false, true },
        FirmwareCase { 1, 824, kOneRead, true, false, false },
        FirmwareCase { 1, 821, kOneRead, true, false, false },
        FirmwareCase { 1, 820, kOneRead, false, false, false },
        FirmwareCase { 0, 550, kOneRead, false, false, false }),
    [](const auto& info) { return testName(info.param.major, info.param.minor); });

TEST_F(FaultMemoryWindowTest, NoActuatorTestRegistered_KeepsItsButtonDisabled)
{
    connectUnit(); // firmware 4.012 offers the test
    readOnce([&] { EXPECT_FALSE(enabled("cmdTstAkt")); });
}

// --- erase, read again, copy, print ---------------------------------------------------

TEST_F(FaultMemoryWindowTest, Erase_SendsWithoutWaitingAndReadsAgain)
{
    connectUnit(QStringLiteral("ignition-rx4"));
    simfaultmem::setPermanent(sim->memory(), 1);
    int reads = 0;
    QString whileErasing;
    bool buttonsWhileErasing = true;
    run([&] {
        if (window->reading())
            return;
        if (++reads == 1) {
            button("BtncmdErase")->click();
            whileErasing = window->reportText();
            buttonsWhileErasing = enabled("BtncmdRead") || enabled("BtncmdExit") || enabled("cmdCopy");
        } else {
            button("BtncmdExit")->click();
        }
    });
    EXPECT_EQ(sim->received(), framesOf({ "f00?", "e00?", "f00?" }));
    EXPECT_EQ(whileErasing, QStringLiteral("Fehlerspeicher wird gelöscht..."));
    EXPECT_FALSE(buttonsWhileErasing);
    EXPECT_EQ(window->reportText(), QStringLiteral("   KZDX: Keine Fehler :-))))"));
    EXPECT_TRUE(platform.boxes.empty()) << "no confirmation is asked";
}

TEST_F(FaultMemoryWindowTest, ReadAgain_ShowsTheChangedMemory)
{
    connectUnit();
    int reads = 0;
    QString first;
    run([&] {
        if (window->reading())
            return;
        if (++reads == 1) {
            first = window->reportText();
            simfaultmem::setSporadic(sim->memory(), 17, 1);
            button("BtncmdRead")->click();
            EXPECT_EQ(window->reportText(), QStringLiteral("Fehlerspeicher wird gelesen..."));
        } else {
            button("BtncmdExit")->click();
        }
    });
    EXPECT_EQ(first, QStringLiteral("   KEDX: Keine Fehler :-))))"));
    EXPECT_EQ(window->reportText(),
        QStringLiteral("   Hochspannungsteil: \r\n      ->Funkentstörung fehlerhaft: Sporadisch ( 1)\r\n\r\n"));
    EXPECT_EQ(sim->received(), framesOf({ "f00?", "f00?" }));
}

TEST_F(FaultMemoryWindowTest, CopyAndPrint_CarryHeaderAndReportThroughThePlatform)
{
    connectUnit();
    simfaultmem::setPermanent(sim->memory(), 2);
    readOnce([&] {
        button("cmdCopy")->click();
        button("cmdPrint")->click();
    });
    const QString header = faults::reportHeader(session.identity(), platform.clock);
    EXPECT_TRUE(header.contains(QStringLiteral("ausgelesen um: 9.26.53 Uhr")));
    const QString body = window->reportText();
    EXPECT_EQ(platform.clipboard, header + body);
    ASSERT_EQ(platform.printed.size(), 1u);
    EXPECT_EQ(platform.printed[0].text, faults::printText(header, body));
    EXPECT_EQ(platform.printed[0].pointSize, 14);
    EXPECT_TRUE(platform.boxes.empty());
}

TEST_F(FaultMemoryWindowTest, PrinterFails_SaysNoPrinterAndKeepsTheReport)
{
    connectUnit();
    simfaultmem::setPermanent(sim->memory(), 2);
    platform.printerWorks = false;
    QString before;
    readOnce([&] {
        before = window->reportText();
        button("cmdPrint")->click();
    });
    EXPECT_TRUE(platform.printed.empty());
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_EQ(platform.boxes[0].text, QStringLiteral("Kein Drucker verfügbar"));
    EXPECT_EQ(platform.boxes[0].icon, Platform::Icon::Warning);
    EXPECT_EQ(window->reportText(), before);
    EXPECT_TRUE(enabled("cmdPrint"));
}

// --- the service report ---------------------------------------------------------

// The preview lives in a loop of its own: it is opened from a queued click so
// that the test's driver keeps running inside it.
TEST_F(FaultMemoryWindowTest, Report_PreviewsSavesAndPrintsWhatTheRunKnows)
{
    connectUnit();
    session.setCurrentPort(3);
    simfaultmem::setPermanent(sim->memory(), 3);
    session.serviceRecord().setActuatorRun(
        ActuatorRun { platform.clock, { QStringLiteral("Einspritzventil") }, true, true, true, true });
    QTemporaryDir dir;
    const QString csvPath = dir.filePath(QStringLiteral("bericht.csv"));
    const QString unwritable = dir.filePath(QStringLiteral("fehlt/bericht.csv"));
    const QString pdfPath = dir.filePath(QStringLiteral("bericht.pdf"));
    platform.saveAnswers = { csvPath, unwritable, pdfPath, pdfPath };

    bool enabledAfterRead = false;
    bool disabledWhileReading = false;
    QString shown;
    QString html;
    int stage = 0;
    run([&] {
        if (stage == 0 && window->reading())
            disabledWhileReading = !enabled("cmdReport");
        if (stage == 0 && !window->reading()) {
            enabledAfterRead = enabled("cmdReport");
            QMetaObject::invokeMethod(button("cmdReport"), "click", Qt::QueuedConnection);
            stage = 1;
        } else if (stage == 1) {
            auto* preview = window->findChild<FrmReport*>();
            if (!preview || !preview->isVisible())
                return;
            auto click
                = [&](const char* name) { preview->findChild<QPushButton*>(QString::fromLatin1(name))->click(); };
            shown = preview->findChild<QTextBrowser*>(QStringLiteral("txtReport"))->toPlainText();
            html = preview->html();
            click("cmdSaveCsv");
            click("cmdSaveCsv"); // into a folder that does not exist
            click("cmdSavePdf");
            platform.pdfWorks = false;
            click("cmdSavePdf");
            platform.printerWorks = false;
            click("cmdPrintReport");
            click("cmdCloseReport");
            stage = 2;
        } else if (stage == 2 && !window->findChild<FrmReport*>()) {
            button("BtncmdExit")->click();
        }
    });
    EXPECT_TRUE(disabledWhileReading);
    EXPECT_TRUE(enabledAfterRead);
    EXPECT_EQ(sim->received(), framesOf({ "f00?" })) << "the report asks the unit nothing";

    for (const char* text : { "Servicebericht", "Erstellt am: 14.03.26 09:26:53", "KEDX 2Zyl RX40D (RX4.0D)",
             "Seriennummer:", "VM-2026-", "COM 3", "Drosselklappensensor:", "->Signal nicht plausibel: Permanent",
             "Aktoren: Einspritzventil", "Test: Ein, vom Steuergerät beendet", "Zündwinkeltabelle: Nicht gelesen",
             "Lambdakennfeld 2: Nicht gelesen" })
        EXPECT_TRUE(shown.contains(QString::fromUtf8(text))) << text << "\nin:\n" << shown.toStdString();

    QFile csv(csvPath);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QByteArray bytes = csv.readAll();
    EXPECT_TRUE(bytes.startsWith("Servicebericht\r\n\r\nErstellt am: 14.03.26 09:26:53\r\n"));
    EXPECT_TRUE(bytes.contains("\r\nAktorentest\r\nZeitpunkt: 14.03.26 09:26:53\r\n")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains(QStringLiteral("Zündwinkeltabelle").toLatin1())) << "Latin-1 like the log files";

    ASSERT_EQ(platform.pdfs.size(), 1u);
    EXPECT_EQ(platform.pdfs[0].path, pdfPath);
    EXPECT_EQ(platform.pdfs[0].html, html);
    ASSERT_EQ(platform.saveDialogs.size(), 4u);
    EXPECT_EQ(platform.saveDialogs[0].filter, QStringLiteral("CSV-Datei (*.csv)|*csv"));
    EXPECT_EQ(platform.saveDialogs[2].filter, QStringLiteral("PDF-Dokument (*.pdf)|*pdf"));
    EXPECT_EQ(platform.saveDialogs[2].defaultExtension, QStringLiteral("pdf"));
    EXPECT_TRUE(platform.printedDocuments.isEmpty());

    const QString notWritten
        = QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden. Der Bericht wurde nicht gespeichert.");
    EXPECT_EQ(platform.boxTexts(),
        (QStringList {
            notWritten.arg(unwritable), notWritten.arg(pdfPath), QStringLiteral("Kein Drucker verfügbar") }));
    EXPECT_FALSE(QFileInfo::exists(unwritable));
}

TEST_F(FaultMemoryWindowTest, Report_PrintsTheShownDocument)
{
    connectUnit();
    std::unique_ptr<FrmReport> preview;
    readOnce([&] {
        preview = std::make_unique<FrmReport>(window->serviceReport());
        preview->findChild<QPushButton*>(QStringLiteral("cmdPrintReport"))->click();
    });
    ASSERT_EQ(platform.printedDocuments.size(), 1);
    EXPECT_EQ(platform.printedDocuments[0], preview->html());
    EXPECT_TRUE(platform.printedDocuments[0].contains(QStringLiteral("Keine Fehler")));
    EXPECT_TRUE(platform.boxes.empty());
}

// Alt and a letter reach one button only, in the window and in its preview.
TEST_F(FaultMemoryWindowTest, AccessKeys_AreDistinctInWindowAndPreview)
{
    connectUnit();
    open();
    const service::Report report = window->serviceReport();
    FrmReport preview(report);
    for (QWidget* w : { static_cast<QWidget*>(window.get()), static_cast<QWidget*>(&preview) }) {
        QStringList keys;
        for (QPushButton* b : w->findChildren<QPushButton*>()) {
            const qsizetype amp = b->text().indexOf(QLatin1Char('&'));
            if (amp >= 0)
                keys << b->text().mid(amp + 1, 1).toLower();
        }
        EXPECT_EQ(keys.removeDuplicates(), 0) << w->objectName().toStdString();
    }
    EXPECT_EQ(button("cmdReport")->text(), QStringLiteral("&Bericht..."));
}

// Tab and Shift+Tab leave the report for the buttons; typing still edits it.
TEST_F(FaultMemoryWindowTest, TabInTheReport_MovesTheFocusAndTypingStillEdits)
{
    connectUnit();
    QWidget* afterTab = nullptr;
    QWidget* afterBacktab = nullptr;
    QString typed;
    QString report;
    readOnce([&] {
        auto* text = window->findChild<QPlainTextEdit*>(QStringLiteral("tfMessages"));
        report = window->reportText();
        text->setFocus();
        text->moveCursor(QTextCursor::End);
        QTest::keyClick(text, Qt::Key_Tab);
        afterTab = window->focusWidget();
        text->setFocus();
        QTest::keyClick(text, Qt::Key_Tab, Qt::ShiftModifier);
        afterBacktab = window->focusWidget();
        QTest::keyClicks(text, QStringLiteral("x"));
        typed = window->reportText();
    });
    EXPECT_EQ(afterTab, button("BtncmdRead"));
    EXPECT_EQ(afterBacktab, button("BtncmdExit"));
    EXPECT_FALSE(typed.contains(QLatin1Char('\t')));
    EXPECT_EQ(typed, report + QStringLiteral("x"));
}

// --- closing during the read ------------------------------------------------------------

class FaultMemoryCloseDuringTheRead : public FaultMemoryWindowTest, public ::testing::WithParamInterface<bool> { };

TEST_P(FaultMemoryCloseDuringTheRead, FollowsTheReadWithItsInputCheck)
{
    const bool escape = GetParam();
    connectUnit();
    simfaultmem::setSporadic(sim->memory(), 7, 3);
    sim->faults().lateMs = 20;
    bool closed = false;
    run([&] {
        if (closed || !window->busy() || !link.transactionRunning())
            return;
        closed = true;
        if (escape) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(window.get(), &key);
        } else {
            window->close();
        }
        EXPECT_TRUE(window->isVisible()) << "the read is not cut off";
    });
    EXPECT_TRUE(closed);
    EXPECT_EQ(sim->received(), framesOf({ "f00?", "g00?" }));
    EXPECT_TRUE(window->reportText().contains(QStringLiteral("Luftmassenmesser: "))) << "the report was shown";
    EXPECT_FALSE(link.linkLost());
    EXPECT_EQ(link.refusals(), 0);
    EXPECT_FALSE(window->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Ways, FaultMemoryCloseDuringTheRead, ::testing::Bool(),
    [](const auto& info) { return std::string(info.param ? "Escape" : "CloseBox"); });

// --- a lost link -------------------------------------------------------------------------

struct LostCase {
    const char* name;
    int dropAfter; // commands the unit still answers
    std::vector<QByteArray> frames;
};

class FaultMemoryLinkLost : public FaultMemoryWindowTest, public ::testing::WithParamInterface<LostCase> { };

TEST_P(FaultMemoryLinkLost, ClosesWithTheReportUnchanged)
{
    connectUnit();
    simfaultmem::setPermanent(sim->memory(), 4);
    simfaultmem::setPermanent(sim->memory(), 5);
    sim->faults().dropAfter = GetParam().dropAfter;
    run(nullptr);
    EXPECT_EQ(sim->received(), GetParam().frames);
    EXPECT_EQ(window->reportText(), QStringLiteral("Fehlerspeicher wird gelesen...\r\n"));
    EXPECT_TRUE(link.linkLost());
    EXPECT_TRUE(link.timedOut());
    EXPECT_TRUE(platform.boxes.empty()); // NoBreakMsg is 1 in the default file
}

INSTANTIATE_TEST_SUITE_P(Reads, FaultMemoryLinkLost,
    ::testing::Values(LostCase { "FaultRead", 0, framesOf({ "f00?" }) },
        LostCase { "FirstInputCheck", 1, framesOf({ "f00?", "g00?" }) },
        LostCase { "SecondInputCheck", 2, framesOf({ "f00?", "g00?", "g00?" }) }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FaultMemoryWindowTest, LinkLostWithBoxesOn_ShowsTheConnectionBoxOnce)
{
    connectUnit();
    Settings s;
    s.noBreakMsg = 0;
    ASSERT_TRUE(settings.write(s));
    sim->faults().silent = true;
    run(nullptr);
    EXPECT_EQ(platform.boxTexts(), QStringList { QStringLiteral("Verbindung zum Motorsteuergerät verloren!") });
}

// A stand-in for the actuator test: runs `whileOpen` as its opening.
class FakeActuatorTest : public QDialog {
public:
    explicit FakeActuatorTest(std::function<void()> whileOpen, QWidget* parent)
        : QDialog(parent)
        , m_whileOpen(std::move(whileOpen))
    {
    }
    int exec() override
    {
        m_whileOpen();
        return QDialog::Accepted;
    }

private:
    std::function<void()> m_whileOpen;
};

TEST_F(FaultMemoryWindowTest, ActuatorTest_OpensAndAfterALostLinkClosesThisWindowToo)
{
    connectUnit();
    int opened = 0;
    bool loseLink = false;
    actuatorTest = [&](QWidget* parent) {
        return std::make_unique<FakeActuatorTest>(
            [&] {
                ++opened;
                if (loseLink) {
                    link.setTimedOut();
                    link.setLinkLost(true);
                }
            },
            parent);
    };
    run([&] {
        if (window->reading() || !enabled("cmdTstAkt"))
            return;
        if (opened == 0) {
            button("cmdTstAkt")->click();
            EXPECT_TRUE(window->isVisible()) << "a test that ended well leaves the window open";
            loseLink = true;
        }
        button("cmdTstAkt")->click();
    });
    EXPECT_EQ(opened, 2);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(FaultMemoryWindowTest, LostInsideTheStatusWindowsChain_ClosesBothAndLeavesTheFlag)
{
    connectUnit();
    ASSERT_TRUE(settings.write(Settings {}));
    session.setCurrentPort(3);
    UnitWindows windows;
    int opened = 0;
    windows.faultMemory = [&](QWidget* parent) {
        ++opened;
        sim->faults().silent = true; // the unit falls silent while the fault memory is read
        return std::unique_ptr<QDialog>(std::make_unique<FrmFMem>(session, parent));
    };
    FrmMStg status(session, windows);
    QTimer driver;
    QElapsedTimer clock;
    clock.start();
    bool pressed = false;
    QObject::connect(&driver, &QTimer::timeout, [&] {
        if (clock.elapsed() > 8000)
            status.done(0);
        if (!pressed && status.polling()) {
            pressed = true;
            status.findChild<QPushButton*>(QStringLiteral("cmdFSpeicher"))->click();
        }
    });
    driver.start(5);
    status.exec();
    EXPECT_LT(clock.elapsed(), 8000) << "the chain did not unwind";
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(sim->received().back(), QByteArray("f00?"));
    EXPECT_TRUE(link.linkLost());
    EXPECT_FALSE(link.portOpen());
}

TEST_F(FaultMemoryWindowTest, F1_ShowsTheFaultMemoryTopic)
{
    connectUnit();
    open();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &press);
    EXPECT_EQ(platform.helpTopics, QStringList { QStringLiteral("fmem.html") });
}

} // namespace
