#include "replymatcher.h"

#include "checksums.h"

#include <QCoreApplication>
#include <QtEndian>

uchar frameByte(const QByteArray &frame, int index)
{
    return static_cast<uchar>(frame.at(index));
}

bool isReadFunction(int function)
{
    return function >= 1 && function <= 4;
}

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(ReplyMatcher)
};

QString hexByte(int value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

QString hexText(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

// Appends with one blank in between, unless the text already ends with one.
void appendNote(QString *text, const QString &note)
{
    if (!text->isEmpty() && !text->endsWith(QLatin1Char(' '))) {
        *text += QLatin1Char(' ');
    }
    *text += note;
}

bool knownFunction(int function)
{
    return isReadFunction(function) || function == 5 || function == 6 || function == 15
           || function == 16;
}

// Length of the reply frame `b` begins with, judged by its function code; -1 while too few
// bytes are there to tell, 0 for a function code whose replies have no known shape.
int frameLength(const QByteArray &b)
{
    if (b.size() < 2) {
        return -1;
    }
    const int function = frameByte(b, 1);
    if (function & 0x80) {
        return knownFunction(function & 0x7F) ? 5 : 0;
    }
    if (isReadFunction(function)) {
        return b.size() < 3 ? -1 : 5 + frameByte(b, 2);
    }
    return knownFunction(function) ? 8 : 0;
}

// Length of the complete frame with a good CRC that `b` begins with, or 0.
int checkedFrameLength(const QByteArray &b)
{
    const int length = frameLength(b);
    return length > 0 && b.size() >= length && hasGoodCrc(b.left(length)) ? length : 0;
}

bool startsLikeReply(const ModbusRequest &r, const QByteArray &b, int at)
{
    if (frameByte(b, at) != r.slave) {
        return false;
    }
    return at + 1 >= b.size() || frameByte(b, at + 1) == r.function
           || frameByte(b, at + 1) == (r.function | 0x80);
}

QString crcNote(const QByteArray &frame)
{
    const quint16 crc = modbusCrc(frame.left(frame.size() - 2));
    return Texts::tr("CRC错误: 应为 %1 %2").arg(hexByte(crc >> 8), hexByte(crc));
}

QString exceptionText(int function, int code)
{
    return Texts::tr("异常响应: 功能码 %1, 异常码 %2 (%3)")
        .arg(hexByte(function), hexByte(code), exceptionName(code));
}

ReplyDecode aboutRequest(const ModbusRequest &r)
{
    ReplyDecode out;
    out.slave = r.slave;
    out.functionCode = r.function;
    out.firstRegister = r.address;
    out.count = r.count;
    return out;
}

// Values of a read reply's data: registers in the chosen format, coils and inputs as 0/1.
void decodeData(int function, const QByteArray &data, int bits, RegisterFormat format,
                ReplyDecode *out)
{
    if (function == 1 || function == 2) {
        out->data = data;
        for (int i = 0; i < bits && i / 8 < data.size(); ++i) {
            const int bit = (frameByte(data, i / 8) >> (i % 8)) & 1;
            out->numbers << bit;
            out->text += QString::number(bit) + QLatin1Char(' ');
        }
        return;
    }
    out->data = data;
    const DecodedValues values = decodeRegisterData(data, format);
    out->text = values.text;
    out->numbers = values.numbers;
    out->registersPerValue = registersPerValue(format);
}

// What arrived for a request whose time ran out before its reply was whole.
ReplyDecode incompleteReply(const ModbusRequest &r, const QByteArray &b, RegisterFormat format)
{
    ReplyDecode out = aboutRequest(r);
    out.kind = ReplyDecode::Incomplete;
    if (b.size() >= 3 && (frameByte(b, 1) & 0x80)) {
        out.text = exceptionText(r.function, frameByte(b, 2));
    } else if (b.size() >= 3 && isReadFunction(r.function)) {
        decodeData(r.function, b.mid(3, qMin(int(frameByte(b, 2)), b.size() - 3)), r.count, format,
                   &out);
    }
    const int length = frameLength(b);
    appendNote(&out.text, length < 0
                              ? Texts::tr("(不完整: 收到 %1 字节)").arg(b.size())
                              : Texts::tr("(不完整: 收到 %1/%2 字节)").arg(b.size()).arg(length));
    return out;
}

QString mismatchText(const ModbusRequest &r, const QByteArray &frame)
{
    QStringList parts;
    if (frameByte(frame, 0) != r.slave) {
        parts << Texts::tr("从站地址应为 %1, 收到 %2").arg(r.slave).arg(frameByte(frame, 0));
    }
    const int function = frameByte(frame, 1) & 0x7F;
    if (function != r.function) {
        parts << Texts::tr("功能码应为 %1, 收到 %2").arg(hexByte(r.function), hexByte(function));
    }
    return Texts::tr("应答不符: ") + parts.join(QStringLiteral("; "))
           + QStringLiteral(" (%1)").arg(hexText(frame));
}

} // namespace

int requestLength(const QByteArray &bytes, int at)
{
    const int have = bytes.size() - at;
    if (have < 2) {
        return 0;
    }
    const int function = frameByte(bytes, at + 1);
    if (function >= 1 && function <= 6) {
        return 8;
    }
    if (function == 15 || function == 16) {
        // Address, count, byte count, the data, CRC.
        return have < 7 ? 0 : 9 + frameByte(bytes, at + 6);
    }
    return -1;
}

bool parseRequest(const QByteArray &bytes, ModbusRequest *request)
{
    if (bytes.size() < 8 || bytes.size() != requestLength(bytes) || !hasGoodCrc(bytes)) {
        return false;
    }
    ModbusRequest r;
    r.bytes = bytes;
    r.slave = frameByte(bytes, 0);
    r.function = frameByte(bytes, 1);
    r.address = qFromBigEndian<quint16>(bytes.constData() + 2);
    const int field = qFromBigEndian<quint16>(bytes.constData() + 4);
    if (r.function <= 2) {
        r.count = field;
        r.replyLength = 5 + (field + 7) / 8;
    } else if (r.function <= 4) {
        r.count = field;
        r.replyLength = 5 + 2 * field;
    } else {
        // A write's reply echoes its address and value or count.
        r.count = r.function <= 6 ? 1 : field;
        r.replyLength = 8;
    }
    // A reply longer than a byte count can say is not a request anybody answers.
    if (r.count < 1 || r.replyLength > 5 + 255) {
        return false;
    }
    *request = r;
    return true;
}

bool endsRequest(ReplyDecode::Kind kind)
{
    switch (kind) {
    case ReplyDecode::Noise:
    case ReplyDecode::Echo:
    case ReplyDecode::NotAReply:
    case ReplyDecode::Late:
    case ReplyDecode::Unrequested:
        return false;
    default:
        return true;
    }
}

ReplyDecode judgeReply(const ModbusRequest &r, const QByteArray &frame, RegisterFormat format)
{
    ReplyDecode out = aboutRequest(r);
    const bool goodCrc = hasGoodCrc(frame);
    if (frameByte(frame, 1) & 0x80) {
        out.kind = goodCrc ? ReplyDecode::Exception : ReplyDecode::BadCrc;
        out.text = exceptionText(r.function, frameByte(frame, 2));
    } else if (isReadFunction(r.function)) {
        const int count = frameByte(frame, 2);
        const int expected = r.replyLength - 5;
        if (goodCrc && count != expected) {
            out.kind = ReplyDecode::CountMismatch;
            out.text = Texts::tr("字节数不符: 应为 %1, 收到 %2").arg(expected).arg(count);
            return out;
        }
        decodeData(r.function, frame.mid(3, count), r.count, format, &out);
        out.kind = goodCrc ? ReplyDecode::Values : ReplyDecode::BadCrc;
        out.trusted = goodCrc;
    } else if (frame.left(6) == r.bytes.left(6)) {
        out.kind = goodCrc ? ReplyDecode::Written : ReplyDecode::BadCrc;
    } else if (goodCrc) {
        out.kind = ReplyDecode::Mismatch;
        out.text = Texts::tr("写入应答不符: 应为 %1, 收到 %2")
                       .arg(hexText(r.bytes.left(6)), hexText(frame.left(6)));
    } else {
        out.kind = ReplyDecode::BadCrc;
    }
    if (!goodCrc) {
        appendNote(&out.text, crcNote(frame));
    }
    return out;
}

namespace {
// A reply to a request given up: shown, marked, never plotted.
ReplyDecode lateReply(const ModbusRequest &r, const QByteArray &frame, RegisterFormat format)
{
    ReplyDecode d = judgeReply(r, frame, format);
    d.kind = ReplyDecode::Late;
    d.trusted = false;
    d.text = Texts::tr("迟到的应答 (已判无应答): ") + (d.text.isEmpty() ? hexText(frame) : d.text);
    return d;
}
} // namespace

void ReplyMatcher::sent(const ModbusRequest &request, qint64 nowMs, int timeoutMs)
{
    if (request.slave == 0) {
        return;
    }
    pending.push_back({request, nowMs + timeoutMs, timeoutMs, nowMs});
}

QVector<ReplyDecode> ReplyMatcher::receive(const QByteArray &data, qint64 nowMs,
                                           RegisterFormat format)
{
    QVector<ReplyDecode> out;
    bound(nowMs, &out);
    if (!data.isEmpty() && !pending.empty()) {
        // A piece of its reply gives the first request time for the rest.
        pending.front().deadline = nowMs + pending.front().timeoutMs;
    }
    buffer += data;
    process(nowMs, format, false, &out);
    return out;
}

QVector<ReplyDecode> ReplyMatcher::expire(qint64 nowMs, RegisterFormat format)
{
    QVector<ReplyDecode> out;
    bound(nowMs, &out);
    while (!pending.empty() && nowMs >= pending.front().deadline) {
        const size_t before = pending.size();
        process(nowMs, format, true, &out);
        if (pending.size() == before) {
            giveUp(pending.front(), nowMs, &out);
            pending.pop_front();
        }
    }
    return out;
}

void ReplyMatcher::bound(qint64 nowMs, QVector<ReplyDecode> *out)
{
    // Beyond the bound the oldest requests are given up, so a dead line cannot pile them up.
    while (int(pending.size()) > maxPending) {
        giveUp(pending.front(), nowMs, out);
        pending.pop_front();
    }
}

void ReplyMatcher::giveUp(const Pending &p, qint64 nowMs, QVector<ReplyDecode> *out)
{
    ReplyDecode silence = aboutRequest(p.request);
    silence.kind = ReplyDecode::NoReply;
    silence.text = Texts::tr("无应答: 从站 %1, 功能码 %2, 等待 %3 ms")
                       .arg(p.request.slave)
                       .arg(hexByte(p.request.function))
                       .arg(p.timeoutMs);
    out->append(silence);
    givenUp.push_back({p.request, nowMs});
    while (givenUp.size() > size_t(maxPending)) {
        givenUp.pop_front();
    }
}

void ReplyMatcher::finishFirst(ReplyDecode verdict, qint64 nowMs, QVector<ReplyDecode> *out)
{
    const bool answered = verdict.kind != ReplyDecode::Incomplete;
    if (answered) {
        verdict.responseMs = nowMs - pending.front().sentAt;
    }
    out->append(verdict);
    pending.pop_front();
    // A device answers in turn: the next request's wait starts when this one is answered.
    if (answered && !pending.empty()) {
        Pending &next = pending.front();
        next.deadline = qMax(next.deadline, nowMs + next.timeoutMs);
    }
}

bool ReplyMatcher::takeLate(const QByteArray &frame, qint64 nowMs, ModbusRequest *request)
{
    while (!givenUp.empty() && nowMs - givenUp.front().at > lateMemoryMs) {
        givenUp.pop_front();
    }
    for (auto it = givenUp.begin(); it != givenUp.end(); ++it) {
        const ModbusRequest &r = it->request;
        const bool fits = startsLikeReply(r, frame, 0)
                          && ((frameByte(frame, 1) & 0x80) || !isReadFunction(r.function)
                              || frame.size() == r.replyLength);
        if (fits) {
            *request = r;
            givenUp.erase(it);
            return true;
        }
    }
    return false;
}

void ReplyMatcher::process(qint64 nowMs, RegisterFormat format, bool final,
                           QVector<ReplyDecode> *out)
{
    const auto note = [out](ReplyDecode::Kind kind, const QString &text) {
        ReplyDecode d;
        d.kind = kind;
        d.text = text;
        out->append(d);
    };
    bool firstIsFinal = final;
    while (!buffer.isEmpty()) {
        if (pending.empty()) {
            unrequested(nowMs, format, out);
            return;
        }
        const ModbusRequest r = pending.front().request;
        // A write is answered by its own echo; a read's echo is the adapter's, not the device's.
        const bool echoIsNoReply = isReadFunction(r.function);
        const int checked = checkedFrameLength(buffer);
        const bool wholeReply = checked > 0 && startsLikeReply(r, buffer, 0);
        if (echoIsNoReply && !wholeReply) {
            if (buffer.startsWith(r.bytes)) {
                note(ReplyDecode::Echo,
                     Texts::tr("跳过本机请求的回显 (%1 字节)").arg(r.bytes.size()));
                buffer.remove(0, r.bytes.size());
                continue;
            }
            if (r.bytes.startsWith(buffer) && !firstIsFinal) {
                return;
            }
        }
        if (startsLikeReply(r, buffer, 0)) {
            const int length = frameLength(buffer);
            if (length < 0 || buffer.size() < length) {
                if (!firstIsFinal) {
                    return;
                }
                const ReplyDecode verdict = incompleteReply(r, buffer, format);
                buffer.clear();
                finishFirst(verdict, nowMs, out);
                return;
            }
            const QByteArray frame = buffer.left(length);
            buffer.remove(0, length);
            ModbusRequest earlier;
            const ReplyDecode verdict = judgeReply(r, frame, format);
            if (verdict.kind == ReplyDecode::CountMismatch && takeLate(frame, nowMs, &earlier)) {
                out->append(lateReply(earlier, frame, format));
                continue;
            }
            finishFirst(verdict, nowMs, out);
            firstIsFinal = false;
            continue;
        }
        if (checked > 0) {
            const QByteArray frame = buffer.left(checked);
            buffer.remove(0, checked);
            ModbusRequest earlier;
            if (takeLate(frame, nowMs, &earlier)) {
                out->append(lateReply(earlier, frame, format));
                continue;
            }
            ReplyDecode d = aboutRequest(r);
            d.kind = ReplyDecode::Mismatch;
            d.text = mismatchText(r, frame);
            finishFirst(d, nowMs, out);
            firstIsFinal = false;
            continue;
        }
        // Leading noise: the reply starts further on (whole with a good CRC, or not yet whole).
        int start = 1;
        for (; start < buffer.size(); ++start) {
            if (startsLikeReply(r, buffer, start)) {
                const QByteArray rest = buffer.mid(start);
                const int length = frameLength(rest);
                if (length < 0 || rest.size() < length || hasGoodCrc(rest.left(length))) {
                    break;
                }
            }
        }
        if (start < buffer.size()) {
            note(ReplyDecode::Noise,
                 Texts::tr("跳过 %1 字节噪声: %2").arg(start).arg(hexText(buffer.left(start))));
            buffer.remove(0, start);
            continue;
        }
        // What may still become a frame of another slave or function waits for its rest.
        const int length = frameLength(buffer);
        if (!firstIsFinal && (length < 0 || (length > 0 && buffer.size() < length))) {
            return;
        }
        note(ReplyDecode::NotAReply, Texts::tr("不是应答 (%1 字节)").arg(buffer.size()));
        buffer.clear();
        return;
    }
}

void ReplyMatcher::unrequested(qint64 nowMs, RegisterFormat format, QVector<ReplyDecode> *out)
{
    // Only a reception that is one complete frame with a good CRC; anything else is only shown.
    const QByteArray frame = buffer;
    buffer.clear();
    if (checkedFrameLength(frame) != frame.size()) {
        return;
    }
    ModbusRequest earlier;
    if (takeLate(frame, nowMs, &earlier)) {
        out->append(lateReply(earlier, frame, format));
        return;
    }
    const int function = frameByte(frame, 1);
    ReplyDecode d;
    d.kind = ReplyDecode::Unrequested;
    d.functionCode = function & 0x7F;
    if (function & 0x80) {
        d.text = exceptionText(function & 0x7F, frameByte(frame, 2));
    } else if ((function == 3 || function == 4) && frameByte(frame, 2) % 2 == 0) {
        decodeData(function, frame.mid(3, frameByte(frame, 2)), 0, format, &d);
    } else {
        return;
    }
    out->append(d);
}

void ReplyMatcher::reset()
{
    pending.clear();
    givenUp.clear();
    buffer.clear();
}
