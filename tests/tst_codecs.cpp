#include "tavihelper.h"
#include "utf8.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTimer>
#include <QtTest>

class TestCodecs : public QObject
{
    Q_OBJECT
private slots:
    void hexToBytes_data();
    void hexToBytes();
    void bytesToHex_data();
    void bytesToHex();
    void bytesToNamed_data();
    void bytesToNamed();
    void namedToBytes_data();
    void namedToBytes();
    void namedRoundTrip();
    void hexRoundTrip();
    void digitValues();
    void numberHelpers();
    void utf8_data();
    void utf8();
    void delayZeroReturnsAtOnce();
    void delayKeepsEventsFlowing();
};

void TestCodecs::hexToBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("spaced") << "01 03 00 00" << hexBytes("01030000");
    QTest::newRow("packed") << "01030000" << hexBytes("01030000");
    QTest::newRow("odd tail dropped") << "abc" << hexBytes("ab");
    QTest::newRow("space inside a pair") << "1 2" << hexBytes("0f");
    QTest::newRow("only spaces") << "  " << QByteArray();
    QTest::newRow("empty") << "" << QByteArray();
    QTest::newRow("bad high digit") << "G0" << hexBytes("f0");
    QTest::newRow("bad low digit") << "0G" << hexBytes("ff");
    QTest::newRow("both bad") << "GG" << hexBytes("ef");
    QTest::newRow("0x prefix is not special") << "0x41" << hexBytes("ff41");
    QTest::newRow("lower case") << "ab cd EF" << hexBytes("abcdef");
    QTest::newRow("tab takes part in a pair") << "\t1" << hexBytes("f1");
    QTest::newRow("wide character counts as NUL") << QString(QChar(0x4E2D)) + "1" << hexBytes("f1");
    QTest::newRow("many spaces between") << "01    02 " << hexBytes("0102");
}

void TestCodecs::hexToBytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(TaviHelper::hexTextToBytes(text), bytes);
}

void TestCodecs::bytesToHex_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("three") << hexBytes("01ab0d") << "01 AB 0D";
    QTest::newRow("zero") << hexBytes("00") << "00";
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("frame") << hexBytes("010300000001840a") << "01 03 00 00 00 01 84 0A";
}

void TestCodecs::bytesToHex()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(TaviHelper::bytesToHexText(bytes), text);
}

void TestCodecs::bytesToNamed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("mixed") << hexBytes("410d0a205cff") << "A\\CR\\LF\\x20\\x5C\\xff";
    QTest::newRow("delete") << hexBytes("7f") << "\\x7F";
    QTest::newRow("all names") << hexBytes("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f")
                               << "\\NUL\\SOH\\STX\\ETX\\EOT\\ENQ\\ACK\\BEL\\BS\\HT\\LF\\VT\\FF\\CR\\SO\\SI"
                                  "\\DLE\\DC1\\DC2\\DC3\\DC4\\NAK\\SYN\\ETB\\CAN\\EM\\SUB\\ESC\\FS\\GS\\RS\\US";
    QTest::newRow("high bytes lower-case") << hexBytes("80abc3") << "\\x80\\xab\\xc3";
    QTest::newRow("printable") << QByteArray("Hello~!") << "Hello~!";
    QTest::newRow("empty") << QByteArray() << "";
}

void TestCodecs::bytesToNamed()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(TaviHelper::bytesToNamedText(bytes), text);
}

void TestCodecs::namedToBytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("names") << "A\\CR\\LF" << hexBytes("410d0a");
    QTest::newRow("hex escapes") << "\\x41\\x5c" << hexBytes("415c");
    QTest::newRow("bad hex escape") << "\\xZZ" << hexBytes("00");
    QTest::newRow("hex escape at end") << "\\x" << hexBytes("00");
    QTest::newRow("one hex digit at end") << "\\x4" << hexBytes("04");
    QTest::newRow("upper X is no escape") << "\\X41" << QByteArray("\\X41");
    QTest::newRow("DC3") << "\\DC3" << hexBytes("13");
    QTest::newRow("DC5 keeps the 5") << "\\DC5" << QByteArray("5");
    QTest::newRow("DC at end") << "\\DC" << QByteArray();
    QTest::newRow("mismatch at second letter") << "\\Nothing" << QByteArray("othing");
    QTest::newRow("SO then X") << "\\SOX" << QByteArray("\x0eX", 2);
    QTest::newRow("SOH") << "\\SOH" << hexBytes("01");
    QTest::newRow("SO at end") << "\\SO" << hexBytes("0e");
    QTest::newRow("SO then escape") << "\\SO\\CR" << hexBytes("0e0d");
    QTest::newRow("unknown escape") << "\\z" << QByteArray("\\z");
    QTest::newRow("double backslash") << "\\\\" << QByteArray("\\");
    QTest::newRow("trailing backslash") << "ab\\" << QByteArray("ab\\");
    QTest::newRow("names are upper-case only") << "\\nul" << QByteArray("\\nul");
    QTest::newRow("ESC and EM") << "\\ESC\\EM" << hexBytes("1b19");
    QTest::newRow("ETX and ETB") << "\\ETX\\ETB" << hexBytes("0317");
    QTest::newRow("wide char becomes ?") << QString(QChar(0x4E2D)) << QByteArray("?");
    QTest::newRow("latin-1 char") << QString(QChar(0xE9)) << hexBytes("e9");
    QTest::newRow("letter alone at end") << "\\N" << QByteArray();
    QTest::newRow("mismatch on wide char") << QString("\\N") + QChar(0x4E2D) + "x" << QByteArray("?x");
    QTest::newRow("empty") << "" << QByteArray();
}

void TestCodecs::namedToBytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(TaviHelper::namedTextToBytes(text), bytes);
}

