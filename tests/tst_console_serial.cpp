// The console talking to a virtual serial port whose other end the test holds.
#include "appsettings.h"
#include "formdriver.h"
#include "frmtolvan.h"
#include "logformat.h"
#include "portwatcher.h"
#include "testsupport.h"
#include "serialfixture.h"
#include "virtualserial.h"

#include <QLabel>
#include <QLineEdit>
#include <QSerialPort>
#include <QtTest>

class TestConsoleSerial : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void openFailureIsSilent();
    void openAndCloseByButton();
    void requestFrameGoesOut();
    void requestAsTextWithoutHexSend();
    void atCommandsGetCarriageReturn();
    void decodedValues_data();
    void decodedValues();
    void textReceptionStopsAtZeroByte();
    void deviceSimulationAnswersFirstMatch();
    void stoppedDisplayStillCountsAndAnswers();
    void healthyPtyIsNotTakenForVanished();
    void vanishedPortIsReopened();
    void openButtonStopsTheRetries();
    void autoSendStartsWithTheSession();
    void noSendAfterClose();
    void sendListEditorSurvivesTheSessionEnding();
    void portReplacedWithinATenthOfASecond();
    void typedPathOpens();
    void failedOpenSaysWhy();
    void portsComeAndGo();
    void characterSplitAcrossReceptions();
    void repliesInPieces_data();
    void repliesInPieces();

private:
    void openConsole();
    frmTolvan *form = nullptr;
    SerialFixture fixture;
    ConsoleEnvironment *env = nullptr;
    VirtualSerialPair *pair = nullptr;
    PeerPort peer;
};

void TestConsoleSerial::initTestCase()
{
    QString error;
    QVERIFY2(fixture.start(&error), qPrintable(error));
    env = fixture.env;
    pair = fixture.pair;
}

void TestConsoleSerial::cleanupTestCase()
{
    fixture.stop();
}

void TestConsoleSerial::init()
{
    QString error;
    QVERIFY2(fixture.reset(&error), qPrintable(error));
    QVERIFY2(peer.open(pair->peerEnd(), &error), qPrintable(error));
    form = new frmTolvan;
}

void TestConsoleSerial::cleanup()
{
    delete form;
    form = nullptr;
    peer.close();
}

void TestConsoleSerial::openConsole()
{
    FormDriver f(form);
    QCOMPARE(f.combo("cboxPortName")->currentText(), pair->consoleEnd());
    f.click("btnOpen");
    QCOMPARE(f.buttonText("btnOpen"), QString("关闭串口"));
}

void TestConsoleSerial::openFailureIsSilent()
{
    FormDriver f(form);
    f.combo("cboxPortName")->addItem("ttyNoSuchPort42");
    f.combo("cboxPortName")->setCurrentText("ttyNoSuchPort42");
    f.click("btnOpen");
    QCOMPARE(f.buttonText("btnOpen"), QString("打开串口"));
    QVERIFY(f.logLines().isEmpty());
    QVERIFY(!f.timer("readTimer")->isActive());
}

void TestConsoleSerial::openAndCloseByButton()
{
    FormDriver f(form);
    f.combo("cboxParity")->setCurrentText("空格");
    f.combo("cboxStopBit")->setCurrentText("1.5"); // refused by Linux, ignored
    openConsole();
    QCOMPARE(f.logLines().size(), 1);
    QVERIFY(f.logLines()[0].endsWith("提示信息 >> 打开串口成功!!"));
    QVERIFY(f.timer("readTimer")->isActive());
    QVERIFY(f.timer("portCheckTimer")->isActive());
    QVERIFY(!f.timer("sendTimer")->isActive());
    QVERIFY(f.button("btnSend")->isEnabled());
    QVERIFY(!f.combo("cboxPortName")->isEnabled());

    peer.write(hexBytes("01 02 03"));
    QTRY_COMPARE(f.buttonText("btnReceiveCount"), QString("接收 : 3 字节"));
    f.click("btnOpen");
    QCOMPARE(f.buttonText("btnOpen"), QString("打开串口"));
    QCOMPARE(f.logLines().size(), 1);
    QVERIFY(f.logLines()[0].endsWith("提示信息 >> 关闭串口!!"));
    QCOMPARE(f.buttonText("btnReceiveCount"), QString("接收 : 3 字节"));
    QVERIFY(!f.button("btnSend")->isEnabled());
    QVERIFY(!f.timer("readTimer")->isActive());
}

