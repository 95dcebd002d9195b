#include "threadedpeer.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

ThreadedPeer::~ThreadedPeer()
{
    close();
}

bool ThreadedPeer::open(const QString &path, QString *error)
{
    fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = QStringLiteral("cannot open %1").arg(path);
        return false;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    stopping = false;
    worker = std::thread([this] { run(); });
    return true;
}

void ThreadedPeer::close()
{
    if (worker.joinable()) {
        stopping = true;
        worker.join();
    }
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

void ThreadedPeer::write(const QByteArray &data)
{
    std::lock_guard<std::mutex> guard(lock);
    outgoing += data;
}

QByteArray ThreadedPeer::receivedBytes() const
{
    std::lock_guard<std::mutex> guard(lock);
    return incoming;
}

bool ThreadedPeer::allWritten() const
{
    std::lock_guard<std::mutex> guard(lock);
    return outgoing.isEmpty();
}

void ThreadedPeer::run()
{
    char buffer[65536];
    while (!stopping) {
        bool pending = false;
        {
            std::lock_guard<std::mutex> guard(lock);
            pending = !outgoing.isEmpty();
        }
        pollfd p{fd, short(POLLIN | (pending ? POLLOUT : 0)), 0};
        if (::poll(&p, 1, 10) <= 0) {
            continue;
        }
        if (p.revents & POLLIN) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                std::lock_guard<std::mutex> guard(lock);
                incoming.append(buffer, int(n));
                received += n;
            }
        }
        if (p.revents & POLLOUT) {
            std::lock_guard<std::mutex> guard(lock);
            const ssize_t n = ::write(fd, outgoing.constData(), size_t(qMin(outgoing.size(), 65536)));
            if (n > 0) {
                outgoing.remove(0, int(n));
            }
        }
    }
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done() || clock.elapsed() >= timeoutMs) {
            loop.quit();
        }
    });
    poll.start(5);
    if (!done()) {
        loop.exec();
    }
    return done();
}
