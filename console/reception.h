#ifndef RECEPTION_H
#define RECEPTION_H

#include <QByteArray>
#include <QString>
#include <QStringList>

// What the receive path shows for one reception: hexadecimal pairs, or the bytes decoded
// with the locale codec up to the first zero byte.
QString receptionText(const QByteArray &data, bool hex);

// Control characters other than TAB, CR and LF, and the marks that reorder text (U+202E
// and its kin), in the named form of their bytes ("\ESC", "\xe2\x80\xae"); other text as it is.
QString showControls(const QString &text);

// Register values of a Modbus read response, each as a signed decimal and one blank
// ("123 -1 "). Byte 2 is the byte count; values follow high byte first. Stops at the first
// incomplete value and never reads past the data. Empty when there is nothing to decode.
QString decodeRegisterValues(const QByteArray &data);

// Index of the first key the display text begins with (an empty key matches anything),
// or -1.
int findReplyIndex(const QString &displayText, const QStringList &keys);

#endif // RECEPTION_H
