#include "modbusreply.h"

#include "checksums.h"

#include <QCoreApplication>
#include <QtEndian>

#include <cmath>
#include <cstring>

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(ModbusReply)
};

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
    QStringList names = {Texts::tr("16 位有符号"), Texts::tr("16 位无符号")};
    const QString wide[] = {Texts::tr("32 位有符号"), Texts::tr("32 位无符号"), Texts::tr("32 位浮点")};
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
        out.text += Texts::tr("(余 %1 个寄存器)").arg(out.leftoverRegisters);
    }
    return out;
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
    const double ms = (qMax(0, requestBytes) + 3.5 + qMax(0, replyBytes)) * characterMs + deviceAnswerMs;
    // The small allowance keeps a whole number that suffers a rounding error from going up by one.
    return static_cast<int>(std::ceil(qMin(ms, 3600e3) - 1e-9));
}

int registersPerValue(RegisterFormat format)
{
    return isWide(format.format) ? 2 : 1;
}

bool hasGoodCrc(const QByteArray &frame)
{
    if (frame.size() < 4) {
        return false;
    }
    const quint16 crc = modbusCrc(frame.left(frame.size() - 2)); // already in wire order
    return byteAt(frame, frame.size() - 2) == (crc >> 8) && byteAt(frame, frame.size() - 1) == (crc & 0xFF);
}
