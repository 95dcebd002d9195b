// The console against real Modbus peers: mbpoll as a master polling the console's device
// simulation, and a pymodbus device answering the console's requests.
#include "appsettings.h"
#include "formdriver.h"
#include "modbusdevice.h"
#include "frmtolvan.h"
#include "tavihelper.h"
#include "testsupport.h"
#include "serialfixture.h"
#include "valuechart.h"
#include "virtualserial.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

class TestPeers : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void mbpollReadsTheSimulatedDevice();
    void consoleReadsAPymodbusDevice_data();
    void consoleReadsAPymodbusDevice();
    void longReplyAtNineSixHundredBaud();

private:
    SerialFixture fixture;
    ConsoleEnvironment *env = nullptr;
    VirtualSerialPair *pair = nullptr;
    frmTolvan *form = nullptr;
};

void TestPeers::initTestCase()
{
    QString error;
    QVERIFY2(fixture.start(&error), qPrintable(error));
    env = fixture.env;
    pair = fixture.pair;
}

void TestPeers::cleanupTestCase()
{
    fixture.stop();
}

void TestPeers::init()
{
    QString error;
    QVERIFY2(fixture.reset(&error), qPrintable(error));
    AppSettings::HexSend = true;
    AppSettings::HexReceive = true;
}

void TestPeers::cleanup()
{
    delete form;
    form = nullptr;
}

void TestPeers::mbpollReadsTheSimulatedDevice()
{
    const QString mbpoll = QStandardPaths::findExecutable("mbpoll");
    QVERIFY2(!mbpoll.isEmpty(), "mbpoll is not installed (Debian package mbpoll)");

    // Reply to "read 2 holding registers from 0 at slave 1", with its CRC.
    const QByteArray reply = hexBytes("01 03 04 00 7B FF FF");
    AppSettings::DeviceKeys = QStringList{"01 03 00 00 00 02"};
    AppSettings::DeviceValues = QStringList{TaviHelper::bytesToHexText(reply + TaviHelper::crc16ModbusBytes(reply))};
    AppSettings::Debug = true;
    form = new frmTolvan;
    FormDriver f(form);
    f.click("btnOpen");
    QCOMPARE(f.buttonText("btnOpen"), QString("关闭串口"));

    QProcess poll;
    poll.setProcessChannelMode(QProcess::MergedChannels);
    poll.start(mbpoll, {"-m", "rtu", "-a", "1", "-r", "1", "-c", "2", "-t", "4", "-b", "9600", "-P", "none", "-1",
                        "-o", "2", pair->peerEnd()});
    QVERIFY(poll.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(poll.state() == QProcess::NotRunning, 10000);
    const QString out = QString::fromUtf8(poll.readAll());
    QVERIFY2(poll.exitCode() == 0, qPrintable(out));
    QVERIFY2(out.contains("[1]: \t123"), qPrintable(out));
    QVERIFY2(out.contains("[2]: \t65535 (-1)"), qPrintable(out));
    QVERIFY(f.lastLineWith("串口接收").endsWith("串口接收 << 01 03 00 00 00 02 C4 0B"));
    QCOMPARE(f.buttonText("btnSendCount"), QString("发送 : 9 字节"));
}

void TestPeers::consoleReadsAPymodbusDevice_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("values");
    QTest::newRow("holding registers") << "3" << "123 -1 10 ";
    QTest::newRow("input registers") << "4" << "1 2 3 ";
}

void TestPeers::consoleReadsAPymodbusDevice()
{
    QFETCH(QString, function);
    QFETCH(QString, values);
    ModbusDevice device;
    QString error;
    QVERIFY2(device.start(pair->peerEnd(), {"--holding", "123,65535,10", "--input", "1,2,3"}, &error),
             qPrintable(error));

    form = new frmTolvan;
    FormDriver f(form);
    f.click("btnOpen");
    f.setText("pid", "1");
    f.combo("fid")->setCurrentText(function);
    f.setText("addr", "0");
    f.setText("value", "3");
    f.click("btnSend");
    QTRY_VERIFY_WITH_TIMEOUT(f.linesWith("数值解析") > 0, 5000);
    QVERIFY2(f.lastLineWith("数值解析").endsWith("数值解析 >> " + values), qPrintable(f.lastLineWith("数值解析")));
    const QString reception = f.lastLineWith("串口接收");
    QVERIFY2(reception.contains("串口接收 << 01 0" + function + " 06"), qPrintable(reception));

    // The values reach the chart, one series per register, in order.
    auto *chart = form->findChild<ValueChart *>();
    QVERIFY(chart);
    const QStringList series{"0" + function + ":0", "0" + function + ":1", "0" + function + ":2"};
    QCOMPARE(chart->seriesNames(), series);
    const QStringList numbers = values.split(' ', Qt::SkipEmptyParts);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(chart->points(series.at(i)).size(), 1);
        QCOMPARE(chart->points(series.at(i)).first().y(), numbers.at(i).toDouble());
    }
}

void TestPeers::longReplyAtNineSixHundredBaud()
{
    // console <-> pair <-> relay pacing the reply at 9600 baud <-> pair <-> pymodbus device
    VirtualSerialPair line(env->dir() + "/line");
    QDir().mkpath(env->dir() + "/line");
    QString error;
    QVERIFY2(line.start(&error), qPrintable(error));
    QStringList registers;
    QStringList expected;
    for (int i = 0; i < 40; ++i) {
        registers << QString::number(i * 1000);
        expected << QString::number(qint16(i * 1000));
    }
    ModbusDevice device;
    QVERIFY2(device.start(line.peerEnd(), {"--holding", registers.join(',')}, &error), qPrintable(error));
    QProcess relay;
    relay.start("/usr/bin/python3", {QFINDTESTDATA("pace_relay.py"), pair->peerEnd(), line.consoleEnd(), "9600"});
    QVERIFY(relay.waitForReadyRead(10000));

    form = new frmTolvan;
    FormDriver f(form);
    f.click("btnOpen");
    f.setText("pid", "1");
    f.combo("fid")->setCurrentText("3");
    f.setText("value", "40");
    // The reply takes about 90 ms on the wire: the read tick, 100 ms, often falls within it.
    const int requests = 6;
    for (int i = 1; i <= requests; ++i) {
        f.click("btnSend");
        QTRY_VERIFY_WITH_TIMEOUT(f.linesWith("数值解析") == i, 5000);
        QTest::qWait(i * 37 % 100); // another phase against the tick each time
    }
    QTest::qWait(1200);
    QCOMPARE(f.linesWith("数值解析"), requests);
    const QStringList lines = f.logLines();
    for (const QString &line : lines) {
        if (line.contains("数值解析")) {
            QCOMPARE(line.section(">> ", 1), expected.join(' ') + ' ');
        }
    }
    qInfo("%d replies of 85 bytes came in %d receptions", requests, f.linesWith("串口接收"));
    QVERIFY(f.linesWith("串口接收") > requests);
    relay.kill();
    relay.waitForFinished();
}

QTEST_MAIN(TestPeers)
#include "tst_peers.moc"
