#pragma once

#include "core/commands.h"

#include <QString>

#include <optional>
#include <vector>

struct UnitIdentity;

// The switching module's values as the unit stores them and as the tab
// shows them: mode lists, the two threshold codings, the label texts.
namespace switching {

inline const QString kUnknown = QStringLiteral("Unbekannt");

// One list entry of a mode combo box and the code the unit stores for it.
struct Mode {
    QString text;
    int code;
};

constexpr int kOutput1Mil = 255;
constexpr int kOutput1Bza = 8;
constexpr int kOutput2Disabled = 255;
constexpr int kOutput2ExtraAir = 4;

// cmbS1Akt in list order; "BZA" only on injection units.
std::vector<Mode> output1Modes(bool listsBza);
// cmbS2Akt in list order.
const std::vector<Mode>& output2Modes();
// The list text of a stored code; "Unbekannt" when the list has none.
QString modeText(const std::vector<Mode>& modes, int code);
// The code of a list text; nothing for "Unbekannt" or any other text.
std::optional<int> modeCode(const std::vector<Mode>& modes, const QString& text);

// Input functions: the offset switch, or the other function of the input.
constexpr int kOffsetSwitch = 255;
constexpr int kTableSelection = 0; // input 1
constexpr int kMapSelection = 0; // input 2 writes 0; it reads any other code as this
inline const QString kOffsetSwitchText = QStringLiteral("Offsetschalter");
inline const QString kTableSelectionText = QStringLiteral("Tabellenauswahl");
inline const QString kMapSelectionText = QStringLiteral("Kennfeldauswahl");

// Which speed sliders an output 2 mode uses; nothing leaves a slider as it is.
struct SliderUse {
    std::optional<bool> threshold1;
    std::optional<bool> threshold2;
};
SliderUse slidersFor(int output2Code);

// Newer firmware stores a speed band's index, older a period count.
enum class Generation { BandIndex, Period };
Generation generation(const UnitIdentity& unit);

struct Range {
    int min;
    int max;
};
Range threshold1Range(Generation g);
// Threshold 2 stays above threshold 1.
Range threshold2Range(Generation g, int threshold1);

// The "j00?" block as the tab uses it.
struct Block {
    int output1Mode;
    int output2Mode;
    int threshold1;
    int threshold2;
};
constexpr int kBlockLength = 10;
std::optional<Block> decodeBlock(const Bytes& reply, Generation g);

// The period count of a threshold value in the older coding.
int periodOf(int value);
// The write of threshold 1 or 2; the unit echoes the two bytes after the letter.
Request thresholdWrite(int threshold, int value, Generation g);
Bytes thresholdEcho(const Request& write);

// The switching speed a threshold value stands for, in min^-1, and its text.
int speed(int value, Generation g);
QString speedText(int value, Generation g);

// lblZwOffset: 255 retards to an absolute angle, any other value by tenths
// of a degree of crank angle.
constexpr int kLatestAngle = 255;
QString offsetText(int value, int angleReference);

// lblInjektOffset: sixteenths of the injection quantity.
constexpr int kEnrichmentMax = 16;
QString enrichmentText(int value);

} // namespace switching
