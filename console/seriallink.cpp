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
#include <system_error>
#include <unistd.h>
#include <utility>

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
    stopStreamReader();
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
    if (on != wake.load()) {
        wake = on;
        updateReader();
    }
}

void SerialLink::updateReader()
{
    if (serial->isOpen() && streaming) {
        startStreamReader();
    } else {
        stopStreamReader();
    }
    // Without a thread (none could be made) a stream is read here as it comes.
    const bool wanted =
        serial->isOpen() && (wake || streaming) && !threaded() && received.size() < bound();
    if (wanted && !reader) {
        reader = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(reader, &QSocketNotifier::activated, this, [this] {
            if (threaded()) {
                return;
            }
            const qint64 before = takenTotal;
            // One look per wake-up, so that a fast stream cannot hold the event loop.
            takeFromDevice(64 * 1024);
            const bool came = takenTotal > before;
            const bool full = streaming && received.size() >= bound();
            if (serial->isOpen()) {
                updateReader();
                if (wake && came) {
                    emit arrived();
                }
                if (full) {
                    emit held();
                }
            }
        });
    }
    if (reader && reader->isEnabled() != wanted) {
        reader->setEnabled(wanted);
    }
}

void SerialLink::startStreamReader()
{
    if (threaded()) {
        return;
    }
    // A descriptor of the thread's own: QSerialPort closes its own before it says it closes,
    // and a number closed under a reading thread could be another file's a moment later.
    streamFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (streamFd < 0) {
        return;
    }
    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        stopping = false;
        streamHungUp = false;
        try {
            streamThread = std::thread([this] { readStream(); });
            return;
        } catch (const std::system_error &) {
            ::close(stopPipe[0]);
            ::close(stopPipe[1]);
        }
    }
    stopPipe[0] = stopPipe[1] = -1;
    ::close(streamFd);
    streamFd = -1;
}

void SerialLink::stopStreamReader()
{
    if (!threaded()) {
        return;
    }
    {
        const std::lock_guard<std::mutex> hold(lock);
        stopping = true;
    }
    room.notify_all();
    const char byte = 0;
    if (::write(stopPipe[1], &byte, 1) < 0) {
        // Cannot happen on an empty pipe; the flag ends the thread at its next look anyway.
    }
    streamThread.join();
    ::close(stopPipe[0]);
    ::close(stopPipe[1]);
    stopPipe[0] = stopPipe[1] = -1;
    ::close(streamFd);
    streamFd = -1;
    const std::lock_guard<std::mutex> hold(lock);
    stopping = false;
    streamHungUp = false;
}

