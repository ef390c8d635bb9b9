#pragma once

#include "core/bytes.h"
#include "core/gates.h"
#include "core/identity.h"

#include <QChar>
#include <QString>

#include <optional>

// Live values of the status window: reply bytes in, display texts out. A
// function returns nothing (or leaves a field empty) where the display must
// stay as it is: a timeout gives an empty reply, a short one is as bad, and
// the previous value is more useful to the user than a blank.
namespace live {

inline const QString kNotSupported = QStringLiteral("Nicht unterstützt");
inline const QString kNotAvailable = QStringLiteral("N/A");
inline const QString kNoAngle = QStringLiteral(" ---");
inline const QString kInjectorFlowNotConfigured
    = QStringLiteral("ACHTUNG: Die Fördermenge des Einspritzsystems ist nicht korrekt konfiguriert. "
                     "Standardwerte werden verwendet!");

// What the status window learnt at load and the tick needs for decoding.
struct Context {
    UnitIdentity id;
    int sensorAngle = 0; // 0.1 degree before top dead centre
    int angleOffset = 0; // 0.1 degree
    double injectorFlow = 0;
    double offsetAngle = 0; // degrees
    int enrichmentSixteenths = 0;
    QString lblSE1Mode;
    QString lblSE2Mode;
    QString lblSA1Mode;
    bool inputsAvailable = true;
    bool racingVariant = false;
    bool mafAvailable = true;
    bool headTempAvailable = false;
};

// A display text that holds a number equal to zero ("0", "0,0"); "N/A" or
// an empty text do not.
bool readsZero(const QString& text);

// --- Engine speed ("r00?", 3 bytes) -------------------------------------

struct Speed {
    QString txtRPM;
    QString txtStgLast;
    double period = 0; // 0.1 microseconds, for the consumption
    bool engineStands = false;
};
std::optional<Speed> decodeSpeed(const Bytes& reply);

// --- Outputs (code 128, 1 byte) -------------------------------------------

struct Outputs {
    QString txtBenzPump;
    QString lblSA1Stat;
    QString lblSA2Stat;
};
// txtRPM is the speed text shown by now in this tick.
std::optional<Outputs> decodeOutputs(const Bytes& reply, const Context& ctx, const QString& txtRPM);

// --- Inputs ("l00?", 1 byte) ------------------------------------------------

using InputTable = gates::InputTable;

struct InputSelection {
    InputTable table = InputTable::A;
    int mask = 112;
    int starterBit = 64; // table C only
};
InputSelection selectInputTable(const Context& ctx);

struct Inputs {
    QString txtDkPos;
    QString txtAnlStat;
    std::optional<QString> lblSE1Stat; // unset: this table leaves it alone
    std::optional<QString> lblSE2Stat;
};
std::optional<Inputs> decodeInputs(const Bytes& reply, const Context& ctx, QChar separator);

// --- Ignition angles ("z00?", and "i00?" on type 4 units) ----------------

struct IgnitionAngles {
    QString txtZndWinkel;
    std::optional<QString> txtZndWinkelZ2; // unset on one-cylinder units
};
// `secondReply` is ignored when the unit has no second angle.
std::optional<IgnitionAngles> decodeIgnitionAngles(
    const Bytes& firstReply, const Bytes& secondReply, const Context& ctx, const QString& txtRPM, QChar separator);

// --- Angle correction ("q00?", 1 signed byte) -> txtZndWnkKorr -----------

std::optional<QString> decodeCorrection(const Bytes& reply, QChar separator);

// --- Analog sensors ("g00?", 8 bytes) ---------------------------------------

struct Analog {
    std::optional<QString> txtLMM; // only when air mass is measured
    std::optional<QString> txtAirtemp;
    QString txtMTemp;
};
std::optional<Analog> decodeAnalog(const Bytes& reply, const Context& ctx, QChar separator);

// --- Lambda ("^00?", 2 bytes) -> txtLambda ----------------------------------

std::optional<QString> decodeLambda(
    const Bytes& reply, const QString& txtRPM, const QString& txtLMM, QChar separator);

// --- Consumption (code 144, 3 bytes) -> txtVerbrauch ------------------------

// `period` is Speed::period of this tick, 0 when the speed read failed.
std::optional<QString> decodeConsumption(
    const Bytes& reply, double period, double injectorFlow, const QString& txtRPM, QChar separator);

// --- Injector delivery (code 96, 2 bytes) -----------------------------------

struct InjectorFlowReading {
    int value = 0; // 491520 / (a * 256 + b); InjectorFlow is value / 1000
    bool notConfigured = false; // show kInjectorFlowNotConfigured as an error box
};
InjectorFlowReading decodeInjectorFlow(const Bytes& reply);

// --- Load-time decoders ----------------------------------------------------

// Poll watchdog: long request times would otherwise trip it on every tick.
int watchdogInterval(int requestTime);

// Setting DwgGrdPos corrected for the 2.4xx/2.5xx firmware of type 4 units.
int adjustedSensorAngle(int setting, const UnitIdentity& id);

// Captions that the racing variant gives to the input labels at load; unset
// where the design caption stays.
std::optional<QString> lblDkPosCaption(const UnitIdentity& id);
std::optional<QString> lblAnlasserCaption(const UnitIdentity& id);

// Reply byte of the second "n00?" to txtSDaktiv.
QString softDownStateText(int state);

// ReadSwitchConfig: reply bytes to captions. Unset: the caption stays.
std::optional<QString> se1ModeCaption(int code92);
double offsetAngleFromByte(int code126);
std::optional<QString> se2ModeCaption(int code148);
QString sa1ModeCaption(int mode);
QString sa2ModeCaption(int mode);

struct OutputModes {
    QString lblSA1Mode;
    QString lblSA2Mode;
};
// Reply of "j00?", 10 bytes: byte 1 and byte 6 are the output modes.
std::optional<OutputModes> decodeOutputModes(const Bytes& reply);

} // namespace live
