#include "consolesession.h"

#include "appsettings.h"
#include "logformat.h"
#include "modbustcp.h"
#include "netbridge.h"
#include "portnames.h"
#include "seriallink.h"
#include "simulator.h"
#include "tavihelper.h"

#include <QTimer>

namespace {
QTimer *makeTimer(QObject *owner, const char *name, int interval)
{
    auto *timer = new QTimer(owner);
    timer->setObjectName(QLatin1String(name));
    timer->setInterval(interval);
    return timer;
}
} // namespace

ConsoleSession::Options ConsoleSession::optionsFromConfig()
{
    Options o;
    o.hexSend = AppSettings::HexSend;
    o.hexReceive = AppSettings::HexReceive;
    o.autoPrint = AppSettings::AutoPrint;
    o.deviceSimulation = AppSettings::Debug;
    o.format = formatFromSetting(AppSettings::ValueFormat);
    o.deviceKeys = AppSettings::DeviceKeys;
    o.deviceValues = AppSettings::DeviceValues;
    o.netMode = AppSettings::Mode;
    o.serverIP = AppSettings::ServerIP;
    o.serverPort = AppSettings::ServerPort;
    o.listenAddress = AppSettings::ListenAddress;
    o.listenPort = AppSettings::ListenPort;
    o.netSleepMs = AppSettings::SleepTime;
    o.autoConnect = AppSettings::AutoConnect;
    o.transport = AppSettings::Transport;
    return o;
}

ConsoleSession::ConsoleSession(QObject *parent)
    : QObject(parent), bridge(new NetBridge(this)), tcp(new TcpTransport(this)),
      readTimer(makeTimer(this, "readTimer", readIntervalMs)),
      portCheckTimer(makeTimer(this, "portCheckTimer", 1000)),
      reopenTimer(makeTimer(this, "reopenTimer", 1000)),
      connectTimer(makeTimer(this, "connectTimer", 3000))
{
    connect(readTimer, &QTimer::timeout, this, &ConsoleSession::readData);
    connect(portCheckTimer, &QTimer::timeout, this, &ConsoleSession::checkComStatus);
    connect(reopenTimer, &QTimer::timeout, this, [this] {
        if (open(line)) {
            reopenTimer->stop();
        }
    });
    connect(connectTimer, &QTimer::timeout, this, &ConsoleSession::connectNet);
    connectTimer->start();

    connect(bridge, &NetBridge::readyRead, this, &ConsoleSession::readDataNet);
    connect(bridge, &NetBridge::errorOccurred, this, &ConsoleSession::readErrorNet);
    connect(bridge, &NetBridge::message, this,
            [this](const QString &text) { emit logLine(LogInfo, text); });
    connect(bridge, &NetBridge::stateChanged, this, &ConsoleSession::bridgeStateChanged);
    connect(tcp, &TcpTransport::received, this, &ConsoleSession::tcpReceived);
    connect(tcp, &TcpTransport::message, this,
            [this](const QString &text) { emit logLine(LogInfo, text); });
}

ConsoleSession::~ConsoleSession()
{
    // Release the device at once, so that it can be opened again by another program.
    delete link.data();
}

bool ConsoleSession::open(const PortSettings &settings)
{
    reopenTimer->stop();
    if (isOpen()) {
        return true;
    }
    line = settings;
    if (monitoring) {
        emit openFailed(tr("总线监听中: 串口由监听只读使用"));
        return false;
    }
    // The object of an earlier failed attempt is no longer needed.
    if (link) {
        link->deleteLater();
    }
    link = new SerialLink(this);
    // Queued: the port may fail in the middle of a read or a write. By then the user may have
    // opened it anew: only the failed link's session is lost.
    connect(
        link, &SerialLink::failed, this,
        [this, failed = ++linkCount] {
            if (linkCount == failed) {
                portLost();
            }
        },
        Qt::QueuedConnection);
    connect(link, &SerialLink::bytesWritten, bridge, &NetBridge::resume);
    updateWake();
    connect(link, &SerialLink::arrived, this, [this] {
        if (simulator && isOpen()) {
            pullArrived();
        }
    });
    // A stream faster than the tick is shown as it fills the link, not held back to the tick.
    connect(
        link, &SerialLink::held, this,
        [this] {
            if (isOpen()) {
                takeReception(0);
            }
        },
        Qt::QueuedConnection);
    connect(link, &SerialLink::refused, this,
            [this] { emit logLine(LogInfo, tr("串口发送缓冲已满 (对方未接收), 数据未发送")); });
    if (!link->open(line)) {
        emit openFailed(link->openFailure());
        return false;
    }
    readTimer->start();
    portCheckTimer->start();
    if (simulator) {
        simulator->setLine(link->lineSettings());
    }
    emit opened();
    emit logLine(LogInfo, tr("打开串口成功!!"));
    if (line.baudRate > 0 && link->lineSettings().baudRate != line.baudRate) {
        emit logLine(LogInfo, tr("串口不接受波特率 %1, 仍为 %2")
                                  .arg(line.baudRate)
                                  .arg(link->lineSettings().baudRate));
    }
    modemLines = -2; // told at the first tick, whatever it is
    readModemLines();
    return true;
}

