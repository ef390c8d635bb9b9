#include "options/frmabout.h"
#include "support/scriptedplatform.h"
#include "support/testnames.h"

#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class FrmAboutTest : public ::testing::Test {
protected:
    ScriptedPlatform scripted;
    QWidget owner;
    QPointer<FrmAbout> about = new FrmAbout(&owner);

    template <typename T> T* get(const char* name) const
    {
        T* w = about->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
};

TEST_F(FrmAboutTest, Load_ShowsVersionCaptionAndLink)
{
    EXPECT_EQ(about->windowTitle(), QStringLiteral("Produktinformation"));
    EXPECT_TRUE(about->isWindow());
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(get<QLabel>("lblRelease")->text(), QStringLiteral("Version 2.412"));
    EXPECT_EQ(get<QLabel>("lblURL")->text(), FrmAbout::kVendorUrl);
    EXPECT_EQ(get<QLabel>("lblURL")->toolTip(), QStringLiteral("Öffnet die Velmora-Homepage"));
    EXPECT_EQ(get<QPushButton>("btnCmdExit")->text(), QStringLiteral("&Exit"));
    EXPECT_EQ(get<QPushButton>("btnCmdExit")->toolTip(), QStringLiteral("Dialog beenden"));
    bool found = false;
    for (QLabel* l : about->findChildren<QLabel*>())
        found = found || l->text() == QStringLiteral("Kommunikationssoftware");
    EXPECT_TRUE(found);
}

TEST_F(FrmAboutTest, ClickOnTheLink_OpensTheVendorPageThroughThePlatform)
{
    about->show();
    QTest::mouseClick(get<QLabel>("lblURL"), Qt::LeftButton);
    EXPECT_EQ(scripted.urls, QStringList { QStringLiteral("https://www.velmora.example/") });
    QTest::mouseClick(get<QLabel>("lblRelease"), Qt::LeftButton);
    EXPECT_EQ(scripted.urls.size(), 1);
}

TEST_F(FrmAboutTest, F1_OpensTheSupportTopic)
{
    QTest::keyClick(get<QPushButton>("btnCmdExit"), Qt::Key_F1);
    QTest::keyClick(about.data(), Qt::Key_F1);
    EXPECT_EQ(
        scripted.helpTopics, (QStringList { QStringLiteral("support.html"), QStringLiteral("support.html") }));
}

// "&Exit" and Escape, whichever control has the focus, close the box.
struct CloseCase {
    const char* name;
    const char* control; // nullptr: the button is clicked
};

class FrmAboutClose : public FrmAboutTest, public ::testing::WithParamInterface<CloseCase> { };

TEST_P(FrmAboutClose, ClosesTheBox)
{
    about->show();
    if (GetParam().control)
        QTest::keyClick(get<QWidget>(GetParam().control), Qt::Key_Escape);
    else
        get<QPushButton>("btnCmdExit")->click();
    EXPECT_FALSE(about->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(about.isNull());
    EXPECT_TRUE(scripted.urls.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Table, FrmAboutClose,
    ::testing::Values(CloseCase { "ExitButton", nullptr }, CloseCase { "EscapeOnTheButton", "btnCmdExit" },
        CloseCase { "EscapeOnTheLink", "lblURL" }),
    [](const auto& info) { return testName(info.param.name); });

} // namespace
