// CPU use of the console with a session open on a virtual serial port and no traffic.
//   bench_idle [seconds]   (default 30)
#include "appsettings.h"
#include "benchsupport.h"
#include "frmtolvan.h"
#include "startup.h"
#include "virtualserial.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc >= 2 ? QByteArray(argv[1]).toInt() : 30;
    QTemporaryDir home;
    VirtualSerialPair pty(home.path());
    QString error;
    if (!pty.start(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    const QString console = pty.consoleEnd();
    prepareApplication(home.filePath("norvane.ini"), home.path());
    AppSettings::PortName = console;
    frmTolvan form;
    form.show();
    form.findChild<QPushButton *>("btnOpen")->click();
    if (form.findChild<QPushButton *>("btnOpen")->text() != QStringLiteral("关闭串口")) {
        std::fprintf(stderr, "could not open the virtual port (is socat installed?)\n");
        return 2;
    }
    // Quiet the once-a-second port list so that the terminal stays readable.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QEventLoop settle;
    QTimer::singleShot(1000, &settle, &QEventLoop::quit);
    settle.exec();

    const double cpuStart = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu = cpuSeconds() - cpuStart;
    const double elapsed = double(wall.elapsed()) / 1000.0;
    std::printf(
        "idle with a session open: %.3f CPU-s over %.1f s = %.2f %% of a core (target < 0.5 %%)\n",
        cpu, elapsed, 100.0 * cpu / elapsed);
    return 0;
}
