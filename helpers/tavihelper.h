#ifndef TAVIHELPER_H
#define TAVIHELPER_H

#include <QByteArray>
#include <QString>
#include <QStringList>

class QWidget;

// Static helper functions shared by the console and the kit.
class TaviHelper
{
public:
    // Start-up
    static QString appDir();
    static QString appBaseName();
    static void setUtf8Codec();
    static void installTranslation(const QString &fileName);
    static void seedRandom();
    static void centerOnDesktop(QWidget *widget);

    // Hex and named-text codecs
    static QByteArray hexTextToBytes(const QString &text);
    static QString bytesToHexText(const QByteArray &data);
    static QByteArray namedTextToBytes(const QString &text);
    static QString bytesToNamedText(const QByteArray &data);
    static int hexDigitValue(char c);
    static void delayMs(int msec);

    static int hexTextToInt(const QString &text);
    static int decimalTextToInt(const QString &text);
    static int binaryTextToInt(const QString &text);
    static QString hexTextToBinaryText(const QString &text);
    static QString intToBinaryText8(int value);
    static QString intToBinaryText16(int value);
    static QString intToHexText(int value);

    // Integer packing and checksums
    static QByteArray intToBytesBE(int value);
    static QByteArray intToBytesLE(int value);
    static int bytesBEToInt(const QByteArray &data);
    static int bytesLEToInt(const QByteArray &data);
    static QByteArray shortToBytesBE(int value);
    static QByteArray shortToBytesLE(int value);
    static int bytesBEToShort(const QByteArray &data);
    static int bytesLEToShort(const QByteArray &data);

    static quint8 xorSum(const QByteArray &data);
    static quint8 byteSum(const QByteArray &data);
    static quint16 crc16Forward(const quint8 *data, int length, quint16 start, const quint16 *table);
    static quint16 crc16Reflected(const quint8 *data, int length, quint16 start, const quint16 *table);
    static quint16 crc16Modbus(const quint8 *data, int length);
    static QByteArray crc16ModbusBytes(const QByteArray &data);
    static QString byteToDecimalText(int value);
    static QString xorText(const QString &text, int key);
};

#endif // TAVIHELPER_H
