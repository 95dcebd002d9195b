#ifndef THREADEDPEER_H
#define THREADEDPEER_H

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

// Runs the event loop (without sleeping between turns) until `done` holds or the time is up.
bool waitUntil(const std::function<bool()> &done, int timeoutMs);

// The far end of a virtual serial port, worked by a thread of its own so that the console's
// event loop never waits for it (QTest::qWait sleeps between turns, which starves a pty): it
// writes what it is given and collects what arrives.
class ThreadedPeer
{
public:
    ~ThreadedPeer() { close(); }
    bool open(const QString &path, QString *error = nullptr); // false, saying why (failWith)
    void close();
    void write(const QByteArray &data);
    qint64 receivedCount() const { return received; }
    // Waits (the event loop running) until `count` bytes arrived since the last take, then
    // hands them all out.
    QByteArray take(int count, int timeoutMs = 3000);
    // What arrives within the time.
    QByteArray takeFor(int ms)
    {
        waitUntil([] { return false; }, ms);
        return take(0, 0);
    }

private:
    void run();

    int fd = -1;
    std::thread worker;
    std::atomic<bool> stopping{false};
    std::atomic<qint64> received{0};
    std::mutex lock;
    QByteArray incoming;
    QByteArray outgoing;
};

#endif // THREADEDPEER_H
