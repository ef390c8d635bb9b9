#include "basic/correction.h"

#include "core/format.h"

#include <algorithm>

namespace correction {

int positionFromCode(int code)
{
    code = std::clamp(code, 0, 255); // the unit sends one byte; anything else is not a code
    return code <= 127 ? code + 129 : code - 127;
}

int codeFromPosition(int position)
{
    position = std::clamp(position, kFirstPosition, kLastPosition);
    return position >= kNoOffsetPosition ? position - 129 : position + 127;
}

QString angleText(int position)
{
    position = std::clamp(position, kFirstPosition, kLastPosition);
    const QString number = fmt::fixedStyle((kNoOffsetPosition - position) / 10.0);
    return position < kNoOffsetPosition ? QStringLiteral("+") + number : number;
}

} // namespace correction
