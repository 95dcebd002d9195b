// send.txt (choices of the send box) and device.txt (request;reply pairs).
#include "appsettings.h"

#include <QFile>

namespace {

// Calls take(line) for every usable line: UTF-8, BOM ignored, trimmed, CR/LF removed,
// blank lines skipped.
template <typename Take>
void forEachUsableLine(const QString &fileName, Take take)
{
    QFile file(fileName);
    if (file.size() <= 0 || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return;
    }
    bool first = true;
    while (!file.atEnd()) {
        QByteArray raw = file.readLine();
        if (first) {
            first = false;
            if (raw.startsWith("\xEF\xBB\xBF")) {
                raw.remove(0, 3);
            }
        }
        // A NUL byte ends the text of its line.
        const int nul = raw.indexOf('\0');
        if (nul >= 0) {
            raw.truncate(nul);
        }
        QString line = QString::fromUtf8(raw).trimmed();
        line.remove(QLatin1Char('\r'));
        line.remove(QLatin1Char('\n'));
        if (!line.isEmpty()) {
            take(line);
        }
    }
}

QString dataFilePath(const QString &name)
{
    return QStringLiteral("%1/%2").arg(AppSettings::DataDir, name);
}

} // namespace

QStringList loadSendList(const QString &fileName)
{
    QStringList list;
    forEachUsableLine(fileName, [&](const QString &line) { list.append(line); });
    return list;
}

void splitDeviceLine(const QString &line, QString &key, QString &value)
{
    const int sep = line.indexOf(QLatin1Char(';'));
    if (sep < 0) {
        key = line;
        value.clear();
    } else {
        key = line.left(sep);
        value = line.mid(sep + 1);
    }
}

void loadDevicePairs(const QString &fileName, QStringList &keys, QStringList &values)
{
    keys.clear();
    values.clear();
    forEachUsableLine(fileName, [&](const QString &line) {
        QString key;
        QString value;
        splitDeviceLine(line, key, value);
        keys.append(key);
        values.append(value);
    });
}

void AppSettings::readSendData()
{
    SendList = loadSendList(dataFilePath(SendFileName));
}

void AppSettings::readDeviceData()
{
    loadDevicePairs(dataFilePath(DeviceFileName), DeviceKeys, DeviceValues);
}
