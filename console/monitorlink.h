#ifndef MONITORLINK_H
#define MONITORLINK_H

#include "portsettings.h"

#include <QByteArray>
#include <QObject>
#include <QString>

class QSerialPort;

// A serial port opened read-only to listen to a line: nothing can be written to it. Each read
// is taken as soon as the event loop hears of it and stamped in microseconds, so that the
// silences between frames can be measured; the stamps are wall-clock microseconds since the
// epoch, kept monotonic from the moment of opening.
class MonitorLink : public QObject
{
    Q_OBJECT
public:
    explicit MonitorLink(QObject *parent = nullptr);
    ~MonitorLink() override;

    bool open(const PortSettings &settings);
    QString openFailure() const;
    bool isOpen() const;
    void close();
    // The settings the open port has, which may differ from those asked for.
    const PortSettings &lineSettings() const { return settings; }
    // Takes what the device holds now, before the event loop would tell.
    void readNow();
    // The stamps' clock.
    qint64 nowUs() const;

signals:
    void piece(const QByteArray &bytes, qint64 atUs);
    // The device failed or vanished.
    void failed();

private:
    void takeAll();

    QSerialPort *serial;
    PortSettings settings;
    QString nameProblem;
    qint64 epochOffsetUs = 0;
};

#endif // MONITORLINK_H
