#include "scanrun.h"

#include "commandline.h"
#include "scanner.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(ScanRun)
};

void printError(const QString &text)
{
    std::fputs(qUtf8Printable(text + QLatin1Char('\n')), stderr);
    std::fflush(stderr);
}

ScanPlan planOf(const CommandLine &line)
{
    ScanPlan plan;
    plan.port = line.scanPort;
    plan.firstAddress = line.scanFrom;
    plan.lastAddress = line.scanTo;
    plan.function = line.scanFunction;
    plan.reg = line.scanRegister;
    plan.bauds.clear();
    for (const int baud : line.scanBauds) {
        plan.bauds << baud;
    }
    plan.parities.clear();
    for (const QChar parity : line.scanParities) {
        plan.parities << parityFromLetter(parity.toLatin1());
    }
    plan.stopBits.clear();
    for (const int stop : line.scanStops) {
        plan.stopBits << (stop == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    }
    return plan;
}
} // namespace

int runScan(const CommandLine &line)
{
    Scanner scanner;
    int code = 1;
    QElapsedTimer sinceShown;
    QObject::connect(&scanner, &Scanner::progress, [&](const ScanProgress &p) {
        // A line a second is enough to follow; more would flood a log.
        if (sinceShown.isValid() && sinceShown.elapsed() < 1000) {
            return;
        }
        sinceShown.start();
        printError(Texts::tr("扫描: 地址 %1, %2 %3%4%5, %6/%7, 最多还需 %8 秒")
                       .arg(p.address)
                       .arg(p.line.baudRate)
                       .arg(8)
                       .arg(QLatin1Char(parityLetter(p.line.parity)))
                       .arg(stopBitCount(p.line.stopBits))
                       .arg(p.done)
                       .arg(p.total)
                       .arg((p.msLeft + 999) / 1000));
    });
    QObject::connect(&scanner, &Scanner::deviceFound, [&](const ScanResult &result) {
        code = 0;
        std::fputs(qUtf8Printable(scanCsvLine(result) + QLatin1Char('\n')), stdout);
        std::fflush(stdout);
        if (result.everyAddress()) {
            printError(Texts::tr("地址 %1-%2 全部应答相同: 应为一个替所有地址应答的网关或中继")
                           .arg(result.address)
                           .arg(result.lastAddress));
        }
    });
    QObject::connect(&scanner, &Scanner::finished, [&](const QString &problem) {
        if (!problem.isEmpty()) {
            printError(QStringLiteral("norvane: %1").arg(problem));
            code = 1;
        } else {
            printError(Texts::tr("扫描完成, 找到 %1 个设备").arg(scanner.results().size()));
        }
        QCoreApplication::exit(code);
    });
    std::fputs(qUtf8Printable(scanCsvHeader() + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
    if (!scanner.start(planOf(line))) {
        return 1;
    }
    QCoreApplication::exec();
    return code;
}
