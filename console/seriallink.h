#ifndef SERIALLINK_H
#define SERIALLINK_H

#include <QObject>

class QSerialPort;

// The one serial port of a console session, with just the operations the console uses.
// The console polls it: data is taken only through bytesAvailable() and readAll().
class SerialLink : public QObject
{
    Q_OBJECT
public:
    explicit SerialLink(const QString &portName, QObject *parent = nullptr);
    ~SerialLink() override;

    bool open(); // read and write
    void flush();
    // Settings the platform refuses (1.5 stop bits on Linux, say) are ignored: false.
    bool setBaudRate(int baud);
    bool setDataBits(int bits);
    bool setParity(int code);   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    bool setStopBits(int code); // 0 one, 1 one and a half, 2 two
    bool setFlowControl(int code); // 0 off
    void setTimeout(int msec);
    bool isOpen() const;
    // Bytes the port accepted: 0 when a peer that does not read already has maxPendingWrite
    // bytes waiting, -1 when the device failed (failed() follows).
    qint64 write(const QByteArray &data);
    // Bytes written but not yet taken by the device.
    qint64 bytesToWrite() const;
    static constexpr qint64 maxPendingWrite = 4 * 1024 * 1024;
    qint64 bytesAvailable() const;
    QByteArray readAll();
    void close();

    // The device behind the name is no longer the one that was opened (gone, or replaced
    // by another node under the same name, as a re-plugged adapter or a restarted pty).
    bool deviceReplaced() const;

    // Device path for a port name: "ttyUSB0" -> "/dev/ttyUSB0"; a full path stays as it is.
    static QString systemLocation(const QString &portName);

    // Bytes the port holds for the console before it stops reading from the device.
    static constexpr qint64 readBufferBytes = 192 * 1024;

signals:
    // The device took some of the waiting bytes.
    void bytesWritten();
    // The device failed (unplugged, hung up, read or write error): the session is over.
    void failed();

private:
    void checkError(int error);

    QSerialPort *serial;
    int timeoutMs = 10;
    // Identity of the device node that was opened.
    quint64 openedDevice = 0;
    quint64 openedInode = 0;
    bool identityKnown = false;
};

#endif // SERIALLINK_H
