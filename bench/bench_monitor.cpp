// The bus monitor on a busy line: a writer thread puts 8-byte read requests and 39-byte replies
// on a virtual serial pair at 921600 baud, each frame written whole after a silence of at least
// the 1.75 ms a Modbus RTU line above 19200 baud asks for, while the monitor window is shown
// (offscreen). Prints frames written, frames heard whole and in order, frames lost or cut
// otherwise, bytes per second, CPU and the longest stall of a 10 ms heartbeat.
//   bench_monitor [seconds] [gap_us]   (default 10 s, 2000 us)
#include "benchsupport.h"
#include "busmonitor.h"
#include "busmonitormodel.h"
#include "busmonitorwindow.h"
#include "tavihelper.h"
#include "virtualserial.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <atomic>
#include <cstdio>
#include <thread>

#include <fcntl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {
QByteArray withCrc(QByteArray frame)
{
    return frame + TaviHelper::crc16ModbusBytes(frame);
}

void sleepUntil(const timespec &t)
{
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &t, nullptr) != 0) {
    }
}

void advance(timespec *t, long us)
{
    t->tv_nsec += us * 1000;
    while (t->tv_nsec >= 1000000000) {
        t->tv_nsec -= 1000000000;
        ++t->tv_sec;
    }
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? atof(argv[1]) : 10;
    const long gapUs = argc > 2 ? atol(argv[2]) : 2000;
    QTemporaryDir dir;
    VirtualSerialPair pair(dir.path(), 600);
    QString error;
    if (!pair.start(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QByteArray request = withCrc(QByteArray::fromHex("010300000011"));
    QByteArray reply = QByteArray::fromHex("010322");
    for (int i = 0; i < 34; ++i) {
        reply += char(i);
    }
    reply = withCrc(reply);

    BusMonitor monitor;
    auto *model = new BusMonitorModel(&app);
    BusMonitorWindow window(&monitor, model);
    window.resize(1100, 560);
    window.showWindow();
    qint64 whole = 0;
    qint64 other = 0;
    qint64 expectedIndex = 0;
    QObject::connect(&monitor, &BusMonitor::frameSeen, &app,
                     [&](qint64, const BusFrame &f, const BusFrameInfo &) {
                         const QByteArray &want = expectedIndex % 2 == 0 ? request : reply;
                         if (f.bytes == want) {
                             ++whole;
                             ++expectedIndex;
                         } else {
                             ++other;
                             expectedIndex = f.bytes == request ? 1 : 0;
                         }
                     });
    PortSettings line;
    line.name = pair.consoleEnd();
    line.baudRate = 921600;
    if (!monitor.start(line)) {
        std::fprintf(stderr, "the monitor did not start\n");
        return 1;
    }
    spin(300);

    std::atomic<long long> written{0};
    std::atomic<bool> done{false};
    const long wireRequestUs = long(request.size() * 10 * 1e6 / 921600) + 1;
    const long wireReplyUs = long(reply.size() * 10 * 1e6 / 921600) + 1;
    std::thread writer([&] {
        const int fd = ::open(qPrintable(pair.peerEnd()), O_WRONLY | O_NOCTTY);
        termios tio{};
        tcgetattr(fd, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
        timespec next{};
        clock_gettime(CLOCK_MONOTONIC, &next);
        QElapsedTimer clock;
        clock.start();
        long long frames = 0;
        while (clock.elapsed() < seconds * 1000) {
            const QByteArray &frame = frames % 2 == 0 ? request : reply;
            // The frame's own time on the wire, then the silence after it.
            advance(&next, (frames % 2 == 0 ? wireRequestUs : wireReplyUs) + gapUs);
            if (::write(fd, frame.constData(), size_t(frame.size())) == frame.size()) {
                ++frames;
            }
            sleepUntil(next);
        }
        written = frames;
        ::close(fd);
        done = true;
    });
    QElapsedTimer beat;
    beat.start();
    double stall = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        stall = qMax(stall, beat.nsecsElapsed() / 1e6);
        beat.restart();
    });
    heartbeat.start(10);
    const double cpuStart = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    while (!done) {
        spin(20);
    }
    writer.join();
    spin(500); // the last frames
    const double elapsed = wall.elapsed() / 1000.0;
    monitor.stop();
    const qint64 bytes = (written / 2) * (request.size() + reply.size());
    std::printf("bus monitor, 921600 baud, %.0f s, frames written whole with %ld us of silence "
                "between them, window shown (offscreen)\n",
                seconds, gapUs);
    std::printf("  written %lld frames (%.1f KB/s), heard whole and in order %lld, lost or cut "
                "otherwise %lld\n",
                static_cast<long long>(written), bytes / elapsed / 1000.0,
                static_cast<long long>(whole), static_cast<long long>(other));
    std::printf("  CPU %.3f s/s, longest stall %.1f ms (target <= 100), peak RSS %.1f MiB\n",
                (cpuSeconds() - cpuStart) / elapsed, stall, peakRssMiB());
    return 0;
}
