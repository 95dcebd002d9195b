#ifndef CONSOLETOOLS_H
#define CONSOLETOOLS_H

#include <QObject>
#include <QStringList>

class BusMonitor;
class BusMonitorWindow;
class ConsoleSession;
class DeviceSimulator;
class FileSender;
class FileSendWindow;
class QPushButton;
class QWidget;
class TrafficLog;
class RegisterTables;
class RegisterWindow;
class Scanner;
class ScanWindow;
class SimulatorWindow;
struct ScanPlan;
struct ScanResult;
class ValueChart;

// The windows opened from the tools tab, fed by the session: the chart, the register tables
// with their polls and statistics, file sending, and the bus monitor (which feeds the tables
// and the chart as the console's own requests do), the scanner that finds devices, and the
// register-map simulator that answers as devices do.
class ConsoleTools : public QObject
{
    Q_OBJECT
public:
    // The windows belong to the buttons' window; tables and polls are kept in the data folder,
    // and what is wrong with those files goes to the log at once.
    struct Buttons {
        QPushButton *chart, *table, *file, *monitor, *scan, *simulate; // each opens its window
    };
    ConsoleTools(ConsoleSession *session, TrafficLog *log, const Buttons &buttons);
    // Sends the next poll when polls take turns on the auto-send timer; false when they do not.
    bool sendNextPoll();

private:
    void startScan(ScanPlan plan, bool formLine);
    // Puts a device's line settings and address into the form's controls, which store them.
    void applyScanResult(const ScanResult &result);

    ConsoleSession *session;
    TrafficLog *log;
    ValueChart *chart;
    RegisterTables *tables;
    RegisterWindow *tableWindow;
    FileSender *fileSender;
    FileSendWindow *fileWindow;
    BusMonitor *monitor;
    BusMonitorWindow *monitorWindow;
    Scanner *scanner;
    ScanWindow *scanWindow;
    DeviceSimulator *device;
    SimulatorWindow *simulatorWindow;
    QWidget *window;
};

#endif // CONSOLETOOLS_H
