// Every decoder of the unit's replies. The first byte picks the decoder, the
// unit's identity follows (so the gates that choose a decoder's form open and
// close), then the reply bytes. Replies whose length the link guarantees come
// at that length; decoders that judge the length themselves get any length.
#include "basic/basicsettings.h"
#include "basic/correction.h"
#include "core/coilcharge.h"
#include "core/gates.h"
#include "diagnostics/actuators.h"
#include "diagnostics/faultreport.h"
#include "diagnostics/sensorstate.h"
#include "input.h"
#include "racing/anglecoding.h"
#include "racing/chokemodel.h"
#include "racing/extrasmodel.h"
#include "racing/ignitiontable.h"
#include "racing/lambdamap.h"
#include "racing/loadchangemodel.h"
#include "racing/switchingmodel.h"
#include "status/livedata.h"
#include "status/recording.h"

#include <QDateTime>

#include <array>
#include <cstdlib>

namespace {

QChar separatorFrom(FuzzInput& in)
{
    return in.flag() ? QLatin1Char(',') : QLatin1Char('.');
}

// A reply whose length the decoder checks: sometimes what the link hands
// over, sometimes any length at all.
Bytes replyFor(FuzzInput& in, const Request& request)
{
    return in.flag() ? in.anyReply(request.replyLength + 2) : in.reply(request);
}

// Everything decided from the identity alone.
void identityGates(const UnitIdentity& id)
{
    id.hardwareText();
    id.firmwareText();
    using Gate = bool (*)(const UnitIdentity&);
    static constexpr Gate kGates[] = { gates::statusSensorAngleCorrected, gates::mixtureValues,
        gates::headTemperatureMeasured, gates::throttleAndStarterInputs, gates::racingVariant,
        gates::starterLabelIsSwitch3, gates::faultMemoryButton, gates::softDownButton,
        gates::crankSensorTestButton, gates::ignitionAngleZ2Label, gates::readsAngleOffset,
        gates::readsSwitchConfig, gates::readsInput2Mode, gates::readsInput2Enrichment, gates::readsOutputStates,
        gates::readsSecondIgnitionAngle, gates::showsSecondIgnitionAngle, gates::recordingHeadTempBox,
        gates::recordingMixtureBoxes, gates::actuatorTestButton, gates::faultReportNamesInjectionLine,
        gates::actuatorInjectorBox, gates::actuatorFuelSupplyBox, gates::softDownTimeAdjustable,
        gates::softDownOnEnablesTime, gates::idleControl, gates::coilChargeTime,
        gates::racingAngleReferenceCorrected, gates::ignitionTablePerCylinder, gates::injectionGridSetUp,
        gates::input1FrameIsSwitchInput3, gates::ignitionOffsetSwitch, gates::additionalFunctionsTab,
        gates::racingDwellRow, gates::injectionTabs, gates::pumpPrePressure, gates::airMassSettings,
        gates::loadChangeTab, gates::hotStartSettings, gates::coilAndLeadAngleSettings,
        gates::ignitionTableShiftsByLeadAngle, gates::slowTablePacing, gates::switchingModuleListsBza,
        gates::switchingModuleOffersTableSelection, gates::switchingModuleOffersMapSelection,
        gates::switchingModuleInput2Frame, gates::switchingModuleBandIndexThresholds,
        gates::switchingModuleInput1Retard, gates::switchingModuleInput1Function,
        gates::switchingModuleReadsInput2Function, gates::switchingModuleWritesInput2Function,
        gates::dwellControlsWithCoilType, gates::pumpPrePressureWritten, gates::warmUpAdaptationsOnOpening };
    for (Gate gate : kGates)
        gate(id);
    for (bool racing : { false, true }) {
        gates::inputTable(id, racing);
        gates::inputsStarterOnBit7(id, racing);
    }
    const gates::FaultMemoryLayout layout = gates::faultMemoryLayout(id);
    if (layout != gates::FaultMemoryLayout::Full && layout != gates::FaultMemoryLayout::Medium
        && layout != gates::FaultMemoryLayout::Short)
        std::abort();
    live::adjustedSensorAngle(382, id);
    live::lblDkPosCaption(id);
    live::lblAnlasserCaption(id);
    actuators::offered(id);
    rec::boxesEnabledOnStop(id);
    switching::generation(id);
    switching::output1Modes(gates::switchingModuleListsBza(id));
    AngleCoding::forLimits(id, 382, 0);
    AngleCoding::forGrid(id, 382, 0);
    bands::labels(bands::schemeFor(id));
}

// The status window's context as its load leaves it.
live::Context contextFrom(FuzzInput& in, const UnitIdentity& id)
{
    live::Context ctx;
    ctx.id = id;
    ctx.sensorAngle = live::adjustedSensorAngle(in.range(0, 999), id);
    ctx.angleOffset = in.byte();
    ctx.injectorFlow = live::decodeInjectorFlow(in.reply(cmd::injectorDelivery())).value / 1000.0;
    ctx.offsetAngle = live::offsetAngleFromByte(in.byte());
    ctx.enrichmentSixteenths = in.byte();
    ctx.lblSE1Mode = live::se1ModeCaption(in.byte()).value_or(QString());
    ctx.lblSE2Mode = live::se2ModeCaption(in.byte()).value_or(QString());
    ctx.lblSA1Mode = live::sa1ModeCaption(in.byte());
    ctx.inputsAvailable = gates::throttleAndStarterInputs(id);
    ctx.racingVariant = gates::racingVariant(id);
    ctx.mafAvailable = gates::mixtureValues(id);
    ctx.headTempAvailable = gates::headTemperatureMeasured(id);
    return ctx;
}

// One poll tick of the status window, each reply decoded in its order.
void statusTick(FuzzInput& in, const UnitIdentity& id)
{
    const live::Context ctx = contextFrom(in, id);
    const QChar separator = separatorFrom(in);
    const std::optional<live::Speed> speed = live::decodeSpeed(replyFor(in, cmd::period()));
    const QString rpm = speed ? speed->txtRPM : in.text(6);
    live::readsZero(rpm);
    live::decodeOutputs(replyFor(in, cmd::outputs()), ctx, rpm);
    const live::InputSelection selection = live::selectInputTable(ctx);
    if (selection.mask != 32 && selection.mask != 112 && selection.mask != 176)
        std::abort();
    live::decodeInputs(replyFor(in, cmd::inputs()), ctx, separator);
    const Bytes first = replyFor(in, cmd::angle1());
    live::decodeIgnitionAngles(first, replyFor(in, cmd::angle2()), ctx, rpm, separator);
    live::decodeCorrection(replyFor(in, cmd::correction()), separator);
    const std::optional<live::Analog> analog = live::decodeAnalog(replyFor(in, cmd::analog()), ctx, separator);
    const QString lmm = analog && analog->txtLMM ? *analog->txtLMM : QString();
    live::decodeLambda(replyFor(in, cmd::lambda()), rpm, lmm, separator);
    live::decodeConsumption(
        replyFor(in, cmd::injectionTime()), speed ? speed->period : 0, ctx.injectorFlow, rpm, separator);
}

void loadReads(FuzzInput& in, const UnitIdentity&)
{
    live::decodeInjectorFlow(replyFor(in, cmd::injectorDelivery()));
    live::decodeOutputModes(replyFor(in, cmd::outputModes()));
    live::softDownStateText(in.byte());
    live::se1ModeCaption(in.byte());
    live::se2ModeCaption(in.byte());
    live::sa2ModeCaption(in.byte());
    live::watchdogInterval(in.range(0, 9900));
    const int code = in.byte();
    const int position = correction::positionFromCode(code);
    if (position < correction::kFirstPosition || position > correction::kLastPosition
        || correction::codeFromPosition(position) != code)
        std::abort();
    correction::angleText(position);
}

void faultMemory(FuzzInput& in, const UnitIdentity& id)
{
    const gates::FaultMemoryLayout layout = gates::faultMemoryLayout(id);
    const Bytes reply = replyFor(in, cmd::faultRead(layout));
    const Bytes analog = replyFor(in, cmd::analog());
    const bool silentAfter = in.flag();
    int checks = 0;
    const faults::CheckInput check = [&](faults::SensorCheck c) -> std::optional<bool> {
        if (silentAfter && ++checks > 1)
            return std::nullopt;
        faults::checkVoltage(analog, c);
        return faults::checkHolds(analog, c);
    };
    const std::optional<QString> body
        = faults::reportBody(reply, layout, gates::faultReportNamesInjectionLine(id), check);
    const QString header = faults::reportHeader(
        id, QDateTime(QDate(in.range(2000, 2099), in.range(1, 12), in.range(1, 28)), QTime(in.range(0, 23), 0)));
    if (body) {
        faults::clipboardText(header, *body);
        faults::printText(header, *body);
    }
}

void actuatorAndSensor(FuzzInput& in, const UnitIdentity& id)
{
    actuators::offered(id);
    if (const std::optional<actuators::State> state = actuators::decodeState(replyFor(in, cmd::actuatorState())))
        actuators::withBit(state->mask, actuators::kInjector, state->running);
    const Bytes sensor = in.reply(cmd::sensorState());
    sensor::decode(bytes::at(sensor, 0));
}

void basicSettings(FuzzInput& in, const UnitIdentity&)
{
    const int stored = in.byte();
    const int standard = in.byte();
    if (!basic::softDownShowsStandard(stored)) {
        const int step = basic::softDownStepFromByte(stored);
        basic::softDownText(step);
        basic::softDownWriteByte(step, standard);
    }
    const basic::IdleControl idle = basic::decodeIdleControl(in.reply(cmd::idleControlRead()));
    const basic::TempStep temp = basic::tempStepFromRaw(idle.raw);
    if (temp.step < basic::kTempStepMin || temp.step > basic::kTempStepMax)
        std::abort();
    basic::headTemperatureText(temp.step);
    basic::idleControlFlags(idle.dynamic, basic::rawFromTempStep(temp.step));
    const int step = coilcharge::stepFromCount(coilcharge::count(in.reply(cmd::coilChargeTimeRead())));
    if (coilcharge::stepValid(step))
        basic::coilText(step);
    const int sensorPosition = in.range(0, 999);
    const int lead = in.byte();
    basic::standardStaticAngle(sensorPosition, lead);
    basic::staticAngleText(sensorPosition, in.byte(), lead);
}

void switchingModule(FuzzInput& in, const UnitIdentity& id)
{
    const switching::Generation g = switching::generation(id);
    const std::optional<switching::Block> block = switching::decodeBlock(replyFor(in, cmd::outputModes()), g);
    if (!block)
        return;
    switching::modeText(switching::output1Modes(gates::switchingModuleListsBza(id)), block->output1Mode);
    switching::modeText(switching::output2Modes(), block->output2Mode);
    switching::slidersFor(block->output2Mode);
    // The sliders take a threshold only within their range.
    const switching::Range r1 = switching::threshold1Range(g);
    const int t1 = std::clamp(block->threshold1, r1.min, r1.max);
    const switching::Range r2 = switching::threshold2Range(g, t1);
    const int t2 = std::clamp(block->threshold2, r2.min, r2.max);
    for (const auto& [threshold, value] : { std::pair { 1, t1 }, std::pair { 2, t2 } }) {
        switching::speedText(value, g);
        switching::thresholdEcho(switching::thresholdWrite(threshold, value, g));
    }
    switching::offsetText(in.byte(), in.range(0, 999));
    switching::enrichmentText(in.range(0, switching::kEnrichmentMax));
}

void extrasAndLoadChange(FuzzInput& in, const UnitIdentity&)
{
    extras::chargeTimeText(extras::chargeTime(in.reply(cmd::coilChargeTimeRead())));
    const int delay = extras::coilDelay(in.reply(cmd::coilDelayRead()));
    if (extras::coilDelayValid(delay))
        extras::coilDelayText(delay);
    extras::fullLoadAirMassText(extras::fullLoadAirMass(in.reply(cmd::fullLoadAirMassRead())));
    extras::coilTypeText(in.byte());
    extras::dwellStartText(in.byte());
    extras::leadAngleText(in.byte());
    extras::pumpTimeText(in.byte());
    extras::samplingText(in.byte());

    const int count = loadchange::maxAirMass(in.reply(cmd::maxLoadChangeAirMassRead()));
    loadchange::maxAirMassText(loadchange::maxAirMassPlausible(count) ? count : loadchange::kMaxAirMassStandard);
    const int adaptation = loadchange::adaptationFromByte(in.byte());
    if (adaptation < loadchange::kAdaptationMin || adaptation > loadchange::kAdaptationMax)
        std::abort();
    loadchange::adaptationText(adaptation);
    loadchange::adaptationByte(adaptation);
    const int n = in.byte();
    loadchange::sensitivityText(n);
    loadchange::enrichmentText(n);
    loadchange::enrichmentReadText(n);
    loadchange::advanceText(n);
    loadchange::durationText(n);
    loadchange::overrunLeaningText(n);
}

void choke(FuzzInput& in, const UnitIdentity&)
{
    const int band = in.range(0, choke::kBands - 1);
    choke::bandText(band);
    const int low = in.byte();
    const int tenths = choke::warmUpEndFromCount(band, in.byte() * 256 + low);
    choke::warmUpEndText(tenths);
    choke::warmUpEndToCount(band, tenths);
    const int hotLow = in.byte();
    const int u = choke::kSensorCountMax - (in.byte() * 256 + hotLow);
    choke::hotStartText(u);
    const int factor = choke::hotStartFactor(in.reply(cmd::chokeByteRead(0)));
    choke::hotStartFactorText(factor);
    choke::hotStartFactorByte(factor);
    choke::enrichmentText(in.byte());
}

void lambdaMaps(FuzzInput& in, const UnitIdentity&)
{
    lambda::LambdaMaps maps;
    const lambda::Map map = in.flag() ? lambda::Map::Two : lambda::Map::One;
    // A map read: every cell from its two bytes.
    for (int row = 1; row <= lambda::kRows && !in.empty(); ++row)
        for (int column = 1; column <= lambda::kColumns; ++column) {
            const int high = in.byte();
            maps.setFromUnit(map, { row, column }, high, in.byte());
        }
    if (!maps.firstUnsendable(map) && !maps.complete(map))
        std::abort();
    const Bytes flow = in.reply(cmd::flowConstantRead());
    lambda::flowFromConstant(bytes::at(flow, 0), bytes::at(flow, 1));
    if (const std::optional<lambda::Location> at = lambda::locate(in.byte()))
        if (lambda::highAddress(at->map, at->cell) + (at->lowByte ? 1 : 0) < 1)
            std::abort();
    lambda::engineTurns(bytes::at(in.reply(cmd::period()), 0));
}

void ignitionTableRead(FuzzInput& in, const UnitIdentity& id)
{
    const BandScheme scheme = bands::schemeFor(id);
    const AngleCoding coding = AngleCoding::forGrid(id, in.range(0, 999) - 33, in.byte());
    AngleCoding::forLimits(id, coding.reference, coding.shift).latest();
    IgnitionTable table(scheme);
    // A table read: one byte per address and cylinder, gaps skipped.
    for (int address = 1; address <= bands::lastAddress(scheme) && !in.empty(); ++address) {
        const int row = bands::rowOfAddress(scheme, address);
        if (row < 0)
            continue;
        for (int cylinder = 0; cylinder < (scheme == BandScheme::PerCylinder111 ? 2 : 1); ++cylinder)
            table.setByte(row, cylinder, bytes::at(in.reply(cmd::ignitionRead(cylinder, address)), 0), coding,
                CellOrigin::Unit);
    }
    for (int cylinder = 0; cylinder < 2; ++cylinder)
        table.chartPoints(cylinder);
}

// The identity replies at any length, as another window reads them again.
void identityReplies(FuzzInput& in, const UnitIdentity&)
{
    UnitIdentity id;
    id.setFirmware(in.anyReply(12));
    id.setUnitType(in.anyReply(24));
    identityGates(id);
}

using Decoder = void (*)(FuzzInput&, const UnitIdentity&);
constexpr std::array<Decoder, 11> kDecoders { statusTick, loadReads, faultMemory, actuatorAndSensor, basicSettings,
    switchingModule, extrasAndLoadChange, choke, lambdaMaps, ignitionTableRead, identityReplies };

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput in(data, size);
    const int which = in.byte() % int(kDecoders.size());
    const UnitIdentity id = identityFrom(in);
    identityGates(id);
    kDecoders[which](in, id);
    return 0;
}
