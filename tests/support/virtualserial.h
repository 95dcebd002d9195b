#ifndef VIRTUALSERIAL_H
#define VIRTUALSERIAL_H

#include <QByteArray>
#include <QProcess>
#include <QString>

// A pseudo-terminal pair made by socat: the console opens one end by its link path, the
// test talks through the other. stop() removes both links, start() brings them back under
// the same names. socat runs under `timeout`, so that a crashed program cannot leave it behind
// for longer than `lifetimeSeconds`.
class VirtualSerialPair
{
public:
    explicit VirtualSerialPair(const QString &dir, int lifetimeSeconds = 900);
    ~VirtualSerialPair();

    bool start(QString *error = nullptr); // false, saying why (failWith), when they do not come
    void stop();
    bool isRunning() const;

    QString consoleEnd() const { return consolePath; }
    QString peerEnd() const { return peerPath; }

private:
    QString consolePath;
    QString peerPath;
    int lifetime;
    QProcess socat;
};

#endif // VIRTUALSERIAL_H