void TestCodecs::namedRoundTrip()
{
    QRandomGenerator rng(20261206);
    for (int round = 0; round < 5000; ++round) {
        const int length = static_cast<int>(rng.bounded(48));
        QByteArray data(length, '\0');
        for (int i = 0; i < length; ++i) {
            // Favour the interesting bytes: control codes, SO, 'H', backslash, space, high bytes.
            static const char pool[] = {0x0E, 'H', '\\', ' ', 0x7F, 0x00, 0x0D};
            data[i] = rng.bounded(3) == 0 ? pool[rng.bounded(int(sizeof pool))] : char(rng.bounded(256));
        }
        QByteArray expected = data;
        expected.replace(QByteArray("\x0eH", 2), QByteArray("\x01", 1));
        const QByteArray back = TaviHelper::namedTextToBytes(TaviHelper::bytesToNamedText(data));
        if (back != expected) {
            QFAIL(qPrintable(QString("round trip of %1 gave %2").arg(QString(data.toHex()), QString(back.toHex()))));
        }
    }
}

void TestCodecs::hexRoundTrip()
{
    QByteArray all;
    for (int i = 0; i < 256; ++i) {
        all.append(char(i));
    }
    QCOMPARE(TaviHelper::hexTextToBytes(TaviHelper::bytesToHexText(all)), all);
    QCOMPARE(TaviHelper::bytesToHexText(all), QString(all.toHex(' ').toUpper()));
}

void TestCodecs::digitValues()
{
    QCOMPARE(TaviHelper::hexDigitValue('0'), 0);
    QCOMPARE(TaviHelper::hexDigitValue('9'), 9);
    QCOMPARE(TaviHelper::hexDigitValue('a'), 10);
    QCOMPARE(TaviHelper::hexDigitValue('F'), 15);
    QCOMPARE(TaviHelper::hexDigitValue('g'), -1);
    QCOMPARE(TaviHelper::hexDigitValue(' '), -1);
    QCOMPARE(TaviHelper::hexDigitValue(char(0xC1)), -1);
}

void TestCodecs::numberHelpers()
{
    QCOMPARE(TaviHelper::hexTextToInt(" ff "), 255);
    QCOMPARE(TaviHelper::hexTextToInt("zz"), 0);
    QCOMPARE(TaviHelper::decimalTextToInt("42"), 42);
    QCOMPARE(TaviHelper::decimalTextToInt("4x"), 0);
    QCOMPARE(TaviHelper::binaryTextToInt("101"), 5);
    QCOMPARE(TaviHelper::binaryTextToInt("102"), 0);
    QCOMPARE(TaviHelper::hexTextToBinaryText("1FF"), QString("11111111"));
    QCOMPARE(TaviHelper::hexTextToBinaryText("5"), QString("00000101"));
    QCOMPARE(TaviHelper::intToBinaryText8(5), QString("00000101"));
    QCOMPARE(TaviHelper::intToBinaryText8(0x1FF), QString("111111111"));
    QCOMPARE(TaviHelper::intToBinaryText16(5), QString("0000000000000101"));
    QCOMPARE(TaviHelper::intToHexText(10), QString("0a"));
    QCOMPARE(TaviHelper::intToHexText(255), QString("ff"));
    QCOMPARE(TaviHelper::intToHexText(4096), QString("1000"));
}

void TestCodecs::delayZeroReturnsAtOnce()
{
    bool fired = false;
    QTimer::singleShot(0, this, [&] { fired = true; });
    QElapsedTimer t;
    t.start();
    TaviHelper::delayMs(0);
    TaviHelper::delayMs(-5);
    QVERIFY(t.elapsed() < 50);
    QVERIFY2(!fired, "a zero delay must not process events");
    QCoreApplication::processEvents();
    QVERIFY(fired);
}

void TestCodecs::delayKeepsEventsFlowing()
{
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
    timer.start(20);
    QElapsedTimer t;
    t.start();
    TaviHelper::delayMs(250);
    const qint64 waited = t.elapsed();
    QVERIFY2(waited >= 250, qPrintable(QString::number(waited)));
    QVERIFY2(waited < 2000, qPrintable(QString::number(waited)));
    QVERIFY2(ticks >= 5, qPrintable(QString("only %1 timer ticks during the wait").arg(ticks)));
}

void TestCodecs::utf8_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("cutTail"); // bytes at the end that start a character still to come
    QTest::newRow("ascii") << QByteArray("AT+CSQ") << true << 0;
    QTest::newRow("whole") << QByteArray("温度") << true << 0;
    QTest::newRow("cut after 1 of 3") << QByteArray("t=\xe6") << false << 1;
    QTest::newRow("cut after 2 of 3") << QByteArray("\xe6\xb8") << false << 2;
    QTest::newRow("cut after 3 of 4") << QByteArray("\xf0\x9f\x98") << false << 3;
    QTest::newRow("stray continuation") << QByteArray("a\x80") << false << 0;
    QTest::newRow("overlong") << QByteArray("\xc0\xaf") << false << 0;
    QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << false << 0;
    QTest::newRow("beyond U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << false << 0;
    QTest::newRow("GBK, its last byte could start a character") << QByteArray("\xc4\xe3\xba\xc3") << false << 1;
    QTest::newRow("bad lead at the end") << QByteArray("ab\xff") << false << 0;
    QTest::newRow("NUL is text") << QByteArray("a\0b", 3) << true << 0;
}

void TestCodecs::utf8()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, valid);
    QFETCH(int, cutTail);
    QCOMPARE(isValidUtf8(bytes), valid);
    QCOMPARE(incompleteUtf8Tail(bytes), cutTail);
}

QTEST_GUILESS_MAIN(TestCodecs)
#include "tst_codecs.moc"
