// The TCP bridge against servers on 127.0.0.1 that the test runs: connecting, both
// directions, floods and peers that do not read.
#include "appsettings.h"
#include "consoletest.h"
#include "frmtolvan.h"

#include <QSerialPort>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class TestConsoleBridge : public ConsoleTest
{
    Q_OBJECT
private slots:
    void startRefusedAndMissing();
    void bothDirections();
    void stopAndAutomaticReconnect();
    void lateConnectionEntersConnectedState();
    void floodKeepsTheShownWindowAnswering();
    void serverThatNeverReadsIsNotFedWithoutBound();
    void serialPeerThatNeverReadsHoldsTheServerBack();

private:
    // The console connected to `server` (listening on a free port); the server's end.
    QTcpSocket *connectBridge(QTcpServer &server);
};

QTcpSocket *TestConsoleBridge::connectBridge(QTcpServer &server)
{
    if (!server.isListening() && !server.listen(QHostAddress::LocalHost, 0)) {
        return nullptr;
    }
    edit("txtServerPort")->setText(QString::number(server.serverPort()));
    click("btnStart");
    if (!QTest::qWaitFor([&] { return server.hasPendingConnections() && text("btnStart") == "停止"; }, 5000)) {
        return nullptr;
    }
    return server.nextPendingConnection();
}

void TestConsoleBridge::startRefusedAndMissing()
{
    makeForm();
    combo("cboxMode")->setCurrentText("Udp_Server"); // changes nothing: a TCP client all the same
    edit("txtServerPort")->setText("0");
    click("btnStart");
    edit("txtServerPort")->setText("6000");
    edit("txtServerIP")->setText("   ");
    click("btnStart");
    QCOMPARE(count("提示信息 >> IP地址和远程端口不能为空"), 2);
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 closedPort = probe.serverPort();
    probe.close();
    edit("txtServerIP")->setText("127.0.0.1");
    edit("txtServerPort")->setText(QString::number(closedPort));
    click("btnStart");
    QTRY_VERIFY(lastLine("连接服务器失败").endsWith("连接服务器失败,Connection refused"));
    QCOMPARE(text("btnStart"), QString("启动"));
}

void TestConsoleBridge::bothDirections()
{
    makeForm();
    QTcpServer server;
    QTcpSocket *remote = connectBridge(server);
    QVERIFY(remote);
    QCOMPARE(count("提示信息 >> 连接服务器成功"), 1);
    // Serial port closed: shown as network reception only.
    remote->write("HI\r\n");
    QTRY_VERIFY(lastLine("网络接收").endsWith("网络接收 << HI\\CR\\LF"));
    check("ckHexReceive")->setChecked(true);
    remote->write("HI\r\n");
    QTRY_VERIFY(lastLine("网络接收").endsWith("网络接收 << 48 49 0D 0A"));
    QCOMPARE(count("串口发送"), 0);
    // Serial port open: written to it too, and not counted.
    QVERIFY(openPort());
    remote->write("\x01\x02\x03");
    QCOMPARE(peer.take(3), QByteArray("\x01\x02\x03"));
    QTRY_VERIFY(lastLine("串口发送").endsWith("串口发送 >> 01 02 03"));
    QCOMPARE(text("btnSendCount"), QString("发送 : 0 字节"));
    // Serial receptions go to the server.
    peer.write(hexBytes("01 03 02 00 7B F8 67"));
    QByteArray got;
    QTRY_VERIFY((got += remote->readAll()).size() >= 7);
    QCOMPARE(got, hexBytes("01 03 02 00 7B F8 67"));
    QVERIFY(lastLine("网络发送").endsWith("网络发送 >> 01 03 02 00 7B F8 67"));
}

void TestConsoleBridge::stopAndAutomaticReconnect()
{
    makeForm();
    QTcpServer server;
    QVERIFY(connectBridge(server));
    click("btnStart");
    QCOMPARE(text("btnStart"), QString("启动"));
    QCOMPARE(count("提示信息 >> 断开服务器成功"), 1);
    check("ckAutoConnect")->setChecked(true); // reconnects even after a stop by hand
    QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 4500);
    QTRY_COMPARE(text("btnStart"), QString("停止"));
    server.nextPendingConnection()->abort(); // the server going away returns the bridge to idle
    QTRY_COMPARE(text("btnStart"), QString("启动"));
    QVERIFY(count("连接服务器失败,") >= 1);
}

