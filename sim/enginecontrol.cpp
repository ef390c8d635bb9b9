#include "enginecontrol.h"

#include "ecusim.h"

namespace simengine {

namespace {
// Well past any engine's limiter, so a typo like "15000" still means something.
constexpr int kHighestRpm = 20000;
} // namespace

bool apply(const QString& mode, EcuSim& sim, QString* error)
{
    const QString m = mode.trimmed();
    if (m == QLatin1String("cycle")) {
        sim.engine().unfreeze();
        return true;
    }
    if (m == QLatin1String("stopped")) {
        sim.setEngine(0);
        return true;
    }
    bool ok = false;
    const int rpm = m.toInt(&ok);
    if (!ok || rpm < 0 || rpm > kHighestRpm) {
        if (error)
            *error = QStringLiteral("engine mode '%1' is not %2").arg(m, help());
        return false;
    }
    sim.setEngine(rpm);
    return true;
}

bool command(const QString& line, EcuSim& sim, QString* report)
{
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return false;
    if (words.size() != 2 || words.front() != QLatin1String("engine")) {
        *report = QStringLiteral("unknown command '%1' (try: engine %2)").arg(line.trimmed(), help());
        return false;
    }
    QString error;
    if (!apply(words.back(), sim, &error)) {
        *report = error;
        return false;
    }
    const QString& mode = words.back();
    if (mode == QLatin1String("cycle"))
        *report = QStringLiteral("engine runs its cycle");
    else if (mode == QLatin1String("stopped") || mode.toInt() == 0)
        *report = QStringLiteral("engine stopped");
    else
        *report = QStringLiteral("engine held at %1 rpm").arg(mode.toInt());
    return true;
}

QString help()
{
    return QStringLiteral("cycle, stopped or an rpm (e.g. 1500)");
}

} // namespace simengine
