#include "filesender.h"

#include "consolesession.h"
#include "datafile.h"
#include "sendline.h"

#include <QFile>

FileSender::FileSender(ConsoleSession *session, QObject *parent) : QObject(parent), session(session)
{
    timer.setInterval(tickMs);
    connect(&timer, &QTimer::timeout, this, &FileSender::tick);
    connect(session, &ConsoleSession::closed, this, [this] {
        if (isRunning()) {
            finish(false, tr("串口已关闭, 文件未发完: %1/%2 字节").arg(sent).arg(data.size()));
        }
    });
}

bool FileSender::start(const QString &path, bool hexText, int delayMs, int chunkBytes,
                       QString *error)
{
    if (isRunning()) {
        *error = tr("正在发送文件");
        return false;
    }
    if (!session->isOpen()) {
        *error = tr("串口未打开");
        return false;
    }
    QFile file(path);
    const QString problem = dataFileProblem(path, maxFileBytes);
    if (!problem.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        *error = problem.isEmpty() ? file.errorString() : problem;
        return false;
    }
    data = file.readAll();
    if (hexText) {
        const TypedLine bytes = typedLineBytes(QString::fromLatin1(data), true, QString(), false);
        if (!bytes.error.isEmpty()) {
            *error = bytes.error;
            data.clear();
            return false;
        }
        data = bytes.bytes;
    }
    if (data.isEmpty()) {
        *error = tr("文件是空的");
        return false;
    }
    sent = 0;
    delay = qMax(0, delayMs);
    chunk = qMax(1, chunkBytes);
    bytesPerMs = 1.0 / characterMs(session->lineSettings());
    clock.start();
    lastChunkMs = -delay;
    timer.start();
    tick();
    return true;
}

void FileSender::cancel()
{
    if (isRunning()) {
        finish(false, tr("文件发送已取消: %1/%2 字节").arg(sent).arg(data.size()));
    }
}

void FileSender::tick()
{
    const qint64 now = clock.elapsed();
    if (session->bytesToWrite() > 0 || (delay > 0 && now - lastChunkMs < delay)) {
        return;
    }
    qint64 due = chunk;
    if (delay == 0) {
        // What the line has carried since the start, less what went; the port's own buffer
        // never holds more than a tick's worth on top.
        due = qint64(double(now + tickMs) * bytesPerMs) - sent;
    }
    due = qMin(due, data.size() - sent);
    if (due <= 0) {
        return;
    }
    lastChunkMs = now;
    const qint64 written = session->writeRaw(data.mid(int(sent), int(due)));
    if (written < 0) {
        return; // the session's closed() ends the sending
    }
    sent += written;
    emit progress(sent, data.size());
    if (sent == data.size()) {
        finish(true, tr("文件已发送: %1 字节, 用时 %2 ms").arg(sent).arg(clock.elapsed()));
    }
}

void FileSender::finish(bool complete, const QString &message)
{
    timer.stop();
    data.clear();
    emit finished(complete, message);
}
