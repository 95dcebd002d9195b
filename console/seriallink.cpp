#include "seriallink.h"

#include <QSerialPort>

SerialLink::SerialLink(const QString &portName, QObject *parent)
    : QObject(parent), serial(new QSerialPort(this))
{
    serial->setPortName(portName);
}

SerialLink::~SerialLink()
{
    close();
}

bool SerialLink::open()
{
    // A bounded buffer: when the console falls behind, the port stops reading and the
    // sender is held back by the line instead of memory growing without limit. Without
    // it a busy port can also keep the event loop from running its timers.
    serial->setReadBufferSize(readBufferBytes);
    return serial->open(QIODevice::ReadWrite);
}

void SerialLink::flush()
{
    if (serial->isOpen()) {
        serial->clear();
        serial->flush();
    }
}

bool SerialLink::setBaudRate(int baud)
{
    return baud > 0 && serial->setBaudRate(baud);
}

bool SerialLink::setDataBits(int bits)
{
    if (bits < 5 || bits > 8) {
        return false;
    }
    return serial->setDataBits(static_cast<QSerialPort::DataBits>(bits));
}

bool SerialLink::setParity(int code)
{
    static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                   QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                   QSerialPort::SpaceParity};
    if (code < 0 || code > 4) {
        return false;
    }
    return serial->setParity(parities[code]);
}

bool SerialLink::setStopBits(int code)
{
    static const QSerialPort::StopBits stops[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                                  QSerialPort::TwoStop};
    if (code < 0 || code > 2) {
        return false;
    }
    return serial->setStopBits(stops[code]);
}

bool SerialLink::setFlowControl(int code)
{
    return code == 0 && serial->setFlowControl(QSerialPort::NoFlowControl);
}

void SerialLink::setTimeout(int msec)
{
    timeoutMs = msec;
}

bool SerialLink::isOpen() const
{
    return serial->isOpen();
}

qint64 SerialLink::write(const QByteArray &data)
{
    const qint64 n = serial->write(data);
    // Hand the bytes to the device now rather than at the next event-loop turn.
    serial->flush();
    return n;
}

qint64 SerialLink::bytesAvailable() const
{
    return serial->bytesAvailable();
}

QByteArray SerialLink::readAll()
{
    return serial->readAll();
}

void SerialLink::close()
{
    if (serial->isOpen()) {
        serial->close();
    }
}

QString SerialLink::systemLocation(const QString &portName)
{
    // The same rule QSerialPort applies when it opens a name.
    return portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
}
