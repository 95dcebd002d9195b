// The console on a virtual serial port: sessions, traffic, device answers, ports that come and go.
#include "appsettings.h"
#include "consoletest.h"
#include "frmtolvan.h"
#include "portwatcher.h"

#include <QLabel>
#include <QSerialPort>
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
        QVERIFY(reason->isVisible() && reason->text() == "没有该设备");
        box->setEditText("/dev/" + QString(300, 'x'));
        QVERIFY(!reason->isVisible()); // until another port is chosen
        QVERIFY(!openPort() && reason->isVisible() && reason->text() == "串口名过长");
        box->setEditText(pair->consoleEnd());
        QSerialPort holder(pair->consoleEnd()); // held by another program
        QVERIFY(holder.open(QIODevice::ReadWrite));
        QVERIFY(!openPort());
        QCOMPARE(box->toolTip(), QString("设备忙或被占用"));
        holder.close();
        combo("cboxStopBit")->setCurrentText("1.5"); // a pty takes it
        QVERIFY(openPort());
        QVERIFY(lines().size() == 1 && lines()[0].endsWith("提示信息 >> 打开串口成功!!"));
        // The request built from the fields, as hex, counted.
        check("ckHexSend")->setChecked(true);
        check("ckAutoPrint")->setChecked(true);
        edit("pid")->setText("1");
        combo("fid")->setCurrentText("3");
        click("btnSend");
        QCOMPARE(peer.take(8), hexBytes("01 03 00 00 00 01 84 0A"));
        QCOMPARE(text("btnSendCount"), QString("发送 : 8 字节"));
        // As text "AT" gets a carriage return; the log shows what went on the wire, "?" included.
        check("ckHexSend")->setChecked(false);
        sendText("AT+CSQ");
        QCOMPARE(peer.take(7), QByteArray("AT+CSQ\r"));
        sendText("世界");
        QCOMPARE(peer.take(2), QByteArray("??"));
        QVERIFY(lastLine("串口发送").endsWith("串口发送 >> ??"));
        QCOMPARE(text("btnSendCount"), QString("发送 : 17 字节"));
        QTest::qWait(2600); // two port checks: a healthy pty is not taken for vanished
        QCOMPARE(lastLine("数值解析").section(">> ", 1), QString("无应答: 从站 1, 功能码 03, 等待 221 ms")); // 9600 8N1.5
        // Received bytes as hex or text; the reply to the request given up is marked late.
        const struct { bool hex; QByteArray in; QString shown, values; } rows[] = {
            {true, hexBytes("01 03 02 00 7B F8 67"), "01 03 02 00 7B F8 67", "迟到的应答 (已判无应答): 123 "},
            {false, QByteArray("AB\0CD", 5), "AB", ""}, // text up to a NUL
            {false, "\x1b[31mred\xe2\x80\xae!\tok", "\\ESC[31mred\\xe2\\x80\\xae!\tok", ""}, // controls by name
        };
        for (const auto &row : rows) {
            click("btnClear");
            click("btnReceiveCount");
            check("ckHexReceive")->setChecked(row.hex);
            peer.write(row.in);
            QTRY_COMPARE(text("btnReceiveCount"), QString("接收 : %1 字节").arg(row.in.size()));
            QVERIFY2(lastLine("串口接收").endsWith("串口接收 << " + row.shown), qPrintable(lastLine("串口接收")));
            QCOMPARE(lastLine("数值解析").section(">> ", 1), row.values);
        }
        click("btnSave"); // escapes never reach a saved file raw
        QVERIFY(!savedLogs().contains('\x1b'));
        // A character cut between two receptions is shown whole with the later one.
        click("btnReceiveCount");
        peer.write("t=" + QString("温度").toUtf8().left(4));
        QTRY_COMPARE(count("串口接收"), 1);
        peer.write(QString("温度").toUtf8().mid(4) + "\xff!");
        QTRY_COMPARE(count("串口接收"), 2);
        QVERIFY2(lines().at(lines().size() - 2).endsWith("串口接收 << t=温"), qPrintable(lines().join('\n')));
        QVERIFY(lines().last().endsWith(QString("串口接收 << 度\uFFFD!"))); // no UTF-8: as before
        // Device mode answers the first key that matches (hex in any case), once, even with the
        // display stopped; the answer is logged below the request it answers.
        AppSettings::DeviceKeys = QStringList{"01 03 00 00 00 01 84 0a", "01 03"};
        AppSettings::DeviceValues = QStringList{"01 03 02 00 01", "EE EE"};
        for (const char *name : {"ckHexSend", "ckHexReceive", "ckDebug"}) {
            check(name)->setChecked(true);
        }
        click("btnClear");
        const QByteArray request = hexBytes("01 03 00 00 00 01 84 0A");
        peer.write(request);
        QCOMPARE(peer.take(5), hexBytes("01 03 02 00 01"));
        QTRY_COMPARE(lines().size(), 2);
        QVERIFY(lines()[0].contains("串口接收 << 01 03") && lines()[1].endsWith("串口发送 >> 01 03 02 00 01"));
        click("btnReceiveCount");
        click("btnStopShow");
        peer.write(request);
        QCOMPARE(peer.take(5), hexBytes("01 03 02 00 01"));
        QTRY_COMPARE(text("btnReceiveCount"), QString("接收 : 8 字节"));
        check("ckDebug")->setChecked(false); // without device mode nothing answers; no second key answered before
        peer.write(request);
        QCOMPARE(peer.takeFor(400), QByteArray());
        // A reply in pieces is decoded once; one still short at its time limit, from what arrived.
        click("btnStopShow");
        edit("value")->setText("2");
        const QByteArray reply = hexBytes("01 03 04 00 0A 00 14 DA 3E");
        const struct { QByteArrayList pieces; QString decoded; } replies[] = {
            {{reply.left(4), reply.mid(4)}, "10 20 "}, {{reply.left(5)}, "10 (不完整: 收到 5/9 字节)"},
        };
        for (const auto &row : replies) {
            click("btnClear");
            click("btnSend");
            QCOMPARE(peer.take(8), hexBytes("01 03 00 00 00 02 C4 0B"));
            for (const QByteArray &piece : row.pieces) {
                peer.write(piece);
                QTest::qWait(150);
            }
            QTRY_COMPARE_WITH_TIMEOUT(count("数值解析"), 1, 3000);
            QTest::qWait(1100); // and nothing more after the time limit
            QCOMPARE(count("数值解析"), 1);
            QCOMPARE(lastLine("数值解析").section(">> ", 1), row.decoded);
        }
        click("btnOpen");
        QVERIFY(lines().size() == 1 && lines()[0].endsWith("提示信息 >> 关闭串口!!"));
        sendText("AA BB"); // after a close nothing goes out
        QCOMPARE(peer.takeFor(300), QByteArray());
    }

    void requestRowChecks()
    {
        AppSettings::HexSend = AppSettings::HexReceive = AppSettings::AutoPrint = true;
        AppSettings::SendInterval = 50;
        makeForm();
        QCOMPARE(edit("pid")->text(), QString("1")); // a first start reads from slave 1, not broadcast
        QVERIFY(openPort());
        // A wrong field sends and counts nothing; it is marked and said once, auto-send or not.
        edit("pid")->setText("300");
        combo("fid")->setCurrentText("6");
        click("btnSend");
        check("ckAutoSend")->setChecked(true);
        QVERIFY(combo("cboxSendInterval")->isEnabled()); // the interval is chosen while it runs
        QTest::qWait(400);
        check("ckAutoSend")->setChecked(false);
        QVERIFY(!combo("cboxSendInterval")->isEnabled());
        QCOMPARE(peer.takeFor(100), QByteArray());
        QCOMPARE(text("btnSendCount"), QString("发送 : 0 字节"));
        QCOMPARE(count("请求未发送"), 1);
        QVERIFY(lastLine("提示信息").endsWith("请求未发送: 通讯地址应为 0-247 (0 为广播) 的整数, 现为 \"300\""));
        QVERIFY(edit("pid")->toolTip().startsWith("通讯地址应为") && !edit("pid")->styleSheet().isEmpty());
        // Mended, the mark goes; a broadcast write goes out as two's complement and awaits nothing.
        edit("pid")->setText("0");
        edit("value")->setText("-5");
        click("btnSend");
        QCOMPARE(peer.take(8), hexBytes("00 06 00 00 FF FB 88 68"));
        QVERIFY(edit("pid")->toolTip().isEmpty() && edit("pid")->styleSheet().isEmpty());
        QTest::qWait(500);
        QCOMPARE(count("无应答"), 0);
    }

    void vanishingPorts()
    {
        AppSettings::AutoSend = AppSettings::HexSend = AppSettings::HexReceive = true;
        AppSettings::SendInterval = 100;
        makeForm();
        QVERIFY(openPort());
        QVERIFY(peer.take(16).size() >= 16);
        click("btnOpen");
        QVERIFY(!timer("sendTimer")->isActive() && check("ckAutoSend")->isChecked()); // every close stops it
        // A port that goes away is reopened when it is back, auto-send going on.
        QVERIFY(openPort());
        unplug();
        QTRY_VERIFY_WITH_TIMEOUT(timer("reopenTimer")->isActive(), 3000);
        // Told apart from a normal close: the message outlives the close's clear.
        QVERIFY2(lines().size() == 2 && lines()[0].endsWith("提示信息 >> 关闭串口!!")
                     && lines()[1].endsWith("提示信息 >> 串口中断异常!!"), qPrintable(lines().join('\n')));
        QVERIFY(restartPair());
        QTRY_COMPARE_WITH_TIMEOUT(text("btnOpen"), QString("关闭串口"), 3000);
        QVERIFY(!timer("reopenTimer")->isActive());
        QVERIFY(peer.take(16).size() >= 16);
        check("ckAutoSend")->setChecked(false);
        // "打开串口" while the retries run stops them.
        unplug();
        QTRY_VERIFY_WITH_TIMEOUT(timer("reopenTimer")->isActive(), 3000);
        combo("cboxPortName")->setEditText("ttyNoSuchPort42");
        click("btnOpen");
        QVERIFY(!timer("reopenTimer")->isActive());
        // A port replaced within a tenth of a second, before the presence check can miss it.
        QVERIFY(restartPair());
        combo("cboxPortName")->setEditText(pair->consoleEnd());
        QVERIFY(openPort());
        check("ckAutoPrint")->setChecked(true);
        click("btnSendCount");
        click("btnClear");
        peer.close();
        QElapsedTimer gap;
        gap.start();
        pair->stop();
        sendText("AA BB"); // into the hung-up port: neither counted nor logged
        QVERIFY(restartPair());
        if (gap.elapsed() >= 500) { // socat takes about 0.1 s, a very busy machine may not manage it
            QSKIP(qPrintable(QString("replacing the port took %1 ms").arg(gap.elapsed())));
        }
        QCOMPARE(text("btnSendCount"), QString("发送 : 0 字节"));
        QCOMPARE(count("串口发送"), 0);
        QTRY_COMPARE_WITH_TIMEOUT(count("打开串口成功!!"), 1, 4000); // the new device opens within a second
        sendText("68 65 6C 6C 6F");
        QCOMPARE(peer.take(5), QByteArray("hello"));
        peer.write("back");
        QTRY_VERIFY(lastLine("串口接收").endsWith("串口接收 << 62 61 63 6B"));
        // Idle again, the process sleeps (a session left on the old device spun a core).
        const double before = processCpuSeconds();
        QTest::qWait(3000);
        QVERIFY2(processCpuSeconds() - before < 0.3, qPrintable(QString::number(processCpuSeconds() - before)));
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
        QString error;
        QVERIFY2(adapter.start(&error), qPrintable(error));
        QTRY_VERIFY_WITH_TIMEOUT(box.findText(adapter.consoleEnd()) >= 34, 3000);
        adapter.stop();
        QTRY_VERIFY_WITH_TIMEOUT(box.findText(adapter.consoleEnd()) < 0, 3000);
        QVERIFY(box.currentText() == "/dev/ttyACM" && box.lineEdit()->cursorPosition() == 5);
    }

private:
    void unplug() { peer.close(); pair->stop(); }
    bool restartPair() // the stopped pair started again, the peer on its new end
    {
        QString error;
        return pair->start(&error) && peer.open(pair->peerEnd(), &error);
    }
};

QTEST_MAIN(TestConsoleSerial)
#include "tst_console_serial.moc"
