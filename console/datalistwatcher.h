#ifndef DATALISTWATCHER_H
#define DATALISTWATCHER_H

#include <QFileSystemWatcher>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTimer>

// Tells when files of the data folder change on disk: edited, replaced by a rename (as
// editors and our own saves do), created or removed.
class DataListWatcher : public QObject
{
    Q_OBJECT
public:
    DataListWatcher(const QString &folder, const QStringList &names, QObject *parent = nullptr);

signals:
    void changed(const QString &name);

private:
    struct Stamp {
        qint64 modified = -1;
        qint64 size = -1;
        quint64 inode = 0;
        bool operator!=(const Stamp &o) const
        {
            return modified != o.modified || size != o.size || inode != o.inode;
        }
    };
    Stamp stamp(const QString &name) const;
    void look();

    QString folder;
    QStringList names;
    QHash<QString, Stamp> seen;
    QFileSystemWatcher watcher;
    QTimer settle; // an editor's save comes in several steps
};

#endif // DATALISTWATCHER_H