void TestConsoleSerial::requestFrameGoesOut()
{
    FormDriver f(form);
    f.check("ckHexSend")->setChecked(true);
    openConsole();
    f.check("ckAutoPrint")->setChecked(true);
    f.setText("pid", "1");
    f.combo("fid")->setCurrentText("3");
    f.click("btnSend");
    QCOMPARE(peer.readAtLeast(8, 3000), hexBytes("01 03 00 00 00 01 84 0A"));
    QCOMPARE(f.combo("cboxData")->currentText(), QString("01 03 00 00 00 01 84 0A "));
    QCOMPARE(f.buttonText("btnSendCount"), QString("发送 : 8 字节"));
    QVERIFY(f.lastLineWith("串口发送 >>").endsWith("串口发送 >> 01 03 00 00 00 01 84 0A"));
    QCOMPARE(f.lineColor(f.logLines().size() - 1), QColor("dodgerblue"));

    // With auto-clear the send box is emptied and focused after each send.
    f.check("ckAutoClear")->setChecked(true);
    form->show();
    f.click("btnSend");
    QCOMPARE(peer.readAtLeast(8, 3000).size(), 8);
    QCOMPARE(f.combo("cboxData")->currentText(), QString());
    QCOMPARE(f.buttonText("btnSendCount"), QString("发送 : 16 字节"));
}

void TestConsoleSerial::requestAsTextWithoutHexSend()
{
    FormDriver f(form);
    openConsole();
    f.setText("pid", "1");
    f.combo("fid")->setCurrentText("3");
    f.click("btnSend");
    QCOMPARE(peer.readAtLeast(24, 3000), QByteArray("01 03 00 00 00 01 84 0A "));
    QCOMPARE(f.buttonText("btnSendCount"), QString("发送 : 24 字节"));
    QCOMPARE(f.linesWith("串口发送"), 0); // not printed unless asked for
}

void TestConsoleSerial::atCommandsGetCarriageReturn()
{
    FormDriver f(form);
    openConsole();
    f.check("ckAutoPrint")->setChecked(true);
    f.sendText("AT+CSQ");
    QCOMPARE(peer.readAtLeast(7, 3000), QByteArray("AT+CSQ\r"));
    QVERIFY(f.lastLineWith("串口发送").endsWith("串口发送 >> AT+CSQ\\CR"));
    f.sendText("at");
    QCOMPARE(peer.readAtLeast(2, 3000), QByteArray("at"));
    f.sendText("A\\CR\\x00");
    QCOMPARE(peer.readAtLeast(3, 3000), QByteArray("A\r\0", 3));
    QCOMPARE(f.buttonText("btnSendCount"), QString("发送 : 12 字节"));
    // The line shows what went on the wire: a character with no single byte went as "?".
    f.sendText("世界");
    QCOMPARE(peer.readAtLeast(2, 3000), QByteArray("??"));
    QVERIFY2(f.lastLineWith("串口发送").endsWith("串口发送 >> ??"), qPrintable(f.lastLineWith("串口发送")));
    f.check("ckHexSend")->setChecked(true);
    f.sendText("0102 03 ");
    QCOMPARE(peer.readAtLeast(3, 3000), hexBytes("01 02 03"));
    QVERIFY2(f.lastLineWith("串口发送").endsWith("串口发送 >> 01 02 03"), qPrintable(f.lastLineWith("串口发送")));
}

void TestConsoleSerial::decodedValues_data()
{
    QTest::addColumn<QByteArray>("reception");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("values");
    QTest::newRow("123") << hexBytes("01 03 02 00 7B F8 67") << "01 03 02 00 7B F8 67" << "123 ";
    QTest::newRow("-1 10") << hexBytes("01 03 04 FF FF 00 0A 00 00") << "01 03 04 FF FF 00 0A 00 00" << "-1 10 ";
    QTest::newRow("short data") << hexBytes("01 03 06 00 01") << "01 03 06 00 01" << "1 ";
    QTest::newRow("two bytes") << hexBytes("01 03") << "01 03" << "";
}

