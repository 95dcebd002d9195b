#ifndef SIMULATERUN_H
#define SIMULATERUN_H

struct CommandLine;

// `norvane --simulate`: answers on the port as the devices of the map file until SIGINT or
// SIGTERM, one line per request on stdout. Needs a QCoreApplication. 0 after a signal, 1 when
// the port fails, 2 for a map file that cannot be used (file and line on stderr).
int runSimulator(const CommandLine &line);

#endif // SIMULATERUN_H
