#ifndef SERIALLINK_H
#define SERIALLINK_H

#include "portsettings.h"
#include "reception.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class QSerialPort;
class QSocketNotifier;

// The one serial port of a console session, with just the operations the console uses.
// The console polls it: data is taken only through bytesAvailable() and readAll(). The device
// is read there and then, not whenever it delivers a few bytes, so a steady stream wakes
// nobody between polls; a reader that must answer at once asks for setWakeOnArrival().
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
    // Takes in what the device holds now; the bytes waiting to be read.
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

    // On: the device is read as soon as it delivers, each piece stamped then, and arrived()
    // tells of it. Off (the default): read at the polls only, each piece stamped with the
    // poll that took it.
    void setWakeOnArrival(bool on);

    // The device behind the name is no longer the one that was opened (gone, or replaced
    // by another node under the same name, as a re-plugged adapter or a restarted pty).
    bool deviceReplaced() const;

    // Device path for a port name: "ttyUSB0" -> "/dev/ttyUSB0"; a full path stays as it is.
    static QString systemLocation(const QString &portName);

    // Bytes the port holds for the console before it stops reading from the device: when the
    // console falls behind, the sender is held back by the line instead of memory growing
    // without limit.
    static constexpr qint64 readBufferBytes = 192 * 1024;

signals:
    // Bytes came in; only while waking on arrival.
    void arrived();
    // A stream filled what the link holds between polls: it reads no more until polled.
    void held();
    // The device took some of the waiting bytes.
    void bytesWritten();
    // A write was refused because the peer does not read; once until it reads again.
    void refused();
    // The device failed (unplugged, hung up, read or write error): the session is over.
    void failed();

private:
    // A poll that finds at least this many bytes at this rate or more means a stream that
    // polls cannot carry: a pseudo-terminal holds a few kilobytes only, and a full one holds
    // the sender back. The link then reads as bytes come, on a thread of its own so that the
    // window's work on what came never keeps the line waiting, and holds up to
    // streamBufferBytes, which held() hands on without waiting for the next poll: small enough
    // that taking it in is a short pause of the window.
    static constexpr qint64 streamMinBytes = 4096;
    static constexpr qint64 streamBytesPerSecond = 400 * 1024;
    static constexpr qint64 streamBufferBytes = 1024 * 1024;
    // A stream is taken to have ended only when the polls find too little over at least this
    // long (the console polls every 100 ms).
    static constexpr qint64 streamJudgeMs = 50;

    void checkError(int error);
    // Reads what the device holds into `received`, up to the bound; ends the session when
    // the device hung up or failed. `most` caps one call.
    void takeFromDevice(qint64 most);
    qint64 bound() const { return streaming ? streamBufferBytes : readBufferBytes; }
    // A poll: takes what is there, then judges from the rate since the last poll whether the
    // device delivers more than polls can carry.
    void poll();
    // Reads as bytes come while that is wanted and there is room.
    void updateReader();
    void dropReader();
    void fail();
    // The stream's reader thread; stopped, it has been joined.
    void startStreamReader();
    void stopStreamReader();
    void readStream();
    // What the reader thread tells the link's own thread: the hold is full, bytes came (while
    // waking on arrival), the device is gone.
    void streamFilled();
    void streamArrived();
    void streamFailed();
    bool threaded() const { return streamThread.joinable(); }
    // Counts `taken` bytes just added to `received` as arrived at `ms`; with a reader thread
    // the caller holds `lock`.
    void noteArrival(qint64 ms, qint64 taken);

    QSerialPort *serial;
    int fd = -1;
    // Ours; the port's own read notifier stays off while it is open.
    QSocketNotifier *reader = nullptr;
    QPointer<QSocketNotifier> portReader;
    // `received`, `arrivals` and `takenTotal` are shared with the stream's reader thread.
    std::mutex lock;
    std::condition_variable room;
    std::thread streamThread;
    bool stopping = false;      // under `lock`
    bool streamHungUp = false;  // under `lock`: the reader thread found the device gone
    int streamFd = -1;          // the thread's own descriptor of the port
    int stopPipe[2] = {-1, -1}; // wakes the reader thread out of its wait for bytes
    std::atomic<bool> arrivalPosted{false};
    QByteArray received;
    std::atomic<bool> wake{false};
    // A stream faster than the polls can take: the device is read as it delivers until a
    // poll finds the rate below streamBytesPerSecond again.
    bool streaming = false;
    qint64 takenTotal = 0;
    // The count, and the time, at the poll that last judged the rate.
    qint64 takenAtPoll = 0;
    qint64 lastPollMs = 0;
    PortSettings settings;
    bool refusing = false;
    QString nameProblem;
    // Identity of the device node that was opened.
    quint64 openedDevice = 0;
    quint64 openedInode = 0;
    bool identityKnown = false;
    // When each piece arrived: the size of `received` after it, and the time.
    struct Arrival {
        qint64 bufferedAfter;
        qint64 ms;
    };
    QVector<Arrival> arrivals;
};

// The session clock: monotonic milliseconds.
qint64 monotonicMs();

#endif // SERIALLINK_H
