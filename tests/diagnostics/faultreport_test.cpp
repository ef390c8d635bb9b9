#include "diagnostics/faultreport.h"
#include "support/testnames.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

using faults::SensorCheck;
using gates::FaultMemoryLayout;

// A reply of `length` bytes, all "no fault" except the given 1-based entries.
Bytes reply(int length, std::map<int, int> entries)
{
    Bytes b(length, static_cast<char>(255));
    for (const auto& [byte, value] : entries)
        b[byte - 1] = static_cast<char>(value);
    return b;
}

QString lines(std::initializer_list<const char*> text)
{
    QString out;
    for (const char* line : text)
        out += QString::fromUtf8(line) + QStringLiteral("\r\n");
    return out;
}

// --- report body -------------------------------------------------------------

struct BodyCase {
    const char* name;
    FaultMemoryLayout layout;
    bool injectionLine;
    Bytes faults;
    std::map<SensorCheck, bool> checks; // what the live checks find
    QString body;
};

class ReportBody : public ::testing::TestWithParam<BodyCase> { };

TEST_P(ReportBody, IsWrittenByteForByte)
{
    const BodyCase& c = GetParam();
    std::vector<SensorCheck> asked;
    const auto body = faults::reportBody(c.faults, c.layout, c.injectionLine, [&](SensorCheck check) {
        asked.push_back(check);
        const auto it = c.checks.find(check);
        return std::optional<bool>(it != c.checks.end() && it->second);
    });
    ASSERT_TRUE(body);
    EXPECT_EQ(body->toStdString(), c.body.toStdString());
    std::vector<SensorCheck> expectedChecks;
    for (const auto& [check, result] : c.checks)
        expectedChecks.push_back(check);
    EXPECT_EQ(asked, expectedChecks) << "one live check per entry that needs it, in row order";
}

const QString kThrottlePermanent
    = lines({ "   Drosselklappensensor: ", "      ->Signal nicht plausibel: Permanent", "" });

