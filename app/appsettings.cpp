#include "appsettings.h"

#include "datafile.h"
#include "qt5ini.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <type_traits>

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(AppSettings)
};
} // namespace

QString AppSettings::PortName;
int AppSettings::BaudRate;
int AppSettings::DataBit;
QString AppSettings::Parity;
double AppSettings::StopBit;
bool AppSettings::HexSend;
bool AppSettings::HexReceive;
bool AppSettings::Debug;
bool AppSettings::AutoClear;
bool AppSettings::AutoSend;
int AppSettings::SendInterval;
bool AppSettings::AutoSave;
int AppSettings::SaveInterval;
bool AppSettings::AutoPrint;
QString AppSettings::ValueFormat;
QString AppSettings::Language;
QString AppSettings::FlowControl;
QString AppSettings::LineEnding;
bool AppSettings::AddCrc;
QString AppSettings::Mode;
QString AppSettings::ServerIP;
int AppSettings::ServerPort;
int AppSettings::ListenPort;
QString AppSettings::ListenAddress;
QString AppSettings::Transport;
int AppSettings::SleepTime;
bool AppSettings::AutoConnect;

QString AppSettings::ConfigFile;
QString AppSettings::DataDir;
QString AppSettings::LogDir;
QString AppSettings::SendFileName = QStringLiteral("send.txt");
QString AppSettings::DeviceFileName = QStringLiteral("device.txt");
QStringList AppSettings::Intervals;
QStringList AppSettings::SendList;
QStringList AppSettings::DeviceKeys;
QStringList AppSettings::DeviceValues;
QStringList AppSettings::Notices;

const QVector<SettingEntry> &AppSettings::settings()
{
    static const char com[] = "ComConfig";
    static const char net[] = "NetConfig";
    static const QVector<SettingEntry> table = {
        {com, "PortName", &PortName, QStringLiteral("COM1")},
        {com, "BaudRate", &BaudRate, 9600},
        {com, "DataBit", &DataBit, 8},
        {com, "Parity", &Parity, QStringLiteral("无")},
        {com, "StopBit", &StopBit, 1.0},
        {com, "HexSend", &HexSend, false},
        {com, "HexReceive", &HexReceive, false},
        {com, "Debug", &Debug, false},
        {com, "AutoClear", &AutoClear, false},
        {com, "AutoSend", &AutoSend, false},
        {com, "SendInterval", &SendInterval, 1000},
        {com, "AutoSave", &AutoSave, false},
        {com, "SaveInterval", &SaveInterval, 5000},
        {com, "AutoPrint", &AutoPrint, false},
        {com, "ValueFormat", &ValueFormat, QStringLiteral("int16")},
        {com, "Language", &Language, QStringLiteral("zh_CN")},
        {com, "FlowControl", &FlowControl, QStringLiteral("无")},
        {com, "LineEnding", &LineEnding, QStringLiteral("none")},
        {com, "AddCrc", &AddCrc, false},
        {net, "Mode", &Mode, QStringLiteral("Tcp_Client")},
        {net, "ServerIP", &ServerIP, QStringLiteral("127.0.0.1")},
        {net, "ServerPort", &ServerPort, 6000},
        {net, "ListenPort", &ListenPort, 6000},
        {net, "ListenAddress", &ListenAddress, QStringLiteral("127.0.0.1")},
        {net, "Transport", &Transport, QStringLiteral("serial")},
        {net, "SleepTime", &SleepTime, 100},
        {net, "AutoConnect", &AutoConnect, false},
    };
    return table;
}

// The fields hold their defaults from process start.
static const bool defaultsSet = (AppSettings::resetToDefaults(), true);

const SettingEntry *AppSettings::setting(const QString &key)
{
    for (const SettingEntry &entry : settings()) {
        if (key == QLatin1String(entry.key)) {
            return &entry;
        }
    }
    return nullptr;
}

QVariant SettingEntry::value() const
{
    return std::visit([](auto *f) { return QVariant(*f); }, field);
}

void SettingEntry::setValue(const QVariant &value) const
{
    std::visit(
        [&value](auto *f) {
            using T = std::remove_pointer_t<decltype(f)>;
            if constexpr (std::is_same_v<T, QString>) {
                *f = value.toString();
            } else if constexpr (std::is_same_v<T, int>) {
                *f = value.toInt();
            } else if constexpr (std::is_same_v<T, double>) {
                *f = value.toDouble();
            } else {
                *f = value.toBool();
            }
        },
        field);
}

