#include "virtualserial.h"

#include "testsupport.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

VirtualSerialPair::VirtualSerialPair(const QString &dir, int lifetimeSeconds)
    : consolePath(dir + QStringLiteral("/ttyConsole")), peerPath(dir + QStringLiteral("/ttyPeer")),
      lifetime(lifetimeSeconds)
{
}

VirtualSerialPair::~VirtualSerialPair()
{
    stop();
}

bool VirtualSerialPair::start(QString *error)
{
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("socat"));
    if (exe.isEmpty()) {
        failWith(error, "socat is not installed (Debian package socat)");
        return false;
    }
    // Its output goes nowhere, so that it never holds the test runner's pipes open.
    socat.setProgram(QStringLiteral("timeout"));
    socat.setArguments({QString::number(lifetime), exe,
                        QStringLiteral("pty,raw,echo=0,link=%1").arg(consolePath),
                        QStringLiteral("pty,raw,echo=0,link=%1").arg(peerPath)});
    socat.setStandardOutputFile(QProcess::nullDevice());
    socat.setStandardErrorFile(QProcess::nullDevice());
    socat.start();
    if (!socat.waitForStarted(5000)) {
        failWith(error, "socat did not start: " + socat.errorString());
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000) {
        if (QFileInfo::exists(consolePath) && QFileInfo::exists(peerPath)) {
            return true;
        }
        QThread::msleep(2); // quick: a test replaces a port within a tenth of a second
    }
    failWith(error, "socat made no pty links within 5 s");
    stop();
    return false;
}

void VirtualSerialPair::stop()
{
    if (socat.state() == QProcess::NotRunning) {
        return;
    }
    socat.terminate();
    if (!socat.waitForFinished(3000)) {
        socat.kill();
        socat.waitForFinished(3000);
    }
}

bool VirtualSerialPair::isRunning() const
{
    return socat.state() == QProcess::Running;
}
