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

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

class TestConsoleLogic : public QObject
{
    Q_OBJECT
private slots:
    void requestRows()
    {
        const struct { const char *address, *function, *reg, *value, *result; } rows[] = {
            {"1", "3", "0", "1", "01 03 00 00 00 01 84 0A "},
            {" 247 ", "4", "65535", "125", "F7 04 FF FF 00 7D "},
            {"0", "6", "1", "-5", "00 06 00 01 FF FB "},        // broadcast, two's complement
            {"17", "6", "1", "65535", "11 06 00 01 FF FF "},
            {"17", "6", "1", "-32768", "11 06 00 01 80 00 "},
            {"0", "3", "0", "1", "pid: 通讯地址应为 1-247 的整数, 现为 \"0\""}, // a read cannot broadcast
            {"300", "6", "0", "1", "pid: 通讯地址应为 0-247 (0 为广播) 的整数, 现为 \"300\""},
            {"abc", "3", "0", "1", "pid"}, {"", "3", "0", "1", "pid"}, {"1.5", "3", "0", "1", "pid"},
            {"1", "3", "70000", "1", "addr: 内存地址应为 0-65535 的整数, 现为 \"70000\""}, {"1", "3", "-1", "1", "addr"},
            {"1", "3", "0", "126", "value: 读取数量应为 1-125 的整数, 现为 \"126\""}, {"1", "4", "0", "0", "value"},
            {"1", "6", "0", "65536", "value: 写入值应为 0-65535 或 -32768 到 -1 的整数, 现为 \"65536\""},
            {"1", "6", "0", "-32769", "value"}, {"1", "5", "0", "1", "fid"}};
        for (const auto &r : rows) {
            const RequestRow row = checkRequestRow(r.address, r.function, r.reg, r.value);
            const QString got = row.frame.isEmpty() ? row.field + ": " + row.error : requestText(row.frame);
            QVERIFY2(got.startsWith(QString::fromUtf8(r.result)) && row.frame.size() % 8 == 0, qPrintable(got));
            QVERIFY(row.frame.isEmpty() ? !row.error.isEmpty() : row.error.isEmpty() && row.field.isEmpty());
        }
        QCOMPARE(findReplyIndex("99", {"01 03", ""}), 1); // an empty key matches anything
        QCOMPARE(findReplyIndex("99", {"01 03"}), -1);
        QCOMPARE(findReplyIndex("01 0A 00", {"01 0b", " 01  0a ", "01 0A"}, true), 1); // any case and spacing
        QCOMPARE(findReplyIndex("01 0A 00", {"01 0a"}, false), -1);                   // as text, as written
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
        const QDateTime when(QDate(2024, 3, 5), QTime(8, 9, 10));
        const QString path = logFilePath(dir.path(), when);
        QVERIFY(writeLogFile(path, "first\n串口\n", false));
        QVERIFY(writeLogFile(path, "third\n", true)); // the same second: one line per line
        QCOMPARE(readFile(path), QByteArray("first\n串口\nthird\n"));
        QFile::remove(path);
        QVERIFY(writeLogFile(path, "again\n", true)); // gone meanwhile: made anew
        QCOMPARE(readFile(path), QByteArray("again\n"));

        // Another program's file of that second is left alone: ours is "-2", appended to within
        // the second, as the other appends to its own; a third program's goes on to "-3".
        QString error;
        const QString own = saveLogText(dir.path(), when, "mine\n", QString(), &error);
        QCOMPARE(own, dir.filePath("2024-03-05-08-09-10-2.txt"));
        QCOMPARE(saveLogText(dir.path(), when, "more\n", own, &error), own);
        QCOMPARE(saveLogText(dir.path(), when, "theirs\n", path, &error), path);
        const QString third = saveLogText(dir.path(), when, "new\n", QString(), &error);
        QCOMPARE(third, logFilePath(dir.path(), when, 3));
        QCOMPARE(readFile(path) + readFile(own), QByteArray("again\ntheirs\nmine\nmore\n"));

        // No new file where the name is taken, nothing written through a link or into a FIFO.
        QVERIFY(writeFile(dir.filePath("outside"), "keep") && QFile::link(dir.filePath("outside"), dir.filePath("link.txt")));
        QVERIFY(!writeLogFile(dir.filePath("link.txt"), "text", false) && !writeLogFile(dir.filePath("link.txt"), "text", true));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo.txt")).constData(), 0600), 0);
        QVERIFY(!writeLogFile(dir.filePath("fifo.txt"), "text", true));
        QVERIFY(saveLogText(dir.filePath("outside"), when, "x\n", {}, &error).isEmpty() && !error.isEmpty());

        // A full disk (here a file size limit) leaves no empty file and no half-written tail.
        const QString big(2000, QLatin1Char('x'));
        bool refused = false;
        {
            const FileSizeLimit limit(1000);
            refused = limit.set && !writeLogFile(dir.filePath("full.txt"), big, false)
                      && !writeLogFile(path, big, true);
        }
        QVERIFY(refused && !QFile::exists(dir.filePath("full.txt")));
        QCOMPARE(readFile(path), QByteArray("again\ntheirs\n"));
    }

    void portNames()
    {
        QCOMPARE(portNameChoices({"ttyUSB0", "ttyACM0"}, "/dev/pts/3").mid(34), (QStringList{"ttyACM0", "/dev/pts/3"}));
        QCOMPARE(portNameChoices({}, "COM3").size(), 34);
        QCOMPARE(updatedPortChoices({"ttyACM0"}, {"", "typed", "ttyACM0"}).mid(34), (QStringList{"ttyACM0", "typed"}));

        QVERIFY(portIsPresent("ttyACM7", {"ttyACM7"}) && !portIsPresent("", {})); // listed; an empty name is not "/dev/"
        // Only terminals are offered: a link to /dev/null or the pty multiplexer is none.
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0);
        QVERIFY(isSerialDevice(QString::fromLocal8Bit(::ptsname(master))));
        ::close(master);
        for (const QString &path : {QCoreApplication::applicationFilePath(), QString("/dev/null"), QString("/dev/ptmx")}) {
            QVERIFY2(!isSerialDevice(path), qPrintable(path));
        }
        const struct { QString name, problem; } names[] = {
            {" ", "请选择或输入串口"}, {"/dev/" + QString(4096, 'x'), "串口名过长"}, {"/tmp", "不是串口设备"},
            {"/dev/" + QString(256, 'x'), "串口名过长"}, {"/dev/" + QString(255, 'x'), ""}, // the longest name
            {"ttyNoSuchPort", ""}, {"/dev/null", ""}};
        for (const auto &n : names) {
            QCOMPARE(portNameProblem(n.name), n.problem);
        }

        QVERIFY(openFailureText(QSerialPort::PermissionError, "x", true).contains("dialout")); // busy: tst_console_serial
        QCOMPARE(openFailureText(QSerialPort::UnsupportedOperationError, "No ioctl", false), QString("No ioctl"));
    }
};

QTEST_GUILESS_MAIN(TestConsoleLogic)
#include "tst_consolelogic.moc"
