#ifndef RUNSUPPORT_H
#define RUNSUPPORT_H

#include "portsettings.h"

#include <QSocketNotifier>
#include <QString>

struct CommandLine;

// What the runs without a window share.

// Ends the event loop on SIGINT or SIGTERM while it lives; the signal only writes to a pipe
// that the loop reads.
class QuitOnSignal
{
public:
    QuitOnSignal();
    ~QuitOnSignal();
    bool isReady() const { return notifier != nullptr; }

private:
    QSocketNotifier *notifier = nullptr;
};

// "norvane: text" on stderr.
void printRunError(const QString &text);

// `port` with the command line's --baud, --parity and --stop (8 data bits).
PortSettings commandLinePort(const QString &port, const CommandLine &line);

#endif // RUNSUPPORT_H
