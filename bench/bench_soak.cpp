// Soak: continuous traffic with auto-save every second. Prints RSS at start and end and
// checks that every received byte shown in the log reached the saved files.
//   bench_soak [seconds]   (default 600)
#include "appsettings.h"
#include "benchsupport.h"
#include "frmtolvan.h"
#include "startup.h"
#include "virtualserial.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

double currentRssMiB()
{
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const int seconds = argc >= 2 ? QByteArray(argv[1]).toInt() : 600;
    QTemporaryDir home;
    VirtualSerialPair pty(home.path(), seconds + 120);
    QString error;
    if (!pty.start(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 2;
    }
    const QString console = pty.consoleEnd();
    const QString peer = pty.peerEnd();
    prepareApplication(home.filePath("norvane.ini"), home.path());
    AppSettings::PortName = console;
    AppSettings::HexReceive = true;
    AppSettings::SaveInterval = 1000;
    frmTolvan form;
    form.show();
    form.findChild<QPushButton *>("btnOpen")->click();
    form.findChild<QCheckBox *>("ckAutoSave")->setChecked(true);

    const int fd = ::open(qPrintable(peer), O_WRONLY | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    tcgetattr(fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(fd, TCSANOW, &tio);
    long long sent = 0;
    const double rssStart = currentRssMiB();
    std::printf("soak: %d s of read responses at about 12 KB/s, auto-save every second\n", seconds);
    std::printf("  RSS at start %.1f MiB\n", rssStart);
    QElapsedTimer clock;
    clock.start();
    int frameNo = 0;
    while (clock.elapsed() < qint64(seconds) * 1000) {
        // 20 frames of 7 bytes every 7 ms or so; each carries a running number as its value.
        QByteArray burst;
        for (int i = 0; i < 20; ++i, ++frameNo) {
            QByteArray f =
                QByteArray::fromHex("010302") + char((frameNo >> 8) & 0xFF) + char(frameNo & 0xFF);
            f += "\x00\x00";
            burst += f;
        }
        const ssize_t n = ::write(fd, burst.constData(), size_t(burst.size()));
        sent += n > 0 ? n : 0;
        spin(7);
    }
    spin(1500);
    form.findChild<QPushButton *>("btnSave")->click();
    ::close(fd);
    const double rssEnd = currentRssMiB();

    long long inFiles = 0;
    int files = 0;
    for (const QString &name : QDir(home.path()).entryList({"20*.txt"}, QDir::Files)) {
        QFile file(home.filePath(name));
        file.open(QIODevice::ReadOnly);
        ++files;
        for (const QByteArray &line : file.readAll().split('\n')) {
            const int at = line.indexOf("串口接收 << ");
            if (at >= 0) {
                inFiles += (line.size() - at - int(strlen("串口接收 << ")) + 1) / 3;
            }
        }
    }
    const long long counted =
        form.findChild<QPushButton *>("btnReceiveCount")->text().section(' ', 2, 2).toLongLong();
    std::printf("  RSS at end   %.1f MiB\n", rssEnd);
    std::printf("  bytes sent %lld, counted %lld, in %d saved files %lld\n", sent, counted, files,
                inFiles);
    std::printf("  %s\n", sent == counted && counted == inFiles
                              ? "every received byte is in the saved files"
                              : "BYTES MISSING");
    return sent == counted && counted == inFiles ? 0 : 1;
}
