#include "seriallink.h"

#include "portnames.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QSerialPort>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
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
    connect(serial, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { checkError(error); });
    connect(serial, &QSerialPort::bytesWritten, this, &SerialLink::bytesWritten);
    // A notifier must not outlive its descriptor, whoever closes the port.
    connect(serial, &QIODevice::aboutToClose, this, &SerialLink::dropReader);
}

void SerialLink::dropReader()
{
    // Later: this may run in the notifier's own signal.
    if (reader) {
        reader->setEnabled(false);
        reader->deleteLater();
        reader = nullptr;
    }
    portReader = nullptr;
}

void SerialLink::checkError(int error)
{
    // Settings a device refuses are not failures; a device that stops working is. A hung-up
    // pty keeps reporting read errors, which would also keep the event loop busy.
    if (serial->isOpen()
        && (error == QSerialPort::ResourceError || error == QSerialPort::ReadError
            || error == QSerialPort::WriteError)) {
        fail();
    }
}

void SerialLink::fail()
{
    dropReader();
    serial->close();
    emit failed();
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
    if (!serial->open(QIODevice::ReadWrite)) {
        return false;
    }
    identityKnown = deviceIdentity(systemLocation(serial->portName()), &openedDevice, &openedInode);
    // QSerialPort reads whenever the device delivers, which on a paced line is every few
    // milliseconds. Its notifier is turned off and the descriptor read here instead (Qt 5.15
    // and 6 alike): only its read functions and setReadBufferSize() would turn it on again,
    // and none is called while the port is open. Its buffer is empty: nothing read yet.
    fd = int(serial->handle());
    const auto notifiers = serial->findChildren<QSocketNotifier *>();
    for (QSocketNotifier *n : notifiers) {
        if (n->type() == QSocketNotifier::Read && n->socket() == fd) {
            n->setEnabled(false);
            portReader = n;
        }
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    serial->clear();
    received.clear();
    arrivals.clear();
    streaming = false;
    takenTotal = takenAtPoll = 0;
    lastPollMs = monotonicMs();
    if (settings.baudRate > 0) {
        serial->setBaudRate(settings.baudRate);
    }
    serial->setDataBits(settings.dataBits);
    serial->setParity(settings.parity);
    serial->setStopBits(settings.stopBits);
    serial->setFlowControl(settings.flowControl);
    updateReader();
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
        fail();
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

void SerialLink::setWakeOnArrival(bool on)
{
    if (on != wake) {
        wake = on;
        updateReader();
    }
}

void SerialLink::updateReader()
{
    const bool wanted = serial->isOpen() && (wake || streaming) && received.size() < bound();
    if (wanted && !reader) {
        reader = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(reader, &QSocketNotifier::activated, this, [this] {
            const qint64 before = takenTotal;
            // One look per wake-up, so that a fast stream cannot hold the event loop.
            takeFromDevice(64 * 1024);
            if (serial->isOpen()) {
                updateReader();
                if (wake && takenTotal > before) {
                    emit arrived();
                }
                if (streaming && received.size() >= bound()) {
                    emit held();
                }
            }
        });
    }
    if (reader && reader->isEnabled() != wanted) {
        reader->setEnabled(wanted);
    }
}

void SerialLink::takeFromDevice(qint64 most)
{
    if (!serial->isOpen()) {
        return;
    }
    // A guard: reading through QSerialPort would turn its notifier on, and both would read.
    if (portReader && portReader->isEnabled()) {
        portReader->setEnabled(false);
    }
    const qint64 at = monotonicMs();
    const qint64 before = received.size();
    const qint64 limit = qMin(bound(), before + most);
    bool hungUp = false;
    while (received.size() < limit) {
        const qint64 size = received.size();
        const qint64 room = qMin<qint64>(limit - size, 64 * 1024);
        received.resize(int(size + room));
        const ssize_t n = ::read(fd, received.data() + size, size_t(room));
        const int readError = errno;
        received.resize(int(size + qMax<ssize_t>(n, 0)));
        if (n > 0) {
            continue;
        }
        if (n < 0 && readError == EINTR) {
            continue;
        }
        if (n == 0) {
            // A port set to return at once reads nothing both when it is empty and when the
            // device hung up; only the latter reports a hang-up.
            pollfd device{fd, POLLIN, 0};
            hungUp = ::poll(&device, 1, 0) == 1
                     && (device.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        } else {
            // EIO: the other end of a pseudo-terminal closed, or the device went away.
            hungUp = readError != EAGAIN && readError != EWOULDBLOCK;
        }
        break;
    }
    const qint64 taken = received.size() - before;
    if (taken > 0) {
        takenTotal += taken;
        // Pieces of the same millisecond are one: their time is all the pairing uses.
        if (!arrivals.isEmpty() && arrivals.last().ms == at) {
            arrivals.last().bufferedAfter = received.size();
        } else {
            arrivals.append({received.size(), at});
        }
    }
    if (hungUp) {
        fail();
    }
}

void SerialLink::poll()
{
    takeFromDevice(bound());
    const qint64 now = monotonicMs();
    if (now > lastPollMs) {
        const qint64 came = takenTotal - takenAtPoll;
        streaming =
            came >= streamMinBytes && came * 1000 >= streamBytesPerSecond * (now - lastPollMs);
        takenAtPoll = takenTotal;
        lastPollMs = now;
    }
    updateReader();
}

qint64 SerialLink::bytesAvailable()
{
    // What the device delivered since the last look is taken in now, so that a reply that
    // came before a request is sent is never taken for that request's reply.
    poll();
    return received.size();
}

QVector<ReceivedPiece> SerialLink::readAll()
{
    poll();
    const QByteArray all = received;
    received.clear();
    QVector<ReceivedPiece> pieces;
    qint64 from = 0;
    for (const Arrival &a : qAsConst(arrivals)) {
        const qint64 to = qMin<qint64>(a.bufferedAfter, all.size());
        if (to > from) {
            // All of it in one piece (the usual case) is shared, not copied.
            pieces.append(
                {from == 0 && to == all.size() ? all : all.mid(int(from), int(to - from)), a.ms});
            from = to;
        }
    }
    arrivals.clear();
    updateReader();
    return pieces;
}

void SerialLink::close()
{
    arrivals.clear();
    received.clear();
    dropReader();
    if (serial->isOpen()) {
        serial->close();
    }
}

QString SerialLink::systemLocation(const QString &portName)
{
    // The same rule QSerialPort applies when it opens a name.
    return portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
}
