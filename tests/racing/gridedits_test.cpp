#include "racing/frmroptionen.h"
#include "racing/ignitiontab.h"
#include "shell/kit/boxes.h"
#include "sim/ecusim.h"
#include "sim/profile.h"
#include "support/historydialog.h"
#include "support/modal.h"
#include "support/simlink.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QSlider>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString u(const char* s)
{
    return QString::fromUtf8(s);
}

constexpr const char* k111 = "ignition-rx4-racing"; // type 4, firmware 4.000

// The racing window on a simulated unit with a serial number, so that its
// edits have a journal.
class GridEditsTest : public ::testing::Test, protected SimLink {
protected:
    void connectUnit(const char* profile = k111)
    {
        sim = plugInUnit(*this, *simprofiles::find(QString::fromLatin1(profile)));
        ASSERT_TRUE(link.portOpen());
        sim->memory().parameters[simcodes::kAngleOffset] = 0;
        session.setLeadAngle(0);
        session.setWarnings(1);
        UnitIdentity id = session.identity();
        id.serialNumber = u("4711");
        session.setIdentity(id);
        for (int a = 1; a <= 111; ++a) {
            sim->memory().tables['b'][a] = quint8(100 + a);
            sim->memory().tables['m'][a] = quint8(50 + a);
        }
    }

    // Opens the window and runs each step when the window is idle; then
    // leaves it by "&Fertig" (a question, if any, must be scripted).
    void run(std::vector<std::function<void()>> acts)
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
                    acts[next++]();
                    return;
                }
                if (!exited) {
                    exited = true;
                    button("cmdExit")->click();
                }
            },
            30000))
            << "the window did not close in time";
    }

    template <typename W = QWidget> W* find(const char* name) const
    {
        return window->ignitionTab().findChild<W*>(QString::fromLatin1(name));
    }
    QPushButton* button(const char* name) const
    {
        return window->findChild<QPushButton*>(QString::fromLatin1(name));
    }
    IgnitionTab& tab() const { return window->ignitionTab(); }
    QTableWidget* grid() const { return find<QTableWidget>("MSHFlexGrid1"); }
    QString cell(int row, int column) const { return grid()->item(row, column)->text(); }
    QAction* action(const char* name) const { return find<QAction>(name); }
    // Band `row` of cylinder 1 set to `byte` by click, slider and take-over.
    void handEdit(int row, int byte) const
    {
        emit grid()->cellClicked(row, 1);
        find<QSlider>("sldZWinkel")->setValue(byte);
        button("cmdCopytoTable")->click();
    }
    QString journalPath() const { return dir.filePath(u("Journal/4711/Zuendwinkeltabelle.vmz")); }
    bool journalWritten() const
    {
        return QTest::qWaitFor([&] { return QFile::exists(journalPath()); }, 3000);
    }
    void key(QWidget* w, Qt::Key k) const
    {
        QApplication::setActiveWindow(window.get());
        w->setFocus();
        QTest::keyClick(w, k, Qt::ControlModifier);
    }

    TimeScale fast { 0.05 };
    std::unique_ptr<EcuSim> sim;
    std::unique_ptr<FrmROptionen> window;
};

