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

// Letters and digits stay; a sign or point before a number is spelled out
// ("-3.5" -> "minus3_5", ".5" -> "point5"); every other run of characters
// becomes one "_". Text of symbols only is written in hex ("," -> "x2c").
inline std::string clean(std::string_view text)
{
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    auto isAlnum = [&](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || isDigit(c); };
    std::string out;
    auto separate = [&out] {
        if (!out.empty() && out.back() != '_')
            out += '_';
    };
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool startsNumber = i + 1 < text.size() && isDigit(text[i + 1]) && (i == 0 || !isAlnum(text[i - 1]));
        if (isAlnum(c)) {
            out += c;
        } else if (startsNumber && (c == '-' || c == '+' || c == '.')) {
            separate();
            out += c == '-' ? "minus" : c == '+' ? "plus" : "point";
        } else {
            separate();
        }
    }
    while (!out.empty() && out.back() == '_')
        out.pop_back();
    if (!out.empty())
        return out;
    if (text.empty())
        return "empty";
    std::string hex = "x";
    for (unsigned char c : text) {
        const char* digits = "0123456789abcdef";
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
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
