// The console form driven through its widgets, without a serial port.
#include "appsettings.h"
#include "formdriver.h"
#include "frmtolvan.h"
#include "logformat.h"
#include "settingsbinding.h"
#include "testsupport.h"

#include <QMessageBox>
#include <QSettings>
#include <QtTest>

class TestConsoleForm : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void initialWidgets();
    void listsAndStoredSelections();
    void storedPortPathIsSelectable();
    void storedValuesTheFormDoesNotOfferAreRepaired_data();
    void storedValuesTheFormDoesNotOfferAreRepaired();
    void everyChangeIsWritten();
    void sendIntervalFollowsTheBox();
    void autoSendWaitsForASession();
    void logLineFormatAndColour();
    void logIsPlainText();
    void hundredLineClear();
    void hundredLineClearWithDisplayOff();
    void stopShowToggles();
    void counterButtonsReset();
    void rangeCalculator_data();
    void rangeCalculator();
    void rangeCalculatorRefusesEqualSignalPoints();
    void saveDataOnEmptyLogDoesNothing();
    void saveDataWritesAndClears();
    void saveFailureKeepsTheLog();
    void autoSaveKeepsLinesDroppedByTheAutoClear();
    void sendListEditor();
    void sendListEditorWithoutFile();
    void sendListEditorSurvivesClears();
    void sendListNotUtf8KeepsItsBytes();
    void quittingWithEditedSendList_data();
    void quittingWithEditedSendList();

private:
    frmTolvan *makeForm();
    ConsoleEnvironment *env = nullptr;
    frmTolvan *form = nullptr;
};

frmTolvan *TestConsoleForm::makeForm()
{
    delete form;
    form = new frmTolvan;
    return form;
}

void TestConsoleForm::init()
{
    if (!env) {
        env = new ConsoleEnvironment;
    }
    env->reset();
    QFile::remove(AppSettings::ConfigFile);
    QDir dir(env->dir());
    for (const QString &name : dir.entryList({"*.txt"}, QDir::Files)) {
        dir.remove(name);
    }
}

void TestConsoleForm::cleanup()
{
    delete form;
    form = nullptr;
}

void TestConsoleForm::initialWidgets()
{
    FormDriver f(makeForm());
    QCOMPARE(form->objectName(), QString("frmTolvan"));
    QCOMPARE(form->size(), QSize(800, 600));
    QCOMPARE(f.edit("pid")->text(), QString("0"));
    QCOMPARE(f.combo("fid")->currentText(), QString("4"));
    QCOMPARE(f.edit("addr")->text(), QString("0"));
    QCOMPARE(f.edit("value")->text(), QString("1"));
    QCOMPARE(f.buttonText("btnOpen"), QString("打开串口"));
    QCOMPARE(f.buttonText("btnSendCount"), QString("发送 : 0 字节"));
    QCOMPARE(f.buttonText("btnReceiveCount"), QString("接收 : 0 字节"));
    QCOMPARE(f.buttonText("btnStopShow"), QString("停止显示"));
    QCOMPARE(f.buttonText("btnData"), QString("管理数据"));
    QCOMPARE(f.buttonText("btnStart"), QString("启动"));
    QCOMPARE(f.buttonText("calculate_pushButton"), QString("计算"));
    QCOMPARE(f.find<QTabWidget>("tabWidget")->currentIndex(), 0);
    QCOMPARE(f.find<QTabWidget>("tabWidget")->tabText(2), QString("量程"));
    QCOMPARE(f.combo("scale_comboBox")->currentIndex(), 1);
    QVERIFY(f.log()->isReadOnly());
    QVERIFY(f.combo("cboxData")->isEditable());

    // No session: port settings editable, send side locked.
    for (const char *name : {"cboxBaudRate", "cboxDataBit", "cboxParity", "cboxPortName", "cboxStopBit"}) {
        QVERIFY2(f.combo(name)->isEnabled(), name);
    }
    for (const char *name : {"btnSend", "ckAutoSend", "ckAutoSave", "ckAutoPrint"}) {
        QVERIFY2(!form->findChild<QWidget *>(name)->isEnabled(), name);
    }
    QVERIFY(f.timer("connectTimer")->isActive());
    QCOMPARE(f.timer("connectTimer")->interval(), 3000);
    QVERIFY(!f.timer("readTimer")->isActive());
    QVERIFY(!f.timer("sendTimer")->isActive());
}

