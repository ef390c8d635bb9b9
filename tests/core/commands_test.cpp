#include "core/commands.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

// Every command of the program: its exact bytes and the reply it waits for.
struct FrameCase {
    const char* name;
    QByteArray frame;
    int replyLength;
    // Stores or does something in the unit: never sent a second time.
    bool changesUnit = false;
};

QByteArray of(std::initializer_list<int> b)
{
    return bytes::of(b);
}

const FrameCase kFrames[] = {
    { "identify", "t00?", 15 },
    { "firmware", "v00?", 6 },
    { "serialNumber", "s00?", 13 },
    { "softDownToggle", "n00?", 1, true },
    { "injectorDelivery", of({ 96, '0', '0', '?' }), 2 },
    { "outputModes", "j00?", 10 },
    { "ignitionRead1", of({ 'b', 1, '0', '?' }), 1 },
    { "ignitionRead2", of({ 'm', 111, '0', '?' }), 1 },
    { "ignitionWrite1", of({ 'a', 110, 0, '?' }), 1, true },
    { "ignitionWrite2", of({ '{', 1, 255, '?' }), 1, true },
    { "setCorrection", of({ 'c', 0, '0', '?' }), 0, true },
    { "period", "r00?", 3 },
    { "outputs", of({ 128, '0', '0', '?' }), 1 },
    { "inputs", "l00?", 1 },
    { "angle1", "z00?", 1 },
    { "angle2", "i00?", 1 },
    { "correction", "q00?", 1 },
    { "analog", "g00?", 8 },
    { "lambda", "^00?", 2 },
    { "injectionTime", of({ 144, '0', '0', '?' }), 3 },
    { "faultRead", "f00?", 17 },
    { "faultErase", "e00?", 0, true },
    { "actuatorState", of({ 140, 'q', '0', '?' }), 2 },
    { "actuatorMask", of({ 140, 'f', 5, '?' }), 1, true },
    { "actuatorStart", of({ 140, 'e', '0', '?' }), 1, true },
    { "actuatorStop", of({ 140, 'd', '0', '?' }), 1, true },
    { "sensorState", of({ 155, '0', '0', '?' }), 1 },
    { "leadAngle", of({ 154, 'r', '0', '?' }), 1 },
    { "input1Mode", of({ 92, 'r', '0', '?' }), 1 },
    { "offsetAngle", of({ 126, 'r', '0', '?' }), 1 },
    { "input2Mode", of({ 148, 'r', '0', '?' }), 1 },
    { "input2Enrichment", of({ 135, 'r', '0', '?' }), 1 },
    { "softDownTime", "o00?", 1 },
    { "softDownStandard", of({ 'o', 255, '0', '?' }), 1 },
    { "softDownTimeWrite", of({ 'p', 5, '0', '?' }), 1, true },
    { "idleControlRead", of({ 'h', 0, '0', '?' }), 2 },
    { "idleControlWrite", of({ 'h', 0x81, 0x81, '?' }), 2, true },
    { "staticAngle", of({ 134, 'r', '0', '?' }), 1 },
    { "staticAngleWrite", of({ 134, 'w', 122, '?' }), 1, true },
    { "coilChargeTimeRead", of({ 129, 'r', 0, '?' }), 3 },
    { "coilChargeTimeWrite", of({ 129, 'w', 40, '?' }), 3, true },
    { "input1Retard", "~00?", 1 },
    { "input1Function", "\\00?", 1 },
    { "pumpPrePressure", of({ 127, 'r', '0', '?' }), 1 },
    { "airMassSampling", of({ 143, 'r', '0', '?' }), 1 },
    { "fullLoadAirMassRead", of({ 141, '0', '0', '?' }), 2 },
    { "coilType", of({ 152, 'r', '0', '?' }), 1 },
    { "coilDelayRead", of({ 153, '0', '0', '?' }), 4 },
    { "dwellStart", of({ 158, 'r', '0', '?' }), 1 },
    { "loadChangeSensitivity", of({ 136, 'r', '0', '?' }), 1 },
    { "loadChangeEnrichment", of({ 137, 'r', '0', '?' }), 1 },
    { "loadChangeAdvance", of({ 138, 'r', '0', '?' }), 1 },
    { "loadChangeDuration", of({ 139, 'r', '0', '?' }), 1 },
    { "maxLoadChangeAirMassRead", of({ 147, '0', '0', '?' }), 2 },
    { "overrunDuration", of({ 145, '0', '0', '?' }), 1 },
    { "overrunLeaning", of({ 133, '0', '0', '?' }), 1 },
    { "overrunSensitivity", of({ 132, '0', '0', '?' }), 1 },
    { "chokeByteRead", of({ 131, 3, '0', '?' }), 1 },
    { "chokeByteWrite", of({ 130, 26, 253, '?' }), 1, true },
    { "warmUpAdaptationRead", of({ 150, 5, '0', '?' }), 1 },
    { "output1ModeWrite", of({ 'u', 8, '0', '?' }), 1, true },
    { "output2ModeWrite", of({ 'w', 3, '0', '?' }), 1, true },
    { "thresholdIndexWrite1", of({ 'x', 25, '0', '?' }), 2, true },
    { "thresholdIndexWrite2", of({ 'y', 110, '0', '?' }), 2, true },
    { "thresholdPeriodWrite1", of({ 'x', 2, 88, '?' }), 2, true },
    { "thresholdPeriodWrite2", of({ 'y', 0, 16, '?' }), 2, true },
    { "input1RetardWrite", of({ '~', 'w', 255, '?' }), 1, true },
    { "input1FunctionWrite", of({ '\\', 'w', 0, '?' }), 1, true },
    { "input2FunctionWrite", of({ 148, 'w', 255, '?' }), 1, true },
    { "input2EnrichmentWrite", of({ 135, 'w', 16, '?' }), 1, true },
    { "pumpPrePressureWrite", of({ 127, 'w', 20, '?' }), 1, true },
    { "airMassSamplingWrite", of({ 143, 'w', 0, '?' }), 1, true },
    { "fullLoadAirMassWrite", of({ 142, 3, 193, '?' }), 2, true },
    { "coilTypeWrite", of({ 152, 'w', 0, '?' }), 1, true },
    { "coilDelayWrite", of({ 153, 0x8F, 0xFA, '?' }), 4, true },
    { "leadAngleWrite", of({ 154, 'w', 20, '?' }), 1, true },
    { "dwellStartWrite", of({ 158, 'w', 255, '?' }), 1, true },
    { "lambdaByteRead", of({ 125, 129, '0', '?' }), 1 },
    { "lambdaByteWrite", of({ 124, 2, 181, '?' }), 1, true },
    { "flowConstantRead", of({ 96, 0, '0', '?' }), 2 },
    { "flowConstantWrite", of({ 95, 10, 201, '?' }), 2, true },
};

