#ifndef SENDLINE_H
#define SENDLINE_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// What ends a typed line on the wire, as the setting stores it: "none", "CR", "LF", "CRLF".
QStringList lineEndingChoices();
QByteArray lineEndingBytes(const QString &choice);

struct TypedLine {
    QByteArray bytes; // empty when `error` says why nothing can be sent
    QString error;
};

// The bytes of a line typed in the send box: pairs of hexadecimal digits (blanks between
// bytes allowed, "0103" as good as "01 03") with `hex`, else the text with the named escapes;
// then the Modbus CRC of those bytes, low byte first, when `crc`; then the line ending.
TypedLine typedLineBytes(const QString &text, bool hex, const QString &ending, bool crc);

// The lines sent from the send box, oldest first, kept in a file of one line each. Up and
// Down walk through them as a shell's history does.
class SendHistory
{
public:
    static constexpr int maxEntries = 200;

    explicit SendHistory(const QString &path = QString()) : path(path) {}
    // What went wrong reading the file; empty when all went well or there is none.
    QString load();
    // Moves the line to the newest place (a line is kept once) and writes the file; false with
    // *error when it could not be written.
    bool add(const QString &line, QString *error);
    const QStringList &entries() const { return lines; }

    // The line before the one shown (the newest first); `typed` is what the box held when
    // walking began, given back by newer() past the newest line. Not walking, newer() gives
    // back what is `shown`.
    QString older(const QString &typed);
    QString newer(const QString &shown);

private:
    QString path;
    QStringList lines;
    int cursor = -1; // -1: not walking
    QString draft;
};

#endif // SENDLINE_H