qint64 ConsoleSession::bytesToWrite() const
{
    return isOpen() ? link->bytesToWrite() : 0;
}

PortSettings ConsoleSession::lineSettings() const
{
    return isOpen() ? link->lineSettings() : line;
}

void ConsoleSession::setRequestToSend(bool on)
{
    if (isOpen() && !link->setRequestToSend(on)) {
        emit logLine(LogInfo, tr("串口不接受 RTS 设置"));
        emit modemLinesChanged(modemLines); // the switch shows what the line has
    }
    readModemLines();
}

void ConsoleSession::setDataTerminalReady(bool on)
{
    if (isOpen() && !link->setDataTerminalReady(on)) {
        emit logLine(LogInfo, tr("串口不接受 DTR 设置"));
        emit modemLinesChanged(modemLines);
    }
    readModemLines();
}

void ConsoleSession::readModemLines()
{
    // A port that cannot tell its lines is not asked again until it is opened anew.
    if (modemLines == -1 && isOpen()) {
        return;
    }
    const int lines = isOpen() ? link->modemLines() : -1;
    if (lines != modemLines) {
        modemLines = lines;
        emit modemLinesChanged(lines);
    }
}

void ConsoleSession::closeLink()
{
    readTimer->stop();
    portCheckTimer->stop();
    if (link) {
        link->close();
        link->deleteLater();
        link = nullptr;
    }
    showReceived(); // what was read before the end
    pipeline.reset();
    bridge->resume();
    if (modemLines != -1) {
        modemLines = -1;
        emit modemLinesChanged(-1);
    }
}

void ConsoleSession::close()
{
    reopenTimer->stop();
    if (!isOpen()) {
        return;
    }
    closeLink();
    emit closed(false);
    emit logLine(LogInfo, tr("关闭串口!!"));
}

void ConsoleSession::portLost()
{
    if (!link) {
        return;
    }
    closeLink();
    emit closed(true);
    emit logLine(LogInfo, tr("关闭串口!!"));
    // After the close's line, so that an unplugged port does not look like a normal close.
    emit logLine(LogInfo, tr("串口中断异常!!"));
    reopenTimer->start();
}

void ConsoleSession::setMonitoring(bool on)
{
    if (on == monitoring) {
        return;
    }
    if (on) {
        close();
    }
    monitoring = on;
    emit monitoringChanged(on);
}

bool ConsoleSession::isOpen() const
{
    return link && link->isOpen();
}

void ConsoleSession::checkComStatus()
{
    if (link && (!portIsPresent(link->portName(), presentPortNames()) || link->deviceReplaced())) {
        portLost();
    }
}

qint64 ConsoleSession::write(const QByteArray &bytes, bool counted)
{
    const qint64 written = isOpen() ? link->write(bytes) : -1;
    noteWritten(bytes, written, counted);
    return written;
}

void ConsoleSession::noteWritten(const QByteArray &bytes, qint64 written, bool counted)
{
    if (written > 0) {
        if (counted) {
            sentCount += written;
        }
        emit sent(bytes.left(int(written)));
    }
}

bool ConsoleSession::sendText(QString text, bool request)
{
    if (text.startsWith(QLatin1String("AT"))) {
        text.append(QLatin1Char('\r'));
    }
    const QByteArray bytes =
        opts.hexSend ? TaviHelper::hexTextToBytes(text) : TaviHelper::namedTextToBytes(text);
    return sendBytes(bytes, request, opts.hexSend);
}

