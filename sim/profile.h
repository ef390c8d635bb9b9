#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The identity a simulated unit reports, chosen by name. The profiles cover
// every hardware and firmware distinction the program gates on.
struct SimProfile {
    QString name;
    QByteArray firmware; // "v00?" reply, 6 bytes, e.g. "04.012"
    QByteArray unitType; // "t00?" reply, 15 bytes, e.g. "KEDX 2Zyl RX40D"
    QByteArray serial; // "s00?" reply, 13 bytes
    QString description; // one line for --list-profiles
    // The same identity as numbers, for the unit's own behaviour.
    char line = 'E';
    int cylinders = 2;
    int type = 4;
    int variant = 0;
    int major = 4;
    int minor = 12;
    // false: the injector delivery reads 255, 255 ("not configured").
    bool injectorConfigured = true;
};

namespace simprofiles {

// The default: injection line, type 4, variant 0, two cylinders, current firmware.
inline const QString kDefault = QStringLiteral("injection-rx4");

const SimProfile* find(const QString& name);
QStringList names();
const QList<SimProfile>& all();

// A unit-type text from its parts: line 'E' or 'Z', cylinders, type, variant, suffix.
QByteArray unitTypeText(char line, int cylinders, int type, int variant, char suffix = 'D');
// A 6-byte firmware release from major and minor, e.g. (2, 450) -> "02.450".
QByteArray firmwareText(int major, int minor);

} // namespace simprofiles
