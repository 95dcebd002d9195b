#include "modbusreply.h"

#include "checksums.h"

#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {

const char *const formatKeys[] = {"int16", "uint16", "int32", "uint32", "float"};
const char *const orderKeys[] = {"ABCD", "CDAB", "BADC", "DCBA"};

bool isWide(ValueFormat format)
{
    return format == ValueFormat::Int32 || format == ValueFormat::UInt32 || format == ValueFormat::Float32;
}

uchar byteAt(const QByteArray &data, int index)
{
    return static_cast<uchar>(data.at(index));
}

QString hexByte(int value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

// Appends with one blank in between, unless the text already ends with one.
void appendNote(QString *text, const QString &note)
{
    if (!text->isEmpty() && !text->endsWith(QLatin1Char(' '))) {
        *text += QLatin1Char(' ');
    }
    *text += note;
}

// The wire bytes b0..b3 rearranged into A B C D.
quint32 wideValue(const uchar *b, WordOrder order)
{
    uchar v[4];
    switch (order) {
    case WordOrder::ABCD:
        v[0] = b[0], v[1] = b[1], v[2] = b[2], v[3] = b[3];
        break;
    case WordOrder::CDAB:
        v[0] = b[2], v[1] = b[3], v[2] = b[0], v[3] = b[1];
        break;
    case WordOrder::BADC:
        v[0] = b[1], v[1] = b[0], v[2] = b[3], v[3] = b[2];
        break;
    case WordOrder::DCBA:
        v[0] = b[3], v[1] = b[2], v[2] = b[1], v[3] = b[0];
        break;
    }
    return qFromBigEndian<quint32>(v);
}

QString floatText(float value)
{
    if (std::isnan(value)) {
        return QStringLiteral("NaN");
    }
    if (std::isinf(value)) {
        return value < 0 ? QStringLiteral("-Inf") : QStringLiteral("Inf");
    }
    return QString::number(static_cast<double>(value), 'g', 7);
}

bool isReplyExpectingRequest(const QByteArray &request)
{
    if (request.size() != 8) {
        return false;
    }
    const int fc = byteAt(request, 1);
    if (fc != 3 && fc != 4 && fc != 6) {
        return false;
    }
    const quint16 crc = modbusCrc(request.left(6)); // already in wire order
    return byteAt(request, 6) == (crc >> 8) && byteAt(request, 7) == (crc & 0xFF);
}

// Length of the reply whose first bytes are given, or -1 while it cannot be told.
int replyLength(int requestFc, const QByteArray &bytes)
{
    if (bytes.size() < 2) {
        return -1;
    }
    if (byteAt(bytes, 1) & 0x80) {
        return 5;
    }
    if (requestFc == 6) {
        return 8;
    }
    return bytes.size() < 3 ? -1 : 5 + byteAt(bytes, 2);
}

} // namespace

bool operator==(const RegisterFormat &a, const RegisterFormat &b)
{
    return a.format == b.format && (!isWide(a.format) || a.order == b.order);
}

bool operator!=(const RegisterFormat &a, const RegisterFormat &b)
{
    return !(a == b);
}

QString formatSettingText(RegisterFormat format)
{
    QString text = QLatin1String(formatKeys[static_cast<int>(format.format)]);
    if (isWide(format.format)) {
        text += QLatin1Char(':');
        text += QLatin1String(orderKeys[static_cast<int>(format.order)]);
    }
    return text;
}

bool parseFormatSetting(const QString &text, RegisterFormat *format)
{
    for (int f = 0; f < 5; ++f) {
        RegisterFormat candidate;
        candidate.format = static_cast<ValueFormat>(f);
        const int orders = isWide(candidate.format) ? 4 : 1;
        for (int o = 0; o < orders; ++o) {
            candidate.order = static_cast<WordOrder>(o);
            if (formatSettingText(candidate) == text) {
                *format = candidate;
                return true;
            }
        }
    }
    return false;
}

RegisterFormat formatFromSetting(const QString &text)
{
    RegisterFormat format;
    parseFormatSetting(text, &format);
    return format;
}