void AppSettings::resetToDefaults()
{
    for (const SettingEntry &entry : settings()) {
        entry.reset();
    }
}

QString AppSettings::configFileProblem()
{
    return dataFileProblem(ConfigFile, maxConfigFileBytes);
}

namespace {
// A file cut short keeps a head of its lines: fewer key lines than keys, or an unfinished
// last line. QSettings writes one line per key, besides section lines and blank lines.
bool holdsEveryKey(const QByteArray &ini, int keys)
{
    int lines = 0;
    for (const QByteArray &line : ini.split('\n')) {
        lines += !line.trimmed().isEmpty() && !line.startsWith('[');
    }
    return ini.endsWith('\n') && lines == keys;
}
} // namespace

bool AppSettings::writeConfig(QString *error)
{
    // Writing merges with what is there: a FIFO would block, a huge file take seconds.
    // readConfig has said that changes are not saved.
    if (!configFileProblem().isEmpty()) {
        return true;
    }
    const auto fail = [error](const QString &why) {
        if (error) {
            *error = why;
        }
        return false;
    };
    // QSettings merges and lays out the file in a scratch folder; the file itself is replaced
    // by writeWholeFile, which checks every write. (QSettings calls a file that a full disk
    // cut short written.)
    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        return fail(scratch.errorString());
    }
    const QString merged = scratch.filePath(QStringLiteral("merged.ini"));
    QFile current(ConfigFile);
    if (current.exists()) {
        if (!current.open(QIODevice::ReadOnly)) {
            return fail(current.errorString());
        }
        if (!writeWholeFile(merged, current.readAll(), error)) {
            return false;
        }
    }
    int keys = 0;
    {
        QSettings set(merged, QSettings::IniFormat);
        for (const SettingEntry &entry : settings()) {
            const QString key =
                QLatin1String(entry.group) + QLatin1Char('/') + QLatin1String(entry.key);
            set.setValue(key, entry.value());
        }
        set.sync();
        keys = set.allKeys().size();
    }
    QFile laidOut(merged);
    QByteArray bytes = laidOut.open(QIODevice::ReadOnly) ? laidOut.readAll() : QByteArray();
    if (!holdsEveryKey(bytes, keys)) {
        return fail(Texts::tr("临时文件 %1 写入不完整").arg(merged));
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    // Qt 6 writes non-ASCII text as UTF-8; the file keeps the escapes that Qt 5 writes.
    bytes = withQt5IniEscapes(bytes);
#endif
    return writeWholeFile(ConfigFile, bytes, error);
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
    if (!configFileProblem().isEmpty()) {
        return false;
    }
    const FileState state = inspectConfigFile(ConfigFile);
    if (state == FileState::Unusable) {
        writeConfig();
    }
    return state == FileState::Healthy;
}

void AppSettings::readConfig()
{
    const QString problem = configFileProblem();
    if (!problem.isEmpty()) {
        Notices << Texts::tr("%1; 使用默认设置, 设置的修改不会保存").arg(problem);
        return;
    }
    // A missing, empty or unreadable file is replaced by the current values at once.
    if (inspectConfigFile(ConfigFile) == FileState::Unusable) {
        noteWriteConfig();
        return;
    }

    // A key that is absent or empty keeps the field's current (default) value; every other
    // key is read as stored.
    bool complete = true;
    {
        QSettings set(ConfigFile, QSettings::IniFormat);
        for (const SettingEntry &entry : settings()) {
            const QVariant v = set.value(
                QStringLiteral("%1/%2").arg(QLatin1String(entry.group), QLatin1String(entry.key)));
            if (!v.isValid() || v.toString().isEmpty()) {
                complete = false;
            } else {
                entry.setValue(v);
            }
        }
    }

    // Damaged keys took their defaults; rewrite so the file is complete again.
    if (!complete) {
        noteWriteConfig();
    }
}

void AppSettings::noteWriteConfig()
{
    QString error;
    if (!writeConfig(&error)) {
        Notices << Texts::tr("保存设置失败: %1 (%2)").arg(ConfigFile, error);
    }
}
