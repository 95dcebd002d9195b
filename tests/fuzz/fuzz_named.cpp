// Named text round trip, and named text of any content decodes without fault.
#include "tavihelper.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray raw(reinterpret_cast<const char *>(data), int(size));
    QByteArray expected = raw;
    expected.replace(QByteArray("\x0eH", 2), QByteArray("\x01", 1));
    if (TaviHelper::namedTextToBytes(TaviHelper::bytesToNamedText(raw)) != expected) {
        std::abort();
    }
    const QString text = QString::fromUtf8(raw);
    if (TaviHelper::namedTextToBytes(text).size() > text.size()) {
        std::abort();
    }
    TaviHelper::namedTextToBytes(QString::fromLatin1(raw));
    return 0;
}