void TestConsoleSerial::decodedValues()
{
    QFETCH(QByteArray, reception);
    QFETCH(QString, shown);
    QFETCH(QString, values);
    FormDriver f(form);
    f.check("ckHexReceive")->setChecked(true);
    openConsole();
    peer.write(reception);
    QTRY_COMPARE(f.buttonText("btnReceiveCount"), QString("接收 : %1 字节").arg(reception.size()));
    const QString line = f.lastLineWith("串口接收");
    QVERIFY2(line.endsWith("串口接收 << " + shown), qPrintable(line));
    if (values.isEmpty()) {
        QCOMPARE(f.linesWith("数值解析"), 0);
    } else {
        QVERIFY(f.lastLineWith("数值解析").endsWith("数值解析 >> " + values));
        QCOMPARE(f.lineColor(f.logLines().size() - 1), QColor("red"));
    }
}

void TestConsoleSerial::textReceptionStopsAtZeroByte()
{
    FormDriver f(form);
    openConsole();
    peer.write(QByteArray("AB\0CD", 5));
    QTRY_COMPARE(f.buttonText("btnReceiveCount"), QString("接收 : 5 字节"));
    QVERIFY(f.lastLineWith("串口接收").endsWith("串口接收 << AB"));
    QCOMPARE(f.linesWith("数值解析"), 0);
}

void TestConsoleSerial::deviceSimulationAnswersFirstMatch()
{
    AppSettings::DeviceKeys = QStringList{"01 03 00 00 00 01", "01 03"};
    AppSettings::DeviceValues = QStringList{"01 03 02 00 01", "EE EE"};
    FormDriver f(form);
    f.check("ckHexSend")->setChecked(true);
    f.check("ckHexReceive")->setChecked(true);
    f.check("ckDebug")->setChecked(true);
    openConsole();
    f.check("ckAutoPrint")->setChecked(true);
    peer.write(hexBytes("01 03 00 00 00 01 84 0A"));
    QCOMPARE(peer.readAtLeast(5, 3000), hexBytes("01 03 02 00 01"));
    QCOMPARE(peer.readFor(300), QByteArray()); // answered once
    QTRY_COMPARE(f.buttonText("btnReceiveCount"), QString("接收 : 8 字节"));
    QCOMPARE(f.buttonText("btnSendCount"), QString("发送 : 5 字节"));
    // The answer's line stands above the reception's line.
    const QStringList lines = f.logLines();
    const int sent = lines.indexOf(QRegularExpression(".*串口发送 >> 01 03 02 00 01$"));
    const int received = lines.indexOf(QRegularExpression(".*串口接收 << 01 03 00 00 00 01 84 0A$"));
    QVERIFY(sent >= 0 && received > sent);

    // Unchecked: no answer.
    f.check("ckDebug")->setChecked(false);
    peer.write(hexBytes("01 03 00 00 00 01 84 0A"));
    QCOMPARE(peer.readFor(400), QByteArray());
}

void TestConsoleSerial::stoppedDisplayStillCountsAndAnswers()
{
    AppSettings::DeviceKeys = QStringList{"PING"};
    AppSettings::DeviceValues = QStringList{"PONG"};
    FormDriver f(form);
    f.check("ckDebug")->setChecked(true);
    openConsole();
    f.click("btnStopShow");
    peer.write("PING");
    QCOMPARE(peer.readAtLeast(4, 3000), QByteArray("PONG"));
    QTRY_COMPARE(f.buttonText("btnReceiveCount"), QString("接收 : 4 字节"));
    QCOMPARE(f.linesWith("PING"), 0);
}

void TestConsoleSerial::healthyPtyIsNotTakenForVanished()
{
    FormDriver f(form);
    openConsole();
    QTest::qWait(2600); // two port checks
    QCOMPARE(f.buttonText("btnOpen"), QString("关闭串口"));
    QCOMPARE(f.logLines().size(), 1);
    QVERIFY(f.timer("portCheckTimer")->isActive());
}

