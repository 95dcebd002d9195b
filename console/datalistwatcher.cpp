#include "datalistwatcher.h"

#include <QDir>
#include <QFileInfo>

#include <sys/stat.h>

DataListWatcher::DataListWatcher(const QString &folder, const QStringList &names, QObject *parent)
    : QObject(parent), folder(folder), names(names)
{
    for (const QString &name : names) {
        seen.insert(name, stamp(name));
    }
    settle.setSingleShot(true);
    settle.setInterval(200);
    connect(&settle, &QTimer::timeout, this, &DataListWatcher::look);
    connect(&watcher, &QFileSystemWatcher::directoryChanged, &settle, qOverload<>(&QTimer::start));
    connect(&watcher, &QFileSystemWatcher::fileChanged, &settle, qOverload<>(&QTimer::start));
    if (QFileInfo(folder).isDir()) {
        watcher.addPath(folder);
    }
    look();
}

DataListWatcher::Stamp DataListWatcher::stamp(const QString &name) const
{
    Stamp s;
    struct stat st {};
    if (::stat(QFile::encodeName(QDir(folder).filePath(name)).constData(), &st) == 0) {
        s.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        s.size = st.st_size;
        s.inode = st.st_ino;
    }
    return s;
}

void DataListWatcher::look()
{
    for (const QString &name : qAsConst(names)) {
        const QString path = QDir(folder).filePath(name);
        // A file replaced by a rename is a new file to watch.
        watcher.removePath(path);
        if (QFileInfo::exists(path)) {
            watcher.addPath(path);
        }
        const Stamp now = stamp(name);
        if (now != seen.value(name)) {
            seen.insert(name, now);
            emit changed(name);
        }
    }
}
