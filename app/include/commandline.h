#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include <QString>
#include <QStringList>

// What the command line asks for. It is read before anything else, so that --version and
// --help answer without a display.
struct CommandLine {
    enum Action { Run, ShowVersion, ShowHelp, Refuse };
    Action action = Run;
    QString portName; // opened once the window is shown
    int baudRate = 0; // 0: as the settings say
    QString dataDir;  // settings, data lists and logs all there
    QString error;    // why the line is refused
};

// Reads the arguments after the program name, in order: --help and --version answer at
// once, the first mistake refuses the line. `baudRates` are the rates the port box offers.
// Qt's own options (-platform, -style, ...) are left to Qt.
CommandLine parseCommandLine(const QStringList &arguments, const QStringList &baudRates);

QString usageText();

// Prints what a non-Run line asks for (the usage on stderr after a refusal) and gives the
// exit code: 0, or 2 for a refused line.
int answerCommandLine(const CommandLine &line);

#endif // COMMANDLINE_H