void TestConsoleSerial::vanishedPortIsReopened()
{
    FormDriver f(form);
    f.check("ckHexReceive")->setChecked(true);
    openConsole();
    peer.close();
    pair->stop();
    QTRY_COMPARE_WITH_TIMEOUT(f.buttonText("btnOpen"), QString("打开串口"), 3000);
    QCOMPARE(f.logLines().size(), 1);
    QVERIFY(f.logLines()[0].endsWith("提示信息 >> 关闭串口!!"));
    QVERIFY(f.timer("reopenTimer")->isActive());
    // The form stays usable while the retries run.
    f.appendLog(LogInfo, "still here");
    QTest::qWait(1500);
    QCOMPARE(f.buttonText("btnOpen"), QString("打开串口"));

    QString error;
    QVERIFY2(pair->start(&error), qPrintable(error));
    QTRY_COMPARE_WITH_TIMEOUT(f.buttonText("btnOpen"), QString("关闭串口"), 3000);
    QVERIFY(f.lastLineWith("打开串口成功!!").size() > 0);
    QVERIFY(!f.timer("reopenTimer")->isActive());

    // The reopened session works.
    QVERIFY2(peer.open(pair->peerEnd(), &error), qPrintable(error));
    peer.write(hexBytes("01 03 02 00 7B F8 67"));
    QTRY_VERIFY(f.lastLineWith("数值解析").endsWith("123 "));
}

void TestConsoleSerial::openButtonStopsTheRetries()
{
    FormDriver f(form);
    openConsole();
    peer.close();
    pair->stop();
    QTRY_VERIFY_WITH_TIMEOUT(f.timer("reopenTimer")->isActive(), 3000);
    f.combo("cboxPortName")->addItem("ttyNoSuchPort42");
    f.combo("cboxPortName")->setCurrentText("ttyNoSuchPort42");
    f.click("btnOpen");
    QVERIFY(!f.timer("reopenTimer")->isActive());
    QCOMPARE(f.buttonText("btnOpen"), QString("打开串口"));
}

void TestConsoleSerial::autoSendStartsWithTheSession()
{
    AppSettings::AutoSend = true;
    AppSettings::SendInterval = 100;
    AppSettings::HexSend = true;
    delete form;
    form = new frmTolvan;
    FormDriver f(form);
    f.setText("pid", "1");
    f.combo("fid")->setCurrentText("3");
    openConsole();
    QVERIFY(f.timer("sendTimer")->isActive());
    const QByteArray got = peer.readAtLeast(24, 3000);
    QVERIFY2(got.startsWith(hexBytes("01 03 00 00 00 01 84 0A 01 03 00 00 00 01 84 0A 01 03")), got.toHex(' ').constData());
    f.click("btnOpen");
    QVERIFY(!f.timer("sendTimer")->isActive()); // every close stops auto-send
    QVERIFY(f.check("ckAutoSend")->isChecked());
}

void TestConsoleSerial::noSendAfterClose()
{
    FormDriver f(form);
    openConsole();
    f.click("btnOpen");
    f.button("btnSend")->setEnabled(true);
    f.click("btnSend");
    f.sendText("hello");
    QCOMPARE(peer.readFor(300), QByteArray());
    QCOMPARE(f.buttonText("btnSendCount"), QString("发送 : 0 字节"));
}

void TestConsoleSerial::sendListEditorSurvivesTheSessionEnding()
{
    QVERIFY(writeFile(env->file("send.txt"), "01 03 00 00 00 01\nAT\n"));
    FormDriver f(form);
    openConsole();
    f.click("btnData");
    f.click("btnOpen"); // closing the port clears the log, not the list being edited
    QCOMPARE(f.buttonText("btnData"), QString("保存数据"));
    QCOMPARE(f.log()->toPlainText(), QString("01 03 00 00 00 01\nAT\n"));
    f.click("btnOpen");
    peer.close();
    pair->stop(); // the port is lost while editing
    QTRY_VERIFY_WITH_TIMEOUT(f.timer("reopenTimer")->isActive(), 3000);
    QCOMPARE(f.log()->toPlainText(), QString("01 03 00 00 00 01\nAT\n"));
    f.click("btnData");
    QCOMPARE(readFile(env->file("send.txt")), QByteArray("01 03 00 00 00 01\nAT\n"));
    QCOMPARE(f.linesWith("关闭串口!!"), 1);
}

