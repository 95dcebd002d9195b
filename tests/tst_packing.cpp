#include "byteutil.h"
#include "checksums.h"
#include "tavihelper.h"
#include "testsupport.h"

#include <QtTest>

using TH = TaviHelper;

class TestPacking : public QObject
{
    Q_OBJECT
private slots:
    void integersBothWays()
    {
        // Bytes, then the int and the short they hold big- and little-endian, and back.
        const struct { const char *hex; int be, le, beShort, leShort; } cases[] = {
            {"fffffffe", -2, -16777217, -1, -1}, {"7fff0001", 0x7fff0001, 0x0100ff7f, 32767, -129},
            {"00000001ff", 1, 0x01000000, 0, 0}, {"fefff0f0", int(0xfefff0f0), int(0xf0f0fffe), -257, -2},
        };
        for (const auto &c : cases) {
            const QByteArray bytes = hexBytes(c.hex);
            QCOMPARE(QVector<int>({TH::bytesBEToInt(bytes), TH::bytesLEToInt(bytes), TH::bytesBEToShort(bytes), TH::bytesLEToShort(bytes)}),
                     QVector<int>({c.be, c.le, c.beShort, c.leShort}));
            QCOMPARE(TH::intToBytesBE(c.be) + TH::intToBytesLE(c.le) + TH::shortToBytesBE(c.beShort) + TH::shortToBytesLE(c.leShort),
                     bytes.left(4).repeated(2) + bytes.left(2).repeated(2));
        }
        QCOMPARE(TH::shortToBytesBE(0x12345) + TH::shortToBytesLE(0x12345), hexBytes("23454523"));
    }
    void sumsAndCrcCheckValues()
    {
        const QByteArray check("123456789");
        const auto *raw = reinterpret_cast<const quint8 *>(check.constData());
        QCOMPARE(TH::crc16ModbusBytes(check), hexBytes("374b")); // CRC-16/MODBUS 0x4B37, low byte first
        QCOMPARE(modbusCrc(hexBytes("010300000001")), quint16(0x840A)); // high byte first, as sent
        QVERIFY(crc32(check) == 0xCBF43926 && qtChecksum(check) == 0x906E); // CRC-32, CRC-16/X.25
        // CRC-16/XMODEM (poly 0x1021, MSB first, start 0) through the forward form.
        quint16 table[256];
        for (int i = 0; i < 256; ++i) {
            table[i] = quint16(i << 8);
            for (int bit = 0; bit < 8; ++bit)
                table[i] = quint16((table[i] << 1) ^ ((table[i] & 0x8000) ? 0x1021 : 0));
        }
        QCOMPARE(TH::crc16Forward(raw, check.size(), 0, table), quint16(0x31C3));
        QVERIFY(modbusCrc(QByteArray()) == 0xFFFF && crc32(QByteArray()) == 0 && TH::crc16Reflected(raw, -3, 0x1234, crc16ModbusTable) == 0x1234); // start values
        // The byte sum keeps the low byte only (300 -> 0x2C).
        QVERIFY(TH::byteSum(QByteArray(300, '\x01')) == 0x2C && TH::xorSum(hexBytes("01020380")) == 0x80 && TH::byteSum({}) + TH::xorSum({}) == 0);
    }
    void buffersAndTexts()
    {
        char buf[8] = {};
        ByteUtil::setByte(buf, 0, 0x1FF);
        ByteUtil::setShortBE(buf, 1, 0x8000);
        ByteUtil::setIntBE(buf, 3, -2);
        QCOMPARE(QByteArray(buf, 8), hexBytes("ff8000fffffffe00"));
        QCOMPARE(QVector<int>({ByteUtil::getByte(buf, 0), ByteUtil::getShortBE(buf, 1), ByteUtil::getIntBE(buf, 3)}), QVector<int>({255, -32768, -2}));
        QCOMPARE(QByteArray(ByteUtil::shortToBuffer(0xABCD), 2) + QByteArray(ByteUtil::intToBuffer(0x01020304), 4), hexBytes("abcd01020304"));
        // Two digits below ten, the low byte only; xorText stops at the first zero byte.
        QCOMPARE(TH::byteToDecimalText(9) + TH::byteToDecimalText(10) + TH::byteToDecimalText(255) + TH::byteToDecimalText(263), QString("0910255" "07"));
        QCOMPARE(TH::xorText("aB", 0x20) + TH::xorText("XAY", 0x141), QString("Ab") + QChar(0x19));
    }
};

QTEST_GUILESS_MAIN(TestPacking)
#include "tst_packing.moc"
