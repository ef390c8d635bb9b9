#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <initializer_list>

// Commands and replies are byte strings: one byte 0-255 per position, zero
// bytes kept, no code page in between.
using Bytes = QByteArray;

namespace bytes {

// Byte at `index` (0-based) as 0-255.
inline int at(const Bytes& b, int index)
{
    return static_cast<std::uint8_t>(b.at(index));
}

// Two bytes from `index` on, the high byte first.
inline int bigEndian16(const Bytes& b, int index)
{
    return at(b, index) * 256 + at(b, index + 1);
}

// A byte value read as two's complement (-128 to 127).
inline int signedByte(int value)
{
    return value > 127 ? value - 256 : value;
}

// A frame from a command code byte followed by the argument bytes of a
// literal, zero bytes included: frame(128, "00?"), frame('c', "\0" "0?").
// Only literals bind, so a C string can never cut a frame short.
template <qsizetype N> Bytes frame(int code, const char (&rest)[N])
{
    Bytes b;
    b.append(static_cast<char>(code));
    b.append(rest, N - 1);
    return b;
}

// A frame built from single byte values.
inline Bytes of(std::initializer_list<int> values)
{
    Bytes b;
    for (int v : values)
        b.append(static_cast<char>(v));
    return b;
}

// Upper-case hex with blanks, for traces and test messages: "74 30 30 3F".
inline QString hex(const Bytes& b)
{
    return QString::fromLatin1(b.toHex(' ').toUpper());
}

// Text carried one to one (character code = byte value).
inline QString text(const Bytes& b)
{
    return QString::fromLatin1(b);
}

} // namespace bytes
