#include "core/commands.h"
#include "core/settings.h"
#include "shell/kit/channel.h"
#include "shell/link.h"
#include "shell/session.h"
#include "support/scriptedplatform.h"
#include "support/scriptedtransport.h"
#include "support/testnames.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Piece = ScriptedTransport::Piece;
using Answer = ScriptedTransport::Answer;

const QByteArray kPeriod("\x03\x0D\x40", 3);
const QByteArray kSurplus("\xA5\xA5\xA5", 3);

struct ScriptedLine {
    ScriptedPlatform platform;
    QTemporaryDir dir;
    SettingsFile settings { dir.path() };
    ScriptedTransport transport;
    Link link { transport };
    Session session { link, settings };
    Channel channel { session, LinkPolicy::faultMemory(), 5000ms, nullptr };

    ScriptedLine()
    {
        link.openPort(1);
        // Wide enough that a loaded machine's timers never split one answer.
        link.setQuietTime(20ms);
    }
};

// What the quiet check says after the answers of one scope.
struct Step {
    Answer answer;
    bool settleAfter = true;
    LineVerdict verdict = LineVerdict::Clean; // when settled after
    QByteArray strayBefore = {};
};

struct VerdictCase {
    const char* name;
    std::vector<Step> steps;
};

class Verdicts : public ::testing::TestWithParam<VerdictCase> { };

TEST_P(Verdicts, QuietCheck_JudgesTheAnswersSinceTheLastOne)
{
    ScriptedLine line;
    int index = 0;
    for (const Step& step : GetParam().steps) {
        if (!step.strayBefore.isEmpty()) {
            line.transport.arrive(step.strayBefore);
            line.link.waitUntil([&] { return line.transport.bytesAvailable() == 0; });
        }
        line.transport.answers.push_back(step.answer);
        ASSERT_TRUE(line.channel.askUnsettled(cmd::period())) << index;
        if (step.settleAfter) {
            EXPECT_EQ(line.channel.settle(), step.verdict) << "step " << index;
        }
        ++index;
    }
}

INSTANTIATE_TEST_SUITE_P(Line, Verdicts,
    ::testing::Values(VerdictCase { "ExactAnswer", { { { { 0, kPeriod } } } } },
        VerdictCase { "SurplusWithTheAnswer", { { { { 0, kPeriod + "\xA5" } }, true, LineVerdict::Disturbed } } },
        VerdictCase {
            "SurplusTrailingBehind", { { { { 0, kPeriod }, { 5, "\xA5" } }, true, LineVerdict::Disturbed } } },
        VerdictCase {
            "BytesWaitingBeforeTheRequest", { { { { 0, kPeriod } }, true, LineVerdict::Disturbed, "\xA5\xA5" } } },
        // The tail of one answer lands in front of the next one asked at once:
        // the next reply is shifted, and only the count tells.
        VerdictCase { "TailInFrontOfTheNextReply",
            { { { { 0, kPeriod } }, false }, { { { 0, "\xA5\xA5" + kPeriod } }, true, LineVerdict::Disturbed } } },
        VerdictCase { "SteadySurplusOnceSaidTwice",
            { { { { 0, kPeriod + kSurplus } }, true, LineVerdict::Disturbed },
                { { { 0, kPeriod + kSurplus } }, true, LineVerdict::Clean },
                { { { 0, kPeriod + kSurplus } }, true, LineVerdict::Clean } } },
        VerdictCase { "SteadySurplusMissingOnce",
            { { { { 0, kPeriod + kSurplus } }, true, LineVerdict::Disturbed },
                { { { 0, kPeriod + kSurplus } }, true, LineVerdict::Clean },
                { { { 0, kPeriod } }, true, LineVerdict::Disturbed } } },
        // A habit's surplus that comes late is waited for, not taken for missing.
        VerdictCase { "SteadySurplusLate",
            { { { { 0, kPeriod + kSurplus } }, true, LineVerdict::Disturbed },
                { { { 0, kPeriod + kSurplus } }, true, LineVerdict::Clean },
                { { { 0, kPeriod }, { 30, kSurplus } }, true, LineVerdict::Clean } } },
        VerdictCase { "SteadySurplusPlusOne",
            { { { { 0, kPeriod + kSurplus } }, true, LineVerdict::Disturbed },
                { { { 0, kPeriod + kSurplus } }, true, LineVerdict::Clean },
                { { { 0, kPeriod + kSurplus + "\xA5" } }, true, LineVerdict::Disturbed } } }),
    [](const auto& info) { return std::string(info.param.name); });