QStringList formatChoices()
{
    QStringList names = {QStringLiteral("16 位有符号"), QStringLiteral("16 位无符号")};
    const QString wide[] = {QStringLiteral("32 位有符号"), QStringLiteral("32 位无符号"), QStringLiteral("32 位浮点")};
    for (const QString &kind : wide) {
        for (const char *order : orderKeys) {
            names << kind + QLatin1Char(' ') + QLatin1String(order);
        }
    }
    return names;
}

RegisterFormat formatAt(int index)
{
    RegisterFormat format;
    if (index == 1) {
        format.format = ValueFormat::UInt16;
    } else if (index >= 2 && index < 14) {
        format.format = static_cast<ValueFormat>(static_cast<int>(ValueFormat::Int32) + (index - 2) / 4);
        format.order = static_cast<WordOrder>((index - 2) % 4);
    }
    return format;
}

int indexOfFormat(RegisterFormat format)
{
    for (int i = 0; i < 14; ++i) {
        if (formatAt(i) == format) {
            return i;
        }
    }
    return -1;
}

DecodedValues decodeRegisterData(const QByteArray &data, RegisterFormat format)
{
    DecodedValues out;
    const int registers = data.size() / 2;
    const auto *b = reinterpret_cast<const uchar *>(data.constData());
    if (!isWide(format.format)) {
        for (int r = 0; r < registers; ++r) {
            const quint16 raw = qFromBigEndian<quint16>(b + 2 * r);
            const int value = format.format == ValueFormat::Int16 ? static_cast<qint16>(raw) : raw;
            out.numbers << value;
            out.text += QString::number(value) + QLatin1Char(' ');
        }
        return out;
    }
    for (int r = 0; r + 1 < registers; r += 2) {
        const quint32 raw = wideValue(b + 2 * r, format.order);
        if (format.format == ValueFormat::Float32) {
            float value;
            std::memcpy(&value, &raw, sizeof value);
            out.numbers << static_cast<double>(value);
            out.text += floatText(value);
        } else if (format.format == ValueFormat::Int32) {
            out.numbers << static_cast<qint32>(raw);
            out.text += QString::number(static_cast<qint32>(raw));
        } else {
            out.numbers << raw;
            out.text += QString::number(raw);
        }
        out.text += QLatin1Char(' ');
    }
    out.leftoverRegisters = registers % 2;
    if (out.leftoverRegisters > 0) {
        out.text += QStringLiteral("(余 %1 个寄存器)").arg(out.leftoverRegisters);
    }
    return out;
}

QString exceptionName(int code)
{
    switch (code) {
    case 0x01:
        return QStringLiteral("非法功能");
    case 0x02:
        return QStringLiteral("非法数据地址");
    case 0x03:
        return QStringLiteral("非法数据值");
    case 0x04:
        return QStringLiteral("从站设备故障");
    case 0x05:
        return QStringLiteral("确认");
    case 0x06:
        return QStringLiteral("从站设备忙");
    case 0x07:
        return QStringLiteral("否定确认");
    case 0x08:
        return QStringLiteral("存储奇偶性差错");
    case 0x0A:
        return QStringLiteral("不可用网关路径");
    case 0x0B:
        return QStringLiteral("网关目标设备响应失败");
    default:
        return QStringLiteral("未知异常");
    }
}

int expectedReplyLength(const QByteArray &request)
{
    if (!isReplyExpectingRequest(request)) {
        return 0;
    }
    if (byteAt(request, 1) == 6) {
        return 8;
    }
    const int count = qFromBigEndian<quint16>(request.constData() + 4);
    return 5 + qMin(2 * count, 255); // the byte count is a single byte
}

int replyTimeoutMs(int baud, int dataBits, bool parity, double stopBits, int bytesStillExpected)
{
    const int cap = 1000;
    if (baud <= 0) {
        return cap;
    }
    const double bitsPerChar = 1 + dataBits + (parity ? 1 : 0) + stopBits;
    const double charMs = bitsPerChar * 1000.0 / baud;
    const double ms = (3.5 + qMax(0, bytesStillExpected)) * charMs + 250;
    // The small allowance keeps a whole number that suffers a rounding error from going up by one.
    return ms >= cap ? cap : static_cast<int>(std::ceil(ms - 1e-9));
}

