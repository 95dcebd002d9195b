#include "modbusreply.h"

#include "checksums.h"

#include <QCoreApplication>
#include <QLocale>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(ModbusReply)
};

const char *const formatKeys[] = {"int16", "uint16", "int32",  "uint32", "float",
                                  "int64", "uint64", "double", "ascii"};
constexpr int formatCount = sizeof formatKeys / sizeof *formatKeys;
const char *const orderKeys[] = {"ABCD", "CDAB", "BADC", "DCBA"};
constexpr int choiceCount = 27;

// The formats that take several registers in one of the four orders.
bool isWide(ValueFormat format)
{
    return format != ValueFormat::Int16 && format != ValueFormat::UInt16
           && format != ValueFormat::Ascii;
}

uchar byteAt(const QByteArray &data, int index)
{
    return static_cast<uchar>(data.at(index));
}

// The wire bytes of `registers` registers rearranged into the value, most significant first.
quint64 wideValue(const uchar *b, int registers, WordOrder order)
{
    const bool lowWordFirst = order == WordOrder::CDAB || order == WordOrder::DCBA;
    const bool bytesSwapped = order == WordOrder::BADC || order == WordOrder::DCBA;
    quint64 value = 0;
    for (int r = 0; r < registers; ++r) {
        const uchar *word = b + 2 * (lowWordFirst ? registers - 1 - r : r);
        value = value << 16 | quint64(word[bytesSwapped ? 1 : 0]) << 8 | word[bytesSwapped ? 0 : 1];
    }
    return value;
}

// The inverse of wideValue: the value's registers as they go on the wire.
QByteArray wireBytes(quint64 value, int registers, WordOrder order)
{
    const bool lowWordFirst = order == WordOrder::CDAB || order == WordOrder::DCBA;
    const bool bytesSwapped = order == WordOrder::BADC || order == WordOrder::DCBA;
    QByteArray out;
    for (int w = 0; w < registers; ++w) {
        const int fromTop = lowWordFirst ? registers - 1 - w : w;
        const auto word = quint16(value >> (16 * (registers - 1 - fromTop)));
        const char high = char(word >> 8);
        const char low = char(word & 0xFF);
        out += bytesSwapped ? low : high;
        out += bytesSwapped ? high : low;
    }
    return out;
}

QString floatText(float value)
{
    if (std::isnan(value)) {
        return QStringLiteral("NaN");
    }
    if (std::isinf(value)) {
        return value < 0 ? QStringLiteral("-Inf") : QStringLiteral("Inf");
    }
    // Qt drops the sign of zero, which is a bit of the register all the same.
    if (value == 0 && std::signbit(value)) {
        return QStringLiteral("-0");
    }
    return QString::number(static_cast<double>(value), 'g', 7);
}

QString doubleText(double value)
{
    if (std::isnan(value) || std::isinf(value) || value == 0) {
        return floatText(static_cast<float>(value));
    }
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString asciiText(const QByteArray &data)
{
    int end = data.size();
    while (end > 0 && data.at(end - 1) == '\0') {
        --end;
    }
    QString text;
    for (int i = 0; i < end; ++i) {
        const uchar c = static_cast<uchar>(data.at(i));
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            text += QLatin1Char(char(c));
        } else {
            text += QStringLiteral("\\x")
                    + QString::number(c, 16).rightJustified(2, QLatin1Char('0')).toUpper();
        }
    }
    return text;
}

