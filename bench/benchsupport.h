#ifndef BENCHSUPPORT_H
#define BENCHSUPPORT_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QString>
#include <QTimer>

#include <sys/resource.h>

// CPU seconds (user + system) used by this process so far.
inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Peak resident set size of this process in MiB.
inline double peakRssMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Runs `work` repeatedly for at least `minMs` and returns the best MB/s over the rounds.
template <typename Work>
double bestMegabytesPerSecond(qint64 bytesPerRound, int minMs, Work work)
{
    double best = 0;
    QElapsedTimer total;
    total.start();
    while (total.elapsed() < minMs) {
        QElapsedTimer t;
        t.start();
        work();
        const double seconds = double(t.nsecsElapsed()) / 1e9;
        best = qMax(best, double(bytesPerRound) / 1e6 / seconds);
    }
    return best;
}

// Runs the event loop for `ms`, sleeping while nothing happens.
inline void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

#endif // BENCHSUPPORT_H
