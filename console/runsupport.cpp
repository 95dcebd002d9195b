#include "runsupport.h"

#include "commandline.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {
int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}
} // namespace

QuitOnSignal::QuitOnSignal()
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = onSignal;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, &QCoreApplication::quit);
}

QuitOnSignal::~QuitOnSignal()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    delete notifier;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

void printRunError(const QString &text)
{
    std::fputs(qUtf8Printable(QStringLiteral("norvane: %1\n").arg(text)), stderr);
    std::fflush(stderr);
}

PortSettings commandLinePort(const QString &port, const CommandLine &line)
{
    PortSettings s;
    s.name = port;
    s.baudRate = line.baudRate;
    s.parity = parityFromLetter(line.parity);
    s.stopBits = line.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop;
    return s;
}
