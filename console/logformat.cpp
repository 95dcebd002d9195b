#include "logformat.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString logPrefix(int type)
{
    switch (type) {
    case LogSerialSend: return QStringLiteral("串口发送 >>");
    case LogSerialReceive: return QStringLiteral("串口接收 <<");
    case LogDelay: return QStringLiteral("处理延时 >>");
    case LogCheck: return QStringLiteral("正在校验 >>");
    case LogNetSend: return QStringLiteral("网络发送 >>");
    case LogNetReceive: return QStringLiteral("网络接收 <<");
    case LogInfo: return QStringLiteral("提示信息 >>");
    case LogValues: return QStringLiteral("数值解析 >>");
    default: return QString();
    }
}

QColor logColor(int type)
{
    switch (type) {
    case LogSerialSend: return QColor(QStringLiteral("dodgerblue"));
    case LogSerialReceive: return QColor(QStringLiteral("red"));
    case LogDelay: return QColor(QStringLiteral("gray"));
    case LogCheck: return QColor(QStringLiteral("green"));
    case LogNetSend: return QColor(24, 189, 155);
    case LogNetReceive: return QColor(255, 107, 107);
    case LogInfo: return QColor(QStringLiteral("magenta"));
    case LogValues: return QColor(QStringLiteral("red"));
    default: return QColor(Qt::black);
    }
}

QString logLine(int type, const QTime &time, const QString &data)
{
    QString clean = data;
    clean.remove(QLatin1Char('\r'));
    clean.remove(QLatin1Char('\n'));
    // One multi-argument arg() so that markers inside the data stay literal.
    return QStringLiteral("时间[%1] %2 %3").arg(time.toString(QStringLiteral("HH:mm:ss zzz")), logPrefix(type), clean);
}

QString logFilePath(const QString &dir, const QDateTime &when)
{
    return QStringLiteral("%1/%2.txt").arg(dir, when.toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss")));
}

bool writeLogFile(const QString &path, const QString &text, bool append)
{
    const QByteArray name = QFile::encodeName(path);
    const int flags = O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | (append ? O_APPEND : O_CREAT | O_EXCL);
    const int fd = ::open(name.constData(), flags, 0644);
    if (fd < 0) {
        // The file to append to has gone meanwhile: a new one then.
        return append && errno == ENOENT && writeLogFile(path, text, false);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    QByteArray bytes = text.toUtf8();
    if (st.st_size > 0) {
        bytes.prepend('\n');
    }
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += n;
    }
    bool written = done == bytes.size();
    if (!written && append) {
        (void)::ftruncate(fd, st.st_size);
    }
    written = ::close(fd) == 0 && written;
    if (!written && !append) {
        ::unlink(name.constData());
    }
    return written;
}
