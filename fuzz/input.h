#pragma once

#include "core/bytes.h"
#include "core/commands.h"
#include "core/identity.h"

#include <QString>

#include <cstddef>
#include <cstdint>

// Hands out the fuzzer's bytes piece by piece. Past the end every byte reads
// as zero, so any input, however short, drives a whole target.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {
    }

    bool empty() const { return m_pos >= m_size; }

    int byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
    bool flag() { return byte() & 1; }
    // Two bytes, the high byte first.
    int word()
    {
        const int high = byte();
        return high * 256 + byte();
    }
    // A value of lo..hi (a span of at most 65536).
    int range(int lo, int hi)
    {
        const int span = hi - lo + 1;
        return lo + (span <= 256 ? byte() : word()) % span;
    }

    // Up to `n` bytes, fewer where the input ends.
    Bytes take(int n)
    {
        Bytes b;
        while (n-- > 0 && !empty())
            b.append(static_cast<char>(byte()));
        return b;
    }
    // Exactly `n` bytes, zeros past the end.
    Bytes exact(int n)
    {
        Bytes b = take(n);
        b.append(Bytes(n - b.size(), '\0'));
        return b;
    }
    // A reply as the link hands it over: always the request's full length.
    Bytes reply(const Request& request) { return exact(request.replyLength); }
    // A reply of any length, for decoders that must judge the length themselves.
    Bytes anyReply(int longest) { return take(range(0, longest)); }

    // A text of up to `longest` characters, one byte each (Latin-1), or two
    // bytes each when the text asks for wide characters.
    QString text(int longest)
    {
        const bool wide = flag();
        const int length = range(0, longest);
        QString s;
        for (int i = 0; i < length && !empty(); ++i)
            s += wide ? QChar(static_cast<char16_t>(word())) : QChar(static_cast<char16_t>(byte()));
        return s;
    }

    Bytes rest()
    {
        const Bytes b(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(m_size - m_pos));
        m_pos = m_size;
        return b;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// The unit's identity from the input: either the raw replies of the firmware
// and type reads, or texts of the unit's own form built from chosen fields, so
// that every gate opens and closes.
inline UnitIdentity identityFrom(FuzzInput& in)
{
    UnitIdentity id;
    if (in.byte() % 4 == 0) {
        id.setFirmware(in.reply(cmd::firmware()));
        id.setUnitType(in.reply(cmd::identify()));
    } else {
        const int major = in.range(0, 9);
        const int minor = in.range(0, 999);
        id.setFirmware(QByteArray::number(major).rightJustified(2, '0') + '.'
            + QByteArray::number(minor).rightJustified(3, '0'));
        QByteArray t = "K?DX ?Zyl RX???";
        t[1] = "EZX"[in.range(0, 2)];
        t[5] = static_cast<char>('0' + in.range(1, 2));
        t[12] = static_cast<char>('0' + in.range(2, 5));
        t[13] = static_cast<char>('0' + in.range(0, 3));
        t[14] = static_cast<char>(in.byte());
        id.setUnitType(t);
    }
    id.serialNumber = bytes::text(in.reply(cmd::serialNumber()));
    return id;
}
