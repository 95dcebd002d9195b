#include "reception.h"

#include "tavihelper.h"

#include <cctype>

QString receptionText(const QByteArray &data, bool hex)
{
    if (hex) {
        return TaviHelper::bytesToHexText(data);
    }
    const auto end = data.indexOf('\0');
    // The locale codec (UTF-8 from start-up on); Qt 6 decodes local 8-bit text as UTF-8 always.
    return showControls(QString::fromLocal8Bit(data.constData(), end < 0 ? data.size() : end));
}

namespace {
// Characters that would act instead of being seen: terminal escapes and other controls
// (a saved log shown in a terminal would run them) and the marks that reorder text.
bool isActiveCharacter(ushort c)
{
    return (c < 0x20 && c != '\t' && c != '\r' && c != '\n') || (c >= 0x7F && c <= 0x9F)
           || c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E)
           || (c >= 0x2066 && c <= 0x2069);
}
} // namespace

QString showControls(const QString &text)
{
    int i = 0;
    while (i < text.size() && !isActiveCharacter(text.at(i).unicode())) {
        ++i;
    }
    if (i == text.size()) {
        return text;
    }
    QString shown = text.left(i);
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (isActiveCharacter(c.unicode())) {
            shown += TaviHelper::bytesToNamedText(QString(c).toUtf8());
        } else {
            shown += c;
        }
    }
    return shown;
}

namespace {
// A key of hexadecimal pairs as the reception shows them: upper case, single blanks.
QString shownHexKey(const QString &key)
{
    for (const QChar c : key) {
        if (!c.isSpace() && (c.unicode() > 0x7F || !isxdigit(c.unicode()))) {
            return key;
        }
    }
    return key.simplified().toUpper();
}
} // namespace

int findReplyIndex(const QString &displayText, const QStringList &keys, bool hex)
{
    for (int i = 0; i < keys.size(); ++i) {
        if (displayText.startsWith(hex ? shownHexKey(keys.at(i)) : keys.at(i))) {
            return i;
        }
    }
    return -1;
}
