#include "frmtolvan.h"
#include "ui_frmtolvan.h"

#include "appsettings.h"
#include "logformat.h"
#include "portnames.h"
#include "rangecalc.h"
#include "reception.h"
#include "requestframe.h"
#include "seriallink.h"
#include "tavihelper.h"

#include <QCloseEvent>
#include <QDebug>
#include <QEventLoop>
#include <QFile>
#include <QScrollBar>
#include <QTcpSocket>
#include <QTextBlock>
#include <QTextCursor>
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
const int maxLogLines = 100;

void selectByText(QComboBox *box, const QString &text)
{
    box->setCurrentIndex(box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
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
    reopenTimer->stop();
    QWidget::closeEvent(event);
}

void frmTolvan::initForm()
{
    portOpen = false;
    port = nullptr;
    readDelay = 10;
    receiveCount = 0;
    sendCount = 0;
    showEnabled = true;

    ui->cboxSendInterval->addItems(AppSettings::Intervals);
    ui->cboxData->addItems(AppSettings::SendList);
    ui->txtMain->setUndoRedoEnabled(false);

    readTimer = new QTimer(this);
    readTimer->setObjectName(QStringLiteral("readTimer"));
    readTimer->setInterval(100);
    connect(readTimer, &QTimer::timeout, this, &frmTolvan::readData);

    sendTimer = new QTimer(this);
    sendTimer->setObjectName(QStringLiteral("sendTimer"));
    connect(sendTimer, &QTimer::timeout, this, qOverload<>(&frmTolvan::sendData));
    connect(ui->btnSend, &QPushButton::clicked, this, qOverload<>(&frmTolvan::sendData));

    saveTimer = new QTimer(this);
    saveTimer->setObjectName(QStringLiteral("saveTimer"));
    connect(saveTimer, &QTimer::timeout, this, &frmTolvan::saveData);
    connect(ui->btnSave, &QPushButton::clicked, this, &frmTolvan::saveData);

    ui->tabWidget->setCurrentIndex(0);
    changeEnable(false);

    portCheckTimer = new QTimer(this);
    portCheckTimer->setObjectName(QStringLiteral("portCheckTimer"));
    portCheckTimer->setInterval(1000);
    connect(portCheckTimer, &QTimer::timeout, this, &frmTolvan::checkComStatus);

    reopenTimer = new QTimer(this);
    reopenTimer->setObjectName(QStringLiteral("reopenTimer"));
    reopenTimer->setInterval(1000);
    connect(reopenTimer, &QTimer::timeout, this, [this] {
        openPort();
        if (portOpen) {
            reopenTimer->stop();
        }
    });

    netConnected = false;
    tcpSocket = new QTcpSocket(this);
    tcpSocket->setObjectName(QStringLiteral("tcpSocket"));
    // A flooding server is held back by TCP rather than filling memory and the log at once.
    tcpSocket->setReadBufferSize(SerialLink::readBufferBytes);
    tcpSocket->abort();
    connect(tcpSocket, &QTcpSocket::readyRead, this, &frmTolvan::readDataNet);
    connect(tcpSocket, &QAbstractSocket::errorOccurred, this, &frmTolvan::readErrorNet);
    // A connection that completes after the short wait still enters the connected state.
    connect(tcpSocket, &QAbstractSocket::connected, this, &frmTolvan::enterNetConnected);

    connectTimer = new QTimer(this);
    connectTimer->setObjectName(QStringLiteral("connectTimer"));
    connect(connectTimer, &QTimer::timeout, this, &frmTolvan::connectNet);
    connectTimer->setInterval(3000);
    connectTimer->start();
}

void frmTolvan::initConfig()
{
    // Listing the system's ports takes about 10 ms; the list is completed just after the
    // window has come up.
    ui->cboxPortName->addItems(portNameChoices(QStringList(), AppSettings::PortName));
    QTimer::singleShot(250, this, [this] {
        QStringList names;
        for (int i = 0; i < ui->cboxPortName->count(); ++i) {
            names << ui->cboxPortName->itemText(i);
        }
        const QSignalBlocker quiet(ui->cboxPortName);
        for (const QString &name : presentPortNames(0)) {
            if (!names.contains(name)) {
                ui->cboxPortName->addItem(name);
            }
        }
    });
    selectByText(ui->cboxPortName, AppSettings::PortName);
    connect(ui->cboxPortName, SIGNAL(currentIndexChanged(int)), this, SLOT(saveConfig()));

    ui->cboxBaudRate->addItems({"50", "75", "100", "134", "150", "200", "300", "600", "1200", "1800", "2400",
                                "4800", "9600", "14400", "19200", "38400", "56000", "57600", "76800", "115200",
                                "128000", "256000"});
    selectByText(ui->cboxBaudRate, QString::number(AppSettings::BaudRate));
    connect(ui->cboxBaudRate, SIGNAL(currentIndexChanged(int)), this, SLOT(saveConfig()));

    ui->cboxDataBit->addItems({"5", "6", "7", "8"});
    selectByText(ui->cboxDataBit, QString::number(AppSettings::DataBit));
    connect(ui->cboxDataBit, SIGNAL(currentIndexChanged(int)), this, SLOT(saveConfig()));

    ui->cboxParity->addItems({"无", "奇", "偶", "标志", "空格"});
    selectByText(ui->cboxParity, AppSettings::Parity);
    connect(ui->cboxParity, SIGNAL(currentIndexChanged(int)), this, SLOT(saveConfig()));

    ui->cboxStopBit->addItems({"1", "1.5", "2"});
    selectByText(ui->cboxStopBit, QString::number(AppSettings::StopBit));
    connect(ui->cboxStopBit, SIGNAL(currentIndexChanged(int)), this, SLOT(saveConfig()));

    const QList<QPair<QCheckBox *, bool>> checks = {
        {ui->ckHexSend, AppSettings::HexSend},   {ui->ckHexReceive, AppSettings::HexReceive},
        {ui->ckDebug, AppSettings::Debug},       {ui->ckAutoClear, AppSettings::AutoClear},
        {ui->ckAutoSend, AppSettings::AutoSend}, {ui->ckAutoSave, AppSettings::AutoSave},
        {ui->ckAutoPrint, AppSettings::AutoPrint},
    };
    for (const auto &check : checks) {
        check.first->setChecked(check.second);
        connect(check.first, SIGNAL(stateChanged(int)), this, SLOT(saveConfig()));
    }

    QStringList sendIntervals = {"100", "300", "500"};
    QStringList saveIntervals;
    for (int i = 1000; i <= 10000; i += 1000) {
        sendIntervals << QString::number(i);
        saveIntervals << QString::number(i);
    }
    ui->cboxSendInterval->addItems(sendIntervals);
    ui->cboxSaveInterval->addItems(saveIntervals);
    selectByText(ui->cboxSendInterval, QString::number(AppSettings::SendInterval));
    connect(ui->cboxSendInterval, SIGNAL(currentIndexChanged(int)), this, SLOT(saveConfig()));
    selectByText(ui->cboxSaveInterval, QString::number(AppSettings::SaveInterval));
    connect(ui->cboxSaveInterval, SIGNAL(currentIndexChanged(int)), this, SLOT(saveConfig()));

    sendTimer->setInterval(AppSettings::SendInterval);
    saveTimer->setInterval(AppSettings::SaveInterval);
    if (AppSettings::AutoSend) {
        sendTimer->start();
    }
    if (AppSettings::AutoSave) {
        saveTimer->start();
    }

    selectByText(ui->cboxMode, AppSettings::Mode);
    connect(ui->cboxMode, SIGNAL(currentIndexChanged(int)), this, SLOT(saveConfig()));

    ui->txtServerIP->setText(AppSettings::ServerIP);
    ui->txtServerPort->setText(QString::number(AppSettings::ServerPort));
    ui->txtListenPort->setText(QString::number(AppSettings::ListenPort));
    connect(ui->txtServerIP, SIGNAL(textChanged(QString)), this, SLOT(saveConfig()));
    connect(ui->txtServerPort, SIGNAL(textChanged(QString)), this, SLOT(saveConfig()));
    connect(ui->txtListenPort, SIGNAL(textChanged(QString)), this, SLOT(saveConfig()));

    QStringList sleepTimes = {"0", "10", "50"};
    for (int i = 100; i <= 900; i += 100) {
        sleepTimes << QString::number(i);
    }
    ui->cboxSleepTime->addItems(sleepTimes);
    selectByText(ui->cboxSleepTime, QString::number(AppSettings::SleepTime));
    connect(ui->cboxSleepTime, SIGNAL(currentIndexChanged(int)), this, SLOT(saveConfig()));

    ui->ckAutoConnect->setChecked(AppSettings::AutoConnect);
    connect(ui->ckAutoConnect, SIGNAL(stateChanged(int)), this, SLOT(saveConfig()));
}

void frmTolvan::saveConfig()
{
    AppSettings::PortName = ui->cboxPortName->currentText();
    AppSettings::BaudRate = ui->cboxBaudRate->currentText().toInt();
    AppSettings::DataBit = ui->cboxDataBit->currentText().toInt();
    AppSettings::Parity = ui->cboxParity->currentText();
    AppSettings::StopBit = ui->cboxStopBit->currentText().toDouble();

    AppSettings::HexSend = ui->ckHexSend->isChecked();
    AppSettings::HexReceive = ui->ckHexReceive->isChecked();
    AppSettings::Debug = ui->ckDebug->isChecked();
    AppSettings::AutoClear = ui->ckAutoClear->isChecked();
    AppSettings::AutoSend = ui->ckAutoSend->isChecked();
    AppSettings::AutoSave = ui->ckAutoSave->isChecked();
    AppSettings::AutoPrint = ui->ckAutoPrint->isChecked();

    const int sendInterval = ui->cboxSendInterval->currentText().toInt();
    if (sendInterval != AppSettings::SendInterval) {
        AppSettings::SendInterval = sendInterval;
        sendTimer->setInterval(sendInterval);
    }
    const int saveInterval = ui->cboxSaveInterval->currentText().toInt();
    if (saveInterval != AppSettings::SaveInterval) {
        AppSettings::SaveInterval = saveInterval;
        saveTimer->setInterval(saveInterval);
    }

    AppSettings::Mode = ui->cboxMode->currentText();
    AppSettings::ServerIP = ui->txtServerIP->text().trimmed();
    AppSettings::ServerPort = ui->txtServerPort->text().toInt();
    AppSettings::ListenPort = ui->txtListenPort->text().toInt();
    AppSettings::SleepTime = ui->cboxSleepTime->currentText().toInt();
    AppSettings::AutoConnect = ui->ckAutoConnect->isChecked();

    AppSettings::writeConfig();
}

void frmTolvan::changeEnable(bool b)
{
    ui->cboxBaudRate->setEnabled(!b);
    ui->cboxDataBit->setEnabled(!b);
    ui->cboxParity->setEnabled(!b);
    ui->cboxPortName->setEnabled(!b);
    ui->cboxStopBit->setEnabled(!b);
    ui->btnSend->setEnabled(b);
    ui->ckAutoSend->setEnabled(b);
    ui->ckAutoSave->setEnabled(b);
    ui->ckAutoPrint->setEnabled(b);
}

// ---- serial session ---------------------------------------------------------------------

void frmTolvan::openPort()
{
    // The object of an earlier failed attempt is no longer needed.
    if (port) {
        port->deleteLater();
    }
    port = new SerialLink(ui->cboxPortName->currentText());
    portOpen = port->open();
    if (!portOpen) {
        return;
    }
    port->flush();
    port->setBaudRate(ui->cboxBaudRate->currentText().toInt());
    port->setDataBits(ui->cboxDataBit->currentText().toInt());
    port->setParity(ui->cboxParity->currentIndex());
    port->setStopBits(ui->cboxStopBit->currentIndex());
    port->setFlowControl(0);
    port->setTimeout(10);

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
    if (port) {
        port->close();
        port->deleteLater();
        port = nullptr;
    }
    changeEnable(false);
    ui->btnOpen->setText(textOpenPort);
    // With auto-save on, the lines about to be cleared go to the log file first.
    if (ui->ckAutoSave->isChecked()) {
        QString failedPath;
        if (!saveLogText(&failedPath)) {
            append(LogInfo, QStringLiteral("保存数据失败: %1").arg(failedPath));
        }
    }
    on_btnClear_clicked();
    portOpen = false;
    append(LogInfo, QStringLiteral("关闭串口!!"));
}

void frmTolvan::on_btnOpen_clicked()
{
    reopenTimer->stop();
    if (ui->btnOpen->text() == textOpenPort) {
        openPort();
    } else {
        closePort();
    }
}

void frmTolvan::checkComStatus()
{
    if (ui->btnOpen->text() == textOpenPort) {
        return;
    }
    const QStringList names = presentPortNames();
    qDebug() << names;
    if (portIsPresent(ui->cboxPortName->currentText(), names)) {
        return;
    }
    append(LogInfo, QStringLiteral("串口中断异常!!"));
    closePort();
    reopenTimer->start();
}

// ---- traffic log ------------------------------------------------------------------------

bool frmTolvan::editingSendList() const
{
    return ui->btnData->text() == textSaveData;
}

void frmTolvan::showLine(const QString &line, const QColor &color)
{
    if (lineCount >= maxLogLines) {
        // With auto-save on, the lines about to be dropped go to the log file first.
        QString failedPath;
        const bool saved = !ui->ckAutoSave->isChecked() || saveLogText(&failedPath);
        append(0, QString(), true);
        if (!saved) {
            append(LogInfo, QStringLiteral("保存数据失败: %1").arg(failedPath));
        }
    }
    if (!showEnabled) {
        return;
    }
    QTextEdit *view = ui->txtMain;
    QTextDocument *doc = view->document();
    QTextCursor cursor(doc);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    if (!doc->isEmpty()) {
        cursor.insertBlock();
    }
    QTextCharFormat format;
    format.setForeground(color);
    // Kerning does nothing visible for hex digits and log text, but costs a third of the
    // layout time of long receptions.
    format.setFontKerning(false);
    // Plain text: received bytes that look like markup are shown as they are.
    cursor.insertText(line, format);
    cursor.endEditBlock();
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    ++lineCount;
}

void frmTolvan::append(int type, const QString &data, bool clear)
{
    if (clear) {
        ui->txtMain->clear();
        lineCount = 0;
        return;
    }
    if (editingSendList()) {
        if (showEnabled) {
            heldLines.append(qMakePair(logLine(type, QTime::currentTime(), data), logColor(type)));
        }
        return;
    }
    if (!showEnabled && lineCount < maxLogLines) {
        return;
    }
    showLine(logLine(type, QTime::currentTime(), data), logColor(type));
}

void frmTolvan::on_btnClear_clicked()
{
    append(0, QString(), true);
}

void frmTolvan::on_btnStopShow_clicked()
{
    if (ui->btnStopShow->text() == textStopShow) {
        showEnabled = false;
        ui->btnStopShow->setText(textStartShow);
    } else {
        showEnabled = true;
        ui->btnStopShow->setText(textStopShow);
    }
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
    const QByteArray buffer = ui->ckHexSend->isChecked() ? TaviHelper::hexTextToBytes(data)
                                                         : TaviHelper::namedTextToBytes(data);
    port->write(buffer);
    if (ui->ckAutoPrint->isChecked()) {
        append(LogSerialSend, data);
    }
    sendCount += buffer.size();
    ui->btnSendCount->setText(QStringLiteral("发送 : %1 字节").arg(sendCount));
}

bool frmTolvan::saveLogText(QString *failedPath)
{
    const QString text = ui->txtMain->toPlainText();
    if (text.isEmpty()) {
        return true;
    }
    const QString path = logFilePath(AppSettings::DataDir, QDateTime::currentDateTime());
    if (!appendLogFile(path, text)) {
        *failedPath = path;
        return false;
    }
    return true;
}

void frmTolvan::saveData()
{
    // While send.txt is being edited the view holds the list, not the log.
    if (editingSendList() || ui->txtMain->document()->isEmpty()) {
        return;
    }
    QString failedPath;
    if (!saveLogText(&failedPath)) {
        // The log stays, so nothing is lost.
        append(LogInfo, QStringLiteral("保存数据失败: %1").arg(failedPath));
        return;
    }
    on_btnClear_clicked();
}

void frmTolvan::on_ckAutoSend_stateChanged(int arg1)
{
    ui->cboxSendInterval->setEnabled(arg1 != 0);
    if (arg1 != 0) {
        sendTimer->start();
    } else {
        sendTimer->stop();
    }
}

void frmTolvan::on_ckAutoSave_stateChanged(int arg1)
{
    ui->cboxSaveInterval->setEnabled(arg1 != 0);
    if (arg1 != 0) {
        saveTimer->start();
    } else {
        saveTimer->stop();
    }
}

void frmTolvan::on_btnData_clicked()
{
    const QString path = QStringLiteral("%1/%2").arg(AppSettings::DataDir, AppSettings::SendFileName);
    if (!QFile::exists(path)) {
        return;
    }
    if (!editingSendList()) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            append(LogInfo, QStringLiteral("读取数据失败: %1").arg(path));
            return;
        }
        ui->txtMain->setReadOnly(false);
        append(0, QString(), true);
        ui->txtMain->setPlainText(QString::fromUtf8(file.readAll()));
        ui->btnData->setText(textSaveData);
        return;
    }

    QFile file(path);
    const QByteArray content = ui->txtMain->toPlainText().toUtf8();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)
        || file.write(content) != content.size()) {
        // Keep the edited text in the view so that nothing typed is lost.
        heldLines.append(qMakePair(logLine(LogInfo, QTime::currentTime(), QStringLiteral("保存数据失败: %1").arg(path)),
                                   logColor(LogInfo)));
        return;
    }
    file.close();
    ui->txtMain->setReadOnly(true);
    append(0, QString(), true);
    ui->btnData->setText(textManageData);
    AppSettings::readSendData();

    const auto held = heldLines;
    heldLines.clear();
    for (const auto &line : held) {
        showLine(line.first, line.second);
    }
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

    if (netConnected) {
        tcpSocket->write(data);
        append(LogNetSend, display);
    }
}