void TestConsoleForm::listsAndStoredSelections()
{
    AppSettings::SendList = QStringList{"AA BB", "CC"};
    AppSettings::StopBit = 1.5;
    AppSettings::Parity = "空格";
    AppSettings::BaudRate = 115200;
    AppSettings::SleepTime = 900;
    AppSettings::Mode = "Udp_Server";
    FormDriver f(makeForm());
    QCOMPARE(f.combo("cboxPortName")->currentText(), QString("COM1"));
    QVERIFY(f.combo("cboxPortName")->count() >= 34);
    QCOMPARE(f.combo("cboxBaudRate")->count(), 22);
    QCOMPARE(f.combo("cboxBaudRate")->currentText(), QString("115200"));
    QCOMPARE(f.combo("cboxStopBit")->currentText(), QString("1.5"));
    QCOMPARE(f.combo("cboxParity")->currentIndex(), 4);
    QCOMPARE(f.combo("cboxDataBit")->currentText(), QString("8"));
    QComboBox *send = f.combo("cboxSendInterval");
    QCOMPARE(send->count(), 27);
    QCOMPARE(send->itemText(0), QString("1"));
    QCOMPARE(send->itemText(14), QString("100"));
    QCOMPARE(send->itemText(26), QString("10000"));
    QCOMPARE(send->currentIndex(), 8); // the first "1000"
    QCOMPARE(f.combo("cboxSaveInterval")->count(), 10);
    QCOMPARE(f.combo("cboxSaveInterval")->currentText(), QString("5000"));
    QCOMPARE(f.combo("cboxSleepTime")->count(), 12);
    QCOMPARE(f.combo("cboxSleepTime")->currentText(), QString("900"));
    QCOMPARE(f.combo("cboxMode")->currentText(), QString("Udp_Server"));
    QCOMPARE(f.edit("txtServerIP")->text(), QString("127.0.0.1"));
    QCOMPARE(f.edit("txtServerPort")->text(), QString("6000"));
    QCOMPARE(f.combo("cboxData")->count(), 2);
    QCOMPARE(f.combo("cboxData")->itemText(1), QString("CC"));

    AppSettings::StopBit = 1;
    makeForm();
    QCOMPARE(FormDriver(form).combo("cboxStopBit")->currentText(), QString("1"));
}

void TestConsoleForm::storedPortPathIsSelectable()
{
    AppSettings::PortName = "/dev/pts/77";
    FormDriver f(makeForm());
    QComboBox *box = f.combo("cboxPortName");
    QCOMPARE(box->currentText(), QString("/dev/pts/77"));
    QCOMPARE(box->itemText(box->count() - 1), QString("/dev/pts/77"));
    QCOMPARE(box->itemText(33), QString("ttySAC4"));
}

void TestConsoleForm::storedValuesTheFormDoesNotOfferAreRepaired_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("shown");
    QTest::newRow("baud rate") << "BaudRate" << "1000" << "cboxBaudRate" << "9600";
    QTest::newRow("data bits") << "DataBit" << "9" << "cboxDataBit" << "8";
    QTest::newRow("parity") << "Parity" << "None" << "cboxParity" << "无";
    QTest::newRow("stop bits") << "StopBit" << "3" << "cboxStopBit" << "1";
    QTest::newRow("negative send interval") << "SendInterval" << "-5" << "cboxSendInterval" << "1000";
    QTest::newRow("save interval") << "SaveInterval" << "7" << "cboxSaveInterval" << "5000";
    QTest::newRow("huge delay") << "SleepTime" << "2147483647" << "cboxSleepTime" << "100";
    QTest::newRow("mode") << "Mode" << "Serial" << "cboxMode" << "Tcp_Client";
}

