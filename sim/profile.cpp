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
    return QByteArray::number(major).rightJustified(2, '0') + '.'
        + QByteArray::number(minor).rightJustified(3, '0');
}

const QList<SimProfile>& all()
{
    static const QList<SimProfile> profiles = [] {
        QList<SimProfile> p;
        int number = 417;
        const auto add = [&](const char* name, char line, int cyl, int type, int variant, int major, int minor,
                             const char* description, bool injectorConfigured = true) {
            SimProfile s;
            s.name = QString::fromLatin1(name);
            s.firmware = firmwareText(major, minor);
            s.unitType = unitTypeText(line, cyl, type, variant);
            s.serial = "VM-2026-" + QByteArray::number(number++).rightJustified(5, '0');
            s.description = QString::fromLatin1(description);
            s.line = line;
            s.cylinders = cyl;
            s.type = type;
            s.variant = variant;
            s.major = major;
            s.minor = minor;
            s.injectorConfigured = injectorConfigured;
            p.append(s);
        };
        // Injection line.
        add("injection-rx4", 'E', 2, 4, 0, 4, 12, "injection line, RX4.0, 2 cylinders, firmware 4.012");
        add("injection-rx4-racing", 'E', 2, 4, 2, 4, 12, "injection line, RX4.2 racing, firmware 4.012");
        add("injection-rx4-noinputs", 'E', 2, 4, 1, 3, 140,
            "injection line, RX4.1 without inputs, firmware 3.140");
        add("injection-rx4-noflow", 'E', 2, 4, 0, 4, 12,
            "injection line, RX4.0, firmware 4.012, injector delivery not configured", false);
        add("injection-fw2520-racing", 'E', 2, 4, 2, 2, 520, "injection line, RX4.2 racing, firmware 2.520");
        add("injection-fw2450", 'E', 2, 4, 0, 2, 450, "injection line, RX4.0, firmware 2.450");
        add("injection-rx3", 'E', 2, 3, 0, 3, 139, "injection line, RX3.0, firmware 3.139");
        add("injection-1cyl", 'E', 1, 4, 0, 4, 0, "injection line, RX4.0, one cylinder, firmware 4.000");
        // Ignition-only line.
        add("ignition-rx4", 'Z', 2, 4, 0, 3, 140, "ignition only, RX4.0, firmware 3.140");
        add("ignition-rx4-racing", 'Z', 2, 4, 2, 4, 0, "ignition only, RX4.2 racing, firmware 4.000");
        add("ignition-rx4-noinputs", 'Z', 2, 4, 1, 2, 600, "ignition only, RX4.1 without inputs, firmware 2.600");
        add("ignition-rx3", 'Z', 2, 3, 0, 2, 406, "ignition only, RX3.0, firmware 2.406");
        add("ignition-rx3-racing", 'Z', 2, 3, 2, 3, 139, "ignition only, RX3.2 racing, firmware 3.139");
        add("ignition-1cyl", 'Z', 1, 4, 0, 2, 520, "ignition only, RX4.0, one cylinder, firmware 2.520");
        add("ignition-fw0450", 'Z', 2, 3, 0, 0, 450, "ignition only, RX3.0, firmware 0.450");
        add("ignition-fw0550", 'Z', 2, 3, 0, 0, 550, "ignition only, RX3.0, firmware 0.550");
        add("ignition-fw1600", 'Z', 2, 4, 0, 1, 600, "ignition only, RX4.0, firmware 1.600");
        add("ignition-fw2400", 'Z', 2, 4, 0, 2, 400, "ignition only, RX4.0, firmware 2.400");
        add("ignition-fw2406", 'Z', 2, 4, 0, 2, 406, "ignition only, RX4.0, firmware 2.406");
        add("ignition-fw2450", 'Z', 2, 4, 0, 2, 450, "ignition only, RX4.0, firmware 2.450");
        add("ignition-fw2450-racing", 'Z', 2, 4, 2, 2, 450, "ignition only, RX4.2 racing, firmware 2.450");
        add("ignition-fw1816-racing", 'Z', 2, 3, 2, 1, 816, "ignition only, RX3.2 racing, firmware 1.816");
        add("ignition-fw2820-rx3-racing", 'Z', 2, 3, 2, 2, 820, "ignition only, RX3.2 racing, firmware 2.820");
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
