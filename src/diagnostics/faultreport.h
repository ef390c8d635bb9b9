#pragma once

#include "core/bytes.h"
#include "core/gates.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

// The fault memory report: the unit's fault bytes, the live input checks and
// the unit's identity turned into the German plain text the window shows,
// copies and prints. No widgets, no link.
namespace faults {

// Live checks of an input through "g00?", by the codes the decoder asks with.
enum class SensorCheck {
    HeadTempShort = 3, // fault byte 4: head temperature input below 0.04 V
    HeadTempOpen = 4, // fault byte 5: head temperature input above 4.85 V
    AirMassShort = 5, // fault byte 6: air mass meter input below 0.04 V
    AirMassOpen = 6, // fault byte 7: air mass meter input above 4.85 V
};

// Volts of the input a check looks at, from the 8-byte "g00?" reply (raw × 5 / 1024).
double checkVoltage(const Bytes& analogReply, SensorCheck check);
// Whether the check finds the fault present now.
bool checkHolds(const Bytes& analogReply, SensorCheck check);

// Asks the unit for one live check; nothing when the link is lost.
using CheckInput = std::function<std::optional<bool>(SensorCheck)>;

// The report body from the "f00?" reply of the given layout. A fault that a
// live check decides is permanent when the check holds, sporadic otherwise.
// Nothing when a check got no answer: the report is then incomplete.
std::optional<QString> reportBody(
    const Bytes& faultReply, gates::FaultMemoryLayout layout, bool injectionLine, const CheckInput& check);

// The header block that precedes the body on the clipboard and on paper.
QString reportHeader(const UnitIdentity& unit, const QDateTime& readAt);
// Header and body as copied to the clipboard.
QString clipboardText(const QString& header, const QString& body);
// As printed: three empty lines, the first header line indented like the rest.
QString printText(const QString& header, const QString& body);

} // namespace faults
