// The receive path end to end: the real console (offscreen) with a session open on a
// virtual serial port, "Hex接收" on, while the C writer (peer/writer.c) streams Modbus read
// responses at a given rate. Prints bytes sent vs. counted, throughput, CPU seconds per second,
// wake-ups of the GUI thread per second, the longest event-loop stall seen by a 10 ms
// heartbeat, and peak RSS. Before the console, the bare reader (peer/bareread.c: read and
// count, nothing else) takes the flat-out stream on the same port: the ceiling.
//   bench_receive [seconds [rate...]]   (default 20 per rate; rates: 11.5, 92, flat)
#include "appsettings.h"
#include "benchsupport.h"
#include "frmtolvan.h"
#include "startup.h"
#include "virtualserial.h"

#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include <time.h>

namespace {

double now()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Voluntary context switches of the calling thread: each is a sleep the thread woke from.
long wakeUps()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

QString helper(const char *name)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(name);
}

// The writer's line, "bytes start_ns end_ns", once it has written for `seconds`; it keeps the
// pty open until killed, so that the port is not hung up while bytes are on their way.
QList<QByteArray> writerLine(QProcess &writer)
{
    writer.waitForStarted();
    while (writer.state() == QProcess::Running && !writer.canReadLine()) {
        spin(20);
    }
    return writer.readLine().trimmed().split(' ');
}

struct Result {
    long long sent = 0;
    long long counted = 0;
    double megabytesPerSecond = 0;
    double cpuPerSecond = 0;
    double wakesPerSecond = 0;
    double longestStallMs = 0;
};

int countedBytes(frmTolvan &form)
{
    const QString text = form.findChild<QPushButton *>("btnReceiveCount")->text();
    return text.section(' ', 2, 2).toInt();
}

// The flat-out stream read by the bare reader: bytes sent, and MB/s from the stream's start to
// the last byte read.
Result bareRun(const QString &port, const QString &peer, double seconds)
{
    Result result;
    QProcess reader;
    reader.start(helper("bench_bareread"), {port, "1000", QString::number(seconds + 30)});
    if (!reader.waitForReadyRead(5000)) {
        return result;
    }
    reader.readLine(); // "ready"
    QProcess writer;
    writer.start(helper("bench_writer"), {peer, "0", QString::number(seconds)});
    const QList<QByteArray> w = writerLine(writer);
    reader.waitForFinished(int(seconds * 1000) + 30000);
    const QList<QByteArray> r = reader.readAllStandardOutput().trimmed().split(' ');
    writer.kill();
    writer.waitForFinished();
    if (w.size() == 3 && r.size() >= 3) {
        result.sent = w.at(0).toLongLong();
        result.counted = r.at(0).toLongLong();
        const double span = double(r.at(2).toLongLong() - w.at(1).toLongLong()) / 1e9;
        result.megabytesPerSecond = span > 0 ? double(result.counted) / 1e6 / span : 0;
    }
    return result;
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

    QProcess writer;
    const double cpuStart = cpuSeconds();
    const long wakesStart = wakeUps();
    const double wallStart = now();
    writer.start(helper("bench_writer"), {peer, QString::number(rate), QString::number(seconds)});
    const QList<QByteArray> w = writerLine(writer);
    result.sent = w.value(0).toLongLong();
    const double streamStart = double(w.value(1).toLongLong()) / 1e9;
    // Let the console drain what is still in flight; the time of the last byte counted ends
    // the stream for its throughput.
    double lastCount = now();
    int counted = countedBytes(form);
    const double drainUntil = now() + 5.0;
    while (now() < drainUntil && counted < result.sent) {
        spin(20);
        if (countedBytes(form) != counted) {
            counted = countedBytes(form);
            lastCount = now();
        }
    }
    const double wall = now() - wallStart;
    result.cpuPerSecond = (cpuSeconds() - cpuStart) / wall;
    result.wakesPerSecond = double(wakeUps() - wakesStart) / wall;
    writer.kill();
    writer.waitForFinished();
    result.counted = countedBytes(form);
    result.megabytesPerSecond = double(result.counted) / 1e6 / (lastCount - streamStart);
    result.longestStallMs = worst * 1000;
    return result;
}

} // namespace

int main(int argc, char *argv[])
{
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
    const Result bare = bareRun(console, peer, seconds);
    frmTolvan form;
    form.show();
    form.findChild<QPushButton *>("btnOpen")->click();

    std::printf("receive path, %.0f s per rate, session on a socat pty, Hex接收 on, register "
                "decoding active\n",
                seconds);
    std::printf("  %-12s %12s %12s %6s %8s %9s %8s %9s\n", "rate", "sent B", "counted B", "lost",
                "MB/s", "CPU-s/s", "wakes/s", "stall ms");
    std::printf("  %-12s %12lld %12lld %6lld %8.2f\n", "bare reader", bare.sent, bare.counted,
                bare.sent - bare.counted, bare.megabytesPerSecond);
    const QList<QPair<QString, double>> rates = {
        {"11.5 KB/s", 11520}, {"92 KB/s", 92160}, {"flat out", 0}};
    // Named rates only, for profiling one of them.
    const QStringList chosen = app.arguments().mid(2);
    bool lossless = bare.sent > 0 && bare.sent == bare.counted;
    double flatOut = 0;
    for (const auto &rate : rates) {
        if (!chosen.isEmpty() && !chosen.contains(rate.first.section(' ', 0, 0))) {
            continue;
        }
        const Result r = run(form, peer, rate.second, seconds);
        lossless = lossless && r.sent == r.counted;
        flatOut = r.megabytesPerSecond;
        std::printf("  %-12s %12lld %12lld %6lld %8.2f %9.3f %8.0f %9.1f\n", qPrintable(rate.first),
                    r.sent, r.counted, r.sent - r.counted, r.megabytesPerSecond, r.cpuPerSecond,
                    r.wakesPerSecond, r.longestStallMs);
        std::fflush(stdout);
    }
    std::printf("  flat out: the console takes %.2f of the bare reader's throughput\n",
                bare.megabytesPerSecond > 0 ? flatOut / bare.megabytesPerSecond : 0.0);
    std::printf("  wakes/s include the benchmark's own 10 ms heartbeat and 20 ms checks of "
                "the count (150 a second)\n");
    std::printf("  peak RSS %.1f MiB\n", peakRssMiB());
    return lossless ? 0 : 1;
}
