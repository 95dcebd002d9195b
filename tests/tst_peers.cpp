// The console against a real Modbus device (pymodbus): read and written with every function
// code, from the request row and from the register tables, and polled fast.
#include "appsettings.h"
#include "consoletest.h"
#include "frmtolvan.h"
#include "modbusdevice.h"
#include "registertable.h"
#include "registerwindow.h"
#include "valuechart.h"

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
    // Every function code from the request row; the reads show what the writes left.
    void everyFunctionCodeThroughTheForm()
    {
        ModbusDevice device;
        QString error;
        QVERIFY(device.start(pair->peerEnd(), {"--holding", "1,2,3,4", "--input", "5,6", "--coils",
                                               "1,0,1", "--discrete", "0,1,1"}));
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
    }

    void fastPollingDecodesEveryReply()
    {
        // Several replies often come in one reception: each is decoded and plotted once.
        ModbusDevice device;
        QVERIFY(device.start(pair->peerEnd(), {"--baud", "115200", "--holding", "123"}));
        AppSettings::BaudRate = 115200;
        AppSettings::SendInterval = 20;
        AppSettings::AutoSend = true; // opening starts it
        request(3, 1);
        QTest::qWait(1500);
        check("ckAutoSend")->setChecked(false);
        QTest::qWait(400); // the last reply
        const int sent = text("btnSendCount").section(' ', 2, 2).toInt() / 8;
        QVERIFY2(sent >= 1500 / 20 / 2, qPrintable(QString::number(sent)));
        QCOMPARE(text("btnReceiveCount"), QString("接收 : %1 字节").arg(sent * 7));
        QCOMPARE(find<ValueChart>("")->points("03:0").size(), sent);
    }
};

QTEST_MAIN(TestPeers)
#include "tst_peers.moc"
