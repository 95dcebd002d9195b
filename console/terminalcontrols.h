#ifndef TERMINALCONTROLS_H
#define TERMINALCONTROLS_H

#include <QObject>

class ConsoleSession;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class SendBox;
class TrafficLog;

// The console as a plain serial terminal: the send box sending what is typed, the modem lines,
// and the data lists (send.txt, device.txt) taken in again when they change on disk.
class TerminalControls : public QObject
{
    Q_OBJECT
public:
    struct Widgets {
        QComboBox *box;
        QComboBox *ending;
        QCheckBox *crc;
        QCheckBox *hex;
        QCheckBox *autoClear;
        QPushButton *sendText;
        QCheckBox *rts;
        QCheckBox *dtr;
        QLabel *lines;
    };
    // Fills the send box from the send list and reads the history; what goes wrong with the
    // files, then or later, goes to the log.
    TerminalControls(const Widgets &widgets, ConsoleSession *session, TrafficLog *log,
                     QObject *parent);

private:
    void showModemLines(int lines);
    void dataListChanged(const QString &name);

    Widgets ui;
    void info(const QString &text);

    ConsoleSession *session;
    TrafficLog *log;
    SendBox *sendBox;
};

#endif // TERMINALCONTROLS_H
