#include "profile.h"

namespace simprofiles {

QByteArray unitTypeText(char line, int cylinders, int type, int variant, char suffix)
{
    // Positions: 1-4 product-line code, 6 cylinders, 13 type, 14 variant, 15 suffix.
    QByteArray t = "K?DX ?Zyl RX???";
    t[1] = line;
    t[5] = static_cast<char>('0' + cylinders);
    t[12] = static_cast<char>('0' + type);
    t[13] = static_cast<char>('0' + variant);
    t[14] = suffix;
    return t;
}

QByteArray firmwareText(int major, int minor)
{
    return QByteArray::number(major).rightJustified(2, '0') + '.' + QByteArray::number(minor).rightJustified(3, '0');
}

const QList<SimProfile>& all()
{
    static const QList<SimProfile> profiles = [] {
        QList<SimProfile> p;
        const auto add = [&p](const char* name, char line, int cyl, int type, int variant, int major, int minor,
                              const char* description) {
            p.append({QString::fromLatin1(name), firmwareText(major, minor),
                      unitTypeText(line, cyl, type, variant), QByteArray("VM-2026-00417"),
                      QString::fromLatin1(description)});
        };
        add("injection-rx4", 'E', 2, 4, 0, 4, 12, "injection line, RX4.0, 2 cylinders, firmware 4.012");
        add("injection-rx4-racing", 'E', 2, 4, 2, 4, 12, "injection line, RX4.2 racing, firmware 4.012");
        add("ignition-rx4", 'Z', 2, 4, 0, 3, 140, "ignition only, RX4.0, firmware 3.140");
        add("ignition-rx4-racing", 'Z', 2, 4, 2, 4, 0, "ignition only, RX4.2 racing, firmware 4.000");
        add("ignition-rx4-noinputs", 'Z', 2, 4, 1, 2, 600, "ignition only, RX4.1 without inputs, firmware 2.600");
        add("ignition-rx3", 'Z', 2, 3, 0, 2, 406, "ignition only, RX3.0, firmware 2.406");
        add("ignition-rx3-racing", 'Z', 2, 3, 2, 3, 139, "ignition only, RX3.2 racing, firmware 3.139");
        add("ignition-1cyl", 'Z', 1, 4, 0, 2, 520, "ignition only, RX4.0, one cylinder, firmware 2.520");
        add("ignition-fw0450", 'Z', 2, 3, 0, 0, 450, "ignition only, RX3.0, firmware 0.450");
        add("ignition-fw0550", 'Z', 2, 3, 0, 0, 550, "ignition only, RX3.0, firmware 0.550");
        add("ignition-fw2450", 'Z', 2, 4, 0, 2, 450, "ignition only, RX4.0, firmware 2.450");
        add("ignition-fw2450-racing", 'Z', 2, 4, 2, 2, 450, "ignition only, RX4.2 racing, firmware 2.450");
        add("ignition-fw1600", 'Z', 2, 4, 0, 1, 600, "ignition only, RX4.0, firmware 1.600");
        return p;
    }();
    return profiles;
}

const SimProfile* find(const QString& name)
{
    for (const SimProfile& p : all())
        if (p.name == name)
            return &p;
    return nullptr;
}

QStringList names()
{
    QStringList out;
    for (const SimProfile& p : all())
        out << p.name;
    return out;
}

} // namespace simprofiles
