#include "tavihelper.h"
#include "utf8.h"
#include "testsupport.h"

#include <QtTest>

using TH = TaviHelper;

class TestCodecs : public QObject
{
    Q_OBJECT
    const QString wide = QChar(0x4E2D); // a character beyond Latin-1
private slots:
    void hexText()
    {
        const struct { QString text; const char *bytes; } cases[] = {
            // Spaces between pairs skipped, an odd tail dropped; a bad digit (a space inside a pair too) counts as -1.
            {"01    02 ", "0102"}, {"ab cd EF", "abcdef"}, {"abc", "ab"}, {"1 2", "0f"}, {"  ", ""}, {"", ""}, {"G0", "f0"}, {"0G", "ff"}, {"GG", "ef"}, {wide + "1", "f1"},
        };
        for (const auto &c : cases) {
            QCOMPARE(TH::hexTextToBytes(c.text), hexBytes(c.bytes));
        }
        QByteArray all(256, '\0');
        std::iota(all.begin(), all.end(), char(0)); // every byte, out and back
        QCOMPARE(TH::bytesToHexText(all), QString(all.toHex(' ').toUpper()));
        QVERIFY(TH::hexTextToBytes(TH::bytesToHexText(all)) == all && TH::bytesToHexText({}).isEmpty());
        // Eight binary digits of the low byte; hex text padded to two digits only.
        QCOMPARE(QStringList({TH::hexTextToBinaryText("1FF"), TH::hexTextToBinaryText("5"), TH::intToHexText(10), TH::intToHexText(4096)}), QStringList({"11111111", "00000101", "0a", "1000"}));
    }
    void namedText()
    {
        const struct { QByteArray bytes; QString text; } cases[] = {
            {hexBytes("41205c807f"), "A\\x20\\x5C\\x80\\x7F"}, {hexBytes("abff"), "\\xab\\xff"}, {"Hello~!", "Hello~!"},
            {hexBytes("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f"),
             "\\NUL\\SOH\\STX\\ETX\\EOT\\ENQ\\ACK\\BEL\\BS\\HT\\LF\\VT\\FF\\CR\\SO\\SI"
             "\\DLE\\DC1\\DC2\\DC3\\DC4\\NAK\\SYN\\ETB\\CAN\\EM\\SUB\\ESC\\FS\\GS\\RS\\US"},
        };
        for (const auto &c : cases) {
            QCOMPARE(TH::bytesToNamedText(c.bytes), c.text);
        }
        // Back: SO not followed by H; bad or short hex escapes; unknown escapes kept; a broken name dropped.
        const struct { QString text; QByteArray bytes; } back[] = {
            {"\\SOH", "\x01"}, {"\\SO", "\x0e"}, {"\\SOX", "\x0eX"}, {"\\xZZ", QByteArray(1, 0)}, {"\\x4", "\x04"}, {"\\X41", "\\X41"},
            {"\\nul", "\\nul"}, {"ab\\", "ab\\"}, {"\\\\", "\\"}, {"\\DC5", "5"}, {"\\DC", ""}, {"\\N", ""}, {"\\Nothing", "othing"}, {wide, "?"}, {QChar(0xE9), "\xe9"}, {"\\N" + wide + "x", "?x"},
        };
        for (const auto &c : back) {
            QCOMPARE(TH::namedTextToBytes(c.text), c.bytes);
        }
        QRandomGenerator rng(20261206);
        static const char pool[] = {0x0E, 'H', '\\', ' ', 0x7F, 0x00, 0x0D}; // the interesting bytes
        for (int round = 0; round < 5000; ++round) {
            QByteArray data(int(rng.bounded(48)), '\0');
            std::generate(data.begin(), data.end(), [&] { return rng.bounded(3) == 0 ? pool[rng.bounded(int(sizeof pool))] : char(rng.bounded(256)); });
            const QByteArray expected = QByteArray(data).replace(QByteArray("\x0eH", 2), "\x01"); // SO then 'H' reads back as SOH
            QCOMPARE(TH::namedTextToBytes(TH::bytesToNamedText(data)), expected);
        }
    }
    void delays()
    {
        QTimer timer; // a zero timer fires on any pass of the event loop
        QSignalSpy ticks(&timer, &QTimer::timeout);
        timer.start(0);
        TH::delayMs(0);
        QVERIFY2(ticks.isEmpty(), "a delay of nothing processes no events");
        timer.start(20); // ticks all through the delay: events keep flowing
        QElapsedTimer t;
        t.start();
        TH::delayMs(250);
        QVERIFY2(t.elapsed() >= 250 && t.elapsed() < 5000 && ticks.size() >= 3, qPrintable(QString("%1 ms, %2 ticks").arg(t.elapsed()).arg(ticks.size())));
    }
    void utf8()
    {
        // Bytes, whether they are valid UTF-8 (not stray, overlong, surrogate, above U+10FFFF, bad lead, GBK), and how many bytes at the end start a cut character.
        const struct { QByteArray bytes; bool valid; int cutTail; } cases[] = {
            {"AT+CSQ", true, 0}, {"温度", true, 0}, {"一", true, 0}, {"¿", true, 0}, // continuation bytes at their lowest and highest {"t=\xe6", false, 1}, {"\xe6\xb8", false, 2}, {"\xf0\x9f\x98", false, 3},
            {"a\x80", false, 0}, {"\xc0\xaf", false, 0}, {"\xed\xa0\x80", false, 0}, {"\xf4\x90\x80\x80", false, 0}, {"ab\xff", false, 0}, {"\xc4\xe3\xba\xc3", false, 1},
        };
        for (const auto &c : cases) {
            QCOMPARE(isValidUtf8(c.bytes), c.valid);
            QCOMPARE(incompleteUtf8Tail(c.bytes), c.cutTail);
        }
    }
};

QTEST_GUILESS_MAIN(TestCodecs)
#include "tst_codecs.moc"
