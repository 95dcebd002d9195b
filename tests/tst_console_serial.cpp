// The console form on a virtual serial port: opening, traffic, request rows, device answers;
// the port list as adapters come and go.
#include "appsettings.h"
#include "consoletest.h"
#include "frmtolvan.h"
#include "portwatcher.h"

#include <QLabel>
#include <QSerialPort>
#include <QTableView>
#include <QtTest>

class TestConsoleSerial : public ConsoleTest
{
    Q_OBJECT
private slots:
    void openingSendingAndReceiving()
    {
        makeForm()->show();
        // A failed open leaves the log silent and says why where the port is chosen.
        QComboBox *box = combo("cboxPortName");
        box->setEditText(file("noSuchPort"));
        QVERIFY(!openPort());
        QVERIFY(lines().isEmpty());
        QCOMPARE(box->toolTip(), QString("没有该设备"));
        const QLabel *reason = find<QLabel>("labPortError"); // readable without hovering
        QVERIFY(reason->isVisible());
        QCOMPARE(reason->text(), QString("没有该设备"));
        box->setEditText("/dev/" + QString(300, 'x'));
        QVERIFY(!reason->isVisible()); // until another port is chosen
        box->setEditText(pair->consoleEnd());
        QSerialPort holder(pair->consoleEnd()); // held by another program
        QVERIFY(holder.open(QIODevice::ReadWrite));
        QVERIFY(!openPort());
        QCOMPARE(box->toolTip(), QString("设备忙或被占用"));
        holder.close();
        QVERIFY(openPort());
        QVERIFY(!reason->isVisible());
        QVERIFY(!box->isEnabled() && find<QWidget>("btnSend")->isEnabled());
        QCOMPARE(lines(),
                 QStringList{lines().value(0).section(' ', 0, 1) + " 提示信息 >> 打开串口成功!!"});
        // The request built from the fields, as hex, counted; its reply decoded and counted.
        check("ckHexSend")->setChecked(true);
        check("ckHexReceive")->setChecked(true);
        check("ckAutoPrint")->setChecked(true);
        selectFunction(3);
        click("btnSend");
        QCOMPARE(peer.take(8), hexBytes("01 03 00 00 00 01 84 0A"));
        QCOMPARE(combo("cboxData")->currentText(), QString("01 03 00 00 00 01 84 0A "));
        QCOMPARE(text("btnSendCount"), QString("发送 : 8 字节"));
        peer.write(hexBytes("01 03 02 00 7B F8 67"));
        QTRY_COMPARE(text("btnReceiveCount"), QString("接收 : 7 字节"));
        QVERIFY(lastLine("串口接收").endsWith("串口接收 << 01 03 02 00 7B F8 67"));
        click("btnSendCount");
        click("btnReceiveCount");
        QCOMPARE(text("btnSendCount"), QString("发送 : 0 字节"));
        QCOMPARE(text("btnReceiveCount"), QString("接收 : 0 字节"));
        // Stopping the display hides the lines only: device answers go on.
        AppSettings::DeviceKeys = QStringList{"01 03"};
        AppSettings::DeviceValues = QStringList{"01 03 02 00 01"};
        check("ckDebug")->setChecked(true);
        click("btnClear");
        click("btnStopShow");
        peer.write(hexBytes("01 03 00 00 00 01 84 0A"));
        QCOMPARE(peer.take(5), hexBytes("01 03 02 00 01"));
        QTRY_COMPARE(text("btnReceiveCount"), QString("接收 : 8 字节"));
        QVERIFY(lines().isEmpty());
        click("btnStopShow");
        click("btnOpen");
        QCOMPARE(lines().size(), 1);
        QVERIFY(lines().at(0).endsWith("提示信息 >> 关闭串口!!"));
        QCOMPARE(text("btnOpen"), QString("打开串口"));
        QVERIFY(box->isEnabled() && !find<QWidget>("btnSend")->isEnabled());
    }

