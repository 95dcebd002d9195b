#ifndef REPLYMATCHER_H
#define REPLYMATCHER_H

#include "modbusreply.h"

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <QVector>

#include <deque>

// A request the console sent, as far as its reply is concerned.
struct ModbusRequest {
    QByteArray bytes;
    int slave = 0;
    int function = 0;
    int address = 0;     // first register or coil
    int count = 0;       // registers or coils read or written
    int replyLength = 0; // of a normal (not exception) reply
};

// A frame's byte at `index`, 0-255.
uchar frameByte(const QByteArray &frame, int index);
// The read functions (1-4), whose replies carry a byte count and data.
bool isReadFunction(int function);

// Bytes a request that starts at `at` in `bytes` has, judged by its function code (1-6, 15,
// 16); 0 while more bytes are needed to tell, -1 for a function whose requests have no known
// shape (only the line's silence can end those).
int requestLength(const QByteArray &bytes, int at = 0);

// A request of a function code whose reply the console knows (1-6, 15, 16) with a good CRC.
bool parseRequest(const QByteArray &bytes, ModbusRequest *request);

// What one reply, one piece of other data or one silence comes to: a "数值解析" line
// (`text`, empty for a write that was confirmed as asked).
struct ReplyDecode {
    enum Kind {
        Values,     // a read reply to the request it answers
        Written,    // a write echoed as asked
        Exception,  // an exception reply, named
        BadCrc,     // shown as received, flagged
        Incomplete, // still short when its time was up
        Mismatch,   // another slave, another function, another write
        CountMismatch,
        NotAReply,   // data that is no Modbus reply
        Noise,       // bytes skipped before a reply
        Echo,        // our own request coming back (an RS-485 adapter that echoes)
        NoReply,     // silence until the time limit
        Late,        // the reply to a request already given up
        Unrequested, // a reception that is one whole read or exception reply, no request waiting
    };
    Kind kind = NotAReply;
    QString text;
    QVector<double> numbers;
    int slave = 0;
    int functionCode = 0;
    int firstRegister = 0;
    int count = 0; // registers or coils the request asked for
    int registersPerValue = 1;
    QByteArray data;        // a read reply's data bytes, after its byte count
    qint64 responseMs = -1; // from the request's write to its reply's last piece
    // A complete reply with a good CRC to the request it answers: its numbers may be plotted.
    bool trusted = false;
};

Q_DECLARE_METATYPE(ReplyDecode)
Q_DECLARE_METATYPE(ModbusRequest)

// Whether the line ends the request it is about: its reply, a verdict on what came instead,
// or the silence. Noise, echoes, late and unrequested replies end none.
bool endsRequest(ReplyDecode::Kind kind);

// Pairs what the port receives with the requests the console sent, in order. Replies may
// come in pieces, several in one reception, after leading noise or after an echo of the
// request; each request ends with its reply, a verdict on what came instead, or silence.
// Time is the caller's monotonic clock in milliseconds.
class ReplyMatcher
{
public:
    // Requests waiting at once; beyond this the oldest is given up.
    static constexpr int maxPending = 64;
    // Requests given up are remembered this long, so that their replies are known as late.
    static constexpr qint64 lateMemoryMs = 10000;

    // A request just written; it waits behind the earlier ones for at most `timeoutMs` after
    // the last piece of its reply (or after it was sent, or after the reply before it). A
    // broadcast (slave 0) waits for nothing.
    void sent(const ModbusRequest &request, qint64 nowMs, int timeoutMs);
    QVector<ReplyDecode> receive(const QByteArray &data, qint64 nowMs, RegisterFormat format);
    // Requests whose time is up: what arrived for them, or "无应答".
    QVector<ReplyDecode> expire(qint64 nowMs, RegisterFormat format);
    int pendingCount() const { return int(pending.size()); }
    void reset();

private:
    struct Pending {
        ModbusRequest request;
        qint64 deadline;
        int timeoutMs;
        qint64 sentAt;
    };
    struct GivenUp {
        ModbusRequest request;
        qint64 at;
    };
    // Works through the buffer; with `final`, the first request's time is up.
    void process(qint64 nowMs, RegisterFormat format, bool final, QVector<ReplyDecode> *out);
    void unrequested(qint64 nowMs, RegisterFormat format, QVector<ReplyDecode> *out);
    // The request that a complete frame answers late, taken from those given up; false if none.
    bool takeLate(const QByteArray &frame, qint64 nowMs, ModbusRequest *request);
    void bound(qint64 nowMs, QVector<ReplyDecode> *out);
    // Ends the first request with `verdict`, which counts as an answer unless incomplete.
    void finishFirst(ReplyDecode verdict, qint64 nowMs, QVector<ReplyDecode> *out);
    void giveUp(const Pending &p, qint64 nowMs, QVector<ReplyDecode> *out);

    std::deque<Pending> pending;
    std::deque<GivenUp> givenUp;
    QByteArray buffer;
};

// The line for a complete frame that starts like the reply to `request`.
ReplyDecode judgeReply(const ModbusRequest &request, const QByteArray &frame,
                       RegisterFormat format);

#endif // REPLYMATCHER_H
