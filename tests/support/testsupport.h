#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

// "01 03 0A" -> bytes; spaces are ignored.
QByteArray hexBytes(const char *text);

// Writes bytes to a file, creating or truncating it; returns false on failure.
bool writeFile(const QString &path, const QByteArray &content);
QByteArray readFile(const QString &path);

// The longest gap between ticks of a 10 ms timer: how long the event loop was not answering.
class Heartbeat : public QObject
{
public:
    Heartbeat();
    qint64 longestGapMs() const { return longest; }

private:
    QTimer timer;
    QElapsedTimer clock;
    qint64 longest = 0;
};

// While it lives, no file this process writes may grow beyond `bytes`: writes past it fail
// (EFBIG, SIGXFSZ ignored) as on a full disk. `set` tells whether the limit took.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool set = false;

private:
    quint64 oldSoft = 0, oldHard = 0;
};

// CPU seconds (user + system) this process has used so far.
double processCpuSeconds();
// This process's resident memory now, in MiB.
double residentMiB();

#endif // TESTSUPPORT_H
