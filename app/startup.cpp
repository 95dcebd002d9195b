#include "startup.h"

#include "appsettings.h"
#include "tavihelper.h"
#include "taviappearance.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QIcon>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {
const char supportPhone[] = "400-820-6217";
const char userConfigName[] = "norvane.ini";

QString sameFolder(const QString &path)
{
    return QDir::cleanPath(QDir(path).absolutePath());
}
} // namespace

QString mainWindowTitle()
{
    return QStringLiteral("Norvane串口调试助手  技术支持: ") + QLatin1String(supportPhone);
}

QString programVersion()
{
    return QStringLiteral(NORVANE_VERSION);
}

QString installedProgramDir()
{
    return QStringLiteral(NORVANE_INSTALL_BINDIR);
}

bool folderWritable(const QString &dir)
{
    // access() and not the mode bits: root writes past them, a read-only mount stops root too.
    return ::access(QFile::encodeName(dir).constData(), W_OK | X_OK) == 0;
}

DataLocations chooseDataLocations(const QString &exeDir, const QString &dataDirOption,
                                  const QString &exeBaseName)
{
    DataLocations where;
    if (!dataDirOption.isEmpty()) {
        where.configDir = where.logDir = sameFolder(dataDirOption);
        where.configFile = where.configDir + QLatin1Char('/') + QLatin1String(userConfigName);
        where.reason = QStringLiteral("命令行 --data-dir 指定");
        return where;
    }
    const bool installed = sameFolder(exeDir) == sameFolder(installedProgramDir());
    if (!installed && folderWritable(exeDir)) {
        where.configDir = where.logDir = exeDir;
        where.configFile = QStringLiteral("%1/%2.ini").arg(exeDir, exeBaseName);
        return where;
    }
    where.configDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    where.logDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    where.configFile = where.configDir + QLatin1Char('/') + QLatin1String(userConfigName);
    where.reason = installed ? QStringLiteral("程序安装在 %1").arg(exeDir)
                             : QStringLiteral("程序所在文件夹 %1 不可写").arg(exeDir);
    return where;
}

void prepareApplication(const QString &configFile, const QString &dataDir)
{
    prepareApplication(DataLocations{dataDir, dataDir, configFile, QString()});
}

void prepareApplication(const DataLocations &where)
{
    // A file-size limit makes a write fail (EFBIG) instead of killing the program with its
    // unsaved lines.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/device.png")));

    QFont font;
    font.setFamily(TaviAppearance::FontName);
    font.setPixelSize(TaviAppearance::FontSize);
    QApplication::setFont(font);

    TaviHelper::setUtf8Codec();
    TaviHelper::installTranslation(QStringLiteral(":/qt_zh_CN.qm"));
    TaviHelper::installTranslation(QStringLiteral(":/widgets.qm"));
    TaviHelper::seedRandom();

    // Assigned, not added to: the tests prepare the process more than once.
    AppSettings::Intervals.clear();
    for (int ms : {1, 10, 20, 50, 100, 200, 300, 500, 1000, 1500, 2000, 3000, 5000, 10000}) {
        AppSettings::Intervals << QString::number(ms);
    }
    if (!where.reason.isEmpty()) {
        AppSettings::Notices << QStringLiteral("设置和数据列表在 %1, 日志保存在 %2 (%3)")
                                    .arg(where.configDir, where.logDir, where.reason);
    }
    QStringList folders{where.configDir, where.logDir};
    folders.removeDuplicates();
    for (const QString &dir : qAsConst(folders)) {
        // Created on the first start.
        if (!QDir(dir).exists()) {
            QDir().mkpath(dir);
        }
        // Said once at start-up (failed saves are then said once per run of failures).
        // access() asks what this user may do: root is told only of what even root cannot write.
        if (::access(QFile::encodeName(dir).constData(), W_OK | X_OK) != 0) {
            AppSettings::Notices << QStringLiteral("数据文件夹 %1 不可写 (%2): 日志和发送列表无法保存")
                                        .arg(dir, QString::fromLocal8Bit(std::strerror(errno)));
        }
    }
    AppSettings::ConfigFile = where.configFile;
    AppSettings::DataDir = where.configDir;
    AppSettings::LogDir = where.logDir;
    AppSettings::readConfig();
    AppSettings::readSendData();
    AppSettings::readDeviceData();
}
