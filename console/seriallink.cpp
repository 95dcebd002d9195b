#include "seriallink.h"

#include "portnames.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSerialPort>

#include <cerrno>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

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

qint64 monotonicMs()
{
    return QDeadlineTimer::current().deadline();
}

SerialLink::SerialLink(QObject *parent) : QObject(parent), serial(new QSerialPort(this))
{
    // Only noted: the console reads on its own tick, but a reply's time limit runs from
    // when its bytes came.
    connect(serial, &QSerialPort::readyRead, this, [this] {
        arrivals.append({serial->bytesAvailable(), monotonicMs()});
        if (wakeOnArrival) {
            emit arrived();
        }
    });
    connect(serial, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { checkError(error); });
    connect(serial, &QSerialPort::bytesWritten, this, &SerialLink::bytesWritten);
}

void SerialLink::checkError(int error)
{
    // Settings a device refuses are not failures; a device that stops working is. A hung-up
    // pty keeps reporting read errors, which would also keep the event loop busy.
    if (serial->isOpen()
        && (error == QSerialPort::ResourceError || error == QSerialPort::ReadError
            || error == QSerialPort::WriteError)) {
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
    arrivals.clear();
    if (settings.baudRate > 0) {
        serial->setBaudRate(settings.baudRate);
    }
    serial->setDataBits(settings.dataBits);
    serial->setParity(settings.parity);
    serial->setStopBits(settings.stopBits);
    serial->setFlowControl(settings.flowControl);
    // What the port really has: a refused setting stays as it was.
    settings.baudRate = serial->baudRate();
    settings.dataBits = serial->dataBits();
    settings.parity = serial->parity();
    settings.stopBits = serial->stopBits();
    settings.flowControl = serial->flowControl();
    return true;
}

bool SerialLink::setRequestToSend(bool on)
{
    return serial->isOpen() && serial->setRequestToSend(on);
}

bool SerialLink::setDataTerminalReady(bool on)
{
    return serial->isOpen() && serial->setDataTerminalReady(on);
}

int SerialLink::modemLines()
{
    if (!serial->isOpen()) {
        return -1;
    }
    serial->clearError();
    const int lines = int(serial->pinoutSignals());
    const bool refused = serial->error() != QSerialPort::NoError;
    serial->clearError();
    return refused ? -1 : lines;
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
    return !deviceIdentity(systemLocation(serial->portName()), &device, &inode)
           || device != openedDevice || inode != openedInode;
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

QVector<ReceivedPiece> SerialLink::readAll()
{
    const QByteArray all = serial->readAll();
    QVector<ReceivedPiece> pieces;
    qint64 from = 0;
    for (const Arrival &a : qAsConst(arrivals)) {
        if (a.bufferedAfter > from && from < all.size()) {
            pieces.append(
                {all.mid(int(from), int(qMin<qint64>(a.bufferedAfter, all.size()) - from)), a.ms});
            from = a.bufferedAfter;
        }
    }
    arrivals.clear();
    // Bytes no arrival was noted for (none, unless the port skipped its signal) came just now.
    if (from < all.size()) {
        pieces.append({all.mid(int(from)), monotonicMs()});
    }
    return pieces;
}

void SerialLink::close()
{
    arrivals.clear();
    if (serial->isOpen()) {
        serial->close();
    }
}

QString SerialLink::systemLocation(const QString &portName)
{
    // The same rule QSerialPort applies when it opens a name.
    return portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
}