void TestConsoleForm::storedValuesTheFormDoesNotOfferAreRepaired()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QString, box);
    QFETCH(QString, shown);
    AppSettings::setting(key)->setValue(stored);
    AppSettings::Debug = true; // a good value that must survive the repair
    FormDriver f(makeForm());
    QCOMPARE(f.combo(qPrintable(box))->currentText(), shown);
    QCOMPARE(settingText(AppSettings::setting(key)->value()), shown);
    QSettings file(AppSettings::ConfigFile, QSettings::IniFormat);
    QCOMPARE(settingText(file.value(QString("%1/%2").arg(AppSettings::setting(key)->group, key))), shown);
    QCOMPARE(file.value("ComConfig/Debug").toString(), QString("true"));
    QCOMPARE(f.timer("sendTimer")->interval(), AppSettings::SendInterval);
}

void TestConsoleForm::everyChangeIsWritten()
{
    FormDriver f(makeForm());
    QTest::keyClicks(f.edit("txtServerIP"), " 10.0.0");
    QSettings set(AppSettings::ConfigFile, QSettings::IniFormat);
    QCOMPARE(set.value("NetConfig/ServerIP").toString(), QString("127.0.0.1 10.0.0"));
    f.edit("txtServerIP")->setText("  192.0.2.1  ");
    QSettings again(AppSettings::ConfigFile, QSettings::IniFormat);
    QCOMPARE(again.value("NetConfig/ServerIP").toString(), QString("192.0.2.1"));
    QCOMPARE(AppSettings::ServerIP, QString("192.0.2.1"));

    f.check("ckHexSend")->setChecked(true);
    QVERIFY(AppSettings::HexSend);
    f.combo("cboxParity")->setCurrentIndex(2);
    QCOMPARE(AppSettings::Parity, QString("偶"));
    f.combo("cboxStopBit")->setCurrentIndex(1);
    QCOMPARE(AppSettings::StopBit, 1.5);
    f.edit("txtServerPort")->setText("50x");
    QCOMPARE(AppSettings::ServerPort, 0);
    QSettings third(AppSettings::ConfigFile, QSettings::IniFormat);
    QCOMPARE(third.value("ComConfig/HexSend").toString(), QString("true"));
    QCOMPARE(third.value("ComConfig/StopBit").toString(), QString("1.5"));
    QCOMPARE(third.allKeys().size(), 21);

    // A cleared address is written empty, and the next start repairs only that key.
    f.edit("txtServerIP")->clear();
    AppSettings::resetToDefaults();
    AppSettings::readConfig();
    QCOMPARE(AppSettings::ServerIP, QString("127.0.0.1"));
    QCOMPARE(AppSettings::Parity, QString("偶"));
}

void TestConsoleForm::sendIntervalFollowsTheBox()
{
    FormDriver f(makeForm());
    QTimer *timer = f.timer("sendTimer");
    QCOMPARE(timer->interval(), 1000);
    QComboBox *box = f.combo("cboxSendInterval");
    box->setCurrentIndex(box->findText("300"));
    QCOMPARE(timer->interval(), 300);
    QCOMPARE(AppSettings::SendInterval, 300);
    QCOMPARE(QSettings(AppSettings::ConfigFile, QSettings::IniFormat).value("ComConfig/SendInterval").toInt(), 300);
    // The duplicate "300" further down stores the same value and leaves the timer alone.
    timer->setInterval(777);
    box->setCurrentIndex(15);
    QCOMPARE(box->currentText(), QString("300"));
    QCOMPARE(timer->interval(), 777);

    f.combo("cboxSaveInterval")->setCurrentIndex(0);
    QCOMPARE(f.timer("saveTimer")->interval(), 1000);
}

