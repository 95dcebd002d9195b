// The console form driven through its widgets: settings, the log view, saving, the range
// calculator and the send-list editor.
#include "appsettings.h"
#include "consoletest.h"
#include "frmtolvan.h"
#include "logformat.h"
#include "settingsbinding.h"

#include <QApplication>
#include <QMessageBox>
#include <QSettings>
#include <QTabWidget>
#include <QtTest>

class TestConsoleForm : public ConsoleTest
{
    Q_OBJECT
private slots:
    void initialState();
    void storedSelections();
    void valuesTheFormDoesNotOfferAreRepaired_data();
    void valuesTheFormDoesNotOfferAreRepaired();
    void everyChangeIsWritten();
    void autoSendWaitsForASession();
    void logLines();
    void hundredLineClear();
    void rangeCalculator_data();
    void rangeCalculator();
    void saving();
    void sendListEditor();
    void sendListEditorSurvivesClears();
    void sendListNotUtf8KeepsItsBytes();
    void quittingWithEditedSendList_data();
    void quittingWithEditedSendList();
};

void TestConsoleForm::initialState()
{
    makeForm();
    QCOMPARE(form->size(), QSize(800, 600));
    QCOMPARE(combo("fid")->currentText(), QString("4"));
    QCOMPARE(combo("scale_comboBox")->currentIndex(), 1);
    QCOMPARE(text("btnOpen"), QString("打开串口"));
    QCOMPARE(text("btnSendCount"), QString("发送 : 0 字节"));
    auto *tabs = find<QTabWidget>("tabWidget");
    QCOMPARE(tabs->currentIndex(), 0);
    QCOMPARE(tabs->tabText(2), QString("量程"));
    QCOMPARE(tabs->tabText(3), QString("曲线"));
    QVERIFY(log()->isReadOnly());
    // No session: port settings editable, the send side locked, only the bridge's timer runs.
    for (const char *name : {"cboxBaudRate", "cboxDataBit", "cboxParity", "cboxPortName", "cboxStopBit"}) {
        QVERIFY2(combo(name)->isEnabled(), name);
    }
    for (const char *name : {"btnSend", "ckAutoSend", "ckAutoSave", "ckAutoPrint"}) {
        QVERIFY2(!find<QWidget>(name)->isEnabled(), name);
    }
    QVERIFY(timer("connectTimer")->isActive());
    QCOMPARE(timer("connectTimer")->interval(), 3000);
    QVERIFY(!timer("readTimer")->isActive());
}

void TestConsoleForm::storedSelections()
{
    AppSettings::SendList = QStringList{"AA BB", "CC"};
    AppSettings::StopBit = 1.5;
    AppSettings::Parity = "空格";
    AppSettings::SleepTime = 900;
    AppSettings::PortName = "/dev/pts/77";
    makeForm();
    QCOMPARE(combo("cboxPortName")->currentText(), QString("/dev/pts/77"));
    QCOMPARE(combo("cboxPortName")->itemText(33), QString("ttySAC4"));
    QCOMPARE(combo("cboxBaudRate")->count(), 22);
    QCOMPARE(combo("cboxStopBit")->currentText(), QString("1.5"));
    QCOMPARE(combo("cboxParity")->currentIndex(), 4);
    QComboBox *send = combo("cboxSendInterval");
    QCOMPARE(send->count(), 27);
    QCOMPARE(send->itemText(14), QString("100"));
    QCOMPARE(send->currentIndex(), 8); // the first "1000"
    QCOMPARE(combo("cboxSaveInterval")->count(), 10);
    QCOMPARE(combo("cboxSleepTime")->currentText(), QString("900"));
    QCOMPARE(combo("cboxData")->itemText(1), QString("CC"));
    QCOMPARE(combo("cboxValueFormat")->count(), 14);
}

void TestConsoleForm::valuesTheFormDoesNotOfferAreRepaired_data()
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
    QTest::newRow("value format") << "ValueFormat" << "float" << "cboxValueFormat" << "16 位有符号";
}

void TestConsoleForm::valuesTheFormDoesNotOfferAreRepaired()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QString, box);
    QFETCH(QString, shown);
    const SettingEntry *entry = AppSettings::setting(key);
    entry->setValue(stored);
    AppSettings::Debug = true; // a good value that must survive the repair
    makeForm();
    QCOMPARE(combo(qPrintable(box))->currentText(), shown);
    QVERIFY(settingText(entry->value()) != stored);
    QSettings saved(AppSettings::ConfigFile, QSettings::IniFormat);
    QCOMPARE(saved.value(QString("%1/%2").arg(entry->group, key)), entry->value().toString());
    QCOMPARE(saved.value("ComConfig/Debug").toString(), QString("true"));
    QCOMPARE(timer("sendTimer")->interval(), AppSettings::SendInterval);
}

