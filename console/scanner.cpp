#include "scanner.h"

#include "replymatcher.h"
#include "requestframe.h"
#include "seriallink.h"

#include <QTimer>

#include <utility>

namespace {
// A read of one coil or register: the request and what its reply should look like.
ModbusRequest scanRequest(int address, int function, int reg)
{
    ModbusRequest request;
    const RequestRow row = checkRequest(QString::number(address), QString::number(function),
                                        QString::number(reg), QStringLiteral("1"), QString());
    parseRequest(row.frame, &request);
    return request;
}

// What an answer says, leaving out who said it: the function, the data and the CRC's absence.
QByteArray answerBody(const QByteArray &reply)
{
    return reply.mid(1, reply.size() - 3);
}
} // namespace

QVector<PortSettings> ScanPlan::lines() const
{
    QVector<PortSettings> out;
    for (const qint32 baud : bauds) {
        for (const QSerialPort::Parity parity : parities) {
            for (const QSerialPort::StopBits stop : stopBits) {
                PortSettings line;
                line.name = port;
                line.baudRate = baud;
                line.parity = parity;
                line.stopBits = stop;
                out.append(line);
            }
        }
    }
    return out;
}

QString ScanPlan::problem() const
{
    if (function < 1 || function > 4) {
        return Scanner::tr("功能码应为 1-4");
    }
    if (reg < 0 || reg > 65535) {
        return Scanner::tr("寄存器地址应为 0-65535");
    }
    if (firstAddress < 1 || lastAddress > 247 || firstAddress > lastAddress) {
        return Scanner::tr("地址范围应在 1-247 之内");
    }
    if (lines().isEmpty()) {
        return Scanner::tr("请至少选择一个波特率、校验位和停止位");
    }
    for (const qint32 baud : bauds) {
        if (baud <= 0) {
            return Scanner::tr("波特率 %1 不可用").arg(baud);
        }
    }
    if (answerMs < 1) {
        return Scanner::tr("应答等待时间应大于 0");
    }
    return QString();
}

