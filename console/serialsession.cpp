#include "serialsession.h"

#include "replymatcher.h"
#include "portnames.h"
#include "tavihelper.h"

#include <QElapsedTimer>

namespace {
qint64 monotonicMs()
{
    static QElapsedTimer clock;
    if (!clock.isValid()) {
        clock.start();
    }
    return clock.elapsed();
}
} // namespace

SerialSession::SerialSession(QObject *parent) : QObject(parent) {}

SerialSession::~SerialSession()
{
    // Release the device at once, so that it can be opened again by another program.
    delete link.data();
}

bool SerialSession::open(const PortSettings &settings)
{
    // The object of an earlier failed attempt is no longer needed.
    if (link) {
        link->deleteLater();
    }
    link = new SerialLink(this);
    // Queued: the port may fail in the middle of a read or a write.
    connect(link, &SerialLink::failed, this, &SerialSession::failed, Qt::QueuedConnection);
    connect(link, &SerialLink::bytesWritten, this, &SerialSession::bytesWritten);
    connect(link, &SerialLink::refused, this, &SerialSession::refused);
    const bool opened = link->open(settings);
    failure = opened ? QString() : link->openFailure();
    return opened;
}

void SerialSession::close()
{
    if (link) {
        link->close();
        link->deleteLater();
        link = nullptr;
    }
    pipeline.reset();
}

bool SerialSession::isOpen() const
{
    return link && link->isOpen();
}

bool SerialSession::stillThere(const QStringList &enumerated) const
{
    return link && portIsPresent(link->portName(), enumerated) && !link->deviceReplaced();
}

qint64 SerialSession::send(QString text, bool hex, QByteArray *sent, bool request)
{
    if (!isOpen()) {
        return -1;
    }
    if (text.startsWith(QLatin1String("AT"))) {
        text.append(QLatin1Char('\r'));
    }
    *sent = hex ? TaviHelper::hexTextToBytes(text) : TaviHelper::namedTextToBytes(text);
    const qint64 written = link->write(*sent);
    ModbusRequest parsed;
    if (request && written == sent->size() && parseRequest(*sent, &parsed)) {
        pipeline.sent(parsed, monotonicMs(), link->replyTimeoutMs(parsed.replyLength));
    }
    return written;
}

bool SerialSession::forward(const QByteArray &data)
{
    return isOpen() && link->write(data) == data.size();
}

qint64 SerialSession::bytesToWrite() const
{
    return link ? link->bytesToWrite() : 0;
}

SerialSession::Received SerialSession::receive(bool hex, RegisterFormat format, int delayMs)
{
    Received r;
    if (!link || link->bytesAvailable() <= 0) {
        return r;
    }
    if (delayMs > 0) {
        TaviHelper::delayMs(delayMs);
    }
    // The session may have ended while events were processed during the wait.
    if (!isOpen()) {
        return r;
    }
    r.bytes = link->readAll();
    if (!r.bytes.isEmpty()) {
        static_cast<ReceivePipeline::Reception &>(r) = pipeline.receive(r.bytes, hex, format, monotonicMs());
    }
    return r;
}

QVector<ReplyDecode> SerialSession::expire(RegisterFormat format)
{
    return pipeline.expire(monotonicMs(), format);
}
