#include "startup.h"

#include "appsettings.h"
#include "tavihelper.h"
#include "taviappearance.h"

#include <QApplication>
#include <QFont>
#include <QIcon>

#include <csignal>

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

    AppSettings::Intervals << QStringLiteral("1") << QStringLiteral("10") << QStringLiteral("20")
                           << QStringLiteral("50") << QStringLiteral("100") << QStringLiteral("200")
                           << QStringLiteral("300") << QStringLiteral("500") << QStringLiteral("1000")
                           << QStringLiteral("1500") << QStringLiteral("2000") << QStringLiteral("3000")
                           << QStringLiteral("5000") << QStringLiteral("10000");
    AppSettings::ConfigFile = configFile;
    AppSettings::DataDir = dataDir;
    AppSettings::readConfig();
    AppSettings::readSendData();
    AppSettings::readDeviceData();
}
