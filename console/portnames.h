#ifndef PORTNAMES_H
#define PORTNAMES_H

#include <QString>
#include <QStringList>

// The 34 fixed names of the port box: COM1..COM20 and the common Linux device names.
QStringList fixedPortNames();

// The fixed names, then present ports that are not among them, then the stored name when
// it matches nothing yet (a full path such as /dev/pts/3), so it can be selected.
QStringList portNameChoices(const QStringList &presentPorts, const QString &storedName);

// Names of the serial ports the system lists. Listing costs about 10 ms, so a list younger
// than `maxAgeMs` is reused; the console's own port is checked by its device node anyway.
QStringList presentPortNames(int maxAgeMs = 5000);

// A port counts as present when it is enumerated or its device node exists; ptys and some
// adapters are never enumerated.
bool portIsPresent(const QString &name, const QStringList &enumerated);

// A character device a serial port could be (a link is followed).
bool isSerialDevice(const QString &path);

// The port box's choices after the present ports changed: the fixed names, then the
// present ports, then what the box offered before and must keep (the current choice and
// the stored name).
QStringList updatedPortChoices(const QStringList &present, const QStringList &keep);

// Why a typed name cannot be a port (empty, too long for a path, a file that is no device);
// empty when it may be one.
QString portNameProblem(const QString &name);

// What the user is told when a port does not open. `qtError` is QSerialPort's error;
// "permission" errors are told apart into busy and denied by `accessDenied` (the user may
// not read and write the node).
QString openFailureText(int qtError, const QString &systemText, bool accessDenied);

#endif // PORTNAMES_H
