#ifndef FRMTOLVAN_H
#define FRMTOLVAN_H

#include <QStringList>
#include <QWidget>

#include <memory>

class BusMonitor;
class BusMonitorWindow;
class ConsoleSession;
class PortWatcher;
class ConsoleTools;
class TerminalControls;
class SendListEditor;
class QTimer;
class TrafficLog;
class BoundSettings;
namespace Ui {
class frmTolvan;
}

// The serial console's window: its widgets bound to the settings and to a ConsoleSession,
// which does the work.
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
    std::unique_ptr<Ui::frmTolvan> ui;
    ConsoleSession *session = nullptr;
    QTimer *sendTimer;
    TrafficLog *log = nullptr;
    PortWatcher *ports = nullptr;
    ConsoleTools *tools = nullptr;
    TerminalControls *terminal = nullptr;
    std::unique_ptr<SendListEditor> editor;
    std::unique_ptr<BoundSettings> settings;

    void bindSession();
    void showCounts();
    // Auto-send ticks while it is ticked and requests can go.
    void syncSendTimer();

private slots:
    void initForm();
    void initConfig();
    void saveConfig();
    void sendData();
    void sendData(QString data);
    void saveData();
    void changeEnable(bool b);
    void append(int type, const QString &data, bool clear = false);
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
