#ifndef LOGFORMAT_H
#define LOGFORMAT_H

#include <QColor>
#include <QDateTime>
#include <QString>

// Log entry types, the first argument of frmTolvan::append.
enum LogType {
    LogSerialSend = 0,
    LogSerialReceive = 1,
    LogDelay = 2,
    LogCheck = 3,
    LogNetSend = 4,
    LogNetReceive = 5,
    LogInfo = 6,
    LogValues = 7,
};

QString logPrefix(int type);
QColor logColor(int type);
// "时间[HH:mm:ss zzz] <prefix> <data>" with CR and LF removed from the data.
QString logLine(int type, const QTime &time, const QString &data);

// The auto-save file for a moment: "<dir>/yyyy-MM-dd-HH-mm-ss.txt".
QString logFilePath(const QString &dir, const QDateTime &when);
// Writes text (UTF-8) to a log file, never through a link. A new file is created only if
// the name is free; with `append`, the existing regular file there gets a line break and
// the text, so two saves in the same second do not run together. On failure (a full disk,
// say) nothing is left behind: a new file is removed, an appended one cut back. A file to
// append to that has gone is made anew.
bool writeLogFile(const QString &path, const QString &text, bool append);

#endif // LOGFORMAT_H
