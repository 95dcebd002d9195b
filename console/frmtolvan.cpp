#include "frmtolvan.h"
#include "ui_frmtolvan.h"

#include "appsettings.h"
#include "logformat.h"
#include "netbridge.h"
#include "portnames.h"
#include "rangecalc.h"
#include "reception.h"
#include "requestframe.h"
#include "sendlistfile.h"
#include "seriallink.h"
#include "settingsbinding.h"
#include "tavihelper.h"
#include "trafficlog.h"

#include <QCloseEvent>
#include <QDebug>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
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

QTimer *makeTimer(QObject *parent, const char *name, int interval = 0)
{
    auto *timer = new QTimer(parent);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(interval);
    return timer;
}

QStringList numbers(int from, int to, int step)
{
    QStringList list;
    for (int i = from; i <= to; i += step) {
        list << QString::number(i);
    }
    return list;
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
    // Release the device so that it can be opened again by another window or program.
    delete port.data();
    delete ui;
}

void frmTolvan::closeEvent(QCloseEvent *event)
{
    if (log->isEditing() && log->editedTextChanged()) {
        QMessageBox box(QMessageBox::Question, windowTitle(), QStringLiteral("发送列表 send.txt 已修改, 是否保存?"),
                        QMessageBox::NoButton, this);
        QPushButton *save = box.addButton(QStringLiteral("保存"), QMessageBox::AcceptRole);
        QPushButton *discard = box.addButton(QStringLiteral("不保存"), QMessageBox::DestructiveRole);
        QPushButton *cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
        box.setDefaultButton(save);
        box.setEscapeButton(cancel);
        box.exec();
        const bool closing = (box.clickedButton() == save && saveSendList()) || box.clickedButton() == discard;
        if (!closing) {
            event->ignore();
            return;
        }
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
    portOpen = false;
    port = nullptr;
    readDelay = 10;
    receiveCount = 0;
    sendCount = 0;
    log = new TrafficLog(ui->txtMain, this);

    ui->cboxSendInterval->addItems(AppSettings::Intervals);
    ui->cboxData->addItems(AppSettings::SendList);

    readTimer = makeTimer(this, "readTimer", 100);
    connect(readTimer, &QTimer::timeout, this, &frmTolvan::readData);

    sendTimer = makeTimer(this, "sendTimer");
    connect(sendTimer, &QTimer::timeout, this, qOverload<>(&frmTolvan::sendData));
    connect(ui->btnSend, &QPushButton::clicked, this, qOverload<>(&frmTolvan::sendData));

    saveTimer = makeTimer(this, "saveTimer");
    connect(saveTimer, &QTimer::timeout, this, &frmTolvan::saveData);
    connect(ui->btnSave, &QPushButton::clicked, this, &frmTolvan::saveData);

    ui->tabWidget->setCurrentIndex(0);
    changeEnable(false);

    portCheckTimer = makeTimer(this, "portCheckTimer", 1000);
    connect(portCheckTimer, &QTimer::timeout, this, &frmTolvan::checkComStatus);

    reopenTimer = makeTimer(this, "reopenTimer", 1000);
    connect(reopenTimer, &QTimer::timeout, this, [this] {
        openPort();
        if (portOpen) {
            reopenTimer->stop();
        }
    });

    bridge = new NetBridge(this);
    connect(bridge, &NetBridge::readyRead, this, &frmTolvan::readDataNet);
    connect(bridge, &NetBridge::errorOccurred, this, &frmTolvan::readErrorNet);
    connect(bridge, &NetBridge::message, this, [this](const QString &text) { append(LogInfo, text); });
    connect(bridge, &NetBridge::stateChanged, this,
            [this](bool connected) { ui->btnStart->setText(connected ? textStop : textStart); });

    connectTimer = makeTimer(this, "connectTimer", 3000);
    connect(connectTimer, &QTimer::timeout, this, &frmTolvan::connectNet);
    connectTimer->start();
}

void frmTolvan::initConfig()
{
    // Listing the system's ports takes about 10 ms; the list is completed just after the
    // window has come up.
    ui->cboxPortName->addItems(portNameChoices(QStringList(), AppSettings::PortName));
    QTimer::singleShot(250, this, [this] {
        const QSignalBlocker quiet(ui->cboxPortName);
        for (const QString &name : presentPortNames(0)) {
            if (ui->cboxPortName->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) {
                ui->cboxPortName->addItem(name);
            }
        }
    });
    ui->cboxBaudRate->addItems({"50", "75", "100", "134", "150", "200", "300", "600", "1200", "1800", "2400",
                                "4800", "9600", "14400", "19200", "38400", "56000", "57600", "76800", "115200",
                                "128000", "256000"});
    ui->cboxDataBit->addItems({"5", "6", "7", "8"});
    ui->cboxParity->addItems({"无", "奇", "偶", "标志", "空格"});
    ui->cboxStopBit->addItems({"1", "1.5", "2"});
    ui->cboxSendInterval->addItems(QStringList{"100", "300", "500"} + numbers(1000, 10000, 1000));
    ui->cboxSaveInterval->addItems(numbers(1000, 10000, 1000));
    ui->cboxSleepTime->addItems(QStringList{"0", "10", "50"} + numbers(100, 900, 100));

    const QVector<QPair<QWidget *, const char *>> controls = {
        {ui->cboxPortName, "PortName"},   {ui->cboxBaudRate, "BaudRate"},
        {ui->cboxDataBit, "DataBit"},     {ui->cboxParity, "Parity"},
        {ui->cboxStopBit, "StopBit"},     {ui->ckHexSend, "HexSend"},
        {ui->ckHexReceive, "HexReceive"}, {ui->ckDebug, "Debug"},
        {ui->ckAutoClear, "AutoClear"},   {ui->ckAutoSend, "AutoSend"},
        {ui->ckAutoSave, "AutoSave"},     {ui->ckAutoPrint, "AutoPrint"},
        {ui->cboxSendInterval, "SendInterval"}, {ui->cboxSaveInterval, "SaveInterval"},
        {ui->cboxMode, "Mode"},           {ui->txtServerIP, "ServerIP"},
        {ui->txtServerPort, "ServerPort"}, {ui->txtListenPort, "ListenPort"},
        {ui->cboxSleepTime, "SleepTime"}, {ui->ckAutoConnect, "AutoConnect"},
    };
    // Each control is connected after its value is set, so that filling writes nothing. A
    // stored value the form does not offer (a hand-edited file) takes its default, and the
    // file is repaired, so that form and file agree; the port box offers any stored name.
    bool repaired = false;
    for (const auto &control : controls) {
        bindings.push_back({control.first, AppSettings::setting(QLatin1String(control.second))});
        if (!showSetting(bindings.back())) {
            bindings.back().entry->reset();
            showSetting(bindings.back());
            repaired = true;
        }
        whenSettingChanges(bindings.back(), this, [this] { saveConfig(); });
    }
    if (repaired) {
        AppSettings::writeConfig();
    }

    sendTimer->setInterval(AppSettings::SendInterval);
    saveTimer->setInterval(AppSettings::SaveInterval);
    if (AppSettings::AutoSave) {
        saveTimer->start();
    }
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
    AppSettings::writeConfig();
}

void frmTolvan::changeEnable(bool b)
{
    for (QWidget *w : {static_cast<QWidget *>(ui->cboxBaudRate), static_cast<QWidget *>(ui->cboxDataBit),
                       static_cast<QWidget *>(ui->cboxParity), static_cast<QWidget *>(ui->cboxPortName),
                       static_cast<QWidget *>(ui->cboxStopBit)}) {
        w->setEnabled(!b);
    }
    for (QWidget *w : {static_cast<QWidget *>(ui->btnSend), static_cast<QWidget *>(ui->ckAutoSend),
                       static_cast<QWidget *>(ui->ckAutoSave), static_cast<QWidget *>(ui->ckAutoPrint)}) {
        w->setEnabled(b);
    }
}

// ---- serial session ---------------------------------------------------------------------

void frmTolvan::setSessionOpen(bool open)
{
    portOpen = open;
    changeEnable(open);
    ui->btnOpen->setText(open ? textClosePort : textOpenPort);
}

void frmTolvan::openPort()
{
    // The object of an earlier failed attempt is no longer needed.
    if (port) {
        port->deleteLater();
    }
    port = new SerialLink(ui->cboxPortName->currentText(), this);
    // Queued: the port may fail in the middle of a read or a write.
    connect(port, &SerialLink::failed, this, &frmTolvan::portLost, Qt::QueuedConnection);
    connect(port, &SerialLink::bytesWritten, this, &frmTolvan::resumeNetRead);
    if (!port->open()) {
        portOpen = false;
        return;
    }
    port->flush();
    port->setBaudRate(ui->cboxBaudRate->currentText().toInt());
    port->setDataBits(ui->cboxDataBit->currentText().toInt());
    port->setParity(ui->cboxParity->currentIndex());
    port->setStopBits(ui->cboxStopBit->currentIndex());
    port->setFlowControl(0);
    port->setTimeout(10);

    setSessionOpen(true);
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
    if (port) {
        port->close();
        port->deleteLater();
        port = nullptr;
    }
    setSessionOpen(false);
    resumeNetRead();
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
    const QStringList names = presentPortNames();
    qDebug() << names;
    if (portIsPresent(ui->cboxPortName->currentText(), names) && port && !port->deviceReplaced()) {
        return;
    }
    portLost();
}

void frmTolvan::portLost()
{
    if (!portOpen) {
        return;
    }
    append(LogInfo, QStringLiteral("串口中断异常!!"));
    closePort();
    reopenTimer->start();
}

// ---- traffic log ------------------------------------------------------------------------

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

// ---- sending ----------------------------------------------------------------------------

void frmTolvan::sendData()
{
    const QByteArray frame = buildRequestFrame(ui->pid->text(), ui->fid->currentText(), ui->addr->text(),
                                               ui->value->text());
    const QString text = requestText(frame);
    ui->cboxData->setEditText(text);
    sendData(text);
    if (ui->ckAutoClear->isChecked()) {
        ui->cboxData->setCurrentIndex(-1);
        ui->cboxData->clearEditText();
        ui->cboxData->setFocus();
    }
}

void frmTolvan::sendData(QString data)
{
    if (!port || !port->isOpen()) {
        return;
    }
    if (data.startsWith(QLatin1String("AT"))) {
        data.append(QLatin1Char('\r'));
    }
    const bool hex = ui->ckHexSend->isChecked();
    const QByteArray buffer = hex ? TaviHelper::hexTextToBytes(data) : TaviHelper::namedTextToBytes(data);
    // Only what the port took is logged and counted; a failing port ends the session.
    const qint64 written = port->write(buffer);
    if (written < 0) {
        return;
    }
    if (written == 0 && !buffer.isEmpty()) {
        // Said once until the peer reads again, not for every tick of auto-send.
        if (!sendRefused) {
            append(LogInfo, QStringLiteral("串口发送缓冲已满 (对方未接收), 数据未发送"));
        }
        sendRefused = true;
        return;
    }
    sendRefused = false;
    if (ui->ckAutoPrint->isChecked()) {
        // What went on the wire, not what was typed: a character with no byte of its own went as "?".
        append(LogSerialSend, hex ? TaviHelper::bytesToHexText(buffer) : TaviHelper::bytesToNamedText(buffer));
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
    // A failed save keeps the log, so nothing is lost.
    if (log->save()) {
        on_btnClear_clicked();
    }
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

QString frmTolvan::sendListPath() const
{
    return QStringLiteral("%1/%2").arg(AppSettings::DataDir, AppSettings::SendFileName);
}

void frmTolvan::on_btnData_clicked()
{
    const QString path = sendListPath();
    if (!QFile::exists(path)) {
        return;
    }
    if (log->isEditing()) {
        saveSendList();
        return;
    }
    const SendListText list = readSendListForEditing(path);
    if (!list.error.isEmpty()) {
        append(LogInfo, list.error);
        return;
    }
    log->beginEditing(list.text);
    if (!list.validUtf8) {
        append(LogInfo, QStringLiteral("%1 不是 UTF-8 文本: 不修改则保存时不改写它, 修改后以 UTF-8 保存").arg(path));
    }
    ui->btnData->setText(textSaveData);
}

bool frmTolvan::saveSendList()
{
    // Unchanged text leaves the file's bytes as they are, whatever their encoding.
    if (log->editedTextChanged() && !writeSendList(sendListPath(), log->editedText())) {
        // The edited text stays in the view so that nothing typed is lost.
        append(LogInfo, QStringLiteral("保存数据失败: %1").arg(sendListPath()));
        return false;
    }
    log->endEditing();
    ui->btnData->setText(textManageData);
    AppSettings::readSendData();
    return true;
}

// ---- receiving --------------------------------------------------------------------------

void frmTolvan::readData()
{
    if (!port || port->bytesAvailable() <= 0) {
        return;
    }
    TaviHelper::delayMs(readDelay);
    // The session may have ended while events were processed during the wait.
    if (!port || !port->isOpen()) {
        return;
    }
    const QByteArray data = port->readAll();
    if (data.isEmpty()) {
        return;
    }

    // Stopping the display hides the lines only: counting, answering and forwarding go on.
    const bool hex = ui->ckHexReceive->isChecked();
    const QString display = receptionText(data, hex);
    const QString values = hex ? decodeRegisterValues(data) : QString();

    if (ui->ckDebug->isChecked()) {
        const int index = findReplyIndex(display, AppSettings::DeviceKeys);
        if (index >= 0) {
            sendData(AppSettings::DeviceValues.at(index));
        }
    }

    append(LogSerialReceive, display);
    if (!values.isEmpty()) {
        append(LogValues, values);
    }

    receiveCount += data.size();
    ui->btnReceiveCount->setText(QStringLiteral("接收 : %1 字节").arg(receiveCount));

    if (bridge->isConnected() && bridge->forward(data)) {
        append(LogNetSend, display);
    }
}

// ---- network bridge ---------------------------------------------------------------------

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
    netWaiting = portOpen && port && port->bytesToWrite() > SerialLink::maxPendingWrite / 2;
    if (netWaiting) {
        return;
    }
    const QByteArray data = bridge->take(AppSettings::SleepTime);
    if (data.isEmpty()) {
        return;
    }
    const QString display = ui->ckHexReceive->isChecked() ? TaviHelper::bytesToHexText(data)
                                                          : TaviHelper::bytesToNamedText(data);
    append(LogNetReceive, display);
    if (portOpen && port && port->write(data) >= 0) {
        append(LogSerialSend, display);
    }
}

void frmTolvan::resumeNetRead()
{
    if (netWaiting) {
        netWaiting = false;
        QTimer::singleShot(0, this, &frmTolvan::readDataNet);
    }
}

void frmTolvan::readErrorNet()
{
    bridge->fail();
}

// ---- range calculator -------------------------------------------------------------------

void frmTolvan::on_calculate_pushButton_clicked()
{
    const RangeResult range = computeRange(ui->sensorDown_lineEdit->text(), ui->sensorUp_lineEdit->text(),
                                           ui->signalDown_lineEdit->text(), ui->signalUp_lineEdit->text(),
                                           ui->signalType_comboBox->currentText(),
                                           ui->scale_comboBox->currentIndex());
    if (!range.valid) {
        append(LogInfo, range.error);
        return;
    }
    append(LogInfo, range.actualLine);
    append(LogInfo, range.instrumentLine);
}
