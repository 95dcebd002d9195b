#include "appsettings.h"
#include "logformat.h"
#include "portnames.h"
#include "rangecalc.h"
#include "reception.h"
#include "requestframe.h"
#include "tavihelper.h"
#include "testsupport.h"

#include <QSerialPort>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

class TestConsoleLogic : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void requestFrames_data();
    void requestFrames();
    void registerValues_data();
    void registerValues();
    void receptionTexts();
    void replyMatching();
    void ranges_data();
    void ranges();
    void equalSignalPointsAreRefused();
    void logLines();
    void logColours();
    void logFileAppendsWithinTheSameSecond();
    void logFileInUnwritablePlace();
    void portChoices();
    void portPresence();
    void openFailures();
};

void TestConsoleLogic::initTestCase()
{
    TaviHelper::setUtf8Codec();
}

void TestConsoleLogic::requestFrames_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("reg");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("read one holding register") << "1" << "3" << "0" << "1" << "01 03 00 00 00 01 84 0A ";
    QTest::newRow("form defaults") << "0" << "4" << "0" << "1" << "00 04 00 00 00 01 30 1B ";
    QTest::newRow("address keeps low 8 bits") << "300" << "3" << "0" << "1"
                                              << TaviHelper::bytesToHexText(TaviHelper::hexTextToBytes("2C0300000001")) + " ";
    QTest::newRow("register out of range is 0") << "1" << "3" << "70000" << "1" << "01 03 00 00 00 01 84 0A ";
    QTest::newRow("not a number is 0") << "x" << "6" << "" << "-5" << "00 06 00 00 00 00 ";
    QTest::newRow("write single register") << "17" << "6" << "1" << "3" << "11 06 00 01 00 03 ";
}

void TestConsoleLogic::requestFrames()
{
    QFETCH(QString, address);
    QFETCH(QString, function);
    QFETCH(QString, reg);
    QFETCH(QString, value);
    QFETCH(QString, text);
    const QByteArray frame = buildRequestFrame(address, function, reg, value);
    QCOMPARE(frame.size(), 8);
    const QString got = requestText(frame);
    QCOMPARE(got.size(), 24);
    QVERIFY2(got.startsWith(text.left(18)), qPrintable(got));
    if (text.size() == 24) {
        QCOMPARE(got, text);
    }
    // The CRC over the whole frame of a correct Modbus frame is zero.
    QCOMPARE(TaviHelper::crc16Modbus(reinterpret_cast<const quint8 *>(frame.constData()), 8), quint16(0));
}

void TestConsoleLogic::registerValues_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("values");
    QTest::newRow("one register") << hexBytes("0103 02 007B F867") << "123 ";
    QTest::newRow("negative and positive") << hexBytes("0103 04 FFFF000A 0000") << "-1 10 ";
    QTest::newRow("count larger than data") << hexBytes("0103 06 0001") << "1 ";
    QTest::newRow("two bytes only") << hexBytes("0103") << "";
    QTest::newRow("count below two") << hexBytes("0103 01 FF") << "";
    QTest::newRow("odd count") << hexBytes("0103 03 0001 02") << "1 ";
    QTest::newRow("half a value") << hexBytes("0103 02 00") << "";
    QTest::newRow("not modbus at all") << QByteArray("AB\x02\x80\x00", 5) << "-32768 ";
    QTest::newRow("largest count") << (hexBytes("0103FF") + QByteArray(300, '\x01')) << QString("257 ").repeated(127);
}

void TestConsoleLogic::registerValues()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, values);
    QCOMPARE(decodeRegisterValues(data), values);
}

void TestConsoleLogic::receptionTexts()
{
    QCOMPARE(receptionText(hexBytes("0103 02 007B F867"), true), QString("01 03 02 00 7B F8 67"));
    QCOMPARE(receptionText(QByteArray("AB\0CD", 5), false), QString("AB"));
    QCOMPARE(receptionText(QByteArray("温度"), false), QString("温度"));
    QCOMPARE(receptionText(QByteArray("\0x", 2), false), QString());
}

void TestConsoleLogic::replyMatching()
{
    const QStringList keys = {"01 03 00 00 00 01", "01 03", ""};
    QCOMPARE(findReplyIndex("01 03 00 00 00 01 84 0A", keys), 0);
    QCOMPARE(findReplyIndex("01 03 00 05", keys), 1);
    QCOMPARE(findReplyIndex("02 03", keys), 2); // the empty key matches anything
    QCOMPARE(findReplyIndex("02 03", QStringList{"01", "ab"}), -1);
    QCOMPARE(findReplyIndex("ab", QStringList{"AB"}), -1); // case-sensitive
}