void TestConsoleForm::autoSendWaitsForASession()
{
    // Stored auto-send with the fastest interval: nothing ticks before a port is open.
    AppSettings::AutoSend = true;
    AppSettings::SendInterval = 1;
    FormDriver f(makeForm());
    QVERIFY(f.check("ckAutoSend")->isChecked());
    QVERIFY(!f.timer("sendTimer")->isActive());
    QCOMPARE(f.timer("sendTimer")->interval(), 1);
    f.combo("cboxData")->setEditText("typed by hand");
    QTest::qWait(50);
    QCOMPARE(f.combo("cboxData")->currentText(), QString("typed by hand"));
}

void TestConsoleForm::logLineFormatAndColour()
{
    FormDriver f(makeForm());
    f.appendLog(LogSerialReceive, "AB\r\nCD");
    f.appendLog(LogInfo, "");
    f.appendLog(LogSerialSend, "%1 done");
    f.appendLog(LogNetReceive, "x");
    const QStringList lines = f.logLines();
    QCOMPARE(lines.size(), 4);
    QVERIFY(QRegularExpression("^时间\\[\\d\\d:\\d\\d:\\d\\d \\d\\d\\d\\] 串口接收 << ABCD$").match(lines[0]).hasMatch());
    QVERIFY(lines[1].endsWith("提示信息 >> "));
    QVERIFY(lines[2].endsWith("串口发送 >> %1 done"));
    QCOMPARE(f.lineColor(0), QColor("red"));
    QCOMPARE(f.lineColor(1), QColor("magenta"));
    QCOMPARE(f.lineColor(2), QColor("dodgerblue"));
    QCOMPARE(f.lineColor(3), QColor(255, 107, 107));
}

void TestConsoleForm::logIsPlainText()
{
    FormDriver f(makeForm());
    f.appendLog(LogSerialReceive, "<b>x</b>");
    f.appendLog(LogSerialReceive, "&lt; <br/> <img src=x>");
    QVERIFY(f.logLines()[0].endsWith("串口接收 << <b>x</b>"));
    QVERIFY(f.logLines()[1].endsWith("串口接收 << &lt; <br/> <img src=x>"));
    QCOMPARE(f.logLines().size(), 2);
    QVERIFY(!f.log()->document()->toHtml().contains("<b>x</b>"));
}

void TestConsoleForm::hundredLineClear()
{
    FormDriver f(makeForm());
    for (int i = 1; i <= 100; ++i) {
        f.appendLog(LogInfo, QString::number(i));
    }
    QCOMPARE(f.logLines().size(), 100);
    f.appendLog(LogInfo, "101");
    QCOMPARE(f.logLines().size(), 1);
    QVERIFY(f.logLines()[0].endsWith(">> 101"));
}

void TestConsoleForm::hundredLineClearWithDisplayOff()
{
    FormDriver f(makeForm());
    for (int i = 1; i <= 100; ++i) {
        f.appendLog(LogInfo, QString::number(i));
    }
    f.click("btnStopShow");
    f.appendLog(LogInfo, "101");
    QVERIFY(f.logLines().isEmpty());
    f.appendLog(LogInfo, "102");
    QVERIFY(f.logLines().isEmpty());
    // A clearing call while the display is off still empties the view.
    f.click("btnStopShow");
    f.appendLog(LogInfo, "x");
    f.click("btnStopShow");
    f.click("btnClear");
    QVERIFY(f.logLines().isEmpty());
}

void TestConsoleForm::stopShowToggles()
{
    FormDriver f(makeForm());
    f.appendLog(LogInfo, "before");
    f.click("btnStopShow");
    QCOMPARE(f.buttonText("btnStopShow"), QString("开始显示"));
    f.appendLog(LogInfo, "hidden");
    f.click("btnStopShow");
    QCOMPARE(f.buttonText("btnStopShow"), QString("停止显示"));
    f.appendLog(LogInfo, "after");
    QCOMPARE(f.logLines().size(), 2);
    QCOMPARE(f.linesWith("hidden"), 0);
}

