#pragma once

#include "core/bytes.h"
#include "core/gates.h"

#include <initializer_list>
#include <vector>

// One request to the unit: the frame and the number of bytes the unit answers
// with (0 = the unit answers nothing).
struct Request {
    Bytes frame;
    int replyLength = 0;
    // The request changes what the unit stores or does (a write, a toggle, an
    // actuator command). Such a request is never sent twice: an answer the
    // link cannot trust leaves it unconfirmed.
    bool changesUnit = false;

    // The same bytes on the line; whether a request changes the unit follows from its frame.
    bool operator==(const Request& other) const
    {
        return frame == other.frame && replyLength == other.replyLength;
    }
};

// The program's commands. Every frame is built here, byte by byte, so a zero
// byte in an argument position is carried like any other.
namespace cmd {

// Code, argument bytes (each 0-255) and the closing "?".
Bytes frame(int code, std::initializer_list<int> args);

// Plain reads: the code followed by the digits "00" and "?".
Bytes plainRead(int code);

// Codes of the parameters read with the single-code form.
namespace param {
constexpr int kLeadAngle = 154; // sensor lead angle, 0.1 degree
constexpr int kInput1Mode = 92;
constexpr int kOffsetAngle = 126;
constexpr int kInput2Mode = 148;
constexpr int kInput2Enrichment = 135;
constexpr int kStaticAngle = 134; // static ignition angle before the idle control
constexpr int kCoilChargeTime = 129; // 0.1 ms, read back as a 24-bit count
} // namespace param

// Identification and status window.
Request identify(); // "t00?": unit type, 15 bytes
Request firmware(); // "v00?": release text, 6 bytes
Request serialNumber(); // "s00?": 13 bytes
Request softDownToggle(); // "n00?": toggles and answers the state, 1 byte
Request injectorDelivery(); // 96 "00?": 2 bytes
Request outputModes(); // "j00?": switching outputs, 10 bytes
Request setCorrection(int code); // "c" code "0?": no reply

// Poll tick.
Request period(); // "r00?": 3 bytes
Request outputs(); // 128 "00?": 1 byte
Request inputs(); // "l00?": 1 byte
Request angle1(); // "z00?": 1 byte
Request angle2(); // "i00?": 1 byte
Request correction(); // "q00?": 1 byte
Request analog(); // "g00?": 8 bytes
Request lambda(); // "^00?": 2 bytes
Request injectionTime(); // 144 "00?": 3 bytes

// Fault memory.
Request faultRead(gates::FaultMemoryLayout layout); // "f00?": 17 bytes, 3 on the oldest firmware
Request faultErase(); // "e00?": the unit answers nothing

// Actuator test, all under code 140.
Request actuatorState(); // 140 "q0?": running byte and the unit's mask, 2 bytes
Request actuatorMask(int mask); // 140 "f" mask "?": the unit echoes the mask, 1 byte
Request actuatorStart(); // 140 "e0?": 1 byte, not read
Request actuatorStop(); // 140 "d0?": 1 byte, not read
// Crank angle sensor test.
Request sensorState(); // 155 "00?": 1 byte

// Soft-down and static settings.
Request softDownTime(); // "o00?": stored byte, 255 = standard time, 1 byte
Request softDownStandard(); // "o" 255 "0?": the standard time's byte, 1 byte
Request softDownTimeWrite(int storedByte); // "p" byte "0?": echo, 1 byte
Request idleControlRead(); // "h" 0 "0?": flags and raw temperature, 2 bytes
Request idleControlWrite(int flags, int rawLow); // "h" flags low "?": 2 bytes, not compared
Request coilChargeTimeRead(); // 129 "r" 0 "?": 24-bit count, 3 bytes
Request coilChargeTimeWrite(int step); // 129 "w" step "?": 24-bit count, 3 bytes

// Ignition angle table, byte by byte; cylinder 0 is also the shared table.
Request ignitionRead(int cylinder, int address); // "b" or "m", address, "0?": the byte, 1 byte
Request ignitionWrite(int cylinder, int address, int value); // "a" or "{", address, value, "?": echo, 1 byte

// Parameters, single-code form: code "r" "0" "?" reads; code "w" value "?"
// writes, and the unit answers with the value it stored.
Request paramRead(int code, int replyLength = 1);
Request paramWrite(int code, int value, int replyLength = 1);

// Parameters, paired form: a read code and a write code, each followed by
// its address or value bytes; the write is answered with the stored value.
Request pairRead(int readCode, std::initializer_list<int> args, int replyLength);
Request pairWrite(int writeCode, std::initializer_list<int> args, int replyLength);

// Racing options tabs, opening reads.
namespace param {
constexpr int kPumpPrePressure = 127;
constexpr int kAirMassSampling = 143;
constexpr int kCoilType = 152;
constexpr int kDwellStart = 158;
constexpr int kLoadChangeSensitivity = 136;
constexpr int kLoadChangeEnrichment = 137;
constexpr int kLoadChangeAdvance = 138;
constexpr int kLoadChangeDuration = 139;
constexpr int kOverrunDuration = 145;
constexpr int kOverrunLeaning = 133;
constexpr int kOverrunSensitivity = 132;
} // namespace param
Request input1Retard(); // "~00?": 1 byte
Request input1Function(); // "\00?": 1 byte
Request plainCode(int code); // code "00?": 1 byte
Request fullLoadAirMassRead(); // 141 "00?": high, low
Request coilDelayRead(); // 153 "00?": high, low and two unused bytes
Request maxLoadChangeAirMassRead(); // 147 "00?": high, low
Request chokeByteRead(int index); // 131 index "0?": 1 byte
Request chokeByteWrite(int index, int value); // 130 index value "?": echo, 1 byte
Request warmUpAdaptationRead(int band); // 150 band "0?": 1 byte, signed

// Switching module writes. Each is answered with the bytes it stored.
Request output1ModeWrite(int code); // "u" code "0?": echo of the code, 1 byte
Request output2ModeWrite(int code); // "w" code "0?": echo of the code, 1 byte
// Thresholds 1 ("x") and 2 ("y"); the unit echoes the two bytes after the letter.
Request thresholdIndexWrite(int threshold, int index); // letter, band index, "0?": 2 bytes
Request thresholdPeriodWrite(int threshold, int period); // letter, P high, P low, "?": 2 bytes
Request input1RetardWrite(int value); // "~w" value "?": echo, 1 byte
Request input1FunctionWrite(int code); // "\w" 255 or 0 "?": echo, 1 byte
Request input2FunctionWrite(int code); // 148 "w" 255 or 0 "?": echo, 1 byte
Request input2EnrichmentWrite(int value); // 135 "w" value "?": echo, 1 byte

// Additional functions writes. Each is answered with what the unit stored.
namespace param {
constexpr int kFullLoadAirMassRead = 141;
constexpr int kFullLoadAirMassWrite = 142;
constexpr int kCoilDelay = 153;
} // namespace param
Request pumpPrePressureWrite(int value); // 127 "w" value "?": echo, 1 byte
Request airMassSamplingWrite(int value); // 143 "w" value "?": echo, 1 byte
Request fullLoadAirMassWrite(int count); // 142 high low "?": echo high, low
Request coilTypeWrite(int code); // 152 "w" code "?": echo, 1 byte
// 153 (high OR 128) low "?": the set top bit makes it a write; echo high,
// low and two unused bytes.
Request coilDelayWrite(int delay);
Request leadAngleWrite(int value); // 154 "w" value "?": echo, 1 byte
Request dwellStartWrite(int value); // 158 "w" value "?": echo, 1 byte

// Injection map: both lambda maps byte by byte (map 1 at addresses 1-120, map 2
// at 129-248) and the injector's flow constant. The standstill check before a
// map write is period().
Request lambdaByteRead(int address); // 125 address "0?": the stored byte, 1 byte
Request lambdaByteWrite(int address, int value); // 124 address value "?": echo, 1 byte
Request flowConstantRead(); // 96 0 "0?": high, low
Request flowConstantWrite(int constant); // 95 high low "?": echo high, low

// Every command of the program by name with a sample frame, so the simulator
// and the trace can be checked against one list.
struct Entry {
    const char* name;
    Request sample;
    // Set where the reply length depends on the unit's firmware.
    int (*replyLengthFor)(const UnitIdentity& unit) = nullptr;
};
const std::vector<Entry>& catalogue();

} // namespace cmd