QVector<qint32> standardScanBauds()
{
    return {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
}

int scanTimeoutMs(const PortSettings &line, int function, int answerMs)
{
    const ModbusRequest request = scanRequest(1, function, 0);
    return replyTimeoutMs(characterMs(line), request.bytes.size(), request.replyLength)
           - deviceAnswerMs + answerMs;
}

int stopBitCount(QSerialPort::StopBits stopBits)
{
    return stopBits == QSerialPort::TwoStop ? 2 : 1;
}

QString scanCsvHeader()
{
    return QStringLiteral("address,baud,parity,stop,response");
}

QString scanCsvLine(const ScanResult &result)
{
    const QString address =
        result.everyAddress() ? QStringLiteral("%1-%2").arg(result.address).arg(result.lastAddress)
                              : QString::number(result.address);
    QString response = result.exception ? QStringLiteral("exception %1 %2")
                                              .arg(result.exceptionCode)
                                              .arg(exceptionName(result.exceptionCode))
                                        : result.text;
    if (response.contains(QLatin1Char(',')) || response.contains(QLatin1Char('"'))) {
        response = QLatin1Char('"') + response.replace(QLatin1Char('"'), QLatin1String("\"\""))
                   + QLatin1Char('"');
    }
    return QStringLiteral("%1,%2,%3,%4,%5")
        .arg(address)
        .arg(result.line.baudRate)
        .arg(QLatin1Char(parityLetter(result.line.parity)))
        .arg(stopBitCount(result.line.stopBits))
        .arg(response);
}

Scanner::Scanner(QObject *parent)
    : QObject(parent), deadline(new QTimer(this)), pause(new QTimer(this))
{
    qRegisterMetaType<ScanResult>();
    qRegisterMetaType<ScanProgress>();
    // Timeouts of a few tens of milliseconds add up over 247 addresses: no coarse timers.
    for (QTimer *timer : {deadline, pause}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
    }
    connect(deadline, &QTimer::timeout, this, [this] {
        takeBytes();
        if (waiting) {
            attemptEnded(nullptr);
        }
    });
    connect(pause, &QTimer::timeout, this, &Scanner::next);
}

Scanner::~Scanner()
{
    delete link.data();
}

bool Scanner::start(const ScanPlan &plan)
{
    cancel();
    current = plan;
    found.clear();
    const QString problem = plan.problem();
    if (!problem.isEmpty()) {
        emit finished(problem, false);
        return false;
    }
    lines = plan.lines();
    timeouts.clear();
    for (const PortSettings &line : qAsConst(lines)) {
        timeouts.append(scanTimeoutMs(line, plan.function, plan.answerMs));
    }
    running = true;
    done = 0;
    lineIndex = 0;
    if (!openLine()) {
        return false;
    }
    attempt();
    return true;
}

void Scanner::cancel()
{
    if (running) {
        flushHeld();
        finish(QString(), true);
    }
}

void Scanner::dropLink()
{
    // Closed at once, so that the port is free; deleted later, as this may run in its signal.
    if (link) {
        link->disconnect(this);
        link->close();
        link->deleteLater();
        link = nullptr;
    }
}

bool Scanner::openLine()
{
    dropLink();
    link = new SerialLink(this);
    const PortSettings &line = lines.at(lineIndex);
    if (!link->open(line)) {
        finish(link->openFailure(), false);
        return false;
    }
    // A setting the port would not take would be scanned as the old one.
    const PortSettings &taken = link->lineSettings();
    if (taken.baudRate != line.baudRate || taken.parity != line.parity
        || taken.stopBits != line.stopBits) {
        finish(tr("串口不接受设置 %1 %2 %3")
                   .arg(line.baudRate)
                   .arg(QLatin1Char(parityLetter(line.parity)))
                   .arg(stopBitCount(line.stopBits)),
               false);
        return false;
    }
    // A reply ends its address's wait at once, not at the next look.
    link->setWakeOnArrival(true);
    connect(link, &SerialLink::arrived, this, &Scanner::takeBytes);
    connect(
        link, &SerialLink::failed, this, [this] { finish(tr("串口中断异常!!"), false); },
        Qt::QueuedConnection);
    address = current.firstAddress;
    held.clear();
    alike = true;
    lineAnswered = false;
    return true;
}

void Scanner::next()
{
    if (!running) {
        return;
    }
    if (address > current.lastAddress) {
        endLine();
        if (!running) {
            return;
        }
        if (++lineIndex == lines.size() || (current.stopAtFirst && lineAnswered)) {
            finish(QString(), false);
            return;
        }
        if (!openLine()) {
            return;
        }
    }
    attempt();
}

void Scanner::attempt()
{
    emit progress(
        {address, lines.at(lineIndex), done, int(lines.size()) * current.addressCount(), msLeft()});
    // What came late for the last address must not be taken for this one's reply.
    link->bytesAvailable();
    link->readAll();
    const ModbusRequest asked = scanRequest(address, current.function, current.reg);
    request = asked.bytes;
    replyLength = asked.replyLength;
    buffer.clear();
    waiting = true;
    sentAtMs = monotonicMs();
    if (link->write(request) < 0) {
        return; // failed() ends the scan
    }
    deadline->start(timeouts.at(lineIndex));
}

void Scanner::takeBytes()
{
    if (!link || !waiting) {
        return;
    }
    link->bytesAvailable();
    for (const ReceivedPiece &piece : link->readAll()) {
        buffer += piece.bytes;
    }
    // A reply may follow noise or an echo of the request: it is looked for at every byte.
    ModbusRequest asked;
    parseRequest(request, &asked);
    for (int at = 0; at < buffer.size() - 1; ++at) {
        const int function = quint8(buffer.at(at + 1));
        if (quint8(buffer.at(at)) != address
            || (function != current.function && function != (current.function | 0x80))) {
            continue;
        }
        const QByteArray frame = buffer.mid(at, function & 0x80 ? 5 : replyLength);
        if (frame.size() < (function & 0x80 ? 5 : replyLength) || !hasGoodCrc(frame)) {
            continue;
        }
        const ReplyDecode decode = judgeReply(asked, frame, RegisterFormat());
        if (decode.kind != ReplyDecode::Values && decode.kind != ReplyDecode::Exception) {
            continue;
        }
        ScanResult result;
        result.address = result.lastAddress = address;
        result.line = link->lineSettings();
        result.exception = decode.kind == ReplyDecode::Exception;
        result.exceptionCode = result.exception ? quint8(frame.at(2)) : 0;
        result.text = decode.text.trimmed();
        result.reply = frame;
        result.responseMs = monotonicMs() - sentAtMs;
        attemptEnded(&result);
        return;
    }
}

void Scanner::attemptEnded(const ScanResult *answer)
{
    waiting = false;
    deadline->stop();
    ++done;
    ++address;
    if (!answer) {
        // Silence: this line has no relay answering for all.
        flushHeld();
        alike = false;
        next();
        return;
    }
    lineAnswered = true;
    if (alike && (held.isEmpty() || answerBody(held.first().reply) == answerBody(answer->reply))) {
        held.append(*answer);
    } else {
        flushHeld();
        alike = false;
        report(*answer);
    }
    // The line must be silent for 3.5 characters before the next request.
    pause->start(qMax(1, int(3.5 * characterMs(answer->line)) + 1));
}

void Scanner::endLine()
{
    // Three or more addresses, every one answering the same: one device answers for all.
    if (alike && held.size() == current.addressCount() && held.size() >= 3) {
        ScanResult all = held.first();
        all.lastAddress = held.last().address;
        held.clear();
        report(all);
    }
    flushHeld();
}

void Scanner::flushHeld()
{
    for (const ScanResult &result : std::exchange(held, {})) {
        report(result);
    }
}

void Scanner::report(const ScanResult &result)
{
    found.append(result);
    emit deviceFound(result);
}

void Scanner::finish(const QString &problem, bool cancelled)
{
    if (!running) {
        return;
    }
    running = false;
    waiting = false;
    deadline->stop();
    pause->stop();
    dropLink();
    emit finished(problem, cancelled);
}

qint64 Scanner::msLeft() const
{
    qint64 ms = qint64(current.lastAddress - address + 1) * timeouts.at(lineIndex);
    for (int i = lineIndex + 1; i < lines.size(); ++i) {
        ms += qint64(current.addressCount()) * timeouts.at(i);
    }
    return ms;
}
