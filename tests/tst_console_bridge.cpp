// The TCP bridge against servers on 127.0.0.1 that the test runs: connecting, both
// directions, floods and peers that do not read.
#include "appsettings.h"
#include "consolesession.h"
#include "consoletest.h"
#include "logformat.h"
#include "netbridge.h"

#include <QNetworkDatagram>
#include <QSerialPort>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtTest>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

class TestConsoleBridge : public ConsoleTest
{
    Q_OBJECT
private slots:
    void connectingForwardingAndReconnecting()
    {
        makeForm();
        edit("txtServerPort")->setText("0");
        click("btnStart");
        edit("txtServerPort")->setText("6000");
        edit("txtServerIP")->setText("   ");
        click("btnStart");
        QCOMPARE(count("提示信息 >> IP地址和远程端口不能为空"), 2);
        edit("txtServerIP")->setText("127.0.0.1");
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        edit("txtServerPort")->setText(QString::number(server.serverPort()));
        server.close(); // a port nobody listens on
        click("btnStart");
        QTRY_VERIFY(lastLine("连接服务器失败").endsWith("连接服务器失败,Connection refused"));
        QCOMPARE(text("btnStart"), QString("启动"));
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        edit("txtServerPort")->setText(QString::number(server.serverPort()));
        click("btnStart");
        QTRY_COMPARE_WITH_TIMEOUT(text("btnStart"), QString("停止"), 8000);
        QVERIFY(QTest::qWaitFor([&] { return (remote = server.nextPendingConnection()); }, 5000));
        QCOMPARE(count("提示信息 >> 连接服务器成功"), 1);
        remote->write("HI\r\n"); // the serial port closed: shown as network reception only
        QTRY_VERIFY(lastLine("网络接收").endsWith("网络接收 << HI\\CR\\LF"));
        check("ckHexReceive")->setChecked(true);
        remote->write("HI\r\n");
        QTRY_VERIFY(lastLine("网络接收").endsWith("网络接收 << 48 49 0D 0A"));
        QCOMPARE(count("串口发送"), 0);
        QVERIFY(openPort()); // from now on written to the port too, and not counted
        remote->write("\x01\x02\x03");
        QCOMPARE(peer.take(3), QByteArray("\x01\x02\x03"));
        QTRY_VERIFY(lastLine("串口发送").endsWith("串口发送 >> 01 02 03"));
        QCOMPARE(text("btnSendCount"), QString("发送 : 0 字节"));
        peer.write(hexBytes("01 03 02 00 7B F8 67")); // serial receptions go to the server
        QByteArray got;
        QTRY_COMPARE((got += remote->readAll()), hexBytes("01 03 02 00 7B F8 67"));
        QVERIFY(lastLine("网络发送").endsWith("网络发送 >> 01 03 02 00 7B F8 67"));
        click("btnStart");
        QCOMPARE(text("btnStart"), QString("启动"));
        QCOMPARE(count("提示信息 >> 断开服务器成功"), 1);
        check("ckAutoConnect")->setChecked(true); // reconnects even after a stop by hand
        QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections() && text("btnStart") == "停止",
                                 8000);
        server.nextPendingConnection()->abort(); // the server going away returns the bridge to idle
        QTRY_COMPARE(text("btnStart"), QString("启动"));
        QVERIFY(count("连接服务器失败,") >= 2);
    }

    void pendingAttemptGivesWayToANewOne()
    {
        // A listener whose accept queue is full drops the SYN: the attempt stays pending (the
        // kernel retries it later) until another start replaces it.
        QTcpServer stuck, good;
        QVERIFY(stuck.listen(QHostAddress::LocalHost, 0)
                && good.listen(QHostAddress::LocalHost, 0));
        stuck.pauseAccepting();
        QCOMPARE(::listen(int(stuck.socketDescriptor()), 0), 0); // a queue of one
        QTcpSocket filler;
        filler.connectToHost(QHostAddress::LocalHost, stuck.serverPort());
        QVERIFY(filler.waitForConnected(1000));
        makeForm();
        edit("txtServerPort")->setText(QString::number(stuck.serverPort()));
        click("btnStart");
        QCOMPARE(text("btnStart"), QString("启动")); // not within its 100 ms
        edit("txtServerPort")->setText(QString::number(good.serverPort()));
        click("btnStart");
        QTRY_COMPARE(text("btnStart"), QString("停止"));
        QVERIFY(good.hasPendingConnections());
    }

    void automaticRestartNeedsAnAddress()
    {
        // Silent, it starts nothing whose address is missing: a UDP client without its server,
        // a server given only a client's fields.
        NetBridge bridge;
        QSignalSpy said(&bridge, &NetBridge::message);
        NetBridge::Target udp;
        udp.mode = NetBridge::UdpClient;
        udp.port = 6000;
        NetBridge::Target server = udp;
        server.mode = NetBridge::TcpServer;
        server.host = "127.0.0.1";
        bridge.reconnect(udp);
        bridge.reconnect(server);
        QVERIFY(!bridge.isConnected());
        QCOMPARE(said.size(), 0);
        udp.host = "127.0.0.1";
        bridge.reconnect(udp);
        QVERIFY(bridge.isConnected());
    }

    // A TCP peer that never reads, a server of the console's or a client of its server, is
    // not given more than the bound; the others lose nothing of it.
    void peerThatNeverReadsIsNotFedWithoutBound_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("said");
        QTest::newRow("server") << "Tcp_Client"
                                << "服务器未及时接收, 发往网络的数据开始丢弃";
        QTest::newRow("client") << "Tcp_Server"
                                << "有客户端未及时接收, 发往它的数据开始丢弃";
    }
    void peerThatNeverReadsIsNotFedWithoutBound()
    {
        QFETCH(QString, mode);
        QFETCH(QString, said);
        ConsoleSession session;
        QTcpSocket client;
        QTcpSocket *idle = &client; // never read
        if (mode == "Tcp_Client") {
            QVERIFY(connectBridge(&session));
            idle = remote;
        } else {
            QVERIFY(session.open({pair->consoleEnd()}));
            ConsoleSession::Options o;
            o.netMode = mode;
            o.listenPort = freePort();
            session.setOptions(o);
            session.toggleBridge();
            client.setReadBufferSize(1);
            client.connectToHost(QHostAddress::LocalHost, quint16(o.listenPort));
            QVERIFY(client.waitForConnected(2000));
        }
        const int small = 4096; // so that the kernel does not take megabytes in the console's stead
        QCOMPARE(::setsockopt(int(idle->socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &small,
                              sizeof small),
                 0);
        QStringList infos;
        connect(&session, &ConsoleSession::logLine, &session, [&](int type, const QString &text) {
            if (type == LogInfo) {
                infos << text;
            }
        });
        const qint64 total = 16 * 1024 * 1024;
        peer.write(QByteArray(int(total), 'S'));
        QVERIFY(waitUntil([&] { return session.receivedBytes() == total; }, 90000));
        for (const QTcpSocket *s : session.findChildren<QTcpSocket *>()) {
            QVERIFY(s->bytesToWrite() <= 4 * 1024 * 1024);
        }
        QCOMPARE(infos.filter(said).size(), 1);
    }

    void serialPeerThatNeverReadsHoldsTheServerBack()
    {
        peer.close(); // the port stays open below, but nobody reads
        const int holder =
            ::open(QFile::encodeName(pair->peerEnd()).constData(), O_RDWR | O_NOCTTY);
        QVERIFY(holder >= 0);
        ConsoleSession session;
        QVERIFY(connectBridge(&session));
        // The server sends whenever its socket has room, so that the test holds little itself.
        const qint64 total = 20 * 1024 * 1024;
        const QByteArray chunk(256 * 1024, 'T');
        qint64 sent = 0;
        const auto feed = [&] {
            while (sent < total && remote->bytesToWrite() < chunk.size()) {
                sent += remote->write(chunk);
            }
            return false;
        };
        waitUntil(feed, 3000);
        QVERIFY2(sent < total, "nothing held the server back");
        QVERIFY(session.findChild<QSerialPort *>()->bytesToWrite() <= 4 * 1024 * 1024);
        QVERIFY(peer.open(pair->peerEnd()));
        ::close(holder); // now a reader: everything arrives, held back, not dropped
        QVERIFY(waitUntil([&] { return feed() || peer.receivedCount() >= total; }, 90000));
        QCOMPARE(peer.receivedCount(), total);
    }

    // The server modes and the UDP client, each moving bytes both ways with the serial peer.
    void serverAndUdpModes()
    {
        ConsoleSession session;
        QStringList infos;
        connect(&session, &ConsoleSession::logLine, &session,
                [&](int type, const QString &t) { infos << QString::number(type) + ' ' + t; });
        QVERIFY(session.open({pair->consoleEnd()}));
        ConsoleSession::Options o;
        o.netMode = "Tcp_Server";
        o.listenPort = freePort();
        session.setOptions(o);
        session.toggleBridge();
        QVERIFY(session.bridgeConnected());
        QVERIFY(infos.last().endsWith(QString("正在监听 TCP 127.0.0.1:%1").arg(o.listenPort)));
        QTcpSocket a, b;
        for (QTcpSocket *c : {&a, &b}) {
            c->connectToHost(QHostAddress::LocalHost, quint16(o.listenPort));
            QVERIFY(c->waitForConnected(2000));
        }
        QTRY_VERIFY(infos.last().contains("客户端已连接: 127.0.0.1:")
                    && infos.last().endsWith("(共 2 个)"));
        peer.write("to all");
        for (QTcpSocket *c : {&a, &b}) {
            QTRY_COMPARE(c->bytesAvailable(), 6);
            QCOMPARE(c->readAll(), QByteArray("to all"));
        }
        a.write("from a");
        QCOMPARE(peer.take(6), QByteArray("from a"));
        b.write("from b");
        QCOMPARE(peer.take(6), QByteArray("from b"));
        a.disconnectFromHost();
        QTRY_VERIFY(infos.last().endsWith("(共 1 个)"));
        // A port in use is said; the bridge stays stopped.
        ConsoleSession other;
        connect(&other, &ConsoleSession::logLine, &other,
                [&](int, const QString &t) { infos << t; });
        other.setOptions(o);
        other.toggleBridge();
        QVERIFY(!other.bridgeConnected() && infos.last().startsWith("网络启动失败, "));
        // A new mode stops the old one first.
        o.netMode = "Udp_Server";
        session.setOptions(o);
        QVERIFY(!session.bridgeConnected() && infos.last().endsWith("网络已停止"));
        QTRY_COMPARE(b.state(), QAbstractSocket::UnconnectedState);
        session.toggleBridge();
        QUdpSocket far;
        far.writeDatagram("ping", QHostAddress::LocalHost, quint16(o.listenPort));
        QCOMPARE(peer.take(4), QByteArray("ping"));
        peer.write("pong"); // to the last peer heard
        QTRY_VERIFY(far.hasPendingDatagrams());
        QCOMPARE(far.receiveDatagram().data(), QByteArray("pong"));
        // The UDP client hears its server only.
        QUdpSocket server, stranger;
        QVERIFY(server.bind(QHostAddress(QHostAddress::LocalHost), 0));
        o.netMode = "Udp_Client";
        o.serverIP = "127.0.0.1";
        o.serverPort = server.localPort();
        session.setOptions(o);
        session.toggleBridge();
        peer.write("hello");
        QTRY_VERIFY(server.hasPendingDatagrams());
        const QNetworkDatagram hello = server.receiveDatagram();
        QCOMPARE(hello.data(), QByteArray("hello"));
        QVERIFY(infos.contains(QString("%1 hello").arg(LogNetSend))); // sent, so said
        stranger.writeDatagram("noise", QHostAddress::LocalHost, quint16(hello.senderPort()));
        server.writeDatagram("reply", hello.senderAddress(), quint16(hello.senderPort()));
        QCOMPARE(peer.take(5), QByteArray("reply"));
        QCOMPARE(peer.takeFor(200), QByteArray());
    }

private:
    // Opens the session's port, then connects it to a server on a free port; `remote` its end.
    bool connectBridge(ConsoleSession *session)
    {
        auto *server = new QTcpServer(session);
        if (!session->open({pair->consoleEnd()}) || !server->listen(QHostAddress::LocalHost, 0)) {
            return false;
        }
        ConsoleSession::Options options;
        options.serverIP = "127.0.0.1";
        options.serverPort = server->serverPort();
        session->setOptions(options);
        session->toggleBridge();
        const auto up = [&] {
            return server->hasPendingConnections() && session->bridgeConnected();
        };
        return QTest::qWaitFor(up, 5000) && (remote = server->nextPendingConnection());
    }

    QTcpSocket *remote = nullptr;
};

QTEST_MAIN(TestConsoleBridge)
#include "tst_console_bridge.moc"