void TestConsoleLogic::ranges_data()
{
    QTest::addColumn<QStringList>("inputs"); // sensor down, sensor up, signal down, signal up
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("instrument");
    QTest::newRow("4-20mA, 1 decimal") << QStringList{"0", "100", "4", "20"} << "4-20mA" << 1
                                       << "实际量程: 0 ~ 100" << "仪表量程: 0 ~ 1000";
    QTest::newRow("0-10V, 2 decimals") << QStringList{"0", "100", "4", "20"} << "0-10V" << 2
                                       << "实际量程: -25 ~ 37.5" << "仪表量程: -2500 ~ 3750";
    QTest::newRow("0-20mA, 0 decimals") << QStringList{"-40", "120", "4", "20"} << "0-20mA" << 0
                                        << "实际量程: -80 ~ 120" << "仪表量程: -80 ~ 120";
    QTest::newRow("single precision 1.6") << QStringList{"0", "1.6", "4", "20"} << "4-20mA" << 3
                                          << "实际量程: 0 ~ 1.6" << "仪表量程: 0 ~ 1600";
    QTest::newRow("empty counts as 0") << QStringList{"", "100", "", "10"} << "0-5V" << 0
                                       << "实际量程: 0 ~ 50" << "仪表量程: 0 ~ 50";
    QTest::newRow("reversed points") << QStringList{"100", "0", "4", "20"} << "4-20mA" << 0
                                     << "实际量程: 100 ~ 0" << "仪表量程: 100 ~ 0";
    QTest::newRow("large values use exponent") << QStringList{"0", "1e7", "0", "10"} << "0-10V" << 0
                                               << "实际量程: 0 ~ 1e+07" << "仪表量程: 0 ~ 10000000";
    QTest::newRow("no negative zero") << QStringList{"-0.125", "1", "4", "20"} << "4-20mA" << 0
                                      << "实际量程: -0.125 ~ 1" << "仪表量程: 0 ~ 1";
    QTest::newRow("zero by cancellation") << QStringList{"-1", "1", "0", "20"} << "0-20mA" << 1
                                          << "实际量程: -1 ~ 1" << "仪表量程: -10 ~ 10";
}

void TestConsoleLogic::ranges()
{
    QFETCH(QStringList, inputs);
    QFETCH(QString, type);
    QFETCH(int, decimals);
    QFETCH(QString, actual);
    QFETCH(QString, instrument);
    const RangeResult r = computeRange(inputs[0], inputs[1], inputs[2], inputs[3], type, decimals);
    QVERIFY(r.valid);
    QCOMPARE(r.actualLine, actual);
    QCOMPARE(r.instrumentLine, instrument);
}

void TestConsoleLogic::equalSignalPointsAreRefused()
{
    QVERIFY(!computeRange("0", "100", "4", "4", "4-20mA", 1).valid);
    const RangeResult zeros = computeRange("0", "100", "", "abc", "4-20mA", 1); // both count as 0
    QVERIFY(!zeros.valid);
    QCOMPARE(zeros.error, QString("信号输入的两个点不能相同"));
    // Beyond single precision the range is not a number: said so, never "nan ~ nan".
    const RangeResult huge = computeRange("0", "1e39", "4", "20", "4-20mA", 0);
    QVERIFY(!huge.valid);
    QCOMPARE(huge.error, QString("计算结果超出数值范围, 请检查输入"));
    QVERIFY(!computeRange("-3e38", "3e38", "4", "4.000001", "0-10V", 3).valid);
}

void TestConsoleLogic::logLines()
{
    const QTime t(14, 3, 27, 45);
    QCOMPARE(logLine(LogSerialReceive, t, "AB\r\nCD"), QString("时间[14:03:27 045] 串口接收 << ABCD"));
    QCOMPARE(logLine(LogInfo, t, ""), QString("时间[14:03:27 045] 提示信息 >> "));
    QCOMPARE(logLine(LogSerialSend, t, "%1 %2"), QString("时间[14:03:27 045] 串口发送 >> %1 %2"));
    QCOMPARE(logLine(LogValues, t, "1 "), QString("时间[14:03:27 045] 数值解析 >> 1 "));
    QCOMPARE(logPrefix(LogNetSend), QString("网络发送 >>"));
    QCOMPARE(logPrefix(LogNetReceive), QString("网络接收 <<"));
    QCOMPARE(logPrefix(LogDelay), QString("处理延时 >>"));
    QCOMPARE(logPrefix(LogCheck), QString("正在校验 >>"));
}

void TestConsoleLogic::logColours()
{
    QCOMPARE(logColor(LogSerialSend), QColor("dodgerblue"));
    QCOMPARE(logColor(LogSerialReceive), QColor("red"));
    QCOMPARE(logColor(LogDelay), QColor("gray"));
    QCOMPARE(logColor(LogCheck), QColor("green"));
    QCOMPARE(logColor(LogNetSend), QColor(24, 189, 155));
    QCOMPARE(logColor(LogNetReceive), QColor(255, 107, 107));
    QCOMPARE(logColor(LogInfo), QColor("magenta"));
    QCOMPARE(logColor(LogValues), QColor("red"));
}

