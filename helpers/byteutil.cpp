#include "byteutil.h"

namespace {
char shortBuffer[2];
char intBuffer[4];
} // namespace

ByteUtil::ByteUtil(QObject *parent) : QObject(parent)
{
}

void ByteUtil::setByte(char *buffer, int index, int value)
{
    buffer[index] = static_cast<char>(value & 0xFF);
}

void ByteUtil::setShortBE(char *buffer, int index, int value)
{
    buffer[index] = static_cast<char>((value >> 8) & 0xFF);
    buffer[index + 1] = static_cast<char>(value & 0xFF);
}

void ByteUtil::setIntBE(char *buffer, int index, int value)
{
    const quint32 v = static_cast<quint32>(value);
    buffer[index] = static_cast<char>(v >> 24);
    buffer[index + 1] = static_cast<char>(v >> 16);
    buffer[index + 2] = static_cast<char>(v >> 8);
    buffer[index + 3] = static_cast<char>(v);
}

int ByteUtil::getByte(const char *buffer, int index)
{
    return static_cast<quint8>(buffer[index]);
}

int ByteUtil::getShortBE(const char *buffer, int index)
{
    return static_cast<qint16>((getByte(buffer, index) << 8) | getByte(buffer, index + 1));
}

int ByteUtil::getIntBE(const char *buffer, int index)
{
    const quint32 v =
        (quint32(getByte(buffer, index)) << 24) | (quint32(getByte(buffer, index + 1)) << 16)
        | (quint32(getByte(buffer, index + 2)) << 8) | quint32(getByte(buffer, index + 3));
    return static_cast<int>(v);
}

char *ByteUtil::shortToBuffer(int value)
{
    setShortBE(shortBuffer, 0, value);
    return shortBuffer;
}

char *ByteUtil::intToBuffer(int value)
{
    setIntBE(intBuffer, 0, value);
    return intBuffer;
}
