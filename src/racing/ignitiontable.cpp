#include "ignitiontable.h"

#include "core/format.h"
#include "core/gates.h"
#include "core/identity.h"

#include <QtGlobal>

#include <algorithm>
#include <array>

namespace {

constexpr int kShared76Rows = 76;
constexpr int kPerCylinder111Rows = 111;
constexpr int kShared76LastAddress = 110;

// Addresses of 1-110 that hold no band on the shared table; the unit leaves
// them out above 54 where its bands widen.
constexpr std::array kShared76Gaps { 55, 59, 62, 65, 67, 69, 71, 73, 74, 76, 78, 79, 81, 82, 84, 85, 87, 88, 89,
    91, 92, 93, 95, 96, 97, 99, 100, 101, 102, 104, 105, 106, 107, 108 };

// The shared table's bands are uneven; their bounds are the unit's own.
QStringList shared76Labels()
{
    return QStringList { QStringLiteral("0-50"), QStringLiteral("51-100"), QStringLiteral("101-151"),
        QStringLiteral("152-201"), QStringLiteral("202-251"), QStringLiteral("252-302"), QStringLiteral("303-352"),
        QStringLiteral("353-402"), QStringLiteral("403-453"), QStringLiteral("454-503"), QStringLiteral("504-554"),
        QStringLiteral("555-604"), QStringLiteral("605-654"), QStringLiteral("655-703"), QStringLiteral("704-754"),
        QStringLiteral("755-804"), QStringLiteral("805-854"), QStringLiteral("855-905"), QStringLiteral("906-956"),
        QStringLiteral("957-1001"), QStringLiteral("1002-1102"), QStringLiteral("1103-1204"),
        QStringLiteral("1205-1297"), QStringLiteral("1298-1395"), QStringLiteral("1396-1495"),
        QStringLiteral("1496-1594"), QStringLiteral("1595-1692"), QStringLiteral("1693-1800"),
        QStringLiteral("1801-1900"), QStringLiteral("1901-1992"), QStringLiteral("1993-2092"),
        QStringLiteral("2093-2200"), QStringLiteral("2201-2295"), QStringLiteral("2296-2393"),
        QStringLiteral("2394-2499"), QStringLiteral("2500-2575"), QStringLiteral("2576-2699"),
        QStringLiteral("2700-2790"), QStringLiteral("2791-2888"), QStringLiteral("2889-2990"),
        QStringLiteral("2991-3099"), QStringLiteral("3100-3159"), QStringLiteral("3160-3279"),
        QStringLiteral("3280-3347"), QStringLiteral("3348-3487"), QStringLiteral("3488-3562"),
        QStringLiteral("3563-3639"), QStringLiteral("3640-3801"), QStringLiteral("3802-3891"),
        QStringLiteral("3892-3990"), QStringLiteral("3991-4084"), QStringLiteral("4085-4186"),
        QStringLiteral("4187-4291"), QStringLiteral("4292-4404"), QStringLiteral("4405-4524"),
        QStringLiteral("4525-4648"), QStringLiteral("4649-4783"), QStringLiteral("4784-4919"),
        QStringLiteral("4920-5072"), QStringLiteral("5073-5230"), QStringLiteral("5231-5399"),
        QStringLiteral("5400-5578"), QStringLiteral("5579-5775"), QStringLiteral("5776-5975"),
        QStringLiteral("5976-6198"), QStringLiteral("6199-6440"), QStringLiteral("6441-6693"),
        QStringLiteral("6694-6975"), QStringLiteral("6976-7285"), QStringLiteral("7286-7609"),
        QStringLiteral("7610-7970"), QStringLiteral("7971-8375"), QStringLiteral("8376-8809"),
        QStringLiteral("8810-9300"), QStringLiteral("9301-9802"), QStringLiteral("9803->>") };
}

// 50 rpm bands up to 1000 rpm, 100 rpm bands up to 10000 rpm, then the rest.
QStringList perCylinder111Labels()
{
    QStringList labels { QStringLiteral("0-50") };
    const auto band = [&labels](int from, int to) {
        labels << QString::number(from) + QLatin1Char('-') + QString::number(to);
    };
    for (int k = 1; k <= 19; ++k)
        band(50 * k + 1, 50 * k + 50);
    for (int k = 20; k <= 109; ++k)
        band(1001 + 100 * (k - 20), 1100 + 100 * (k - 20));
    labels << QStringLiteral("10001->>");
    return labels;
}

// A text of digits only, blanks around allowed.
std::optional<int> plainByte(const QString& text)
{
    const auto isBlank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && isBlank(text[from]))
        ++from;
    while (to > from && isBlank(text[to - 1]))
        --to;
    if (from == to)
        return std::nullopt;
    int value = 0;
    for (qsizetype i = from; i < to; ++i) {
        const QChar c = text[i];
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
        if (value > 255) // stops early, so a long run of digits cannot overflow
            return std::nullopt;
    }
    return value;
}

} // namespace

