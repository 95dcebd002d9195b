// The plain functions behind the console form: replies to pick, ranges, log files, ports.
#include "logformat.h"
#include "portnames.h"
#include "rangecalc.h"
#include "reception.h"
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
    void replyToPick()
    {
        QCOMPARE(findReplyIndex("99", {"01 03", ""}), 1); // an empty key matches anything
        QCOMPARE(findReplyIndex("99", {"01 03"}), -1);
        QCOMPARE(findReplyIndex("01 0A 00", {"01 0b", " 01  0a ", "01 0A"}, true), 1); // as hex
        QCOMPARE(findReplyIndex("01 0A 00", {"01 0a"}, false), -1); // as text, as written
        QCOMPARE(findReplyIndex("OK", {"ok"}, true), -1); // no hex pairs: as written, even so
    }

    void ranges_data()
    {
        QTest::addColumn<QStringList>("inputs"); // sensor low and high, signal low and high
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QStringList>("lines");
        const auto row = [](const char *name, const QStringList &inputs, const char *type,
                            int decimals, const QStringList &lines) {
            QTest::newRow(name) << inputs << type << decimals << lines;
        };
        row("0-20mA", {"-40", "120", "4", "20"}, "0-20mA", 0,
            {"实际量程: -80 ~ 120", "仪表量程: -80 ~ 120"});
        row("decimals", {"0", "1.6", "4", "20"}, "4-20mA", 3,
            {"实际量程: 0 ~ 1.6", "仪表量程: 0 ~ 1600"});
        row("empty lows", {"", "100", "", "10"}, "0-5V", 0,
            {"实际量程: 0 ~ 50", "仪表量程: 0 ~ 50"});
        row("large", {"0", "1e7", "0", "10"}, "0-10V", 0,
            {"实际量程: 0 ~ 1e+07", "仪表量程: 0 ~ 10000000"});
        row("no -0", {"-0.125", "1", "4", "20"}, "4-20mA", 0,
            {"实际量程: -0.125 ~ 1", "仪表量程: 0 ~ 1"});
        row("equal points", {"0", "100", "4", "4"}, "4-20mA", 1, {"信号输入的两个点不能相同"});
        row("too large", {"-3e38", "3e38", "4", "4.000001"}, "0-10V", 3,
            {"计算结果超出数值范围, 请检查输入"}); // never "nan ~ nan"
    }

    void ranges()
    {
        QFETCH(QStringList, inputs);
        QFETCH(QString, type);
        QFETCH(int, decimals);
        QFETCH(QStringList, lines);
        const RangeResult got =
            computeRange(inputs[0], inputs[1], inputs[2], inputs[3], type, decimals);
        QCOMPARE(got.lines(), lines);
    }

    void logFiles()
    {
        QTemporaryDir dir;
        const QDateTime when(QDate(2024, 3, 5), QTime(8, 9, 10));
        const QString path = logFilePath(dir.path(), when);
        QCOMPARE(path, dir.filePath("2024-03-05-08-09-10.txt"));
        QVERIFY(writeLogFile(path, "first\n串口\n", false));
        QVERIFY(writeLogFile(path, "third\n", true));
        QCOMPARE(readFile(path), QByteArray("first\n串口\nthird\n"));
        QVERIFY(QFile::remove(path));
        QVERIFY(writeLogFile(path, "again\n", true)); // gone meanwhile: made anew
        QCOMPARE(readFile(path), QByteArray("again\n"));

        // Another program's file of that second is left alone: ours is "-2", appended to within
        // the second, as the other appends to its own; a third program's goes on to "-3".
        QString error;
        const QString own = saveLogText(dir.path(), when, "mine\n", QString(), &error);
        QCOMPARE(own, dir.filePath("2024-03-05-08-09-10-2.txt"));
        QCOMPARE(saveLogText(dir.path(), when, "more\n", own, &error), own);
        QCOMPARE(saveLogText(dir.path(), when, "theirs\n", path, &error), path);
        QCOMPARE(saveLogText(dir.path(), when, "new\n", QString(), &error),
                 dir.filePath("2024-03-05-08-09-10-3.txt"));
        QCOMPARE(readFile(path), QByteArray("again\ntheirs\n"));
        QCOMPARE(readFile(own), QByteArray("mine\nmore\n"));
        QCOMPARE(saveLogText(dir.filePath("outside"), when, "x\n", {}, &error), QString());
        QVERIFY(!error.isEmpty());
    }

    void logFilesAreNoLinksOrFifos()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("outside"), "keep"));
        QVERIFY(QFile::link(dir.filePath("outside"), dir.filePath("link.txt")));
        QVERIFY(!writeLogFile(dir.filePath("link.txt"), "text", false)); // the name is taken
        QVERIFY(!writeLogFile(dir.filePath("link.txt"), "text", true));
        QCOMPARE(readFile(dir.filePath("outside")), QByteArray("keep"));
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo.txt")).constData(), 0600), 0);
        QVERIFY(!writeLogFile(dir.filePath("fifo.txt"), "text", true));
    }

    void fullDiskLeavesLogFilesWhole()
    {
        // A file size limit: no empty file, no half-written tail.
        QTemporaryDir dir;
        const QString old = dir.filePath("old.txt"), fresh = dir.filePath("new.txt");
        QVERIFY(writeFile(old, "kept\n"));
        const QString big(2000, QLatin1Char('x'));
        const FileSizeLimit limit(1000);
        QVERIFY(limit.set);
        QVERIFY(!writeLogFile(fresh, big, false));
        QVERIFY(!writeLogFile(old, big, true));
        QVERIFY(!QFile::exists(fresh));
        QCOMPARE(readFile(old), QByteArray("kept\n"));
    }

    void portChoices()
    {
        const QStringList present{"ttyUSB0", "ttyACM0"};
        QCOMPARE(portNameChoices(present, "/dev/pts/3").mid(34),
                 QStringList({"ttyACM0", "/dev/pts/3"}));
        QCOMPARE(portNameChoices({}, "COM3").size(), 34); // a fixed name
        QCOMPARE(updatedPortChoices({"ttyACM0"}, {"", "typed", "ttyACM0"}).mid(34),
                 QStringList({"ttyACM0", "typed"}));
        QVERIFY(portIsPresent("ttyACM7", {"ttyACM7"}));
        QVERIFY(!portIsPresent("", {})); // not "/dev/"
    }

    void onlyTerminalsAreSerialDevices()
    {
        const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0);
        QCOMPARE(::grantpt(master), 0);
        QCOMPARE(::unlockpt(master), 0);
        const QString terminal = QString::fromLocal8Bit(::ptsname(master));
        QVERIFY(isSerialDevice(terminal));
        ::close(master);
        QVERIFY(!isSerialDevice(QCoreApplication::applicationFilePath()));
        QVERIFY(!isSerialDevice("/dev/null"));
        QVERIFY(!isSerialDevice("/dev/ptmx")); // the pty multiplexer
    }

    void portNameProblems()
    {
        QCOMPARE(portNameProblem(" "), QString("请选择或输入串口"));
        QCOMPARE(portNameProblem("/dev/" + QString(255, 'x')), QString()); // the longest name
        QCOMPARE(portNameProblem("/dev/" + QString(256, 'x')), QString("串口名过长"));
        QCOMPARE(portNameProblem("/tmp"), QString("不是串口设备"));
        QCOMPARE(portNameProblem("ttyNoSuchPort"), QString());
        QCOMPARE(portNameProblem("/dev/null"), QString());
    }

    void openFailures()
    {
        // Busy: tst_console_serial.
        QVERIFY(openFailureText(QSerialPort::PermissionError, "x", true).contains("dialout"));
        QCOMPARE(openFailureText(QSerialPort::UnsupportedOperationError, "No ioctl", false),
                 QString("No ioctl"));
    }
};

QTEST_GUILESS_MAIN(TestConsoleLogic)
#include "tst_consolelogic.moc"
