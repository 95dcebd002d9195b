#include "requestframe.h"

#include "byteutil.h"
#include "checksums.h"

QByteArray buildRequestFrame(const QString &address, const QString &function, const QString &reg,
                             const QString &value)
{
    QByteArray frame(8, '\0');
    char *p = frame.data();
    ByteUtil::setByte(p, 0, static_cast<int>(address.toUInt()));
    ByteUtil::setByte(p, 1, static_cast<int>(function.toUInt()));
    ByteUtil::setShortBE(p, 2, reg.toUShort());
    ByteUtil::setShortBE(p, 4, value.toUShort());
    ByteUtil::setShortBE(p, 6, modbusCrc(frame.left(6)));
    return frame;
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
