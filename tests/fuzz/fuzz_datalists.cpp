// send.txt and device.txt loaders on arbitrary file contents.
#include "appsettings.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("list.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return 0;
    }
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();
    const QStringList sendList = loadSendList(path);
    QStringList keys;
    QStringList values;
    loadDevicePairs(path, keys, values);
    if (keys.size() != values.size() || keys.size() != sendList.size()) {
        std::abort();
    }
    for (const QString &line : sendList) {
        if (line.isEmpty() || line.contains(QLatin1Char('\n'))
            || line.contains(QLatin1Char('\r'))) {
            std::abort();
        }
    }
    return 0;
}
