#ifndef FRMTOLVAN_H
#define FRMTOLVAN_H

#include <QPointer>
#include <QWidget>

#include <vector>

class NetBridge;
class QTimer;
class SerialLink;
class TrafficLog;
struct SettingBinding;
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
    // True exactly while a serial session is open: the one record of it.
    bool portOpen;
    QPointer<SerialLink> port;
    QTimer *readTimer;
    QTimer *sendTimer;
    QTimer *saveTimer;
    QTimer *portCheckTimer;
    int readDelay;
    int sendCount;
    int receiveCount;
    QTimer *connectTimer;

    // Retries opening a port that vanished, once a second, until it opens.
    QTimer *reopenTimer = nullptr;
    TrafficLog *log = nullptr;
    NetBridge *bridge = nullptr;
    std::vector<SettingBinding> bindings;
    bool netWaiting = false;  // server data waits until the serial peer reads
    bool sendRefused = false; // the last send found the serial peer not reading

    void openPort();
    void closePort();
    void setSessionOpen(bool open);
    // The device failed or vanished: close and retry once a second.
    void portLost();
    QString sendListPath() const;
    // Ends editing send.txt, writing it when the text changed; false (still editing) on failure.
    bool saveSendList();
    void resumeNetRead();

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
