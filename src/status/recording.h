#pragma once

#include "core/identity.h"

#include <QByteArray>
#include <QChar>
#include <QDateTime>
#include <QString>
#include <QTime>

#include <array>

// The log file (*.vml): a header block and one semicolon-separated row per
// poll tick, CR LF line ends.
namespace rec {

// The recording check boxes, in column order.
enum Box { Rpm, FuellPump, Est, Anl, Dkpo, ZWink, ZwKorr, Temp, AirTemp, Maf, Lambda, Verbrauch, BoxCount };

struct Column {
    const char* objectName; // check box in the status window
    const char* header; // column title(s), UTF-8
    const char* racingHeader;
};
extern const std::array<Column, BoxCount> kColumns;

// Checked (or, for boxesEnabledOnStop, enabled) boxes, indexed by Box.
using Selection = std::array<bool, BoxCount>;

bool anySelected(const Selection& selection);

// Header text of a column as line 6 of the file carries it.
QString columnHeader(Box box, bool racing);

inline const QString kNothingSelected = QStringLiteral("Kein Wert zur Aufzeichnung ausgewählt");

// The warning when the log cannot be shown after the recording: names
// notepad in the system directory where that is the editor, else the file.
QString editorNotStarted(const QString& systemDirectory, const QString& path);

struct HeaderInfo {
    QString txtStgType;
    QString txtStgSerial;
    QString txtStgSwRelease;
    QDateTime start;
    int sensorAngle = 0; // 0.1 degree
    bool racing = false;
};

// Lines 1-6 with their line ends.
QByteArray headerBlock(const HeaderInfo& info, const Selection& selection, QChar separator);

// The display texts a row records, named after the controls.
struct Displays {
    QString txtRPM, txtBenzPump, txtStgLast, txtAnlStat, txtDkPos;
    QString txtZndWinkel, txtZndWinkelZ2, txtZndWnkKorr;
    QString txtMTemp, txtAirtemp, txtLMM, txtLambda, txtVerbrauch;
};

// One data row with its line end.
QByteArray row(int counter, QTime time, const Selection& selection, const Displays& displays);

// The moving bar pgbRecord after a row.
int nextProgress(int current);

// Check boxes to enable when a recording stops. The throttle and starter
// boxes come back even on units without those inputs.
Selection boxesEnabledOnStop(const UnitIdentity& id);

// Writes one recording. The file is opened and closed for every row so that
// it is complete on disk whatever happens to the program or the link.
class LogWriter {
public:
    LogWriter(QString path, Selection selection);

    // Creates (or replaces) the file with the header block; the row counter restarts.
    bool start(const HeaderInfo& info, QChar separator);
    // Appends the next row. False when the file could not be written; the
    // counter then stays, like a row that never happened.
    bool appendRow(QTime time, const Displays& displays);

    const QString& path() const { return m_path; }
    int rowCounter() const { return m_rowCounter; }

private:
    QString m_path;
    Selection m_selection {};
    int m_rowCounter = 0;
};

} // namespace rec
