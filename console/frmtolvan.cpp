#include "frmtolvan.h"
#include "ui_frmtolvan.h"

#include "appsettings.h"
#include "logformat.h"
#include "modbusreply.h"
#include "replymatcher.h"
#include "netbridge.h"
#include "portnames.h"
#include "portwatcher.h"
#include "rangecalc.h"
#include "reception.h"
#include "requestframe.h"
#include "sendlisteditor.h"
#include "serialsession.h"
#include "settingsbinding.h"
#include "tavihelper.h"
#include "trafficlog.h"
#include "valuechart.h"

#include <QCloseEvent>
#include <QCompleter>
#include <QDateTime>
#include <QTimer>

namespace {
const QString textOpenPort = QStringLiteral("打开串口");
const QString textClosePort = QStringLiteral("关闭串口");
const QString textStart = QStringLiteral("启动");
const QString textStop = QStringLiteral("停止");
const QString textManageData = QStringLiteral("管理数据");
const QString textSaveData = QStringLiteral("保存数据");
const QString textStopShow = QStringLiteral("停止显示");
const QString textStartShow = QStringLiteral("开始显示");

template <typename Slot>
QTimer *makeTimer(frmTolvan *form, const char *name, int interval, Slot slot)
{
    auto *timer = new QTimer(form);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(interval);
    QObject::connect(timer, &QTimer::timeout, form, slot);
    return timer;
}
} // namespace

frmTolvan::frmTolvan(QWidget *parent) : QWidget(parent), ui(new Ui::frmTolvan)
{
    ui->setupUi(this);
    initForm();
    initConfig();
    TaviHelper::centerOnDesktop(this);
}

frmTolvan::~frmTolvan()
{
    delete ui;
}

QStringList frmTolvan::baudRates()
{
    return baudRateChoices();
}

void frmTolvan::openPortAtStart()
{
    if (!portOpen) {
        on_btnOpen_clicked();
    }
}

void frmTolvan::closeEvent(QCloseEvent *event)
{
    const bool mayClose = editor->mayClose();
    ui->btnData->setText(log->isEditing() ? textSaveData : textManageData);
    if (!mayClose) {
        event->ignore();
        return;
    }
    reopenTimer->stop();
    // With auto-save on, what the last save has not written goes now.
    if (ui->ckAutoSave->isChecked()) {
        log->save();
    }
    QWidget::closeEvent(event);
}

void frmTolvan::initForm()
{
    log = new TrafficLog(ui->txtMain, this);
    editor.reset(new SendListEditor(log, this));
    session = new SerialSession(this);
    connect(session, &SerialSession::failed, this, &frmTolvan::portLost);
    connect(session, &SerialSession::refused, this,
            [this] { append(LogInfo, QStringLiteral("串口发送缓冲已满 (对方未接收), 数据未发送")); });

    ui->cboxSendInterval->addItems(AppSettings::Intervals);
    ui->cboxData->addItems(AppSettings::SendList);

    readTimer = makeTimer(this, "readTimer", 100, &frmTolvan::readData);
    sendTimer = makeTimer(this, "sendTimer", 0, qOverload<>(&frmTolvan::sendData));
    connect(ui->btnSend, &QPushButton::clicked, this, qOverload<>(&frmTolvan::sendData));
    saveTimer = makeTimer(this, "saveTimer", 0, &frmTolvan::saveData);
    connect(ui->btnSave, &QPushButton::clicked, this, &frmTolvan::saveData);

    ui->tabWidget->setCurrentIndex(0);
    changeEnable(false);

    portCheckTimer = makeTimer(this, "portCheckTimer", 1000, &frmTolvan::checkComStatus);
    reopenTimer = makeTimer(this, "reopenTimer", 1000, [this] {
        openPort();
        if (portOpen) {
            reopenTimer->stop();
        }
    });

    bridge = new NetBridge(this);
    connect(session, &SerialSession::bytesWritten, bridge, &NetBridge::resume);
    connect(bridge, &NetBridge::readyRead, this, &frmTolvan::readDataNet);
    connect(bridge, &NetBridge::errorOccurred, this, &frmTolvan::readErrorNet);
    connect(bridge, &NetBridge::message, this, [this](const QString &text) { append(LogInfo, text); });
    connect(bridge, &NetBridge::stateChanged, this,
            [this](bool connected) { ui->btnStart->setText(connected ? textStop : textStart); });

    connectTimer = makeTimer(this, "connectTimer", 3000, &frmTolvan::connectNet);
    connectTimer->start();

    chart = new ValueChart(this);
    connect(ui->btnChart, &QPushButton::clicked, chart, &ValueChart::showWindow);
}

