// The console under bad files and full disks: nothing hangs, the user is told what went
// wrong, and nothing protected is lost.
#include "appsettings.h"
#include "consoletest.h"
#include "frmtolvan.h"
#include "logformat.h"
#include "reception.h"

#include <QtTest>

#include <chrono>
#include <csignal>
#include <future>
#include <sys/resource.h>
#include <sys/stat.h>

class TestFaults : public ConsoleTest
{
    Q_OBJECT
private slots:
    void trafficWhileEditingIsBounded();
    void filesThatAreNoFiles();
    void quitSavesWithAutoSave();
    void fullDiskKeepsTheUnsavedLines();
    void saveFolderThatCannotBeWritten();
    void hugeDeviceListAndSendLine();
};

void TestFaults::trafficWhileEditingIsBounded()
{
    QVERIFY(writeFile(file("send.txt"), "AT\n"));
    makeForm()->show();
    QVERIFY(openPort());
    click("btnData");
    const qint64 total = 10 * 1024 * 1024; // held as log lines
    peer.write(QByteArray(int(total), 'E'));
    const QString counted = QString("接收 : %1 字节").arg(total);
    QVERIFY(waitUntil([&] { return text("btnReceiveCount") == counted; }, 90000));
    QCOMPARE(log()->toPlainText(), QString("AT\n"));
    Heartbeat heartbeat;
    click("btnData");
    waitUntil([] { return false; }, 100);
    QVERIFY2(heartbeat.longestGapMs() < 250, qPrintable(QString::number(heartbeat.longestGapMs())));
    QVERIFY(lastLine("编辑发送列表期间日志超过 4 MB").contains("已丢弃最早的"));
}

void TestFaults::filesThatAreNoFiles()
{
    // A FIFO named send.txt and a link to /dev/zero: refused at once, never read.
    QCOMPARE(::mkfifo(QFile::encodeName(file("send.txt")).constData(), 0600), 0);
    makeForm();
    click("btnData");
    QCOMPARE(text("btnData"), QString("管理数据"));
    QVERIFY(lastLine("不是普通文件").contains("send.txt"));
    QFile::remove(file("send.txt"));
    QVERIFY(QFile::link("/dev/zero", file("send.txt")));
    click("btnData");
    QCOMPARE(count("不是普通文件"), 2);
    AppSettings::readSendData();
    QVERIFY(AppSettings::SendList.isEmpty());
    QVERIFY(AppSettings::Notices.join(' ').contains("不是普通文件"));

    // A settings file that is a FIFO: the defaults, instead of waiting for ever.
    AppSettings::ConfigFile = file("fifo.ini");
    QCOMPARE(::mkfifo(QFile::encodeName(AppSettings::ConfigFile).constData(), 0600), 0);
    AppSettings::BaudRate = 115200;
    auto reading = std::async(std::launch::async, [] {
        AppSettings::readConfig();
        AppSettings::writeConfig();
    });
    const bool done = reading.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
    if (!done) { // unblock the reader so that the test can end
        QFile unblock(AppSettings::ConfigFile);
        unblock.open(QIODevice::ReadWrite);
    }
    QVERIFY2(done, "reading the settings blocked on a FIFO");
    QCOMPARE(AppSettings::BaudRate, 115200);
    QFile::remove(AppSettings::ConfigFile);
}

void TestFaults::quitSavesWithAutoSave()
{
    makeForm()->show();
    QVERIFY(openPort());
    check("ckAutoSave")->setChecked(true); // every 5 s: not before the window closes
    peer.write(QByteArray(40 * 1024, 'q'));
    QTRY_COMPARE(text("btnReceiveCount"), QString("接收 : 40960 字节"));
    QVERIFY(form->close());
    QCOMPARE(savedLogs().count('q'), 40 * 1024);
}

void TestFaults::fullDiskKeepsTheUnsavedLines()
{
    makeForm();
    check("ckAutoSave")->setChecked(true);
    timer("saveTimer")->stop();
    // Files may not grow beyond 2 KB: saves fail the way they do on a full disk.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 2048;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    for (int i = 1; i <= 150; ++i) {
        appendLog(LogSerialReceive, QString("line %1").arg(i)); // the 101st tries to save
    }
    const bool failed = count("保存数据失败") >= 1;
    ::setrlimit(RLIMIT_FSIZE, &old);
    QVERIFY(failed);
    for (const QString &name : QDir(folder()).entryList({"20*.txt"}, QDir::Files)) {
        QVERIFY2(QFileInfo(file(name)).size() > 0, "an empty file was left behind");
    }
    click("btnSave");
    const QByteArray saved = savedLogs();
    for (int i = 1; i <= 150; ++i) {
        QVERIFY2(saved.contains(QString("串口接收 << line %1\n").arg(i).toUtf8()), qPrintable(QString::number(i)));
    }
}

void TestFaults::saveFolderThatCannotBeWritten()
{
    QVERIFY(writeFile(file("plain"), "x"));
    makeForm();
    AppSettings::DataDir = file("plain/logs"); // below a file: never writable, even by root
    combo("cboxSaveInterval")->setCurrentIndex(0); // 1000 ms
    check("ckAutoSave")->setChecked(true);
    appendLog(LogSerialReceive, "keep me");
    QTRY_VERIFY_WITH_TIMEOUT(count("保存数据失败") >= 1, 3000);
    QCOMPARE(count("keep me"), 1);
    AppSettings::DataDir = folder();
    QTRY_VERIFY_WITH_TIMEOUT(lines().isEmpty(), 3000); // saved once the folder is usable
    QVERIFY(savedLogs().contains("串口接收 << keep me"));
}

void TestFaults::hugeDeviceListAndSendLine()
{
    QByteArray devices;
    for (int i = 0; i < 100000; ++i) {
        devices += QByteArray::number(i) + " AA;" + QByteArray::number(i) + " BB\n";
    }
    QVERIFY(writeFile(file("device.txt"), devices));
    const QByteArray line(1024 * 1024, 'A');
    QVERIFY(writeFile(file("send.txt"), "short\n" + line + "\n"));
    AppSettings::readDeviceData();
    AppSettings::readSendData();
    QCOMPARE(AppSettings::DeviceKeys.size(), 100000);
    QCOMPARE(findReplyIndex("99999 AA 01", AppSettings::DeviceKeys), 99999);
    QCOMPARE(AppSettings::SendList.at(1).size(), line.size());
    makeForm()->show();
    QCOMPARE(combo("cboxData")->count(), 2);
    check("ckDebug")->setChecked(true);
    QVERIFY(openPort());
    peer.write("99999 AA");
    QCOMPARE(peer.take(8, 5000), QByteArray("99999 BB"));
    sendText(AppSettings::SendList.at(1));
    QCOMPARE(peer.take(line.size(), 20000).size(), line.size());
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
