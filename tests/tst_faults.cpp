// The console under bad files and full disks: nothing hangs, the user is told what went
// wrong, and nothing protected is lost.
#include "appsettings.h"
#include "consoletest.h"
#include "logformat.h"
#include "startup.h"

#include <QtTest>
#include <future>
#include <sys/stat.h>

class TestFaults : public ConsoleTest
{
    Q_OBJECT
private slots:
    void filesThatAreNoFiles()
    {
        // A FIFO named send.txt: the editor refuses it at once (the reader: tst_settings).
        QCOMPARE(::mkfifo(QFile::encodeName(file("send.txt")).constData(), 0600), 0);
        makeForm();
        click("btnData");
        QVERIFY(lastLine("不是普通文件").contains("send.txt"));
        AppSettings::ConfigFile = file("fifo.ini"); // a FIFO: skipped instead of waited for
        QCOMPARE(::mkfifo(QFile::encodeName(AppSettings::ConfigFile).constData(), 0600), 0);
        AppSettings::BaudRate = 115200;
        auto reading = std::async(std::launch::async, [] {
            AppSettings::readConfig();
            AppSettings::writeConfig();
        });
        const bool done = reading.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
        QFile(AppSettings::ConfigFile).open(QIODevice::ReadWrite); // frees a blocked reader
        QVERIFY2(done, "reading the settings blocked on a FIFO");
        QCOMPARE(AppSettings::BaudRate, 115200);
    }
    void failedSavesLoseNothing()
    {
        // Files may not grow beyond 8 KB, as under `ulimit -f 8`: saving 250 lines (about
        // 10 KB) by hand fails, says so once, leaves no file, and keeps every line. Neither the
        // full view's clears nor closing the port take lines from the save.
        makeForm();
        QVERIFY(openPort());
        for (int i = 1; i <= 250; ++i) {
            appendLog(LogSerialReceive, QString("line %1").arg(i));
        }
        click("btnOpen");
        QCOMPARE(lines().size(), 1);
        {
            const FileSizeLimit limit(8 * 1024);
            QVERIFY(limit.set);
            click("btnSave");
            click("btnSave");
        }
        QCOMPARE(count("保存数据失败"), 1);
        QVERIFY(QDir(folder()).entryList({"20*"}).isEmpty());
        click("btnSave");
        QVERIFY(lastLine("保存数据恢复正常").contains(folder()));
        QByteArray saved = savedLogs();
        QCOMPARE(saved.count("串口接收 << line "), 250);
        QVERIFY(saved.contains("打开串口成功!!\n") && saved.contains("关闭串口!!\n"));
        QVERIFY(saved.endsWith("其间不再提示\n"));
    }

    void unwritableDataFolder()
    {
        // Said at start-up; then failed saves say it once per run, not every interval.
        QVERIFY(writeFile(file("plain"), "x")); // a folder below a file: unwritable, even by root
        prepareApplication(file("norvane.ini"), file("plain/logs"));
        makeForm();
        QCOMPARE(count("数据文件夹 " + file("plain/logs") + " 不可写"), 1);
        check("ckAutoSave")->setChecked(true);
        timer("saveTimer")->setInterval(50);
        appendLog(LogSerialReceive, "keep me");
        QTest::qWait(600);
        QCOMPARE(count("保存数据失败"), 1);
        QCOMPARE(count("keep me"), 1);
        AppSettings::LogDir = folder(); // writable again: the run ends, and its lines are saved
        QByteArray saved;
        QTRY_VERIFY_WITH_TIMEOUT((saved += savedLogs()).contains("保存数据恢复正常"), 5000);
        QVERIFY(saved.contains("串口接收 << keep me\n"));
        QCOMPARE(saved.count("保存数据失败"), 1);
        QCOMPARE(saved.count("不可写"), 1);
    }

