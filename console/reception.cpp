#include "reception.h"

#include "byteutil.h"
#include "tavihelper.h"

#include <QTextCodec>

QString receptionText(const QByteArray &data, bool hex)
{
    if (hex) {
        return TaviHelper::bytesToHexText(data);
    }
    const int end = data.indexOf('\0');
    const int length = end < 0 ? data.size() : end;
    return QTextCodec::codecForLocale()->toUnicode(data.constData(), length);
}

QString decodeRegisterValues(const QByteArray &data)
{
    if (data.size() < 3) {
        return QString();
    }
    const char *p = data.constData();
    const int count = ByteUtil::getByte(p, 2);
    QString values;
    for (int k = 0; k < count / 2; ++k) {
        const int at = 3 + 2 * k;
        if (at + 1 >= data.size()) {
            break;
        }
        values += QString::number(ByteUtil::getShortBE(p, at));
        values += QLatin1Char(' ');
    }
    return values;
}

int findReplyIndex(const QString &displayText, const QStringList &keys)
{
    for (int i = 0; i < keys.size(); ++i) {
        if (displayText.startsWith(keys.at(i))) {
            return i;
        }
    }
    return -1;
}
