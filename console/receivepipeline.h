#ifndef RECEIVEPIPELINE_H
#define RECEIVEPIPELINE_H

#include "modbusreply.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// What the console makes of the bytes its serial port delivers, one reception at a time:
// the text shown for them, the text device simulation matches, and the "数值解析" lines.
// A read or write request the console sent is answered by a reply that may arrive in
// pieces; the pieces are joined and the reply decoded once, in the chosen format.
class ReceivePipeline
{
public:
    struct Decoded {
        QString text;      // the "数值解析" line
        ReplyDecode reply; // its numbers and registers, for a reply to a request of ours
    };
    struct Reception {
        QString display;   // the "串口接收" line
        QString matchText; // device simulation matches this, as it always has
        QVector<Decoded> decoded;
    };

    // Bytes the console wrote; a read or write request starts waiting for its reply.
    void sent(const QByteArray &bytes, qint64 nowMs, int timeoutMs);
    Reception receive(const QByteArray &data, bool hex, RegisterFormat format, qint64 nowMs);
    // A reply still short when its time is up, decoded from what arrived.
    QVector<Decoded> expire(qint64 nowMs, RegisterFormat format);
    // The session ended: nothing is carried over into the next one.
    void reset();

private:
    void takeReplies(RegisterFormat format, QVector<Decoded> *out);

    ReplyAssembler assembler;
    // The start of a UTF-8 character whose other bytes are still on their way.
    QByteArray textCarry;
};

#endif // RECEIVEPIPELINE_H
