#include "modbustcp.h"

#include "tavihelper.h"

#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>

QByteArray rtuToMbap(const QByteArray &rtu, quint16 transaction)
{
    const QByteArray pdu = rtu.mid(1, rtu.size() - 3);
    QByteArray out(7, '\0');
    qToBigEndian<quint16>(transaction, out.data());
    qToBigEndian<quint16>(0, out.data() + 2);
    qToBigEndian<quint16>(quint16(pdu.size() + 1), out.data() + 4);
    out[6] = rtu.at(0);
    return out + pdu;
}

QVector<QByteArray> MbapAssembler::take(const QByteArray &data, QVector<quint16> *transactions)
{
    buffer += data;
    QVector<QByteArray> frames;
    while (buffer.size() >= 7) {
        const auto *b = reinterpret_cast<const uchar *>(buffer.constData());
        const int protocol = qFromBigEndian<quint16>(b + 2);
        const int length = qFromBigEndian<quint16>(b + 4);
        if (protocol != 0 || length < 2 || length > 254) {
            dropped += buffer.size();
            buffer.clear();
            break;
        }
        if (buffer.size() < 6 + length) {
            break;
        }
        const QByteArray rtu = buffer.mid(6, length); // unit id and PDU
        frames << rtu + TaviHelper::crc16ModbusBytes(rtu);
        if (transactions) {
            *transactions << qFromBigEndian<quint16>(b);
        }
        buffer.remove(0, 6 + length);
    }
    return frames;
}

TcpTransport::TcpTransport(QObject *parent) : QObject(parent), socket(new QTcpSocket(this))
{
    socket->setObjectName(QStringLiteral("transportSocket"));
    connect(socket, &QTcpSocket::readyRead, this, &TcpTransport::read);
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        if (wasConnected) {
            wasConnected = false;
            emit message(tr("与 %1:%2 的连接已断开, 下次请求时重连").arg(host).arg(port));
        }
    });
}

void TcpTransport::setTarget(Kind k, const QString &h, int p)
{
    if (k != kind || h != host || p != port) {
        socket->abort();
        wasConnected = false;
        assembler.reset();
    }
    kind = k;
    host = h;
    port = p;
}

bool TcpTransport::isConnected() const
{
    return socket->state() == QAbstractSocket::ConnectedState;
}

void TcpTransport::disconnectFromHost()
{
    wasConnected = false;
    socket->abort();
}

bool TcpTransport::send(const QByteArray &rtu)
{
    if (!isConnected()) {
        if (host.isEmpty() || port <= 0) {
            emit message(tr("IP地址和远程端口不能为空"));
            return false;
        }
        socket->abort();
        assembler.reset();
        socket->connectToHost(host, quint16(port));
        // A request waits for its connection, with events flowing; a gateway that does not
        // answer in a second is as good as absent.
        QEventLoop loop;
        connect(socket, &QAbstractSocket::connected, &loop, &QEventLoop::quit);
        connect(socket, &QAbstractSocket::errorOccurred, &loop, &QEventLoop::quit);
        QTimer::singleShot(1000, &loop, &QEventLoop::quit);
        loop.exec();
        if (!isConnected()) {
            emit message(tr("无法连接 %1:%2, %3").arg(host).arg(port).arg(socket->errorString()));
            socket->abort();
            return false;
        }
        wasConnected = true;
        emit message(tr("已连接 %1:%2 (%3)")
                         .arg(host)
                         .arg(port)
                         .arg(kind == ModbusTcp ? QStringLiteral("Modbus TCP")
                                                : QStringLiteral("RTU over TCP")));
    }
    const QByteArray bytes = kind == ModbusTcp ? rtuToMbap(rtu, ++transaction) : rtu;
    return socket->write(bytes) == bytes.size();
}

void TcpTransport::read()
{
    const QByteArray data = socket->readAll();
    if (kind == RtuOverTcp) {
        emit received(data);
        return;
    }
    QByteArray rtu;
    for (const QByteArray &frame : assembler.take(data)) {
        rtu += frame;
    }
    if (!rtu.isEmpty()) {
        emit received(rtu);
    }
}
