#ifndef SENDBOX_H
#define SENDBOX_H

#include "sendline.h"

#include <QObject>

class ConsoleSession;
class QCheckBox;
class QComboBox;

// The send box as a terminal's input line: Enter (or send()) sends the typed text as it is,
// hexadecimal or text as "Hex发送" says, with the chosen line ending and CRC; Up and Down walk
// through the lines sent before, which are kept in a file.
class SendBox : public QObject
{
    Q_OBJECT
public:
    struct Controls {
        QComboBox *box;
        QComboBox *ending; // items carry the setting text ("none", "CR", ...) as data
        QCheckBox *crc;
        QCheckBox *hex;
        QCheckBox *autoClear;
    };
    SendBox(const Controls &controls, ConsoleSession *session, const QString &historyPath,
            QObject *parent = nullptr);
    // What went wrong reading the history; empty when nothing did.
    QString load() { return history.load(); }
    const SendHistory &sent() const { return history; }

public slots:
    void send();

signals:
    // A line for the log: why nothing was sent, or that the history could not be kept.
    void problem(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Controls ui;
    ConsoleSession *session;
    SendHistory history;
    QString historyError; // said once until the file can be written again
};

#endif // SENDBOX_H