TEST_F(GridEditsTest, CompareWithUnit_SendsTheReadsRequests_KeepsTheGrid_MarksAndCountsTheDifferences)
{
    connectUnit();
    std::vector<QByteArray> readFrames;
    std::vector<QByteArray> compareFrames;
    QStringList gridAfterRead;
    run({ [&] {
             sim->clearReceived();
             button("cmdReadZwTab")->click();
             readFrames = sim->received();
         },
        [&] {
            for (int row = 0; row < 111; ++row)
                gridAfterRead << cell(row, 1) + cell(row, 2) + cell(row, 3) + cell(row, 4);
            sim->memory().tables['b'][1] = 0; // row 0, cylinder 1
            sim->memory().tables['m'][50] = 0; // row 49, cylinder 2
            sim->memory().tables['m'][111] = 255; // row 110, cylinder 2
            sim->clearReceived();
            platform.boxes.clear();
            action("actCompareUnit")->trigger();
            compareFrames = sim->received();
        },
        [&] {
            QStringList now;
            for (int row = 0; row < 111; ++row)
                now << cell(row, 1) + cell(row, 2) + cell(row, 3) + cell(row, 4);
            EXPECT_EQ(now, gridAfterRead);
            EXPECT_EQ(tab().differenceCount(), 3);
            EXPECT_EQ(find<QLabel>("lblCompare")->text(), u("Vergleich mit Steuergerät: 3 Werte weichen ab"));
            EXPECT_EQ(grid()->item(49, 2)->background().color(), IgnitionTab::kDiffers);
            EXPECT_EQ(grid()->item(49, 4)->background().color(), IgnitionTab::kDiffers);
            EXPECT_EQ(grid()->item(49, 1)->background().color(), QColor(Qt::white));
            EXPECT_EQ(grid()->item(0, 1)->toolTip(), u("Vergleichswert: 38,2 Grad (Byte 0)"));
            EXPECT_TRUE(tab().comparedCurve(0)->isVisible());
            EXPECT_EQ(tab().comparedCurve(0)->at(0).y(), 38.2);
            // An edit that takes over the unit's value compares again.
            handEdit(0, 0);
            EXPECT_EQ(find<QLabel>("lblCompare")->text(), u("Vergleich mit Steuergerät: 2 Werte weichen ab"));
            action("actEndComparison")->trigger();
            EXPECT_FALSE(tab().comparing());
            EXPECT_EQ(grid()->item(49, 2)->background().color(), QColor(Qt::white));
            EXPECT_FALSE(tab().comparedCurve(0)->isVisible());
            EXPECT_EQ(find<QLabel>("lblCompare")->text(), QString());
            platform.answers.push_back(Platform::Answer::Yes); // leave the edited table
        } });
    ASSERT_EQ(readFrames.size(), 222u);
    EXPECT_EQ(compareFrames, readFrames);
    EXPECT_FALSE(platform.boxTexts().contains(boxes::kTransferComplete));
}

// Two reads keep two versions; the older one, picked from the history,
// is compared with the grid, which keeps the newer read.
TEST_F(GridEditsTest, CompareWithStoredVersion_CountsWhatChangedSinceAnEarlierRead)
{
    connectUnit();
    QStringList listed;
    run({ [&] { button("cmdReadZwTab")->click(); },
        [&] {
            sim->memory().tables['b'][1] = 0; // row 0, cylinder 1
            sim->memory().tables['m'][2] = 0; // row 1, cylinder 2
            button("cmdReadZwTab")->click();
        },
        [&] {
            HistoryDialogAnswer older(1);
            action("actCompareHistory")->trigger();
            listed = older.items;
            EXPECT_EQ(tab().differenceCount(), 2);
            EXPECT_TRUE(find<QLabel>("lblCompare")->text().endsWith(u(": 2 Werte weichen ab")));
        } });
    EXPECT_EQ(listed.size(), 2);
}

TEST_F(GridEditsTest, UndoRedoCopyPaste_ByKeysAnywhereInTheTab)
{
    connectUnit();
    run({ [&] { button("cmdReadZwTab")->click(); },
        [&] {
            const QString readByte = cell(5, 3);
            handEdit(5, 0);
            EXPECT_EQ(cell(5, 3), u("0"));
            EXPECT_TRUE(tab().tableModified());

            key(grid(), Qt::Key_Z);
            EXPECT_EQ(cell(5, 3), readByte);
            EXPECT_FALSE(tab().tableModified());
            key(find<QSlider>("sldZWinkel"), Qt::Key_Z); // the read
            EXPECT_EQ(cell(5, 3), QString());
            EXPECT_EQ(window->findChild<QLabel*>(u("lbl_TabQuelle"))->text(), RacingTab::kNotLoaded);
            key(grid(), Qt::Key_Y);
            key(grid(), Qt::Key_Y);
            EXPECT_EQ(cell(5, 3), u("0"));
            EXPECT_TRUE(tab().tableModified());
            EXPECT_EQ(window->findChild<QLabel*>(u("lbl_TabQuelle"))->text(), IgnitionTab::kFromUnit);

            // Copy, then paste at the first cell: nothing changes, no step is added.
            grid()->setCurrentCell(0, 1);
            key(grid(), Qt::Key_C);
            ASSERT_EQ(platform.clipboard.count(u("\r\n")), 111);
            EXPECT_TRUE(platform.clipboard.startsWith(u("28,1\t33,1\r\n")));
            key(grid(), Qt::Key_V);
            key(grid(), Qt::Key_Z); // undoes the take-over, not the paste
            EXPECT_EQ(cell(5, 3), readByte);
            key(grid(), Qt::Key_Y);

            // A bad value refuses the whole paste with one box.
            platform.clipboard = u("30,0\t30,0\r\n99\t30,0\r\n");
            grid()->setCurrentCell(3, 1);
            key(grid(), Qt::Key_V);
            EXPECT_EQ(cell(3, 3), u("104"));
            ASSERT_EQ(platform.boxes.size(), 2u);
            EXPECT_EQ(platform.boxes.back().text,
                u("Der eingefügte Zündwinkel \"99\" für Drehzahlbereich %1 U/min, Zylinder 1 liegt außerhalb von "
                  "12,7 bis 38,2 Grad. Es wurde nichts eingefügt.")
                    .arg(cell(4, 0)));
            // A good one is one step.
            platform.clipboard = u("30,0\t31,0\n");
            key(grid(), Qt::Key_V);
            EXPECT_EQ(cell(3, 3), u("82"));
            EXPECT_EQ(cell(3, 4), u("72"));
            key(grid(), Qt::Key_Z);
            EXPECT_EQ(cell(3, 3), u("104"));
            EXPECT_EQ(cell(3, 4), u("54"));
            platform.answers.push_back(Platform::Answer::Yes);
        } });
}