bool ConsoleSession::sendBytes(const QByteArray &bytes, bool request, bool hexLog)
{
    if (request && viaTcp()) {
        return sendOverTcp(bytes);
    }
    if (!isOpen()) {
        return false;
    }
    if (request) {
        takeReception(0);
    }
    // Only what the port took is logged; a failing port ends the session.
    if (write(bytes, true) != bytes.size()) {
        return false;
    }
    ModbusRequest parsed;
    if (request && parseRequest(bytes, &parsed)) {
        emit requestSent(parsed);
        pipeline.sent(
            parsed, monotonicMs(),
            replyTimeoutMs(characterMs(link->lineSettings()), bytes.size(), parsed.replyLength));
        updateWake();
    }
    if (opts.autoPrint) {
        // What went on the wire, not what was typed: a character with no byte of its own went as
        // "?".
        emit logLine(LogSerialSend, hexLog ? TaviHelper::bytesToHexText(bytes)
                                           : TaviHelper::bytesToNamedText(bytes));
    }
    return true;
}

bool ConsoleSession::sendOverTcp(const QByteArray &bytes)
{
    ModbusRequest parsed;
    if (!parseRequest(bytes, &parsed)) {
        emit logLine(LogInfo, tr("经 TCP 只发送 Modbus 请求, 未发送"));
        return false;
    }
    if (!tcp->send(bytes)) {
        return false;
    }
    sentCount += bytes.size();
    emit sent(bytes);
    emit requestSent(parsed);
    pipeline.sent(parsed, monotonicMs(), tcpReplyMs);
    if (opts.autoPrint) {
        emit logLine(LogNetSend, TaviHelper::bytesToHexText(bytes));
    }
    // The tick tells the requests whose time is up, port or no port; restarting it at every
    // request would keep it from ever firing under a fast auto-send.
    if (!readTimer->isActive()) {
        readTimer->start();
    }
    return true;
}

void ConsoleSession::tcpReceived(const QByteArray &bytes)
{
    receivedCount += bytes.size();
    emit received(bytes);
    const ReceivePipeline::Reception r =
        pipeline.receive({{bytes, monotonicMs()}}, opts.hexReceive, opts.format);
    emit logLine(LogNetReceive, r.display);
    showDecoded(r.decoded);
}

bool ConsoleSession::rowIsGood(const RequestRow &row)
{
    if (row.frame.isEmpty()) {
        if (row.error != rowError) {
            rowError = row.error;
            emit logLine(LogInfo, tr("请求未发送: ") + row.error);
        }
        return false;
    }
    rowError.clear();
    return true;
}

bool ConsoleSession::sendRequest(const RequestRow &row)
{
    // Over TCP the frame goes as bytes: the text settings are the serial line's.
    return rowIsGood(row)
           && (viaTcp() ? sendBytes(row.frame, true, true)
                        : sendText(requestText(row.frame), true));
}

bool ConsoleSession::sendFrame(const RequestRow &row)
{
    return rowIsGood(row) && sendBytes(row.frame, true, true);
}

void ConsoleSession::readData()
{
    readModemLines();
    takeReception(readDelayMs);
    if (isOpen() || viaTcp()) {
        showDecoded(pipeline.expire(monotonicMs(), opts.format));
    }
    if (isOpen()) {
        updateWake();
    }
    if (!isOpen() && pipeline.pendingCount() == 0) {
        readTimer->stop(); // nothing left to wait for without a port
    }
}

void ConsoleSession::showDecoded(const QVector<ReplyDecode> &decoded)
{
    // Replies are decoded in hexadecimal mode only; a silence is told in both.
    for (const ReplyDecode &d : decoded) {
        if (endsRequest(d.kind)) {
            emit requestEnded(d);
        }
        if (!d.text.isEmpty() && (opts.hexReceive || d.kind == ReplyDecode::NoReply)) {
            emit logLine(LogValues, d.text);
            emit replyDecoded(d);
        }
    }
}

void ConsoleSession::takeReception(int delayMs)
{
    if (link && link->bytesAvailable() > 0) {
        if (delayMs > 0) {
            TaviHelper::delayMs(delayMs);
        }
        // The session may have ended while events were processed during the wait.
        if (!isOpen()) {
            return;
        }
        pullArrived();
    }
    showReceived();
}

void ConsoleSession::pullArrived()
{
    const QVector<ReceivedPiece> fresh = link->readAll();
    unshown += fresh;
    for (const ReceivedPiece &piece : fresh) {
        if (simulator) {
            simulator->feed(piece.bytes);
        }
    }
}

