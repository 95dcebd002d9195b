#include "receivepipeline.h"

#include "reception.h"
#include "utf8.h"

void ReceivePipeline::sent(const QByteArray &bytes, qint64 nowMs, int timeoutMs)
{
    assembler.expectReplyTo(bytes, nowMs, timeoutMs);
}

void ReceivePipeline::takeReplies(RegisterFormat format, QVector<Decoded> *out)
{
    while (assembler.hasReply()) {
        const ReplyDecode reply = decodeReply(assembler.take(), format);
        if (!reply.text.isEmpty()) {
            out->append({reply.text, reply});
        }
    }
}

ReceivePipeline::Reception ReceivePipeline::receive(const QByteArray &data, bool hex, RegisterFormat format,
                                                    qint64 nowMs)
{
    Reception r;
    r.matchText = receptionText(data, hex);
    if (!hex) {
        // A character cut between two receptions is shown whole with the later one. Bytes
        // that are no UTF-8 show as they always have.
        QByteArray whole = textCarry + data;
        textCarry.clear();
        const int zero = whole.indexOf('\0');
        const int cut = zero >= 0 ? 0 : incompleteUtf8Tail(whole);
        if (cut > 0) {
            textCarry = whole.right(cut);
            whole.chop(cut);
        }
        r.display = receptionText(whole, false);
        return r;
    }
    r.display = r.matchText;
    // A reply assembled before this piece (a half one pushed out by a late piece) first.
    const ReplyAssembler::Feed feed = assembler.feed(data, nowMs);
    takeReplies(format, &r.decoded);
    if (feed == ReplyAssembler::Feed::NotAReply) {
        const QString values = decodeRegisterValues(data);
        if (!values.isEmpty()) {
            r.decoded.append({values, ReplyDecode()});
        }
    }
    return r;
}

QVector<ReceivePipeline::Decoded> ReceivePipeline::expire(qint64 nowMs, RegisterFormat format)
{
    QVector<Decoded> out;
    takeReplies(format, &out);
    if (assembler.expired(nowMs)) {
        // Nothing is ready any more, so this ends the wait with what arrived, if anything.
        const ReplyDecode reply = decodeReply(assembler.take(), format);
        if (!reply.text.isEmpty()) {
            out.append({reply.text, reply});
        }
    }
    return out;
}

void ReceivePipeline::reset()
{
    assembler = ReplyAssembler();
    textCarry.clear();
}
