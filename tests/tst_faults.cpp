// The console under faults and bad input: nothing crashes or hangs, the user is told what
// went wrong, and nothing protected is lost.
#include "appsettings.h"
#include "formdriver.h"
#include "frmtolvan.h"
#include "logformat.h"
#include "reception.h"
#include "testsupport.h"
#include "serialfixture.h"
#include "virtualserial.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

class TestFaults : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void portVanishesWhileAutoSendRuns();
    void serverFloodsThenResets();
    void hugeDeviceList();
    void megabyteSendLine();
    void autoSaveIntoUnwritableFolder();

private:
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

void TestFaults::serverFloodsThenResets()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    AppSettings::ServerPort = server.serverPort();
    AppSettings::SleepTime = 0;
    form = new frmTolvan;
    FormDriver f(form);
    f.check("ckHexReceive")->setChecked(true);
    f.click("btnStart");
    QTRY_VERIFY(server.hasPendingConnections());
    QTcpSocket *peer = server.nextPendingConnection();
    QTRY_COMPARE(f.buttonText("btnStart"), QString("停止"));

    // The window keeps breathing while 10 MB arrive.
    qint64 longest = 0;
    QElapsedTimer beat;
    beat.start();
    QTimer heartbeat;
    connect(&heartbeat, &QTimer::timeout, this, [&] {
        longest = qMax(longest, beat.restart());
    });
    heartbeat.start(10);
    const QByteArray chunk(64 * 1024, '\x5A');
    for (int i = 0; i < 160; ++i) {
        peer->write(chunk);
    }
    QTRY_VERIFY_WITH_TIMEOUT(peer->bytesToWrite() == 0, 60000);
    peer->abort(); // reset mid-transfer from the console's point of view
    QTRY_COMPARE_WITH_TIMEOUT(f.buttonText("btnStart"), QString("启动"), 30000);
    QTest::qWait(500);
    heartbeat.stop();
    QVERIFY(f.linesWith("连接服务器失败,") >= 1);
    QVERIFY(f.linesWith("网络接收") >= 1);
    qInfo("longest event-loop stall during the flood: %lld ms", longest);
    QVERIFY2(longest < 5000, "the window froze");
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
