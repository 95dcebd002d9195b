#ifndef UTF8_H
#define UTF8_H

#include <QByteArray>

// Whether the bytes are well-formed UTF-8 (shortest forms, no surrogates, up to U+10FFFF).
bool isValidUtf8(const QByteArray &data);

// How many bytes at the end of `data` begin a UTF-8 character that is not complete yet
// (0 to 3): bytes that may still be followed by the rest of the character.
int incompleteUtf8Tail(const QByteArray &data);

#endif // UTF8_H
