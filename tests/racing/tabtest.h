#pragma once

#include "racing/choketab.h"
#include "racing/extrastab.h"
#include "racing/loadchangetab.h"
#include "racing/racingcontext.h"
#include "racing/switchingtab.h"
#include "shell/kit/channel.h"
#include "sim/ecusim.h"
#include "sim/profile.h"
#include "support/simlink.h"
#include "support/testnames.h"

#include <QProgressBar>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// The four tabs that read on opening, on one context, as the window holds them.
struct Tabs {
    explicit Tabs(RacingContext& context)
        : switching(context)
        , extras(context)
        , choke(context)
        , loadChange(context)
    {
    }
    SwitchingTab switching;
    ExtrasTab extras;
    ChokeTab choke;
    LoadChangeTab loadChange;
};

// A control of a tab by its object name.
template <typename W = QWidget> W* control(const QWidget& tab, const char* name)
{
    W* w = tab.findChild<W*>(QString::fromLatin1(name));
    EXPECT_TRUE(w) << name;
    return w;
}

// A unit of the default kind with another line, cylinder count or firmware.
inline SimProfile unitWith(char line, int cylinders, int major, int minor)
{
    SimProfile p = *simprofiles::find(simprofiles::kDefault);
    p.line = line;
    p.cylinders = cylinders;
    p.major = major;
    p.minor = minor;
    p.firmware = simprofiles::firmwareText(major, minor);
    p.unitType = simprofiles::unitTypeText(line, cylinders, p.type, p.variant);
    return p;
}

inline QByteArray of(std::initializer_list<int> values)
{
    return bytes::of(values);
}

// The tabs on the racing window's line to a simulated unit.
class TabTest : public ::testing::Test, protected SimLink {
protected:
    void connectUnit(const SimProfile& profile = *simprofiles::find(simprofiles::kDefault))
    {
        sim = plugInUnit(*this, profile);
        ASSERT_TRUE(link.portOpen());
        session.setNoBreakMsg(1);
        channel = std::make_unique<Channel>(session, LinkPolicy::racingOptions(), kWatchdog, &window);
        context = std::make_unique<RacingContext>(session, *channel, &window);
        tabs = std::make_unique<Tabs>(*context);
    }

    QStringList boxTexts() const { return platform.boxTexts(); }

    // As connectUnit, with the window's progress bar at rest.
    void connectWithBar(const SimProfile& profile = *simprofiles::find(simprofiles::kDefault))
    {
        connectUnit(profile);
        bar.setRange(RacingContext::kProgressMin, RacingContext::kProgressMax);
        bar.setValue(RacingContext::kProgressMin);
        context->setControls(nullptr, &bar, {});
    }

    // The unit falls silent after `answered` more requests while `transfer`
    // runs: the transfer ends at once, without a further request or box, and
    // the bar rests.
    void expectEndsAtOnce(int answered, const std::function<void()>& transfer)
    {
        sim->faults().dropAfter = sim->commandCount() + answered;
        transfer();
        EXPECT_TRUE(context->lost());
        EXPECT_EQ(sim->received().size(), size_t(answered + 1));
        EXPECT_TRUE(platform.boxes.empty()) << boxTexts().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(bar.value(), RacingContext::kProgressMin);
    }

    static constexpr std::chrono::milliseconds kWatchdog { 5000 };
    TimeScale scale { 0.05 }; // the watchdog runs 250 ms
    QWidget window;
    std::unique_ptr<EcuSim> sim;
    std::unique_ptr<Channel> channel;
    std::unique_ptr<RacingContext> context;
    std::unique_ptr<Tabs> tabs;
    QProgressBar bar;
};

// A button's transfer that meets a silent unit after `answered` requests.
struct SilentCase {
    const char* name;
    bool write;
    int answered;
};
