#include "status/frmlogview.h"
#include "status/recording.h"
#include "support/scriptedplatform.h"

#include <QApplication>
#include <QChartView>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

class LogViewTest : public ::testing::Test {
protected:
    // A recording of three boxes and four rows, as the status window writes it.
    QString writeLog()
    {
        rec::Selection sel {};
        sel[rec::Rpm] = sel[rec::Dkpo] = sel[rec::ZWink] = true;
        rec::HeaderInfo info;
        info.txtStgType = QStringLiteral("KEDX 2Zyl RX40A");
        info.start = QDateTime(QDate(2026, 12, 7), QTime(9, 5, 3));
        info.sensorAngle = 382;
        rec::Displays d;
        d.txtDkPos = QStringLiteral("Teillast");
        QByteArray bytes = rec::headerBlock(info, sel, QLatin1Char(','));
        const char* rows[][3] = { { "0", " ---", " ---" }, { "1250", "26,2", "28,2" }, { "4800", "31,5", "32" },
            { "4900", "N/A", "32,5" } };
        int n = 0;
        for (const auto& r : rows) {
            d.txtRPM = QString::fromLatin1(r[0]);
            d.txtZndWinkel = QString::fromLatin1(r[1]);
            d.txtZndWinkelZ2 = QString::fromLatin1(r[2]);
            bytes += rec::row(n + 1, QTime(9, 5, 4 + n), sel, d);
            ++n;
        }
        const QString path = dir.filePath(QStringLiteral("fahrt.vml"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    void key(QWidget* target, int k)
    {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }

    QTemporaryDir dir;
    ScriptedPlatform platform;
};

TEST_F(LogViewTest, ChosenColumnsAndCursor_ShowTheRowsValues)
{
    std::unique_ptr<FrmLogView> window(FrmLogView::open(writeLog(), FrmLogView::kDefaultPollPeriod));
    ASSERT_NE(window, nullptr);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->show();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Logdatei - fahrt.vml"));

    auto* list = window->findChild<QListWidget*>(QStringLiteral("lstColumns"));
    auto* label = window->findChild<QLabel*>(QStringLiteral("lblCursor"));
    auto* chart = window->findChild<QChartView*>(QStringLiteral("chrtLog"));
    ASSERT_TRUE(list && label && chart);
    ASSERT_EQ(list->count(), 4);
    // The throttle texts are no numbers: listed, but cannot be chosen.
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("Drosselklappenposition (keine Zahlenwerte)"));
    EXPECT_FALSE(list->item(1)->flags() & Qt::ItemIsUserCheckable);
    // The first two columns with numbers are shown at the start; choose rpm and cylinder 2.
    EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(list->item(2)->checkState(), Qt::Checked);
    list->item(2)->setCheckState(Qt::Unchecked);
    list->item(3)->setCheckState(Qt::Checked);
    EXPECT_EQ(chart->chart()->series().size(), 2);

    key(chart, Qt::Key_Right);
    EXPECT_EQ(label->text(),
        QStringLiteral("Zeile 1   Zeit: 0,0 s (09:05:04 Uhr)   U/Min: 0   "
                       "eff. Z-Winkel vor OT Zyl. 2: -"));
    key(chart, Qt::Key_Right);
    key(chart, Qt::Key_Right);
    EXPECT_EQ(label->text(),
        QStringLiteral("Zeile 3   Zeit: 2,0 s (09:05:06 Uhr)   U/Min: 4800   "
                       "eff. Z-Winkel vor OT Zyl. 2: 32"));
    list->item(2)->setCheckState(Qt::Checked);
    EXPECT_EQ(label->text(),
        QStringLiteral("Zeile 3   Zeit: 2,0 s (09:05:06 Uhr)   U/Min: 4800   "
                       "eff. Z-Winkel vor OT Zyl. 1: 31,5   eff. Z-Winkel vor OT Zyl. 2: 32"));

    // The mouse over the plot's right end takes the cursor to the last row.
    const QRectF area = chart->chart()->plotArea();
    const QPoint atEnd
        = chart->mapFromScene(chart->chart()->mapToScene(QPointF(area.right() - 1, area.center().y())));
    QMouseEvent move(QEvent::MouseMove, atEnd, chart->viewport()->mapToGlobal(atEnd), Qt::NoButton, Qt::NoButton,
        Qt::NoModifier);
    QApplication::sendEvent(chart->viewport(), &move);
    EXPECT_EQ(window->cursorRow(), 3u);
    EXPECT_TRUE(label->text().contains(QStringLiteral("U/Min: 4900   eff. Z-Winkel vor OT Zyl. 1: -")));

    // Zooming in keeps the cursor's time in view; the reset shows the whole file.
    key(chart, Qt::Key_Plus);
    auto [from, to] = window->visibleRange();
    EXPECT_DOUBLE_EQ(to - from, 1.5);
    EXPECT_LE(from, 3.0);
    EXPECT_GE(to, 3.0);
    window->findChild<QPushButton*>(QStringLiteral("cmdZoomReset"))->click();
    std::tie(from, to) = window->visibleRange();
    EXPECT_EQ(from, 0.0);
    EXPECT_EQ(to, 3.0);
}

TEST_F(LogViewTest, SavePng_WritesAPngFileWhereTheUserChose)
{
    std::unique_ptr<FrmLogView> window(FrmLogView::open(writeLog(), FrmLogView::kDefaultPollPeriod));
    ASSERT_NE(window, nullptr);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window->show();
    const QString png = dir.filePath(QStringLiteral("fahrt.png"));
    platform.saveAnswers = { png, dir.filePath(QStringLiteral("gibtsnicht/bild.png")) };
    auto* save = window->findChild<QPushButton*>(QStringLiteral("cmdSavePng"));
    save->click();
    ASSERT_EQ(platform.saveDialogs.size(), 1u);
    EXPECT_EQ(platform.saveDialogs[0].filter, QStringLiteral("PNG-Bild (*.png)|*png"));
    EXPECT_EQ(platform.saveDialogs[0].initialName, QStringLiteral("fahrt.png"));
    QFile f(png);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.read(8), QByteArray("\x89PNG\r\n\x1A\n", 8));
    EXPECT_TRUE(platform.boxes.empty());

    save->click();
    ASSERT_EQ(platform.boxes.size(), 1u);
    EXPECT_TRUE(platform.boxes[0].text.contains(QStringLiteral("gibtsnicht/bild.png")));
}

TEST_F(LogViewTest, UnreadableOrForeignFile_GivesABoxNamingThePath)
{
    const QString missing = dir.filePath(QStringLiteral("fehlt.vml"));
    EXPECT_EQ(FrmLogView::open(missing, FrmLogView::kDefaultPollPeriod), nullptr);
    const QString foreign = dir.filePath(QStringLiteral("tabelle.vml"));
    QFile f(foreign);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("U/Min;Lambda\r\n1000;1,0\r\n");
    f.close();
    EXPECT_EQ(FrmLogView::open(foreign, FrmLogView::kDefaultPollPeriod), nullptr);
    ASSERT_EQ(platform.boxes.size(), 2u);
    EXPECT_TRUE(platform.boxes[0].text.startsWith(
        QStringLiteral("Die Logdatei \"%1\" kann nicht gelesen werden.").arg(missing)));
    EXPECT_TRUE(platform.boxes[1].text.contains(foreign));
    EXPECT_TRUE(platform.boxes[1].text.contains(QStringLiteral("keine Logdatei")));
    EXPECT_EQ(platform.boxes[1].icon, Platform::Icon::Critical);
}

} // namespace
