#include "receivepipeline.h"

#include "reception.h"
#include "utf8.h"

void ReceivePipeline::sent(const ModbusRequest &request, qint64 nowMs, int timeoutMs)
{
    matcher.sent(request, nowMs, timeoutMs);
}

ReceivePipeline::Reception ReceivePipeline::receive(const QVector<ReceivedPiece> &pieces, bool hex,
                                                    RegisterFormat format)
{
    Reception r;
    QByteArray &data = r.bytes;
    for (const ReceivedPiece &piece : pieces) {
        data += piece.bytes;
        // Replies are paired in either mode, so that a wait never outlives its reply.
        r.decoded += matcher.receive(piece.bytes, piece.arrivedMs, format);
    }
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
    return r;
}

QVector<ReplyDecode> ReceivePipeline::expire(qint64 nowMs, RegisterFormat format)
{
    return matcher.expire(nowMs, format);
}

void ReceivePipeline::reset()
{
    matcher.reset();
    textCarry.clear();
}
