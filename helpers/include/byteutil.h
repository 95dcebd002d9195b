#ifndef BYTEUTIL_H
#define BYTEUTIL_H

#include <QObject>

// Integers read from and written to a raw byte buffer at an index. No bounds checks:
// the caller keeps index plus width inside the buffer.
class ByteUtil : public QObject
{
    Q_OBJECT
public:
    explicit ByteUtil(QObject *parent = nullptr);

    static void setByte(char *buffer, int index, int value);
    static void setShortBE(char *buffer, int index, int value);
    static void setIntBE(char *buffer, int index, int value);
    static int getByte(const char *buffer, int index);
    static int getShortBE(const char *buffer, int index);
    static int getIntBE(const char *buffer, int index);
    // These two return a process-wide buffer that the next call overwrites.
    static char *shortToBuffer(int value);
    static char *intToBuffer(int value);
};

#endif // BYTEUTIL_H
