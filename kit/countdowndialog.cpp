#include "countdowndialog.h"
#include "dialogparts.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTimer>

CountdownDialog::CountdownDialog(QWidget *parent, DragState &drag) : QDialog(parent), drag(drag)
{
}

void CountdownDialog::startCountdownTimer()
{
    closeSec = 0;
    elapsedSec = 0;
    auto *timer = new QTimer(this);
    timer->setInterval(1000);
    connect(timer, &QTimer::timeout, this, &CountdownDialog::checkSec);
    timer->start();
}

void CountdownDialog::restartCountdown(int seconds)
{
    elapsedSec = 0;
    closeSec = seconds;
    labTime->clear();
    if (countdownStep()) {
        close();
    }
}

bool CountdownDialog::countdownStep()
{
    return countdownTick(closeSec, elapsedSec, labTime);
}

void CountdownDialog::closeEvent(QCloseEvent *event)
{
    closeSec = 0;
    elapsedSec = 0;
    QDialog::closeEvent(event);
}

bool CountdownDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == this && handleDialogDrag(this, event, drag)) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
