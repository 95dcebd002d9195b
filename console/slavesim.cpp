#include "slavesim.h"

#include "modbusreply.h"
#include "tavihelper.h"

#include <QCoreApplication>

namespace {
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(SlaveSimulator)
};

int word(const QByteArray &bytes, int at)
{
    return (quint8(bytes.at(at)) << 8) | quint8(bytes.at(at + 1));
}

void appendWord(QByteArray *bytes, int value)
{
    bytes->append(char((value >> 8) & 0xFF));
    bytes->append(char(value & 0xFF));
}

QByteArray exception(int function, int code)
{
    QByteArray pdu;
    pdu.append(char(function | 0x80));
    pdu.append(char(code));
    return pdu;
}

QByteArray withCrc(const QByteArray &frame)
{
    return frame + TaviHelper::crc16ModbusBytes(frame);
}

RegisterMap::Table tableOf(int function)
{
    switch (function) {
    case 1:
    case 5:
    case 15:
        return RegisterMap::Coil;
    case 2:
        return RegisterMap::Discrete;
    case 4:
        return RegisterMap::Input;
    default:
        return RegisterMap::Holding;
    }
}
} // namespace

SlaveSimulator::SlaveSimulator(RegisterMap *map)
    : map(map), random(QRandomGenerator::securelySeeded())
{
}

void SlaveSimulator::setFaults(int slave, const SlaveFaults &faults)
{
    faultsOf.insert(slave, faults);
}

bool SlaveSimulator::percent(int share)
{
    return share > 0 && int(random.bounded(100)) < share;
}

QByteArray SlaveSimulator::reply(int slave, const QByteArray &pdu, qint64 nowMs, bool *wrote)
{
    const int function = quint8(pdu.at(0));
    const bool write = function == 5 || function == 6 || function == 15 || function == 16;
    const bool known = write || (function >= 1 && function <= 4);
    if (!known) {
        return exception(function, 1);
    }
    if (pdu.size() < 5) {
        return exception(function, 3);
    }
    const RegisterMap::Table table = tableOf(function);
    const int first = word(pdu, 1);
    const bool bits = table == RegisterMap::Coil || table == RegisterMap::Discrete;
    int count = write && function < 15 ? 1 : word(pdu, 3);
    // Counts and values first, then addresses, as devices check them.
    if (function == 15 || function == 16) {
        const int dataBytes = pdu.size() > 5 ? quint8(pdu.at(5)) : -1;
        const int limit = function == 15 ? 1968 : 123;
        const int needed = function == 15 ? (count + 7) / 8 : count * 2;
        if (count < 1 || count > limit || dataBytes != needed || pdu.size() != 6 + dataBytes) {
            return exception(function, 3);
        }
    } else if (function == 5) {
        if (word(pdu, 3) != 0xFF00 && word(pdu, 3) != 0) {
            return exception(function, 3);
        }
    } else if (!write && (count < 1 || count > (bits ? 2000 : 125))) {
        return exception(function, 3);
    }
    const QVector<int> slaves = slave == 0 ? map->slaves() : QVector<int>{slave};
    if (slave != 0 && !map->covers(slave, table, first, count)) {
        return exception(function, 2);
    }
    if (!write) {
        QByteArray out(1, char(function));
        out.append(char(bits ? (count + 7) / 8 : count * 2));
        if (bits) {
            out.append(QByteArray((count + 7) / 8, '\0'));
        }
        for (int i = 0; i < count; ++i) {
            const quint16 v = map->value(slave, table, first + i, nowMs);
            if (!bits) {
                appendWord(&out, v);
            } else if (v) {
                out[2 + i / 8] = char(quint8(out.at(2 + i / 8)) | (1 << (i % 8)));
            }
        }
        return out;
    }
    for (int s : slaves) {
        if (!map->covers(s, table, first, count)) {
            continue; // a broadcast reaches the slaves that have the addresses
        }
        for (int i = 0; i < count; ++i) {
            quint16 v = 0;
            if (function == 5) {
                v = word(pdu, 3) ? 1 : 0;
            } else if (function == 6) {
                v = quint16(word(pdu, 3));
            } else if (function == 15) {
                v = (quint8(pdu.at(6 + i / 8)) >> (i % 8)) & 1;
            } else {
                v = quint16(word(pdu, 6 + 2 * i));
            }
            map->write(s, table, first + i, v, nowMs);
        }
        *wrote = true;
    }
    return pdu.left(5); // FC 5 and 6 echo the request, FC 15 and 16 its address and count
}

