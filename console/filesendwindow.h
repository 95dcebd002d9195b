#ifndef FILESENDWINDOW_H
#define FILESENDWINDOW_H

#include <QWidget>

class FileSender;
class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

// Choosing a file and how it goes out, with its progress; the sending is FileSender's.
class FileSendWindow : public QWidget
{
    Q_OBJECT
public:
    explicit FileSendWindow(FileSender *sender, QWidget *parent = nullptr);

public slots:
    void showWindow();

private:
    void start();
    void finished(bool complete, const QString &message);

    FileSender *sender;
    QLineEdit *pathEdit;
    QCheckBox *hexBox;
    QSpinBox *delayBox;
    QSpinBox *chunkBox;
    QProgressBar *bar;
    QPushButton *startButton;
    QPushButton *cancelButton;
    QLabel *status;
};

#endif // FILESENDWINDOW_H
