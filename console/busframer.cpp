#include "busframer.h"

#include "modbusreply.h"
#include "replymatcher.h"

#include <cmath>

namespace {
bool knownFunction(int function)
{
    return (function >= 1 && function <= 6) || function == 15 || function == 16;
}

// Lengths a frame starting at `at` may have, as a request or as a reply.
QVector<int> shapeLengths(const QByteArray &b, int at)
{
    QVector<int> lengths;
    if (b.size() - at < 4) {
        return lengths;
    }
    const int function = frameByte(b, at + 1);
    if (function & 0x80) {
        if (knownFunction(function & 0x7F)) {
            lengths << 5;
        }
        return lengths;
    }
    // As a request, the length its start tells (0 when too few bytes are left for one); as a
    // reply, the length a read's byte count tells, or 8 for a write's echo of its address.
    const int request = requestLength(b, at);
    if (request < 0) {
        return lengths;
    }
    if (isReadFunction(function)) {
        lengths << request << 5 + frameByte(b, at + 2);
    } else {
        lengths << 8;
        if (request > 8) {
            lengths << request;
        }
    }
    return lengths;
}

bool splitFrom(const QByteArray &b, int at, QVector<int> *lengths)
{
    if (at == b.size()) {
        return true;
    }
    for (int length : shapeLengths(b, at)) {
        if (at + length <= b.size() && hasGoodCrc(b.mid(at, length))) {
            lengths->append(length);
            if (splitFrom(b, at + length, lengths)) {
                return true;
            }
            lengths->removeLast();
        }
    }
    return false;
}
} // namespace

qint64 characterUs(const PortSettings &line)
{
    return qint64(std::llround(characterMs(line) * 1000.0));
}

qint64 standardFrameGapUs(const PortSettings &line)
{
    return line.baudRate > 19200 ? 1750 : qint64(std::llround(characterMs(line) * 3500.0));
}

qint64 standardCharGapUs(const PortSettings &line)
{
    return line.baudRate > 19200 ? 750 : qint64(std::llround(characterMs(line) * 1500.0));
}

QVector<int> splitByShape(const QByteArray &bytes)
{
    QVector<int> lengths;
    if (!splitFrom(bytes, 0, &lengths) || lengths.size() < 2) {
        lengths.clear();
    }
    return lengths;
}

void BusFramer::setLine(const PortSettings &line)
{
    characterTimeUs = characterUs(line);
    standardGapUs = standardFrameGapUs(line);
    charGap = standardCharGapUs(line);
}

void BusFramer::reset()
{
    lastUs = -1;
    current.clear();
    times.clear();
    silences.clear();
}

QVector<BusFrame> BusFramer::feed(const QByteArray &bytes, qint64 atUs)
{
    QVector<BusFrame> out;
    const int n = bytes.size();
    for (int i = 0; i < n; ++i) {
        // Back to back up to the read, but never before the byte that came before it.
        qint64 at = atUs - qint64(n - 1 - i) * characterTimeUs;
        qint64 silence = -1;
        if (lastUs >= 0) {
            at = qMax(at, lastUs);
            silence = qMax(qint64(0), at - characterTimeUs - lastUs);
        }
        if (!current.isEmpty() && silence >= frameGapUs()) {
            close(0, &out);
        }
        current.append(bytes.at(i));
        times.append(at);
        silences.append(silence);
        lastUs = at;
        if (current.size() >= maxFrameBytes) {
            close(BusFrame::Overlong, &out);
        }
    }
    return out;
}

QVector<BusFrame> BusFramer::flush(qint64 nowUs)
{
    QVector<BusFrame> out;
    if (!current.isEmpty() && nowUs - lastUs >= frameGapUs()) {
        close(0, &out);
    }
    return out;
}

QVector<BusFrame> BusFramer::finish()
{
    QVector<BusFrame> out;
    if (!current.isEmpty()) {
        close(0, &out);
    }
    return out;
}

BusFrame BusFramer::makeFrame(int from, int to, qint64 gapUs, int flags) const
{
    BusFrame f;
    f.bytes = current.mid(from, to - from);
    f.timeUs = times.at(from);
    f.endUs = times.at(to - 1);
    f.gapUs = gapUs;
    f.crcOk = hasGoodCrc(f.bytes);
    f.flags = flags;
    for (int i = from + 1; i < to; ++i) {
        if (silences.at(i) > charGap) {
            f.pauses.append({i - from, silences.at(i)});
        }
    }
    if (!f.pauses.isEmpty()) {
        f.flags |= BusFrame::InnerGap;
    }
    if (gapUs >= 0 && gapUs < standardGapUs) {
        f.flags |= BusFrame::ShortGap;
    }
    return f;
}

void BusFramer::close(int flags, QVector<BusFrame> *out)
{
    const QVector<int> parts = hasGoodCrc(current) ? QVector<int>() : splitByShape(current);
    if (parts.isEmpty()) {
        out->append(makeFrame(0, current.size(), silences.first(), flags));
    } else {
        int from = 0;
        for (int length : parts) {
            out->append(makeFrame(from, from + length, silences.at(from), flags | BusFrame::Split));
            from += length;
        }
    }
    current.clear();
    times.clear();
    silences.clear();
}