void TestConsoleBridge::lateConnectionEntersConnectedState()
{
    // A listener whose accept queue is full drops the console's SYN; the kernel retries it
    // about a second later, long after the 100 ms wait, once the queue has room again.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::bind(listener, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    QCOMPARE(::listen(listener, 0), 0);
    QCOMPARE(::fcntl(listener, F_SETFL, O_NONBLOCK), 0); // accept is polled, never blocks
    socklen_t len = sizeof addr;
    QCOMPARE(::getsockname(listener, reinterpret_cast<sockaddr *>(&addr), &len), 0);
    QTcpSocket filler;
    filler.connectToHost(QHostAddress::LocalHost, ntohs(addr.sin_port));
    QVERIFY(filler.waitForConnected(1000));

    makeForm();
    QVERIFY(openPort());
    edit("txtServerPort")->setText(QString::number(ntohs(addr.sin_port)));
    click("btnStart");
    QCOMPARE(text("btnStart"), QString("启动")); // not within 100 ms
    ::close(::accept(listener, nullptr, nullptr));  // make room for the retry
    QTRY_COMPARE_WITH_TIMEOUT(text("btnStart"), QString("停止"), 5000);
    int accepted = -1;
    QVERIFY(QTest::qWaitFor([&] { return (accepted = ::accept(listener, nullptr, nullptr)) >= 0; }, 5000));
    peer.write("ping");
    char buf[16] = {};
    ssize_t got = -1;
    QVERIFY(QTest::qWaitFor([&] { return (got = ::recv(accepted, buf, sizeof buf, MSG_DONTWAIT)) > 0; }, 5000));
    QCOMPARE(QByteArray(buf, int(got)), QByteArray("ping"));
    ::close(accepted);
    ::close(listener);
}

void TestConsoleBridge::floodKeepsTheShownWindowAnswering()
{
    // 12 MB from the server while the window is shown, forwarded to a serial peer that
    // reads: once the document grew taller than Qt can lay out, the window froze for good.
    AppSettings::SleepTime = 0;
    AppSettings::AutoSave = true;
    makeForm()->show();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QVERIFY(openPort());
    QTcpServer server;
    QTcpSocket *remote = connectBridge(server);
    QVERIFY(remote);
    timer("saveTimer")->stop(); // saved by the full-view clears and at the end
    Heartbeat heartbeat;
    const qint64 total = 12 * 1024 * 1024;
    const QByteArray chunk(256 * 1024, 'Z');
    qint64 sent = 0;
    QTimer feeder;
    connect(&feeder, &QTimer::timeout, this, [&] {
        while (sent < total && remote->bytesToWrite() < 1024 * 1024) {
            remote->write(chunk);
            sent += chunk.size();
        }
    });
    feeder.start(1);
    QVERIFY(waitUntil([&] { return peer.receivedCount() >= total; }, 120000));
    waitUntil([] { return false; }, 300);
    QVERIFY2(heartbeat.longestGapMs() < 250, qPrintable(QString::number(heartbeat.longestGapMs())));
    QVERIFY(log()->document()->size().height() < 1e6);
    // The view shortens long lines; the saved log has every byte, shown and forwarded.
    click("btnSave");
    QCOMPARE(savedLogs().count('Z'), 2 * total);
}

void TestConsoleBridge::serverThatNeverReadsIsNotFedWithoutBound()
{
    AppSettings::AutoSave = true;
    makeForm();
    QVERIFY(openPort());
    QTcpServer server;
    QTcpSocket *remote = connectBridge(server); // accepted, never read
    QVERIFY(remote);
    // A small window, so that the kernel does not take megabytes in the console's stead.
    const int small = 4096;
    QCOMPARE(::setsockopt(int(remote->socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &small, sizeof small), 0);
    const qint64 total = 16 * 1024 * 1024;
    peer.write(QByteArray(int(total), 'S'));
    const QString counted = QString("接收 : %1 字节").arg(total);
    QVERIFY(waitUntil([&] { return text("btnReceiveCount") == counted; }, 90000));
    QVERIFY(find<QTcpSocket>("tcpSocket")->bytesToWrite() <= 4 * 1024 * 1024);
    click("btnSave");
    QCOMPARE(savedLogs().count("服务器未及时接收, 发往网络的数据开始丢弃"), 1);
}

void TestConsoleBridge::serialPeerThatNeverReadsHoldsTheServerBack()
{
    AppSettings::SleepTime = 0;
    peer.close();
    // The serial peer has the port open but never reads.
    const int holder = ::open(QFile::encodeName(pair->peerEnd()).constData(), O_RDWR | O_NOCTTY);
    QVERIFY(holder >= 0);
    makeForm();
    QVERIFY(openPort());
    QTcpServer server;
    QTcpSocket *remote = connectBridge(server);
    QVERIFY(remote);
    const double rssBefore = residentMiB();
    const int total = 20 * 1024 * 1024;
    remote->write(QByteArray(total, 'T'));
    waitUntil([] { return false; }, 3000);
    QVERIFY(find<QSerialPort>("")->bytesToWrite() <= 4 * 1024 * 1024);
    QVERIFY2(residentMiB() - rssBefore < 40, qPrintable(QString::number(residentMiB() - rssBefore)));
    // Once the peer reads, everything arrives: held back, not dropped.
    QString error;
    QVERIFY2(peer.open(pair->peerEnd(), &error), qPrintable(error));
    ::close(holder);
    QVERIFY(waitUntil([&] { return peer.receivedCount() >= total; }, 90000));
    QCOMPARE(peer.receivedCount(), qint64(total));
}

QTEST_MAIN(TestConsoleBridge)
#include "tst_console_bridge.moc"
