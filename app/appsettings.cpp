#include "appsettings.h"

#include <QFile>
#include <QSettings>

QString AppSettings::PortName = QStringLiteral("COM1");
int AppSettings::BaudRate = 9600;
int AppSettings::DataBit = 8;
QString AppSettings::Parity = QStringLiteral("无");
double AppSettings::StopBit = 1;
bool AppSettings::HexSend = false;
bool AppSettings::HexReceive = false;
bool AppSettings::Debug = false;
bool AppSettings::AutoClear = false;
bool AppSettings::AutoSend = false;
int AppSettings::SendInterval = 1000;
bool AppSettings::AutoSave = false;
int AppSettings::SaveInterval = 5000;
bool AppSettings::AutoPrint = false;
QString AppSettings::Mode = QStringLiteral("Tcp_Client");
QString AppSettings::ServerIP = QStringLiteral("127.0.0.1");
int AppSettings::ServerPort = 6000;
int AppSettings::ListenPort = 6000;
int AppSettings::SleepTime = 100;
bool AppSettings::AutoConnect = false;

QString AppSettings::ConfigFile;
QString AppSettings::DataDir;
QString AppSettings::SendFileName = QStringLiteral("send.txt");
QString AppSettings::DeviceFileName = QStringLiteral("device.txt");
QStringList AppSettings::Intervals;
QStringList AppSettings::SendList;
QStringList AppSettings::DeviceKeys;
QStringList AppSettings::DeviceValues;

void AppSettings::resetToDefaults()
{
    PortName = QStringLiteral("COM1");
    BaudRate = 9600;
    DataBit = 8;
    Parity = QStringLiteral("无");
    StopBit = 1;
    HexSend = false;
    HexReceive = false;
    Debug = false;
    AutoClear = false;
    AutoSend = false;
    SendInterval = 1000;
    AutoSave = false;
    SaveInterval = 5000;
    AutoPrint = false;
    Mode = QStringLiteral("Tcp_Client");
    ServerIP = QStringLiteral("127.0.0.1");
    ServerPort = 6000;
    ListenPort = 6000;
    SleepTime = 100;
    AutoConnect = false;
}

void AppSettings::writeConfig()
{
    QSettings set(ConfigFile, QSettings::IniFormat);
    set.beginGroup(QStringLiteral("ComConfig"));
    set.setValue(QStringLiteral("PortName"), PortName);
    set.setValue(QStringLiteral("BaudRate"), BaudRate);
    set.setValue(QStringLiteral("DataBit"), DataBit);
    set.setValue(QStringLiteral("Parity"), Parity);
    set.setValue(QStringLiteral("StopBit"), StopBit);
    set.setValue(QStringLiteral("HexSend"), HexSend);
    set.setValue(QStringLiteral("HexReceive"), HexReceive);
    set.setValue(QStringLiteral("Debug"), Debug);
    set.setValue(QStringLiteral("AutoClear"), AutoClear);
    set.setValue(QStringLiteral("AutoSend"), AutoSend);
    set.setValue(QStringLiteral("SendInterval"), SendInterval);
    set.setValue(QStringLiteral("AutoSave"), AutoSave);
    set.setValue(QStringLiteral("SaveInterval"), SaveInterval);
    set.setValue(QStringLiteral("AutoPrint"), AutoPrint);
    set.endGroup();

    set.beginGroup(QStringLiteral("NetConfig"));
    set.setValue(QStringLiteral("Mode"), Mode);
    set.setValue(QStringLiteral("ServerIP"), ServerIP);
    set.setValue(QStringLiteral("ServerPort"), ServerPort);
    set.setValue(QStringLiteral("ListenPort"), ListenPort);
    set.setValue(QStringLiteral("SleepTime"), SleepTime);
    set.setValue(QStringLiteral("AutoConnect"), AutoConnect);
    set.endGroup();
    set.sync();
}

AppSettings::FileState AppSettings::inspectConfigFile(const QString &fileName)
{
    QFile file(fileName);
    if (file.size() <= 0 || !file.open(QIODevice::ReadOnly)) {
        return FileState::Unusable;
    }
    while (!file.atEnd()) {
        QString line = QString::fromUtf8(file.readLine());
        line.remove(QLatin1Char('\r'));
        line.remove(QLatin1Char('\n'));
        const QStringList pieces = line.split(QLatin1Char('='));
        if (pieces.size() == 2 && pieces.at(1).isEmpty()) {
            return FileState::EmptyValues;
        }
    }
    return FileState::Healthy;
}

bool AppSettings::checkConfig()
{
    const FileState state = inspectConfigFile(ConfigFile);
    if (state == FileState::Unusable) {
        writeConfig();
    }
    return state == FileState::Healthy;
}

namespace {

// A key that is absent or empty keeps the field's current (default) value; every other
// key is read as stored. Returns false when some key needed its default.
class KeyReader
{
public:
    explicit KeyReader(QSettings &settings) : set(settings) {}

    void text(const char *key, QString &field) { if (const QVariant v = take(key); v.isValid()) field = v.toString(); }
    void integer(const char *key, int &field) { if (const QVariant v = take(key); v.isValid()) field = v.toInt(); }
    void real(const char *key, double &field) { if (const QVariant v = take(key); v.isValid()) field = v.toDouble(); }
    void flag(const char *key, bool &field) { if (const QVariant v = take(key); v.isValid()) field = v.toBool(); }

    bool complete = true;

private:
    QVariant take(const char *key)
    {
        const QVariant v = set.value(QLatin1String(key));
        if (!v.isValid() || v.toString().isEmpty()) {
            complete = false;
            return QVariant();
        }
        return v;
    }
    QSettings &set;
};

} // namespace

void AppSettings::readConfig()
{
    // A missing, empty or unreadable file is replaced by the current values at once.
    if (inspectConfigFile(ConfigFile) == FileState::Unusable) {
        writeConfig();
        return;
    }

    bool complete = true;
    {
        QSettings set(ConfigFile, QSettings::IniFormat);
        KeyReader read(set);
        set.beginGroup(QStringLiteral("ComConfig"));
        read.text("PortName", PortName);
        read.integer("BaudRate", BaudRate);
        read.integer("DataBit", DataBit);
        read.text("Parity", Parity);
        read.real("StopBit", StopBit);
        read.flag("HexSend", HexSend);
        read.flag("HexReceive", HexReceive);
        read.flag("Debug", Debug);
        read.flag("AutoClear", AutoClear);
        read.flag("AutoSend", AutoSend);
        read.integer("SendInterval", SendInterval);
        read.flag("AutoSave", AutoSave);
        read.integer("SaveInterval", SaveInterval);
        read.flag("AutoPrint", AutoPrint);
        set.endGroup();

        set.beginGroup(QStringLiteral("NetConfig"));
        read.text("Mode", Mode);
        read.text("ServerIP", ServerIP);
        read.integer("ServerPort", ServerPort);
        read.integer("ListenPort", ListenPort);
        read.integer("SleepTime", SleepTime);
        read.flag("AutoConnect", AutoConnect);
        set.endGroup();
        complete = read.complete;
    }

    // Damaged keys took their defaults; rewrite so the file is complete again.
    if (!complete) {
        writeConfig();
    }
}
