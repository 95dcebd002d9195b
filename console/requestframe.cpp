#include "requestframe.h"

#include "byteutil.h"
#include "checksums.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(RequestFrame)
};

struct Field {
    const char *name;
    QString label;
    int low;
    int high;
    QString range;
};

// The number in `text` when it is a decimal within the field's range; otherwise the error.
bool readField(const QString &text, const Field &field, int *value, RequestRow *row)
{
    bool ok = false;
    *value = text.trimmed().toInt(&ok, 10);
    if (ok && *value >= field.low && *value <= field.high) {
        return true;
    }
    row->field = QLatin1String(field.name);
    row->error = Texts::tr("%1应为 %2 的整数, 现为 \"%3\"").arg(field.label, field.range, text);
    return false;
}

void fail(RequestRow *row, const char *field, const QString &error)
{
    row->field = QLatin1String(field);
    row->error = error;
}

// A count's upper limit, lowered where it would run past address 65535.
int countLimit(int most, int first, QString *range)
{
    const int high = qMin(most, 65536 - first);
    *range = high == 1 ? QStringLiteral("1") : QStringLiteral("1-%1").arg(high);
    if (high < most) {
        *range += Texts::tr(" (从地址 %1 起)").arg(first);
    }
    return high;
}

// FC 15's bits packed eight to a byte, first bit lowest; FC 16's values two bytes each.
bool readList(int fc, int first, const QString &text, QByteArray *data, int *count, RequestRow *row)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    static const QRegularExpression hexWord(QStringLiteral("^0[xX][0-9A-Fa-f]{1,4}$"));
    const QStringList items = text.split(separators, Qt::SkipEmptyParts);
    for (int i = 0; i < items.size(); ++i) {
        const QString &item = items.at(i);
        bool ok = false;
        const int value =
            hexWord.match(item).hasMatch() ? item.mid(2).toInt(&ok, 16) : item.toInt(&ok, 10);
        if (fc == 15 && (item == QLatin1String("0") || item == QLatin1String("1"))) {
            if (i % 8 == 0) {
                data->append('\0');
            }
            (*data)[i / 8] = char(uchar(data->at(i / 8)) | (value << (i % 8)));
        } else if (fc == 16 && ok && value >= -32768 && value <= 65535) {
            data->append(char((value >> 8) & 0xFF))
                .append(char(value & 0xFF)); // negative as two's complement
        } else {
            const QString error = fc == 15
                                      ? Texts::tr("写入数据第 %1 个应为 0 或 1, 现为 \"%2\"")
                                      : Texts::tr("写入数据第 %1 个应为 0-65535, -32768 到 -1 或 "
                                                  "0x0000-0xFFFF, 现为 \"%2\"");
            fail(row, "data", error.arg(i + 1).arg(item));
            return false;
        }
    }
    QString range;
    *count = items.size();
    const int high = countLimit(fc == 15 ? 1968 : 123, first, &range);
    if (*count < 1 || *count > high) {
        fail(row, "data", Texts::tr("写入数据应为 %1 个值, 现为 %2 个").arg(range).arg(*count));
        return false;
    }
    return true;
}

QByteArray frameOf(int slave, int fc, int first, int field, const QByteArray &data)
{
    QByteArray frame(6, '\0');
    char *p = frame.data();
    ByteUtil::setByte(p, 0, slave);
    ByteUtil::setByte(p, 1, fc);
    ByteUtil::setShortBE(p, 2, first);
    ByteUtil::setShortBE(p, 4, field & 0xFFFF); // a negative value as two's complement
    if (fc == 15 || fc == 16) {
        frame += char(data.size());
        frame += data;
    }
    const quint16 crc = modbusCrc(frame);
    frame += char(crc >> 8);
    frame += char(crc & 0xFF);
    return frame;
}
} // namespace

QStringList functionChoices()
{
    return {Texts::tr("01 读线圈"),       Texts::tr("02 读离散输入"),  Texts::tr("03 读保持寄存器"),
            Texts::tr("04 读输入寄存器"), Texts::tr("05 写单个线圈"),  Texts::tr("06 写单个寄存器"),
            Texts::tr("0F 写多个线圈"),   Texts::tr("10 写多个寄存器")};
}