void ReplyAssembler::expectReplyTo(const QByteArray &newRequest, qint64 nowMs, int limitMs)
{
    closeWait();
    if (isReplyExpectingRequest(newRequest)) {
        request = newRequest;
        waiting = true;
        timeoutMs = limitMs;
        deadline = nowMs + limitMs;
    }
}

ReplyAssembler::Feed ReplyAssembler::feed(const QByteArray &piece, qint64 nowMs)
{
    if (waiting && nowMs >= deadline) {
        closeWait();
    }
    if (!waiting) {
        return Feed::NotAReply;
    }
    if (piece.isEmpty()) {
        return Feed::Incomplete;
    }
    const QByteArray joined = bytes + piece;
    const int fc = byteAt(request, 1);
    const bool fits = byteAt(joined, 0) == byteAt(request, 0)
                      && (joined.size() < 2 || byteAt(joined, 1) == fc || byteAt(joined, 1) == (fc | 0x80));
    if (!fits) {
        // Whatever came before was only the address byte: not worth a reply of its own.
        bytes.clear();
        waiting = false;
        return Feed::NotAReply;
    }
    bytes = joined;
    deadline = nowMs + timeoutMs;
    const int length = replyLength(fc, bytes);
    if (length < 0 || bytes.size() < length) {
        return Feed::Incomplete;
    }
    bytes.truncate(length);
    ready.append(Reply{request, bytes, true});
    bytes.clear();
    waiting = false;
    return Feed::Complete;
}

bool ReplyAssembler::expired(qint64 nowMs) const
{
    return waiting && nowMs >= deadline;
}

Reply ReplyAssembler::take()
{
    if (!ready.isEmpty()) {
        return ready.takeFirst();
    }
    Reply reply;
    if (waiting) {
        reply.request = request;
        reply.bytes = bytes;
    }
    bytes.clear();
    waiting = false;
    return reply;
}

void ReplyAssembler::closeWait()
{
    if (waiting && !bytes.isEmpty()) {
        ready.append(Reply{request, bytes, false});
    }
    bytes.clear();
    waiting = false;
}

ReplyDecode decodeReply(const Reply &reply, RegisterFormat format)
{
    ReplyDecode out;
    const QByteArray &b = reply.bytes;
    if (b.isEmpty()) {
        return out;
    }
    const int requestFc = reply.request.size() >= 2 ? byteAt(reply.request, 1) : (b.size() >= 2 ? byteAt(b, 1) & 0x7F : 0);
    out.functionCode = requestFc;
    if (b.size() >= 2 && (byteAt(b, 1) & 0x80)) {
        if (b.size() >= 3) {
            const int code = byteAt(b, 2);
            out.text = QStringLiteral("异常响应: 功能码 %1, 异常码 %2 (%3)")
                           .arg(hexByte(requestFc), hexByte(code), exceptionName(code));
        }
    } else if (requestFc != 6 && b.size() >= 3) {
        const int count = byteAt(b, 2);
        const DecodedValues values = decodeRegisterData(b.mid(3, qMin(count, b.size() - 3)), format);
        out.text = values.text;
        out.numbers = values.numbers;
        if (reply.request.size() >= 4) {
            out.firstRegister = qFromBigEndian<quint16>(reply.request.constData() + 2);
        }
        out.registersPerValue = isWide(format.format) ? 2 : 1;
    }

    if (!reply.complete) {
        const int length = replyLength(requestFc, b);
        appendNote(&out.text, length < 0 ? QStringLiteral("(不完整: 收到 %1 字节)").arg(b.size())
                                         : QStringLiteral("(不完整: 收到 %1/%2 字节)").arg(b.size()).arg(length));
    } else if (b.size() >= 4) {
        const quint16 crc = modbusCrc(b.left(b.size() - 2)); // already in wire order
        if (byteAt(b, b.size() - 2) != (crc >> 8) || byteAt(b, b.size() - 1) != (crc & 0xFF)) {
            appendNote(&out.text, QStringLiteral("CRC错误: 应为 %1 %2").arg(hexByte(crc >> 8), hexByte(crc)));
        } else {
            out.trusted = true;
        }
    }
    return out;
}
