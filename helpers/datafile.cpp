#include "datafile.h"

#include <QFileInfo>

QString dataFileProblem(const QString &path, qint64 maxBytes)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        return QString();
    }
    if (!info.isFile()) {
        return QStringLiteral("%1 不是普通文件, 未读取").arg(path);
    }
    if (info.size() > maxBytes) {
        return QStringLiteral("%1 过大 (%2 字节, 上限 %3 字节), 未读取").arg(path).arg(info.size()).arg(maxBytes);
    }
    return QString();
}
