#include "commands.h"

namespace cmd {

Bytes frame(int code, std::initializer_list<int> args)
{
    Bytes b;
    b.reserve(static_cast<qsizetype>(args.size()) + 2);
    b.append(static_cast<char>(code & 0xFF));
    for (int a : args)
        b.append(static_cast<char>(a & 0xFF));
    b.append('?');
    return b;
}

Bytes plainRead(int code)
{
    return frame(code, { '0', '0' });
}

namespace {
Request read00(int code, int length)
{
    return { plainRead(code), length };
}
Request changing(Request request)
{
    request.changesUnit = true;
    return request;
}
} // namespace

Request identify()
{
    return read00('t', 15);
}
Request firmware()
{
    return read00('v', 6);
}
Request serialNumber()
{
    return read00('s', 13);
}
Request softDownToggle()
{
    return changing(read00('n', 1));
}
Request injectorDelivery()
{
    return read00(96, 2);
}
Request outputModes()
{
    return read00('j', 10);
}
Request setCorrection(int code)
{
    return changing({ frame('c', { code, '0' }), 0 });
}

Request period()
{
    return read00('r', 3);
}
Request outputs()
{
    return read00(128, 1);
}
Request inputs()
{
    return read00('l', 1);
}
Request angle1()
{
    return read00('z', 1);
}
Request angle2()
{
    return read00('i', 1);
}
Request correction()
{
    return read00('q', 1);
}
Request analog()
{
    return read00('g', 8);
}
Request lambda()
{
    return read00('^', 2);
}
Request injectionTime()
{
    return read00(144, 3);
}

Request faultRead(gates::FaultMemoryLayout layout)
{
    return read00('f', layout == gates::FaultMemoryLayout::Short ? 3 : 17);
}

Request faultErase()
{
    return changing(read00('e', 0));
}

namespace {
constexpr int kActuatorTest = 140;
} // namespace

Request actuatorState()
{
    return { frame(kActuatorTest, { 'q', '0' }), 2 };
}
Request actuatorMask(int mask)
{
    return changing({ frame(kActuatorTest, { 'f', mask }), 1 });
}
Request actuatorStart()
{
    return changing({ frame(kActuatorTest, { 'e', '0' }), 1 });
}
Request actuatorStop()
{
    return changing({ frame(kActuatorTest, { 'd', '0' }), 1 });
}

Request sensorState()
{
    return read00(155, 1);
}

Request softDownTime()
{
    return { plainRead('o'), 1 };
}
Request softDownStandard()
{
    return { frame('o', { 255, '0' }), 1 };
}
Request softDownTimeWrite(int storedByte)
{
    return changing({ frame('p', { storedByte, '0' }), 1 });
}
Request idleControlRead()
{
    return { frame('h', { 0, '0' }), 2 };
}
Request idleControlWrite(int flags, int rawLow)
{
    return changing({ frame('h', { flags, rawLow }), 2 });
}
Request coilChargeTimeRead()
{
    return { frame(param::kCoilChargeTime, { 'r', 0 }), 3 };
}
Request coilChargeTimeWrite(int step)
{
    return changing({ frame(param::kCoilChargeTime, { 'w', step }), 3 });
}

Request paramRead(int code, int replyLength)
{
    return { frame(code, { 'r', '0' }), replyLength };
}
Request paramWrite(int code, int value, int replyLength)
{
    return changing({ frame(code, { 'w', value }), replyLength });
}

Request pairRead(int readCode, std::initializer_list<int> args, int replyLength)
{
    return { frame(readCode, args), replyLength };
}

Request pairWrite(int writeCode, std::initializer_list<int> args, int replyLength)
{
    return changing({ frame(writeCode, args), replyLength });
}

Request ignitionRead(int cylinder, int address)
{
    return { frame(cylinder == 0 ? 'b' : 'm', { address, '0' }), 1 };
}

Request ignitionWrite(int cylinder, int address, int value)
{
    return changing({ frame(cylinder == 0 ? 'a' : '{', { address, value }), 1 });
}

Request input1Retard()
{
    return read00(param::kOffsetAngle, 1);
}
Request input1Function()
{
    return read00(param::kInput1Mode, 1);
}
Request plainCode(int code)
{
    return read00(code, 1);
}
Request fullLoadAirMassRead()
{
    return read00(param::kFullLoadAirMassRead, 2);
}
Request coilDelayRead()
{
    return read00(param::kCoilDelay, 4);
}
Request maxLoadChangeAirMassRead()
{
    return read00(147, 2);
}
Request chokeByteRead(int index)
{
    return { frame(131, { index, '0' }), 1 };
}
Request chokeByteWrite(int index, int value)
{
    return changing({ frame(130, { index, value }), 1 });
}
Request warmUpAdaptationRead(int band)
{
    return { frame(150, { band, '0' }), 1 };
}

namespace {
int thresholdLetter(int threshold)
{
    return threshold == 2 ? 'y' : 'x';
}
} // namespace

Request output1ModeWrite(int code)
{
    return changing({ frame('u', { code, '0' }), 1 });
}
Request output2ModeWrite(int code)
{
    return changing({ frame('w', { code, '0' }), 1 });
}
Request thresholdIndexWrite(int threshold, int index)
{
    return changing({ frame(thresholdLetter(threshold), { index, '0' }), 2 });
}
Request thresholdPeriodWrite(int threshold, int period)
{
    return changing({ frame(thresholdLetter(threshold), { period >> 8, period & 0xFF }), 2 });
}
Request input1RetardWrite(int value)
{
    return paramWrite(param::kOffsetAngle, value);
}
Request input1FunctionWrite(int code)
{
    return paramWrite(param::kInput1Mode, code);
}
Request input2FunctionWrite(int code)
{
    return paramWrite(param::kInput2Mode, code);
}
Request input2EnrichmentWrite(int value)
{
    return paramWrite(param::kInput2Enrichment, value);
}

// --- Additional functions writes ---------------------------------------------

Request pumpPrePressureWrite(int value)
{
    return paramWrite(param::kPumpPrePressure, value);
}
Request airMassSamplingWrite(int value)
{
    return paramWrite(param::kAirMassSampling, value);
}
Request fullLoadAirMassWrite(int count)
{
    return changing({ frame(param::kFullLoadAirMassWrite, { count >> 8, count & 0xFF }), 2 });
}
Request coilTypeWrite(int code)
{
    return paramWrite(param::kCoilType, code);
}
Request coilDelayWrite(int delay)
{
    return changing({ frame(param::kCoilDelay, { (delay >> 8) | 0x80, delay & 0xFF }), 4 });
}
Request leadAngleWrite(int value)
{
    return paramWrite(param::kLeadAngle, value);
}
Request dwellStartWrite(int value)
{
    return paramWrite(param::kDwellStart, value);
}

// --- Injection map -----------------------------------------------------------

namespace {
constexpr int kLambdaRead = 125;
constexpr int kLambdaWrite = 124;
constexpr int kFlowConstantRead = 96;
constexpr int kFlowConstantWrite = 95;
} // namespace

Request lambdaByteRead(int address)
{
    return { frame(kLambdaRead, { address, '0' }), 1 };
}
Request lambdaByteWrite(int address, int value)
{
    return changing({ frame(kLambdaWrite, { address, value }), 1 });
}
// Not injectorDelivery(): the same code, but a zero byte where that one sends "0".
Request flowConstantRead()
{
    return { frame(kFlowConstantRead, { 0, '0' }), 2 };
}
Request flowConstantWrite(int constant)
{
    return changing({ frame(kFlowConstantWrite, { constant >> 8, constant & 0xFF }), 2 });
}

const std::vector<Entry>& catalogue()
{
    static const std::vector<Entry> entries = {
        { "identify", identify() },
        { "firmware", firmware() },
        { "serialNumber", serialNumber() },
        { "softDownToggle", softDownToggle() },
        { "injectorDelivery", injectorDelivery() },
        { "outputModes", outputModes() },
        { "setCorrection", setCorrection(0) },
        { "period", period() },
        { "outputs", outputs() },
        { "inputs", inputs() },
        { "angle1", angle1() },
        { "angle2", angle2() },
        { "correction", correction() },
        { "analog", analog() },
        { "lambda", lambda() },
        { "injectionTime", injectionTime() },
        { "faultRead", faultRead(gates::FaultMemoryLayout::Full),
            [](const UnitIdentity& unit) { return faultRead(gates::faultMemoryLayout(unit)).replyLength; } },
        { "faultErase", faultErase() },
        { "actuatorState", actuatorState() },
        { "actuatorMask", actuatorMask(5) },
        { "actuatorStart", actuatorStart() },
        { "actuatorStop", actuatorStop() },
        { "sensorState", sensorState() },
        { "ignitionRead1", ignitionRead(0, 1) },
        { "ignitionRead2", ignitionRead(1, 111) },
        { "ignitionWrite1", ignitionWrite(0, 110, 0) },
        { "ignitionWrite2", ignitionWrite(1, 1, 255) },
        { "leadAngle", paramRead(param::kLeadAngle) },
        { "input1Mode", paramRead(param::kInput1Mode) },
        { "offsetAngle", paramRead(param::kOffsetAngle) },
        { "input2Mode", paramRead(param::kInput2Mode) },
        { "input2Enrichment", paramRead(param::kInput2Enrichment) },
        { "softDownTime", softDownTime() },
        { "softDownStandard", softDownStandard() },
        { "softDownTimeWrite", softDownTimeWrite(5) },
        { "idleControlRead", idleControlRead() },
        { "idleControlWrite", idleControlWrite(0x81, 0x81) },
        { "staticAngle", paramRead(param::kStaticAngle) },
        { "staticAngleWrite", paramWrite(param::kStaticAngle, 122) },
        { "coilChargeTimeRead", coilChargeTimeRead() },
        { "coilChargeTimeWrite", coilChargeTimeWrite(40) },
        { "input1Retard", input1Retard() },
        { "input1Function", input1Function() },
        { "pumpPrePressure", paramRead(param::kPumpPrePressure) },
        { "airMassSampling", paramRead(param::kAirMassSampling) },
        { "fullLoadAirMassRead", fullLoadAirMassRead() },
        { "coilType", paramRead(param::kCoilType) },
        { "coilDelayRead", coilDelayRead() },
        { "dwellStart", paramRead(param::kDwellStart) },
        { "loadChangeSensitivity", paramRead(param::kLoadChangeSensitivity) },
        { "loadChangeEnrichment", paramRead(param::kLoadChangeEnrichment) },
        { "loadChangeAdvance", paramRead(param::kLoadChangeAdvance) },
        { "loadChangeDuration", paramRead(param::kLoadChangeDuration) },
        { "maxLoadChangeAirMassRead", maxLoadChangeAirMassRead() },
        { "overrunDuration", plainCode(param::kOverrunDuration) },
        { "overrunLeaning", plainCode(param::kOverrunLeaning) },
        { "overrunSensitivity", plainCode(param::kOverrunSensitivity) },
        { "chokeByteRead", chokeByteRead(3) },
        { "chokeByteWrite", chokeByteWrite(26, 253) },
        { "warmUpAdaptationRead", warmUpAdaptationRead(5) },
        { "output1ModeWrite", output1ModeWrite(8) },
        { "output2ModeWrite", output2ModeWrite(3) },
        { "thresholdIndexWrite1", thresholdIndexWrite(1, 25) },
        { "thresholdIndexWrite2", thresholdIndexWrite(2, 110) },
        { "thresholdPeriodWrite1", thresholdPeriodWrite(1, 600) },
        { "thresholdPeriodWrite2", thresholdPeriodWrite(2, 16) },
        { "input1RetardWrite", input1RetardWrite(255) },
        { "input1FunctionWrite", input1FunctionWrite(0) },
        { "input2FunctionWrite", input2FunctionWrite(255) },
        { "input2EnrichmentWrite", input2EnrichmentWrite(16) },
        { "pumpPrePressureWrite", pumpPrePressureWrite(20) },
        { "airMassSamplingWrite", airMassSamplingWrite(0) },
        { "fullLoadAirMassWrite", fullLoadAirMassWrite(961) },
        { "coilTypeWrite", coilTypeWrite(0) },
        { "coilDelayWrite", coilDelayWrite(4090) },
        { "leadAngleWrite", leadAngleWrite(20) },
        { "dwellStartWrite", dwellStartWrite(255) },
        { "lambdaByteRead", lambdaByteRead(129) },
        { "lambdaByteWrite", lambdaByteWrite(2, 181) },
        { "flowConstantRead", flowConstantRead() },
        { "flowConstantWrite", flowConstantWrite(2761) },
    };
    return entries;
}

} // namespace cmd
