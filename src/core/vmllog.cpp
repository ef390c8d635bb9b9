#include "vmllog.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace vml {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kSecondsPerDay = 86400;
// Header lines searched for the column titles before the file is judged no log.
constexpr int kMaxHeaderLines = 16;

constexpr double kPow10[] = { 1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
    1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22 };

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (isBlank(s.front()) || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (isBlank(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// A plain non-negative integer of 1-2 digits; -1 otherwise.
int smallNumber(std::string_view s)
{
    if (s.empty() || s.size() > 2 || !isDigit(s[0]) || (s.size() == 2 && !isDigit(s[1])))
        return -1;
    return s.size() == 1 ? s[0] - '0' : (s[0] - '0') * 10 + (s[1] - '0');
}

// "h.m.s" (as the recorder writes it) or "h:m:s" as second of the day; -1 when unreadable.
std::int32_t readClock(std::string_view field)
{
    field = trimmed(field);
    int parts[3];
    for (int i = 0; i < 3; ++i) {
        std::size_t end = 0;
        while (end < field.size() && field[end] != '.' && field[end] != ':')
            ++end;
        if ((i < 2) == (end == field.size()))
            return -1;
        parts[i] = smallNumber(field.substr(0, end));
        field.remove_prefix(std::min(end + 1, field.size()));
    }
    if (parts[0] < 0 || parts[0] > 23 || parts[1] < 0 || parts[1] > 59 || parts[2] < 0 || parts[2] > 59)
        return -1;
    return parts[0] * 3600 + parts[1] * 60 + parts[2];
}

// The header is the system's single-byte code page; a file that an editor
// saved again as UTF-8 is read as such.
QString decodeText(std::string_view bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

// Text after the first ": " of a header line, without the closing ";".
QString headerValue(const QString& line)
{
    const qsizetype colon = line.indexOf(QLatin1Char(':'));
    QString value = colon < 0 ? QString() : line.mid(colon + 1).trimmed();
    while (value.endsWith(QLatin1Char(';')))
        value.chop(1);
    return value.trimmed();
}

void readHeaderLine(Log& log, const QString& line)
{
    static const QRegularExpression start(
        QStringLiteral("^Beginne Datenaufzeichnung am (\\d+)\\.(\\d+)\\.(\\d+) um (\\d+)\\.(\\d+)\\.(\\d+) Uhr"));
    static const QRegularExpression sensor(
        QStringLiteral("^Drehwinkelgebersignal eingestellt auf:\\s*([-+]?[0-9]+(?:[.,][0-9]*)?) Grad"));
    if (line.startsWith(QStringLiteral("Steuergerätetyp:")))
        log.unitType = headerValue(line);
    else if (line.startsWith(QStringLiteral("Seriennummer:")))
        log.serialNumber = headerValue(line);
    else if (line.startsWith(QStringLiteral("Softwareversion:")))
        log.firmware = headerValue(line);
    else if (const auto m = start.match(line); m.hasMatch())
        log.start = QDateTime(QDate(m.captured(3).toInt(), m.captured(2).toInt(), m.captured(1).toInt()),
            QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt()));
    else if (const auto m = sensor.match(line); m.hasMatch()) {
        const QByteArray number = m.captured(1).toLatin1();
        log.sensorAngle = readNumber(std::string_view(number.constData(), std::size_t(number.size())));
    }
}

class LineReader {
public:
    explicit LineReader(std::string_view bytes)
        : m_rest(bytes)
    {
    }
    bool atEnd() const { return m_rest.empty(); }
    // The next line without its line end; `complete` tells whether one followed.
    std::string_view next(bool& complete)
    {
        const std::size_t lf = m_rest.find('\n');
        complete = lf != std::string_view::npos;
        std::string_view line = m_rest.substr(0, complete ? lf : m_rest.size());
        m_rest.remove_prefix(complete ? lf + 1 : m_rest.size());
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        return line;
    }
    std::string_view rest() const { return m_rest; }

private:
    std::string_view m_rest;
};

// Fields of one data row straight into the columns; false when the row is
// too short to keep (its clock field was cut).
bool readRow(std::string_view line, bool complete, Log& log, std::vector<std::int32_t>& clocks)
{
    const char* p = line.data();
    const char* const end = p + line.size();
    // Index: only needed to be there; the position gives the order.
    const char* semi = static_cast<const char*>(std::memchr(p, ';', std::size_t(end - p)));
    if (!semi)
        return false;
    p = semi + 1;
    semi = static_cast<const char*>(std::memchr(p, ';', std::size_t(end - p)));
    if (!semi && !complete)
        return false;
    const char* fieldEnd = semi ? semi : end;
    clocks.push_back(readClock(std::string_view(p, std::size_t(fieldEnd - p))));
    p = semi ? semi + 1 : end;
    bool more = semi != nullptr;

    for (auto& column : log.values) {
        if (!more) {
            column.push_back(kNaN);
            continue;
        }
        semi = static_cast<const char*>(std::memchr(p, ';', std::size_t(end - p)));
        fieldEnd = semi ? semi : end;
        // The last field of a cut row may be a cut number.
        const bool whole = semi || complete;
        column.push_back(whole ? readNumber(std::string_view(p, std::size_t(fieldEnd - p))) : kNaN);
        more = semi != nullptr;
        p = semi ? semi + 1 : end;
    }
    return true;
}

void buildTimeAxis(Log& log, const std::vector<std::int32_t>& clocks, std::chrono::milliseconds pollPeriod)
{
    const std::size_t n = clocks.size();
    log.time.resize(n);
    log.timeFromClock = n > 0 && std::none_of(clocks.begin(), clocks.end(), [](std::int32_t c) { return c < 0; });
    if (!log.timeFromClock) {
        const double period = double(pollPeriod.count()) / 1000.0;
        for (std::size_t i = 0; i < n; ++i)
            log.time[i] = double(i) * period;
        return;
    }
    // Seconds since the first row, across midnight; a clock set back a little
    // keeps the previous second so that the axis never runs backwards.
    std::int64_t day = 0;
    std::int64_t previous = clocks[0];
    std::vector<std::int64_t> seconds(n);
    for (std::size_t i = 0; i < n; ++i) {
        std::int64_t s = clocks[i] + day;
        if (s < previous - kSecondsPerDay / 2) {
            day += kSecondsPerDay;
            s += kSecondsPerDay;
        }
        s = std::max(s, previous);
        seconds[i] = s;
        previous = s;
    }
    // The clock has whole seconds and a poll period of a fraction of one:
    // the rows of one second share it evenly.
    for (std::size_t i = 0; i < n;) {
        std::size_t j = i;
        while (j < n && seconds[j] == seconds[i])
            ++j;
        const double k = double(j - i);
        for (std::size_t r = i; r < j; ++r)
            log.time[r] = double(seconds[i] - seconds[0]) + double(r - i) / k;
        i = j;
    }
}

} // namespace

double readNumber(std::string_view field)
{
    const char* p = field.data();
    const char* const end = p + field.size();
    while (p < end && isBlank(*p))
        ++p;
    bool negative = false;
    if (p < end && (*p == '-' || *p == '+'))
        negative = *p++ == '-';
    std::uint64_t mantissa = 0;
    int digits = 0;
    int scale = 0; // decimal exponent of the mantissa
    int significant = 0;
    for (; p < end && isDigit(*p); ++p, ++digits) {
        if (significant < 19) {
            mantissa = mantissa * 10 + std::uint64_t(*p - '0');
            significant += mantissa != 0;
        } else {
            ++scale;
        }
    }
    if (p < end && (*p == ',' || *p == '.')) {
        for (++p; p < end && isDigit(*p); ++p, ++digits) {
            if (significant < 19) {
                mantissa = mantissa * 10 + std::uint64_t(*p - '0');
                significant += mantissa != 0;
                --scale;
            }
        }
    }
    if (digits == 0)
        return kNaN;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negativeExponent = false;
        if (p < end && (*p == '-' || *p == '+'))
            negativeExponent = *p++ == '-';
        if (p == end || !isDigit(*p))
            return kNaN;
        int exponent = 0;
        for (; p < end && isDigit(*p); ++p)
            exponent = std::min(exponent * 10 + (*p - '0'), 9999);
        scale += negativeExponent ? -exponent : exponent;
    }
    while (p < end && (isBlank(*p) || *p == '\r'))
        ++p;
    if (p != end)
        return kNaN;
    double value = double(mantissa);
    // Up to 15 digits and a scale within the table this is exact to the last
    // bit, like the standard library's reader.
    if (scale < 0)
        value = -scale <= 22 ? value / kPow10[-scale] : value / std::pow(10.0, -scale);
    else if (scale > 0)
        value = scale <= 22 ? value * kPow10[scale] : value * std::pow(10.0, scale);
    return negative ? -value : value;
}

std::optional<Log> parse(std::string_view bytes, std::chrono::milliseconds pollPeriod, QString* error)
{
    const auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    if (bytes.empty())
        return fail(QStringLiteral("Die Datei ist leer."));

    Log log;
    LineReader lines(bytes);
    bool titlesFound = false;
    for (int n = 0; n < kMaxHeaderLines && !lines.atEnd() && !titlesFound; ++n) {
        bool complete = false;
        const std::string_view raw = lines.next(complete);
        const QString line = decodeText(raw);
        QStringList fields = line.split(QLatin1Char(';'));
        if (fields.size() >= 2 && fields[0].trimmed() == QStringLiteral("Index")
            && fields[1].trimmed() == QStringLiteral("Uhrzeit")) {
            titlesFound = true;
            for (qsizetype i = 2; i < fields.size(); ++i)
                log.columns << fields[i].trimmed();
        } else {
            readHeaderLine(log, line);
        }
    }
    if (!titlesFound)
        return fail(QStringLiteral("Die Spaltenüberschriften (Index;Uhrzeit;...) fehlen; "
                                   "die Datei ist keine Logdatei."));

    // One row per line: counting the line ends first lets every column be
    // allocated once.
    const std::string_view body = lines.rest();
    const std::size_t expected = std::size_t(std::count(body.begin(), body.end(), '\n')) + 1;
    log.values.resize(std::size_t(log.columns.size()));
    for (auto& column : log.values)
        column.reserve(expected);
    std::vector<std::int32_t> clocks;
    clocks.reserve(expected);

    while (!lines.atEnd()) {
        bool complete = false;
        const std::string_view line = lines.next(complete);
        if (trimmed(line).empty())
            continue;
        readRow(line, complete, log, clocks);
    }
    buildTimeAxis(log, clocks, pollPeriod);
    log.clock = std::move(clocks);
    return log;
}

std::optional<Log> readFile(const QString& path, std::chrono::milliseconds pollPeriod, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return std::nullopt;
    }
    if (file.size() == 0)
        return parse({}, pollPeriod, error);
    // Mapped rather than read: a long recording is parsed without a copy.
    if (uchar* mapped = file.map(0, file.size())) {
        auto log = parse(
            std::string_view(reinterpret_cast<const char*>(mapped), std::size_t(file.size())), pollPeriod, error);
        file.unmap(mapped);
        return log;
    }
    const QByteArray all = file.readAll();
    return parse(std::string_view(all.constData(), std::size_t(all.size())), pollPeriod, error);
}

} // namespace vml
