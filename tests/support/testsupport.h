#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include <QByteArray>
#include <QString>

// "01 03 0A" -> bytes; spaces are ignored.
QByteArray hexBytes(const char *text);

// Writes bytes to a file, creating or truncating it; returns false on failure.
bool writeFile(const QString &path, const QByteArray &content);
QByteArray readFile(const QString &path);

// CPU seconds (user + system) this process has used so far.
double processCpuSeconds();
// This process's resident memory now, in MiB.
double residentMiB();

#endif // TESTSUPPORT_H