void TestConsoleSerial::portReplacedWithinATenthOfASecond()
{
    FormDriver f(form);
    openConsole();
    f.check("ckAutoPrint")->setChecked(true);
    peer.close();
    QElapsedTimer gap;
    gap.start();
    pair->stop();
    // A send into the hung-up port goes nowhere: it is neither counted nor logged.
    f.sendText("lost");
    QString error;
    QVERIFY2(pair->start(&error), qPrintable(error));
    QVERIFY2(gap.elapsed() < 100, qPrintable(QString::number(gap.elapsed())));
    QCOMPARE(f.buttonText("btnSendCount"), QString("发送 : 0 字节"));
    QCOMPARE(f.linesWith("串口发送"), 0);

    // The dead session is closed and the new device opened within about a second.
    QTRY_COMPARE_WITH_TIMEOUT(f.linesWith("打开串口成功!!"), 1, 4000);
    QCOMPARE(f.buttonText("btnOpen"), QString("关闭串口"));
    QVERIFY2(peer.open(pair->peerEnd(), &error), qPrintable(error));
    f.sendText("hello");
    QCOMPARE(peer.readAtLeast(5, 3000), QByteArray("hello"));
    QCOMPARE(f.buttonText("btnSendCount"), QString("发送 : 5 字节"));
    peer.write("back");
    QTRY_VERIFY(f.lastLineWith("串口接收").endsWith("串口接收 << back"));

    // Idle again, the process sleeps.
    const double before = processCpuSeconds();
    QTest::qWait(3000);
    const double used = processCpuSeconds() - before;
    QVERIFY2(used < 0.3, qPrintable(QString("%1 CPU-s in 3 s").arg(used)));
}

void TestConsoleSerial::typedPathOpens()
{
    AppSettings::PortName = "COM3";
    delete form;
    form = new frmTolvan;
    form->show();
    FormDriver f(form);
    QComboBox *box = f.combo("cboxPortName");
    box->lineEdit()->selectAll();
    QTest::keyClicks(box, pair->consoleEnd());
    QCOMPARE(box->currentText(), pair->consoleEnd());
    QCOMPARE(AppSettings::PortName, pair->consoleEnd()); // stored as typed
    f.click("btnOpen");
    QCOMPARE(f.buttonText("btnOpen"), QString("关闭串口"));
    peer.write("typed");
    QTRY_VERIFY(f.lastLineWith("串口接收").endsWith("串口接收 << typed"));
}

void TestConsoleSerial::failedOpenSaysWhy()
{
    FormDriver f(form);
    QComboBox *box = f.combo("cboxPortName");
    box->setEditText(env->file("noSuchPort"));
    f.click("btnOpen");
    QCOMPARE(f.buttonText("btnOpen"), QString("打开串口"));
    QVERIFY(f.logLines().isEmpty()); // the log stays silent
    QCOMPARE(box->toolTip(), QString("没有该设备"));
    QCOMPARE(f.find<QLabel>("labPortName")->toolTip(), QString("没有该设备"));
    box->setEditText(pair->consoleEnd()); // another port: the reason goes
    QVERIFY(box->toolTip().isEmpty());

    // Held by another program (here another port object of this process).
    QSerialPort holder(pair->consoleEnd());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    f.click("btnOpen");
    QCOMPARE(f.buttonText("btnOpen"), QString("打开串口"));
    QCOMPARE(box->toolTip(), QString("设备忙或被占用"));
    holder.close();
    f.click("btnOpen");
    QCOMPARE(f.buttonText("btnOpen"), QString("关闭串口"));
    QVERIFY(box->toolTip().isEmpty());
}

