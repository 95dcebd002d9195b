// The register tables' cost on the receive path: 10 poll definitions of 100 holding registers
// answered in turn, every value changing every round. CPU per reply of the reply pairing and
// its "数值解析" line alone, beside the same with the tables and statistics fed and the
// table window shown (offscreen); and the longest stall of a 10 ms heartbeat meanwhile. First
// in-process (replies handed over as fast as the event loop turns), then with a console
// session polling a pymodbus device flat out at 115200 baud on a virtual serial pair.
//   bench_registers [seconds]   (default 5 per run)
#include "benchsupport.h"
#include "consolesession.h"
#include "modbusdevice.h"
#include "polls.h"
#include "registertable.h"
#include "registerwindow.h"
#include "replymatcher.h"
#include "tavihelper.h"
#include "virtualserial.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstdio>

namespace {
struct Result {
    long replies = 0;
    double cpuPerReplyUs = 0;
    double longestStallMs = 0;
};

// Replies are handed over from a zero timer, as fast as the event loop turns, so that the
// window's repaints and timers compete with them as they would with a fast line.
Result run(double seconds, RegisterTables *tables)
{
    QVector<ModbusRequest> requests;
    for (int d = 0; d < 10; ++d) {
        const PollDefinition def{1 + d, 3, 0, 100};
        ModbusRequest r;
        parseRequest(def.request().frame, &r);
        requests << r;
    }
    ReplyMatcher matcher;
    Result result;
    qint64 clockMs = 0;
    QElapsedTimer beat;
    beat.start();
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        result.longestStallMs = qMax(result.longestStallMs, beat.nsecsElapsed() / 1e6);
        beat.restart();
    });
    heartbeat.start(10);
    QTimer feed;
    QObject::connect(&feed, &QTimer::timeout, [&] {
        const ModbusRequest &r = requests.at(int(result.replies % requests.size()));
        QByteArray frame = QByteArray::fromHex("0303C8");
        frame[0] = char(r.slave);
        for (int i = 0; i < 100; ++i) {
            char word[2];
            qToBigEndian<quint16>(quint16(result.replies + i), word);
            frame.append(word, 2);
        }
        frame += TaviHelper::crc16ModbusBytes(frame);
        matcher.sent(r, clockMs, 1000);
        if (tables) {
            tables->requestSent(r);
        }
        for (const ReplyDecode &d : matcher.receive(frame, ++clockMs, RegisterFormat())) {
            if (tables && endsRequest(d.kind)) {
                tables->requestEnded(d);
            }
        }
        ++result.replies;
    });
    const double cpuStart = cpuSeconds();
    feed.start(0);
    spin(int(seconds * 1000));
    feed.stop();
    result.cpuPerReplyUs = (cpuSeconds() - cpuStart) / double(result.replies) * 1e6;
    return result;
}
// The console's own session polling the device: the next definition goes as soon as the last
// one ended, for `seconds`.
Result poll(double seconds, const QString &port, RegisterTables *tables)
{
    ConsoleSession session;
    ConsoleSession::Options o;
    o.hexSend = o.hexReceive = true;
    session.setOptions(o);
    PortSettings line;
    line.name = port;
    line.baudRate = 115200;
    Result result;
    if (!session.open(line)) {
        return result;
    }
    if (tables) {
        QObject::connect(&session, &ConsoleSession::requestSent, tables,
                         &RegisterTables::requestSent);
        QObject::connect(&session, &ConsoleSession::requestEnded, tables,
                         &RegisterTables::requestEnded);
    }
    int turn = 0;
    QObject::connect(&session, &ConsoleSession::requestEnded, &session, [&](const ReplyDecode &d) {
        result.replies += d.kind == ReplyDecode::Values ? 1 : 0;
        QTimer::singleShot(0, &session, [&] {
            session.sendFrame(PollDefinition{1, 3, 100 * (turn++ % 10), 100}.request());
        });
    });
    QElapsedTimer beat;
    beat.start();
    QTimer heartbeat;
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        result.longestStallMs = qMax(result.longestStallMs, beat.nsecsElapsed() / 1e6);
        beat.restart();
    });
    heartbeat.start(10);
    const double cpuStart = cpuSeconds();
    session.sendFrame(PollDefinition{1, 3, 0, 100}.request());
    spin(int(seconds * 1000));
    result.cpuPerReplyUs = (cpuSeconds() - cpuStart) / double(qMax(1L, result.replies)) * 1e6;
    return result;
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? atof(argv[1]) : 5;
    const Result alone = run(seconds, nullptr);
    RegisterTables tables;
    QString error;
    for (int d = 0; d < 10; ++d) {
        tables.addDefinition({1 + d, 3, 0, 100}, &error);
    }
    RegisterWindow window(&tables);
    window.showWindow();
    spin(200);
    const Result withTables = run(seconds, &tables);
    std::printf("register tables, 10 definitions x 100 registers, %.0f s per run, offscreen\n",
                seconds);
    std::printf("  %-34s %10s %14s %10s\n", "run", "replies", "CPU us/reply", "stall ms");
    std::printf("  %-34s %10ld %14.1f %10.1f\n", "pairing + decode line alone", alone.replies,
                alone.cpuPerReplyUs, alone.longestStallMs);
    std::printf("  %-34s %10ld %14.1f %10.1f\n", "+ tables, statistics, window shown",
                withTables.replies, withTables.cpuPerReplyUs, withTables.longestStallMs);
    std::printf("  ratio %.2f (target <= 1.3), longest stall target <= 100 ms\n",
                withTables.cpuPerReplyUs / alone.cpuPerReplyUs);

    // The same against a pymodbus device: 1000 holding registers, read 100 at a time.
    QTemporaryDir dir;
    VirtualSerialPair pair(dir.path(), 600);
    ModbusDevice device;
    QStringList registers;
    for (int i = 0; i < 1000; ++i) {
        registers << QString::number(i);
    }
    if (!pair.start(&error)
        || !device.start(pair.peerEnd(), {"--baud", "115200", "--holding", registers.join(',')},
                         &error)) {
        std::printf("  no pymodbus device: %s\n", qPrintable(error));
        return 1;
    }
    RegisterTables devices;
    for (int d = 0; d < 10; ++d) {
        devices.addDefinition({1, 3, 100 * d, 100}, &error);
    }
    RegisterWindow deviceWindow(&devices);
    deviceWindow.showWindow();
    const Result sessionAlone = poll(seconds, pair.consoleEnd(), nullptr);
    const Result sessionTables = poll(seconds, pair.consoleEnd(), &devices);
    std::printf(
        "a console session polling a pymodbus device flat out, 115200 baud, %.0f s per run\n",
        seconds);
    std::printf("  %-34s %10ld %14.1f %10.1f\n", "session and its decode lines",
                sessionAlone.replies, sessionAlone.cpuPerReplyUs, sessionAlone.longestStallMs);
    std::printf("  %-34s %10ld %14.1f %10.1f\n", "+ tables, statistics, window shown",
                sessionTables.replies, sessionTables.cpuPerReplyUs, sessionTables.longestStallMs);
    std::printf("  ratio %.2f (target <= 1.3)\n",
                sessionTables.cpuPerReplyUs / sessionAlone.cpuPerReplyUs);
    return 0;
}
