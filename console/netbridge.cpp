#include "netbridge.h"

#include "seriallink.h"
#include "tavihelper.h"

#include <QEventLoop>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUdpSocket>

namespace {
// A client that does not read is held to this much, and so is each client of the server.
bool hasRoom(QTcpSocket *s, const QByteArray &data, qint64 dropped)
{
    // Once dropping, go on until the peer has taken half, so the messages do not flap.
    const qint64 room = dropped > 0 ? NetBridge::maxPending / 2 : NetBridge::maxPending;
    return s->bytesToWrite() + data.size() <= room;
}
} // namespace

NetBridge::Mode NetBridge::modeFromText(const QString &text)
{
    const QStringList names = {QStringLiteral("Tcp_Client"), QStringLiteral("Tcp_Server"),
                               QStringLiteral("Udp_Client"), QStringLiteral("Udp_Server")};
    return Mode(qMax(0, names.indexOf(text)));
}

NetBridge::NetBridge(QObject *parent)
    : QObject(parent), socket(new QTcpSocket(this)), server(new QTcpServer(this)),
      udp(new QUdpSocket(this))
{
    socket->setObjectName(QStringLiteral("tcpSocket"));
    // A flooding server is held back by TCP rather than filling memory and the log at once.
    socket->setReadBufferSize(SerialLink::readBufferBytes);
    socket->abort();
    connect(socket, &QTcpSocket::readyRead, this, &NetBridge::readyRead);
    connect(socket, &QAbstractSocket::errorOccurred, this, &NetBridge::errorOccurred);
    // A connection that completes after the short wait still enters the connected state.
    connect(socket, &QAbstractSocket::connected, this, &NetBridge::enterConnected);
    connect(server, &QTcpServer::newConnection, this, &NetBridge::acceptClients);
    connect(udp, &QUdpSocket::readyRead, this, &NetBridge::readyRead);
}

QString NetBridge::peerText(const QHostAddress &address, quint16 port)
{
    // An IPv4 peer of a dual-stack socket shows as the IPv4 address it is.
    bool v4 = false;
    const quint32 ip = address.toIPv4Address(&v4);
    return QStringLiteral("%1:%2")
        .arg(v4 ? QHostAddress(ip).toString() : address.toString())
        .arg(port);
}

void NetBridge::enterConnected()
{
    if (connected) {
        return;
    }
    connected = true;
    emit stateChanged(true);
    if (target.mode == TcpClient) {
        emit message(tr("连接服务器成功"));
    }
}

