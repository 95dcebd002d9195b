// The console under faults and bad input: nothing crashes or hangs, the user is told what
// went wrong, and nothing protected is lost.
#include "appsettings.h"
#include "formdriver.h"
#include "frmtolvan.h"
#include "logformat.h"
#include "reception.h"
#include "testsupport.h"
#include "serialfixture.h"
#include "threadedpeer.h"
#include "virtualserial.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QSerialPort>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <sys/socket.h>
#include <future>
#include <sys/resource.h>
#include <sys/stat.h>

class TestFaults : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void portVanishesWhileAutoSendRuns();
    void floodKeepsTheShownWindowAnswering();
    void serverThatNeverReadsIsNotFedWithoutBound();
    void serialPeerThatNeverReadsHoldsTheServerBack();
    void trafficWhileEditingIsBounded();
    void dataFilesThatAreNoFiles();
    void quitSavesWithAutoSave();
    void fullDiskKeepsTheUnsavedLines();
    void receivedControlsAreShownByName();
    void hugeDeviceList();
    void megabyteSendLine();
    void autoSaveIntoUnwritableFolder();

private:
    QTcpSocket *connectBridge(QTcpServer &server);
    // Every saved log file's text, the files removed.
    QByteArray savedLogs();
    SerialFixture fixture;
    ConsoleEnvironment *env = nullptr;
    VirtualSerialPair *pair = nullptr;
    frmTolvan *form = nullptr;
};

void TestFaults::initTestCase()
{
    QString error;
    QVERIFY2(fixture.start(&error), qPrintable(error));
    env = fixture.env;
    pair = fixture.pair;
}

void TestFaults::cleanupTestCase()
{
    fixture.stop();
}

void TestFaults::init()
{
    QString error;
    QVERIFY2(fixture.reset(&error), qPrintable(error));
}

void TestFaults::cleanup()
{
    delete form;
    form = nullptr;
    QFile::remove(env->file("send.txt"));
    QFile::remove(env->file("device.txt"));
    savedLogs();
}

void TestFaults::portVanishesWhileAutoSendRuns()
{
    AppSettings::AutoSend = true;
    AppSettings::SendInterval = 20;
    AppSettings::HexSend = true;
    form = new frmTolvan;
    FormDriver f(form);
    f.click("btnOpen");
    QVERIFY(f.timer("sendTimer")->isActive());
    QTest::qWait(200);
    pair->stop();
    QTRY_COMPARE_WITH_TIMEOUT(f.buttonText("btnOpen"), QString("打开串口"), 3000);
    QVERIFY(!f.timer("sendTimer")->isActive());
    QTest::qWait(300);
    QString error;
    QVERIFY2(pair->start(&error), qPrintable(error));
    QTRY_COMPARE_WITH_TIMEOUT(f.buttonText("btnOpen"), QString("关闭串口"), 3000);
    QVERIFY(f.timer("sendTimer")->isActive());
    PeerPort peer;
    QVERIFY2(peer.open(pair->peerEnd(), &error), qPrintable(error));
    QVERIFY(peer.readAtLeast(16, 3000).size() >= 16); // auto-send goes on after the reopen
}

QTcpSocket *TestFaults::connectBridge(QTcpServer &server)
{
    if (!server.isListening() && !server.listen(QHostAddress::LocalHost, 0)) {
        return nullptr;
    }
    FormDriver f(form);
    f.setText("txtServerPort", QString::number(server.serverPort()));
    f.click("btnStart");
    if (!QTest::qWaitFor([&] { return server.hasPendingConnections(); }, 5000)) {
        return nullptr;
    }
    return server.nextPendingConnection();
}

QByteArray TestFaults::savedLogs()
{
    QByteArray all;
    for (const QString &name : QDir(env->dir()).entryList({"20*.txt"}, QDir::Files)) {
        all += readFile(env->file(name)) + "\n";
        QFile::remove(env->file(name));
    }
    return all;
}

