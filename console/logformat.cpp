#include "logformat.h"

#include "datafile.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(LogFormat)
};
} // namespace

QString logPrefix(int type)
{
    switch (type) {
    case LogSerialSend:
        return Texts::tr("串口发送 >>");
    case LogSerialReceive:
        return Texts::tr("串口接收 <<");
    case LogDelay:
        return Texts::tr("处理延时 >>");
    case LogCheck:
        return Texts::tr("正在校验 >>");
    case LogNetSend:
        return Texts::tr("网络发送 >>");
    case LogNetReceive:
        return Texts::tr("网络接收 <<");
    case LogInfo:
        return Texts::tr("提示信息 >>");
    case LogValues:
        return Texts::tr("数值解析 >>");
    default:
        return QString();
    }
}

QColor logColor(int type)
{
    switch (type) {
    case LogSerialSend:
        return QColor(QStringLiteral("dodgerblue"));
    case LogSerialReceive:
        return QColor(QStringLiteral("red"));
    case LogDelay:
        return QColor(QStringLiteral("gray"));
    case LogCheck:
        return QColor(QStringLiteral("green"));
    case LogNetSend:
        return QColor(24, 189, 155);
    case LogNetReceive:
        return QColor(255, 107, 107);
    case LogInfo:
        return QColor(QStringLiteral("magenta"));
    case LogValues:
        return QColor(QStringLiteral("red"));
    default:
        return QColor(Qt::black);
    }
}

namespace {
// One look for either break, in blocks the compiler can vectorise: a fast stream's line is
// megabytes long and has none.
bool hasLineBreak(const QString &text)
{
    const auto *p = reinterpret_cast<const ushort *>(text.constData());
    const int n = text.size();
    constexpr int block = 64;
    int i = 0;
    for (; i + block <= n; i += block) {
        unsigned found = 0;
        for (int k = 0; k < block; ++k) {
            found |= unsigned(p[i + k] == '\r') | unsigned(p[i + k] == '\n');
        }
        if (found != 0) {
            return true;
        }
    }
    for (; i < n; ++i) {
        if (p[i] == '\r' || p[i] == '\n') {
            return true;
        }
    }
    return false;
}
} // namespace

QString logLine(int type, const QTime &time, const QString &data)
{
    QString clean = data;
    if (hasLineBreak(data)) {
        clean.remove(QLatin1Char('\r'));
        clean.remove(QLatin1Char('\n'));
    }
    // One multi-argument arg() so that markers inside the data stay literal.
    return Texts::tr("时间[%1] %2 %3")
        .arg(time.toString(QStringLiteral("HH:mm:ss zzz")), logPrefix(type), clean);
}

QString logFilePath(const QString &dir, const QDateTime &when, int instance)
{
    const QString stamp = when.toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss"));
    return instance > 1 ? QStringLiteral("%1/%2-%3.txt").arg(dir, stamp).arg(instance)
                        : QStringLiteral("%1/%2.txt").arg(dir, stamp);
}

bool writeLogFile(const QString &path, const QString &text, bool append, int *error)
{
    const auto fail = [error](int code) {
        if (error) {
            *error = code;
        }
        return false;
    };
    const QByteArray name = QFile::encodeName(path);
    const int flags =
        O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | (append ? O_APPEND : O_CREAT | O_EXCL);
    const int fd = ::open(name.constData(), flags, 0644);
    if (fd < 0) {
        // The file to append to has gone meanwhile: a new one then.
        return append && errno == ENOENT ? writeLogFile(path, text, false, error) : fail(errno);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(EINVAL);
    }
    const QByteArray bytes = text.toUtf8();
    int code = writeAll(fd, bytes);
    if (code != 0 && append) {
        (void)::ftruncate(fd, st.st_size);
    }
    if (::close(fd) != 0 && code == 0) {
        code = errno;
    }
    if (code != 0 && !append) {
        ::unlink(name.constData());
    }
    return code == 0 || fail(code);
}

QString saveLogText(const QString &dir, const QDateTime &when, const QString &text,
                    const QString &ownFile, QString *error)
{
    // Another instance in the same folder may hold this second's name: the next one is taken.
    int code = EEXIST;
    for (int instance = 1; instance <= 99 && code == EEXIST; ++instance) {
        const QString path = logFilePath(dir, when, instance);
        if (writeLogFile(path, text, path == ownFile, &code)) {
            return path;
        }
    }
    *error = QString::fromLocal8Bit(std::strerror(code));
    return QString();
}
