#include "racing/injectiontab.h"
#include "racing/tabtest.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
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

class InjectionEditsTest : public TabTest {
protected:
    void open()
    {
        connectWithBar(*simprofiles::find(QStringLiteral("injection-rx4-racing")));
        tab = std::make_unique<InjectionTab>(*context);
        tab->setMapSelectionOffered(true);
        tab->resize(900, 500);
        tab->show();
        QApplication::setActiveWindow(tab.get());
    }
    template <typename W = QWidget> W* find(const char* name) const { return control<W>(*tab, name); }
    QTableWidget* grid() const { return find<QTableWidget>("msfgEV"); }
    QString cell(int row, int column) const { return grid()->item(row, column)->text(); }
    void key(Qt::Key k)
    {
        grid()->setFocus();
        QTest::keyClick(grid(), k, Qt::ControlModifier);
    }
    void typeInto(int row, int column, const char* text)
    {
        grid()->setFocus();
        grid()->setCurrentCell(row, column);
        for (const char* c = text; *c; ++c)
            QTest::keyClick(QApplication::focusWidget(), *c);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }

    std::unique_ptr<InjectionTab> tab;
};

TEST_F(InjectionEditsTest, CompareWithUnit_SendsTheReadsRequests_KeepsTheMap_CountsCellsAndFlow)
{
    open();
    auto& t = sim->memory().tables[simcodes::kLambdaMaps];
    tab->readMap();
    const Frames readFrames = sim->received();
    const QString before = lambda::copyText(tab->maps(), Map::One, lambda::wholeMap());
    t[address(Map::One, 1, 1)] = 4, t[address(Map::One, 1, 1) + 1] = 181; // 0,85
    t[address(Map::One, 10, 6)] = 1, t[address(Map::One, 10, 6) + 1] = 146; // 2,55
    sim->memory().parameters[96] = 10 * 256 + 201; // 178 g/min
    sim->clearReceived();

    find<QAction>("actCompareUnit")->trigger();

    EXPECT_EQ(sim->received(), readFrames);
    EXPECT_EQ(lambda::copyText(tab->maps(), Map::One, lambda::wholeMap()), before);
    EXPECT_EQ(tab->differenceCount(), 3);
    EXPECT_EQ(find<QLabel>("lblCompare")->text(), u("Vergleich mit Steuergerät: 3 Werte weichen ab"));
    EXPECT_EQ(grid()->item(10, 6)->background().color(), InjectionTab::kDiffers);
    EXPECT_EQ(grid()->item(10, 6)->toolTip(), u("Vergleichswert: 2,55"));
    EXPECT_EQ(find<QLineEdit>("txtFoerdermenge")->toolTip(), u("Vergleichswert: 178 g/min"));
    EXPECT_EQ(bar.value(), RacingContext::kProgressMin);
    EXPECT_TRUE(boxTexts().isEmpty());

    // Typing the unit's value compares again; showing the other map ends it.
    typeInto(1, 1, "0,85");
    EXPECT_EQ(tab->differenceCount(), 2);
    tab->showMap(Map::Two);
    EXPECT_FALSE(tab->comparing());
    EXPECT_EQ(find<QLabel>("lblCompare")->text(), QString());
}

TEST_F(InjectionEditsTest, CompareWithUnit_TheUnitFallsSilent_KeepsTheMapWithoutABox)
{
    open();
    typeInto(1, 1, "0,85");
    expectEndsAtOnce(30, [&] { tab->compareWithUnit(); });
    EXPECT_EQ(cell(1, 1), u("0,85"));
    EXPECT_EQ(cell(1, 2), QString());
    EXPECT_FALSE(tab->comparing());
}

TEST_F(InjectionEditsTest, Undo_CoversBothMapsAndTheFlowRate_PasteIsOneStep)
{
    open();
    auto* flow = find<QSpinBox>("udFoerdermenge");
    typeInto(1, 1, "0,85");
    tab->showMap(Map::Two);
    platform.clipboard = u("0,90\t0,95\r\n1,05\t1,10\r\n");
    grid()->setCurrentCell(2, 3);
    key(Qt::Key_V);
    EXPECT_EQ(cell(3, 4), u("1,10"));
    flow->setValue(501);
    flow->setValue(502); // steps in a row are one undo step
    EXPECT_EQ(find<QLineEdit>("txtFoerdermenge")->text(), u("502"));

    key(Qt::Key_Z);
    EXPECT_EQ(flow->value(), 500);
    EXPECT_EQ(cell(3, 4), u("1,10"));
    key(Qt::Key_Z);
    EXPECT_EQ(cell(2, 3), QString());
    EXPECT_EQ(cell(3, 4), QString());
    key(Qt::Key_Z);
    tab->showMap(Map::One);
    EXPECT_EQ(cell(1, 1), QString());
    EXPECT_FALSE(tab->canUndo());
    key(Qt::Key_Y);
    key(Qt::Key_Y);
    EXPECT_EQ(cell(1, 1), u("0,85"));
    EXPECT_EQ(tab->maps().text(Map::Two, { 2, 3 }), u("0,90"));

    // Copy and paste back at the first cell: nothing changes, no step.
    grid()->setCurrentCell(1, 1);
    key(Qt::Key_C);
    EXPECT_TRUE(platform.clipboard.startsWith(u("0,85\t\t\t\t\t\r\n")));
    key(Qt::Key_V);
    key(Qt::Key_Z);
    EXPECT_EQ(tab->maps().text(Map::Two, { 2, 3 }), QString());
    EXPECT_EQ(cell(1, 1), u("0,85"));
    EXPECT_TRUE(boxTexts().isEmpty());
}

} // namespace
