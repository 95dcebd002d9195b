// Register decoding and display of arbitrary receptions.
#include "reception.h"
#include "tavihelper.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool codec = (TaviHelper::setUtf8Codec(), true);
    (void)codec;
    const QByteArray raw(reinterpret_cast<const char *>(data), int(size));
    const QString values = decodeRegisterValues(raw);
    // At most one value per two data bytes, each at most "-32768 ".
    if (values.size() > qMax(0, int(size) - 3) / 2 * 7 + 7) {
        std::abort();
    }
    const QString hex = receptionText(raw, true);
    receptionText(raw, false);
    findReplyIndex(hex, {QString(), QStringLiteral("01 03"), QString::fromLatin1(raw)});
    return 0;
}