void SerialLink::readStream()
{
    QByteArray chunk(64 * 1024, Qt::Uninitialized);
    for (;;) {
        qint64 space = 0;
        {
            std::unique_lock<std::mutex> hold(lock);
            room.wait(hold, [this] { return stopping || received.size() < streamBufferBytes; });
            if (stopping) {
                return;
            }
            space = streamBufferBytes - received.size();
        }
        pollfd looks[2] = {{streamFd, POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
        const int polled = ::poll(looks, 2, -1);
        if (polled < 0 && errno == EINTR) {
            continue;
        }
        if (polled > 0 && looks[1].revents != 0) {
            return;
        }
        const ssize_t n =
            polled > 0 ? ::read(streamFd, chunk.data(), size_t(qMin<qint64>(space, chunk.size())))
                       : -1;
        const int readError = errno;
        if (n > 0) {
            bool full = false;
            {
                const std::lock_guard<std::mutex> hold(lock);
                if (received.capacity() < streamBufferBytes) {
                    received.reserve(int(streamBufferBytes));
                }
                received.append(chunk.constData(), int(n));
                noteArrival(monotonicMs(), n);
                full = received.size() >= streamBufferBytes;
            }
            // Told in the window's thread, where it is checked anew.
            if (full) {
                QMetaObject::invokeMethod(this, &SerialLink::streamFilled, Qt::QueuedConnection);
            }
            if (wake && !arrivalPosted.exchange(true)) {
                QMetaObject::invokeMethod(this, &SerialLink::streamArrived, Qt::QueuedConnection);
            }
            continue;
        }
        const bool hangUp = (looks[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        if (polled > 0 && !hangUp
            && (n == 0 || readError == EINTR || readError == EAGAIN || readError == EWOULDBLOCK)) {
            continue;
        }
        // The other end hung up or the device failed: the session ends in the window's thread.
        {
            const std::lock_guard<std::mutex> hold(lock);
            streamHungUp = true;
        }
        QMetaObject::invokeMethod(this, &SerialLink::streamFailed, Qt::QueuedConnection);
        return;
    }
}

void SerialLink::streamFilled()
{
    bool full = false;
    {
        const std::lock_guard<std::mutex> hold(lock);
        full = received.size() >= streamBufferBytes;
    }
    if (full && streaming && threaded()) {
        emit held();
    }
}

void SerialLink::streamArrived()
{
    arrivalPosted = false;
    if (wake && serial->isOpen()) {
        emit arrived();
    }
}

void SerialLink::streamFailed()
{
    bool hungUp = false;
    {
        const std::lock_guard<std::mutex> hold(lock);
        hungUp = streamHungUp;
    }
    if (hungUp && serial->isOpen()) {
        fail();
    }
}

void SerialLink::noteArrival(qint64 ms, qint64 taken)
{
    takenTotal += taken;
    // Pieces of the same millisecond are one: their time is all the pairing uses.
    if (!arrivals.isEmpty() && arrivals.last().ms == ms) {
        arrivals.last().bufferedAfter = received.size();
    } else {
        arrivals.append({received.size(), ms});
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
    // The reader thread, when there is one, is the only reader.
    if (threaded()) {
        return;
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
        noteArrival(at, taken);
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
        qint64 total = 0;
        {
            const std::lock_guard<std::mutex> hold(lock);
            total = takenTotal;
        }
        const qint64 came = total - takenAtPoll;
        const bool fast =
            came >= streamMinBytes && came * 1000 >= streamBytesPerSecond * (now - lastPollMs);
        // A stream is seen at once, but its end only over a while: two looks close together
        // (a send right after a reception was taken, say) find nothing new in between.
        if (fast || now - lastPollMs >= streamJudgeMs) {
            streaming = fast;
            takenAtPoll = total;
            lastPollMs = now;
        }
    }
    updateReader();
}

qint64 SerialLink::bytesAvailable()
{
    // What the device delivered since the last look is taken in now, so that a reply that
    // came before a request is sent is never taken for that request's reply.
    poll();
    const std::lock_guard<std::mutex> hold(lock);
    return received.size();
}

QVector<ReceivedPiece> SerialLink::readAll()
{
    poll();
    QByteArray all;
    QVector<Arrival> times;
    {
        const std::lock_guard<std::mutex> hold(lock);
        all = std::exchange(received, QByteArray());
        times = std::exchange(arrivals, QVector<Arrival>());
    }
    room.notify_one();
    QVector<ReceivedPiece> pieces;
    qint64 from = 0;
    for (const Arrival &a : qAsConst(times)) {
        const qint64 to = qMin<qint64>(a.bufferedAfter, all.size());
        if (to > from) {
            // All of it in one piece (the usual case) is shared, not copied.
            pieces.append(
                {from == 0 && to == all.size() ? all : all.mid(int(from), int(to - from)), a.ms});
            from = to;
        }
    }
    updateReader();
    return pieces;
}

void SerialLink::close()
{
    // The reader thread ends before what it shares is touched.
    dropReader();
    arrivals.clear();
    received.clear();
    if (serial->isOpen()) {
        serial->close();
    }
}

QString SerialLink::systemLocation(const QString &portName)
{
    // The same rule QSerialPort applies when it opens a name.
    return portName.startsWith(QLatin1Char('/')) ? portName : QStringLiteral("/dev/") + portName;
}
