// The plain functions behind the console form: request frames, values, ranges, log files, ports.
#include "logformat.h"
#include "portnames.h"
#include "rangecalc.h"
#include "reception.h"
#include "requestframe.h"
#include "testsupport.h"

#include <QSerialPort>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

class TestConsoleLogic : public QObject
{
    Q_OBJECT
private slots:
    void requestFrames()
    {
        const struct { const char *address, *function, *reg, *value, *text; } rows[] = {
            {"17", "6", "1", "3", "11 06 00 01 00 03 "}, {"300", "3", "70000", "1", "2C 03 00 00 00 01 "}, // low 8 bits
            {"x", "6", "", "-5", "00 06 00 00 00 00 "}}; // 0 for what does not parse or is out of range
        for (const auto &r : rows) { // the CRC: tst_console_serial sends and compares whole frames
            const QByteArray frame = buildRequestFrame(r.address, r.function, r.reg, r.value);
            QVERIFY2(requestText(frame).startsWith(QLatin1String(r.text)) && frame.size() == 8, qPrintable(requestText(frame)));
        }
    }

    void registerValues()
    {
        const struct { QByteArray data; QString values; } rows[] = {
            {hexBytes("0103 04 FFFF000A 0000"), "-1 10 "}, {hexBytes("0103 06 0001"), "1 "}, // byte count beyond the data
            {hexBytes("0103 03 0001 02"), "1 "}, // an odd byte count
            {hexBytes("0103FF") + QByteArray(300, '\x01'), QString("257 ").repeated(127)}}; // the count is unsigned
        for (const auto &r : rows) {
            QCOMPARE(decodeRegisterValues(r.data), r.values);
        }
        QCOMPARE(findReplyIndex("99", {"01 03", ""}), 1); // an empty key matches anything
        QCOMPARE(findReplyIndex("99", {"01 03"}), -1);
        QCOMPARE(showControls(QString("a\x1b" "b\u202Ec\u0085\t~\x7f")), QString("a\\ESCb\\xe2\\x80\\xaec\\xc2\\x85\t~\\x7F"));
    }

    void ranges()
    {
        const struct { QStringList inputs; const char *type; int decimals; QStringList lines; } rows[] = { // sensor, signal
            {{"-40", "120", "4", "20"}, "0-20mA", 0, {"实际量程: -80 ~ 120", "仪表量程: -80 ~ 120"}},
            {{"0", "1.6", "4", "20"}, "4-20mA", 3, {"实际量程: 0 ~ 1.6", "仪表量程: 0 ~ 1600"}},
            {{"", "100", "", "10"}, "0-5V", 0, {"实际量程: 0 ~ 50", "仪表量程: 0 ~ 50"}},
            {{"0", "1e7", "0", "10"}, "0-10V", 0, {"实际量程: 0 ~ 1e+07", "仪表量程: 0 ~ 10000000"}},
            {{"-0.125", "1", "4", "20"}, "4-20mA", 0, {"实际量程: -0.125 ~ 1", "仪表量程: 0 ~ 1"}}, // no "-0"
            {{"0", "100", "4", "4"}, "4-20mA", 1, {"信号输入的两个点不能相同"}},
            {{"-3e38", "3e38", "4", "4.000001"}, "0-10V", 3, {"计算结果超出数值范围, 请检查输入"}}}; // never "nan ~ nan"
        for (const auto &r : rows) {
            QCOMPARE(computeRange(r.inputs[0], r.inputs[1], r.inputs[2], r.inputs[3], r.type, r.decimals).lines(), r.lines);
        }
    }

    void logFiles()
    {
        QTemporaryDir dir;
        const QString path = logFilePath(dir.path(), QDateTime(QDate(2024, 3, 5), QTime(8, 9, 10)));
        QVERIFY(writeLogFile(path, "first\n串口", false));
        QVERIFY(writeLogFile(path, "third", true)); // the same second: appended after a line break
        QCOMPARE(readFile(path), QByteArray("first\n串口\nthird"));
        QFile::remove(path);
        QVERIFY(writeLogFile(path, "again", true)); // gone meanwhile: made anew, with no line break
        QCOMPARE(readFile(path), QByteArray("again"));

        // No new file where the name is taken, nothing written through a link or into a FIFO.
        QVERIFY(writeFile(dir.filePath("outside"), "keep") && QFile::link(dir.filePath("outside"), dir.filePath("link.txt")));
        QVERIFY(!writeLogFile(dir.filePath("link.txt"), "text", false) && !writeLogFile(dir.filePath("link.txt"), "text", true));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo.txt")).constData(), 0600), 0);
        QVERIFY(!writeLogFile(dir.filePath("fifo.txt"), "text", true));

        // A full disk (here a file size limit) leaves no empty file and no half-written tail.
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        const rlimit small{1000, old.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        const QString big(2000, QLatin1Char('x'));
        const bool refused = !writeLogFile(dir.filePath("full.txt"), big, false) && !writeLogFile(path, big, true);
        ::setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(refused && !QFile::exists(dir.filePath("full.txt")));
        QCOMPARE(readFile(path), QByteArray("again"));
    }

    void portNames()
    {
        QCOMPARE(portNameChoices({"ttyUSB0", "ttyACM0"}, "/dev/pts/3").mid(34), (QStringList{"ttyACM0", "/dev/pts/3"}));
        QCOMPARE(portNameChoices({}, "COM3").size(), 34);
        QCOMPARE(updatedPortChoices({"ttyACM0"}, {"", "typed", "ttyACM0"}).mid(34), (QStringList{"ttyACM0", "typed"}));

        QVERIFY(portIsPresent("ttyACM7", {"ttyACM7"}) && !portIsPresent("", {})); // listed; an empty name is not "/dev/"
        QVERIFY(!isSerialDevice(QCoreApplication::applicationFilePath()) && isSerialDevice("/dev/null"));

        QVERIFY(openFailureText(QSerialPort::PermissionError, "x", true).contains("dialout")); // busy: tst_console_serial
        QCOMPARE(openFailureText(QSerialPort::UnsupportedOperationError, "No ioctl", false), QString("No ioctl"));
    }
};

QTEST_GUILESS_MAIN(TestConsoleLogic)
#include "tst_consolelogic.moc"
