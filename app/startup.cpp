#include "startup.h"

#include "appsettings.h"
#include "datafile.h"
#include "taviappearance.h"
#include "tavihelper.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QIcon>
#include <QPointer>
#include <QSettings>
#include <QStandardPaths>
#include <QTranslator>

#include <cerrno>
#include <csignal>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <cstring>
#include <unistd.h>

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(Startup)
};

const char supportPhone[] = "400-820-6217";
const char userConfigName[] = "norvane.ini";

QString sameFolder(const QString &path)
{
    return QDir::cleanPath(QDir(path).absolutePath());
}
} // namespace

QString mainWindowTitle()
{
    return Texts::tr("Norvane串口调试助手  技术支持: %1").arg(QLatin1String(supportPhone));
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
        where.reason = Texts::tr("命令行 --data-dir 指定");
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
    where.reason = installed ? Texts::tr("程序安装在 %1").arg(exeDir)
                             : Texts::tr("程序所在文件夹 %1 不可写").arg(exeDir);
    return where;
}

QString storedLanguage(const QString &configFile)
{
    const SettingEntry *entry = AppSettings::setting(QStringLiteral("Language"));
    const QString fallback = entry->defaultValue.toString();
    // The files readConfig refuses (a FIFO, a huge file) are not opened here either.
    if (!QFile::exists(configFile)
        || !dataFileProblem(configFile, AppSettings::maxConfigFileBytes).isEmpty()) {
        return fallback;
    }
    const QString key =
        QStringLiteral("%1/%2").arg(QLatin1String(entry->group), QLatin1String(entry->key));
    const QString value = QSettings(configFile, QSettings::IniFormat).value(key).toString();
    return value.isEmpty() ? fallback : value;
}

bool installLanguage(const QString &language)
{
    // One translation at a time: the tests prepare the process more than once.
    static QPointer<QTranslator> installed;
    delete installed.data(); // which takes it out of the application
    auto *translator = new QTranslator(qApp);
    if (!translator->load(QStringLiteral(":/translations/norvane_%1.qm").arg(language))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
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
#ifdef __GLIBC__
    // A fast stream makes receptions of megabytes. Freed, they stay in the heap for the next
    // one instead of going back to the system to be faulted in afresh: a fifth more throughput.
    mallopt(M_MMAP_THRESHOLD, 16 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 32 * 1024 * 1024);
#endif
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/device.png")));

    QFont font;
    font.setFamily(TaviAppearance::FontName);
    font.setPixelSize(TaviAppearance::FontSize);
    QApplication::setFont(font);

    TaviHelper::setUtf8Codec();
    TaviHelper::installTranslation(QStringLiteral(":/qt_zh_CN.qm"));
    TaviHelper::installTranslation(QStringLiteral(":/widgets.qm"));
    // Before any notice is made, so that they are in the language too.
    installLanguage(storedLanguage(where.configFile));
    TaviHelper::seedRandom();

    // Assigned, not added to: the tests prepare the process more than once.
    AppSettings::Intervals.clear();
    for (int ms : {1, 10, 20, 50, 100, 200, 300, 500, 1000, 1500, 2000, 3000, 5000, 10000}) {
        AppSettings::Intervals << QString::number(ms);
    }
    if (!where.reason.isEmpty()) {
        AppSettings::Notices << Texts::tr("设置和数据列表在 %1, 日志保存在 %2 (%3)")
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
            AppSettings::Notices << Texts::tr("数据文件夹 %1 不可写 (%2): 日志和发送列表无法保存")
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
