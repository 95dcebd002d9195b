#include "startup.h"

#include "appsettings.h"
#include "tavihelper.h"
#include "taviappearance.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QIcon>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace {
const char supportPhone[] = "400-820-6217";
}

QString mainWindowTitle()
{
    return QStringLiteral("Norvane串口调试助手  技术支持: ") + QLatin1String(supportPhone);
}

QString defaultConfigFile()
{
    return QStringLiteral("%1/%2.ini").arg(TaviHelper::appDir(), TaviHelper::appBaseName());
}

void prepareApplication(const QString &configFile, const QString &dataDir)
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
    AppSettings::ConfigFile = configFile;
    AppSettings::DataDir = dataDir;
    // Said once at start-up (failed saves are then said once per run of failures). access()
    // asks what this user may do: root is told only of what even root cannot write.
    if (::access(QFile::encodeName(dataDir).constData(), W_OK | X_OK) != 0) {
        AppSettings::Notices << QStringLiteral("数据文件夹 %1 不可写 (%2): 日志和发送列表无法保存")
                                    .arg(dataDir, QString::fromLocal8Bit(std::strerror(errno)));
    }
    AppSettings::readConfig();
    AppSettings::readSendData();
    AppSettings::readDeviceData();
}
