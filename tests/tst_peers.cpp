// The console against real Modbus peers: a pymodbus device it reads and writes with every
// function code, polls fast, and reads at 9600 baud; mbpoll reading back what it wrote.
#include "appsettings.h"
#include "consoletest.h"
#include "frmtolvan.h"
#include "modbusdevice.h"
#include "registertable.h"
#include "registerwindow.h"
#include "valuechart.h"
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

class TestPeers : public ConsoleTest
{
    Q_OBJECT
    // The request row set to read `count` registers with `function` from address 1.
    void request(int function, int count)
    {
        peer.close(); // the far end belongs to the peer program
        AppSettings::HexSend = AppSettings::HexReceive = true;
        makeForm();
        QVERIFY(openPort());
        edit("pid")->setText("1");
        selectFunction(function);
        edit("value")->setText(QString::number(count));
    }
private slots:
    // Every function code from the request row; mbpoll, a second master, then reads back what
    // the writes left in the device.
    void everyFunctionCodeThroughTheForm()
    {
        ModbusDevice device;
        QString error;
        QVERIFY2(device.start(pair->peerEnd(),
                              {"--holding", "1,2,3,4", "--input", "5,6", "--coils", "1,0,1",
                               "--discrete", "0,1,1"},
                              &error),
                 qPrintable(error));
        request(5, 1);
        auto *tables = form->findChild<RegisterTables *>();
        const QList<std::tuple<int, const char *, const char *, QString>> steps = {
            {5, "1", "on", ""},
            {15, "4", "1,1,0,1", ""},
            {6, "0", "-5", ""},
            {16, "2", "0x0102, 700", ""},
            {1, "0", "8", "1 1 1 0 1 1 0 1 "},
            {2, "0", "3", "0 1 1 "},
            {3, "0", "4", "-5 2 258 700 "},
            {4, "0", "2", "5 6 "}};
        int good = 0;
        for (const auto &[function, address, value, decoded] : steps) {
            selectFunction(function);
            edit("addr")->setText(address);
            edit("value")->setText(value);
            click("btnSend");
            ++good;
            QTRY_COMPARE_WITH_TIMEOUT(tables->statistics().slave(1).good, qint64(good), 3000);
            if (!decoded.isEmpty()) {
                QCOMPARE(lastLine("数值解析").section(">> ", 1), decoded);
            }
        }
        QCOMPARE(tables->statistics().slave(1).requests, qint64(steps.size()));
        const QAbstractItemModel *last = tables->table(0);
        QCOMPARE(last->index(1, RegisterTableModel::ValueColumn).data().toString(), QString("6"));
        // Writes from tables: a float over registers 4 and 5, coil 3.
        QVERIFY(tables->addDefinition({1, 3, 0, 6}, &error)
                && tables->addDefinition({1, 1, 0, 8}, &error));
        tables->table(1)->setRowFormat(4, formatFromSetting("float:ABCD"));
        auto *window = form->findChild<RegisterWindow *>();
        emit window->writeRequested(tables->table(1)->writeRequest(4, "1.5"));
        QTRY_COMPARE_WITH_TIMEOUT(tables->statistics().slave(1).good, qint64(good + 1), 3000);
        emit window->writeRequested(tables->table(2)->writeRequest(3, "on"));
        QTRY_COMPARE_WITH_TIMEOUT(tables->statistics().slave(1).good, qint64(good + 2), 3000);
        click("btnOpen");
        for (const auto &[type, expected] :
             {std::pair<const char *, QStringList>{
                  "4", {"[1]: \t65531 (-5)", "[3]: \t258", "[4]: \t700", "[5]: \t16320"}},
              {"0", {"[2]: \t1", "[4]: \t1", "[7]: \t0", "[8]: \t1"}}}) {
            QProcess poll;
            poll.setProcessChannelMode(QProcess::MergedChannels);
            poll.start(QStandardPaths::findExecutable("mbpoll"),
                       {"-m", "rtu", "-a", "1", "-r", "1", "-c", "8", "-t", type, "-b", "9600",
                        "-P", "none", "-1", "-o", "2", pair->consoleEnd()});
            QVERIFY(poll.waitForFinished(10000));
            const QString out = QString::fromUtf8(poll.readAll());
            for (const QString &line : expected) {
                QVERIFY2(out.contains(line), qPrintable(out));
            }
        }
    }
    void fastPollingDecodesEveryReply()
    {
        // Several replies often come in one reception: each is decoded and plotted once.
        ModbusDevice device;
        QString error;
        QVERIFY2(device.start(pair->peerEnd(), {"--baud", "115200", "--holding", "123"}, &error),
                 qPrintable(error));
        for (int interval : {100, 50, 20}) {
            AppSettings::BaudRate = 115200;
            AppSettings::SendInterval = interval;
            AppSettings::AutoSend = true; // opening starts it
            request(3, 1);
            QTest::qWait(1500);
            check("ckAutoSend")->setChecked(false);
            QTest::qWait(400); // the last reply
            const int sent = text("btnSendCount").section(' ', 2, 2).toInt() / 8;
            QVERIFY2(sent >= 1500 / interval / 2, qPrintable(QString::number(sent)));
            QCOMPARE(text("btnReceiveCount"), QString("接收 : %1 字节").arg(sent * 7));
            QCOMPARE(find<ValueChart>("")->points("03:0").size(), sent);
        }
    }

    void longReplyAtNineSixHundredBaud()
    {
        // console <-> pair <-> a relay pacing the reply at 9600 baud <-> pair <-> pymodbus device
        QDir().mkpath(folder() + "/line");
        VirtualSerialPair line(folder() + "/line");
        QString error;
        QVERIFY2(line.start(&error), qPrintable(error));
        QStringList registers, expected;
        for (int i = 0; i < 40; ++i) {
            registers << QString::number(i * 1000);
            expected << QString::number(qint16(i * 1000));
        }
        ModbusDevice device;
        QVERIFY2(device.start(line.peerEnd(), {"--holding", registers.join(',')}, &error),
                 qPrintable(error));
        request(3, 40);
        QProcess relay;
        relay.start("/usr/bin/python3",
                    {QFINDTESTDATA("pace_relay.py"), pair->peerEnd(), line.consoleEnd(), "9600"});
        QVERIFY(relay.waitForReadyRead(10000));
        // The reply takes about 90 ms on the wire: the 100 ms read tick often falls within it.
        for (int i = 1; i <= 6; ++i) {
            click("btnSend");
            QTRY_VERIFY_WITH_TIMEOUT(count("数值解析") == i, 5000);
            QTest::qWait(i * 37 % 100); // another phase against the tick each time
        }
        QTest::qWait(1200);
        QCOMPARE(count("数值解析"), 6); // one line per reply, however many pieces
        for (const QString &decoded : lines().filter("数值解析")) {
            QCOMPARE(decoded.section(">> ", 1), expected.join(' ') + ' ');
        }
        QVERIFY2(count("串口接收") > 6,
                 "every reply came in one piece: joining pieces went untried");
        relay.kill();
        relay.waitForFinished();
    }
};

QTEST_MAIN(TestPeers)
#include "tst_peers.moc"
