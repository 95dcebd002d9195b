#ifndef FILESENDER_H
#define FILESENDER_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class ConsoleSession;

// Sends a file through the session's port, paced so that the line is never overrun: at the
// rate the port's settings carry, or a chosen number of bytes every so many milliseconds.
// Closing the port stops it.
class FileSender : public QObject
{
    Q_OBJECT
public:
    static constexpr qint64 maxFileBytes = 64 * 1024 * 1024;
    static constexpr int tickMs = 10;

    explicit FileSender(ConsoleSession *session, QObject *parent = nullptr);

    // `hexText`: the file holds hexadecimal text, sent as the bytes it spells. `chunkBytes`
    // every `delayMs`, or paced by the line when `delayMs` is 0. False with *error when the
    // file cannot be sent (none, too large, bad hex, no port open, already sending).
    bool start(const QString &path, bool hexText, int delayMs, int chunkBytes, QString *error);
    void cancel();
    bool isRunning() const { return timer.isActive(); }
    qint64 sentBytes() const { return sent; }
    qint64 totalBytes() const { return data.size(); }

signals:
    void progress(qint64 sent, qint64 total);
    // `complete`: every byte went; `message` says how it ended, for the log.
    void finished(bool complete, const QString &message);

private:
    void tick();
    void finish(bool complete, const QString &message);

    ConsoleSession *session;
    QByteArray data;
    qint64 sent = 0;
    int delay = 0;
    int chunk = 0;
    double bytesPerMs = 0;
    QElapsedTimer clock;
    qint64 lastChunkMs = 0;
    QTimer timer;
};

#endif // FILESENDER_H