INSTANTIATE_TEST_SUITE_P(Faults, ReportBody,
    ::testing::Values(
        BodyCase { "ThrottlePermanentAndAirMassOpenSeenThreeTimes", FaultMemoryLayout::Full, true,
            reply(17, { { 3, 0 }, { 7, 252 } }), { { SensorCheck::AirMassOpen, false } },
            kThrottlePermanent
                + lines({ "   Luftmassenmesser: ", "      ->Signalunterbrechung oder Kurzschluss nach  ",
                    "         Spannungsversorgung: Sporadisch ( 3)", "" }) },
        BodyCase { "AllClearInjectionLine", FaultMemoryLayout::Full, true, reply(17, {}), {},
            QStringLiteral("   KEDX: Keine Fehler :-))))") },
        BodyCase { "AllClearIgnitionLine", FaultMemoryLayout::Full, false, reply(17, {}), {},
            QStringLiteral("   KZDX: Keine Fehler :-))))") },
        BodyCase { "AllClearShortReply", FaultMemoryLayout::Short, false, reply(3, {}), {},
            QStringLiteral("   KZDX: Keine Fehler :-))))") },
        BodyCase { "CountsAtTheirBounds", FaultMemoryLayout::Short, false,
            reply(3, { { 1, 241 }, { 2, 254 }, { 3, 240 } }), {},
            lines({ "   Drehwinkelgeber Zylinder 1: ", "      ->Signal nicht plausibel: Sporadisch ( 14)", "",
                "   Drehwinkelgeber Zylinder 2: ", "      ->Signal nicht plausibel: Sporadisch ( 1)", "" })
                + kThrottlePermanent },
        BodyCase { "MediumReadsNoSensorRows", FaultMemoryLayout::Medium, true,
            reply(17, { { 4, 0 }, { 5, 0 }, { 6, 0 }, { 7, 0 }, { 8, 0 }, { 17, 250 } }), {},
            lines({ "   Hochspannungsteil: ", "      ->Funkentstörung fehlerhaft: Sporadisch ( 5)", "" }) },
        BodyCase { "MediumWithOnlySensorRowsIsAllClear", FaultMemoryLayout::Medium, true,
            reply(17, { { 4, 0 }, { 8, 0 } }), {}, QStringLiteral("   KEDX: Keine Fehler :-))))") },
        BodyCase { "EntriesNineToSixteenAreNotReported", FaultMemoryLayout::Full, true,
            reply(17, { { 9, 0 }, { 16, 0 } }), {}, QStringLiteral("   KEDX: Keine Fehler :-))))") },
        BodyCase { "Row8Permanent", FaultMemoryLayout::Full, true, reply(17, { { 8, 240 } }), {},
            lines({ "   Luftmassenmesser: ", "      ->Ruheluftmasse nicht plausibel: Permanent", "" }) },
        BodyCase { "Row8Sporadic", FaultMemoryLayout::Full, true, reply(17, { { 8, 241 } }), {},
            lines({ "   Luftmassenmesser: ", "      ->Ruheluftmasse nicht plausibel: Sporadisch ( 14)", "" }) },
        BodyCase { "Row4ByteHundredWithoutShort", FaultMemoryLayout::Full, true, reply(17, { { 4, 100 } }),
            { { SensorCheck::HeadTempShort, false } },
            lines({ "   Geber für Zylinderkopftemperatur: ", "      ->Kurzschluss nach Masse: Sporadisch ( 155)",
                "" }) },
        BodyCase { "Row4SporadicByteButShortNow", FaultMemoryLayout::Full, true, reply(17, { { 4, 250 } }),
            { { SensorCheck::HeadTempShort, true } },
            lines({ "   Geber für Zylinderkopftemperatur: ", "      ->Kurzschluss nach Masse: Permanent", "" }) },
        BodyCase { "SensorRowsEachCheckedOnce", FaultMemoryLayout::Full, true,
            reply(17, { { 5, 0 }, { 6, 0 }, { 7, 0 }, { 17, 0 } }),
            { { SensorCheck::HeadTempOpen, true }, { SensorCheck::AirMassShort, false },
                { SensorCheck::AirMassOpen, true } },
            lines({ "   Geber für Zylinderkopftemperatur: ", "      ->Signalunterbrechung: Permanent", "",
                "   Luftmassenmesser: ", "      ->Kurzschluss nach Masse: Sporadisch ( 255)", "",
                "   Luftmassenmesser: ", "      ->Signalunterbrechung oder Kurzschluss nach  ",
                "         Spannungsversorgung: Permanent", "",
                "   Hochspannungsteil: ", "      ->Funkentstörung fehlerhaft: Permanent", "" }) }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReportBody, CheckWithoutAnswer_GivesNoReport)
{
    int asked = 0;
    const auto body = faults::reportBody(
        reply(17, { { 4, 0 }, { 5, 0 } }), FaultMemoryLayout::Full, true, [&](SensorCheck) -> std::optional<bool> {
            ++asked;
            return std::nullopt;
        });
    EXPECT_FALSE(body);
    EXPECT_EQ(asked, 1) << "no further check after the link is lost";
}

// --- live input check ----------------------------------------------------------

struct CheckCase {
    const char* name;
    SensorCheck check;
    int raw; // the input's converter reading
    bool holds;
};

class InputCheck : public ::testing::TestWithParam<CheckCase> { };

TEST_P(InputCheck, ScalesByFiveOver1024)
{
    const CheckCase& c = GetParam();
    const bool headTemp = c.check == SensorCheck::HeadTempShort || c.check == SensorCheck::HeadTempOpen;
    // The other input reads mid-scale, so only the right bytes can decide.
    Bytes analog = bytes::of({ 0, 2, 0, 2, 0, 0, 0, 0 });
    const int at = headTemp ? 2 : 0;
    analog[at] = static_cast<char>(c.raw & 0xFF);
    analog[at + 1] = static_cast<char>(c.raw >> 8);
    EXPECT_EQ(faults::checkHolds(analog, c.check), c.holds);
}

INSTANTIATE_TEST_SUITE_P(Bounds, InputCheck,
    ::testing::Values(CheckCase { "HeadTempShortAt8", SensorCheck::HeadTempShort, 8, true },
        CheckCase { "HeadTempShortAt9", SensorCheck::HeadTempShort, 9, false },
        CheckCase { "HeadTempOpenAt994", SensorCheck::HeadTempOpen, 994, true },
        // 993 × 5 / 1023 would be above 4.85 V; this window divides by 1024.
        CheckCase { "HeadTempOpenAt993", SensorCheck::HeadTempOpen, 993, false },
        CheckCase { "AirMassShortAt0", SensorCheck::AirMassShort, 0, true },
        CheckCase { "AirMassShortAt9", SensorCheck::AirMassShort, 9, false },
        CheckCase { "AirMassOpenAt1023", SensorCheck::AirMassOpen, 1023, true },
        CheckCase { "AirMassOpenAt993", SensorCheck::AirMassOpen, 993, false }),
    [](const auto& info) { return std::string(info.param.name); });

// --- header, clipboard and print text --------------------------------------------

UnitIdentity unit()
{
    UnitIdentity id;
    id.setFirmware("04.012");
    id.setUnitType("KEDX 2Zyl RX40D");
    id.serialNumber = QStringLiteral("VM-2026-00001");
    return id;
}

TEST(ReportHeader, HoldsIdentityAndTimeStamp)
{
    const QString header = faults::reportHeader(unit(), QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53)));
    EXPECT_EQ(header.toStdString(),
        lines({ "************* Velmora-Diagnose *************", "", "   Fehlerspeicher ausgelesen am: 14.3.2026",
                  "   Fehlerspeicher ausgelesen um: 9.26.53 Uhr", "   Steuergerätetyp: RX4.0D",
                  "   Seriennummer: VM-2026-00001", "   Firmwareversion: 4.12", "",
                  "   ========================================", "   Inhalt des Fehlerspeichers",
                  "   ========================================", "" })
            .toStdString());
}

