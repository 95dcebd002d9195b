#include "byteutil.h"
#include "checksums.h"
#include "tavihelper.h"
#include "testsupport.h"

#include <QtTest>

class TestPacking : public QObject
{
    Q_OBJECT
private slots:
    void integersToBytes();
    void bytesToIntegers_data();
    void bytesToIntegers();
    void sums();
    void crcCheckValues();
    void crcEmptyInput();
    void crc16GenericForms();
    void requestFrameCrc();
    void byteUtilBuffer();
    void sharedBuffers();
    void decimalAndXorText();
};

void TestPacking::integersToBytes()
{
    QCOMPARE(TaviHelper::intToBytesBE(0x12345678), hexBytes("12345678"));
    QCOMPARE(TaviHelper::intToBytesLE(0x12345678), hexBytes("78563412"));
    QCOMPARE(TaviHelper::intToBytesBE(-2), hexBytes("fffffffe"));
    QCOMPARE(TaviHelper::shortToBytesBE(0x12345), hexBytes("2345"));
    QCOMPARE(TaviHelper::shortToBytesLE(0x12345), hexBytes("4523"));
    QCOMPARE(TaviHelper::shortToBytesBE(-1), hexBytes("ffff"));
}

void TestPacking::bytesToIntegers_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("beInt");
    QTest::addColumn<int>("leInt");
    QTest::addColumn<int>("beShort");
    QTest::addColumn<int>("leShort");
    QTest::newRow("minus two") << hexBytes("fffffffe") << -2 << -16777217 << -1 << -1;
    QTest::newRow("positive") << hexBytes("7fff0001") << 0x7fff0001 << 0x0100ff7f << 32767 << -129;
    QTest::newRow("extra bytes ignored") << hexBytes("00000001ff") << 1 << 0x01000000 << 0 << 0;
    QTest::newRow("short FE FF") << hexBytes("fefff0f0") << int(0xfefff0f0) << int(0xf0f0fffe) << -257 << -2;
}

void TestPacking::bytesToIntegers()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, beInt);
    QFETCH(int, leInt);
    QFETCH(int, beShort);
    QFETCH(int, leShort);
    QCOMPARE(TaviHelper::bytesBEToInt(bytes), beInt);
    QCOMPARE(TaviHelper::bytesLEToInt(bytes), leInt);
    QCOMPARE(TaviHelper::bytesBEToShort(bytes), beShort);
    QCOMPARE(TaviHelper::bytesLEToShort(bytes), leShort);
}

void TestPacking::sums()
{
    QCOMPARE(TaviHelper::byteSum(QByteArray(300, '\x01')), quint8(0x2C));
    QCOMPARE(TaviHelper::xorSum(hexBytes("010203")), quint8(0));
    QCOMPARE(TaviHelper::xorSum(hexBytes("f0")), quint8(0xf0));
    QCOMPARE(TaviHelper::xorSum(QByteArray()), quint8(0));
    QCOMPARE(TaviHelper::byteSum(QByteArray()), quint8(0));
}

void TestPacking::crcCheckValues()
{
    const QByteArray check("123456789");
    QCOMPARE(TaviHelper::crc16Modbus(reinterpret_cast<const quint8 *>(check.constData()), check.size()), quint16(0x4B37));
    QCOMPARE(TaviHelper::crc16ModbusBytes(check), hexBytes("374b"));
    QCOMPARE(crc32(check), quint32(0xCBF43926));
    // qChecksum is the X.25 CRC-16, whose check value is 0x906E.
    QCOMPARE(qtChecksum(check), quint16(0x906E));
}

void TestPacking::crcEmptyInput()
{
    QCOMPARE(TaviHelper::crc16Modbus(nullptr, 0), quint16(0xFFFF));
    QCOMPARE(modbusCrc(QByteArray()), quint16(0xFFFF));
    QCOMPARE(crc32(QByteArray()), quint32(0));
    const quint8 one = 1;
    QCOMPARE(TaviHelper::crc16Reflected(&one, -3, 0x1234, crc16ModbusTable), quint16(0x1234));
    QCOMPARE(TaviHelper::crc16Forward(&one, 0, 0x4321, crc16ModbusTable), quint16(0x4321));
}