    void requestRowChecks()
    {
        AppSettings::HexSend = AppSettings::HexReceive = AppSettings::AutoPrint = true;
        AppSettings::SendInterval = 50;
        makeForm();
        QCOMPARE(edit("pid")->text(),
                 QString("1")); // a first start reads from slave 1, not broadcast
        QVERIFY(openPort());
        // A wrong field sends and counts nothing; it is marked and said once, auto-send or not.
        edit("pid")->setText("300");
        selectFunction(6);
        check("ckAutoClear")->setChecked(true); // empties the send box after a send only
        combo("cboxData")->setEditText("AA");
        click("btnSend");
        check("ckAutoSend")->setChecked(true);
        QVERIFY(combo("cboxSendInterval")->isEnabled()); // the interval is chosen while it runs
        QTest::qWait(400);
        check("ckAutoSend")->setChecked(false);
        QVERIFY(!combo("cboxSendInterval")->isEnabled());
        QCOMPARE(peer.takeFor(100), QByteArray());
        QCOMPARE(text("btnSendCount"), QString("发送 : 0 字节"));
        QCOMPARE(count("请求未发送"), 1);
        QCOMPARE(combo("cboxData")->currentText(), QString("AA"));
        QVERIFY(lastLine("提示信息")
                    .endsWith("请求未发送: 通讯地址应为 0-247 (0 为广播) 的整数, 现为 \"300\""));
        QVERIFY(edit("pid")->toolTip().startsWith("通讯地址应为")
                && !edit("pid")->styleSheet().isEmpty());
        // Mended, the mark goes.
        edit("pid")->setText("0");
        edit("value")->setText("-5");
        click("btnSend");
        QCOMPARE(peer.take(8), hexBytes("00 06 00 00 FF FB 88 68"));
        QCOMPARE(combo("cboxData")->currentText(), QString());
        QVERIFY(edit("pid")->toolTip().isEmpty() && edit("pid")->styleSheet().isEmpty());
    }

    void portsComeAndGo()
    {
        // Links in a watched folder stand for adapters plugged in and pulled out; typing goes on.
        QTemporaryDir watched;
        QComboBox box;
        box.setEditable(true);
        QLabel label, reason;
        QString stored = "COM1";
        PortWatcher watcher(&box, &label, &reason, {watched.path()}, &stored);
        QTRY_VERIFY(box.count() >= 34);
        box.setEditText("/dev/ttyACM");
        box.lineEdit()->setCursorPosition(5);
        VirtualSerialPair adapter(watched.path());
        QVERIFY(adapter.start());
        QTRY_VERIFY_WITH_TIMEOUT(box.findText(adapter.consoleEnd()) >= 34, 3000);
        adapter.stop();
        QTRY_VERIFY_WITH_TIMEOUT(box.findText(adapter.consoleEnd()) < 0, 3000);
        QVERIFY(box.currentText() == "/dev/ttyACM" && box.lineEdit()->cursorPosition() == 5);
        // Unchanged choices leave the box as it is.
        QSignalSpy rebuilt(box.model(), &QAbstractItemModel::rowsRemoved);
        applyPortChoices(&box, {}, stored);
        QCOMPARE(rebuilt.size(), 0);
    }

    void busMonitorTakesThePortFromTheConsole()
    {
        makeForm()->show();
        QVERIFY(openPort());
        click("btnMonitor");
        click("btnMonitorStart");
        // The console lets go of the port and cannot take it back or send while it listens.
        QCOMPARE(text("btnOpen"), QString("打开串口"));
        QVERIFY(!find<QWidget>("btnOpen")->isEnabled() && !find<QWidget>("btnSend")->isEnabled());
        peer.write(hexBytes("01 03 00 00 00 01 84 0A"));
        QCOMPARE(peer.takeFor(30), QByteArray());
        peer.write(hexBytes("01 03 02 00 7B F8 67"));
        const QAbstractItemModel *frames = find<QTableView>("tableFrames")->model();
        QTRY_COMPARE(frames->rowCount(), 2);
        QCOMPARE(frames->index(1, 5).data().toString(), QString("应答"));
        QVERIFY(frames->index(1, 6).data().toString().endsWith(": 123 "));
        // What was heard fills the register table as the console's own reads do.
        const QAbstractItemModel *table = find<QTableView>("tableRegisters0")->model();
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->index(0, 3).data().toString(), QString("123"));
        QCOMPARE(peer.takeFor(50), QByteArray()); // nothing was said on the line
        click("btnMonitorStart");
        QVERIFY(openPort());
    }
};

QTEST_MAIN(TestConsoleSerial)
#include "tst_console_serial.moc"
