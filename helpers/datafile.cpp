#include "datafile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(DataFile)
};
} // namespace

QString dataFileProblem(const QString &path, qint64 maxBytes)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        return QString();
    }
    if (!info.isFile()) {
        return Texts::tr("%1 不是普通文件, 未读取").arg(path);
    }
    if (info.size() > maxBytes) {
        return Texts::tr("%1 过大 (%2 字节, 上限 %3 字节), 未读取")
            .arg(path)
            .arg(info.size())
            .arg(maxBytes);
    }
    return QString();
}

int writeAll(int fd, const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? errno : ENOSPC;
        }
        done += n;
    }
    return 0;
}

bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error)
{
    const QByteArray name = QFile::encodeName(path);
    QByteArray temp = name + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    const auto fail = [&](int code) {
        if (error) {
            *error = QString::fromLocal8Bit(std::strerror(code));
        }
        return false;
    };
    if (fd < 0) {
        return fail(errno);
    }
    // mkostemp makes the file for its owner only; a saved file is as readable as any other.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    int code = writeAll(fd, bytes);
    // Some file systems report a full disk only when the data is flushed or the file closed.
    if (code == 0 && ::fsync(fd) != 0 && errno != EINVAL) {
        code = errno;
    }
    if (::close(fd) != 0 && code == 0) {
        code = errno;
    }
    if (code == 0 && ::rename(temp.constData(), name.constData()) != 0) {
        code = errno;
    }
    if (code != 0) {
        ::unlink(temp.constData());
        return fail(code);
    }
    return true;
}
