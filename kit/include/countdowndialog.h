#ifndef COUNTDOWNDIALOG_H
#define COUNTDOWNDIALOG_H

#include <QDialog>

class QLabel;
struct DragState;

// What the message, tip and input dialogs share: a frameless dialog dragged by its body,
// with a countdown that closes it after a number of seconds. Each dialog class has its own
// drag state and its own checkSec(), which the per-second timer calls.
class CountdownDialog : public QDialog
{
    Q_OBJECT
protected:
    CountdownDialog(QWidget *parent, DragState &drag);

protected slots:
    // One second has passed.
    virtual void checkSec() = 0;

protected:
    // The per-second timer, started at once and running for the dialog's life.
    void startCountdownTimer();
    // A countdown of `seconds` (0: none), showing its first value at once.
    void restartCountdown(int seconds);
    // One second has passed; true when the dialog should close now.
    bool countdownStep();

    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    QLabel *labTime = nullptr;
    int closeSec = 0;
    int elapsedSec = 0;

private:
    DragState &drag;
};

#endif // COUNTDOWNDIALOG_H
