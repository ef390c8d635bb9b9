#pragma once

#include "core/bytes.h"

#include <QString>

// The maximum coil charge time as the unit reports it (code 129): a 24-bit
// count of microseconds, lowest byte first. The windows hold it in steps of
// 0.1 ms.
namespace coilcharge {

constexpr int kMin = 1;
constexpr int kMax = 255;
constexpr int kStandard = 40; // 4 ms

inline const QString kInvalidText
    = QStringLiteral("Die im Steuergerät gesetzte Zündspulenladezeit ist ungültig. Der Standardwert wird verwendet");

int count(const Bytes& reply); // 3 bytes, lowest first
int stepFromCount(int count); // count / 1000, halves to even
// A step the controls can hold; any other would be written back changed.
bool stepValid(int step);

} // namespace coilcharge
