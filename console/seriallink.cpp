#include "seriallink.h"

#include <QFile>
#include <QSerialPort>

#include <poll.h>
#include <sys/stat.h>

namespace {
// The device node a path leads to now; false when there is none.
bool deviceIdentity(const QString &path, quint64 *device, quint64 *inode)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        return false;
    }
    *device = st.st_rdev;
    *inode = st.st_ino;
    return true;
}
} // namespace

SerialLink::SerialLink(const QString &portName, QObject *parent)
    : QObject(parent), serial(new QSerialPort(this))
{
    serial->setPortName(portName);
    connect(serial, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) { checkError(error); });
    connect(serial, &QSerialPort::bytesWritten, this, &SerialLink::bytesWritten);
}

void SerialLink::checkError(int error)
{
    // Settings a device refuses are not failures; a device that stops working is. A hung-up
    // pty keeps reporting read errors, which would also keep the event loop busy.
    if (serial->isOpen()
        && (error == QSerialPort::ResourceError || error == QSerialPort::ReadError || error == QSerialPort::WriteError)) {
        serial->close();
        emit failed();
    }
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
    if (!serial->open(QIODevice::ReadWrite)) {
        return false;
    }
    identityKnown = deviceIdentity(systemLocation(serial->portName()), &openedDevice, &openedInode);
    return true;
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
    if (!serial->isOpen()) {
        return -1;
    }
    if (serial->bytesToWrite() + data.size() > maxPendingWrite) {
        return 0;
    }
    // A device that hung up is found before any bytes are taken for it.
    pollfd device{int(serial->handle()), POLLOUT, 0};
    const bool polled = ::poll(&device, 1, 0) == 1;
    if (polled && (device.revents & (POLLHUP | POLLERR | POLLNVAL))) {
        serial->close();
        emit failed();
        return -1;
    }
    const bool idle = serial->bytesToWrite() == 0;
    const qint64 n = serial->write(data);
    // Out at once when the device has room; a full one is served by the event loop (forcing
    // it would fail with "try again", which would read as a broken device).
    if (n > 0 && idle && polled && (device.revents & POLLOUT)) {
        serial->flush();
    }
    return serial->isOpen() ? n : -1;
}

qint64 SerialLink::bytesToWrite() const
{
    return serial->bytesToWrite();
}

bool SerialLink::deviceReplaced() const
{
    quint64 device = 0;
    quint64 inode = 0;
    if (!identityKnown) {
        return false;
    }
    return !deviceIdentity(systemLocation(serial->portName()), &device, &inode) || device != openedDevice
           || inode != openedInode;
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
