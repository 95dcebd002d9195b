#ifndef QT5INI_H
#define QT5INI_H

#include <QByteArray>
#include <QString>

// Qt 5's INI writer (no INI codec set) writes every character of a value from U+007F up as a
// \x escape of its UTF-16 unit, and the hex digits right after such an escape as escapes too;
// Qt 6's writes those characters as UTF-8. These turn a file written by Qt 6 into the bytes Qt 5
// writes for the same settings, so that both builds leave the same file.
QByteArray withQt5IniEscapes(const QByteArray &ini);

#endif // QT5INI_H
