#include "testsupport.h"

#include "checksums.h"

#include <QFile>
#include <QTcpServer>

#include <csignal>
#include <sys/resource.h>

QByteArray hexBytes(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

QByteArray withCrc(const char *hex)
{
    const QByteArray frame = hexBytes(hex);
    const quint16 crc = modbusCrc(frame); // wire order already
    return frame + char(crc >> 8) + char(crc & 0xFF);
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return file.write(content) == content.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return file.readAll();
}

FileSizeLimit::FileSizeLimit(qint64 bytes)
{
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    oldSoft = old.rlim_cur;
    oldHard = old.rlim_max;
    const rlimit small{rlim_t(bytes), old.rlim_max};
    set = ::setrlimit(RLIMIT_FSIZE, &small) == 0;
}

FileSizeLimit::~FileSizeLimit()
{
    const rlimit old{rlim_t(oldSoft), rlim_t(oldHard)};
    ::setrlimit(RLIMIT_FSIZE, &old);
}

quint16 freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

void failWith(QString *error, const QString &why)
{
    if (error) {
        *error = why;
    } else {
        qWarning("%s", qPrintable(why));
    }
}

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
