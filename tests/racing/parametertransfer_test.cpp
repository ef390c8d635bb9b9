#include "racing/parametertransfer.h"
#include "racing/tabtest.h"
#include "shell/kit/boxes.h"

#include <QLabel>
#include <QProgressBar>

namespace {

using Mismatch = ParameterTransfer::OnMismatch;

class ParameterTransferTest : public TabTest {
protected:
    void SetUp() override
    {
        connectUnit();
        bar.setRange(RacingContext::kProgressMin, RacingContext::kProgressMax);
        status.setText(QStringLiteral("vorher"));
        context->setControls(&status, &bar, { &locked });
    }

    // A write of the lead angle (code 154) whose stored value is echoed.
    static Request leadAngleWrite(int value) { return cmd::paramWrite(cmd::param::kLeadAngle, value); }

    QLabel status;
    QWidget locked;
};

// Each write of a sequence: the value sent and the echo the sequence expects.
struct Step {
    int value;
    int expectedEcho;
    Mismatch onMismatch;
};

struct SequenceCase {
    const char* name;
    std::vector<Step> steps;
    int sent; // writes that went out
    QStringList boxes;
};

class EchoPolicies : public ParameterTransferTest, public ::testing::WithParamInterface<SequenceCase> { };

TEST_P(EchoPolicies, EndsAsThePolicySays)
{
    const SequenceCase& c = GetParam();
    {
        ParameterTransfer transfer(*context, RacingContext::kParameterProgress);
        EXPECT_EQ(bar.value(), RacingContext::kParameterProgress);
        EXPECT_TRUE(locked.isEnabled()) << "a parameter transfer locks nothing";
        bool carryOn = true;
        for (const Step& step : c.steps) {
            carryOn = transfer.write(leadAngleWrite(step.value), of({ step.expectedEcho }), step.onMismatch,
                QStringLiteral("Vorhaltewinkel"));
            if (!carryOn)
                break;
        }
        if (carryOn)
            transfer.finish(boxes::kTransferComplete);
    }
    EXPECT_EQ(int(sim->received().size()), c.sent);
    EXPECT_EQ(boxTexts(), c.boxes);
    EXPECT_EQ(bar.value(), RacingContext::kProgressMin);
    EXPECT_EQ(status.text(), QString());
}

const QString kNotConfirmed = ParameterTransfer::kNotConfirmed.arg(QStringLiteral("Vorhaltewinkel"));

INSTANTIATE_TEST_SUITE_P(Kit, EchoPolicies,
    ::testing::Values(
        SequenceCase { "AllConfirmed_EndsWithTheCompletionBox",
            { { 10, 10, Mismatch::Stop }, { 20, 20, Mismatch::Stop } }, 2, { boxes::kTransferComplete } },
        SequenceCase { "StopAtTheFirstMismatch_SendsNothingMore",
            { { 10, 11, Mismatch::Stop }, { 20, 20, Mismatch::Stop } }, 1, { boxes::kTransferError } },
        SequenceCase { "GoOnAfterAMismatch_EndsNamingWhatWasNotConfirmed",
            { { 10, 11, Mismatch::GoOn }, { 20, 20, Mismatch::Stop } }, 2,
            { boxes::kTransferError, kNotConfirmed } }),
    [](const auto& info) { return testName(info.param.name); });

TEST_F(ParameterTransferTest, ADisturbedEchoConfirmsNothingAndIsSentOnce)
{
    sim->faults().extraBytes = 1;
    {
        ParameterTransfer transfer(*context, RacingContext::kParameterProgress);
        EXPECT_FALSE(transfer.write(leadAngleWrite(20), of({ 20 })));
        EXPECT_FALSE(transfer.confirmed());
    }
    EXPECT_EQ(int(sim->received().size()), 1);
    EXPECT_EQ(boxTexts(), QStringList { boxes::kTransferError });
}

TEST_F(ParameterTransferTest, ASilentUnitEndsTheTransferWithoutABox)
{
    sim->faults().silent = true;
    {
        ParameterTransfer transfer(*context, RacingContext::kParameterProgress);
        EXPECT_FALSE(transfer.write(leadAngleWrite(20), of({ 20 })));
        EXPECT_TRUE(context->lost());
        transfer.finish(boxes::kTransferComplete);
    }
    EXPECT_TRUE(boxTexts().isEmpty());
    EXPECT_EQ(bar.value(), RacingContext::kProgressMin);
}

TEST_F(ParameterTransferTest, TheProgressCanBeReadAndAdvanced)
{
    ParameterTransfer transfer(*context, 80);
    transfer.advance(2);
    transfer.advance(1);
    EXPECT_EQ(transfer.progress(), 83);
    EXPECT_EQ(bar.value(), 83);
}

// A read row: the value as it came, or the standard after the row's box.
struct ReadCase {
    const char* name;
    QByteArray stored; // the full-load air mass, high byte first
    int expected;
    bool box;
};

class ReadRows : public ParameterTransferTest, public ::testing::WithParamInterface<ReadCase> { };

TEST_P(ReadRows, CheckTheDecodedValue)
{
    const ReadCase& c = GetParam();
    sim->memory().parameters[141] = bytes::bigEndian16(c.stored, 0);
    const ParameterRead row { cmd::fullLoadAirMassRead(), 400, 961, 665, QStringLiteral("ungültig"),
        ParameterRead::Box::Hint, ParameterRead::word };
    EXPECT_EQ(readParameter(*context, row), c.expected);
    EXPECT_EQ(boxTexts(), c.box ? QStringList { QStringLiteral("ungültig") } : QStringList());
    if (c.box) {
        EXPECT_EQ(platform.boxes.front().title, QStringLiteral("Hinweis"));
    }
}

INSTANTIATE_TEST_SUITE_P(Kit, ReadRows,
    ::testing::Values(ReadCase { "InsideTheRange", of({ 0x02, 0x99 }), 665, false },
        ReadCase { "LowestValue", of({ 0x01, 0x90 }), 400, false },
        ReadCase { "BelowTheRange_Standard", of({ 0x01, 0x8F }), 665, true },
        ReadCase { "AboveTheRange_Standard", of({ 0x03, 0xC2 }), 665, true }),
    [](const auto& info) { return testName(info.param.name); });

TEST_F(ParameterTransferTest, AReadWithoutAnswerGivesNothing)
{
    sim->faults().silent = true;
    EXPECT_EQ(readParameter(*context, { cmd::paramRead(cmd::param::kLeadAngle) }), std::nullopt);
    EXPECT_TRUE(context->lost());
}

} // namespace
