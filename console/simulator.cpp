#include "simulator.h"

#include "busframer.h"
#include "modbusreply.h"
#include "replymatcher.h"

#include <QTimer>

DeviceSimulator::DeviceSimulator(QObject *parent)
    : QObject(parent), sim(&map), quiet(new QTimer(this))
{
    clock.start();
    quiet->setSingleShot(true);
    quiet->setTimerType(Qt::PreciseTimer);
    connect(quiet, &QTimer::timeout, this, &DeviceSimulator::lineQuiet);
    setLine(PortSettings());
}

void DeviceSimulator::setLine(const PortSettings &line)
{
    silence = int(standardFrameGapUs(line));
}

void DeviceSimulator::feed(const QByteArray &bytes)
{
    buffer += bytes;
    while (!discarding) {
        const int length = requestLength(buffer);
        if (length <= 0 || buffer.size() < length) {
            break; // more to come, or only the silence can end it
        }
        const QByteArray frame = buffer.left(length);
        buffer.remove(0, length);
        if (!hasGoodCrc(frame)) {
            discarding = true; // out of step with the frames: wait for the silence
        }
        handle(0, frame, 0);
    }
    if (discarding || buffer.size() > maxFrameBytes) {
        discarding = true;
        buffer.clear();
    }
    // A request whose length is known waits longer for its rest: a USB adapter may deliver
    // it in pieces further apart than the line's silence.
    const int gapMs = qMax(1, (silence + 999) / 1000);
    if (!buffer.isEmpty() && requestLength(buffer) > 0) {
        quiet->start(qMax(gapMs, patienceMs));
    } else if (!buffer.isEmpty() || discarding) {
        quiet->start(gapMs);
    }
}

void DeviceSimulator::lineQuiet()
{
    if (!discarding && !buffer.isEmpty()) {
        handle(0, buffer, 0);
    }
    buffer.clear();
    discarding = false;
}

void DeviceSimulator::feedNetwork(quintptr peer, const QByteArray &bytes)
{
    QVector<quint16> transactions;
    const QVector<QByteArray> frames = peers[peer].take(bytes, &transactions);
    for (int i = 0; i < frames.size(); ++i) {
        handle(peer, frames[i], transactions[i]);
    }
}

void DeviceSimulator::forgetPeer(quintptr peer)
{
    peers.remove(peer);
}

void DeviceSimulator::handle(quintptr peer, const QByteArray &frame, quint16 transaction)
{
    const SimAnswer a = sim.answer(frame, clock.elapsed());
    emit served(a.note);
    if (a.wrote) {
        emit written();
    }
    if (!a.reply) {
        return;
    }
    // Modbus TCP has no CRC: a bad one does not reach a TCP master.
    const QByteArray bytes = peer ? rtuToMbap(a.bytes, transaction) : a.bytes;
    const int splitAt = a.splitAt > 0 && peer ? a.splitAt + 5 : a.splitAt;
    const auto send = [this, peer](const QByteArray &piece) {
        if (peer) {
            emit replyTo(peer, piece);
        } else {
            emit reply(piece);
        }
    };
    if (a.delayMs == 0 && splitAt == 0) {
        send(bytes); // at once: a master's time limit may be short
        return;
    }
    QTimer::singleShot(a.delayMs, Qt::PreciseTimer, this, [=] {
        if (splitAt == 0) {
            send(bytes);
            return;
        }
        send(bytes.left(splitAt));
        QTimer::singleShot(a.gapMs, Qt::PreciseTimer, this, [=] { send(bytes.mid(splitAt)); });
    });
}
