#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// The program settings as a plain value. Field names follow the file's keys.
struct Settings {
    int comPort = 0; // 0 = search the ports
    int requestTimeMs = 300; // poll interval of the status window
    int warnings = 1; // 1 = no version warnings
    int noBreakMsg = 1; // 1 = no box on a lost connection
    int autoReCon = 1; // 1 = reconnect after a lost connection
    int noUpdateMsg = 0; // 1 = no box after a data transfer
    int dwgPos = 95; // sensor position, 0.1 mm piston travel
    int dwgGrdPos = 382; // sensor position, 0.1 degree crank angle
    int maxHub = 730; // stroke, 0.1 mm
    int pleuell = 1530; // connecting-rod length, 0.1 mm

    bool operator==(const Settings&) const = default;
};

// The settings file vlm.ini: ten fixed-width lines, CR LF, exactly 127 bytes.
// A file of any other length is replaced by the defaults at the next access.
// Nothing is cached: every accessor reads the file, as the callers expect.
class SettingsFile {
public:
    static constexpr int kFileSize = 127;
    static constexpr const char* kFileName = "vlm.ini";

    explicit SettingsFile(QString directory = QString());

    QString path() const { return m_path; }

    // Called once per SettingsFile when the file can be neither read nor
    // created; the accessors then return the defaults.
    void setUnavailableHandler(std::function<void(const QString& path)> handler);

    // Makes sure a 127-byte file exists; returns 0 as the callers expect.
    int EnsureSettingsFile();

    int ReadComPort();
    int ReadRequestTime();
    int ReadWarnings();
    int ReadNoBreakMsg();
    int ReadAutoReCon();
    int ReadNoUpdateMsg();
    int ReadDwgPos();
    int ReadDwgGrdPos();
    int ReadMaxHub();
    int ReadPleuell();

    Settings readAll();

    // The one writer: replaces the file with the ten lines of `s`. Returns
    // false when the file cannot be written.
    bool write(const Settings& s);

    // The file's bytes for a set of values (the writer's format).
    static QByteArray format(const Settings& s);
    static QByteArray defaultFile();

private:
    QByteArray line(int number); // 1-based, without line end; empty if missing
    void reportUnavailable();

    QString m_path;
    std::function<void(const QString&)> m_unavailable;
    bool m_reported = false;
};