void TestFaults::floodKeepsTheShownWindowAnswering()
{
    // 12 MB from the server while the window is shown, forwarded to a serial peer that
    // reads: once the document grew taller than Qt can lay out, the window froze for good.
    AppSettings::SleepTime = 0;
    AppSettings::AutoSave = true;
    form = new frmTolvan;
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    FormDriver f(form);
    f.click("btnOpen");
    ThreadedPeer serialPeer;
    QString error;
    QVERIFY2(serialPeer.open(pair->peerEnd(), &error), qPrintable(error));
    QTcpServer server;
    QTcpSocket *peer = connectBridge(server);
    QVERIFY(peer);
    f.timer("saveTimer")->stop(); // saved by the full-view clears and at the end

    Heartbeat heartbeat;
    const qint64 total = 12 * 1024 * 1024;
    const QByteArray chunk(256 * 1024, 'Z');
    qint64 sent = 0;
    QTimer feeder;
    connect(&feeder, &QTimer::timeout, this, [&] {
        while (sent < total && peer->bytesToWrite() < 1024 * 1024) {
            peer->write(chunk);
            sent += chunk.size();
        }
    });
    feeder.start(1);
    QVERIFY2(waitUntil([&] { return serialPeer.receivedCount() >= total; }, 120000),
             qPrintable(QString::number(serialPeer.receivedCount())));
    waitUntil([] { return false; }, 300);
    qInfo("longest stall %lld ms", heartbeat.longestGapMs());
    QVERIFY2(heartbeat.longestGapMs() < 250, qPrintable(QString::number(heartbeat.longestGapMs())));
    QVERIFY(f.log()->document()->size().height() < 1e6);

    // The view shortens long lines; the saved log has every byte, shown and forwarded.
    f.click("btnSave");
    QCOMPARE(savedLogs().count('Z'), 2 * total);
}

void TestFaults::serverThatNeverReadsIsNotFedWithoutBound()
{
    AppSettings::AutoSave = true;
    form = new frmTolvan;
    FormDriver f(form);
    f.click("btnOpen");
    QTcpServer server;
    QTcpSocket *peer = connectBridge(server); // accepted, never read
    QVERIFY(peer);
    // A small window, so that the kernel does not take megabytes in the console's stead.
    const int small = 4096;
    QCOMPARE(::setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &small, sizeof small), 0);
    ThreadedPeer serialPeer;
    QString error;
    QVERIFY2(serialPeer.open(pair->peerEnd(), &error), qPrintable(error));
    auto *socket = form->findChild<QTcpSocket *>("tcpSocket");
    QVERIFY(socket);
    QTRY_COMPARE(f.buttonText("btnStart"), QString("停止"));
    const qint64 total = 16 * 1024 * 1024;
    serialPeer.write(QByteArray(int(total), 'S'));
    const QString counted = QString("接收 : %1 字节").arg(total);
    QVERIFY2(waitUntil([&] { return f.buttonText("btnReceiveCount") == counted; }, 90000),
             qPrintable(f.buttonText("btnReceiveCount")));
    QVERIFY2(socket->bytesToWrite() <= 4 * 1024 * 1024, qPrintable(QString::number(socket->bytesToWrite())));
    f.click("btnSave");
    QCOMPARE(savedLogs().count("服务器未及时接收, 发往网络的数据开始丢弃"), 1);
}

void TestFaults::serialPeerThatNeverReadsHoldsTheServerBack()
{
    AppSettings::SleepTime = 0;
    form = new frmTolvan;
    FormDriver f(form);
    // The serial peer has the port open but never reads.
    const int holder = ::open(QFile::encodeName(pair->peerEnd()).constData(), O_RDWR | O_NOCTTY);
    QVERIFY(holder >= 0);
    f.click("btnOpen");
    QCOMPARE(f.buttonText("btnOpen"), QString("关闭串口"));
    QTcpServer server;
    QTcpSocket *peer = connectBridge(server);
    QVERIFY(peer);
    const double rssBefore = residentMiB();
    const QByteArray chunk(256 * 1024, 'T');
    const int chunks = 80; // 20 MB
    for (int i = 0; i < chunks; ++i) {
        peer->write(chunk);
    }
    waitUntil([] { return false; }, 3000);
    auto *serial = form->findChild<QSerialPort *>();
    QVERIFY(serial);
    QVERIFY2(serial->bytesToWrite() <= 4 * 1024 * 1024, qPrintable(QString::number(serial->bytesToWrite())));
    QVERIFY2(residentMiB() - rssBefore < 40, qPrintable(QString::number(residentMiB() - rssBefore)));

    // Once the peer reads, everything arrives: held back, not dropped.
    ThreadedPeer serialPeer;
    QString error;
    QVERIFY2(serialPeer.open(pair->peerEnd(), &error), qPrintable(error));
    ::close(holder);
    QVERIFY2(waitUntil([&] { return serialPeer.receivedCount() >= chunks * chunk.size(); }, 90000),
             qPrintable(QString::number(serialPeer.receivedCount())));
    QCOMPARE(serialPeer.receivedCount(), qint64(chunks) * chunk.size());
}

