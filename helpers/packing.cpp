// Integers to and from bytes in both byte orders, simple sums and CRC-16.
#include "checksums.h"
#include "tavihelper.h"

namespace {
inline quint8 byteAt(const QByteArray &data, int i)
{
    return static_cast<quint8>(data.at(i));
}
} // namespace

QByteArray TaviHelper::intToBytesBE(int value)
{
    const quint32 v = static_cast<quint32>(value);
    QByteArray out(4, '\0');
    out[0] = static_cast<char>(v >> 24);
    out[1] = static_cast<char>(v >> 16);
    out[2] = static_cast<char>(v >> 8);
    out[3] = static_cast<char>(v);
    return out;
}

QByteArray TaviHelper::intToBytesLE(int value)
{
    const quint32 v = static_cast<quint32>(value);
    QByteArray out(4, '\0');
    out[0] = static_cast<char>(v);
    out[1] = static_cast<char>(v >> 8);
    out[2] = static_cast<char>(v >> 16);
    out[3] = static_cast<char>(v >> 24);
    return out;
}

int TaviHelper::bytesBEToInt(const QByteArray &data)
{
    const quint32 v = (quint32(byteAt(data, 0)) << 24) | (quint32(byteAt(data, 1)) << 16)
                      | (quint32(byteAt(data, 2)) << 8) | quint32(byteAt(data, 3));
    return static_cast<int>(v);
}

int TaviHelper::bytesLEToInt(const QByteArray &data)
{
    const quint32 v = (quint32(byteAt(data, 3)) << 24) | (quint32(byteAt(data, 2)) << 16)
                      | (quint32(byteAt(data, 1)) << 8) | quint32(byteAt(data, 0));
    return static_cast<int>(v);
}

QByteArray TaviHelper::shortToBytesBE(int value)
{
    QByteArray out(2, '\0');
    out[0] = static_cast<char>((value >> 8) & 0xFF);
    out[1] = static_cast<char>(value & 0xFF);
    return out;
}

QByteArray TaviHelper::shortToBytesLE(int value)
{
    QByteArray out(2, '\0');
    out[0] = static_cast<char>(value & 0xFF);
    out[1] = static_cast<char>((value >> 8) & 0xFF);
    return out;
}

int TaviHelper::bytesBEToShort(const QByteArray &data)
{
    return static_cast<qint16>((byteAt(data, 0) << 8) | byteAt(data, 1));
}

int TaviHelper::bytesLEToShort(const QByteArray &data)
{
    return static_cast<qint16>((byteAt(data, 1) << 8) | byteAt(data, 0));
}

quint8 TaviHelper::xorSum(const QByteArray &data)
{
    quint8 sum = 0;
    for (char c : data) {
        sum ^= static_cast<quint8>(c);
    }
    return sum;
}

quint8 TaviHelper::byteSum(const QByteArray &data)
{
    quint8 sum = 0;
    for (char c : data) {
        sum = static_cast<quint8>(sum + static_cast<quint8>(c));
    }
    return sum;
}

quint16 TaviHelper::crc16Forward(const quint8 *data, int length, quint16 start,
                                 const quint16 *table)
{
    quint16 crc = start;
    for (int i = 0; i < length; ++i) {
        crc = static_cast<quint16>((crc << 8) ^ table[((crc >> 8) ^ data[i]) & 0xFF]);
    }
    return crc;
}

quint16 TaviHelper::crc16Reflected(const quint8 *data, int length, quint16 start,
                                   const quint16 *table)
{
    quint16 crc = start;
    for (int i = 0; i < length; ++i) {
        crc = static_cast<quint16>((crc >> 8) ^ table[(crc ^ data[i]) & 0xFF]);
    }
    return crc;
}

quint16 TaviHelper::crc16Modbus(const quint8 *data, int length)
{
    return crc16Reflected(data, length, 0xFFFF, crc16ModbusTable);
}

QByteArray TaviHelper::crc16ModbusBytes(const QByteArray &data)
{
    return shortToBytesLE(
        crc16Modbus(reinterpret_cast<const quint8 *>(data.constData()), data.size()));
}

QString TaviHelper::byteToDecimalText(int value)
{
    const int low = value & 0xFF;
    return low < 10 ? QStringLiteral("0%1").arg(low) : QString::number(low);
}

QString TaviHelper::xorText(const QString &text, int key)
{
    QByteArray bytes = text.toLatin1();
    const char k = static_cast<char>(key & 0xFF);
    for (char &c : bytes) {
        c = static_cast<char>(c ^ k);
    }
    // Read back as Latin-1 up to the first zero byte.
    return QString::fromLatin1(
        bytes.constData(),
        static_cast<int>(qstrnlen(bytes.constData(), static_cast<uint>(bytes.size()))));
}
