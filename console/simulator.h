#ifndef SIMULATOR_H
#define SIMULATOR_H

#include "modbustcp.h"
#include "portsettings.h"
#include "slavesim.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>

class QTimer;

// A simulated Modbus device on a serial line (RTU) and for TCP clients (Modbus TCP): cuts
// the incoming bytes into requests, answers each from the register map the moment it is
// whole, with the faults asked for.
class DeviceSimulator : public QObject
{
    Q_OBJECT
public:
    explicit DeviceSimulator(QObject *parent = nullptr);

    static constexpr int maxFrameBytes = 256;
    // How long the rest of a request whose start is here may take.
    static constexpr int patienceMs = 50;

    RegisterMap &registers() { return map; }
    SlaveSimulator &slaves() { return sim; }
    // The line's 3.5 characters of silence end a request whose length its start cannot tell.
    void setLine(const PortSettings &line);
    int silenceUs() const { return silence; }
    // Monotonic milliseconds, the clock of the generators.
    qint64 nowMs() const { return clock.elapsed(); }

    // Serial bytes as they arrive; replies come out through reply().
    void feed(const QByteArray &bytes);
    // A TCP client's Modbus TCP bytes; replies come out through replyTo().
    void feedNetwork(quintptr peer, const QByteArray &bytes);
    void forgetPeer(quintptr peer);

signals:
    void reply(const QByteArray &bytes);
    void replyTo(quintptr peer, const QByteArray &bytes);
    // One line per request: what it was and what was answered.
    void served(const QString &line);
    // A master's write was done: the map has changed (refused writes do not count).
    void written();

private:
    void lineQuiet();
    void handle(quintptr peer, const QByteArray &frame, quint16 transaction);

    RegisterMap map;
    SlaveSimulator sim;
    QElapsedTimer clock;
    QTimer *quiet;
    int silence = 4000; // us
    QByteArray buffer;
    bool discarding = false; // after a bad frame, until the line is quiet
    QHash<quintptr, MbapAssembler> peers;
};

#endif // SIMULATOR_H
