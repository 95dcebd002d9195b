#include "frmtolvan.h"
#include "appsettings.h"
#include "consolesession.h"
#include "consoletools.h"
#include "logformat.h"
#include "portnames.h"
#include "portwatcher.h"
#include "rangecalc.h"
#include "requestframe.h"
#include "sendlisteditor.h"
#include "settingsbinding.h"
#include "tavihelper.h"
#include "terminalcontrols.h"
#include "trafficlog.h"
#include "ui_frmtolvan.h"

#include <QCloseEvent>
#include <QIntValidator>
#include <QTimer>

frmTolvan::frmTolvan(QWidget *parent) : QWidget(parent), ui(new Ui::frmTolvan)
{
    ui->setupUi(this);
    initForm();
    initConfig();
    TaviHelper::centerOnDesktop(this);
}

frmTolvan::~frmTolvan() = default;

QStringList frmTolvan::baudRates()
{
    return baudRateChoices();
}

void frmTolvan::openPortAtStart()
{
    if (!session->isOpen()) {
        on_btnOpen_clicked();
    }
}

void frmTolvan::closeEvent(QCloseEvent *event)
{
    const bool mayClose = editor->mayClose();
    ui->btnData->setText(log->isEditing() ? tr("保存数据") : tr("管理数据"));
    // With auto-save on, what the last save has not written goes now.
    if (mayClose && ui->ckAutoSave->isChecked()) {
        log->save();
    }
    event->setAccepted(mayClose);
}

void frmTolvan::initForm()
{
    log = new TrafficLog(ui->txtMain, this);
    editor.reset(new SendListEditor(log, this));
    settings.reset(new BoundSettings);
    session = new ConsoleSession(this);
    tools = new ConsoleTools(session, log,
                             {ui->btnChart, ui->btnTable, ui->btnSendFile, ui->btnMonitor,
                              ui->btnScan, ui->btnSimulate});
    terminal = new TerminalControls({ui->cboxData, ui->cboxLineEnding, ui->ckAddCrc, ui->ckHexSend,
                                     ui->ckAutoClear, ui->btnSendText, ui->ckRts, ui->ckDtr,
                                     ui->labModemLines},
                                    session, log, this);
    bindSession();
    addFunctionChoices(ui->fid);
    ui->cboxSendInterval->addItems(AppSettings::Intervals);
    sendTimer = new QTimer(this);
    sendTimer->setObjectName(QStringLiteral("sendTimer"));
    // Polls take the auto-send ticks when they take turns, else the request row does.
    connect(sendTimer, &QTimer::timeout, this, [this] {
        if (!tools->sendNextPoll()) {
            sendData();
        }
    });
    connect(ui->btnSend, &QPushButton::clicked, this, qOverload<>(&frmTolvan::sendData));
    connect(ui->btnSave, &QPushButton::clicked, this, &frmTolvan::saveData);
    changeEnable(false);
}

void frmTolvan::bindSession()
{
    connect(session, &ConsoleSession::logLine, log, &TrafficLog::append);
    connect(session, &ConsoleSession::opened, this, [this] {
        ports->showOpenFailure(QString());
        changeEnable(true);
    });
    // The log stays silent; the reason is shown where the port is chosen.
    connect(session, &ConsoleSession::openFailed, this,
            [this](const QString &why) { ports->showOpenFailure(why); });
    connect(session, &ConsoleSession::closed, this, [this] {
        changeEnable(false);
        // With auto-save on, the lines about to be cleared go to the log file first.
        log->clearView();
    });
    connect(session, &ConsoleSession::sent, this, &frmTolvan::showCounts);
    connect(session, &ConsoleSession::received, this, &frmTolvan::showCounts);
    connect(session, &ConsoleSession::monitoringChanged, ui->btnOpen, &QWidget::setDisabled);
    connect(session, &ConsoleSession::bridgeStateChanged, this,
            [this](bool connected) { ui->btnStart->setText(connected ? tr("停止") : tr("启动")); });
}

