// Bytes as the console shows them: hex pairs, named control characters; UTF-8 checks.
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
        QCOMPARE(TH::hexTextToBytes("ab cd EF"), hexBytes("abcdef"));
        QCOMPARE(TH::hexTextToBytes("abc"), hexBytes("ab"));
        QCOMPARE(TH::hexTextToBytes("1 2"), hexBytes("0f"));
        QCOMPARE(TH::hexTextToBytes("G0"), hexBytes("f0"));
        QCOMPARE(TH::hexTextToBytes("0G"), hexBytes("ff"));
        QCOMPARE(TH::hexTextToBytes(wide + "1"), hexBytes("f1"));
        QByteArray all(256, '\0');
        std::iota(all.begin(), all.end(), char(0));
        QCOMPARE(TH::bytesToHexText(all), QString(all.toHex(' ').toUpper()));
        QCOMPARE(TH::hexTextToBytes(TH::bytesToHexText(all)), all);
        QCOMPARE(TH::bytesToHexText({}), QString());
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
        QTest::newRow("two at the end") << "\\SO" << QByteArray("\x0e");
        QTest::newRow("two, then not H") << "\\SOX" << QByteArray("\x0eX");
        QTest::newRow("bad hex") << "\\xZZ" << QByteArray(1, '\0');
        QTest::newRow("short hex") << "\\x4" << QByteArray("\x04");
        QTest::newRow("capital X") << "\\X41" << QByteArray("\\X41");
        QTest::newRow("lower-case name") << "\\nul" << QByteArray("\\nul");
        QTest::newRow("backslash at the end") << "ab\\" << QByteArray("ab\\");
        QTest::newRow("two backslashes") << "\\\\" << QByteArray("\\");
        QTest::newRow("no such third letter") << "\\DC5" << QByteArray("5");
        QTest::newRow("cut name") << "\\DC" << QByteArray();
        QTest::newRow("cut after one letter") << "\\N" << QByteArray();
        QTest::newRow("no such second letter") << "\\Nothing" << QByteArray("othing");
        QTest::newRow("beyond Latin-1") << wide << QByteArray("?");
        QTest::newRow("Latin-1") << QString(QChar(0xE9)) << QByteArray("\xe9");
        QTest::newRow("beyond Latin-1 in a name") << "\\N" + wide + "x" << QByteArray("?x");
    }

    void namedTextBack()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(TH::namedTextToBytes(text), bytes);
    }

    void namedTextRoundTrip()
    {
        QRandomGenerator rng(20261206);
        static const char pool[] = {0x0E, 'H',  '\\', ' ',
                                    0x7F, 0x00, 0x0D}; // the interesting bytes
        for (int round = 0; round < 5000; ++round) {
            QByteArray data(int(rng.bounded(48)), '\0');
            for (char &c : data) {
                c = rng.bounded(3) == 0 ? pool[rng.bounded(int(sizeof pool))]
                                        : char(rng.bounded(256));
            }
            // SO followed by 'H' reads back as SOH.
            const QByteArray expected = QByteArray(data).replace(QByteArray("\x0eH", 2), "\x01");
            QCOMPARE(TH::namedTextToBytes(TH::bytesToNamedText(data)), expected);
        }
    }

    void delays()
    {
        QTimer timer; // a zero timer fires on any pass of the event loop
        QSignalSpy ticks(&timer, &QTimer::timeout);
        timer.start(0);
        TH::delayMs(0);
        QCOMPARE(ticks.size(), 0); // a delay of nothing processes no events
        timer.start(20);           // ticks all through the delay: events keep flowing
        QElapsedTimer clock;
        clock.start();
        TH::delayMs(250);
        QVERIFY(clock.elapsed() >= 250);
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(ticks.size() >= 3);
    }

    void utf8_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("cutTail"); // bytes at the end that begin a cut character
        QTest::newRow("ASCII") << QByteArray("AT+CSQ") << true << 0;
        QTest::newRow("three bytes each") << QByteArray("温度") << true << 0;
        QTest::newRow("lowest continuation") << QByteArray("一") << true << 0;
        QTest::newRow("highest continuation") << QByteArray("¿") << true << 0;
        QTest::newRow("cut after one") << QByteArray("t=\xe6") << false << 1;
        QTest::newRow("cut after two") << QByteArray("\xe6\xb8") << false << 2;
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
};

QTEST_GUILESS_MAIN(TestCodecs)
#include "tst_codecs.moc"
