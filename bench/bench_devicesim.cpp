// Device simulation latency: a Modbus RTU master polls the console 200 times over a pty pair
// while "模拟设备" answers from device.txt. Prints reply latency p50/p99 and timeouts, first
// for a master of our own that times each reply on the wire, then the same with the register-map
// simulator answering instead, then for mbpoll (whole runs, device.txt).
#include "appsettings.h"
#include "benchsupport.h"
#include "frmtolvan.h"
#include "startup.h"
#include "tavihelper.h"
#include "virtualserial.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

const int polls = 200;

double nowMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

// Sends "read 1 holding register" and waits up to 1 s for the 7-byte reply, `polls` times.
int master(const char *path)
{
    const int fd = ::open(path, O_RDWR | O_NOCTTY);
    if (fd < 0) {
        return 2;
    }
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    const unsigned char request[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x01, 0x84, 0x0A};
    for (int i = 0; i < polls; ++i) {
        tcflush(fd, TCIFLUSH);
        const double start = nowMs();
        if (::write(fd, request, sizeof request) != ssize_t(sizeof request)) {
            return 3;
        }
        int got = 0;
        unsigned char reply[64];
        while (got < 7 && nowMs() - start < 1000) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 50) > 0) {
                const ssize_t n = ::read(fd, reply + got, sizeof reply - size_t(got));
                got += n > 0 ? int(n) : 0;
            }
        }
        std::printf("%s\n",
                    got >= 7 ? qPrintable(QString::number(nowMs() - start, 'f', 2)) : "timeout");
        std::fflush(stdout);
        usleep(20000);
    }
    ::close(fd);
    return 0;
}

void report(const char *what, std::vector<double> latencies, int timeouts)
{
    std::sort(latencies.begin(), latencies.end());
    auto pct = [&](double p) {
        return latencies.empty() ? 0.0
                                 : latencies[std::min(latencies.size() - 1,
                                                      size_t(p * double(latencies.size())))];
    };
    std::printf("  %-34s p50 %7.1f ms   p99 %7.1f ms   max %7.1f ms   timeouts %d of %d\n", what,
                pct(0.50), pct(0.99), latencies.empty() ? 0.0 : latencies.back(), timeouts, polls);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 3 && QByteArray(argv[1]) == "master") {
        return master(argv[2]);
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
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
    const QByteArray reply = QByteArray::fromHex("010302007B");
    AppSettings::DeviceKeys = QStringList{"01 03 00 00 00 01"};
    AppSettings::DeviceValues =
        QStringList{TaviHelper::bytesToHexText(reply + TaviHelper::crc16ModbusBytes(reply))};
    AppSettings::PortName = console;
    AppSettings::HexSend = true;
    AppSettings::HexReceive = true;
    AppSettings::Debug = true;
    QFile map(home.filePath("simulator_map.csv"));
    if (!map.open(QIODevice::WriteOnly)
        || map.write("slave,table,address,value\n1,holding,0,123\n") < 0) {
        return 2;
    }
    map.close();
    frmTolvan form;
    form.show();
    form.findChild<QPushButton *>("btnOpen")->click();

    std::printf("device simulation, %d polls over a socat pty pair\n", polls);
    std::vector<double> latencies;
    int timeouts = 0;
    const auto ownMaster = [&](const char *what, const QString &port) {
        QProcess own;
        own.start(QCoreApplication::applicationFilePath(), {"master", port});
        own.waitForStarted();
        while (own.state() != QProcess::NotRunning) {
            spin(20);
        }
        latencies.clear();
        for (const QByteArray &line : own.readAllStandardOutput().split('\n')) {
            if (line == "timeout") {
                ++timeouts;
            } else if (!line.isEmpty()) {
                latencies.push_back(line.toDouble());
            }
        }
        report(what, latencies, timeouts);
    };
    ownMaster("reply latency (own master)", peer);
    form.findChild<QCheckBox *>("ckDebug")->setChecked(false);
    form.findChild<QCheckBox *>("simulatorRun")->setChecked(true);
    ownMaster("register map, same master", peer);
    form.findChild<QCheckBox *>("simulatorRun")->setChecked(false);
    form.findChild<QCheckBox *>("ckDebug")->setChecked(true);
    // The same map without a window: norvane --simulate on a pty of its own.
    VirtualSerialPair cliPty(home.path() + "/cli");
    QDir().mkpath(home.path() + "/cli");
    if (cliPty.start(&error)) {
        QProcess cli;
        cli.start(QCoreApplication::applicationDirPath() + "/../norvane",
                  {"--simulate", cliPty.consoleEnd(), "--map", map.fileName(), "--baud", "115200"});
        cli.waitForStarted();
        spin(500);
        ownMaster("register map, norvane --simulate", cliPty.peerEnd());
        cli.terminate();
        cli.waitForFinished();
    }

    const QString mbpoll = QStandardPaths::findExecutable("mbpoll");
    if (mbpoll.isEmpty()) {
        std::printf("  mbpoll not installed (Debian package mbpoll)\n");
        return 1;
    }
    latencies.clear();
    int mbTimeouts = 0;
    for (int i = 0; i < polls; ++i) {
        QProcess poll;
        const double start = nowMs();
        poll.start(mbpoll, {"-m", "rtu", "-a", "1", "-r", "1", "-c", "1", "-t", "4", "-b", "9600",
                            "-P", "none", "-1", "-o", "1", peer});
        while (poll.state() != QProcess::NotRunning) {
            spin(1);
        }
        const QByteArray out = poll.readAllStandardOutput();
        if (poll.exitCode() != 0 || !out.contains("[1]: \t123")) {
            ++mbTimeouts;
        } else {
            latencies.push_back(nowMs() - start);
        }
    }
    report("mbpoll run, start to exit", latencies, mbTimeouts);
    return timeouts + mbTimeouts == 0 ? 0 : 1;
}
