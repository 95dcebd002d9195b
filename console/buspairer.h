#ifndef BUSPAIRER_H
#define BUSPAIRER_H

#include "busframer.h"
#include "replymatcher.h"

#include <QVector>

// What a monitored frame is, by its shape, its CRC and the request before it.
enum class BusKind { Unknown, Request, Reply, Exception };

struct BusFrameInfo {
    BusKind kind = BusKind::Unknown;
    // A request: itself. A reply or exception: the request it answers, when it is paired.
    ModbusRequest request;
    bool paired = false;
    qint64 requestNumber = -1; // the frame number of the request a reply answers
    // A reply's verdict and values (judgeReply's), with the response time; a reply nobody
    // asked for is Unrequested.
    ReplyDecode outcome;
    // The silence from the end of the request to the start of the reply.
    qint64 responseUs = -1;
};

// How a request ended: its reply's verdict, or NoReply.
struct BusRequestEnd {
    qint64 requestNumber = -1;
    ReplyDecode outcome;
};

// Pairs the frames of a monitored line: one master asks, one slave answers before the master
// asks again. A reply is the frame after a request that has its slave, its function (or the
// exception of it) and, for a read, the length the request asks for; a request is given up as
// unanswered when the next one comes or when its time is up. Broadcasts wait for nothing.
class BusPairer
{
public:
    static constexpr qint64 defaultTimeoutUs = 1000 * 1000;

    void setFormat(RegisterFormat format) { valueFormat = format; }
    void setTimeoutUs(qint64 us) { timeoutUs = us; }
    // A frame's time is its first character's end: the reply started a character earlier.
    void setCharacterUs(qint64 us) { charUs = us; }
    // Frame `number` (the caller's count). `ended` gets the requests it ends.
    BusFrameInfo take(const BusFrame &frame, qint64 number, QVector<BusRequestEnd> *ended);
    // The request waiting, when its time is up by `nowUs`.
    QVector<BusRequestEnd> expire(qint64 nowUs);
    void reset() { waitingNumber = -1; }

private:
    bool isReply(const QByteArray &frame) const;
    BusRequestEnd giveUp();

    RegisterFormat valueFormat;
    qint64 timeoutUs = defaultTimeoutUs;
    qint64 charUs = 0;
    ModbusRequest waitingRequest;
    qint64 waitingNumber = -1;
    qint64 waitingSinceUs = 0; // its last byte
};

// The outcome of a request that nobody answered.
ReplyDecode unansweredOutcome(const ModbusRequest &request);

#endif // BUSPAIRER_H
