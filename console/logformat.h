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

// The log file for a moment: "<dir>/yyyy-MM-dd-HH-mm-ss.txt", or with "-2", "-3", ... when
// other programs took the names before.
QString logFilePath(const QString &dir, const QDateTime &when, int instance = 1);
// Writes text (whole lines, each with its line break, as UTF-8) to a log file, never through
// a link. A new file is created only if the name is free; with `append` the text goes after
// the existing regular file's lines. On failure (a full disk, say) nothing is left behind: a
// new file is removed, an appended one cut back, and `error` holds the errno. A file to
// append to that has gone is made anew.
bool writeLogFile(const QString &path, const QString &text, bool append, int *error = nullptr);
// Saves text in the data folder under the first name for `when` that is free or is
// `ownFile` (this program's file of that second, appended to). Returns the file written, or
// an empty string with the system's reason in `error`.
QString saveLogText(const QString &dir, const QDateTime &when, const QString &text,
                    const QString &ownFile, QString *error);

#endif // LOGFORMAT_H
