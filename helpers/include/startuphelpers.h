#ifndef STARTUPHELPERS_H
#define STARTUPHELPERS_H

#include <QString>
#include <QTime>

// The plain rules behind TaviHelper's start-up functions (appBaseName, seedRandom).

// "D:/tools/my.tool.exe" -> "my": the last path piece up to its first dot.
QString baseNameOf(const QString &filePath);

// Seed for the random generator from a time of day: milliseconds + seconds * 1000.
uint randomSeedFor(const QTime &time);

#endif // STARTUPHELPERS_H
