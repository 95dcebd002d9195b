#ifndef CONSOLETOOLS_H
#define CONSOLETOOLS_H

#include <QObject>
#include <QStringList>

class ConsoleSession;
class FileSender;
class FileSendWindow;
class QPushButton;
class QWidget;
class RegisterTables;
class RegisterWindow;
class ValueChart;

// The windows opened from the tools tab, fed by the session: the chart, the register tables
// with their polls and statistics, and file sending.
class ConsoleTools : public QObject
{
    Q_OBJECT
public:
    // The windows are the console window's; tables and polls are kept in the data folder.
    ConsoleTools(ConsoleSession *session, QWidget *window);
    void bindButtons(QPushButton *chart, QPushButton *table, QPushButton *file);
    // Reads the tables' files; what was wrong with them goes to logLine().
    void load();
    // Sends the next poll when polls take turns on the auto-send timer; false when they do not.
    bool sendNextPoll();

signals:
    void logLine(const QString &text);

private:
    ConsoleSession *session;
    ValueChart *chart;
    RegisterTables *tables;
    RegisterWindow *tableWindow;
    FileSender *fileSender;
    FileSendWindow *fileWindow;
};

#endif // CONSOLETOOLS_H
