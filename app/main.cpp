#include "appsettings.h"
#include "busmonitorrun.h"
#include "commandline.h"
#include "frmtolvan.h"
#include "scanrun.h"
#include "simulaterun.h"
#include "startup.h"
#include "tavihelper.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    // Before QApplication, which needs a display.
    const CommandLine line = parseCommandLine(arguments, frmTolvan::baudRates());
    if (line.action == CommandLine::Monitor) {
        // No window: no display needed either.
        QCoreApplication a(argc, argv);
        return runBusMonitor(line);
    }
    if (line.action == CommandLine::Scan) {
        QCoreApplication a(argc, argv);
        return runScan(line);
    }
    if (line.action == CommandLine::Simulate) {
        QCoreApplication a(argc, argv);
        return runSimulator(line);
    }
    if (line.action != CommandLine::Run) {
        return answerCommandLine(line);
    }

    QApplication a(argc, argv);
    // Names the user's folders: ~/.config/norvane and ~/.local/share/norvane.
    QApplication::setApplicationName(QStringLiteral("norvane"));
    QApplication::setApplicationVersion(programVersion());
    const QString exeDir = TaviHelper::appDir();
    const auto locations = [&] {
        return chooseDataLocations(exeDir, line.dataDir, TaviHelper::appBaseName());
    };
    // The language first: the locations say in it why they are where they are.
    installLanguage(storedLanguage(locations().configFile));
    prepareApplication(locations());
    if (!line.portName.isEmpty()) {
        AppSettings::PortName = line.portName;
    }
    if (line.baudRate > 0) {
        AppSettings::BaudRate = line.baudRate;
    }

    frmTolvan w;
    w.setWindowTitle(mainWindowTitle());
    w.show();
    if (!line.portName.isEmpty()) {
        QTimer::singleShot(0, &w, &frmTolvan::openPortAtStart);
    }

    return a.exec();
}
