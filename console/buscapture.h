#ifndef BUSCAPTURE_H
#define BUSCAPTURE_H

#include "buspairer.h"

#include <QFile>
#include <QString>
#include <QVector>

// A monitored frame as it is saved.
struct CapturedFrame {
    BusFrame frame;
    BusKind kind = BusKind::Unknown;
};

// Local time with microseconds, "2026-12-07T19:30:01.123456", of microseconds since the epoch.
QString busTimeText(qint64 epochUs);
bool parseBusTime(const QString &text, qint64 *epochUs);

// "request", "reply", "exception", "unknown".
QString busKindName(BusKind kind);

// One line per frame: "time,gap_ms,length,hex,crc,kind", the hex without blanks, crc "ok" or
// "bad", gap_ms empty for the first frame.
QString frameCsvHeader();
QString frameCsvLine(const BusFrame &frame, BusKind kind);

// A saved capture adds the direction the kind suggests ("to-slave" for requests, "to-master"
// for replies, empty when unknown) and the timing faults ("short-gap inner-gap split
// overlong") to those columns. The file is replaced only when written whole.
bool saveFramesCsv(const QString &path, const QVector<CapturedFrame> &frames, QString *error);
// The frames of such a file, or of the command line's output: columns are found by the
// header's names (time and hex are needed), the CRC is checked anew. Frames end when their
// last byte comes; the caller knows the character time. Empty with *error for a file that is
// not one (a line that is wrong is named).
QVector<BusFrame> loadFramesCsv(const QString &path, QString *error);

// Frames in a pcap file (microsecond time stamps) of link type LINKTYPE_USER0 (147): each
// packet is the raw RTU frame, address to CRC, as on the line. Wireshark shows them as Modbus
// RTU once DLT 147 is given the payload protocol "mbrtu" (Preferences, Protocols, DLT_USER).
class PcapWriter
{
public:
    static constexpr quint32 linkType = 147;
    bool open(const QString &path, QString *error);
    // Written through at once, so that a killed monitor leaves the frames so far.
    bool write(const BusFrame &frame);
    void close() { file.close(); }
    bool isOpen() const { return file.isOpen(); }

private:
    QFile file;
};
bool saveFramesPcap(const QString &path, const QVector<CapturedFrame> &frames, QString *error);

#endif // BUSCAPTURE_H