void ConsoleSession::showReceived()
{
    if (unshown.isEmpty()) {
        return;
    }
    const QVector<ReceivedPiece> pieces = std::exchange(unshown, {});
    const ReceivePipeline::Reception r = pipeline.receive(pieces, opts.hexReceive, opts.format);
    const QByteArray &bytes = r.bytes;
    receivedCount += bytes.size();
    emit received(bytes);
    emit logLine(LogSerialReceive, r.display);
    showDecoded(r.decoded);
    // The answer follows the request it answers, in the log as on the line.
    if (opts.deviceSimulation) {
        const int index = findReplyIndex(r.matchText, opts.deviceKeys, opts.hexReceive);
        if (index >= 0 && index < opts.deviceValues.size()) {
            sendText(opts.deviceValues.at(index));
        }
    }
    // A simulated device's TCP clients speak Modbus TCP: serial bytes would garble it.
    if (!simulator && bridge->isConnected() && bridge->forward(bytes)) {
        emit logLine(LogNetSend, r.matchText);
    }
}

void ConsoleSession::updateWake()
{
    // A reply is timed from its arrival, not from the tick that reads it; a simulated device
    // answers the moment a request is whole.
    link->setWakeOnArrival(simulator || pipeline.pendingCount() > 0);
}

void ConsoleSession::answerSimulated(const QByteArray &bytes)
{
    // On the line first, shown after the request it answers.
    const qint64 written = isOpen() ? link->write(bytes) : -1;
    showReceived();
    noteWritten(bytes, written, true);
    if (written == bytes.size() && opts.autoPrint) {
        emit logLine(LogSerialSend, TaviHelper::bytesToHexText(bytes));
    }
}

void ConsoleSession::setSimulator(DeviceSimulator *device)
{
    if (simulator) {
        disconnect(simulator, nullptr, this, nullptr);
        disconnect(bridge, &NetBridge::clientGone, simulator, nullptr);
    }
    simulator = device;
    if (link) {
        updateWake();
    }
    if (!device) {
        return;
    }
    device->setLine(lineSettings());
    connect(device, &DeviceSimulator::reply, this, &ConsoleSession::answerSimulated);
    connect(device, &DeviceSimulator::replyTo, this, [this](quintptr peer, const QByteArray &b) {
        if (bridge->sendToClient(peer, b) && opts.autoPrint) {
            emit logLine(LogNetSend, TaviHelper::bytesToHexText(b));
        }
    });
    connect(bridge, &NetBridge::clientGone, device, &DeviceSimulator::forgetPeer);
}

bool ConsoleSession::bridgeConnected() const
{
    return bridge->isConnected();
}

namespace {
NetBridge::Target targetOf(const ConsoleSession::Options &o)
{
    return {NetBridge::modeFromText(o.netMode), o.serverIP.trimmed(), o.serverPort,
            o.listenAddress.trimmed(), o.listenPort};
}
} // namespace

void ConsoleSession::setOptions(const Options &options)
{
    const NetBridge::Target was = targetOf(opts);
    const NetBridge::Target now = targetOf(options);
    opts = options;
    if (viaTcp()) {
        tcp->setTarget(opts.transport == QLatin1String("rtu-tcp") ? TcpTransport::RtuOverTcp
                                                                  : TcpTransport::ModbusTcp,
                       now.host, now.port);
    } else {
        tcp->disconnectFromHost();
    }
    const bool moved = was.mode != now.mode || was.host != now.host || was.port != now.port
                       || was.listenAddress != now.listenAddress
                       || was.listenPort != now.listenPort;
    if (moved && bridge->isConnected()) {
        bridge->stop();
    }
}

void ConsoleSession::toggleBridge()
{
    if (bridge->isConnected()) {
        bridge->stop();
    } else {
        bridge->start(targetOf(opts));
    }
}

void ConsoleSession::connectNet()
{
    if (opts.autoConnect) {
        bridge->reconnect(targetOf(opts));
    }
}

void ConsoleSession::readDataNet()
{
    // A serial peer that does not read holds the server back: its data waits in the
    // socket (and TCP) until the port has taken what is queued.
    if (isOpen() && link->bytesToWrite() > SerialLink::maxPendingWrite / 2) {
        bridge->holdBack();
        return;
    }
    if (simulator && bridge->mode() == NetBridge::TcpServer) {
        for (const auto &[client, bytes] : bridge->takeByClient()) {
            emit logLine(LogNetReceive, TaviHelper::bytesToHexText(bytes));
            simulator->feedNetwork(client, bytes);
        }
        return;
    }
    const QByteArray data = bridge->take(opts.netSleepMs);
    if (data.isEmpty()) {
        return;
    }
    const QString display =
        opts.hexReceive ? TaviHelper::bytesToHexText(data) : TaviHelper::bytesToNamedText(data);
    emit logLine(LogNetReceive, display);
    // Passed on, not sent by the console: not counted.
    if (write(data, false) == data.size()) {
        emit logLine(LogSerialSend, display);
    }
}

void ConsoleSession::readErrorNet()
{
    bridge->fail();
}
