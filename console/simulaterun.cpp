#include "simulaterun.h"

#include "commandline.h"
#include "runsupport.h"
#include "seriallink.h"
#include "simulator.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>

int runSimulator(const CommandLine &line)
{
    DeviceSimulator device;
    QString error;
    if (!device.registers().load(line.mapPath, &error)) {
        printRunError(error);
        return 2;
    }
    const QuitOnSignal quit;
    SerialLink link;
    if (!quit.isReady() || !link.open(commandLinePort(line.simulatePort, line))) {
        printRunError(quit.isReady() ? link.openFailure() : QStringLiteral("pipe"));
        return 1;
    }
    link.setWakeOnArrival(true);
    device.setLine(link.lineSettings());
    int code = 0;
    QObject::connect(&link, &SerialLink::arrived, [&] {
        for (const ReceivedPiece &piece : link.readAll()) {
            device.feed(piece.bytes);
        }
    });
    QObject::connect(&device, &DeviceSimulator::reply,
                     [&](const QByteArray &bytes) { link.write(bytes); });
    QObject::connect(&device, &DeviceSimulator::served, [](const QString &text) {
        const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"));
        std::fputs(qUtf8Printable(QStringLiteral("%1 %2\n").arg(time, text)), stdout);
        std::fflush(stdout);
    });
    QObject::connect(&link, &SerialLink::failed, [&] {
        printRunError(QCoreApplication::translate("SimulateRun", "串口中断异常!!"));
        code = 1;
        QCoreApplication::exit(1);
    });
    QCoreApplication::exec();
    return code;
}