void TestFaults::trafficWhileEditingIsBounded()
{
    QVERIFY(writeFile(env->file("send.txt"), "AT\n"));
    form = new frmTolvan;
    form->show();
    FormDriver f(form);
    f.click("btnOpen");
    f.click("btnData");
    ThreadedPeer serialPeer;
    QString error;
    QVERIFY2(serialPeer.open(pair->peerEnd(), &error), qPrintable(error));
    const qint64 total = 10 * 1024 * 1024; // held as log lines
    serialPeer.write(QByteArray(int(total), 'E'));
    const QString counted = QString("接收 : %1 字节").arg(total);
    QVERIFY2(waitUntil([&] { return f.buttonText("btnReceiveCount") == counted; }, 90000),
             qPrintable(f.buttonText("btnReceiveCount")));
    QCOMPARE(f.log()->toPlainText(), QString("AT\n"));
    Heartbeat heartbeat;
    f.click("btnData");
    waitUntil([] { return false; }, 100);
    QVERIFY2(heartbeat.longestGapMs() < 250, qPrintable(QString::number(heartbeat.longestGapMs())));
    QVERIFY2(f.lastLineWith("编辑发送列表期间日志超过 4 MB").contains("已丢弃最早的"), qPrintable(f.logLines().last()));
}

void TestFaults::dataFilesThatAreNoFiles()
{
    // A FIFO named send.txt and a link to /dev/zero: the editor refuses them at once.
    const QByteArray fifo = QFile::encodeName(env->file("send.txt"));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);
    form = new frmTolvan;
    FormDriver f(form);
    f.click("btnData");
    QCOMPARE(f.buttonText("btnData"), QString("管理数据"));
    QVERIFY(f.lastLineWith("不是普通文件").contains("send.txt"));
    QFile::remove(env->file("send.txt"));
    QVERIFY(QFile::link("/dev/zero", env->file("send.txt")));
    f.click("btnData");
    QCOMPARE(f.linesWith("不是普通文件"), 2);
    AppSettings::readSendData();
    QVERIFY(AppSettings::SendList.isEmpty());
    QVERIFY(AppSettings::Notices.join(' ').contains("不是普通文件"));
    AppSettings::Notices.clear();

    // A settings file that is a FIFO: start-up takes the defaults instead of waiting for ever.
    AppSettings::ConfigFile = env->file("fifo.ini");
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
    QVERIFY(AppSettings::Notices.join(' ').contains("不是普通文件"));
    AppSettings::Notices.clear();
}

void TestFaults::quitSavesWithAutoSave()
{
    form = new frmTolvan;
    form->show();
    FormDriver f(form);
    f.click("btnOpen");
    f.check("ckAutoSave")->setChecked(true); // every 5 s: not before the window closes
    ThreadedPeer serialPeer;
    QString error;
    QVERIFY2(serialPeer.open(pair->peerEnd(), &error), qPrintable(error));
    const QByteArray text = QByteArray(40 * 1024, 'q');
    serialPeer.write(text);
    QTRY_VERIFY(f.buttonText("btnReceiveCount") == "接收 : 40960 字节");
    QVERIFY(form->close());
    QCOMPARE(savedLogs().count('q'), text.size());
}

void TestFaults::fullDiskKeepsTheUnsavedLines()
{
    form = new frmTolvan;
    FormDriver f(form);
    f.combo("cboxSaveInterval")->setCurrentIndex(0);
    f.check("ckAutoSave")->setChecked(true);
    f.timer("saveTimer")->stop();
    // Files may not grow beyond 2 KB: saves fail the way they do on a full disk.
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 2048;
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    for (int i = 1; i <= 150; ++i) {
        f.appendLog(LogSerialReceive, QString("line %1").arg(i)); // the 101st tries to save
    }
    QVERIFY(f.linesWith("保存数据失败") >= 1);
    ::setrlimit(RLIMIT_FSIZE, &old);
    for (const QString &name : QDir(env->dir()).entryList({"20*.txt"}, QDir::Files)) {
        QVERIFY2(QFileInfo(env->file(name)).size() > 0, "an empty file was left behind");
    }
    f.click("btnSave");
    const QByteArray saved = savedLogs();
    for (int i = 1; i <= 150; ++i) {
        QVERIFY2(saved.contains(QString("串口接收 << line %1\n").arg(i).toUtf8()), qPrintable(QString::number(i)));
    }
}