TEST_F(GridEditsTest, Journal_KeptAfterAnEdit_OfferedOnReopen_RestoredAsAStep_OrDiscarded)
{
    connectUnit();
    run({ [&] { button("cmdReadZwTab")->click(); },
        [&] {
            handEdit(7, 3);
            EXPECT_TRUE(journalWritten());
            platform.answers.push_back(Platform::Answer::Yes);
        } });
    ASSERT_TRUE(QFile::exists(journalPath()));
    const QString when = QFileInfo(journalPath()).lastModified().toString(u("dd.MM.yyyy HH:mm"));

    platform.boxes.clear();
    platform.answers.push_back(Platform::Answer::Yes);
    run({ [&] {
        EXPECT_EQ(cell(7, 3), u("3"));
        EXPECT_EQ(cell(6, 3), u("107"));
        EXPECT_TRUE(tab().tableModified());
        // The restore is a step of its own.
        tab().undo();
        EXPECT_EQ(cell(7, 3), QString());
        tab().redo();
        platform.answers.push_back(Platform::Answer::Yes);
    } });
    ASSERT_FALSE(platform.boxes.empty());
    EXPECT_EQ(platform.boxes.front().text,
        u("Für dieses Steuergerät gibt es ungespeicherte Änderungen an der Zündwinkeltabelle vom %1 (1 Wert "
          "weicht "
          "vom zuletzt gelesenen Stand ab). Wiederherstellen?")
            .arg(when));
    EXPECT_EQ(platform.boxes.front().buttons, Platform::Buttons::YesNo);

    platform.answers.push_back(Platform::Answer::No);
    run({ [&] { EXPECT_EQ(cell(7, 3), QString()); } });
    EXPECT_FALSE(QFile::exists(journalPath()));
}

TEST_F(GridEditsTest, Journal_ClearedByACleanWrite_AndAnUnusableFolderShowsNoBox)
{
    connectUnit();
    run({ [&] { button("cmdReadZwTab")->click(); },
        [&] {
            handEdit(2, 9);
            EXPECT_TRUE(journalWritten());
            button("cmdWriteZwTab")->click();
        },
        [&] { EXPECT_FALSE(QFile::exists(journalPath())); } });
    EXPECT_EQ(sim->memory().tables['b'][3], 9);

    // A file where the journal folder belongs.
    ASSERT_TRUE(QDir(dir.filePath(u("Journal"))).removeRecursively());
    QFile blocker(dir.filePath(u("Journal")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    platform.boxes.clear();
    run({ [&] {
             handEdit(2, 10);
             QTest::qWait(3 * IgnitionTab::kJournalDelayMs);
         },
        [&] {
            EXPECT_TRUE(platform.boxes.empty());
            platform.answers.push_back(Platform::Answer::Yes);
        } });
    EXPECT_EQ(platform.boxes.size(), 1u); // the exit question only
}

} // namespace