void frmTolvan::initConfig()
{
    ui->cboxBaudRate->setValidator(new QIntValidator(1, 100000000, this));
    addValueFormatChoices(ui->cboxValueFormat);
    addTransportChoices(ui->cboxTransport);
    ui->cboxLanguage->setItemData(0, QStringLiteral("zh_CN"));
    ui->cboxLanguage->setItemData(1, QStringLiteral("en"));
    using S = AppSettings;
    // clang-format off
    const QVector<BoundControl> controls = {
        {ui->cboxPortName, &S::PortName, portNameChoices(QStringList(), S::PortName)},
        {ui->cboxBaudRate, &S::BaudRate, baudRateChoices()},
        {ui->cboxDataBit, &S::DataBit, dataBitChoices()},
        {ui->cboxParity, &S::Parity, parityChoices()},
        {ui->cboxStopBit, &S::StopBit, stopBitChoices()},
        {ui->ckHexSend, &S::HexSend}, {ui->ckHexReceive, &S::HexReceive}, {ui->ckDebug, &S::Debug},
        {ui->ckAutoClear, &S::AutoClear}, {ui->ckAutoSend, &S::AutoSend}, {ui->ckAutoSave, &S::AutoSave},
        {ui->ckAutoPrint, &S::AutoPrint}, {ui->cboxTransport, &S::Transport},
        {ui->cboxSendInterval, &S::SendInterval, sendIntervalChoices()},
        {ui->cboxSaveInterval, &S::SaveInterval, saveIntervalChoices()},
        {ui->cboxValueFormat, &S::ValueFormat}, {ui->cboxMode, &S::Mode},
        {ui->txtServerIP, &S::ServerIP}, {ui->txtServerPort, &S::ServerPort},
        {ui->txtListenPort, &S::ListenPort}, {ui->txtListenAddress, &S::ListenAddress},
        {ui->cboxSleepTime, &S::SleepTime, sleepTimeChoices()}, {ui->ckAutoConnect, &S::AutoConnect},
        {ui->cboxLanguage, &S::Language}, {ui->cboxFlowControl, &S::FlowControl, flowControlChoices()},
        {ui->cboxLineEnding, &S::LineEnding}, {ui->ckAddCrc, &S::AddCrc},
    };
    // clang-format on
    // The port box takes any name; other stored values the form does not offer are repaired.
    append(LogInfo, settings->bind(controls, this, [this] { saveConfig(); }));
    session->setOptions(ConsoleSession::optionsFromConfig());
    sendTimer->setInterval(S::SendInterval);
    log->setSaveInterval(S::SaveInterval);
    log->setAutoSave(S::AutoSave);
    ports = new PortWatcher(ui->cboxPortName, ui->labPortName, ui->labPortError,
                            {QStringLiteral("/dev/serial/by-id")}, &S::PortName);
    // What reading the files at start-up refused or skipped.
    for (const QString &notice : std::exchange(S::Notices, QStringList())) {
        append(LogInfo, notice);
    }
}

void frmTolvan::saveConfig()
{
    const int sendInterval = AppSettings::SendInterval;
    const bool couldSend = session->canSendRequests();
    append(LogInfo, settings->store());
    session->setOptions(ConsoleSession::optionsFromConfig());
    if (session->canSendRequests() != couldSend) {
        changeEnable(session->isOpen());
    }
    // Setting a running timer's interval restarts it: only a new value does.
    if (AppSettings::SendInterval != sendInterval) {
        sendTimer->setInterval(AppSettings::SendInterval);
    }
    log->setSaveInterval(AppSettings::SaveInterval); // restarts the timer only when new
}