void TestConsoleForm::everyChangeIsWritten()
{
    makeForm();
    QTest::keyClicks(edit("txtServerIP"), " 10.0.0");
    QCOMPARE(QSettings(AppSettings::ConfigFile, QSettings::IniFormat).value("NetConfig/ServerIP").toString(),
             QString("127.0.0.1 10.0.0"));
    edit("txtServerIP")->setText("  192.0.2.1  ");
    QCOMPARE(AppSettings::ServerIP, QString("192.0.2.1"));
    combo("cboxStopBit")->setCurrentIndex(1);
    edit("txtServerPort")->setText("50x");
    QCOMPARE(AppSettings::ServerPort, 0);
    combo("cboxValueFormat")->setCurrentText("32 位浮点 CDAB");
    QSettings saved(AppSettings::ConfigFile, QSettings::IniFormat);
    QCOMPARE(saved.value("ComConfig/StopBit").toString(), QString("1.5"));
    QCOMPARE(saved.value("ComConfig/ValueFormat").toString(), QString("float:CDAB"));
    QCOMPARE(saved.allKeys().size(), 21);

    // Only a new interval restarts the timer: the duplicate "300" further down does not.
    QComboBox *box = combo("cboxSendInterval");
    box->setCurrentIndex(box->findText("300"));
    QCOMPARE(timer("sendTimer")->interval(), 300);
    timer("sendTimer")->setInterval(777);
    box->setCurrentIndex(15);
    QCOMPARE(timer("sendTimer")->interval(), 777);

    // A cleared address is written empty; the next start repairs only that key.
    edit("txtServerIP")->clear();
    AppSettings::resetToDefaults();
    AppSettings::readConfig();
    QCOMPARE(AppSettings::ServerIP, QString("127.0.0.1"));
    QCOMPARE(AppSettings::StopBit, 1.5);
}

void TestConsoleForm::autoSendWaitsForASession()
{
    // Stored auto-send at the fastest interval: nothing ticks before a port is open.
    AppSettings::AutoSend = true;
    AppSettings::SendInterval = 1;
    makeForm();
    QVERIFY(check("ckAutoSend")->isChecked());
    QVERIFY(!timer("sendTimer")->isActive());
    combo("cboxData")->setEditText("typed by hand");
    QTest::qWait(50);
    QCOMPARE(combo("cboxData")->currentText(), QString("typed by hand"));
}

void TestConsoleForm::logLines()
{
    makeForm();
    appendLog(LogSerialReceive, "AB\r\nCD");
    appendLog(LogInfo, "");
    appendLog(LogSerialSend, "%1 <b>x</b>");
    appendLog(LogNetReceive, "x");
    QCOMPARE(lines().size(), 4);
    QVERIFY(QRegularExpression("^时间\\[\\d\\d:\\d\\d:\\d\\d \\d\\d\\d\\] 串口接收 << ABCD$").match(lines()[0]).hasMatch());
    QVERIFY(lines()[1].endsWith("提示信息 >> "));
    QVERIFY(lines()[2].endsWith("串口发送 >> %1 <b>x</b>")); // plain text, markers left alone
    QCOMPARE(lineColor(0), QColor("red"));
    QCOMPARE(lineColor(1), QColor("magenta"));
    QCOMPARE(lineColor(2), QColor("dodgerblue"));
    QCOMPARE(lineColor(3), QColor(255, 107, 107));

    // Stopped display: nothing shown, not even afterwards.
    click("btnStopShow");
    QCOMPARE(text("btnStopShow"), QString("开始显示"));
    appendLog(LogInfo, "hidden");
    click("btnStopShow");
    appendLog(LogInfo, "after");
    QCOMPARE(count("hidden"), 0);
    QCOMPARE(lines().size(), 5);
    button("btnSendCount")->setText("发送 : 99 字节");
    click("btnSendCount");
    QCOMPARE(text("btnSendCount"), QString("发送 : 0 字节"));
}

