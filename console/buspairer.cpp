#include "buspairer.h"

#include <QCoreApplication>

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(BusPairer)
};

// A good frame of a reply's shape, as no request could be (exceptions, read replies).
bool hasReplyShape(const QByteArray &b)
{
    const int function = frameByte(b, 1);
    if (function & 0x80) {
        return b.size() == 5;
    }
    if (function == 15 || function == 16) {
        return b.size() == 8;
    }
    return isReadFunction(function) && b.size() == 5 + frameByte(b, 2);
}

// What a reply nobody asked for says: judged as the reply to the request its shape implies.
ReplyDecode unrequestedOutcome(const QByteArray &b, RegisterFormat format)
{
    ModbusRequest implied;
    implied.bytes = b;
    implied.slave = frameByte(b, 0);
    implied.function = frameByte(b, 1) & 0x7F;
    implied.replyLength = b.size();
    if (isReadFunction(implied.function) && !(frameByte(b, 1) & 0x80)) {
        const int dataBytes = frameByte(b, 2);
        implied.count = implied.function <= 2 ? dataBytes * 8 : dataBytes / 2;
    }
    ReplyDecode d = judgeReply(implied, b, format);
    d.kind = ReplyDecode::Unrequested;
    d.trusted = false;
    d.firstRegister = -1; // the request would have said
    return d;
}
} // namespace

ReplyDecode unansweredOutcome(const ModbusRequest &request)
{
    ReplyDecode d;
    d.kind = ReplyDecode::NoReply;
    d.slave = request.slave;
    d.functionCode = request.function;
    d.firstRegister = request.address;
    d.count = request.count;
    d.text = Texts::tr("无应答: 从站 %1, 功能码 %2")
                 .arg(request.slave)
                 .arg(request.function, 2, 16, QLatin1Char('0'));
    return d;
}

bool BusPairer::isReply(const QByteArray &b) const
{
    const ModbusRequest &r = waitingRequest;
    if (waitingNumber < 0 || frameByte(b, 0) != r.slave) {
        return false;
    }
    if (frameByte(b, 1) == (r.function | 0x80)) {
        return true;
    }
    if (frameByte(b, 1) != r.function) {
        return false;
    }
    if (!isReadFunction(r.function)) {
        return b.size() == 8;
    }
    // The read's own length, or a damaged frame that is no repeated request either.
    ModbusRequest again;
    return (b.size() == r.replyLength && frameByte(b, 2) == r.replyLength - 5)
           || (!hasGoodCrc(b) && !parseRequest(b, &again));
}

BusRequestEnd BusPairer::giveUp()
{
    BusRequestEnd end{waitingNumber, unansweredOutcome(waitingRequest)};
    waitingNumber = -1;
    return end;
}

BusFrameInfo BusPairer::take(const BusFrame &frame, qint64 number, QVector<BusRequestEnd> *ended)
{
    BusFrameInfo info;
    const QByteArray &b = frame.bytes;
    if (b.size() < 4) {
        return info;
    }
    const bool exception = frameByte(b, 1) & 0x80;
    if (isReply(b)) {
        info.kind = exception ? BusKind::Exception : BusKind::Reply;
        info.request = waitingRequest;
        info.paired = true;
        info.requestNumber = waitingNumber;
        info.responseUs = qMax(qint64(0), frame.timeUs - charUs - waitingSinceUs);
        info.outcome = judgeReply(waitingRequest, b, valueFormat);
        info.outcome.responseMs = (info.responseUs + 500) / 1000;
        ended->append({waitingNumber, info.outcome});
        waitingNumber = -1;
        return info;
    }
    ModbusRequest request;
    if (parseRequest(b, &request)) {
        if (waitingNumber >= 0) {
            ended->append(giveUp());
        }
        info.kind = BusKind::Request;
        info.request = request;
        if (request.slave != 0) {
            waitingRequest = request;
            waitingNumber = number;
            waitingSinceUs = frame.endUs;
        }
        return info;
    }
    if (hasGoodCrc(b) && hasReplyShape(b)) {
        info.kind = exception ? BusKind::Exception : BusKind::Reply;
        info.outcome = unrequestedOutcome(b, valueFormat);
    }
    return info;
}

QVector<BusRequestEnd> BusPairer::expire(qint64 nowUs)
{
    QVector<BusRequestEnd> ended;
    if (waitingNumber >= 0 && nowUs - waitingSinceUs >= timeoutUs) {
        ended.append(giveUp());
    }
    return ended;
}
