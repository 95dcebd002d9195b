#ifndef NETBRIDGE_H
#define NETBRIDGE_H

#include <QByteArray>
#include <QObject>
#include <QString>

class QTcpSocket;

// The console's TCP client toward a server: the socket, the connect attempt, the state and
// the messages about it. The console forwards what the serial port receives through it and
// writes what it receives to the serial port.
class NetBridge : public QObject
{
    Q_OBJECT
public:
    explicit NetBridge(QObject *parent = nullptr);

    bool isConnected() const { return connected; }

    // The manual start; says why when the address or the port is missing.
    void start(const QString &host, int port);
    // The automatic reconnection: silent, and an attempt still under way is given its time.
    void reconnect(const QString &host, int port);
    // Disconnects; false while the socket is still closing after 100 ms (still connected).
    bool stop();
    // After a socket error: back to idle, with the error text.
    void fail();

    // Waits `sleepMs` with events flowing so that a message still arriving is read whole,
    // then takes what has arrived.
    QByteArray take(int sleepMs);
    // The data waits (and TCP holds the server back) until resume().
    void holdBack() { held = true; }
    void resume();
    // Sends serial data on to the server. A server that does not read is not given more
    // than maxPending bytes to hold: beyond that the data is dropped, and the messages say
    // when dropping starts and how much was dropped once the server reads again.
    bool forward(const QByteArray &data);
    static constexpr qint64 maxPending = 4 * 1024 * 1024;

signals:
    void stateChanged(bool connected);
    void message(const QString &text);
    // The socket's signals, for the console's readDataNet and readErrorNet.
    void readyRead();
    void errorOccurred();

private:
    void attempt(const QString &host, int port);
    void enterConnected();

    QTcpSocket *socket;
    bool connected = false;
    qint64 dropped = 0;
    bool held = false;
};

#endif // NETBRIDGE_H
