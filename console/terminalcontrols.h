#ifndef TERMINALCONTROLS_H
#define TERMINALCONTROLS_H

#include <QObject>

class ConsoleSession;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class SendBox;

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
    TerminalControls(const Widgets &widgets, ConsoleSession *session, QObject *parent);
    // Reads the send history; what went wrong goes to logLine().
    void load();

signals:
    void logLine(const QString &text);

private:
    void showModemLines(int lines);
    void dataListChanged(const QString &name);

    Widgets ui;
    ConsoleSession *session;
    SendBox *sendBox;
};

#endif // TERMINALCONTROLS_H
