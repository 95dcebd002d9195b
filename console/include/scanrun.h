#ifndef SCANRUN_H
#define SCANRUN_H

struct CommandLine;

// `norvane --scan`: asks every address of the range at every line setting given, one CSV line
// per device that answered on stdout (scanCsvHeader() first), progress on stderr. Needs a
// QCoreApplication. 0 when a device answered, 1 when none did or the port failed.
int runScan(const CommandLine &line);

#endif // SCANRUN_H
