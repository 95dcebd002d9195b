#ifndef BUSFRAMER_H
#define BUSFRAMER_H

#include "portsettings.h"

#include <QByteArray>
#include <QVector>
#include <QtGlobal>

// Character timing of a Modbus RTU line, in microseconds. A character is its start bit, data
// bits, parity bit and stop bits. Frames are apart by at least 3.5 characters of silence and a
// frame's characters by at most 1.5; above 19200 baud the rule fixes 1750 and 750 µs instead.
qint64 characterUs(const PortSettings &line);
qint64 standardFrameGapUs(const PortSettings &line);
qint64 standardCharGapUs(const PortSettings &line);

// One frame as the line carried it. Times are microseconds on the clock the pieces were
// stamped with; a byte's time is when it was read, which is when its character had ended.
struct BusFrame {
    enum Flag {
        ShortGap = 1, // less than 3.5 characters of silence before it
        InnerGap = 2, // more than 1.5 characters of silence inside it
        Split = 4,    // taken apart from what the silence left as one frame, by its shape
        Overlong = 8, // cut at maxFrameBytes without a silence
    };
    // A silence of `us` before the byte at `offset` (counted from the frame's first byte).
    struct Pause {
        int offset = 0;
        qint64 us = 0;
    };
    qint64 timeUs = 0; // its first byte
    qint64 endUs = 0;  // its last byte
    qint64 gapUs = -1; // silence before it; -1 when nothing came before
    QByteArray bytes;
    bool crcOk = false;
    int flags = 0;
    QVector<Pause> pauses; // those over 1.5 characters
};

// Cuts what a monitored line carries into frames at the silences between them. The pieces are
// what each read of the port took, stamped with the time of the read: the bytes of one piece
// are taken to have come back to back, the last of them at that time. So a gap is only as good
// as the reads: the event loop's delay and the adapter's own buffering (a USB adapter hands
// over bytes in bursts, every 1-16 ms) blur it, and a gap shorter than that can go unseen.
// What the silence leaves as one frame with a bad CRC is taken apart when it is two or more
// good frames of a known shape one after the other: frames sent with too short a gap.
class BusFramer
{
public:
    // Bytes without a silence long enough end a frame here; RTU frames are at most 256.
    static constexpr int maxFrameBytes = 512;

    explicit BusFramer(const PortSettings &line = PortSettings()) { setLine(line); }
    void setLine(const PortSettings &line);
    // The silence that ends a frame; 0 for the standard 3.5 characters.
    void setFrameGapUs(qint64 us) { gapOverrideUs = us; }
    qint64 frameGapUs() const { return gapOverrideUs > 0 ? gapOverrideUs : standardGapUs; }
    qint64 charUs() const { return characterTimeUs; }
    qint64 standardGap() const { return standardGapUs; }
    qint64 charGapUs() const { return charGap; }

    // Bytes read at `atUs`; returns the frames they end.
    QVector<BusFrame> feed(const QByteArray &bytes, qint64 atUs);
    // The frame in progress, when the line has been silent long enough by `nowUs`.
    QVector<BusFrame> flush(qint64 nowUs);
    // The frame in progress, however the line goes on.
    QVector<BusFrame> finish();
    bool hasPending() const { return !current.isEmpty(); }
    // When flush() will end the frame in progress, if nothing more comes.
    qint64 pendingUntilUs() const { return lastUs + frameGapUs(); }
    void reset();

private:
    void close(int flags, QVector<BusFrame> *out);
    BusFrame makeFrame(int from, int to, qint64 gapUs, int flags) const;

    qint64 characterTimeUs = 0;
    qint64 standardGapUs = 0;
    qint64 charGap = 0;
    qint64 gapOverrideUs = 0;
    qint64 lastUs = -1;       // the last byte's time
    QByteArray current;       // the frame in progress
    QVector<qint64> times;    // of its bytes
    QVector<qint64> silences; // before each of its bytes; the first's is the gap before it
};

// The lengths of the good frames of known shape (requests and replies of function codes 1-6,
// 15 and 16, exceptions) that `bytes` consists of, when there are at least two; else none.
QVector<int> splitByShape(const QByteArray &bytes);

#endif // BUSFRAMER_H