QByteArray SlaveSimulator::respond(const QByteArray &frame, qint64 nowMs, bool *wrote)
{
    bool done = false;
    if (!wrote) {
        wrote = &done;
    }
    *wrote = false;
    if (frame.size() < 4 || !hasGoodCrc(frame)) {
        return QByteArray();
    }
    const int slave = quint8(frame.at(0));
    if (slave != 0 && !map->hasSlave(slave)) {
        return QByteArray();
    }
    const QByteArray pdu = reply(slave, frame.mid(1, frame.size() - 3), nowMs, wrote);
    if (slave == 0) {
        return QByteArray();
    }
    return withCrc(char(slave) + pdu);
}

SimAnswer SlaveSimulator::answer(const QByteArray &frame, qint64 nowMs)
{
    SimAnswer a;
    const QString request = frame.toHex(' ').toUpper();
    if (frame.size() < 4 || !hasGoodCrc(frame)) {
        a.note = Texts::tr("%1: CRC错误, 不应答").arg(request);
        return a;
    }
    a.slave = quint8(frame.at(0));
    if (a.slave != 0 && !map->hasSlave(a.slave)) {
        a.note = Texts::tr("%1: 从站 %2 不在表中, 不应答").arg(request).arg(a.slave);
        return a;
    }
    const SlaveFaults f = faultsOf.value(a.slave);
    FaultCounts &c = countsOf[a.slave];
    ++c.requests;
    const int function = quint8(frame.at(1));
    if (a.slave != 0 && f.exceptionCode > 0 && function == f.exceptionFunction) {
        ++c.forcedException;
        ++c.exceptions;
        a.bytes = withCrc(char(a.slave) + exception(function, f.exceptionCode));
        a.note = Texts::tr("故障: 异常 %1").arg(f.exceptionCode, 2, 10, QLatin1Char('0'));
    } else {
        a.bytes = respond(frame, nowMs, &a.wrote);
        if (a.bytes.size() > 1 && (quint8(a.bytes.at(1)) & 0x80)) {
            ++c.exceptions;
        }
    }
    QStringList faults;
    if (!a.note.isEmpty()) {
        faults << a.note;
    }
    if (a.slave == 0) {
        a.note = Texts::tr("%1: 广播, 不应答").arg(request);
        return a;
    }
    if (percent(f.noReplyPercent)) {
        ++c.noReply;
        a.note = Texts::tr("%1: 故障: 不应答").arg(request);
        return a;
    }
    if (percent(f.wrongSlavePercent)) {
        ++c.wrongSlave;
        a.bytes = withCrc(char(a.slave % 247 + 1) + a.bytes.mid(1, a.bytes.size() - 3));
        faults << Texts::tr("故障: 从站地址 %1").arg(a.slave % 247 + 1);
    }
    if (percent(f.badCrcPercent)) {
        ++c.badCrc;
        a.bytes[a.bytes.size() - 1] = char(a.bytes.at(a.bytes.size() - 1) ^ 0x5A);
        faults << Texts::tr("故障: CRC错误");
    }
    a.delayMs = f.delayMinMs;
    if (f.delayMaxMs > f.delayMinMs) {
        a.delayMs += int(random.bounded(f.delayMaxMs - f.delayMinMs + 1));
    }
    if (a.delayMs > 0) {
        ++c.delayed;
        faults << Texts::tr("故障: 延时 %1 ms").arg(a.delayMs);
    }
    if (percent(f.splitPercent)) {
        ++c.split;
        a.splitAt = a.bytes.size() / 2;
        a.gapMs = f.splitGapMs;
        faults << Texts::tr("故障: 分两段, 间隔 %1 ms").arg(f.splitGapMs);
    }
    a.reply = true;
    a.note = QStringLiteral("%1 -> %2").arg(request, QString(a.bytes.toHex(' ').toUpper()));
    if (!faults.isEmpty()) {
        a.note += QStringLiteral(" (%1)").arg(faults.join(QStringLiteral(", ")));
    }
    return a;
}
