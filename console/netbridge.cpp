#include "netbridge.h"

#include "seriallink.h"
#include "tavihelper.h"

#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

NetBridge::NetBridge(QObject *parent) : QObject(parent), socket(new QTcpSocket(this))
{
    socket->setObjectName(QStringLiteral("tcpSocket"));
    // A flooding server is held back by TCP rather than filling memory and the log at once.
    socket->setReadBufferSize(SerialLink::readBufferBytes);
    socket->abort();
    connect(socket, &QTcpSocket::readyRead, this, &NetBridge::readyRead);
    connect(socket, &QAbstractSocket::errorOccurred, this, &NetBridge::errorOccurred);
    // A connection that completes after the short wait still enters the connected state.
    connect(socket, &QAbstractSocket::connected, this, &NetBridge::enterConnected);
}

void NetBridge::enterConnected()
{
    if (connected) {
        return;
    }
    connected = true;
    emit stateChanged(true);
    emit message(tr("连接服务器成功"));
}

void NetBridge::attempt(const QString &host, int port)
{
    if (socket->state() != QAbstractSocket::UnconnectedState) {
        socket->abort();
    }
    socket->connectToHost(host, static_cast<quint16>(port), QIODevice::ReadWrite,
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

void NetBridge::start(const QString &host, int port)
{
    if (host.isEmpty() || port == 0) {
        emit message(tr("IP地址和远程端口不能为空"));
        return;
    }
    attempt(host, port);
}

void NetBridge::reconnect(const QString &host, int port)
{
    if (connected || host.isEmpty() || port == 0) {
        return;
    }
    if (socket->state() == QAbstractSocket::HostLookupState
        || socket->state() == QAbstractSocket::ConnectingState) {
        return;
    }
    attempt(host, port);
}

bool NetBridge::stop()
{
    socket->disconnectFromHost();
    if (socket->state() != QAbstractSocket::UnconnectedState && !socket->waitForDisconnected(100)) {
        return false;
    }
    connected = false;
    emit stateChanged(false);
    emit message(tr("断开服务器成功"));
    return true;
}

void NetBridge::fail()
{
    dropped = 0;
    const QString reason = socket->errorString();
    connected = false;
    emit stateChanged(false);
    emit message(tr("连接服务器失败,%1").arg(reason));
    socket->disconnectFromHost();
}

QByteArray NetBridge::take(int sleepMs)
{
    if (socket->bytesAvailable() <= 0) {
        return QByteArray();
    }
    TaviHelper::delayMs(sleepMs);
    const QByteArray data = socket->readAll();
    // With a bounded buffer, data already waiting raises no new readyRead.
    if (socket->bytesAvailable() > 0) {
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

bool NetBridge::forward(const QByteArray &data)
{
    // Once dropping, go on until the server has taken half, so the messages do not flap.
    const qint64 room = dropped > 0 ? maxPending / 2 : maxPending;
    if (socket->bytesToWrite() + data.size() > room) {
        if (dropped == 0) {
            emit message(tr("服务器未及时接收, 发往网络的数据开始丢弃"));
        }
        dropped += data.size();
        return false;
    }
    if (dropped > 0) {
        emit message(tr("服务器又开始接收, 共丢弃 %1 字节").arg(dropped));
        dropped = 0;
    }
    return socket->write(data) == data.size();
}
