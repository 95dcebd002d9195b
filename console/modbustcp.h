#ifndef MODBUSTCP_H
#define MODBUSTCP_H

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVector>

class QTcpSocket;

// The Modbus TCP frame of an RTU frame (slave, PDU, CRC): the MBAP header (transaction id,
// protocol 0, length, unit id = the slave) and the PDU, without the CRC.
QByteArray rtuToMbap(const QByteArray &rtu, quint16 transaction);

// Cuts a Modbus TCP stream into frames and gives each back as the RTU frame it stands for
// (unit id, PDU, a CRC computed here), so that replies are paired and judged as on a serial
// line. A header that is not Modbus (protocol id not 0, length 0 or over 254) ends the stream's
// sense: what is buffered is dropped and counted.
class MbapAssembler
{
public:
    // `transactions`, when given, gets each frame's transaction id.
    QVector<QByteArray> take(const QByteArray &data, QVector<quint16> *transactions = nullptr);
    qint64 droppedBytes() const { return dropped; }
    void reset() { buffer.clear(); }

private:
    QByteArray buffer;
    qint64 dropped = 0;
};

// Where the console's requests go instead of the serial port: a TCP connection to a gateway
// or device, carrying RTU frames as they are or as Modbus TCP. The connection is made on the
// first request and, once lost, again on the next one.
class TcpTransport : public QObject
{
    Q_OBJECT
public:
    enum Kind { RtuOverTcp, ModbusTcp };
    explicit TcpTransport(QObject *parent = nullptr);

    void setTarget(Kind kind, const QString &host, int port);
    // Sends an RTU request frame, connecting first when needed; false when the connection
    // cannot be made (message() says why).
    bool send(const QByteArray &rtu);
    void disconnectFromHost();
    bool isConnected() const;

signals:
    // Reply bytes as RTU frames (ModbusTcp) or as they came (RtuOverTcp).
    void received(const QByteArray &rtu);
    void message(const QString &text);

private:
    void read();

    QTcpSocket *socket;
    Kind kind = ModbusTcp;
    QString host;
    int port = 0;
    quint16 transaction = 0;
    bool wasConnected = false;
    MbapAssembler assembler;
};

#endif // MODBUSTCP_H