// ---- network bridge ---------------------------------------------------------------------

void frmTolvan::enterNetConnected()
{
    if (netConnected) {
        return;
    }
    ui->btnStart->setText(textStop);
    append(LogInfo, QStringLiteral("连接服务器成功"));
    netConnected = true;
}

void frmTolvan::connectAttempt()
{
    if (tcpSocket->state() != QAbstractSocket::UnconnectedState) {
        tcpSocket->abort();
    }
    tcpSocket->connectToHost(AppSettings::ServerIP, static_cast<quint16>(AppSettings::ServerPort),
                             QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
    // Give a quick answer 100 ms, with events flowing. Unlike waitForConnected, this leaves a
    // slower attempt running: when it completes, connected() enters the connected state.
    QEventLoop loop;
    connect(tcpSocket, &QAbstractSocket::connected, &loop, &QEventLoop::quit);
    connect(tcpSocket, &QAbstractSocket::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(100, &loop, &QEventLoop::quit);
    if (tcpSocket->state() != QAbstractSocket::ConnectedState) {
        loop.exec();
    }
    if (tcpSocket->state() == QAbstractSocket::ConnectedState) {
        enterNetConnected();
    }
}

void frmTolvan::on_btnStart_clicked()
{
    if (ui->btnStart->text() != textStart) {
        tcpSocket->disconnectFromHost();
        if (tcpSocket->state() != QAbstractSocket::UnconnectedState && !tcpSocket->waitForDisconnected(100)) {
            return;
        }
        ui->btnStart->setText(textStart);
        append(LogInfo, QStringLiteral("断开服务器成功"));
        netConnected = false;
        return;
    }
    if (AppSettings::ServerIP.isEmpty() || AppSettings::ServerPort == 0) {
        append(LogInfo, QStringLiteral("IP地址和远程端口不能为空"));
        return;
    }
    connectAttempt();
}

void frmTolvan::connectNet()
{
    if (netConnected || !AppSettings::AutoConnect || ui->btnStart->text() != textStart
        || AppSettings::ServerIP.isEmpty() || AppSettings::ServerPort == 0) {
        return;
    }
    // An attempt still under way is given its time rather than restarted.
    if (tcpSocket->state() == QAbstractSocket::HostLookupState
        || tcpSocket->state() == QAbstractSocket::ConnectingState) {
        return;
    }
    connectAttempt();
}

void frmTolvan::readDataNet()
{
    if (tcpSocket->bytesAvailable() <= 0) {
        return;
    }
    TaviHelper::delayMs(AppSettings::SleepTime);
    const QByteArray data = tcpSocket->readAll();
    if (data.isEmpty()) {
        return;
    }
    const QString display = ui->ckHexReceive->isChecked() ? TaviHelper::bytesToHexText(data)
                                                          : TaviHelper::bytesToNamedText(data);
    append(LogNetReceive, display);
    if (portOpen && port) {
        port->write(data);
        append(LogSerialSend, display);
    }
    // With a bounded buffer, data already waiting raises no new readyRead.
    if (tcpSocket->bytesAvailable() > 0) {
        QTimer::singleShot(0, this, &frmTolvan::readDataNet);
    }
}

void frmTolvan::readErrorNet()
{
    ui->btnStart->setText(textStart);
    append(LogInfo, QStringLiteral("连接服务器失败,%1").arg(tcpSocket->errorString()));
    tcpSocket->disconnectFromHost();
    netConnected = false;
}

// ---- range calculator -------------------------------------------------------------------

void frmTolvan::on_calculate_pushButton_clicked()
{
    const RangeResult range = computeRange(ui->sensorDown_lineEdit->text(), ui->sensorUp_lineEdit->text(),
                                           ui->signalDown_lineEdit->text(), ui->signalUp_lineEdit->text(),
                                           ui->signalType_comboBox->currentText(),
                                           ui->scale_comboBox->currentIndex());
    if (!range.valid) {
        append(LogInfo, QStringLiteral("信号输入的两个点不能相同"));
        return;
    }
    append(LogInfo, range.actualLine);
    append(LogInfo, range.instrumentLine);
}