void TestConsoleForm::hundredLineClear()
{
    makeForm();
    for (int i = 1; i <= 100; ++i) {
        appendLog(LogInfo, QString::number(i));
    }
    QCOMPARE(lines().size(), 100);
    appendLog(LogInfo, "101");
    QCOMPARE(lines(), QStringList{lastLine(">> 101")});
    // With the display stopped the full view is still cleared, and a clear still empties it.
    for (int i = 2; i <= 100; ++i) {
        appendLog(LogInfo, QString::number(i));
    }
    click("btnStopShow");
    appendLog(LogInfo, "hidden");
    QVERIFY(lines().isEmpty());
    click("btnStopShow");
    appendLog(LogInfo, "x");
    click("btnStopShow");
    click("btnClear");
    QVERIFY(lines().isEmpty());
}

void TestConsoleForm::rangeCalculator_data()
{
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QStringList>("logged");
    QTest::newRow("4-20mA") << QStringList{"0", "100", "4", "20"} << "4-20mA" << 1
                            << QStringList{"实际量程: 0 ~ 100", "仪表量程: 0 ~ 1000"};
    QTest::newRow("0-10V") << QStringList{"0", "100", "4", "20"} << "0-10V" << 2
                           << QStringList{"实际量程: -25 ~ 37.5", "仪表量程: -2500 ~ 3750"};
    QTest::newRow("equal points") << QStringList{"0", "100", "", ""} << "4-20mA" << 1
                                  << QStringList{"信号输入的两个点不能相同"};
}

void TestConsoleForm::rangeCalculator()
{
    QFETCH(QStringList, inputs);
    QFETCH(QString, type);
    QFETCH(int, decimals);
    QFETCH(QStringList, logged);
    makeForm();
    const char *edits[] = {"sensorDown_lineEdit", "sensorUp_lineEdit", "signalDown_lineEdit", "signalUp_lineEdit"};
    for (int i = 0; i < 4; ++i) {
        edit(edits[i])->setText(inputs[i]);
    }
    combo("signalType_comboBox")->setCurrentText(type);
    combo("scale_comboBox")->setCurrentIndex(decimals);
    click("calculate_pushButton");
    QCOMPARE(lines().size(), logged.size());
    for (int i = 0; i < logged.size(); ++i) {
        QVERIFY2(lines()[i].endsWith("提示信息 >> " + logged[i]), qPrintable(lines()[i]));
    }
}

void TestConsoleForm::saving()
{
    makeForm();
    click("btnSave"); // nothing to save: no file
    QVERIFY(savedLogs().isEmpty());
    appendLog(LogInfo, "first");
    appendLog(LogSerialReceive, "second 温度");
    const QString before = log()->toPlainText();
    click("btnSave");
    QVERIFY(lines().isEmpty());
    appendLog(LogInfo, "third");
    click("btnSave"); // within the same second as the first save, maybe: appended
    const QByteArray saved = savedLogs();
    QVERIFY(saved.contains(before.toUtf8()));
    QVERIFY(saved.contains("提示信息 >> third"));

    // A failed save keeps the log and says where.
    QVERIFY(writeFile(file("plain"), "x"));
    AppSettings::DataDir = file("plain/nowhere");
    appendLog(LogInfo, "precious");
    click("btnSave");
    AppSettings::DataDir = folder();
    QCOMPARE(lines().size(), 2);
    QVERIFY(lines()[1].contains("保存数据失败: " + file("plain/nowhere/")));

    // With auto-save on, the lines the 100-line clear drops are saved first.
    click("btnClear");
    check("ckAutoSave")->setChecked(true);
    timer("saveTimer")->stop();
    for (int i = 1; i <= 101; ++i) {
        appendLog(LogInfo, QString("line %1").arg(i));
    }
    const QByteArray dropped = savedLogs();
    QVERIFY(dropped.contains(">> line 1\n") && dropped.contains(">> line 100"));
    QVERIFY(!dropped.contains("line 101"));
}

