#include "requestframe.h"

#include "byteutil.h"
#include "checksums.h"

#include <QCoreApplication>

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
} // namespace

RequestRow checkRequestRow(const QString &address, const QString &function, const QString &reg,
                           const QString &value)
{
    RequestRow row;
    const int fc = function.trimmed().toInt();
    if (fc != 3 && fc != 4 && fc != 6) {
        row.field = QStringLiteral("fid");
        row.error = Texts::tr("功能码应为 3, 4 或 6, 现为 \"%1\"").arg(function);
        return row;
    }
    const bool write = fc == 6;
    const Field slaveField = write ? Field{"pid", Texts::tr("通讯地址"), 0, 247, Texts::tr("0-247 (0 为广播)")}
                                   : Field{"pid", Texts::tr("通讯地址"), 1, 247, QStringLiteral("1-247")};
    const Field valueField = write ? Field{"value", Texts::tr("写入值"), -32768, 65535,
                                           Texts::tr("0-65535 或 -32768 到 -1")}
                                   : Field{"value", Texts::tr("读取数量"), 1, 125, QStringLiteral("1-125")};
    int slave = 0;
    int first = 0;
    int number = 0;
    if (!readField(address, slaveField, &slave, &row)
        || !readField(reg, {"addr", Texts::tr("内存地址"), 0, 65535, QStringLiteral("0-65535")}, &first, &row)
        || !readField(value, valueField, &number, &row)) {
        return row;
    }
    QByteArray frame(8, '\0');
    char *p = frame.data();
    ByteUtil::setByte(p, 0, slave);
    ByteUtil::setByte(p, 1, fc);
    ByteUtil::setShortBE(p, 2, first);
    ByteUtil::setShortBE(p, 4, number & 0xFFFF); // a negative value as two's complement
    ByteUtil::setShortBE(p, 6, modbusCrc(frame.left(6)));
    row.frame = frame;
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