void TestPacking::crc16GenericForms()
{
    // CRC-16/XMODEM (poly 0x1021, MSB first, start 0) through the forward form.
    quint16 table[256];
    for (int i = 0; i < 256; ++i) {
        quint16 crc = quint16(i << 8);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 0x8000) ? quint16((crc << 1) ^ 0x1021) : quint16(crc << 1);
        }
        table[i] = crc;
    }
    const QByteArray check("123456789");
    QCOMPARE(TaviHelper::crc16Forward(reinterpret_cast<const quint8 *>(check.constData()), check.size(), 0, table),
             quint16(0x31C3));
    // The first table entries of the Modbus table are the well-known ones.
    QCOMPARE(crc16ModbusTable[1], quint16(0xC0C1));
    QCOMPARE(crc16ModbusTable[255], quint16(0x4040));
}

void TestPacking::requestFrameCrc()
{
    QByteArray frame(8, '\0');
    ByteUtil::setByte(frame.data(), 0, 1);
    ByteUtil::setByte(frame.data(), 1, 3);
    ByteUtil::setShortBE(frame.data(), 2, 0);
    ByteUtil::setShortBE(frame.data(), 4, 1);
    const quint16 crc = modbusCrc(frame.left(6));
    QCOMPARE(crc, quint16(0x840A));
    ByteUtil::setShortBE(frame.data(), 6, crc);
    QCOMPARE(frame, hexBytes("010300000001840a"));
    QCOMPARE(modbusCrc(hexBytes("000400000001")), quint16(0x301B));
}

void TestPacking::byteUtilBuffer()
{
    char buf[8] = {};
    ByteUtil::setByte(buf, 0, 0x1FF);
    QCOMPARE(ByteUtil::getByte(buf, 0), 255);
    ByteUtil::setShortBE(buf, 1, 0x8000);
    QCOMPARE(ByteUtil::getShortBE(buf, 1), -32768);
    ByteUtil::setIntBE(buf, 3, -2);
    QCOMPARE(QByteArray(buf + 3, 4), hexBytes("fffffffe"));
    QCOMPARE(ByteUtil::getIntBE(buf, 3), -2);
    ByteUtil::setShortBE(buf, 0, 0x7FFF);
    QCOMPARE(ByteUtil::getShortBE(buf, 0), 32767);
}

void TestPacking::sharedBuffers()
{
    char *first = ByteUtil::shortToBuffer(0x1234);
    QCOMPARE(QByteArray(first, 2), hexBytes("1234"));
    char *second = ByteUtil::shortToBuffer(0xABCD);
    QCOMPARE(static_cast<void *>(first), static_cast<void *>(second)); // the same shared buffer
    QCOMPARE(QByteArray(first, 2), hexBytes("abcd"));
    QCOMPARE(QByteArray(ByteUtil::intToBuffer(0x01020304), 4), hexBytes("01020304"));
}

void TestPacking::decimalAndXorText()
{
    QCOMPARE(TaviHelper::byteToDecimalText(7), QString("07"));
    QCOMPARE(TaviHelper::byteToDecimalText(42), QString("42"));
    QCOMPARE(TaviHelper::byteToDecimalText(255), QString("255"));
    QCOMPARE(TaviHelper::byteToDecimalText(263), QString("07"));
    QCOMPARE(TaviHelper::xorText("aB", 0x20), QString("Ab"));
    QCOMPARE(TaviHelper::xorText("XAY", 0x41), QString(QChar(0x19)));
    QCOMPARE(TaviHelper::xorText("", 0x41), QString());
}

QTEST_GUILESS_MAIN(TestPacking)
#include "tst_packing.moc"
