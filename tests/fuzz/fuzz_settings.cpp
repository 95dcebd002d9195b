// The settings reader on arbitrary file contents: it must end with a complete file.
#include "appsettings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    static int serial = 0;
    // A fresh name each time: QSettings caches files by name.
    const QString path = dir.filePath(QStringLiteral("s%1.ini").arg(++serial));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return 0;
    }
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();
    AppSettings::resetToDefaults();
    AppSettings::ConfigFile = path;
    AppSettings::readConfig();
    {
        QSettings check(path, QSettings::IniFormat);
        if (!check.contains(QStringLiteral("ComConfig/PortName"))
            || !check.contains(QStringLiteral("NetConfig/AutoConnect"))) {
            std::abort();
        }
    }
    QFile::remove(path);
    return 0;
}
