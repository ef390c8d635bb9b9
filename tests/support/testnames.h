#pragma once

#include <QByteArray>
#include <QString>

#include <concepts>
#include <string>
#include <string_view>

// Names for the rows of parameterised tests, built from fields of the row:
// gtest accepts only [A-Za-z0-9_], and a name that is the same on every run
// lets ctest and a failure report point at the same row.
//   [](const auto& info) { return testName(info.param.profile, info.param.rpm); }
namespace testnames {

// Letters and digits stay; a minus before a digit becomes "minus", every other
// run of characters one "_".
inline std::string clean(std::string_view text)
{
    std::string out;
    auto isAlnum
        = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (isAlnum(c)) {
            out += c;
        } else if (c == '-' && i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9'
            && (i == 0 || !isAlnum(text[i - 1]))) {
            if (!out.empty() && out.back() != '_')
                out += '_';
            out += "minus";
        } else if (!out.empty() && out.back() != '_') {
            out += '_';
        }
    }
    while (!out.empty() && out.back() == '_')
        out.pop_back();
    return out.empty() ? std::string("empty") : out;
}

inline std::string part(const char* text)
{
    return text ? clean(text) : std::string("none");
}
inline std::string part(const std::string& text)
{
    return clean(text);
}
inline std::string part(const QString& text)
{
    return clean(text.toStdString());
}
// Readable frames ("t00?") as text, binary ones in hex.
inline std::string part(const QByteArray& bytes)
{
    for (char c : bytes)
        if (c < 0x20 || c > 0x7E)
            return "x" + bytes.toHex().toStdString();
    return clean(bytes.toStdString());
}
inline std::string part(bool value)
{
    return value ? "yes" : "no";
}
template <std::integral T>
requires(!std::same_as<T, bool> && !std::same_as<T, char>) std::string part(T value)
{
    return clean(std::to_string(value));
}
template <std::floating_point T> std::string part(T value)
{
    return clean(QString::number(double(value), 'g', 12).toStdString());
}

} // namespace testnames

template <typename... Parts> std::string testName(const Parts&... parts)
{
    std::string out;
    ((out += (out.empty() ? "" : "_") + testnames::part(parts)), ...);
    return out;
}