// What a window gets from one request on a disturbed line.
struct AskCase {
    const char* name;
    Request request;
    std::vector<Answer> answers;
    std::optional<QByteArray> reply; // nothing: no value
    bool disturbed;
    size_t sent;
    bool lost;
};

class Asks : public ::testing::TestWithParam<AskCase> { };

TEST_P(Asks, Channel_TrustsOnlyAnUndisturbedAnswer)
{
    const AskCase& c = GetParam();
    ScriptedLine line;
    for (const Answer& a : c.answers)
        line.transport.answers.push_back(a);
    const Reply reply = line.channel.ask(c.request);
    if (c.reply) {
        ASSERT_TRUE(reply.has_value());
        EXPECT_EQ(*reply, *c.reply);
    } else {
        EXPECT_FALSE(reply.has_value());
    }
    EXPECT_EQ(reply.disturbed(), c.disturbed);
    EXPECT_EQ(line.transport.written.size(), c.sent);
    EXPECT_EQ(line.link.timedOut(), c.lost);
}

INSTANTIATE_TEST_SUITE_P(Line, Asks,
    ::testing::Values(AskCase { "DisturbedReadAskedAgain", cmd::period(),
                          { { { 0, kPeriod + "\xA5" } }, { { 0, kPeriod } } }, kPeriod, false, 2, false },
        AskCase { "ShiftedReadAskedAgain", cmd::period(), { { { 0, "\xA5" + kPeriod } }, { { 0, kPeriod } } },
            kPeriod, false, 2, false },
        AskCase { "SteadySurplusTrustedOnceRepeated", cmd::period(),
            { { { 0, kPeriod + kSurplus } }, { { 0, kPeriod + kSurplus } } }, kPeriod, false, 2, false },
        AskCase { "LineThatStaysDisturbedIsLost", cmd::period(),
            { { { 0, kPeriod + "\xA5" } }, { { 0, kPeriod + "\xA5\xA5" } }, { { 0, kPeriod + "\xA5" } },
                { { 0, kPeriod + "\xA5\xA5" } } },
            std::nullopt, false, size_t(Channel::kAsks), true },
        AskCase { "ToggleWithDisturbedAnswerGoesOutOnce", cmd::softDownToggle(),
            { { { 0, "\x09\xA5" } }, { { 0, "\x09" } } }, QByteArray("\x09"), true, 1, false },
        AskCase { "WriteWithDisturbedEchoGoesOutOnce", cmd::paramWrite(cmd::param::kStaticAngle, 122),
            { { { 0, "\x7A\xA5" } }, { { 0, "\x7A" } } }, QByteArray("\x7A"), true, 1, false }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Integrity, WriteWithDisturbedEcho_IsNotConfirmed)
{
    ScriptedLine line;
    line.transport.answers.push_back({ { 0, QByteArray("\x7A") }, { 3, QByteArray("\xA5") } });
    EXPECT_EQ(line.channel.writeParam(cmd::param::kStaticAngle, 122), Echo::Mismatch);
    EXPECT_EQ(line.transport.written.size(), 1u);
}

TEST(Integrity, PacingInterval_CountsFromTheAnswer)
{
    ScriptedLine line;
    line.transport.answers.push_back({ { 0, kPeriod } });
    ASSERT_TRUE(line.channel.ask(cmd::period())); // its quiet check takes 20 ms of the interval
    const auto before = line.link.sinceLastAnswer();
    EXPECT_GE(before, 20ms);
}

} // namespace
