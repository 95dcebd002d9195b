#ifndef APPSETTINGS_H
#define APPSETTINGS_H

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <variant>

// One persisted setting: where it lives in the INI file, the field that holds it, and the
// value it has until the file says otherwise.
struct SettingEntry {
    const char *group;
    const char *key;
    std::variant<QString *, int *, double *, bool *> field;
    QVariant defaultValue;

    QVariant value() const;
    // Stores a value converted to the field's type (text that is no number gives 0).
    void setValue(const QVariant &value) const;
    void reset() const { setValue(defaultValue); }
};

// Process-wide settings: twenty-seven values persisted in the INI file (ConfigFile), plus run-time
// values prepared at start-up.
class AppSettings
{
public:
    // [ComConfig]
    static QString PortName;
    static int BaudRate;
    static int DataBit;
    static QString Parity;
    static double StopBit;
    static bool HexSend;
    static bool HexReceive;
    static bool Debug;
    static bool AutoClear;
    static bool AutoSend;
    static int SendInterval;
    static bool AutoSave;
    static int SaveInterval;
    static bool AutoPrint;
    static QString ValueFormat; // how register values are decoded: "int16", "float:CDAB", ...
    static QString Language;    // "zh_CN" or "en"; read at start-up only
    static QString FlowControl; // "无", "RTS/CTS" or "XON/XOFF"
    static QString LineEnding;  // of lines typed in the send box: "none", "CR", "LF", "CRLF"
    static bool AddCrc;         // a Modbus CRC after a typed line
    // [NetConfig]
    static QString Mode;
    static QString ServerIP;
    static int ServerPort;
    static int ListenPort;
    static QString ListenAddress; // where the server modes listen
    static QString Transport;     // where requests go: "serial", "rtu-tcp" or "modbus-tcp"
    static int SleepTime;
    static bool AutoConnect;

    // Run-time values, never written to the file.
    static QString ConfigFile;
    static QString DataDir; // folder of send.txt and device.txt (startup.h says which)
    static QString LogDir;  // folder of saved logs
    static QString SendFileName;
    static QString DeviceFileName;
    static QStringList Intervals;
    static QStringList SendList;
    static QStringList DeviceKeys;
    static QStringList DeviceValues;
    // What reading the files refused or skipped, for the console to tell the user.
    static QStringList Notices;

    // Sane sizes for the files read at start-up; larger ones are refused or skipped.
    static constexpr qint64 maxConfigFileBytes = 256 * 1024;
    static constexpr qint64 maxDataFileBytes = 16 * 1024 * 1024;
    static constexpr int maxLineBytes = 1024 * 1024;
    static constexpr int maxSendEntries = 10000;

    static void readConfig();
    // Replaces the file with the current values merged into it, or leaves it whole and says
    // why in `error`. A file that must not be opened (see configFileProblem) is left alone.
    static bool writeConfig(QString *error = nullptr);
    static bool checkConfig();

    static void readSendData();
    // A data list's path: `name` in DataDir.
    static QString dataFilePath(const QString &name);
    static void readDeviceData();

    // Why ConfigFile must not be opened (not a regular file, too large); empty when fine.
    static QString configFileProblem();

    // Puts every persisted field back to its default.
    static void resetToDefaults();

    // Every persisted setting, in the order of the file; the one place a setting is listed.
    static const QVector<SettingEntry> &settings();
    // The entry of a key ("BaudRate"); null for an unknown key.
    static const SettingEntry *setting(const QString &key);

    enum class FileState { Healthy, EmptyValues, Unusable };
    // Looks at ConfigFile without changing anything.
    static FileState inspectConfigFile(const QString &fileName);

private:
    // writeConfig at start-up: a failure becomes a notice.
    static void noteWriteConfig();
};

// Data-list file parsing, usable on any path.
QStringList loadSendList(const QString &fileName, QStringList *notes = nullptr);
void loadDevicePairs(const QString &fileName, QStringList &keys, QStringList &values,
                     QStringList *notes = nullptr);
// Splits one device.txt line at its first ";".
void splitDeviceLine(const QString &line, QString &key, QString &value);

#endif // APPSETTINGS_H
