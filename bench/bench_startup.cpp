// Start-up: time from process start to the window shown, and peak RSS at that moment, for
// the console beside a bare Qt Widgets program measured in the same run (offscreen).
#include "frmtolvan.h"
#include "startup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QByteArray peakRss()
{
    QFile status("/proc/self/status");
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed();
        }
    }
    return "?";
}

void waitExposed(QWidget &w)
{
    while (!w.windowHandle() || !w.windowHandle()->isExposed()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

int child(int argc, char *argv[], const QByteArray &mode)
{
    QApplication app(argc, argv);
    if (mode == "cjk") {
        // The same bare window, but showing Chinese text in the console's font.
        QFont font;
        font.setFamily(QStringLiteral("Microsoft Yahei"));
        font.setPixelSize(12);
        QApplication::setFont(font);
        QLabel w(QStringLiteral("串口调试助手 打开串口 发送"));
        w.resize(800, 600);
        w.show();
        waitExposed(w);
        std::printf("shown %s\n", peakRss().constData());
    } else if (mode == "console") {
        QTemporaryDir home;
        prepareApplication(home.filePath("norvane.ini"), home.path());
        frmTolvan form;
        form.setWindowTitle(mainWindowTitle());
        form.show();
        waitExposed(form);
        std::printf("shown %s\n", peakRss().constData());
    } else {
        QWidget w;
        w.resize(800, 600);
        w.show();
        waitExposed(w);
        std::printf("shown %s\n", peakRss().constData());
    }
    std::fflush(stdout);
    return 0;
}

struct Sample {
    double ms;
    double rssKiB;
};

Sample measure(const QString &mode)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    QElapsedTimer t;
    t.start();
    p.start(QCoreApplication::applicationFilePath(), {mode});
    QByteArray out;
    while (!out.contains('\n') && p.waitForReadyRead(10000)) {
        out += p.readAllStandardOutput();
    }
    const double ms = double(t.nsecsElapsed()) / 1e6;
    p.waitForFinished(10000);
    const QList<QByteArray> parts = out.trimmed().split(' ');
    return {ms, parts.size() >= 2 ? parts.at(1).toDouble() : 0};
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 2 && QList<QByteArray>{"bare", "cjk", "console"}.contains(argv[1])) {
        return child(argc, argv, QByteArray(argv[1]));
    }
    QCoreApplication app(argc, argv);
    const int runs = 15;
    std::vector<double> bareMs, consoleMs, bareRss, consoleRss, cjkMs, cjkRss;
    for (int i = 0; i < runs; ++i) {
        const Sample b = measure("bare");
        const Sample k = measure("cjk");
        const Sample c = measure("console");
        cjkMs.push_back(k.ms);
        cjkRss.push_back(k.rssKiB);
        bareMs.push_back(b.ms);
        bareRss.push_back(b.rssKiB);
        consoleMs.push_back(c.ms);
        consoleRss.push_back(c.rssKiB);
    }
    const double bm = median(bareMs), cm = median(consoleMs), br = median(bareRss),
                 cr = median(consoleRss);
    std::printf("start-up to window shown, median of %d runs each (offscreen)\n", runs);
    std::printf("  bare Qt Widgets program  %7.1f ms   peak RSS %6.1f MiB\n", bm, br / 1024);
    std::printf("  bare, Chinese label/font %7.1f ms   peak RSS %6.1f MiB\n", median(cjkMs),
                median(cjkRss) / 1024);
    std::printf("  console                  %7.1f ms   peak RSS %6.1f MiB\n", cm, cr / 1024);
    std::printf("  ratio                    %7.2f x (time)   %.2f x (RSS)   target <= 1.5\n",
                cm / bm, cr / br);
    return 0;
}
