// Bytes as the console shows them: hex pairs, named control characters; UTF-8 checks;
// integers to and from bytes, sums and CRCs.
#include "byteutil.h"
#include "checksums.h"
#include "tavihelper.h"
#include "testsupport.h"
#include "utf8.h"

#include <QtTest>

using TH = TaviHelper;

namespace {
const QString wide = QChar(0x4E2D); // a character beyond Latin-1
}

class TestCodecs : public QObject
{
    Q_OBJECT
private slots:
    void hexText()
    {
        // Spaces between pairs are skipped, an odd tail dropped; a bad digit counts as -1.
        QCOMPARE(TH::hexTextToBytes("01    02 "), hexBytes("0102"));
        QCOMPARE(TH::hexTextToBytes("abc"), hexBytes("ab"));
        QCOMPARE(TH::hexTextToBytes("1 2"), hexBytes("0f"));
        QCOMPARE(TH::hexTextToBytes(wide + "1"), hexBytes("f1"));
        QByteArray all(256, '\0');
        std::iota(all.begin(), all.end(), char(0));
        QCOMPARE(TH::bytesToHexText(all), QString(all.toHex(' ').toUpper()));
        QCOMPARE(TH::hexTextToBytes(TH::bytesToHexText(all)), all);
        // Eight binary digits of the low byte; hex text padded to two digits only.
        QCOMPARE(TH::hexTextToBinaryText("1FF"), QString("11111111"));
        QCOMPARE(TH::hexTextToBinaryText("5"), QString("00000101"));
        QCOMPARE(TH::intToHexText(10), QString("0a"));
        QCOMPARE(TH::intToHexText(4096), QString("1000"));
    }

    void namedText()
    {
        QCOMPARE(TH::bytesToNamedText("Hello~!"), QString("Hello~!"));
        QCOMPARE(TH::bytesToNamedText(hexBytes("41205c807f")), QString("A\\x20\\x5C\\x80\\x7F"));
        QCOMPARE(TH::bytesToNamedText(hexBytes("abff")), QString("\\xab\\xff"));
        QCOMPARE(
            TH::bytesToNamedText(hexBytes("000102030405060708090a0b0c0d0e0f"
                                          "101112131415161718191a1b1c1d1e1f")),
            QString("\\NUL\\SOH\\STX\\ETX\\EOT\\ENQ\\ACK\\BEL\\BS\\HT\\LF\\VT\\FF\\CR\\SO\\SI"
                    "\\DLE\\DC1\\DC2\\DC3\\DC4\\NAK\\SYN\\ETB\\CAN\\EM\\SUB\\ESC\\FS\\GS\\RS\\US"));
    }

    void namedTextBack_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("three letters") << "\\SOH" << QByteArray("\x01");
        QTest::newRow("two, then not H") << "\\SOX" << QByteArray("\x0eX");
        QTest::newRow("bad hex") << "\\xZZ" << QByteArray(1, '\0');
        QTest::newRow("short hex") << "\\x4" << QByteArray("\x04");
        QTest::newRow("lower-case name") << "\\nul" << QByteArray("\\nul");
        QTest::newRow("backslash at the end") << "ab\\" << QByteArray("ab\\");
        QTest::newRow("two backslashes") << "\\\\" << QByteArray("\\");
        QTest::newRow("no such third letter") << "\\DC5" << QByteArray("5");
        QTest::newRow("cut name") << "\\DC" << QByteArray();
        QTest::newRow("no such second letter") << "\\Nothing" << QByteArray("othing");
        QTest::newRow("beyond Latin-1") << wide << QByteArray("?");
        QTest::newRow("highest Latin-1") << QString(QChar(0xFF)) << QByteArray("\xff");
        QTest::newRow("beyond Latin-1 in a name") << "\\N" + wide + "x" << QByteArray("?x");
    }

    void namedTextBack()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(TH::namedTextToBytes(text), bytes);
    }

    void utf8_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("cutTail"); // bytes at the end that begin a cut character
        QTest::newRow("highest continuation") << QByteArray("¿") << true << 0;
        QTest::newRow("cut after one") << QByteArray("t=\xe6") << false << 1;
        QTest::newRow("cut after three") << QByteArray("\xf0\x9f\x98") << false << 3;
        QTest::newRow("stray continuation") << QByteArray("a\x80") << false << 0;
        QTest::newRow("overlong") << QByteArray("\xc0\xaf") << false << 0;
        QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << false << 0;
        QTest::newRow("above U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << false << 0;
        // The narrower ranges bind the second byte only.
        QTest::newRow("highest two-byte") << QByteArray("\xdf\xbf") << true << 0;
        QTest::newRow("lowest four-byte") << QByteArray("\xf0\x90\x80\x80") << true << 0;
        QTest::newRow("overlong three-byte") << QByteArray("\xe0\x9f\xbf") << false << 0;
        QTest::newRow("third byte not bound") << QByteArray("\xe0\xa0\x80") << true << 0;
        QTest::newRow("bad lead") << QByteArray("ab\xff") << false << 0;
        QTest::newRow("GBK") << QByteArray("\xc4\xe3\xba\xc3") << false << 1;
    }

    void utf8()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, valid);
        QFETCH(int, cutTail);
        QCOMPARE(isValidUtf8(bytes), valid);
        QCOMPARE(incompleteUtf8Tail(bytes), cutTail);
    }

    void integers()
    {
        // The int and the short the bytes begin with, big- and little-endian, and back.
        const QByteArray bytes = hexBytes("fefff0f0");
        QCOMPARE(TH::bytesBEToInt(bytes), int(0xfefff0f0));
        QCOMPARE(TH::bytesLEToInt(bytes), int(0xf0f0fffe));
        QCOMPARE(TH::bytesBEToShort(bytes), -257);
        QCOMPARE(TH::bytesLEToShort(bytes), -2);
        QCOMPARE(TH::intToBytesBE(int(0xfefff0f0)) + TH::intToBytesLE(int(0xf0f0fffe)),
                 bytes + bytes);
        QCOMPARE(TH::shortToBytesBE(-257) + TH::shortToBytesLE(-2), hexBytes("feff feff"));
        QCOMPARE(TH::shortToBytesBE(0x12345) + TH::shortToBytesLE(0x12345), hexBytes("23454523"));
    }

    void checksAndSums()
    {
        const QByteArray check("123456789");
        QCOMPARE(TH::crc16ModbusBytes(check), hexBytes("374b"));        // 0x4B37, low byte first
        QCOMPARE(modbusCrc(hexBytes("010300000001")), quint16(0x840A)); // high byte first
        QCOMPARE(crc32(check), 0xCBF43926u);
        QCOMPARE(qtChecksum(check), quint16(0x906E)); // CRC-16/X.25
        QCOMPARE(TH::crc16Reflected(nullptr, -3, 0x1234, crc16ModbusTable), quint16(0x1234));
        QCOMPARE(TH::byteSum(QByteArray(300, '\x01')), quint8(0x2C)); // the low byte only
        QCOMPARE(TH::xorSum(hexBytes("01020380")), quint8(0x80));
    }

    void buffersAndTexts()
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
        // Two digits below ten, the low byte only.
        QCOMPARE(TH::byteToDecimalText(263), QString("07"));
        QCOMPARE(TH::xorText("XAY", 0x141), QString(QChar(0x19))); // up to the first zero byte
    }
};

QTEST_GUILESS_MAIN(TestCodecs)
#include "tst_codecs.moc"
