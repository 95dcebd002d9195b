#include "frmtolvan.h"
#include "ui_frmtolvan.h"

#include "appsettings.h"
#include "consolesession.h"
#include "logformat.h"
#include "portnames.h"
#include "portwatcher.h"
#include "rangecalc.h"
#include "registertable.h"
#include "registerwindow.h"
#include "requestframe.h"
#include "sendlisteditor.h"
#include "settingsbinding.h"
#include "tavihelper.h"
#include "trafficlog.h"
#include "valuechart.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QCompleter>
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
    chart = new ValueChart(this);
    tables =
        new RegisterTables(AppSettings::dataFilePath(QStringLiteral("polls.txt")),
                           AppSettings::dataFilePath(QStringLiteral("register_names.txt")), this);
    tableWindow = new RegisterWindow(tables, this);
    bindSession();
    ui->fid->clear();
    ui->fid->addItems(functionChoices());
    ui->fid->setCurrentIndex(3); // read input registers, as always
    // The box shows the code and the start of the name; the list shows them whole.
    ui->fid->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ui->fid->setMinimumContentsLength(3);
    ui->fid->view()->setMinimumWidth(ui->fid->view()->sizeHintForColumn(0) + 24);
    ui->cboxSendInterval->addItems(AppSettings::Intervals);
    ui->cboxData->addItems(AppSettings::SendList);
    sendTimer = new QTimer(this);
    sendTimer->setObjectName(QStringLiteral("sendTimer"));
    connect(sendTimer, &QTimer::timeout, this, &frmTolvan::autoSend);
    connect(ui->btnSend, &QPushButton::clicked, this, qOverload<>(&frmTolvan::sendData));
    connect(ui->btnSave, &QPushButton::clicked, this, &frmTolvan::saveData);
    connect(ui->btnChart, &QPushButton::clicked, chart, &ValueChart::showWindow);
    connect(ui->btnTable, &QPushButton::clicked, tableWindow, &RegisterWindow::showWindow);
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
    connect(session, &ConsoleSession::replyDecoded, this, [this](const ReplyDecode &reply) {
        chart->addReply(reply, formatSettingText(session->options().format));
    });
    connect(session, &ConsoleSession::requestSent, tables, &RegisterTables::requestSent);
    connect(session, &ConsoleSession::requestEnded, tables, &RegisterTables::requestEnded);
    connect(tableWindow, &RegisterWindow::writeRequested, session, &ConsoleSession::sendFrame);
    connect(session, &ConsoleSession::bridgeStateChanged, this,
            [this](bool connected) { ui->btnStart->setText(connected ? tr("停止") : tr("启动")); });
}

void frmTolvan::initConfig()
{
    ui->cboxPortName->completer()->setCompletionMode(QCompleter::PopupCompletion);
    addValueFormatChoices(ui->cboxValueFormat);
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
        {ui->ckAutoPrint, &S::AutoPrint},
        {ui->cboxSendInterval, &S::SendInterval, sendIntervalChoices()},
        {ui->cboxSaveInterval, &S::SaveInterval, saveIntervalChoices()},
        {ui->cboxValueFormat, &S::ValueFormat}, {ui->cboxMode, &S::Mode},
        {ui->txtServerIP, &S::ServerIP}, {ui->txtServerPort, &S::ServerPort},
        {ui->txtListenPort, &S::ListenPort},
        {ui->cboxSleepTime, &S::SleepTime, sleepTimeChoices()}, {ui->ckAutoConnect, &S::AutoConnect},
        {ui->cboxLanguage, &S::Language},
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
    for (const QString &notice : qAsConst(S::Notices)) {
        append(LogInfo, notice);
    }
    S::Notices.clear();
    for (const QString &problem : tables->load()) {
        append(LogInfo, problem);
    }
}

void frmTolvan::saveConfig()
{
    const int sendInterval = AppSettings::SendInterval;
    append(LogInfo, settings->store());
    session->setOptions(ConsoleSession::optionsFromConfig());
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
                                          ui->cboxPortName, ui->cboxStopBit}) {
        w->setEnabled(!b);
    }
    for (QWidget *w : std::initializer_list<QWidget *>{ui->btnSend, ui->ckAutoSend, ui->ckAutoSave,
                                                       ui->ckAutoPrint}) {
        w->setEnabled(b);
    }
    ui->btnOpen->setText(b ? tr("关闭串口") : tr("打开串口"));
    // Auto-send ticks only while a session is open.
    if (b && AppSettings::AutoSend) {
        sendTimer->start();
    } else {
        sendTimer->stop();
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
    append(0, QString(), true);
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
    markRequestRow(row.field, row.error);
    if (!row.frame.isEmpty()) {
        ui->cboxData->setEditText(requestText(row.frame));
    }
    if (session->sendRequest(row) && ui->ckAutoClear->isChecked()) {
        ui->cboxData->setCurrentIndex(-1);
        ui->cboxData->clearEditText();
        ui->cboxData->setFocus();
    }
}

void frmTolvan::autoSend()
{
    if (tables->polling()) {
        session->sendFrame(tables->nextPoll());
    } else {
        sendData();
    }
}

void frmTolvan::markRequestRow(const QString &field, const QString &error)
{
    for (QWidget *w : std::initializer_list<QWidget *>{ui->pid, ui->fid, ui->addr, ui->value}) {
        const bool wrong = w->objectName() == field;
        w->setStyleSheet(wrong ? QStringLiteral("border: 1px solid red;") : QString());
        w->setToolTip(wrong ? error : QString());
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
    // Auto-send ticks only while a session is open; opening starts it.
    if (arg1 != 0 && session->isOpen()) {
        sendTimer->start();
    } else {
        sendTimer->stop();
    }
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