void NetBridge::attempt()
{
    if (socket->state() != QAbstractSocket::UnconnectedState) {
        socket->abort();
    }
    socket->connectToHost(target.host, static_cast<quint16>(target.port), QIODevice::ReadWrite,
                          QAbstractSocket::AnyIPProtocol);
    // A quick answer gets 100 ms, with events flowing. Unlike waitForConnected, this leaves a
    // slower attempt running: when it completes, connected() enters the connected state.
    QEventLoop loop;
    connect(socket, &QAbstractSocket::connected, &loop, &QEventLoop::quit);
    connect(socket, &QAbstractSocket::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(100, &loop, &QEventLoop::quit);
    if (socket->state() != QAbstractSocket::ConnectedState) {
        loop.exec();
    }
    if (socket->state() == QAbstractSocket::ConnectedState) {
        enterConnected();
    }
}

void NetBridge::listen()
{
    const QHostAddress address(target.listenAddress.isEmpty() ? QStringLiteral("127.0.0.1")
                                                              : target.listenAddress);
    const auto port = static_cast<quint16>(target.listenPort);
    bool ok = false;
    QString error;
    if (target.mode == TcpServer) {
        ok = server->listen(address, port);
        error = server->errorString();
    } else if (target.mode == UdpServer) {
        ok = udp->bind(address, port);
        error = udp->errorString();
    } else { // a UDP client: replies come to a port of its own
        ok = udp->bind(QHostAddress(QHostAddress::AnyIPv4), 0);
        error = udp->errorString();
        udpPeer = QHostAddress(target.host);
        udpPeerPort = static_cast<quint16>(target.port);
    }
    if (!ok) {
        emit message(tr("网络启动失败, %1").arg(error));
        return;
    }
    enterConnected();
    if (target.mode == UdpClient) {
        emit message(tr("UDP 已就绪, 发往 %1").arg(peerText(udpPeer, udpPeerPort)));
    } else {
        emit message(
            tr("正在监听 %1 %2")
                .arg(target.mode == TcpServer ? QStringLiteral("TCP") : QStringLiteral("UDP"),
                     peerText(address, port)));
    }
}

void NetBridge::start(const Target &to)
{
    target = to;
    const bool client = to.mode == TcpClient || to.mode == UdpClient;
    if (client && (to.host.isEmpty() || to.port == 0)) {
        emit message(tr("IP地址和远程端口不能为空"));
        return;
    }
    if (client && to.mode == UdpClient && QHostAddress(to.host).isNull()) {
        emit message(tr("UDP 远程地址应为 IP 地址, 现为 \"%1\"").arg(to.host));
        return;
    }
    if (!client && to.listenPort == 0) {
        emit message(tr("监听端口不能为空"));
        return;
    }
    if (to.mode == TcpClient) {
        attempt();
    } else {
        listen();
    }
}

void NetBridge::reconnect(const Target &to)
{
    if (connected) {
        return;
    }
    if (to.mode != TcpClient) {
        // Nothing to wait for: a server listens (or says why not) at once.
        if ((to.mode == UdpClient && !to.host.isEmpty() && to.port != 0)
            || (to.mode != UdpClient && to.listenPort != 0)) {
            target = to;
            listen();
        }
        return;
    }
    if (to.host.isEmpty() || to.port == 0 || socket->state() == QAbstractSocket::HostLookupState
        || socket->state() == QAbstractSocket::ConnectingState) {
        return;
    }
    target = to;
    attempt();
}

bool NetBridge::stop()
{
    if (target.mode == TcpClient) {
        socket->disconnectFromHost();
        if (socket->state() != QAbstractSocket::UnconnectedState
            && !socket->waitForDisconnected(100)) {
            return false;
        }
    }
    server->close();
    for (QTcpSocket *c : qAsConst(clients)) {
        c->abort();
        c->deleteLater();
    }
    clients.clear();
    udp->close();
    udpPeer.clear();
    const bool wasConnected = connected;
    connected = false;
    dropped = 0;
    emit stateChanged(false);
    if (target.mode == TcpClient) {
        emit message(tr("断开服务器成功"));
    } else if (wasConnected) {
        emit message(tr("网络已停止"));
    }
    return true;
}

void NetBridge::fail()
{
    if (target.mode != TcpClient) {
        return; // a client of the server that fails only goes; see acceptClients
    }
    dropped = 0;
    const QString reason = socket->errorString();
    connected = false;
    emit stateChanged(false);
    emit message(tr("连接服务器失败,%1").arg(reason));
    socket->disconnectFromHost();
}

void NetBridge::acceptClients()
{
    while (QTcpSocket *c = server->nextPendingConnection()) {
        c->setReadBufferSize(SerialLink::readBufferBytes);
        clients << c;
        const QString who = peerText(c->peerAddress(), c->peerPort());
        emit message(tr("客户端已连接: %1 (共 %2 个)").arg(who).arg(clients.size()));
        connect(c, &QTcpSocket::readyRead, this, &NetBridge::readyRead);
        connect(c, &QTcpSocket::disconnected, this, [this, c, who] {
            if (clients.removeOne(c)) {
                emit message(tr("客户端已断开: %1 (共 %2 个)").arg(who).arg(clients.size()));
                emit clientGone(quintptr(c));
            }
            c->deleteLater();
        });
    }
}

QVector<QPair<quintptr, QByteArray>> NetBridge::takeByClient()
{
    QVector<QPair<quintptr, QByteArray>> out;
    for (QTcpSocket *c : qAsConst(clients)) {
        if (c->bytesAvailable() > 0) {
            out.append({quintptr(c), c->readAll()});
        }
    }
    return out;
}

bool NetBridge::sendToClient(quintptr client, const QByteArray &data)
{
    for (QTcpSocket *c : qAsConst(clients)) {
        if (quintptr(c) == client) {
            return c->write(data) == data.size();
        }
    }
    return false; // gone meanwhile
}

QByteArray NetBridge::take(int sleepMs)
{
    const auto waiting = [this] {
        const bool bound = udp->state() == QAbstractSocket::BoundState;
        qint64 n = socket->bytesAvailable() + (bound && udp->hasPendingDatagrams() ? 1 : 0);
        for (QTcpSocket *c : qAsConst(clients)) {
            n += c->bytesAvailable();
        }
        return n;
    };
    if (waiting() <= 0) {
        return QByteArray();
    }
    TaviHelper::delayMs(sleepMs);
    QByteArray data = socket->readAll();
    for (QTcpSocket *c : qAsConst(clients)) {
        data += c->readAll();
    }
    while (udp->state() == QAbstractSocket::BoundState && udp->hasPendingDatagrams()
           && data.size() < SerialLink::readBufferBytes) {
        const QNetworkDatagram d = udp->receiveDatagram();
        if (target.mode == UdpServer) {
            udpPeer = d.senderAddress();
            udpPeerPort = static_cast<quint16>(d.senderPort());
        } else if (!d.senderAddress().isEqual(udpPeer, QHostAddress::TolerantConversion)
                   || d.senderPort() != udpPeerPort) {
            continue; // a UDP client hears its server only
        }
        data += d.data();
    }
    // With bounded buffers, data already waiting raises no new readyRead.
    if (waiting() > 0) {
        QTimer::singleShot(0, this, [this] { emit readyRead(); });
    }
    return data;
}

void NetBridge::resume()
{
    if (held) {
        held = false;
        QTimer::singleShot(0, this, [this] { emit readyRead(); });
    }
}

void NetBridge::noteDrops(bool dropping, qint64 bytes)
{
    const bool server = target.mode == TcpServer;
    if (dropping) {
        if (dropped == 0) {
            emit message(server ? tr("有客户端未及时接收, 发往它的数据开始丢弃")
                                : tr("服务器未及时接收, 发往网络的数据开始丢弃"));
        }
        dropped += bytes;
    } else if (dropped > 0) {
        emit message(server ? tr("客户端又开始接收, 共丢弃 %1 字节").arg(dropped)
                            : tr("服务器又开始接收, 共丢弃 %1 字节").arg(dropped));
        dropped = 0;
    }
}

bool NetBridge::forward(const QByteArray &data)
{
    // A large reception goes in pieces: held to the bound as a stream of small ones is (one
    // piece of half the bound would make the messages flap), and each fits a datagram.
    if (data.size() > forwardPiece) {
        bool all = true;
        for (int at = 0; at < data.size(); at += forwardPiece) {
            all = forward(data.mid(at, forwardPiece)) && all;
        }
        return all;
    }
    switch (target.mode) {
    case TcpClient: {
        const bool room = hasRoom(socket, data, dropped);
        noteDrops(!room, data.size());
        return room && socket->write(data) == data.size();
    }
    case TcpServer: {
        // Each client is held to the bound by itself: one that does not read misses data,
        // the others get it all.
        bool all = !clients.isEmpty();
        bool full = false;
        for (QTcpSocket *c : qAsConst(clients)) {
            if (!hasRoom(c, data, dropped)) {
                full = true;
                continue;
            }
            all = c->write(data) == data.size() && all;
        }
        noteDrops(full, data.size());
        return all && !full;
    }
    default:
        return !udpPeer.isNull() && udp->writeDatagram(data, udpPeer, udpPeerPort) == data.size();
    }
}
