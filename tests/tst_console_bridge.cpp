// The TCP bridge against servers on 127.0.0.1 that the test runs.
#include "appsettings.h"
#include "formdriver.h"
#include "frmtolvan.h"
#include "testsupport.h"
#include "serialfixture.h"
#include "virtualserial.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class TestConsoleBridge : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void missingAddressOrPort();
    void refusedConnection();
    void serverDataIsShownAndForwarded();
    void serialDataGoesToTheServer();
    void stopAndAutomaticReconnect();
    void udpModeStillConnectsAsTcp();
    void lateConnectionEntersConnectedState();
    void emptyReadAfterTheWaitLogsNothing();

private:
    QTcpSocket *connectBridge(QTcpServer &server);
    SerialFixture fixture;
    ConsoleEnvironment *env = nullptr;
    VirtualSerialPair *pair = nullptr;
    frmTolvan *form = nullptr;
};

void TestConsoleBridge::initTestCase()
{
    QString error;
    QVERIFY2(fixture.start(&error), qPrintable(error));
    env = fixture.env;
    pair = fixture.pair;
}

void TestConsoleBridge::cleanupTestCase()
{
    fixture.stop();
}

void TestConsoleBridge::init()
{
    QString error;
    QVERIFY2(fixture.reset(&error), qPrintable(error));
    AppSettings::SleepTime = 10;
    form = new frmTolvan;
}

void TestConsoleBridge::cleanup()
{
    delete form;
    form = nullptr;
}

QTcpSocket *TestConsoleBridge::connectBridge(QTcpServer &server)
{
    FormDriver f(form);
    if (!server.isListening() && !server.listen(QHostAddress::LocalHost, 0)) {
        return nullptr;
    }
    f.setText("txtServerIP", "127.0.0.1");
    f.setText("txtServerPort", QString::number(server.serverPort()));
    f.click("btnStart");
    QElapsedTimer clock;
    clock.start();
    while (!server.hasPendingConnections() && clock.elapsed() < 3000) {
        QTest::qWait(10);
    }
    return server.nextPendingConnection();
}

void TestConsoleBridge::missingAddressOrPort()
{
    FormDriver f(form);
    f.setText("txtServerPort", "0");
    f.click("btnStart");
    f.setText("txtServerPort", "6000");
    f.setText("txtServerIP", "   ");
    f.click("btnStart");
    QCOMPARE(f.logLines().size(), 2);
    QCOMPARE(f.linesWith("提示信息 >> IP地址和远程端口不能为空"), 2);
    QCOMPARE(f.buttonText("btnStart"), QString("启动"));
}

void TestConsoleBridge::refusedConnection()
{
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 closedPort = probe.serverPort();
    probe.close();
    FormDriver f(form);
    f.setText("txtServerPort", QString::number(closedPort));
    f.click("btnStart");
    QTRY_VERIFY(f.linesWith("提示信息 >> 连接服务器失败,") == 1);
    QVERIFY2(f.lastLineWith("连接服务器失败").endsWith("连接服务器失败,Connection refused"),
             qPrintable(f.lastLineWith("连接服务器失败")));
    QCOMPARE(f.buttonText("btnStart"), QString("启动"));
}

void TestConsoleBridge::serverDataIsShownAndForwarded()
{
    QTcpServer server;
    QTcpSocket *peerSocket = connectBridge(server);
    QVERIFY(peerSocket);
    FormDriver f(form);
    QTRY_COMPARE(f.buttonText("btnStart"), QString("停止"));
    QCOMPARE(f.linesWith("提示信息 >> 连接服务器成功"), 1);

    // Serial port closed: shown once, as network reception.
    peerSocket->write(hexBytes("48 49 0D 0A"));
    QTRY_VERIFY(f.lastLineWith("网络接收").endsWith("网络接收 << HI\\CR\\LF"));
    f.check("ckHexReceive")->setChecked(true);
    peerSocket->write(hexBytes("48 49 0D 0A"));
    QTRY_VERIFY(f.lastLineWith("网络接收").endsWith("网络接收 << 48 49 0D 0A"));
    QCOMPARE(f.linesWith("串口发送"), 0);

    // Serial port open: written to it too, and not counted.
    PeerPort serialPeer;
    QString error;
    QVERIFY2(serialPeer.open(pair->peerEnd(), &error), qPrintable(error));
    f.click("btnOpen");
    peerSocket->write(hexBytes("01 02 03"));
    QCOMPARE(serialPeer.readAtLeast(3, 3000), hexBytes("01 02 03"));
    QTRY_VERIFY(f.lastLineWith("串口发送").endsWith("串口发送 >> 01 02 03"));
    QCOMPARE(f.buttonText("btnSendCount"), QString("发送 : 0 字节"));
}

void TestConsoleBridge::serialDataGoesToTheServer()
{
    QTcpServer server;
    QTcpSocket *peerSocket = connectBridge(server);
    QVERIFY(peerSocket);
    FormDriver f(form);
    f.check("ckHexReceive")->setChecked(true);
    PeerPort serialPeer;
    QString error;
    QVERIFY2(serialPeer.open(pair->peerEnd(), &error), qPrintable(error));
    f.click("btnOpen");
    serialPeer.write(hexBytes("01 03 02 00 7B F8 67"));
    QByteArray got;
    QTRY_VERIFY((got += peerSocket->readAll()).size() >= 7);
    QCOMPARE(got, hexBytes("01 03 02 00 7B F8 67"));
    QVERIFY(f.lastLineWith("网络发送").endsWith("网络发送 >> 01 03 02 00 7B F8 67"));
}