// One value of a 32- or 64-bit format.
void appendWide(quint64 raw, ValueFormat format, DecodedValues *out)
{
    double number = 0;
    QString text;
    switch (format) {
    case ValueFormat::Float32: {
        float value;
        const quint32 bits = quint32(raw);
        std::memcpy(&value, &bits, sizeof value);
        number = static_cast<double>(value);
        text = floatText(value);
        break;
    }
    case ValueFormat::Float64:
        std::memcpy(&number, &raw, sizeof number);
        text = doubleText(number);
        break;
    case ValueFormat::Int32:
        number = static_cast<qint32>(raw);
        text = QString::number(static_cast<qint32>(raw));
        break;
    case ValueFormat::Int64:
        number = static_cast<double>(static_cast<qint64>(raw));
        text = QString::number(static_cast<qint64>(raw));
        break;
    default: // UInt32, UInt64
        number = static_cast<double>(raw);
        text = QString::number(raw);
        break;
    }
    out->numbers << number;
    out->text += text + QLatin1Char(' ');
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
    for (int f = 0; f < formatCount; ++f) {
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
    QStringList names = {Texts::tr("16 位有符号"), Texts::tr("16 位无符号")};
    const QString wide[] = {Texts::tr("32 位有符号"), Texts::tr("32 位无符号"),
                            Texts::tr("32 位浮点"),   Texts::tr("64 位有符号"),
                            Texts::tr("64 位无符号"), Texts::tr("64 位浮点")};
    for (const QString &kind : wide) {
        for (const char *order : orderKeys) {
            names << kind + QLatin1Char(' ') + QLatin1String(order);
        }
    }
    names << Texts::tr("ASCII 字符串");
    return names;
}

RegisterFormat formatAt(int index)
{
    RegisterFormat format;
    if (index == 1) {
        format.format = ValueFormat::UInt16;
    } else if (index >= 2 && index < choiceCount - 1) {
        format.format =
            static_cast<ValueFormat>(static_cast<int>(ValueFormat::Int32) + (index - 2) / 4);
        format.order = static_cast<WordOrder>((index - 2) % 4);
    } else if (index == choiceCount - 1) {
        format.format = ValueFormat::Ascii;
    }
    return format;
}

int indexOfFormat(RegisterFormat format)
{
    for (int i = 0; i < choiceCount; ++i) {
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
    if (format.format == ValueFormat::Ascii) {
        out.text = asciiText(data.left(2 * registers));
        return out;
    }
    if (!isWide(format.format)) {
        for (int r = 0; r < registers; ++r) {
            const quint16 raw = qFromBigEndian<quint16>(b + 2 * r);
            const int value = format.format == ValueFormat::Int16 ? static_cast<qint16>(raw) : raw;
            out.numbers << value;
            out.text += QString::number(value) + QLatin1Char(' ');
        }
        return out;
    }
    const int size = registersPerValue(format);
    for (int r = 0; r + size <= registers; r += size) {
        appendWide(wideValue(b + 2 * r, size, format.order), format.format, &out);
    }
    out.leftoverRegisters = registers % size;
    if (out.leftoverRegisters > 0) {
        out.text += Texts::tr("(余 %1 个寄存器)").arg(out.leftoverRegisters);
    }
    return out;
}

QByteArray encodeRegisterValue(const QString &input, RegisterFormat format, QString *error)
{
    const QString text = input.trimmed();
    const ValueFormat f = format.format;
    if (f == ValueFormat::Ascii) {
        QByteArray bytes;
        for (const QChar c : text) {
            if (c.unicode() < 0x20 || c.unicode() > 0x7E) {
                *error = Texts::tr("只能是可打印的ASCII字符");
                return QByteArray();
            }
            bytes += char(c.unicode());
        }
        if (bytes.isEmpty()) {
            *error = Texts::tr("请输入文字");
        } else if (bytes.size() % 2 != 0) {
            bytes += '\0';
        }
        return bytes;
    }
    bool ok = false;
    quint64 raw = 0;
    const bool hex = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive);
    const QString digits = hex ? text.mid(2) : text;
    if (f == ValueFormat::Float32 || f == ValueFormat::Float64) {
        const double value = text.toDouble(&ok);
        ok = ok && std::isfinite(value)
             && (f == ValueFormat::Float64 || std::isfinite(static_cast<float>(value)));
        if (f == ValueFormat::Float32) {
            const float narrow = static_cast<float>(value);
            quint32 bits = 0;
            std::memcpy(&bits, &narrow, sizeof bits);
            raw = bits;
        } else {
            std::memcpy(&raw, &value, sizeof raw);
        }
    } else if (hex || f == ValueFormat::UInt64) {
        raw = digits.toULongLong(&ok, hex ? 16 : 10);
        const int bits = 16 * registersPerValue(format);
        ok = ok && !digits.startsWith(QLatin1Char('-')) && !digits.startsWith(QLatin1Char('+'))
             && (bits == 64 || raw >> bits == 0);
    } else {
        const qint64 value = text.toLongLong(&ok);
        qint64 low = std::numeric_limits<qint64>::min();
        qint64 high = std::numeric_limits<qint64>::max();
        if (f == ValueFormat::Int16 || f == ValueFormat::UInt16) {
            low = -32768;
            high = 65535;
        } else if (f == ValueFormat::Int32) {
            low = std::numeric_limits<qint32>::min();
            high = std::numeric_limits<qint32>::max();
        } else if (f == ValueFormat::UInt32) {
            low = 0;
            high = std::numeric_limits<quint32>::max();
        }
        ok = ok && value >= low && value <= high;
        raw = quint64(value);
    }
    if (!ok) {
        *error = Texts::tr("数值无效或超出范围: %1").arg(text);
        return QByteArray();
    }
    return wireBytes(raw, registersPerValue(format), format.order);
}

QString exceptionName(int code)
{
    switch (code) {
    case 0x01:
        return Texts::tr("非法功能");
    case 0x02:
        return Texts::tr("非法数据地址");
    case 0x03:
        return Texts::tr("非法数据值");
    case 0x04:
        return Texts::tr("从站设备故障");
    case 0x05:
        return Texts::tr("确认");
    case 0x06:
        return Texts::tr("从站设备忙");
    case 0x07:
        return Texts::tr("否定确认");
    case 0x08:
        return Texts::tr("存储奇偶性差错");
    case 0x0A:
        return Texts::tr("不可用网关路径");
    case 0x0B:
        return Texts::tr("网关目标设备响应失败");
    default:
        return Texts::tr("未知异常");
    }
}

int replyTimeoutMs(double characterMs, int requestBytes, int replyBytes)
{
    if (!(characterMs > 0)) {
        return 1000;
    }
    const double ms =
        (qMax(0, requestBytes) + 3.5 + qMax(0, replyBytes)) * characterMs + deviceAnswerMs;
    // The small allowance keeps a whole number that suffers a rounding error from going up by one.
    return static_cast<int>(std::ceil(qMin(ms, 3600e3) - 1e-9));
}

int registersPerValue(RegisterFormat format)
{
    switch (format.format) {
    case ValueFormat::Int32:
    case ValueFormat::UInt32:
    case ValueFormat::Float32:
        return 2;
    case ValueFormat::Int64:
    case ValueFormat::UInt64:
    case ValueFormat::Float64:
        return 4;
    default:
        return 1;
    }
}

bool hasGoodCrc(const QByteArray &frame)
{
    if (frame.size() < 4) {
        return false;
    }
    const quint16 crc = modbusCrc(frame.left(frame.size() - 2)); // already in wire order
    return byteAt(frame, frame.size() - 2) == (crc >> 8)
           && byteAt(frame, frame.size() - 1) == (crc & 0xFF);
}
