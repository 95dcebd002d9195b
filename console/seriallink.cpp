#include "seriallink.h"

#include "modbusreply.h"
#include "portnames.h"

#include <QFile>
#include <QSerialPort>

#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>
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

SerialLink::SerialLink(QObject *parent) : QObject(parent), serial(new QSerialPort(this))
{
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

bool SerialLink::open(const PortSettings &wanted)
{
    settings = wanted;
    // Names that cannot lead to a port are told as such, not by what opening them would say.
    nameProblem = portNameProblem(settings.name);
    if (!nameProblem.isEmpty()) {
        return false;
    }
    serial->setPortName(settings.name);
    // A bounded buffer: when the console falls behind, the port stops reading from the
    // device and the sender is held back by the line instead of memory growing without
    // limit. Without it a busy port can also keep the event loop from running its timers.
    serial->setReadBufferSize(readBufferBytes);
    if (!serial->open(QIODevice::ReadWrite)) {
        return false;
    }
    identityKnown = deviceIdentity(systemLocation(serial->portName()), &openedDevice, &openedInode);
    serial->clear();
    static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                   QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                   QSerialPort::SpaceParity};
    static const QSerialPort::StopBits stops[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                                  QSerialPort::TwoStop};
    if (settings.baudRate > 0) {
        serial->setBaudRate(settings.baudRate);
    }
    if (settings.dataBits >= 5 && settings.dataBits <= 8) {
        serial->setDataBits(static_cast<QSerialPort::DataBits>(settings.dataBits));
    }
    if (settings.parity >= 0 && settings.parity <= 4) {
        serial->setParity(parities[settings.parity]);
    }
    if (settings.stopBits >= 0 && settings.stopBits <= 2) {
        serial->setStopBits(stops[settings.stopBits]);
    }
    serial->setFlowControl(QSerialPort::NoFlowControl);
    return true;
}

int SerialLink::replyTimeoutMs(int bytes) const
{
    static const double stopBits[] = {1, 1.5, 2};
    return ::replyTimeoutMs(settings.baudRate, settings.dataBits, settings.parity != 0,
                            stopBits[qBound(0, settings.stopBits, 2)], bytes);
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
        if (!refusing) {
            refusing = true;
            emit refused();
        }
        return 0;
    }
    refusing = false;
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

QString SerialLink::openFailure() const
{
    if (!nameProblem.isEmpty()) {
        return nameProblem;
    }
    const QByteArray path = QFile::encodeName(systemLocation(serial->portName()));
    const bool denied = ::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES;
    return openFailureText(serial->error(), serial->errorString(), denied);
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

qint64 SerialLink::bytesAvailable()
{
    // What the device delivered since the event loop last looked is taken in now, so that a
    // reply that came before a request is sent is never taken for that request's reply.
    int queued = 0;
    if (serial->isOpen() && ::ioctl(int(serial->handle()), FIONREAD, &queued) == 0 && queued > 0) {
        serial->waitForReadyRead(0);
    }
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
