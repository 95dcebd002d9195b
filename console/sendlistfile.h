#ifndef SENDLISTFILE_H
#define SENDLISTFILE_H

#include <QString>

// send.txt as the console's editor takes it.
struct SendListText {
    QString text;
    // Bytes that are not UTF-8 were shown as replacement marks: rewriting the file without
    // an edit would lose them.
    bool validUtf8 = true;
    // Why the file cannot be edited; empty when it can.
    QString error;
};

constexpr qint64 maxEditableBytes = 1024 * 1024;
SendListText readSendListForEditing(const QString &path);
// Replaces the file with the text as UTF-8; the old file stays whole if writing fails.
bool writeSendList(const QString &path, const QString &text);

#endif // SENDLISTFILE_H