void TestConsoleForm::counterButtonsReset()
{
    FormDriver f(makeForm());
    f.button("btnSendCount")->setText("发送 : 99 字节");
    f.click("btnSendCount");
    QCOMPARE(f.buttonText("btnSendCount"), QString("发送 : 0 字节"));
    f.click("btnReceiveCount");
    QCOMPARE(f.buttonText("btnReceiveCount"), QString("接收 : 0 字节"));
}

void TestConsoleForm::rangeCalculator_data()
{
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("instrument");
    QTest::newRow("4-20mA") << QStringList{"0", "100", "4", "20"} << "4-20mA" << 1 << "实际量程: 0 ~ 100" << "仪表量程: 0 ~ 1000";
    QTest::newRow("0-10V") << QStringList{"0", "100", "4", "20"} << "0-10V" << 2 << "实际量程: -25 ~ 37.5" << "仪表量程: -2500 ~ 3750";
    QTest::newRow("0-20mA") << QStringList{"-40", "120", "4", "20"} << "0-20mA" << 0 << "实际量程: -80 ~ 120" << "仪表量程: -80 ~ 120";
    QTest::newRow("1.6") << QStringList{"0", "1.6", "4", "20"} << "4-20mA" << 3 << "实际量程: 0 ~ 1.6" << "仪表量程: 0 ~ 1600";
}

void TestConsoleForm::rangeCalculator()
{
    QFETCH(QStringList, inputs);
    QFETCH(QString, type);
    QFETCH(int, decimals);
    QFETCH(QString, actual);
    QFETCH(QString, instrument);
    FormDriver f(makeForm());
    f.setText("sensorDown_lineEdit", inputs[0]);
    f.setText("sensorUp_lineEdit", inputs[1]);
    f.setText("signalDown_lineEdit", inputs[2]);
    f.setText("signalUp_lineEdit", inputs[3]);
    f.combo("signalType_comboBox")->setCurrentText(type);
    f.combo("scale_comboBox")->setCurrentIndex(decimals);
    f.click("calculate_pushButton");
    const QStringList lines = f.logLines();
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].endsWith("提示信息 >> " + actual), qPrintable(lines[0]));
    QVERIFY2(lines[1].endsWith("提示信息 >> " + instrument), qPrintable(lines[1]));

    // Only while the display is on.
    f.click("btnClear");
    f.click("btnStopShow");
    f.click("calculate_pushButton");
    QVERIFY(f.logLines().isEmpty());
}

void TestConsoleForm::rangeCalculatorRefusesEqualSignalPoints()
{
    FormDriver f(makeForm());
    f.setText("sensorDown_lineEdit", "0");
    f.setText("sensorUp_lineEdit", "100");
    f.click("calculate_pushButton"); // both signal points empty: 0 and 0
    QCOMPARE(f.logLines().size(), 1);
    QVERIFY(f.logLines()[0].endsWith("提示信息 >> 信号输入的两个点不能相同"));
    QCOMPARE(f.linesWith("inf"), 0);
    QCOMPARE(f.linesWith("nan"), 0);
}

void TestConsoleForm::saveDataOnEmptyLogDoesNothing()
{
    FormDriver f(makeForm());
    f.click("btnSave");
    QVERIFY(QDir(env->dir()).entryList({"*.txt"}, QDir::Files).isEmpty());
}

void TestConsoleForm::saveDataWritesAndClears()
{
    FormDriver f(makeForm());
    f.appendLog(LogInfo, "first");
    f.appendLog(LogSerialReceive, "second 温度");
    const QString before = f.log()->toPlainText();
    f.click("btnSave");
    QVERIFY(f.logLines().isEmpty());
    f.appendLog(LogInfo, "third");
    f.click("btnSave");
    // Two saves (possibly in the same second): every line is in the files.
    QByteArray all;
    for (const QString &name : QDir(env->dir()).entryList({"*.txt"}, QDir::Files, QDir::Name)) {
        QVERIFY(QRegularExpression("^\\d{4}-\\d\\d-\\d\\d-\\d\\d-\\d\\d-\\d\\d\\.txt$").match(name).hasMatch());
        all += readFile(env->file(name)) + "\n";
    }
    QVERIFY(all.contains(before.toUtf8()));
    QVERIFY(all.contains("提示信息 >> third"));
}

