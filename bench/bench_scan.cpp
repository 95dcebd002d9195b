// A full address scan (1-247) at 9600 8N1 with nothing on the line: the time it takes beside
// the sum of its timeouts, which is what the scan promises at most (plus a little).
#include "scanner.h"
#include "threadedpeer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>

#include <cstdio>
#include <pty.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int master = -1;
    int slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        std::fputs("openpty failed\n", stderr);
        return 1;
    }
    ScanPlan plan;
    plan.port = QString::fromLatin1(::ptsname(master));
    const qint64 promised =
        qint64(plan.attempts()) * scanTimeoutMs(plan.lines().first(), plan.function, plan.answerMs);
    Scanner scanner;
    QSignalSpy finished(&scanner, &Scanner::finished);
    QElapsedTimer clock;
    clock.start();
    scanner.start(plan);
    waitUntil([&] { return !finished.isEmpty(); }, int(promised * 2));
    const qint64 took = clock.elapsed();
    std::printf("address scan 1-247 at 9600 8N1, nothing on the line\n"
                "  sum of timeouts %lld ms   took %lld ms   overhead %.2f %%   (limit 5 %%)\n",
                static_cast<long long>(promised), static_cast<long long>(took),
                100.0 * double(took - promised) / double(promised));
    ::close(master);
    ::close(slave);
    return took <= promised * 105 / 100 ? 0 : 1;
}