void frmTolvan::changeEnable(bool b)
{
    for (QWidget *w :
         std::initializer_list<QWidget *>{ui->cboxBaudRate, ui->cboxDataBit, ui->cboxParity,
                                          ui->cboxPortName, ui->cboxStopBit, ui->cboxFlowControl}) {
        w->setEnabled(!b);
    }
    for (QWidget *w : std::initializer_list<QWidget *>{ui->ckAutoSave, ui->ckAutoPrint,
                                                       ui->btnSendText, ui->ckRts, ui->ckDtr}) {
        w->setEnabled(b);
    }
    ui->btnOpen->setText(b ? tr("关闭串口") : tr("打开串口"));
    // Requests go out while the port is open, or at any time over TCP; so does auto-send.
    ui->btnSend->setEnabled(session->canSendRequests());
    ui->ckAutoSend->setEnabled(session->canSendRequests());
    syncSendTimer();
}

void frmTolvan::syncSendTimer()
{
    if (!ui->ckAutoSend->isChecked() || !session->canSendRequests()) {
        sendTimer->stop();
    } else if (!sendTimer->isActive()) {
        sendTimer->start();
    }
}

void frmTolvan::on_btnOpen_clicked()
{
    if (session->isOpen()) {
        session->close();
    } else {
        session->open(portSettingsFromConfig());
    }
}

void frmTolvan::append(int type, const QString &data, bool clear)
{
    if (clear) {
        log->clear();
    } else if (!data.isEmpty()) {
        log->append(type, data);
    }
}

void frmTolvan::on_btnClear_clicked()
{
    log->clear();
}

void frmTolvan::on_btnStopShow_clicked()
{
    const bool stopping = ui->btnStopShow->text() == tr("停止显示");
    log->setShowEnabled(!stopping);
    ui->btnStopShow->setText(stopping ? tr("开始显示") : tr("停止显示"));
}

void frmTolvan::showCounts()
{
    ui->btnSendCount->setText(tr("发送 : %1 字节").arg(session->sentBytes()));
    ui->btnReceiveCount->setText(tr("接收 : %1 字节").arg(session->receivedBytes()));
}

void frmTolvan::on_btnSendCount_clicked()
{
    session->resetSentBytes();
    showCounts();
}

void frmTolvan::on_btnReceiveCount_clicked()
{
    session->resetReceivedBytes();
    showCounts();
}

void frmTolvan::sendData()
{
    const RequestRow row = checkRequestRow(ui->pid->text(), ui->fid->currentText(),
                                           ui->addr->text(), ui->value->text());
    markWrongField({ui->pid, ui->fid, ui->addr, ui->value}, row.field, row.error);
    if (!row.frame.isEmpty()) {
        ui->cboxData->setEditText(requestText(row.frame));
    }
    if (session->sendRequest(row) && ui->ckAutoClear->isChecked()) {
        ui->cboxData->setCurrentIndex(-1);
        ui->cboxData->clearEditText();
        ui->cboxData->setFocus();
    }
}

void frmTolvan::sendData(QString data)
{
    session->sendText(data);
}

void frmTolvan::saveData()
{
    log->saveUnsaved();
}

void frmTolvan::on_ckAutoSend_stateChanged(int arg1)
{
    ui->cboxSendInterval->setEnabled(arg1 != 0);
    syncSendTimer();
}

void frmTolvan::on_ckAutoSave_stateChanged(int arg1)
{
    ui->cboxSaveInterval->setEnabled(arg1 != 0);
    log->setAutoSave(arg1 != 0);
}

void frmTolvan::on_btnData_clicked()
{
    if (log->isEditing()) {
        editor->finish();
    } else {
        editor->begin();
    }
    ui->btnData->setText(log->isEditing() ? tr("保存数据") : tr("管理数据"));
}

void frmTolvan::on_btnStart_clicked()
{
    session->toggleBridge();
}

void frmTolvan::on_calculate_pushButton_clicked()
{
    const RangeResult range =
        computeRange(ui->sensorDown_lineEdit->text(), ui->sensorUp_lineEdit->text(),
                     ui->signalDown_lineEdit->text(), ui->signalUp_lineEdit->text(),
                     ui->signalType_comboBox->currentText(), ui->scale_comboBox->currentIndex());
    for (const QString &line : range.lines()) {
        append(LogInfo, line);
    }
}
