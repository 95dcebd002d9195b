#ifndef RECEIVEPIPELINE_H
#define RECEIVEPIPELINE_H

#include "reception.h"
#include "replymatcher.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// What the console makes of the bytes its serial port delivers, one reception at a time:
// the text shown for them, the text device simulation matches, and the "数值解析" lines,
// one for each reply to the console's own requests (and each silence), in the chosen format.
class ReceivePipeline
{
public:
    struct Reception {
        QByteArray bytes;  // the pieces joined
        QString display;   // the "串口接收" line
        QString matchText; // device simulation matches this, as it always has
        QVector<ReplyDecode> decoded;
    };

    // A request the console wrote starts waiting for its reply.
    void sent(const ModbusRequest &request, qint64 nowMs, int timeoutMs);
    // One reception: the pieces that arrived since the last one, shown as one line; each
    // piece counts for the replies from the time it arrived.
    Reception receive(const QVector<ReceivedPiece> &pieces, bool hex, RegisterFormat format);
    // Requests whose time is up: what arrived for them, or the silence.
    QVector<ReplyDecode> expire(qint64 nowMs, RegisterFormat format);
    int pendingCount() const { return matcher.pendingCount(); }
    // The session ended: nothing is carried over into the next one.
    void reset();

private:
    ReplyMatcher matcher;
    // The start of a UTF-8 character whose other bytes are still on their way.
    QByteArray textCarry;
};

#endif // RECEIVEPIPELINE_H
