#ifndef SLAVESIM_H
#define SLAVESIM_H

#include "registermap.h"

#include <QByteArray>
#include <QHash>
#include <QRandomGenerator>
#include <QString>

// How a simulated slave misbehaves on purpose; shares are per cent of its requests.
struct SlaveFaults {
    int noReplyPercent = 0;
    int delayMinMs = 0; // every reply waits this long, or a random time up to delayMaxMs
    int delayMaxMs = 0;
    int badCrcPercent = 0;
    int splitPercent = 0; // the reply goes in two pieces, splitGapMs apart
    int splitGapMs = 0;
    int exceptionFunction = 0; // requests of this function get exceptionCode instead
    int exceptionCode = 0;
    int wrongSlavePercent = 0; // the reply names another slave
};

// What the faults did, and how many requests there were.
struct FaultCounts {
    qint64 requests = 0;
    qint64 exceptions = 0; // all exception replies, the forced ones included
    qint64 noReply = 0;
    qint64 delayed = 0;
    qint64 badCrc = 0;
    qint64 split = 0;
    qint64 forcedException = 0;
    qint64 wrongSlave = 0;
};

// The answer to one request: nothing, or a reply to send after delayMs, in two pieces when
// splitAt > 0 (the second gapMs after the first).
struct SimAnswer {
    bool reply = false;
    QByteArray bytes;
    int delayMs = 0;
    int splitAt = 0;
    int gapMs = 0;
    int slave = 0;
    // A write was done: the map has changed, whether the reply goes out or not.
    bool wrote = false;
    // For the log: what was asked and what became of it.
    QString note;
};

// A Modbus RTU slave answering from a register map: function codes 1-6, 15 and 16, exception
// 01 for any other function, 02 for addresses outside the map, 03 for bad counts or values;
// broadcast writes are applied to every slave that has the addresses, and not answered.
class SlaveSimulator
{
public:
    explicit SlaveSimulator(RegisterMap *map);

    void setFaults(int slave, const SlaveFaults &faults);
    SlaveFaults faults(int slave) const { return faultsOf.value(slave); }
    FaultCounts counts(int slave) const { return countsOf.value(slave); }
    void resetCounts() { countsOf.clear(); }
    void seed(quint32 value) { random.seed(value); }

    // A whole request frame, CRC included; no reply to a bad CRC or a slave not in the map.
    SimAnswer answer(const QByteArray &frame, qint64 nowMs);

    // The reply a correct device gives (with its CRC), or an empty array for no reply; for a
    // broadcast the writes are done. `wrote`, if given, tells whether a write was done.
    QByteArray respond(const QByteArray &frame, qint64 nowMs, bool *wrote = nullptr);

private:
    QByteArray reply(int slave, const QByteArray &pdu, qint64 nowMs, bool *wrote);
    bool percent(int share);

    RegisterMap *map;
    QHash<int, SlaveFaults> faultsOf;
    QHash<int, FaultCounts> countsOf;
    QRandomGenerator random;
};

#endif // SLAVESIM_H
