#ifndef RECEPTION_H
#define RECEPTION_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// Bytes as they came from the device, with the time (monotonic milliseconds) the console
// saw them arrive.
struct ReceivedPiece {
    QByteArray bytes;
    qint64 arrivedMs = 0;
};

// What the receive path shows for one reception: hexadecimal pairs, or the bytes decoded
// with the locale codec up to the first zero byte.
QString receptionText(const QByteArray &data, bool hex);

// Control characters other than TAB, CR and LF, and the marks that reorder text (U+202E
// and its kin), in the named form of their bytes ("\ESC", "\xe2\x80\xae"); other text as it is.
QString showControls(const QString &text);

// Index of the first key the display text begins with (an empty key matches anything),
// or -1. In `hex` mode a key of hexadecimal pairs matches in any case and spacing.
int findReplyIndex(const QString &displayText, const QStringList &keys, bool hex = false);

#endif // RECEPTION_H
