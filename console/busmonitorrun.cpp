#include "busmonitorrun.h"

#include "buscapture.h"
#include "busmonitor.h"
#include "commandline.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(BusMonitorRun)
};

// The signal only writes a byte; the event loop reads it and ends the run.
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

void printError(const QString &text)
{
    std::fputs(qUtf8Printable(QStringLiteral("norvane: %1\n").arg(text)), stderr);
}

PortSettings monitoredLine(const CommandLine &line)
{
    PortSettings s;
    s.name = line.monitorPort;
    s.baudRate = line.baudRate;
    s.parity = line.parity == 'E'   ? QSerialPort::EvenParity
               : line.parity == 'O' ? QSerialPort::OddParity
                                    : QSerialPort::NoParity;
    s.stopBits = line.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop;
    return s;
}
} // namespace

int runBusMonitor(const CommandLine &line)
{
    PcapWriter pcap;
    QString error;
    if (!line.pcapPath.isEmpty() && !pcap.open(line.pcapPath, &error)) {
        printError(error);
        return 1;
    }
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        printError(QStringLiteral("pipe"));
        return 1;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, qApp, &QCoreApplication::quit);

    int code = 0;
    BusMonitor monitor;
    QObject::connect(&monitor, &BusMonitor::frameSeen,
                     [&](qint64, const BusFrame &frame, const BusFrameInfo &info) {
                         std::fputs(qUtf8Printable(frameCsvLine(frame, info.kind) + '\n'), stdout);
                         std::fflush(stdout);
                         if (pcap.isOpen() && !pcap.write(frame)) {
                             printError(Texts::tr("无法写入 %1").arg(line.pcapPath));
                             pcap.close();
                             code = 1;
                         }
                     });
    QObject::connect(&monitor, &BusMonitor::stopped, [&](const QString &problem) {
        if (!problem.isEmpty()) {
            printError(problem);
            code = 1;
            QCoreApplication::exit(1);
        }
    });
    if (monitor.start(monitoredLine(line))) {
        std::fputs(qUtf8Printable(frameCsvHeader() + '\n'), stdout);
        std::fflush(stdout);
        QCoreApplication::exec();
        monitor.stop(); // the frame in progress
    }
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    return code;
}
