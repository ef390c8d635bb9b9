#pragma once

#include <QString>

// The temporary ignition angle correction as one byte, a slider position and
// the angle shown. Codes 0-127 retard (0 to -12.7 degrees), 128-255 advance
// (+12.8 down to +0.1); the slider runs from +12.8 at position 1 to -12.7 at
// position 256, with no offset at position 129.
namespace correction {

inline constexpr int kFirstPosition = 1;
inline constexpr int kLastPosition = 256;
inline constexpr int kNoOffsetPosition = 129;

int positionFromCode(int code);
int codeFromPosition(int position);

// "+ 5.6", " 0", "-12.7": the fixed number style with "+" before an advance.
QString angleText(int position);

} // namespace correction