void TestConsoleForm::saveFailureKeepsTheLog()
{
    FormDriver f(makeForm());
    QVERIFY(writeFile(env->file("plain"), "x"));
    AppSettings::DataDir = env->file("plain/nowhere");
    f.appendLog(LogInfo, "precious");
    f.click("btnSave");
    AppSettings::DataDir = env->dir();
    QCOMPARE(f.logLines().size(), 2);
    QVERIFY(f.logLines()[0].endsWith("precious"));
    QVERIFY2(f.logLines()[1].contains("保存数据失败: " + env->file("plain/nowhere/")), qPrintable(f.logLines()[1]));
}

void TestConsoleForm::autoSaveKeepsLinesDroppedByTheAutoClear()
{
    FormDriver f(makeForm());
    f.check("ckAutoSave")->setChecked(true);
    QVERIFY(f.timer("saveTimer")->isActive());
    f.timer("saveTimer")->stop(); // only the auto-clear saves in this test
    for (int i = 1; i <= 101; ++i) {
        f.appendLog(LogInfo, QString("line %1").arg(i));
    }
    QCOMPARE(f.logLines().size(), 1);
    QByteArray all;
    for (const QString &name : QDir(env->dir()).entryList({"*.txt"}, QDir::Files)) {
        all += readFile(env->file(name));
    }
    QVERIFY(all.contains(">> line 1\n"));
    QVERIFY(all.contains(">> line 100"));
    QVERIFY(!all.contains("line 101"));
}

void TestConsoleForm::sendListEditor()
{
    const QByteArray content("<b>bold</b>\n01 03 00 00 00 01\n&amp;");
    QVERIFY(writeFile(env->file("send.txt"), content));
    FormDriver f(makeForm());
    f.appendLog(LogInfo, "old log");
    f.click("btnData");
    QCOMPARE(f.buttonText("btnData"), QString("保存数据"));
    QVERIFY(!f.log()->isReadOnly());
    QCOMPARE(f.log()->toPlainText(), QString::fromUtf8(content));

    // Traffic while editing stays out of the edited text.
    f.appendLog(LogSerialReceive, "arrived meanwhile");
    QCOMPARE(f.log()->toPlainText(), QString::fromUtf8(content));
    f.click("btnSave"); // nothing to save while the list is shown
    QCOMPARE(f.log()->toPlainText(), QString::fromUtf8(content));

    f.log()->moveCursor(QTextCursor::End);
    QTest::keyClick(f.log(), Qt::Key_Return);
    QTest::keyClicks(f.log(), "AT");
    f.click("btnData");
    QCOMPARE(f.buttonText("btnData"), QString("管理数据"));
    QVERIFY(f.log()->isReadOnly());
    QCOMPARE(readFile(env->file("send.txt")), content + "\nAT");
    QCOMPARE(AppSettings::SendList, (QStringList{"<b>bold</b>", "01 03 00 00 00 01", "&amp;", "AT"}));
    // The held line shows up afterwards.
    QCOMPARE(f.logLines().size(), 1);
    QVERIFY(f.logLines()[0].endsWith("串口接收 << arrived meanwhile"));
}

void TestConsoleForm::sendListEditorWithoutFile()
{
    FormDriver f(makeForm());
    f.appendLog(LogInfo, "kept");
    f.click("btnData");
    QCOMPARE(f.buttonText("btnData"), QString("管理数据"));
    QCOMPARE(f.logLines().size(), 1);
}

