#include "busmonitorrun.h"

#include "buscapture.h"
#include "busmonitor.h"
#include "commandline.h"
#include "runsupport.h"

#include <QCoreApplication>

#include <cstdio>

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(BusMonitorRun)
};
} // namespace

int runBusMonitor(const CommandLine &line)
{
    PcapWriter pcap;
    QString error;
    if (!line.pcapPath.isEmpty() && !pcap.open(line.pcapPath, &error)) {
        printRunError(error);
        return 1;
    }
    const QuitOnSignal quit;
    if (!quit.isReady()) {
        printRunError(QStringLiteral("pipe"));
        return 1;
    }

    int code = 0;
    BusMonitor monitor;
    QObject::connect(&monitor, &BusMonitor::frameSeen,
                     [&](qint64, const BusFrame &frame, const BusFrameInfo &info) {
                         std::fputs(qUtf8Printable(frameCsvLine(frame, info.kind) + '\n'), stdout);
                         std::fflush(stdout);
                         if (pcap.isOpen() && !pcap.write(frame)) {
                             printRunError(Texts::tr("无法写入 %1").arg(line.pcapPath));
                             pcap.close();
                             code = 1;
                         }
                     });
    QObject::connect(&monitor, &BusMonitor::stopped, [&](const QString &problem) {
        if (!problem.isEmpty()) {
            printRunError(problem);
            code = 1;
            QCoreApplication::exit(1);
        }
    });
    if (monitor.start(commandLinePort(line.monitorPort, line))) {
        std::fputs(qUtf8Printable(frameCsvHeader() + '\n'), stdout);
        std::fflush(stdout);
        QCoreApplication::exec();
        monitor.stop(); // the frame in progress
    }
    return code;
}