struct StampCase {
    QDateTime at;
    const char* date;
    const char* time;
};

class HeaderStamp : public ::testing::TestWithParam<StampCase> { };

TEST_P(HeaderStamp, PadsMinuteAndSecondOnly)
{
    const QStringList header = faults::reportHeader(unit(), GetParam().at).split(QStringLiteral("\r\n"));
    EXPECT_EQ(header.value(2),
        QStringLiteral("   Fehlerspeicher ausgelesen am: ") + QString::fromLatin1(GetParam().date));
    EXPECT_EQ(header.value(3),
        QStringLiteral("   Fehlerspeicher ausgelesen um: ") + QString::fromLatin1(GetParam().time)
            + QStringLiteral(" Uhr"));
}

INSTANTIATE_TEST_SUITE_P(Stamps, HeaderStamp,
    ::testing::Values(StampCase { QDateTime(QDate(2026, 3, 3), QTime(9, 5, 7)), "3.3.2026", "9.05.07" },
        StampCase { QDateTime(QDate(2025, 12, 31), QTime(23, 59, 0)), "31.12.2025", "23.59.00" },
        StampCase { QDateTime(QDate(2026, 1, 1), QTime(0, 0, 0)), "1.1.2026", "0.00.00" }),
    [](const auto& info) { return testName(info.param.date, info.param.time); });

TEST(ReportText, CopyIsHeaderAndBody_PrintAddsThreeLinesAndIndentsTheTitle)
{
    const QString header = faults::reportHeader(unit(), QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53)));
    const QString body = QStringLiteral("   KEDX: Keine Fehler :-))))");
    EXPECT_EQ(faults::clipboardText(header, body), header + body);
    EXPECT_EQ(faults::printText(header, body),
        QStringLiteral("\r\n\r\n\r\n   ************* Velmora-Diagnose *************\r\n")
            + header.section(QStringLiteral("\r\n"), 1) + body);
}

} // namespace