void TestConsoleForm::sendListEditorSurvivesClears()
{
    QVERIFY(writeFile(env->file("send.txt"), "01 03 00 00 00 01\nAT+CSQ\n"));
    FormDriver f(makeForm());
    f.click("btnData");
    f.appendLog(LogSerialReceive, "held line");
    f.click("btnClear"); // clears the log, held lines included, not the list being edited
    for (int i = 0; i < 150; ++i) {
        f.appendLog(LogSerialReceive, QString("traffic %1").arg(i));
    }
    QCOMPARE(f.log()->toPlainText(), QString("01 03 00 00 00 01\nAT+CSQ\n"));
    f.log()->moveCursor(QTextCursor::End);
    QTest::keyClicks(f.log(), "AT+GMR");
    f.click("btnData");
    QCOMPARE(readFile(env->file("send.txt")), QByteArray("01 03 00 00 00 01\nAT+CSQ\nAT+GMR"));
    QCOMPARE(f.linesWith("held line"), 0);
    QCOMPARE(f.linesWith("traffic 149"), 1);
}

void TestConsoleForm::sendListNotUtf8KeepsItsBytes()
{
    const QByteArray gbk("\xC4\xE3\xBA\xC3\r\n01 03\r\n"); // "你好" in GBK, Windows line ends
    QVERIFY(writeFile(env->file("send.txt"), gbk));
    FormDriver f(makeForm());
    f.click("btnData");
    f.click("btnData"); // no edit: the file stays as it was
    QCOMPARE(readFile(env->file("send.txt")), gbk);
    QVERIFY2(f.lastLineWith("不是 UTF-8").contains("send.txt"), qPrintable(f.logLines().join('\n')));

    f.click("btnData");
    f.log()->moveCursor(QTextCursor::End);
    QTest::keyClicks(f.log(), "AT");
    f.click("btnData"); // an edit writes UTF-8
    const QByteArray written = readFile(env->file("send.txt"));
    QVERIFY(written.endsWith("01 03\nAT"));
    QCOMPARE(QString::fromUtf8(written).toUtf8(), written);
}

void TestConsoleForm::quittingWithEditedSendList_data()
{
    QTest::addColumn<QString>("answer"); // empty: no question expected
    QTest::addColumn<bool>("edit");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("save") << "保存" << true << true << QByteArray("A\nB\nC");
    QTest::newRow("don't save") << "不保存" << true << true << QByteArray("A\nB\n");
    QTest::newRow("cancel") << "取消" << true << false << QByteArray("A\nB\n");
    QTest::newRow("unchanged") << "" << false << true << QByteArray("A\nB\n");
}

void TestConsoleForm::quittingWithEditedSendList()
{
    QFETCH(QString, answer);
    QFETCH(bool, edit);
    QFETCH(bool, closed);
    QFETCH(QByteArray, file);
    QVERIFY(writeFile(env->file("send.txt"), "A\nB\n"));
    FormDriver f(makeForm());
    form->show();
    f.click("btnData");
    if (edit) {
        f.log()->moveCursor(QTextCursor::End);
        QTest::keyClicks(f.log(), "C");
    }
    QStringList asked;
    QTimer::singleShot(100, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            for (QAbstractButton *b : box->buttons()) {
                asked << b->text();
            }
            for (QAbstractButton *b : box->buttons()) {
                if (b->text() == answer) {
                    b->click();
                }
            }
        }
    });
    QCOMPARE(form->close(), closed);
    QCOMPARE(asked.isEmpty(), answer.isEmpty());
    if (!asked.isEmpty()) {
        asked.sort();
        QStringList offered{"保存", "不保存", "取消"};
        offered.sort();
        QCOMPARE(asked, offered);
    }
    QCOMPARE(readFile(env->file("send.txt")), file);
    QCOMPARE(f.buttonText("btnData"), QString(answer == "保存" ? "管理数据" : "保存数据"));
}

QTEST_MAIN(TestConsoleForm)
#include "tst_console_form.moc"
