#ifndef BUSMONITOR_H
#define BUSMONITOR_H

#include "buspairer.h"
#include "portsettings.h"

#include <QMetaType>
#include <QObject>
#include <QPointer>

class MonitorLink;
class QTimer;

Q_DECLARE_METATYPE(BusFrame)
Q_DECLARE_METATYPE(BusFrameInfo)

// Listening to a Modbus RTU line without a word on it: the port opened read-only, its reads cut
// into frames by the silences between them, the frames paired into requests and replies. The
// window and the command line both run it; it knows nothing of either.
class BusMonitor : public QObject
{
    Q_OBJECT
public:
    explicit BusMonitor(QObject *parent = nullptr);
    ~BusMonitor() override;

    // Starts anew (frame numbers from 0); false, with stopped(why), when the port won't open.
    bool start(const PortSettings &line);
    // Ends the frame in progress and closes the port.
    void stop();
    bool isRunning() const;
    // The line as the port took it (as asked, until started).
    const PortSettings &line() const { return settings; }
    const BusFramer &framing() const { return framer; }

    // 0: the standard 3.5 characters.
    void setFrameGapUs(qint64 us) { framer.setFrameGapUs(us); }
    void setFormat(RegisterFormat format);
    RegisterFormat format() const { return valueFormat; }
    void setReplyTimeoutUs(qint64 us) { pairer.setTimeoutUs(us); }

    // Frames of a loaded capture, paired anew as if they had just been heard, for the line
    // `line` (whose character time gives the frames' ends).
    void replay(const QVector<BusFrame> &frames, const PortSettings &line);

public slots:
    // Bytes read at `atUs` (the link's clock).
    void takePiece(const QByteArray &bytes, qint64 atUs);
    // Ends the frame in progress and gives up a request, when the line has been silent
    // long enough by `nowUs`.
    void checkSilence(qint64 nowUs);

signals:
    void started(const PortSettings &line);
    // `problem` is empty for stop(): else why the port would not open or was lost.
    void stopped(const QString &problem);
    // Frame numbers start over at 0 here.
    void cleared();
    void frameSeen(qint64 number, const BusFrame &frame, const BusFrameInfo &info);
    // As the console's own requests and their outcomes, for the register tables and the chart.
    void requestSeen(const ModbusRequest &request);
    void requestEnded(const ReplyDecode &outcome, qint64 requestNumber);

private:
    void deliver(const QVector<BusFrame> &frames);
    void endRequests(const QVector<BusRequestEnd> &ended);
    void armSilence();
    void lost();
    void restart();

    QPointer<MonitorLink> link;
    PortSettings settings;
    BusFramer framer;
    BusPairer pairer;
    RegisterFormat valueFormat;
    QTimer *silenceTimer;
    QTimer *replyTimer;
    qint64 frameCount = 0;
};

#endif // BUSMONITOR_H