void TestConsoleForm::sendListEditor()
{
    makeForm();
    click("btnData"); // no send.txt: nothing happens
    QCOMPARE(text("btnData"), QString("管理数据"));
    const QByteArray content("<b>bold</b>\n01 03 00 00 00 01\n&amp;");
    QVERIFY(writeFile(file("send.txt"), content));
    appendLog(LogInfo, "old log");
    click("btnData");
    QCOMPARE(text("btnData"), QString("保存数据"));
    QVERIFY(!log()->isReadOnly());
    QCOMPARE(log()->toPlainText(), QString::fromUtf8(content)); // plain text, not markup
    appendLog(LogSerialReceive, "arrived meanwhile");
    click("btnSave"); // nothing to save while the list is shown
    QCOMPARE(log()->toPlainText(), QString::fromUtf8(content));
    log()->moveCursor(QTextCursor::End);
    QTest::keyClick(log(), Qt::Key_Return);
    QTest::keyClicks(log(), "AT");
    click("btnData");
    QVERIFY(log()->isReadOnly());
    QCOMPARE(readFile(file("send.txt")), content + "\nAT");
    QCOMPARE(AppSettings::SendList, (QStringList{"<b>bold</b>", "01 03 00 00 00 01", "&amp;", "AT"}));
    QCOMPARE(lines().size(), 1); // the held line shows up afterwards
    QVERIFY(lines()[0].endsWith("串口接收 << arrived meanwhile"));
}

void TestConsoleForm::sendListEditorSurvivesClears()
{
    QVERIFY(writeFile(file("send.txt"), "01 03 00 00 00 01\nAT+CSQ\n"));
    makeForm();
    click("btnData");
    appendLog(LogSerialReceive, "held line");
    click("btnClear"); // the log, held lines included, not the list being edited
    for (int i = 0; i < 150; ++i) {
        appendLog(LogSerialReceive, QString("traffic %1").arg(i));
    }
    QCOMPARE(log()->toPlainText(), QString("01 03 00 00 00 01\nAT+CSQ\n"));
    log()->moveCursor(QTextCursor::End);
    QTest::keyClicks(log(), "AT+GMR");
    click("btnData");
    QCOMPARE(readFile(file("send.txt")), QByteArray("01 03 00 00 00 01\nAT+CSQ\nAT+GMR"));
    QCOMPARE(count("held line"), 0);
    QCOMPARE(count("traffic 149"), 1);
}

void TestConsoleForm::sendListNotUtf8KeepsItsBytes()
{
    const QByteArray gbk("\xC4\xE3\xBA\xC3\r\n01 03\r\n"); // "你好" in GBK, Windows line ends
    QVERIFY(writeFile(file("send.txt"), gbk));
    makeForm();
    click("btnData");
    click("btnData"); // no edit: the file stays as it was
    QCOMPARE(readFile(file("send.txt")), gbk);
    QVERIFY2(lastLine("不是 UTF-8").contains("send.txt"), qPrintable(lines().join('\n')));
    click("btnData");
    log()->moveCursor(QTextCursor::End);
    QTest::keyClicks(log(), "AT");
    click("btnData"); // an edit writes UTF-8
    const QByteArray written = readFile(file("send.txt"));
    QVERIFY(written.endsWith("01 03\nAT"));
    QCOMPARE(QString::fromUtf8(written).toUtf8(), written);
}

void TestConsoleForm::quittingWithEditedSendList_data()
{
    QTest::addColumn<QString>("answer"); // empty: no question expected
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("save") << "保存" << true << QByteArray("A\nB\nC");
    QTest::newRow("don't save") << "不保存" << true << QByteArray("A\nB\n");
    QTest::newRow("cancel") << "取消" << false << QByteArray("A\nB\n");
    QTest::newRow("unchanged") << "" << true << QByteArray("A\nB\n");
}

void TestConsoleForm::quittingWithEditedSendList()
{
    QFETCH(QString, answer);
    QFETCH(bool, closed);
    QFETCH(QByteArray, file);
    QVERIFY(writeFile(ConsoleTest::file("send.txt"), "A\nB\n"));
    makeForm()->show();
    click("btnData");
    if (!answer.isEmpty()) {
        log()->moveCursor(QTextCursor::End);
        QTest::keyClicks(log(), "C");
    }
    QStringList offered;
    QTimer::singleShot(100, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            for (QAbstractButton *b : box->buttons()) {
                offered << b->text();
            }
            for (QAbstractButton *b : box->buttons()) {
                if (b->text() == answer) {
                    b->click();
                }
            }
        }
    });
    QCOMPARE(form->close(), closed);
    offered.sort();
    const QStringList expected = answer.isEmpty() ? QStringList() : QStringList{"不保存", "保存", "取消"};
    QCOMPARE(offered, expected);
    QCOMPARE(readFile(ConsoleTest::file("send.txt")), file);
}

QTEST_MAIN(TestConsoleForm)
#include "tst_console_form.moc"
