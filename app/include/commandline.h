#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include <QString>
#include <QStringList>
#include <QVector>

// What the command line asks for. It is read before anything else, so that --version and
// --help answer without a display.
struct CommandLine {
    // Monitor: listens to a port without a window (--monitor); Scan: looks for devices (--scan);
    // Simulate: answers as Modbus devices from a register map (--simulate).
    enum Action { Run, ShowVersion, ShowHelp, Refuse, Monitor, Scan, Simulate };
    Action action = Run;
    QString portName; // opened once the window is shown
    int baudRate = 0; // 0: as the settings say
    QString dataDir;  // settings, data lists and logs all there
    QString error;    // why the line is refused
    // --monitor's port and line (8 data bits), and the pcap file it writes when asked.
    QString monitorPort;
    char parity = 'N'; // 'N', 'E' or 'O'
    int stopBits = 1;
    QString pcapPath;
    // --scan's port, the addresses asked, the line settings tried (8 data bits) and the read.
    QString scanPort;
    int scanFrom = 1;
    int scanTo = 247;
    QVector<int> scanBauds{9600};
    QString scanParities = QStringLiteral("N"); // of 'N', 'E', 'O'
    QVector<int> scanStops{1};
    int scanFunction = 3;
    int scanRegister = 0;
    // --simulate's port (its line from --baud, --parity, --stop) and map file.
    QString simulatePort;
    QString mapPath;
};

// Reads the arguments after the program name, in order: --help and --version answer at
// once, the first mistake refuses the line. `baudRates` are the rates the port box offers.
// Qt's own options (-platform, -style, ...) are left to Qt.
CommandLine parseCommandLine(const QStringList &arguments, const QStringList &baudRates);

QString usageText();

// Prints what a line that needs no program run asks for (the usage on stderr after a refusal) and
// gives the exit code: 0, or 2 for a refused line.
int answerCommandLine(const CommandLine &line);

#endif // COMMANDLINE_H
