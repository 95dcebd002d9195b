#include "busmonitor.h"

#include "monitorlink.h"

#include <QTimer>

BusMonitor::BusMonitor(QObject *parent)
    : QObject(parent), silenceTimer(new QTimer(this)), replyTimer(new QTimer(this))
{
    qRegisterMetaType<BusFrame>();
    qRegisterMetaType<BusFrameInfo>();
    qRegisterMetaType<ReplyDecode>();
    qRegisterMetaType<ModbusRequest>();
    pairer.setCharacterUs(framer.charUs());
    // The silence that ends a frame is a few milliseconds: a coarse timer would add to it.
    silenceTimer->setSingleShot(true);
    silenceTimer->setTimerType(Qt::PreciseTimer);
    connect(silenceTimer, &QTimer::timeout, this, [this] {
        if (link) {
            link->readNow();
            checkSilence(link->nowUs());
        }
    });
    replyTimer->setInterval(100);
    connect(replyTimer, &QTimer::timeout, this, [this] {
        if (link) {
            endRequests(pairer.expire(link->nowUs()));
        }
    });
}

BusMonitor::~BusMonitor()
{
    delete link.data();
}

bool BusMonitor::isRunning() const
{
    return link && link->isOpen();
}

void BusMonitor::setFormat(RegisterFormat format)
{
    valueFormat = format;
    pairer.setFormat(format);
}

void BusMonitor::restart()
{
    framer.setLine(settings);
    framer.reset();
    pairer.setCharacterUs(framer.charUs());
    pairer.reset();
    frameCount = 0;
    emit cleared();
}

bool BusMonitor::start(const PortSettings &line)
{
    stop();
    settings = line;
    link = new MonitorLink(this);
    if (!link->open(line)) {
        const QString why = link->openFailure();
        delete link.data();
        emit stopped(why);
        return false;
    }
    settings = link->lineSettings();
    restart();
    connect(link, &MonitorLink::piece, this, &BusMonitor::takePiece);
    connect(link, &MonitorLink::failed, this, &BusMonitor::lost, Qt::QueuedConnection);
    replyTimer->start();
    emit started(settings);
    return true;
}

void BusMonitor::stop()
{
    if (!link) {
        return;
    }
    link->readNow();
    delete link.data();
    silenceTimer->stop();
    replyTimer->stop();
    deliver(framer.finish());
    emit stopped(QString());
}

void BusMonitor::lost()
{
    if (!link) {
        return;
    }
    delete link.data();
    silenceTimer->stop();
    replyTimer->stop();
    deliver(framer.finish());
    emit stopped(tr("串口中断异常!!"));
}

void BusMonitor::replay(const QVector<BusFrame> &frames, const PortSettings &line)
{
    stop();
    settings = line;
    restart();
    const qint64 charUs = framer.charUs();
    for (BusFrame f : frames) {
        f.endUs = f.timeUs + qint64(qMax(0, f.bytes.size() - 1)) * charUs;
        endRequests(pairer.expire(f.timeUs));
        deliver({f});
    }
}

void BusMonitor::takePiece(const QByteArray &bytes, qint64 atUs)
{
    deliver(framer.feed(bytes, atUs));
    armSilence();
}

void BusMonitor::checkSilence(qint64 nowUs)
{
    deliver(framer.flush(nowUs));
    endRequests(pairer.expire(nowUs));
    armSilence();
}

void BusMonitor::armSilence()
{
    if (!link || !framer.hasPending()) {
        return;
    }
    const qint64 leftUs = framer.pendingUntilUs() - link->nowUs();
    silenceTimer->start(int(qBound(qint64(1), (leftUs + 999) / 1000, qint64(1000))));
}

void BusMonitor::deliver(const QVector<BusFrame> &frames)
{
    for (const BusFrame &f : frames) {
        QVector<BusRequestEnd> ended;
        const qint64 number = frameCount++;
        const BusFrameInfo info = pairer.take(f, number, &ended);
        // A request's end before the frame that ends it, as on the line.
        endRequests(ended);
        if (info.kind == BusKind::Request) {
            emit requestSeen(info.request);
        }
        emit frameSeen(number, f, info);
    }
}

void BusMonitor::endRequests(const QVector<BusRequestEnd> &ended)
{
    for (const BusRequestEnd &e : ended) {
        emit requestEnded(e.outcome, e.requestNumber);
    }
}