    void failedSettingsAndSendListWrites()
    {
        // Beyond the file-size limit send.txt and the settings stay as they were; the user is told.
        QVERIFY(writeFile(file("send.txt"), "AT\n"));
        QVERIFY(AppSettings::writeConfig());
        const QByteArray settings = readFile(AppSettings::ConfigFile);
        makeForm();
        click("btnData");
        log()->moveCursor(QTextCursor::End);
        log()->insertPlainText(QString(200, 'x'));
        {
            const FileSizeLimit limit(100);
            click("btnData");
            QVERIFY(!log()->isReadOnly()); // still editing: nothing typed is lost
            QCOMPARE(readFile(file("send.txt")), QByteArray("AT\n"));
        }
        click("btnData");
        QVERIFY(readFile(file("send.txt")).endsWith("AT\n" + QByteArray(200, 'x')));
        QVERIFY(lastLine("保存数据失败").contains("send.txt ("));
        {
            const FileSizeLimit limit(100);
            check("ckHexSend")->setChecked(true);
            check("ckHexReceive")->setChecked(true); // the lasting failure is said once
        }
        QCOMPARE(readFile(AppSettings::ConfigFile), settings);
        QCOMPARE(count("保存设置失败"), 1);
        QVERIFY(lastLine("保存设置失败").contains("norvane.ini ("));
        check("ckDebug")->setChecked(true); // written again, the earlier changes with it
        const QByteArray written = readFile(AppSettings::ConfigFile);
        QVERIFY(written.contains("\nDebug=true\n")
                && written.contains("\nHexReceive=true\nHexSend=true\n"));
    }

    void backlogBeyondFourMegabytes()
    {
        // Auto-save off: beyond 4 MB the oldest unsaved lines go; the log says so at once and
        // counts the bytes at the next save, in UTF-8.
        const QString mb = QString(1024 * 1024, 'm') + "é中";
        const auto line = [&](int i) { return QString::number(i) + mb + (i == 2 ? "😀" : ""); };
        const auto bytes = [&](int i) {
            return logLine(LogSerialReceive, QTime(1, 2, 3), line(i)).toUtf8().size();
        };
        QVERIFY(writeFile(file("send.txt"), "AT\n"));
        makeForm();
        for (int i = 1; i <= 5; ++i) {
            appendLog(LogSerialReceive, line(i));
        }
        QCOMPARE(count("开始丢弃最早的日志"), 1);
        click("btnSave");
        const QString report =
            QString("未保存的日志超过 4 MB, 已丢弃最早的 %1 字节日志").arg(bytes(1) + bytes(2));
        QVERIFY2(lastLine("已丢弃最早的").endsWith(report), qPrintable(lastLine("已丢弃最早的")));
        QByteArray saved = savedLogs();
        QVERIFY(!saved.contains("<< 2m"));
        QVERIFY(saved.contains("<< 3m"));
        QVERIFY(saved.contains("<< 5m"));
        QVERIFY(saved.contains("开始丢弃")); // in its place, among the lines
        // Auto-save on: the backlog goes to the file early instead, even while send.txt is edited.
        check("ckAutoSave")->setChecked(true);
        timer("saveTimer")->stop();
        click("btnData");
        for (int i = 1; i <= 5; ++i) {
            appendLog(LogSerialReceive, QString::number(i) + mb);
        }
        saved = savedLogs();
        // The 4th line would pass 4 MB: the three before it are written.
        QVERIFY(saved.contains("<< 1m"));
        QVERIFY(saved.contains("<< 3m"));
        QVERIFY(!saved.contains("<< 4m"));
        click("btnData"); // the held lines follow, the oldest dropped, the user told
        QVERIFY(lastLine("编辑发送列表期间日志超过 4 MB").contains("已丢弃最早的"));
        appendLog(LogInfo, "last words");
        QVERIFY(form->close()); // quitting saves what auto-save has not yet
        saved += savedLogs();
        QVERIFY(saved.contains("<< 4m"));
        QVERIFY(saved.contains("<< 5m"));
        QVERIFY(saved.endsWith(">> last words\n"));
        QVERIFY(!saved.contains("开始丢弃"));
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
