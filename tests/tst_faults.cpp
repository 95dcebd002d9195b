// The console under bad files and full disks: nothing hangs, the user is told what went
// wrong, and nothing protected is lost.
#include "appsettings.h"
#include "consoletest.h"
#include "logformat.h"

#include <QtTest>
#include <csignal>
#include <future>
#include <sys/resource.h>
#include <sys/stat.h>

class TestFaults : public ConsoleTest
{
    Q_OBJECT
private slots:
    void filesThatAreNoFiles()
    {
        // A FIFO named send.txt: refused at once, never read, by the editor and at start-up.
        QCOMPARE(::mkfifo(QFile::encodeName(file("send.txt")).constData(), 0600), 0);
        makeForm();
        click("btnData");
        QVERIFY(lastLine("不是普通文件").contains("send.txt"));
        AppSettings::readSendData();
        QVERIFY(AppSettings::SendList.isEmpty() && AppSettings::Notices.join(' ').contains("不是普通文件"));
        AppSettings::ConfigFile = file("fifo.ini"); // a FIFO: skipped instead of waited for
        QCOMPARE(::mkfifo(QFile::encodeName(AppSettings::ConfigFile).constData(), 0600), 0);
        AppSettings::BaudRate = 115200;
        auto reading = std::async(std::launch::async, [] { AppSettings::readConfig(); AppSettings::writeConfig(); });
        const bool done = reading.wait_for(std::chrono::seconds(3)) == std::future_status::ready;
        QFile(AppSettings::ConfigFile).open(QIODevice::ReadWrite); // frees a blocked reader, so the test can end
        QVERIFY2(done, "reading the settings blocked on a FIFO");
        QCOMPARE(AppSettings::BaudRate, 115200);
    }
    void failedSavesLoseNothing()
    {
        makeForm();
        combo("cboxSaveInterval")->setCurrentIndex(0); // 1000 ms
        check("ckAutoSave")->setChecked(true);
        timer("saveTimer")->stop();
        ::signal(SIGXFSZ, SIG_IGN); // files may not grow beyond 2 KB below: saves fail as on a full disk
        const rlimit old = [] { rlimit r{}; ::getrlimit(RLIMIT_FSIZE, &r); return r; }();
        const rlimit small{2048, old.rlim_max};
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
        for (int i = 1; i <= 150; ++i) {
            appendLog(LogSerialReceive, QString("line %1").arg(i)); // the 101st tries to save
        }
        ::setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(count("保存数据失败") >= 1);
        for (const QString &name : QDir(folder()).entryList({"20*.txt"}, QDir::Files)) {
            QVERIFY2(QFileInfo(file(name)).size() > 0, "an empty file was left behind");
        }
        click("btnSave");
        const QByteArray saved = savedLogs(); // every line once, none lost or doubled
        QVERIFY(saved.count("串口接收 << line ") == 150 && saved.contains("<< line 1\n") && saved.contains("<< line 150\n"));
        QVERIFY(writeFile(file("plain"), "x")); // a folder below a file is never writable, even by root
        AppSettings::DataDir = file("plain/logs");
        timer("saveTimer")->start(); // retries until the folder is writable
        appendLog(LogSerialReceive, "keep me");
        QTRY_VERIFY_WITH_TIMEOUT(count("保存数据失败") >= 1, 5000);
        QCOMPARE(count("keep me"), 1);
        AppSettings::DataDir = folder();
        QTRY_VERIFY_WITH_TIMEOUT(lines().isEmpty(), 5000);
        QVERIFY(savedLogs().contains("串口接收 << keep me"));
    }
    void hugeFilesTrafficAndQuitting()
    {
        QByteArray devices;
        for (int i = 0; i < 100000; ++i) {
            devices += QByteArray::number(i) + " AA;" + QByteArray::number(i) + " BB\n";
        }
        const QByteArray line(1024 * 1024, 'A');
        QVERIFY(writeFile(file("device.txt"), devices) && writeFile(file("send.txt"), "short\n" + line + "\n"));
        AppSettings::readDeviceData();
        AppSettings::readSendData();
        makeForm()->show();
        QCOMPARE(combo("cboxData")->count(), 2);
        check("ckDebug")->setChecked(true);
        QVERIFY(openPort());
        peer.write("99999 AA");
        QCOMPARE(peer.take(8, 5000), QByteArray("99999 BB"));
        sendText(AppSettings::SendList.at(1));
        QCOMPARE(peer.take(line.size(), 20000).size(), line.size());
        check("ckDebug")->setChecked(false); // 10 MB arrive while the send list is edited
        QVERIFY(writeFile(file("send.txt"), "AT\n"));
        click("btnData");
        click("btnReceiveCount");
        peer.write(QByteArray(10 << 20, 'E'));
        QVERIFY(waitUntil([&] { return text("btnReceiveCount") == QString("接收 : %1 字节").arg(10 << 20); }, 90000));
        QCOMPARE(log()->toPlainText(), QString("AT\n"));
        click("btnData"); // the held lines follow, the oldest dropped, the user told
        QTRY_VERIFY_WITH_TIMEOUT(lastLine("编辑发送列表期间日志超过 4 MB").contains("已丢弃最早的"), 20000);
        check("ckAutoSave")->setChecked(true); // quitting saves what auto-save (every 5 s) has not yet
        click("btnReceiveCount");
        peer.write(QByteArray(40 * 1024, 'q'));
        QTRY_COMPARE(text("btnReceiveCount"), QString("接收 : 40960 字节"));
        QVERIFY(form->close());
        QCOMPARE(savedLogs().count('q'), 40 * 1024);
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
