#ifndef DATAFILE_H
#define DATAFILE_H

#include <QByteArray>
#include <QString>

// Why a file the program reads (settings, send.txt, device.txt) must not be opened: a FIFO
// would block for ever, a device or a huge file would take all memory. Empty for a regular
// file of at most maxBytes and for a path where there is no file at all.
QString dataFileProblem(const QString &path, qint64 maxBytes);

// Writes all of `bytes` to the file descriptor, going on after interruptions; 0, or the
// error that stopped it (a full disk, a file-size limit).
int writeAll(int fd, const QByteArray &bytes);

// Replaces the file at `path` with `bytes`, or leaves it as it was: the bytes go to a new
// file beside it, every write and the close are checked (a full disk, a file-size limit),
// and only then does it take the name. A link at `path` is replaced, never written through.
// On failure `error` (when given) says why, in the system's words.
bool writeWholeFile(const QString &path, const QByteArray &bytes, QString *error = nullptr);

#endif // DATAFILE_H
