#ifndef SERIALLINK_H
#define SERIALLINK_H

#include "portsettings.h"
#include "reception.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVector>

class QSerialPort;

// The one serial port of a console session, with just the operations the console uses.
// The console polls it: data is taken only through bytesAvailable() and readAll().
class SerialLink : public QObject
{
    Q_OBJECT
public:
    explicit SerialLink(QObject *parent = nullptr);
    ~SerialLink() override;

    // Opens for reading and writing, empties the device's buffers and applies the settings;
    // a setting the platform refuses (1.5 stop bits on Linux, say) is left as it was.
    bool open(const PortSettings &settings);
    // Why the last open failed, in words for the user.
    QString openFailure() const;
    bool isOpen() const;
    QString portName() const { return settings.name; }
    // The settings the open port has, which may differ from those asked for.
    const PortSettings &lineSettings() const { return settings; }
    // Bytes the port accepted: 0 when a peer that does not read already has maxPendingWrite
    // bytes waiting (refused() says so once), -1 when the device failed (failed() follows).
    qint64 write(const QByteArray &data);
    // Bytes written but not yet taken by the device.
    qint64 bytesToWrite() const;
    static constexpr qint64 maxPendingWrite = 4 * 1024 * 1024;
    qint64 bytesAvailable();
    // RTS and DTR; false when the port refuses (with hardware flow control RTS is the port's).
    bool setRequestToSend(bool on);
    bool setDataTerminalReady(bool on);
    // The modem lines as QSerialPort::PinoutSignals, or -1 when the device has none to tell
    // (a pseudo-terminal).
    int modemLines();
    // Everything received, in the pieces it arrived in.
    QVector<ReceivedPiece> readAll();
    void close();
    // Whether arrived() is told as bytes come (for a reader that must not wait for a tick).
    void setWakeOnArrival(bool on) { wakeOnArrival = on; }

    // The device behind the name is no longer the one that was opened (gone, or replaced
    // by another node under the same name, as a re-plugged adapter or a restarted pty).
    bool deviceReplaced() const;

    // Device path for a port name: "ttyUSB0" -> "/dev/ttyUSB0"; a full path stays as it is.
    static QString systemLocation(const QString &portName);

    // Bytes the port holds for the console before it stops reading from the device.
    static constexpr qint64 readBufferBytes = 192 * 1024;

signals:
    // Bytes came in (for a reader that waits for them instead of polling).
    void arrived();
    // The device took some of the waiting bytes.
    void bytesWritten();
    // A write was refused because the peer does not read; once until it reads again.
    void refused();
    // The device failed (unplugged, hung up, read or write error): the session is over.
    void failed();

private:
    void checkError(int error);

    QSerialPort *serial;
    PortSettings settings;
    bool refusing = false;
    bool wakeOnArrival = true;
    QString nameProblem;
    // Identity of the device node that was opened.
    quint64 openedDevice = 0;
    quint64 openedInode = 0;
    bool identityKnown = false;
    // When each piece arrived: the read buffer's size after it, and the time.
    struct Arrival {
        qint64 bufferedAfter;
        qint64 ms;
    };
    QVector<Arrival> arrivals;
};

// The session clock: monotonic milliseconds.
qint64 monotonicMs();

#endif // SERIALLINK_H