void TestConsoleSerial::portsComeAndGo()
{
    // Links in a watched folder stand for adapters being plugged in and pulled out.
    QTemporaryDir folder;
    QComboBox box;
    box.setEditable(true);
    QLabel label;
    QString stored = "COM1";
    PortWatcher watcher(&box, &label, {folder.path()}, &stored);
    QTRY_VERIFY(box.count() >= 34);
    box.setEditText("/dev/ttyACM");
    box.lineEdit()->setCursorPosition(5);
    VirtualSerialPair adapter(folder.path());
    QString error;
    QVERIFY2(adapter.start(&error), qPrintable(error));
    QTRY_VERIFY_WITH_TIMEOUT(box.findText(adapter.consoleEnd()) >= 34, 1000);
    QVERIFY(box.findText(adapter.peerEnd()) >= 34);
    QCOMPARE(box.currentText(), QString("/dev/ttyACM"));
    QCOMPARE(box.lineEdit()->cursorPosition(), 5);
    adapter.stop();
    QTRY_VERIFY_WITH_TIMEOUT(box.findText(adapter.consoleEnd()) < 0, 1000);
    QCOMPARE(box.currentText(), QString("/dev/ttyACM"));
    QCOMPARE(box.itemText(33), QString("ttySAC4")); // the fixed names stay
}

void TestConsoleSerial::characterSplitAcrossReceptions()
{
    FormDriver f(form);
    openConsole();
    const QByteArray text = QString("温度").toUtf8(); // two characters of three bytes each
    peer.write("t=" + text.left(4));
    QTRY_COMPARE(f.linesWith("串口接收"), 1);
    QTest::qWait(200);
    peer.write(text.mid(4) + "\xff!");
    QTRY_COMPARE(f.linesWith("串口接收"), 2);
    const QStringList lines = f.logLines();
    QVERIFY2(lines.at(lines.size() - 2).endsWith("串口接收 << t=温"), qPrintable(lines.join('\n')));
    // Bytes that are no UTF-8 still show as replacement marks.
    QVERIFY2(lines.last().endsWith(QString("串口接收 << 度\uFFFD!")), qPrintable(lines.last()));
    QCOMPARE(f.buttonText("btnReceiveCount"), QString("接收 : 10 字节"));
}

void TestConsoleSerial::repliesInPieces_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QByteArrayList>("pieces");
    QTest::addColumn<QString>("decoded");
    const QByteArray reply = hexBytes("01 03 04 00 0A 00 14 DA 3E");
    QTest::newRow("split in two") << "16 位有符号" << QByteArrayList{reply.left(4), reply.mid(4)} << "10 20 ";
    QTest::newRow("bad CRC") << "16 位有符号" << QByteArrayList{hexBytes("01 03 04 00 0A 00 14 00 00")}
                             << "10 20 CRC错误: 应为 DA 3E";
    QTest::newRow("exception") << "16 位有符号" << QByteArrayList{hexBytes("01 83 02 C0 F1")}
                               << "异常响应: 功能码 03, 异常码 02 (非法数据地址)";
    QTest::newRow("never complete") << "16 位有符号" << QByteArrayList{reply.left(5)}
                                    << "10 (不完整: 收到 5/9 字节)";
    QTest::newRow("float") << "32 位浮点 ABCD" << QByteArrayList{hexBytes("01 03 04 41 20 00 00 EF C5")} << "10 ";
}

void TestConsoleSerial::repliesInPieces()
{
    QFETCH(QString, format);
    QFETCH(QByteArrayList, pieces);
    QFETCH(QString, decoded);
    FormDriver f(form);
    f.check("ckHexSend")->setChecked(true);
    f.check("ckHexReceive")->setChecked(true);
    f.combo("cboxValueFormat")->setCurrentText(format);
    openConsole();
    f.setText("pid", "1");
    f.combo("fid")->setCurrentText("3");
    f.setText("value", "2");
    f.click("btnSend");
    QCOMPARE(peer.readAtLeast(8, 3000), hexBytes("01 03 00 00 00 02 C4 0B"));
    for (const QByteArray &piece : pieces) {
        peer.write(piece);
        QTest::qWait(150);
    }
    QTRY_COMPARE_WITH_TIMEOUT(f.linesWith("串口接收"), pieces.size(), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(f.linesWith("数值解析"), 1, 3000);
    QTest::qWait(1100); // and nothing more after the time limit
    QCOMPARE(f.linesWith("数值解析"), 1);
    QVERIFY2(f.lastLineWith("数值解析").endsWith("数值解析 >> " + decoded), qPrintable(f.lastLineWith("数值解析")));
}

QTEST_MAIN(TestConsoleSerial)
#include "tst_console_serial.moc"
