#ifndef FRMTOLVAN_H
#define FRMTOLVAN_H

#include <QStringList>
#include <QVector>
#include <QWidget>

#include <memory>
#include <vector>

class NetBridge;
class PortWatcher;
class SendListEditor;
class QTimer;
class SerialSession;
class TrafficLog;
class ValueChart;
struct ReplyDecode;
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

    // The baud rates the port box offers.
    static QStringList baudRates();
    // Opens the chosen port as "打开串口" does, unless it is open.
    void openPortAtStart();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    Ui::frmTolvan *ui;
    // True exactly while a serial session is open: the one record of it.
    bool portOpen = false;
    SerialSession *session = nullptr; // the port while a session is open
    QTimer *readTimer;
    QTimer *sendTimer;
    QTimer *saveTimer;
    QTimer *portCheckTimer;
    int readDelay = 10; // ms to wait for the rest of a frame before reading
    int sendCount = 0;
    int receiveCount = 0;
    QTimer *connectTimer;

    // Retries opening a port that vanished, once a second, until it opens.
    QTimer *reopenTimer = nullptr;
    TrafficLog *log = nullptr;
    NetBridge *bridge = nullptr;
    PortWatcher *ports = nullptr;
    ValueChart *chart = nullptr;
    std::unique_ptr<SendListEditor> editor;
    std::vector<SettingBinding> bindings;
    bool configFailing = false; // the settings file could not be written last time

    // The request row's last mistake, said once however often auto-send meets it.
    QString rowError;

    void openPort();
    void closePort();
    // The device failed or vanished: close and retry once a second.
    void portLost();
    // Takes what arrived (waiting `delayMs` for the rest of a frame), shows it and its replies,
    // answers it in device simulation and forwards it to the network.
    void takeReception(int delayMs);
    void showDecoded(const QVector<ReplyDecode> &decoded);
    // Sends as sendData(QString) does; a `request` of the request row awaits its reply.
    void sendText(const QString &data, bool request);
    void markRequestRow(const QString &field, const QString &error);
    // Writes the settings file; a failure that lasts is logged once.
    void writeConfig();

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
