#include "threadedpeer.h"

#include "testsupport.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

bool ThreadedPeer::open(const QString &path, QString *error)
{
    fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        failWith(error, "cannot open " + path);
        return false;
    }
    termios tio{};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
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
    incoming.clear();
    outgoing.clear();
    received = 0;
}

void ThreadedPeer::write(const QByteArray &data)
{
    std::lock_guard<std::mutex> guard(lock);
    outgoing += data;
}

QByteArray ThreadedPeer::take(int count, int timeoutMs)
{
    waitUntil(
        [&] {
            std::lock_guard<std::mutex> guard(lock);
            return incoming.size() >= count;
        },
        timeoutMs);
    std::lock_guard<std::mutex> guard(lock);
    return std::exchange(incoming, QByteArray());
}

void ThreadedPeer::run()
{
    char buffer[65536];
    while (!stopping) {
        std::unique_lock<std::mutex> guard(lock);
        pollfd p{fd, short(POLLIN | (outgoing.isEmpty() ? 0 : POLLOUT)), 0};
        guard.unlock();
        if (::poll(&p, 1, 10) <= 0) {
            continue;
        }
        guard.lock();
        const ssize_t in = (p.revents & POLLIN) ? ::read(fd, buffer, sizeof buffer) : 0;
        if (in > 0) {
            incoming.append(buffer, int(in));
            received += in;
        }
        const ssize_t out = (p.revents & POLLOUT) ? ::write(fd, outgoing.constData(),
                                                            size_t(qMin(outgoing.size(), 65536)))
                                                  : 0;
        if (out > 0) {
            outgoing.remove(0, int(out));
        }
    }
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    bool met = done();
    if (met) {
        return true;
    }
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer poll;
    // The last answer counts: a check that runs a peer is not run once more to return it, nor
    // started again while a check of its own waits.
    bool checking = false;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (checking) {
            return;
        }
        checking = true;
        met = done();
        checking = false;
        if (met || clock.elapsed() >= timeoutMs) {
            loop.quit();
        }
    });
    poll.start(5);
    loop.exec();
    return met;
}
