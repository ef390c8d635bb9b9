#include "switchingtab.h"

#include "core/commands.h"
#include "core/gates.h"
#include "racing/racingcontext.h"
#include "shell/kit/boxes.h"

namespace {

// Older firmware counts a period; the slider runs the other way round.
constexpr int kPeriodBase = 835;

// Block bytes, counted from 0.
constexpr int kOutput1Byte = 0;
constexpr int kOutput2Byte = 5;
constexpr int kThreshold1Byte = 6;
constexpr int kThreshold2Byte = 8;
constexpr int kBlockLength = 10;

int threshold(const Bytes& block, int at, bool bandIndex)
{
    if (bandIndex)
        return bytes::at(block, at);
    return kPeriodBase - bytes::bigEndian16(block, at);
}

// EnableThresholds: which speeds the output 2 mode uses. "Zusatzluft bei
// Warmlauf" and unknown codes leave the sliders as they are.
void enableThresholds(SwitchingTab::Values& v)
{
    switch (v.output2Mode) {
    case SwitchingTab::kDisabledMode:
        v.threshold1Enabled = v.threshold2Enabled = false;
        break;
    case 0: // "Ein"
    case 1: // "Aus"
        v.threshold1Enabled = true;
        v.threshold2Enabled = false;
        break;
    case 2: // "Aus-Ein-Aus"
    case 3: // "Ein-Aus-Ein"
        v.threshold1Enabled = v.threshold2Enabled = true;
        break;
    default:
        break;
    }
}

} // namespace

// An empty reply ends the read; only a lost link closes the window.
bool SwitchingTab::readSwitching()
{
    if (readBlock() && readInput1Retard() && readInput1Function() && readInput2Function())
        return true;
    return !context().lost();
}

bool SwitchingTab::readBlock()
{
    const Reply block = context().channel().ask(cmd::outputModes());
    if (!block || block->size() < kBlockLength)
        return false;
    context().setProgress(RacingContext::kParameterProgress);

    const bool bandIndex = gates::switchingModuleBandIndexThresholds(context().unit());
    m_values.output1Mode = bytes::at(*block, kOutput1Byte);
    m_values.output2Mode = bytes::at(*block, kOutput2Byte);
    enableThresholds(m_values);
    m_values.threshold1 = threshold(*block, kThreshold1Byte, bandIndex);
    m_values.threshold2 = threshold(*block, kThreshold2Byte, bandIndex);
    return true;
}

bool SwitchingTab::readInput1Retard()
{
    if (!gates::switchingModuleInput1Retard(context().unit())) {
        m_values.input1Retard = kLatestAngle;
        m_values.input1RetardEnabled = false;
        return true;
    }
    const std::optional<int> retard = context().channel().readByte(cmd::input1Retard());
    if (!retard)
        return false;
    m_values.input1Retard = *retard;
    return true;
}

bool SwitchingTab::readInput1Function()
{
    if (!gates::switchingModuleInput1Function(context().unit())) {
        m_values.input1Function = kOffsetSwitch;
        return true;
    }
    const std::optional<int> function = context().channel().readByte(cmd::input1Function());
    if (!function)
        return false;
    if (*function == kTableSelection) {
        m_values.input1Function = kTableSelection;
        m_values.input1RetardEnabled = false;
        return true;
    }
    if (*function != kOffsetSwitch)
        boxes::defaultUsedHint(context().window(), kInput1FunctionInvalid);
    m_values.input1Function = kOffsetSwitch;
    m_values.input1RetardEnabled = true;
    return true;
}

bool SwitchingTab::readInput2Function()
{
    if (!gates::switchingModuleReadsInput2Function(context().unit())) {
        m_values.input2Function = kOffsetSwitch;
        return true;
    }
    // Without a reply the function stays as it was.
    const std::optional<int> function = context().channel().readParam(cmd::param::kInput2Mode);
    if (!function)
        return !context().lost();
    m_values.input2Function = *function;
    m_values.input2EnrichmentEnabled = *function == kOffsetSwitch;
    return true;
}

void SwitchingTab::showInput1AsSwitchInput3()
{
    m_values.input1Caption = kInput3Caption;
}

void SwitchingTab::disableOffsetSwitch()
{
    m_values.offsetSwitchEnabled = false;
    m_values.input1RetardEnabled = false;
}

void SwitchingTab::disableInput2()
{
    m_values.input2Enabled = false;
    m_values.input2EnrichmentEnabled = false;
}

bool SwitchingTab::readInput2Enrichment()
{
    if (!gates::switchingModuleInput2Frame(context().unit())) {
        disableInput2();
        return true;
    }
    const std::optional<int> enrichment = context().channel().readParam(cmd::param::kInput2Enrichment);
    if (context().lost())
        return false;
    if (!enrichment)
        return true;
    m_values.input2Enrichment = *enrichment;
    if (*enrichment > kEnrichmentMax) {
        boxes::defaultUsedHint(context().window(), kEnrichmentInvalid);
        m_values.input2Enrichment = kEnrichmentStandard;
    }
    return true;
}
