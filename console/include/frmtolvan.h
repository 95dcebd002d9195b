#ifndef FRMTOLVAN_H
#define FRMTOLVAN_H

#include <QColor>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QWidget>

class QTcpSocket;
class QTimer;
class SerialLink;
namespace Ui {
class frmTolvan;
}

// The serial console: port settings, traffic log, request row and send line, the network
// bridge and the range calculator.
class frmTolvan : public QWidget
{
    Q_OBJECT

public:
    explicit frmTolvan(QWidget *parent = nullptr);
    ~frmTolvan() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    Ui::frmTolvan *ui;
    bool portOpen;
    QPointer<SerialLink> port;
    QTimer *readTimer;
    QTimer *sendTimer;
    QTimer *saveTimer;
    QTimer *portCheckTimer;
    int readDelay;
    int sendCount;
    int receiveCount;
    bool showEnabled;
    bool netConnected;
    QTcpSocket *tcpSocket;
    QTimer *connectTimer;

    // Retries opening a port that vanished, once a second, until it opens.
    QTimer *reopenTimer = nullptr;
    // Lines logged since the view was last cleared.
    int lineCount = 0;
    // Lines logged while send.txt is being edited; shown when editing ends.
    QList<QPair<QString, QColor>> heldLines;

    void openPort();
    void closePort();
    bool editingSendList() const;
    void showLine(const QString &line, const QColor &color);
    // Appends the log text to this second's file; on failure names the file.
    bool saveLogText(QString *failedPath);
    void connectAttempt();
    void enterNetConnected();

private slots:
    void initForm();
    void initConfig();
    void saveConfig();
    void readData();
    void sendData();
    void sendData(QString data);
    void saveData();
    void changeEnable(bool b);
    void append(int type, const QString &data, bool clear = false);
    void checkComStatus();
    void connectNet();
    void readDataNet();
    void readErrorNet();
    void on_btnOpen_clicked();
    void on_btnStopShow_clicked();
    void on_btnSendCount_clicked();
    void on_btnReceiveCount_clicked();
    void on_btnClear_clicked();
    void on_btnData_clicked();
    void on_btnStart_clicked();
    void on_ckAutoSend_stateChanged(int arg1);
    void on_ckAutoSave_stateChanged(int arg1);
    void on_calculate_pushButton_clicked();
};

#endif // FRMTOLVAN_H