void frmTolvan::initConfig()
{
    ui->cboxPortName->completer()->setCompletionMode(QCompleter::PopupCompletion);
    addValueFormatChoices(ui->cboxValueFormat);
    const QVector<BoundControl> controls = {
        {ui->cboxPortName, "PortName", portNameChoices(QStringList(), AppSettings::PortName)},
        {ui->cboxBaudRate, "BaudRate", baudRateChoices()},
        {ui->cboxDataBit, "DataBit", dataBitChoices()},
        {ui->cboxParity, "Parity", parityChoices()},
        {ui->cboxStopBit, "StopBit", stopBitChoices()},
        {ui->ckHexSend, "HexSend"}, {ui->ckHexReceive, "HexReceive"}, {ui->ckDebug, "Debug"},
        {ui->ckAutoClear, "AutoClear"}, {ui->ckAutoSend, "AutoSend"}, {ui->ckAutoSave, "AutoSave"},
        {ui->ckAutoPrint, "AutoPrint"},
        {ui->cboxSendInterval, "SendInterval", sendIntervalChoices()},
        {ui->cboxSaveInterval, "SaveInterval", saveIntervalChoices()},
        {ui->cboxValueFormat, "ValueFormat"}, {ui->cboxMode, "Mode"},
        {ui->txtServerIP, "ServerIP"}, {ui->txtServerPort, "ServerPort"}, {ui->txtListenPort, "ListenPort"},
        {ui->cboxSleepTime, "SleepTime", sleepTimeChoices()}, {ui->ckAutoConnect, "AutoConnect"},
    };
    // The port box takes any name; other stored values the form does not offer are repaired.
    if (bindSettings(controls, &bindings, this, [this] { saveConfig(); })) {
        writeConfig();
    }
    sendTimer->setInterval(AppSettings::SendInterval);
    saveTimer->setInterval(AppSettings::SaveInterval);
    if (AppSettings::AutoSave) {
        saveTimer->start();
    }
    ports = new PortWatcher(ui->cboxPortName, ui->labPortName, ui->labPortError,
                            {QStringLiteral("/dev/serial/by-id")}, &AppSettings::PortName);

    // What reading the files at start-up refused or skipped.
    for (const QString &notice : qAsConst(AppSettings::Notices)) {
        append(LogInfo, notice);
    }
    AppSettings::Notices.clear();
}

void frmTolvan::saveConfig()
{
    const int sendInterval = AppSettings::SendInterval;
    const int saveInterval = AppSettings::SaveInterval;
    for (const SettingBinding &binding : bindings) {
        storeSetting(binding);
    }
    // Setting a running timer's interval restarts it: only a new value does.
    if (AppSettings::SendInterval != sendInterval) {
        sendTimer->setInterval(AppSettings::SendInterval);
    }
    if (AppSettings::SaveInterval != saveInterval) {
        saveTimer->setInterval(AppSettings::SaveInterval);
    }
    writeConfig();
}

void frmTolvan::writeConfig()
{
    // Every change writes the file: a lasting failure is said once, until a write succeeds.
    QString error;
    const bool written = AppSettings::writeConfig(&error);
    if (!written && !configFailing) {
        append(LogInfo, QStringLiteral("保存设置失败: %1 (%2)").arg(AppSettings::ConfigFile, error));
    }
    configFailing = !written;
}

void frmTolvan::changeEnable(bool b)
{
    for (QWidget *w : std::initializer_list<QWidget *>{ui->cboxBaudRate, ui->cboxDataBit, ui->cboxParity,
                                                       ui->cboxPortName, ui->cboxStopBit}) {
        w->setEnabled(!b);
    }
    for (QWidget *w : std::initializer_list<QWidget *>{ui->btnSend, ui->ckAutoSend, ui->ckAutoSave, ui->ckAutoPrint}) {
        w->setEnabled(b);
    }
}

void frmTolvan::openPort()
{
    portOpen = session->open({ui->cboxPortName->currentText(), ui->cboxBaudRate->currentText().toInt(),
                              ui->cboxDataBit->currentText().toInt(), ui->cboxParity->currentIndex(),
                              ui->cboxStopBit->currentIndex()});
    // The log stays silent; the reason is shown where the port is chosen.
    ports->showOpenFailure(session->openFailure());
    if (!portOpen) {
        return;
    }
    changeEnable(true);
    ui->btnOpen->setText(textClosePort);
    readTimer->start();
    portCheckTimer->start();
    if (AppSettings::AutoSend) {
        sendTimer->start();
    }
    append(LogInfo, QStringLiteral("打开串口成功!!"));
}

