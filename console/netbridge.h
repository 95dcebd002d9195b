#ifndef NETBRIDGE_H
#define NETBRIDGE_H

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QVector>

class QTcpServer;
class QTcpSocket;
class QUdpSocket;

// The console's way to the network: a TCP client toward a server, a TCP server for several
// clients, or UDP toward a peer or from any. The console forwards what the serial port receives
// through it and writes what it receives to the serial port.
class NetBridge : public QObject
{
    Q_OBJECT
public:
    enum Mode { TcpClient, TcpServer, UdpClient, UdpServer };
    // "Tcp_Client", "Tcp_Server", "Udp_Client", "Udp_Server"; TcpClient for anything else.
    static Mode modeFromText(const QString &text);

    struct Target {
        Mode mode = TcpClient;
        QString host; // clients: the server's address
        int port = 0;
        QString listenAddress; // servers: where to listen ("0.0.0.0": every interface)
        int listenPort = 0;
    };

    explicit NetBridge(QObject *parent = nullptr);

    // Connected (clients) or listening (servers).
    bool isConnected() const { return connected; }
    Mode mode() const { return target.mode; }

    // The manual start; says why when an address or a port is missing or cannot be used.
    void start(const Target &to);
    // The automatic reconnection: silent, and an attempt still under way is given its time.
    void reconnect(const Target &to);
    // Disconnects or stops listening; false while a socket is still closing after 100 ms.
    bool stop();
    // After an error of the client socket: back to idle, with the error text.
    void fail();

    // Waits `sleepMs` with events flowing so that a message still arriving is read whole,
    // then takes what has arrived, from every client or peer.
    QByteArray take(int sleepMs);
    // The data waits (and TCP holds the server back) until resume().
    void holdBack() { held = true; }
    void resume();
    // Sends serial data on: to the server, to every client, to the UDP peer (the server
    // mode's peer is the last one heard). A TCP peer that does not read is not given more than
    // maxPending bytes to hold: beyond that the data is dropped, and the messages say when
    // dropping starts and how much was dropped once it reads again.
    bool forward(const QByteArray &data);
    static constexpr qint64 maxPending = 4 * 1024 * 1024;
    static constexpr int forwardPiece = 60 * 1024;

    // The server's clients one by one, for an answer to each (a simulated device): what each
    // sent, by a key that stays the client's while it is connected.
    QVector<QPair<quintptr, QByteArray>> takeByClient();
    bool sendToClient(quintptr client, const QByteArray &data);

signals:
    void stateChanged(bool connected);
    void message(const QString &text);
    // Data waiting for take(); the client socket's error, for the console's readErrorNet.
    void readyRead();
    void errorOccurred();
    void clientGone(quintptr client);

private:
    void attempt();
    void enterConnected();
    void listen();
    void acceptClients();
    // Counts bytes dropped for a peer that does not read, saying when it starts and ends.
    void noteDrops(bool dropping, qint64 bytes);
    static QString peerText(const QHostAddress &address, quint16 port);

    Target target;
    QTcpSocket *socket;
    QTcpServer *server;
    QUdpSocket *udp;
    QList<QTcpSocket *> clients;
    QHostAddress udpPeer; // where serial data goes over UDP
    quint16 udpPeerPort = 0;
    bool connected = false;
    qint64 dropped = 0;
    bool held = false;
};

#endif // NETBRIDGE_H