void TestFaults::receivedControlsAreShownByName()
{
    form = new frmTolvan;
    FormDriver f(form);
    f.click("btnOpen");
    PeerPort serialPeer;
    QString error;
    QVERIFY2(serialPeer.open(pair->peerEnd(), &error), qPrintable(error));
    serialPeer.write("\x1b[31mred\x1b[0m \xe2\x80\xae\x74\x78\x74\tok");
    QTRY_VERIFY(f.linesWith("串口接收") == 1);
    QVERIFY2(f.lastLineWith("串口接收").endsWith("串口接收 << \\ESC[31mred\\ESC[0m \\xe2\\x80\\xaetxt\tok"),
             qPrintable(f.lastLineWith("串口接收")));
    f.click("btnSave");
    const QByteArray saved = savedLogs();
    QVERIFY(!saved.contains('\x1b'));
    QVERIFY(!saved.contains("\xe2\x80\xae"));
}

void TestFaults::hugeDeviceList()
{
    QByteArray content;
    for (int i = 0; i < 100000; ++i) {
        content += QByteArray::number(i) + " AA;" + QByteArray::number(i) + " BB\n";
    }
    QVERIFY(writeFile(env->file("device.txt"), content));
    AppSettings::readDeviceData();
    QCOMPARE(AppSettings::DeviceKeys.size(), 100000);
    QCOMPARE(AppSettings::DeviceValues.last(), QString("99999 BB"));
    QCOMPARE(findReplyIndex("99999 AA 01", AppSettings::DeviceKeys), 99999);

    form = new frmTolvan;
    FormDriver f(form);
    f.check("ckDebug")->setChecked(true);
    f.click("btnOpen");
    PeerPort peer;
    QString error;
    QVERIFY2(peer.open(pair->peerEnd(), &error), qPrintable(error));
    peer.write("99999 AA");
    QCOMPARE(peer.readAtLeast(8, 5000), QByteArray("99999 BB"));
}

void TestFaults::megabyteSendLine()
{
    const QByteArray line(1024 * 1024, 'A');
    QVERIFY(writeFile(env->file("send.txt"), "short\n" + line + "\n"));
    AppSettings::readSendData();
    QCOMPARE(AppSettings::SendList.size(), 2);
    QCOMPARE(AppSettings::SendList.at(1).size(), line.size());
    form = new frmTolvan;
    FormDriver f(form);
    QCOMPARE(f.combo("cboxData")->count(), 2);
    form->show();
    QTest::qWait(50);
    f.click("btnOpen");
    PeerPort peer;
    QString error;
    QVERIFY2(peer.open(pair->peerEnd(), &error), qPrintable(error));
    f.sendText(AppSettings::SendList.at(1));
    QCOMPARE(peer.readAtLeast(line.size(), 20000).size(), line.size());
    QCOMPARE(f.buttonText("btnSendCount"), QString("发送 : 1048576 字节"));
}

void TestFaults::autoSaveIntoUnwritableFolder()
{
    QVERIFY(writeFile(env->file("plain"), "x"));
    form = new frmTolvan;
    FormDriver f(form);
    AppSettings::DataDir = env->file("plain/logs"); // below a file: can never be written
    f.combo("cboxSaveInterval")->setCurrentIndex(0); // 1000 ms
    f.check("ckAutoSave")->setChecked(true);
    f.appendLog(LogSerialReceive, "keep me");
    QTRY_VERIFY_WITH_TIMEOUT(f.linesWith("保存数据失败") >= 1, 3000);
    QVERIFY(f.linesWith("keep me") == 1);
    AppSettings::DataDir = env->dir();
    QTRY_VERIFY_WITH_TIMEOUT(f.logLines().isEmpty(), 3000); // saved once the folder is usable
    QByteArray all;
    for (const QString &name : QDir(env->dir()).entryList({"20*.txt"}, QDir::Files)) {
        all += readFile(env->file(name));
        QFile::remove(env->file(name));
    }
    QVERIFY(all.contains("串口接收 << keep me"));
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