int functionFromChoice(const QString &text)
{
    static const QRegularExpression entry(QStringLiteral("^([0-9A-Fa-f]{2})\\s+\\S"));
    const QString trimmed = text.trimmed();
    const QRegularExpressionMatch match = entry.match(trimmed);
    bool ok = false;
    const int code = match.hasMatch() ? match.captured(1).toInt(&ok, 16) : trimmed.toInt(&ok, 10);
    return ok && code > 0 && code < 256 ? code : 0;
}

RequestRow checkRequest(const QString &address, const QString &function, const QString &reg,
                        const QString &countOrValue, const QString &dataList)
{
    RequestRow row;
    const int fc = functionFromChoice(function);
    if (!(fc >= 1 && fc <= 6) && fc != 15 && fc != 16) {
        fail(&row, "fid",
             Texts::tr("功能码应为 1-6, 15 (0F) 或 16 (10), 现为 \"%1\"").arg(function));
        return row;
    }
    const bool write = fc >= 5;
    const Field slaveField =
        write ? Field{"pid", Texts::tr("通讯地址"), 0, 247, Texts::tr("0-247 (0 为广播)")}
              : Field{"pid", Texts::tr("通讯地址"), 1, 247, QStringLiteral("1-247")};
    int slave = 0;
    int first = 0;
    if (!readField(address, slaveField, &slave, &row)
        || !readField(reg, {"addr", Texts::tr("内存地址"), 0, 65535, QStringLiteral("0-65535")},
                      &first, &row)) {
        return row;
    }
    int field = 0;
    QByteArray data;
    QString range;
    if (!write) {
        const int high = countLimit(fc <= 2 ? 2000 : 125, first, &range);
        if (!readField(countOrValue, {"value", Texts::tr("读取数量"), 1, high, range}, &field,
                       &row)) {
            return row;
        }
    } else if (fc == 5) {
        const QString state = countOrValue.trimmed().toLower();
        if (state != QLatin1String("1") && state != QLatin1String("on")
            && state != QLatin1String("0") && state != QLatin1String("off")) {
            fail(&row, "value",
                 Texts::tr("写入值应为 1 (on) 或 0 (off), 现为 \"%1\"").arg(countOrValue));
            return row;
        }
        field = state == QLatin1String("1") || state == QLatin1String("on") ? 0xFF00 : 0;
    } else if (fc == 6) {
        range = Texts::tr("0-65535 或 -32768 到 -1");
        if (!readField(countOrValue, {"value", Texts::tr("写入值"), -32768, 65535, range}, &field,
                       &row)) {
            return row;
        }
    } else {
        if (!readList(fc, first, dataList, &data, &field, &row)) {
            return row;
        }
        bool ok = false;
        if (!countOrValue.trimmed().isEmpty()
            && (countOrValue.trimmed().toInt(&ok, 10) != field || !ok)) {
            const QString error = Texts::tr("写入数量应为 %1 (写入数据的个数), 现为 \"%2\"");
            fail(&row, "value", error.arg(field).arg(countOrValue));
            return row;
        }
    }
    row.frame = frameOf(slave, fc, first, field, data);
    return row;
}

RequestRow checkRequestRow(const QString &address, const QString &function, const QString &reg,
                           const QString &value)
{
    const int fc = functionFromChoice(function);
    const bool list = fc == 15 || fc == 16;
    RequestRow row =
        checkRequest(address, function, reg, list ? QString() : value, list ? value : QString());
    if (row.field == QLatin1String("data")) {
        row.field = QStringLiteral("value");
    }
    return row;
}

QString requestText(const QByteArray &frame)
{
    static const char digits[] = "0123456789ABCDEF";
    QString text;
    text.reserve(frame.size() * 3);
    for (char c : frame) {
        const auto b = static_cast<uchar>(c);
        text += QLatin1Char(digits[b >> 4]);
        text += QLatin1Char(digits[b & 0x0F]);
        text += QLatin1Char(' ');
    }
    return text;
}
