// Hex text of any content must decode without fault; bytes survive the round trip.
#include "tavihelper.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray raw(reinterpret_cast<const char *>(data), int(size));
    const QString text = QString::fromUtf8(raw);
    const QByteArray bytes = TaviHelper::hexTextToBytes(text);
    if (bytes.size() > text.size() / 2 + 1) {
        std::abort();
    }
    TaviHelper::hexTextToBytes(QString::fromLatin1(raw));
    if (TaviHelper::hexTextToBytes(TaviHelper::bytesToHexText(raw)) != raw) {
        std::abort();
    }
    return 0;
}