void frmTolvan::closePort()
{
    readTimer->stop();
    sendTimer->stop();
    portCheckTimer->stop();
    session->close();
    portOpen = false;
    changeEnable(false);
    ui->btnOpen->setText(textOpenPort);
    bridge->resume();
    // With auto-save on, the lines about to be cleared go to the log file first.
    log->clearView();
    append(LogInfo, QStringLiteral("关闭串口!!"));
}

void frmTolvan::on_btnOpen_clicked()
{
    reopenTimer->stop();
    if (!portOpen) {
        openPort();
    } else {
        closePort();
    }
}

void frmTolvan::checkComStatus()
{
    if (!portOpen) {
        return;
    }
    if (!session->stillThere(presentPortNames())) {
        portLost();
    }
}

void frmTolvan::portLost()
{
    if (!portOpen) {
        return;
    }
    closePort();
    // After the close's clear, so that an unplugged port does not look like a normal close.
    append(LogInfo, QStringLiteral("串口中断异常!!"));
    reopenTimer->start();
}

void frmTolvan::append(int type, const QString &data, bool clear)
{
    if (clear) {
        log->clear();
    } else {
        log->append(type, data);
    }
}

void frmTolvan::on_btnClear_clicked()
{
    append(0, QString(), true);
}

void frmTolvan::on_btnStopShow_clicked()
{
    const bool stopping = ui->btnStopShow->text() == textStopShow;
    log->setShowEnabled(!stopping);
    ui->btnStopShow->setText(stopping ? textStartShow : textStopShow);
}

void frmTolvan::on_btnSendCount_clicked()
{
    sendCount = 0;
    ui->btnSendCount->setText(QStringLiteral("发送 : 0 字节"));
}

void frmTolvan::on_btnReceiveCount_clicked()
{
    receiveCount = 0;
    ui->btnReceiveCount->setText(QStringLiteral("接收 : 0 字节"));
}