void TestConsoleLogic::logFileAppendsWithinTheSameSecond()
{
    QTemporaryDir dir;
    const QDateTime when(QDate(2024, 3, 5), QTime(8, 9, 10));
    const QString path = logFilePath(dir.path(), when);
    QCOMPARE(path, dir.path() + "/2024-03-05-08-09-10.txt");
    QVERIFY(writeLogFile(path, "first\nsecond", false));
    QCOMPARE(readFile(path), QByteArray("first\nsecond"));
    QVERIFY(writeLogFile(path, "third", true));
    QCOMPARE(readFile(path), QByteArray("first\nsecond\nthird"));
    QVERIFY(!writeLogFile(path, "fourth", false)); // a new file only where the name is free
    QCOMPARE(readFile(path), QByteArray("first\nsecond\nthird"));
    QVERIFY(writeLogFile(dir.path() + "/utf8.txt", "串口接收", false));
    QCOMPARE(readFile(dir.path() + "/utf8.txt"), QByteArray("串口接收"));
}

void TestConsoleLogic::logFileInUnwritablePlace()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("plain"), "x"));
    // A folder below a plain file can never be created, even by root.
    QVERIFY(!writeLogFile(dir.filePath("plain/sub/log.txt"), "text", false));

    // Nothing is written through a link planted under the name, nor into a FIFO.
    QVERIFY(writeFile(dir.filePath("outside"), "keep"));
    QVERIFY(QFile::link(dir.filePath("outside"), dir.filePath("link.txt")));
    QVERIFY(!writeLogFile(dir.filePath("link.txt"), "text", false));
    QVERIFY(!writeLogFile(dir.filePath("link.txt"), "text", true));
    QCOMPARE(readFile(dir.filePath("outside")), QByteArray("keep"));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo.txt")).constData(), 0600), 0);
    QVERIFY(!writeLogFile(dir.filePath("fifo.txt"), "text", true));

    // A full disk (here a file size limit) leaves no empty file and no half-written tail.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 1000;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString big(2000, QLatin1Char('x'));
    const bool newWritten = writeLogFile(dir.filePath("full.txt"), big, false);
    QVERIFY(writeLogFile(dir.filePath("part.txt"), "head", false));
    const bool appended = writeLogFile(dir.filePath("part.txt"), big, true);
    ::setrlimit(RLIMIT_FSIZE, &old);
    QVERIFY(!newWritten);
    QVERIFY(!QFile::exists(dir.filePath("full.txt")));
    QVERIFY(!appended);
    QCOMPARE(readFile(dir.filePath("part.txt")), QByteArray("head"));
}

void TestConsoleLogic::portChoices()
{
    const QStringList fixed = fixedPortNames();
    QCOMPARE(fixed.size(), 34);
    QCOMPARE(fixed.first(), QString("COM1"));
    QCOMPARE(fixed.at(19), QString("COM20"));
    QCOMPARE(fixed.at(20), QString("ttyUSB0"));
    QCOMPARE(fixed.last(), QString("ttySAC4"));

    const QStringList all = portNameChoices({"ttyUSB0", "ttyACM0", "ttyUSB1"}, "/dev/pts/3");
    QCOMPARE(all.mid(34), (QStringList{"ttyACM0", "ttyUSB1", "/dev/pts/3"}));
    QCOMPARE(portNameChoices({}, "COM3").size(), 34);
    QCOMPARE(portNameChoices({"ttyACM0"}, "ttyACM0").mid(34), QStringList{"ttyACM0"});
    QCOMPARE(portNameChoices({}, "").size(), 34);
}

void TestConsoleLogic::portPresence()
{
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath("node"), ""));
    QVERIFY(portIsPresent("ttyACM7", {"ttyACM7"}));
    QVERIFY(portIsPresent(dir.filePath("node"), {}));
    QVERIFY(!portIsPresent(dir.filePath("gone"), {"ttyS0"}));
    QVERIFY(!portIsPresent("ttyNoSuchPort9", {}));
    QVERIFY(!portIsPresent("", {}));
}

void TestConsoleLogic::openFailures()
{
    QCOMPARE(openFailureText(QSerialPort::DeviceNotFoundError, "No such file", false), QString("没有该设备"));
    QCOMPARE(openFailureText(QSerialPort::PermissionError, "Permission denied", false), QString("设备忙或被占用"));
    const QString denied = openFailureText(QSerialPort::PermissionError, "Permission denied", true);
    QVERIFY2(denied.startsWith("没有权限") && denied.contains("dialout"), qPrintable(denied));
    QCOMPARE(openFailureText(QSerialPort::UnsupportedOperationError, "Inappropriate ioctl", false),
             QString("Inappropriate ioctl"));
}

QTEST_GUILESS_MAIN(TestConsoleLogic)
#include "tst_consolelogic.moc"
