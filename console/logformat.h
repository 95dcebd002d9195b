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
// Appends text to a file (UTF-8); a file that already holds text gets a line break first
// so that two saves in the same second do not run together. False when it cannot write.
bool appendLogFile(const QString &path, const QString &text);

#endif // LOGFORMAT_H
