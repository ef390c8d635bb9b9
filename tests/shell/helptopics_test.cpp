#include "basic/frmsds.h"
#include "basic/zwkor.h"
#include "core/settings.h"
#include "diagnostics/akttest.h"
#include "diagnostics/frmdwgtest.h"
#include "diagnostics/frmfmem.h"
#include "options/frmabout.h"
#include "options/frmoptionen.h"
#include "racing/frmroptionen.h"
#include "shell/frmhaupt.h"
#include "shell/link.h"
#include "sim/simtransport.h"
#include "status/frmlogview.h"
#include "status/frmmstg.h"
#include "support/simlink.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// Every window answers F1 with its own topic. Each new window adds its row.
struct Environment : SimLink {
    SimTransport probe;
    PortMap ports { {}, PortMap::System::Unix };
    UnitWindows windows;
};

struct TopicCase {
    const char* window;
    std::function<std::unique_ptr<QWidget>(Environment&)> make;
    const char* topic;
};

class HelpTopics : public ::testing::TestWithParam<TopicCase> { };

TEST_P(HelpTopics, F1_AsksForTheWindowsTopic)
{
    Environment env;
    std::unique_ptr<QWidget> window = GetParam().make(env);
    ASSERT_NE(window, nullptr);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &press);
    EXPECT_TRUE(press.isAccepted());
    EXPECT_EQ(env.platform.helpTopics, QStringList { QString::fromLatin1(GetParam().topic) });
}

INSTANTIATE_TEST_SUITE_P(Windows, HelpTopics,
    ::testing::Values(
        TopicCase { "FrmHaupt", [](Environment& e) { return std::make_unique<FrmHaupt>(e.session); }, "" },
        TopicCase { "FrmMStg", [](Environment& e) { return std::make_unique<FrmMStg>(e.session, e.windows); },
            "zustandsanzeige.html" },
        TopicCase { "FrmOptionen",
            [](Environment& e) { return std::make_unique<FrmOptionen>(e.settings, e.probe, e.ports); },
            "optionen.html" },
        TopicCase { "FrmFMem", [](Environment& e) { return std::make_unique<FrmFMem>(e.session); }, "fmem.html" },
        TopicCase { "FrmAbout", [](Environment&) { return std::make_unique<FrmAbout>(); }, "support.html" },
        TopicCase {
            "AktTest", [](Environment& e) { return std::make_unique<AktTest>(e.session); }, "aktortest.html" },
        TopicCase {
            "FrmDwgTest", [](Environment& e) { return std::make_unique<FrmDwgTest>(e.session); }, "dwgtest.html" },
        TopicCase { "ZwKor", [](Environment&) { return std::make_unique<ZwKor>(0); }, "zwa.html" },
        TopicCase {
            "FrmSDS", [](Environment& e) { return std::make_unique<FrmSDS>(e.session); }, "st_optionen.html" },
        TopicCase { "FrmROptionen", [](Environment& e) { return std::make_unique<FrmROptionen>(e.session); },
            "r_optionen_ignitiontable.html" },
        TopicCase { "FrmLogView",
            [](Environment&) { return std::make_unique<FrmLogView>(vml::Log {}, QStringLiteral("fahrt.vml")); },
            "logview.html" }),
    [](const auto& info) { return std::string(info.param.window); });

} // namespace
