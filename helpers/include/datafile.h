#ifndef DATAFILE_H
#define DATAFILE_H

#include <QString>

// Why a file the program reads (settings, send.txt, device.txt) must not be opened: a FIFO
// would block for ever, a device or a huge file would take all memory. Empty for a regular
// file of at most maxBytes and for a path where there is no file at all.
QString dataFileProblem(const QString &path, qint64 maxBytes);

#endif // DATAFILE_H
