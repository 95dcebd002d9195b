#include "sendline.h"

#include "datafile.h"
#include "tavihelper.h"

#include <QCoreApplication>
#include <QFile>

namespace {
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(SendLine)
};

int hexDigit(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9') {
        return u - '0';
    }
    if (u >= 'a' && u <= 'f') {
        return u - 'a' + 10;
    }
    if (u >= 'A' && u <= 'F') {
        return u - 'A' + 10;
    }
    return -1;
}
} // namespace

QStringList lineEndingChoices()
{
    return {QStringLiteral("none"), QStringLiteral("CR"), QStringLiteral("LF"),
            QStringLiteral("CRLF")};
}

QByteArray lineEndingBytes(const QString &choice)
{
    if (choice == QLatin1String("CR")) {
        return "\r";
    }
    if (choice == QLatin1String("LF")) {
        return "\n";
    }
    if (choice == QLatin1String("CRLF")) {
        return "\r\n";
    }
    return QByteArray();
}

TypedLine typedLineBytes(const QString &text, bool hex, const QString &ending, bool crc)
{
    TypedLine out;
    if (!hex) {
        out.bytes = TaviHelper::namedTextToBytes(text);
    } else {
        int digits = 0; // of the word being read
        int high = 0;
        for (int i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c.isSpace() || c == QLatin1Char(',')) {
                if (digits % 2 != 0) {
                    return {QByteArray(),
                            Texts::tr("十六进制数字须成对: 第 %1 个字符前").arg(i + 1)};
                }
                digits = 0;
                continue;
            }
            const int value = hexDigit(c);
            if (value < 0) {
                return {QByteArray(),
                        Texts::tr("第 %1 个字符 \"%2\" 不是十六进制数字").arg(i + 1).arg(c)};
            }
            if (++digits % 2 == 0) {
                out.bytes += char(high << 4 | value);
            } else {
                high = value;
            }
        }
        if (digits % 2 != 0) {
            return {QByteArray(), Texts::tr("十六进制数字须成对: 末尾多出一个")};
        }
    }
    if (out.bytes.isEmpty()) {
        return {QByteArray(), Texts::tr("没有要发送的内容")};
    }
    if (crc) {
        out.bytes += TaviHelper::crc16ModbusBytes(out.bytes);
    }
    out.bytes += lineEndingBytes(ending);
    return out;
}

QString SendHistory::load()
{
    lines.clear();
    if (path.isEmpty() || !QFile::exists(path)) {
        return QString();
    }
    const QString problem = dataFileProblem(path, 1024 * 1024);
    QFile file(path);
    if (!problem.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        return path + QStringLiteral(": ") + (problem.isEmpty() ? file.errorString() : problem);
    }
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (!line.isEmpty()) {
            lines.removeAll(line);
            lines << line;
        }
    }
    while (lines.size() > maxEntries) {
        lines.removeFirst();
    }
    return QString();
}

bool SendHistory::add(const QString &line, QString *error)
{
    cursor = -1;
    // One line a line: a line break would come back as two.
    const QString clean = QString(line).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (clean.trimmed().isEmpty()) {
        return true;
    }
    lines.removeAll(clean);
    lines << clean;
    while (lines.size() > maxEntries) {
        lines.removeFirst();
    }
    return path.isEmpty()
           || writeWholeFile(path, (lines.join(QLatin1Char('\n')) + '\n').toUtf8(), error);
}

QString SendHistory::older(const QString &typed)
{
    if (lines.isEmpty()) {
        return typed;
    }
    if (cursor < 0) {
        draft = typed;
        cursor = lines.size();
    }
    cursor = qMax(0, cursor - 1);
    return lines.at(cursor);
}

QString SendHistory::newer(const QString &shown)
{
    if (cursor < 0) {
        return shown;
    }
    if (++cursor >= lines.size()) {
        cursor = -1;
        return draft;
    }
    return lines.at(cursor);
}