void TestConsoleBridge::stopAndAutomaticReconnect()
{
    QTcpServer server;
    QTcpSocket *peerSocket = connectBridge(server);
    QVERIFY(peerSocket);
    FormDriver f(form);
    QTRY_COMPARE(f.buttonText("btnStart"), QString("停止"));
    f.click("btnStart");
    QCOMPARE(f.buttonText("btnStart"), QString("启动"));
    QCOMPARE(f.linesWith("提示信息 >> 断开服务器成功"), 1);

    f.check("ckAutoConnect")->setChecked(true);
    QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 4500);
    QTRY_COMPARE(f.buttonText("btnStart"), QString("停止"));
    QCOMPARE(f.linesWith("连接服务器成功"), 2);

    // The server going away is an error that returns the bridge to idle.
    QTcpSocket *second = server.nextPendingConnection();
    second->abort();
    QTRY_COMPARE(f.buttonText("btnStart"), QString("启动"));
    QVERIFY(f.linesWith("连接服务器失败,") >= 1);
}

void TestConsoleBridge::udpModeStillConnectsAsTcp()
{
    FormDriver f(form);
    f.combo("cboxMode")->setCurrentText("Udp_Server");
    QTcpServer server;
    QVERIFY(connectBridge(server));
    QTRY_COMPARE(f.buttonText("btnStart"), QString("停止"));
}

void TestConsoleBridge::lateConnectionEntersConnectedState()
{
    // A listener whose accept queue is full drops the console's SYN; the kernel retries it
    // about a second later, long after the 100 ms wait, once the queue has room again.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(listener >= 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::bind(listener, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    QCOMPARE(::listen(listener, 0), 0);
    // Never block the test: accept is polled.
    QCOMPARE(::fcntl(listener, F_SETFL, O_NONBLOCK), 0);
    socklen_t len = sizeof addr;
    QCOMPARE(::getsockname(listener, reinterpret_cast<sockaddr *>(&addr), &len), 0);
    const quint16 port = ntohs(addr.sin_port);

    QTcpSocket filler;
    filler.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(filler.waitForConnected(1000));

    FormDriver f(form);
    PeerPort serialPeer;
    QString error;
    QVERIFY2(serialPeer.open(pair->peerEnd(), &error), qPrintable(error));
    f.click("btnOpen");
    f.setText("txtServerPort", QString::number(port));
    f.click("btnStart");
    QCOMPARE(f.buttonText("btnStart"), QString("启动")); // not within 100 ms

    ::close(::accept(listener, nullptr, nullptr)); // make room for the retry
    QTRY_COMPARE_WITH_TIMEOUT(f.buttonText("btnStart"), QString("停止"), 5000);
    QCOMPARE(f.linesWith("连接服务器成功"), 1);

    // Both directions flow.
    int accepted = -1;
    for (int i = 0; i < 500 && accepted < 0; ++i) {
        QTest::qWait(10);
        accepted = ::accept(listener, nullptr, nullptr);
    }
    QVERIFY(accepted >= 0);
    serialPeer.write("ping");
    QTRY_VERIFY(f.linesWith("网络发送 >> ping") == 1);
    char buf[16] = {};
    ssize_t got = -1;
    for (int i = 0; i < 500 && got <= 0; ++i) {
        QTest::qWait(10);
        got = ::recv(accepted, buf, sizeof buf, MSG_DONTWAIT);
    }
    QCOMPARE(got, ssize_t(4));
    QCOMPARE(QByteArray(buf, 4), QByteArray("ping"));
    ::close(accepted);
    ::close(listener);
}

void TestConsoleBridge::emptyReadAfterTheWaitLogsNothing()
{
    // The server sends and goes away; an automatic reconnect during the read wait discards
    // the socket's buffer, and the read that follows finds nothing.
    QTcpServer server;
    AppSettings::SleepTime = 600;
    QTcpSocket *peerSocket = connectBridge(server);
    QVERIFY(peerSocket);
    FormDriver f(form);
    QTRY_COMPARE(f.buttonText("btnStart"), QString("停止"));
    f.check("ckAutoConnect")->setChecked(true);
    f.combo("cboxSleepTime")->setCurrentText("600");
    QCOMPARE(AppSettings::SleepTime, 600);
    QTimer::singleShot(150, [&] {
        peerSocket->abort();
    });
    QTimer::singleShot(400, [&] {
        QVERIFY(QMetaObject::invokeMethod(form, "connectNet"));
    });
    peerSocket->write("lost");
    peerSocket->flush();
    QTest::qWait(1200);
    QCOMPARE(f.linesWith("网络接收"), 0);
    QVERIFY(f.linesWith("连接服务器失败,") >= 1);
}

QTEST_MAIN(TestConsoleBridge)
#include "tst_console_bridge.moc"
