// Integers to and from bytes, sums and CRCs.
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
    void integers_data()
    {
        // Bytes, and the int and the short they begin with, big- and little-endian.
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("be");
        QTest::addColumn<int>("le");
        QTest::addColumn<int>("beShort");
        QTest::addColumn<int>("leShort");
        QTest::newRow("negative") << hexBytes("fffffffe") << -2 << -16777217 << -1 << -1;
        QTest::newRow("mixed") << hexBytes("7fff0001") << 0x7fff0001 << 0x0100ff7f << 32767 << -129;
        QTest::newRow("a fifth byte") << hexBytes("00000001ff") << 1 << 0x01000000 << 0 << 0;
        QTest::newRow("high bits")
            << hexBytes("fefff0f0") << int(0xfefff0f0) << int(0xf0f0fffe) << -257 << -2;
    }

    void integers()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, be);
        QFETCH(int, le);
        QFETCH(int, beShort);
        QFETCH(int, leShort);
        QCOMPARE(TH::bytesBEToInt(bytes), be);
        QCOMPARE(TH::bytesLEToInt(bytes), le);
        QCOMPARE(TH::bytesBEToShort(bytes), beShort);
        QCOMPARE(TH::bytesLEToShort(bytes), leShort);
        QCOMPARE(TH::intToBytesBE(be), bytes.left(4));
        QCOMPARE(TH::intToBytesLE(le), bytes.left(4));
        QCOMPARE(TH::shortToBytesBE(beShort), bytes.left(2));
        QCOMPARE(TH::shortToBytesLE(leShort), bytes.left(2));
    }

    void shortsKeepTheLowBytes()
    {
        QCOMPARE(TH::shortToBytesBE(0x12345), hexBytes("2345"));
        QCOMPARE(TH::shortToBytesLE(0x12345), hexBytes("4523"));
    }

    void checkValues()
    {
        const QByteArray check("123456789");
        const auto *raw = reinterpret_cast<const quint8 *>(check.constData());
        QCOMPARE(TH::crc16ModbusBytes(check), hexBytes("374b"));        // 0x4B37, low byte first
        QCOMPARE(modbusCrc(hexBytes("010300000001")), quint16(0x840A)); // high byte first
        QCOMPARE(crc32(check), 0xCBF43926u);
        QCOMPARE(qtChecksum(check), quint16(0x906E)); // CRC-16/X.25
        // CRC-16/XMODEM (poly 0x1021, MSB first, start 0) through the forward form.
        quint16 table[256];
        for (int i = 0; i < 256; ++i) {
            table[i] = quint16(i << 8);
            for (int bit = 0; bit < 8; ++bit) {
                table[i] = quint16((table[i] << 1) ^ ((table[i] & 0x8000) ? 0x1021 : 0));
            }
        }
        QCOMPARE(TH::crc16Forward(raw, check.size(), 0, table), quint16(0x31C3));
    }

    void emptyData()
    {
        QCOMPARE(modbusCrc(QByteArray()), quint16(0xFFFF));
        QCOMPARE(crc32(QByteArray()), 0u);
        QCOMPARE(TH::crc16Reflected(nullptr, -3, 0x1234, crc16ModbusTable), quint16(0x1234));
        QCOMPARE(TH::byteSum({}), quint8(0));
        QCOMPARE(TH::xorSum({}), quint8(0));
    }

    void sums()
    {
        QCOMPARE(TH::byteSum(QByteArray(300, '\x01')), quint8(0x2C)); // the low byte only
        QCOMPARE(TH::xorSum(hexBytes("01020380")), quint8(0x80));
    }

    void buffers()
    {
        char buf[8] = {};
        ByteUtil::setByte(buf, 0, 0x1FF);
        ByteUtil::setShortBE(buf, 1, 0x8000);
        ByteUtil::setIntBE(buf, 3, -2);
        QCOMPARE(QByteArray(buf, 8), hexBytes("ff8000fffffffe00"));
        QCOMPARE(ByteUtil::getByte(buf, 0), 255);
        QCOMPARE(ByteUtil::getShortBE(buf, 1), -32768);
        QCOMPARE(ByteUtil::getIntBE(buf, 3), -2);
        QCOMPARE(QByteArray(ByteUtil::shortToBuffer(0xABCD), 2), hexBytes("abcd"));
        QCOMPARE(QByteArray(ByteUtil::intToBuffer(0x01020304), 4), hexBytes("01020304"));
    }

    void texts()
    {
        // Two digits below ten, the low byte only.
        QCOMPARE(TH::byteToDecimalText(9), QString("09"));
        QCOMPARE(TH::byteToDecimalText(10), QString("10"));
        QCOMPARE(TH::byteToDecimalText(263), QString("07"));
        QCOMPARE(TH::xorText("aB", 0x20), QString("Ab"));
        QCOMPARE(TH::xorText("XAY", 0x141), QString(QChar(0x19))); // up to the first zero byte
    }
};

QTEST_GUILESS_MAIN(TestPacking)
#include "tst_packing.moc"