class CatalogueFrame : public ::testing::TestWithParam<FrameCase> { };

TEST_P(CatalogueFrame, HasItsBytesAndReplyLength)
{
    const auto& entries = cmd::catalogue();
    const auto it = std::find_if(entries.begin(), entries.end(),
        [](const cmd::Entry& e) { return std::string(e.name) == GetParam().name; });
    ASSERT_NE(it, entries.end());
    EXPECT_EQ(it->sample.frame.toHex(' '), GetParam().frame.toHex(' '));
    EXPECT_EQ(it->sample.replyLength, GetParam().replyLength);
    EXPECT_EQ(it->sample.changesUnit, GetParam().changesUnit);
}

INSTANTIATE_TEST_SUITE_P(EveryCommand, CatalogueFrame, ::testing::ValuesIn(kFrames),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Catalogue, NamesEveryCommandOnce)
{
    std::set<std::string> names;
    for (const cmd::Entry& e : cmd::catalogue())
        EXPECT_TRUE(names.insert(e.name).second) << e.name;
    EXPECT_EQ(names.size(), std::size(kFrames));
}

// Builders carry every argument byte, zeros and high bytes included.
struct BuilderCase {
    const char* name;
    Request request;
    QByteArray frame;
    int replyLength;
};

class Builder : public ::testing::TestWithParam<BuilderCase> { };

TEST_P(Builder, CarriesEveryByte)
{
    EXPECT_EQ(GetParam().request.frame.toHex(' '), GetParam().frame.toHex(' '));
    EXPECT_EQ(GetParam().request.replyLength, GetParam().replyLength);
}

INSTANTIATE_TEST_SUITE_P(Forms, Builder,
    ::testing::Values(BuilderCase { "ParamWriteZero", cmd::paramWrite(154, 0), of({ 154, 'w', 0, '?' }), 1 },
        BuilderCase { "ParamWriteHighByte", cmd::paramWrite(152, 255), of({ 152, 'w', 255, '?' }), 1 },
        BuilderCase { "ParamReadLonger", cmd::paramRead(129, 3), of({ 129, 'r', '0', '?' }), 3 },
        BuilderCase { "PairReadAddressZero", cmd::pairRead(131, { 0, '0' }, 1), of({ 131, 0, '0', '?' }), 1 },
        BuilderCase { "PairWriteTwoBytes", cmd::pairWrite(142, { 0, 200 }, 2), of({ 142, 0, 200, '?' }), 2 },
        BuilderCase { "ActuatorMaskNone", cmd::actuatorMask(0), of({ 140, 'f', 0, '?' }), 1 },
        BuilderCase { "CorrectionNegative", cmd::setCorrection(-5), of({ 'c', 251, '0', '?' }), 0 },
        BuilderCase { "FaultReadMedium", cmd::faultRead(gates::FaultMemoryLayout::Medium), "f00?", 17 },
        BuilderCase { "FaultReadShort", cmd::faultRead(gates::FaultMemoryLayout::Short), "f00?", 3 },
        BuilderCase { "ChokeByteIndexZero", cmd::chokeByteRead(0), of({ 131, 0, '0', '?' }), 1 },
        BuilderCase { "WarmUpAdaptationBandZero", cmd::warmUpAdaptationRead(0), of({ 150, 0, '0', '?' }), 1 },
        BuilderCase { "LambdaReadAddressZero", cmd::lambdaByteRead(0), of({ 125, 0, '0', '?' }), 1 },
        BuilderCase { "LambdaWriteZeroByte", cmd::lambdaByteWrite(248, 0), of({ 124, 248, 0, '?' }), 1 },
        BuilderCase { "FlowConstantLowZero", cmd::flowConstantWrite(0x0300), of({ 95, 3, 0, '?' }), 2 },
        BuilderCase { "FlowConstantBothHigh", cmd::flowConstantWrite(0xFFFF), of({ 95, 255, 255, '?' }), 2 },
        BuilderCase { "LongerFrame", { cmd::frame('p', { 1, 2, 3, 0 }), 1 }, of({ 'p', 1, 2, 3, 0, '?' }), 1 }),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