namespace bands {

BandScheme schemeFor(const UnitIdentity& unit)
{
    return gates::ignitionTablePerCylinder(unit) ? BandScheme::PerCylinder111 : BandScheme::Shared76;
}

int rowCount(BandScheme scheme)
{
    return scheme == BandScheme::Shared76 ? kShared76Rows : kPerCylinder111Rows;
}

int lastAddress(BandScheme scheme)
{
    return scheme == BandScheme::Shared76 ? kShared76LastAddress : kPerCylinder111Rows;
}

const QStringList& labels(BandScheme scheme)
{
    static const QStringList shared = shared76Labels();
    static const QStringList perCylinder = perCylinder111Labels();
    return scheme == BandScheme::Shared76 ? shared : perCylinder;
}

bool isTableAddress(int address)
{
    return address >= 1 && address <= kShared76LastAddress
        && std::find(kShared76Gaps.begin(), kShared76Gaps.end(), address) == kShared76Gaps.end();
}

int rowOfAddress(BandScheme scheme, int address)
{
    if (scheme == BandScheme::PerCylinder111)
        return address >= 1 && address <= kPerCylinder111Rows ? address - 1 : -1;
    if (!isTableAddress(address))
        return -1;
    int row = 0;
    for (int a = 1; a < address; ++a)
        row += isTableAddress(a) ? 1 : 0;
    return row;
}

int pointsOfRow(BandScheme scheme, int row)
{
    if (row < 0 || row >= rowCount(scheme))
        return 0;
    if (row < 20)
        return 1;
    if (scheme == BandScheme::PerCylinder111)
        return 2;
    // The shared table's upper bands span ever more 50 rpm steps.
    if (row <= 57)
        return 2;
    if (row <= 59)
        return 3;
    if (row <= 63)
        return 4;
    if (row <= 66)
        return 5;
    if (row <= 69)
        return 6;
    if (row <= 72)
        return row - 63; // 7, 8, 9
    return 10;
}

int chartPointCount(BandScheme scheme)
{
    int points = 0;
    for (int row = 0; row < rowCount(scheme); ++row)
        points += pointsOfRow(scheme, row);
    return points;
}

} // namespace bands

IgnitionTable::IgnitionTable(BandScheme scheme)
    : m_scheme(scheme)
    , m_rows(bands::rowCount(scheme))
{
}

QString IgnitionTable::label(int row) const
{
    return bands::labels(m_scheme).value(row);
}

const QString& IgnitionTable::byteText(int row, int cylinder) const
{
    return cell(row, cylinder).byteText;
}

const QString& IgnitionTable::angleText(int row, int cylinder) const
{
    return cell(row, cylinder).angleText;
}

double IgnitionTable::angle(int row, int cylinder) const
{
    return cell(row, cylinder).angle;
}

std::optional<int> IgnitionTable::byteValue(int row, int cylinder) const
{
    return plainByte(cell(row, cylinder).byteText);
}

void IgnitionTable::setByte(int row, int cylinder, int byte, const AngleCoding& coding, CellOrigin origin)
{
    fill(row, cylinder, QString::number(byte), coding.angle(byte), origin);
}

void IgnitionTable::setText(int row, int cylinder, const QString& text, const AngleCoding& coding)
{
    fill(row, cylinder, text, coding.angle(fmt::leadingNumber(text)), CellOrigin::File);
}

std::vector<double> IgnitionTable::chartPoints(int cylinder) const
{
    std::vector<double> points;
    points.reserve(bands::chartPointCount(m_scheme));
    for (int row = 0; row < rows(); ++row)
        points.insert(points.end(), bands::pointsOfRow(m_scheme, row), angle(row, cylinder));
    return points;
}

const IgnitionTable::Cell& IgnitionTable::cell(int row, int cylinder) const
{
    Q_ASSERT(row >= 0 && row < rows() && (cylinder == 0 || cylinder == 1));
    return m_rows[row].cylinder[cylinder];
}

QString IgnitionTable::angleTextFor(double angle, CellOrigin origin) const
{
    if (m_scheme == BandScheme::PerCylinder111)
        return QLatin1Char(' ') + fmt::fixedDecimals(angle, 1);
    return origin == CellOrigin::Hand ? fmt::fixedDecimals(angle, 1) : fmt::plainNumber(angle);
}

void IgnitionTable::fill(int row, int cylinder, const QString& byteText, double angle, CellOrigin origin)
{
    Q_ASSERT(row >= 0 && row < rows());
    const Cell filled { byteText, angleTextFor(angle, origin), angle };
    Row& target = m_rows[row];
    // The shared table drives both cylinders, so both columns always agree.
    if (m_scheme == BandScheme::Shared76) {
        target.cylinder[0] = filled;
        target.cylinder[1] = filled;
    } else {
        Q_ASSERT(cylinder == 0 || cylinder == 1);
        target.cylinder[cylinder] = filled;
    }
}
