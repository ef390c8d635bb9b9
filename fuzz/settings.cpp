// The settings file reader: any bytes as vlm.ini, then everything the
// program derives from the values it read.
#include "core/settings.h"
#include "core/portmap.h"
#include "input.h"
#include "options/crank.h"
#include "status/livedata.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

const QTemporaryDir& directory()
{
    static const QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/daruri-fuzz-settings-XXXXXX"));
    return dir;
}

void put(const QString& path, const QByteArray& content)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size())
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    SettingsFile file(directory().path());
    put(file.path(), QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    const Settings read = file.readAll();

    // What the windows make of the values.
    const PortMap ports({ QStringLiteral("/dev/pts/7") }, PortMap::System::Unix);
    ports.device(read.comPort);
    ports.listText(read.comPort);
    PortMap({}, PortMap::System::Windows).listText(read.comPort);
    live::watchdogInterval(read.requestTimeMs);
    UnitIdentity corrected; // a unit whose sensor angle is taken 3.3 degrees early
    corrected.setFirmware("02.450");
    corrected.setUnitType("KZDX 2Zyl RX40D");
    live::adjustedSensorAngle(read.dwgGrdPos, corrected);
    crank::angleFromTravel(read.dwgPos / 10.0, read.maxHub / 10.0, read.pleuell / 10.0);

    // The values written back (as the options window saves them) give a
    // file the reader takes again.
    if (!file.write(read) || QFile(file.path()).size() != SettingsFile::kFileSize)
        std::abort();
    return 0;
}