void frmTolvan::sendData()
{
    const RequestRow row = checkRequestRow(ui->pid->text(), ui->fid->currentText(), ui->addr->text(),
                                           ui->value->text());
    markRequestRow(row.field, row.error);
    if (row.frame.isEmpty()) {
        // Said once: auto-send meets the same mistake at every tick.
        if (row.error != rowError) {
            rowError = row.error;
            append(LogInfo, QStringLiteral("请求未发送: ") + row.error);
        }
        return;
    }
    rowError.clear();
    const QString text = requestText(row.frame);
    ui->cboxData->setEditText(text);
    // What has arrived by now answers earlier requests, never this one.
    if (portOpen) {
        takeReception(0);
    }
    sendText(text, true);
    if (ui->ckAutoClear->isChecked()) {
        ui->cboxData->setCurrentIndex(-1);
        ui->cboxData->clearEditText();
        ui->cboxData->setFocus();
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
    sendText(data, false);
}

void frmTolvan::sendText(const QString &data, bool request)
{
    const bool hex = ui->ckHexSend->isChecked();
    QByteArray sent;
    // Only what the port took is logged and counted; a failing port ends the session.
    const qint64 written = session->send(data, hex, &sent, request);
    if (written != sent.size() || written < 0) {
        return;
    }
    if (ui->ckAutoPrint->isChecked()) {
        // What went on the wire, not what was typed: a character with no byte of its own went as "?".
        append(LogSerialSend, hex ? TaviHelper::bytesToHexText(sent) : TaviHelper::bytesToNamedText(sent));
    }
    sendCount += int(written);
    ui->btnSendCount->setText(QStringLiteral("发送 : %1 字节").arg(sendCount));
}

void frmTolvan::saveData()
{
    // While send.txt is being edited the view holds the list, not the log.
    if (log->isEditing() || !log->hasUnsaved()) {
        return;
    }
    // A failed save keeps the log, so nothing is lost; a saved one starts the view afresh.
    log->save();
}

void frmTolvan::on_ckAutoSend_stateChanged(int arg1)
{
    ui->cboxSendInterval->setEnabled(arg1 != 0);
    // Auto-send ticks only while a session is open; opening starts it.
    if (arg1 != 0 && portOpen) {
        sendTimer->start();
    } else {
        sendTimer->stop();
    }
}

void frmTolvan::on_ckAutoSave_stateChanged(int arg1)
{
    ui->cboxSaveInterval->setEnabled(arg1 != 0);
    log->setAutoSave(arg1 != 0);
    if (arg1 != 0) {
        saveTimer->start();
    } else {
        saveTimer->stop();
    }
}

void frmTolvan::on_btnData_clicked()
{
    if (log->isEditing()) {
        editor->finish();
    } else {
        editor->begin();
    }
    ui->btnData->setText(log->isEditing() ? textSaveData : textManageData);
}

void frmTolvan::readData()
{
    takeReception(readDelay);
    if (portOpen) {
        showDecoded(session->expire(formatFromSetting(AppSettings::ValueFormat)));
    }
}

void frmTolvan::showDecoded(const QVector<ReplyDecode> &decoded)
{
    // Replies are decoded in hexadecimal mode only, a silence is told in both; trusted values
    // also go to the chart.
    const bool hex = ui->ckHexReceive->isChecked();
    // The chart keeps each format apart.
    const QString formatKey = formatSettingText(formatFromSetting(AppSettings::ValueFormat));
    for (const ReplyDecode &d : decoded) {
        if (d.text.isEmpty() || (!hex && d.kind != ReplyDecode::NoReply)) {
            continue;
        }
        append(LogValues, d.text);
        if (d.trusted) {
            chart->addValues(QDateTime::currentMSecsSinceEpoch(), d.functionCode, d.firstRegister,
                             d.registersPerValue, formatKey, d.numbers);
        }
    }
}

void frmTolvan::takeReception(int delayMs)
{
    const RegisterFormat format = formatFromSetting(AppSettings::ValueFormat);
    const SerialSession::Received reception = session->receive(ui->ckHexReceive->isChecked(), format, delayMs);
    if (reception.bytes.isEmpty()) {
        return;
    }
    // Stopping the display hides the lines only: counting, answering and forwarding go on.
    append(LogSerialReceive, reception.display);
    showDecoded(reception.decoded);
    receiveCount += reception.bytes.size();
    ui->btnReceiveCount->setText(QStringLiteral("接收 : %1 字节").arg(receiveCount));
    // The answer follows the request it answers, in the log as on the line.
    if (ui->ckDebug->isChecked()) {
        const int index = findReplyIndex(reception.matchText, AppSettings::DeviceKeys, ui->ckHexReceive->isChecked());
        if (index >= 0) {
            sendData(AppSettings::DeviceValues.at(index));
        }
    }
    if (bridge->isConnected() && bridge->forward(reception.bytes)) {
        append(LogNetSend, reception.matchText);
    }
}

void frmTolvan::on_btnStart_clicked()
{
    if (bridge->isConnected()) {
        bridge->stop();
    } else {
        bridge->start(AppSettings::ServerIP, AppSettings::ServerPort);
    }
}

void frmTolvan::connectNet()
{
    if (AppSettings::AutoConnect) {
        bridge->reconnect(AppSettings::ServerIP, AppSettings::ServerPort);
    }
}

void frmTolvan::readDataNet()
{
    // A serial peer that does not read holds the server back: its data waits in the
    // socket (and TCP) until the port has taken what is queued.
    if (portOpen && session->bytesToWrite() > SerialLink::maxPendingWrite / 2) {
        bridge->holdBack();
        return;
    }
    const QByteArray data = bridge->take(AppSettings::SleepTime);
    if (data.isEmpty()) {
        return;
    }
    const QString display = ui->ckHexReceive->isChecked() ? TaviHelper::bytesToHexText(data)
                                                          : TaviHelper::bytesToNamedText(data);
    append(LogNetReceive, display);
    if (portOpen && session->forward(data)) {
        append(LogSerialSend, display);
    }
}

void frmTolvan::readErrorNet()
{
    bridge->fail();
}

void frmTolvan::on_calculate_pushButton_clicked()
{
    const RangeResult range = computeRange(ui->sensorDown_lineEdit->text(), ui->sensorUp_lineEdit->text(),
                                           ui->signalDown_lineEdit->text(), ui->signalUp_lineEdit->text(),
                                           ui->signalType_comboBox->currentText(),
                                           ui->scale_comboBox->currentIndex());
    for (const QString &line : range.lines()) {
        append(LogInfo, line);
    }
}
