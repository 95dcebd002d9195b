// The receive path end to end: the real console (offscreen) with a session open on a
// virtual serial port, "Hex接收" on, while a writer process streams Modbus read responses
// at a given rate. Prints bytes sent vs. counted, CPU seconds per second, the longest
// event-loop stall seen by a 10 ms heartbeat, and peak RSS.
//   bench_receive [seconds]        (default 20 per rate)
#include "appsettings.h"
#include "benchsupport.h"
#include "frmtolvan.h"
#include "startup.h"
#include "virtualserial.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include <fcntl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

double now()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Writes read responses (01 03 02 00 7B F8 67) to `path` at `rate` bytes/s (0: flat out).
int writer(const char *path, double rate, double seconds)
{
    const int fd = ::open(path, O_WRONLY | O_NOCTTY);
    if (fd < 0) {
        std::perror("open");
        return 2;
    }
    termios tio{};
    if (tcgetattr(fd, &tio) == 0) {
        cfmakeraw(&tio);
        tcsetattr(fd, TCSANOW, &tio);
    }
    static const unsigned char frame[] = {0x01, 0x03, 0x02, 0x00, 0x7B, 0xF8, 0x67};
    unsigned char chunk[7 * 1170];
    for (size_t i = 0; i < sizeof chunk; ++i) {
        chunk[i] = frame[i % 7];
    }
    long long sent = 0;
    const double start = now();
    while (now() - start < seconds) {
        long long due = rate > 0 ? static_cast<long long>((now() - start) * rate) - sent
                                 : static_cast<long long>(sizeof chunk);
        due -= due % 7;
        if (due <= 0) {
            usleep(2000);
            continue;
        }
        const ssize_t n = ::write(fd, chunk, size_t(qMin<long long>(due, sizeof chunk)));
        if (n > 0) {
            sent += n;
        }
    }
    ::close(fd);
    std::printf("%lld\n", sent);
    return 0;
}

struct Result {
    long long sent = 0;
    long long counted = 0;
    double cpuPerSecond = 0;
    double longestStallMs = 0;
};

int countedBytes(frmTolvan &form)
{
    const QString text = form.findChild<QPushButton *>("btnReceiveCount")->text();
    return text.section(' ', 2, 2).toInt();
}

Result run(frmTolvan &form, const QString &peer, double rate, double seconds)
{
    form.findChild<QPushButton *>("btnReceiveCount")->click();
    Result result;
    double lastBeat = now();
    double worst = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const double t = now();
        worst = qMax(worst, t - lastBeat);
        lastBeat = t;
    });
    heartbeat.start(10);

    QProcess writerProcess;
    const double cpuStart = cpuSeconds();
    const double wallStart = now();
    writerProcess.start(QCoreApplication::applicationFilePath(),
                        {"writer", peer, QString::number(rate), QString::number(seconds)});
    writerProcess.waitForStarted();
    while (writerProcess.state() != QProcess::NotRunning) {
        spin(20);
    }
    result.sent = writerProcess.readAllStandardOutput().trimmed().toLongLong();
    // Let the console drain what is still in flight.
    const double drainUntil = now() + 2.0;
    while (now() < drainUntil && countedBytes(form) < result.sent) {
        spin(20);
    }
    const double wall = now() - wallStart;
    result.cpuPerSecond = (cpuSeconds() - cpuStart) / wall;
    result.counted = countedBytes(form);
    result.longestStallMs = worst * 1000;
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 5 && QByteArray(argv[1]) == "writer") {
        return writer(argv[2], QByteArray(argv[3]).toDouble(), QByteArray(argv[4]).toDouble());
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = argc >= 2 ? QByteArray(argv[1]).toDouble() : 20.0;

    QTemporaryDir home;
    VirtualSerialPair pty(home.path());
    QString error;
    if (!pty.start(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    const QString console = pty.consoleEnd();
    const QString peer = pty.peerEnd();

    prepareApplication(home.filePath("norvane.ini"), home.path());
    AppSettings::PortName = console;
    AppSettings::HexReceive = true;
    frmTolvan form;
    form.show();
    form.findChild<QPushButton *>("btnOpen")->click();

    std::printf("receive path, %.0f s per rate, session on a socat pty, Hex接收 on, register "
                "decoding active\n",
                seconds);
    std::printf("  %-12s %12s %12s %6s %10s %12s %10s\n", "rate", "sent B", "counted B", "lost",
                "MB/s", "CPU-s/s", "stall ms");
    const QList<QPair<QString, double>> rates = {
        {"11.5 KB/s", 11520}, {"92 KB/s", 92160}, {"flat out", 0}};
    bool lossless = true;
    for (const auto &rate : rates) {
        const Result r = run(form, peer, rate.second, seconds);
        lossless = lossless && r.sent == r.counted;
        std::printf("  %-12s %12lld %12lld %6lld %10.2f %12.3f %10.1f\n", qPrintable(rate.first),
                    r.sent, r.counted, r.sent - r.counted, double(r.counted) / 1e6 / seconds,
                    r.cpuPerSecond, r.longestStallMs);
        std::fflush(stdout);
    }
    std::printf("  peak RSS %.1f MiB\n", peakRssMiB());
    return lossless ? 0 : 1;
}
