#ifndef BUSMONITORRUN_H
#define BUSMONITORRUN_H

struct CommandLine;

// `norvane --monitor`: listens to the line's port until SIGINT or SIGTERM, one CSV line per
// frame on stdout (frameCsvHeader() first), the frames also in the pcap file when one is named.
// Needs a QCoreApplication. 0 after a signal, 1 when the port or the file failed.
int runBusMonitor(const CommandLine &line);

#endif // BUSMONITORRUN_H
