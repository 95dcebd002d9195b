#ifndef CONSOLETOOLS_H
#define CONSOLETOOLS_H

#include <QObject>
#include <QStringList>

class BusMonitor;
class BusMonitorWindow;
class ConsoleSession;
class FileSender;
class FileSendWindow;
class QPushButton;
class QWidget;
class TrafficLog;
class RegisterTables;
class RegisterWindow;
class ValueChart;

// The windows opened from the tools tab, fed by the session: the chart, the register tables
// with their polls and statistics, file sending, and the bus monitor (which feeds the tables
// and the chart as the console's own requests do).
class ConsoleTools : public QObject
{
    Q_OBJECT
public:
    // The windows are the console window's; tables and polls are kept in the data folder,
    // and what is wrong with those files goes to the log at once.
    struct Buttons {
        QPushButton *chart, *table, *file, *monitor; // each opens its window
    };
    ConsoleTools(ConsoleSession *session, TrafficLog *log, const Buttons &buttons, QWidget *window);
    // Sends the next poll when polls take turns on the auto-send timer; false when they do not.
    bool sendNextPoll();

private:
    ConsoleSession *session;
    TrafficLog *log;
    ValueChart *chart;
    RegisterTables *tables;
    RegisterWindow *tableWindow;
    FileSender *fileSender;
    FileSendWindow *fileWindow;
    BusMonitor *monitor;
    BusMonitorWindow *monitorWindow;
};

#endif // CONSOLETOOLS_H
