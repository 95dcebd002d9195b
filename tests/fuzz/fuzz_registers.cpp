// Pairing of arbitrary receptions with the console's requests, and their display.
#include "checksums.h"
#include "reception.h"
#include "replymatcher.h"
#include "tavihelper.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    [[maybe_unused]] static const bool codec = (TaviHelper::setUtf8Codec(), true);
    const QByteArray raw(reinterpret_cast<const char *>(data), int(size));
    const QString hex = receptionText(raw, true);
    receptionText(raw, false);
    findReplyIndex(hex, {QString(), QStringLiteral("01 03"), QString::fromLatin1(raw)});

    // Input: per step one control byte (low bits: send a request or feed the next bytes),
    // then what it needs.
    ReplyMatcher matcher;
    int requests = 0;
    int ended = 0;
    qint64 now = 0;
    const auto count = [&](const QVector<ReplyDecode> &out) {
        for (const ReplyDecode &d : out) {
            ended += endsRequest(d.kind) ? 1 : 0;
            if (d.trusted && d.kind != ReplyDecode::Values) {
                std::abort();
            }
        }
    };
    int i = 0;
    while (i + 1 < raw.size()) {
        const int control = uchar(raw.at(i++));
        now += control >> 4;
        if ((control & 3) == 0 && i + 6 <= raw.size()) {
            QByteArray frame = raw.mid(i, 6);
            i += 6;
            const quint16 crc = modbusCrc(frame); // wire order already
            frame += QByteArray{char(crc >> 8), char(crc & 0xFF)};
            ModbusRequest request;
            if (parseRequest(frame, &request)) {
                matcher.sent(request, now, 100 + (control >> 2));
                requests += request.slave != 0 ? 1 : 0;
            }
        } else {
            const int n = qMin(1 + (control >> 2), raw.size() - i);
            count(matcher.receive(raw.mid(i, n), now, RegisterFormat()));
            i += n;
        }
        count(matcher.expire(now, RegisterFormat()));
        if (matcher.pendingCount() > ReplyMatcher::maxPending) {
            std::abort();
        }
    }
    count(matcher.receive(QByteArray(), now, RegisterFormat()));
    // Each answer gives the next request its full time again: a tick for each.
    for (int tick = 0; tick <= ReplyMatcher::maxPending; ++tick) {
        count(matcher.expire(now += 1000, RegisterFormat()));
    }
    if (ended != requests || matcher.pendingCount() != 0) {
        std::abort();
    }
    return 0;
}
