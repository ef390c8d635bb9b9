#include "lambdamap.h"

#include "core/format.h"

#include <QLocale>

#include <cmath>

namespace lambda {
namespace {

constexpr int kMap2Offset = 128;
constexpr int kColumnBlock = 20;
constexpr int kLastAddress = kMap2Offset + kColumns * kColumnBlock;
constexpr double kStoredNumerator = 1024.0;
constexpr int kLargestValidStored = kFirstInvalidHigh * 256 - 1;

int index(Cell cell)
{
    Q_ASSERT(cell.row >= 1 && cell.row <= kRows && cell.column >= 1 && cell.column <= kColumns);
    return (cell.row - 1) * kColumns + (cell.column - 1);
}

int mapIndex(Map map)
{
    return map == Map::Two ? 1 : 0;
}

bool validStored(int stored)
{
    return stored >= 1 && stored <= kLargestValidStored;
}

} // namespace

// The text as a number: "," or "." as separator, nothing else around it.
std::optional<double> numberOf(const QString& text)
{
    QString s = text.trimmed();
    if (const qsizetype comma = s.indexOf(QLatin1Char(',')); comma >= 0)
        s[comma] = QLatin1Char('.');
    bool ok = false;
    const double value = QLocale::c().toDouble(s, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

const QStringList& rowLabels()
{
    static const QStringList labels = { QStringLiteral("0-15"), QStringLiteral("15-35"), QStringLiteral("35-60"),
        QStringLiteral("60-90"), QStringLiteral("90-125"), QStringLiteral("125-165"), QStringLiteral("165-210"),
        QStringLiteral("210-260"), QStringLiteral("260-320"), QStringLiteral("über 320") };
    return labels;
}

const QStringList& columnLabels()
{
    static const QStringList labels
        = { QStringLiteral("0,0-1,3"), QStringLiteral("1,3-2,5"), QStringLiteral("2,5-3,5"),
              QStringLiteral("3,5-5,5"), QStringLiteral("5,5-6,5"), QStringLiteral("  > 6,5") };
    return labels;
}

QString cellName(Cell cell)
{
    return QStringLiteral("Luftmasse %1 kg/h, Drehzahl %2 (1000 U/min)")
        .arg(rowLabels().at(cell.row - 1), columnLabels().at(cell.column - 1).trimmed());
}

QString unsendableText(const QString& text, Cell cell)
{
    return QStringLiteral("Der Wert \"%1\" (%2) ist kein Lambdawert, den das Steuergerät speichern kann. "
                          "Übertragung abgebrochen!")
        .arg(text, cellName(cell));
}

QString unsavableText(const QString& text, Cell cell)
{
    return QStringLiteral("Der Wert \"%1\" (%2) ist kein Lambdawert, der sich in einer Lambdatabellen-Datei "
                          "speichern lässt. Die Datei wurde nicht geschrieben.")
        .arg(text, cellName(cell));
}

int highAddress(Map map, Cell cell)
{
    return kColumnBlock * (cell.column - 1) + 2 * cell.row - 1 + (map == Map::Two ? kMap2Offset : 0);
}

std::optional<Location> locate(int address)
{
    if (address < 1 || address > kLastAddress)
        return std::nullopt;
    Location at;
    at.map = address > kMap2Offset ? Map::Two : Map::One;
    const int offset = address - 1 - (at.map == Map::Two ? kMap2Offset : 0);
    if (offset < 0 || offset >= kColumns * kColumnBlock)
        return std::nullopt;
    at.cell = { offset % kColumnBlock / 2 + 1, offset / kColumnBlock + 1 };
    at.lowByte = offset % 2 == 1;
    return at;
}

QString lambdaText(double lambda)
{
    return fmt::fixedDecimals(lambda, 2);
}

ReadCell decodeCell(int high, int low)
{
    const int stored = high * 256 + low;
    if (high >= kFirstInvalidHigh || stored == 0)
        return { lambdaText(1.0), kStandardStored, true };
    return { lambdaText(kStoredNumerator / stored), stored, false };
}

std::optional<int> storedFromText(const QString& text)
{
    const std::optional<double> value = numberOf(text);
    if (!value || *value <= 0)
        return std::nullopt;
    const double stored = fmt::roundHalfEven(kStoredNumerator / *value);
    if (!(stored >= 1 && stored <= kLargestValidStored))
        return std::nullopt;
    return static_cast<int>(stored);
}

bool engineTurns(int firstPeriodByte)
{
    return firstPeriodByte < 254;
}

std::array<Request, 2> cellReads(Map map, Cell cell)
{
    const int address = highAddress(map, cell);
    return { cmd::lambdaByteRead(address), cmd::lambdaByteRead(address + 1) };
}

std::array<Request, 2> cellWrites(Map map, Cell cell, int stored)
{
    const int address = highAddress(map, cell);
    return { cmd::lambdaByteWrite(address, stored >> 8), cmd::lambdaByteWrite(address + 1, stored & 0xFF) };
}

Commit commitEdit(const QString& typed, const QString& current)
{
    QString s = typed;
    if (const qsizetype comma = s.indexOf(QLatin1Char(',')); comma >= 0)
        s[comma] = QLatin1Char('.');
    const double value = fmt::leadingNumber(s);
    if (value >= kMinLambda && value <= kMaxLambda)
        return { lambdaText(value), false };
    return { current.isEmpty() ? lambdaText(1.0) : current, true };
}

Flow flowFromConstant(int high, int low)
{
    const int constant = high == 255 && low == 255 ? 1 : high * 256 + low;
    if (constant == 0)
        return { kFlowStandard, true };
    return flowFromNumber(static_cast<double>(kFlowNumerator) / constant);
}

Flow flowFromNumber(double value)
{
    const double rate = fmt::roundHalfEven(value);
    if (!(rate >= kFlowMin && rate <= kFlowMax))
        return { kFlowStandard, true };
    return { static_cast<int>(rate), false };
}

int constantFromFlow(int rate)
{
    Q_ASSERT(rate >= kFlowMin && rate <= kFlowMax);
    return static_cast<int>(fmt::roundHalfEven(static_cast<double>(kFlowNumerator) / rate));
}

// --- LambdaMaps --------------------------------------------------------------

const LambdaMaps::Slot& LambdaMaps::slot(Map map, Cell cell) const
{
    return m_maps[mapIndex(map)][index(cell)];
}

LambdaMaps::Slot& LambdaMaps::slot(Map map, Cell cell)
{
    return m_maps[mapIndex(map)][index(cell)];
}

const QString& LambdaMaps::text(Map map, Cell cell) const
{
    return slot(map, cell).text;
}

ReadCell LambdaMaps::setFromUnit(Map map, Cell cell, int high, int low)
{
    const ReadCell read = decodeCell(high, low);
    slot(map, cell) = { read.text, read.stored };
    return read;
}

void LambdaMaps::setText(Map map, Cell cell, const QString& text)
{
    slot(map, cell) = { text, std::nullopt };
}

Commit LambdaMaps::commit(Map map, Cell cell, const QString& typed)
{
    const Commit result = commitEdit(typed, text(map, cell));
    // Confirming a cell unchanged keeps the unit's own value.
    if (result.text != text(map, cell))
        setText(map, cell, result.text);
    return result;
}

bool LambdaMaps::complete(Map map) const
{
    for (const Slot& s : m_maps[mapIndex(map)])
        if (s.text.isEmpty())
            return false;
    return true;
}

std::optional<int> LambdaMaps::storedValue(Map map, Cell cell) const
{
    const Slot& s = slot(map, cell);
    if (s.stored && validStored(*s.stored))
        return s.stored;
    return storedFromText(s.text);
}

std::optional<Cell> LambdaMaps::firstUnsendable(Map map) const
{
    for (int row = 1; row <= kRows; ++row)
        for (int column = 1; column <= kColumns; ++column)
            if (!storedValue(map, { row, column }))
                return Cell { row, column };
    return std::nullopt;
}

} // namespace lambda
