#include "coilcharge.h"

#include "core/format.h"

namespace coilcharge {

int count(const Bytes& reply)
{
    return bytes::at(reply, 0) | (bytes::at(reply, 1) << 8) | (bytes::at(reply, 2) << 16);
}

int stepFromCount(int count)
{
    return int(fmt::roundHalfEven(count / 1000.0));
}

bool stepValid(int step)
{
    return step >= kMin && step <= kMax;
}

} // namespace coilcharge
