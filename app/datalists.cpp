// send.txt (choices of the send box) and device.txt (request;reply pairs).
#include "appsettings.h"

#include "datafile.h"

#include <QCoreApplication>
#include <QFile>

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(DataLists)
};

// Calls take(line) for every usable line: UTF-8, BOM ignored, trimmed, CR/LF removed,
// blank lines skipped. Lines longer than maxLineBytes are skipped without being read
// whole; take() returns false to stop. What was refused or skipped goes to `notes`.
template <typename Take>
void forEachUsableLine(const QString &fileName, int maxLineBytes, QStringList *notes, Take take)
{
    const QString problem = dataFileProblem(fileName, AppSettings::maxDataFileBytes);
    if (!problem.isEmpty()) {
        notes->append(problem);
        return;
    }
    QFile file(fileName);
    if (file.size() <= 0 || !file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return;
    }
    bool first = true;
    int skipped = 0;
    int left = 0;
    while (!file.atEnd()) {
        QByteArray raw = file.readLine(qint64(maxLineBytes) + 2);
        if (!raw.endsWith('\n') && !file.atEnd()) {
            ++skipped;
            while (!file.atEnd() && !file.readLine(64 * 1024).endsWith('\n')) {
            }
            continue;
        }
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
        if (!line.isEmpty() && !take(line)) {
            while (!file.atEnd()) {
                left += file.readLine(64 * 1024).endsWith('\n') ? 1 : 0;
            }
            break;
        }
    }
    if (skipped > 0) {
        notes->append(Texts::tr("%1: 跳过 %2 行过长的行 (超过 %3 字节)")
                          .arg(fileName)
                          .arg(skipped)
                          .arg(maxLineBytes));
    }
    if (left > 0) {
        notes->append(
            Texts::tr("%1: 只读取了前面的行, 其后约 %2 行未读取").arg(fileName).arg(left));
    }
}

} // namespace

QStringList loadSendList(const QString &fileName, QStringList *notes)
{
    QStringList ignored;
    QStringList list;
    forEachUsableLine(fileName, AppSettings::maxLineBytes, notes ? notes : &ignored,
                      [&](const QString &line) {
                          list.append(line);
                          return list.size() < AppSettings::maxSendEntries;
                      });
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

void loadDevicePairs(const QString &fileName, QStringList &keys, QStringList &values,
                     QStringList *notes)
{
    QStringList ignored;
    keys.clear();
    values.clear();
    forEachUsableLine(fileName, AppSettings::maxLineBytes, notes ? notes : &ignored,
                      [&](const QString &line) {
                          QString key;
                          QString value;
                          splitDeviceLine(line, key, value);
                          keys.append(key);
                          values.append(value);
                          return true;
                      });
}

QString AppSettings::dataFilePath(const QString &name)
{
    return QStringLiteral("%1/%2").arg(DataDir, name);
}

void AppSettings::readSendData()
{
    SendList = loadSendList(dataFilePath(SendFileName), &Notices);
}

void AppSettings::readDeviceData()
{
    loadDevicePairs(dataFilePath(DeviceFileName), DeviceKeys, DeviceValues, &Notices);
}
