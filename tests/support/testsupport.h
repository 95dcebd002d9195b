#ifndef TESTSUPPORT_H
#define TESTSUPPORT_H

#include <QByteArray>
#include <QString>

// "01 03 0A" -> bytes; spaces are ignored. withCrc appends the Modbus CRC, low byte first.
QByteArray hexBytes(const char *text);
QByteArray withCrc(const char *hex);

// Writes bytes to a file, creating or truncating it; returns false on failure.
bool writeFile(const QString &path, const QByteArray &content);
QByteArray readFile(const QString &path);

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

// A TCP port on 127.0.0.1 that nothing listens on just now.
quint16 freePort();

// Hands `why` to the caller through `error`, or, without one, says it as a warning.
void failWith(QString *error, const QString &why);

// CPU seconds (user + system) this process has used so far.
double processCpuSeconds();

#endif // TESTSUPPORT_H
