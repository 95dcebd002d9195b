// The bus monitor: framing by silence, pairing of requests and replies, captures, the program
// monitoring from its command line, and a live line through a virtual serial port.
#include "buscapture.h"
#include "busframer.h"
#include "busmonitor.h"
#include "busmonitormodel.h"
#include "buspairer.h"
#include "registertable.h"
#include "tavihelper.h"
#include "testsupport.h"
#include "threadedpeer.h"
#include "virtualserial.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray damaged(QByteArray frame)
{
    frame[frame.size() - 1] = char(frame.at(frame.size() - 1) ^ 0x5A);
    return frame;
}

const QByteArray readRequest = withCrc("01 03 00 00 00 02");
const QByteArray readReply = withCrc("01 03 04 00 01 00 0A");

struct Piece {
    qint64 atUs;
    QByteArray bytes;
};
// "HEX gapUs flags": the frame's bytes (bad CRC or not), the silence before it, its flags.
QString described(const BusFrame &f)
{
    return QStringLiteral("%1 %2 %3")
        .arg(QString::fromLatin1(f.bytes.toHex().toUpper()))
        .arg(f.gapUs)
        .arg(f.flags);
}

QString kindWord(ReplyDecode::Kind kind)
{
    const QStringList words{"Values",     "Written",  "Exception",     "BadCrc",
                            "Incomplete", "Mismatch", "CountMismatch", "NotAReply",
                            "Noise",      "Echo",     "NoReply"};
    return words.value(kind, QString::number(int(kind)));
}

// "0 Values 1,10": the request's frame number, the outcome and its numbers.
QString describedEnd(qint64 number, const ReplyDecode &d)
{
    QStringList numbers;
    for (double n : d.numbers) {
        numbers << QString::number(n);
    }
    return QStringLiteral("%1 %2 %3")
        .arg(number)
        .arg(kindWord(d.kind), numbers.join(','))
        .trimmed();
}

// "request", "reply<-0" (paired with frame 0), "reply" (unpaired), "exception<-0", "unknown".
QString describedInfo(const BusFrameInfo &info)
{
    return busKindName(info.kind)
           + (info.paired ? QStringLiteral("<-%1").arg(info.requestNumber) : QString());
}

PortSettings lineAt(int baud, QSerialPort::Parity parity = QSerialPort::NoParity,
                    QSerialPort::StopBits stop = QSerialPort::OneStop)
{
    PortSettings line;
    line.baudRate = baud;
    line.parity = parity;
    line.stopBits = stop;
    return line;
}

int tsharkFrameCount(const QString &pcap)
{
    QProcess tshark;
    tshark.start("tshark", {"-r", pcap});
    if (!tshark.waitForFinished(60000) || tshark.exitCode() != 0) {
        return -1;
    }
    return tshark.readAllStandardOutput().count('\n');
}
} // namespace

Q_DECLARE_METATYPE(Piece)

class TestBusMonitor : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void lineTiming_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("stop");
        QTest::addColumn<qint64>("charUs");
        QTest::addColumn<qint64>("frameGapUs");
        QTest::addColumn<qint64>("charGapUs");
        const auto row = [](const char *name, int baud, int parity, int stop, qint64 charUs,
                            qint64 frameGapUs, qint64 charGapUs) {
            QTest::newRow(name) << baud << parity << stop << charUs << frameGapUs << charGapUs;
        };
        // 8N1 is ten bits a character, 8E1 and 8N2 eleven.
        row("9600 8N1", 9600, 0, 1, 1042, 3646, 1563);
        row("9600 8E1", 9600, QSerialPort::EvenParity, 1, 1146, 4010, 1719);
        row("9600 8N2", 9600, 0, 2, 1146, 4010, 1719);
        row("19200 still counts", 19200, 0, 1, 521, 1823, 781);
        row("38400 fixed", 38400, QSerialPort::OddParity, 1, 286, 1750, 750);
        row("115200 fixed", 115200, 0, 1, 87, 1750, 750);
    }

    void lineTiming()
    {
        QFETCH(int, baud);
        QFETCH(int, parity);
        QFETCH(int, stop);
        const PortSettings line =
            lineAt(baud, QSerialPort::Parity(parity), QSerialPort::StopBits(stop));
        QTEST(characterUs(line), "charUs");
        QTEST(standardFrameGapUs(line), "frameGapUs");
        QTEST(standardCharGapUs(line), "charGapUs");
    }

    void framer_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<qint64>("gapOverrideUs");
        QTest::addColumn<QVector<Piece>>("pieces");
        QTest::addColumn<QStringList>("frames");
        const QString req = readRequest.toHex().toUpper();
        const QString rep = readReply.toHex().toUpper();
        const qint64 c = characterUs(lineAt(9600));
        const qint64 c38 = characterUs(lineAt(38400));
        const auto row = [](const char *name, int baud, qint64 gapUs, const QVector<Piece> &pieces,
                            const QStringList &frames) {
            QTest::newRow(name) << baud << gapUs << pieces << frames;
        };
        // A piece of n bytes read at t: its first byte came at t - (n - 1) characters.
        row("request, then reply", 9600, 0, {{10000, readRequest}, {30000, readReply}},
            {req + " -1 0", rep + QString(" %1 0").arg(30000 - 8 * c - c - 10000)});
        row("bad CRC", 9600, 0, {{10000, damaged(readRequest)}},
            {damaged(readRequest).toHex().toUpper() + " -1 0"});
        row("pause inside a frame", 9600, 0,
            {{10000, readRequest.left(3)}, {10000 + 2500 + 5 * c, readRequest.mid(3)}},
            {req + " -1 2"});
        row("too short a gap", 9600, 0, {{10000, readRequest}, {10000 + 2000 + 9 * c, readReply}},
            {req + " -1 4", rep + " 2000 5"});
        row("two frames in one read", 9600, 0, {{10000, readRequest + readReply}},
            {req + " -1 4", rep + " 0 5"});
        row("garbage stays whole", 9600, 0, {{10000, hexBytes("00 11 22 33 44")}},
            {"0011223344 -1 0"});
        // 1.75 ms ends a frame, 1.6 ms does not.
        const qint64 second = 10000 + 1800 + 9 * c38;
        row("fixed gap above 19200", 38400, 0,
            {{10000, readRequest}, {second, readReply}, {second + 1600 + 8 * c38, readRequest}},
            {req + " -1 0", rep + " 1800 4", req + " 1600 5"});
        row("exactly the gap", 38400, 0,
            {{10000, readRequest}, {10000 + 1750 + 9 * c38, readReply}},
            {req + " -1 0", rep + " 1750 0"});
        row("longer gap asked for", 9600, 20000,
            {{10000, readRequest}, {10000 + 10000 + 9 * c, readReply}},
            {req + " -1 4", rep + " 10000 4"});
    }

    void framer()
    {
        QFETCH(int, baud);
        QFETCH(qint64, gapOverrideUs);
        QFETCH(QVector<Piece>, pieces);
        BusFramer framer(lineAt(baud));
        framer.setFrameGapUs(gapOverrideUs);
        QVector<BusFrame> frames;
        for (const Piece &p : pieces) {
            frames += framer.feed(p.bytes, p.atUs);
        }
        frames += framer.finish();
        QStringList got;
        for (const BusFrame &f : frames) {
            got << described(f);
            QCOMPARE(f.crcOk, hasGoodCrc(f.bytes));
        }
        QTEST(got, "frames");
    }

    void framerEndsFramesBySilenceAndLength()
    {
        BusFramer framer(lineAt(9600));
        const qint64 c = framer.charUs();
        const qint64 last = 10000 + 3 * c;
        QVERIFY(framer.feed(readRequest.left(5), 10000).isEmpty());
        QVERIFY(framer.feed(readRequest.mid(5), last).isEmpty());
        QVERIFY(framer.flush(last + framer.frameGapUs() - 1).isEmpty());
        const QVector<BusFrame> ended = framer.flush(last + framer.frameGapUs());
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended[0].bytes, readRequest);
        QCOMPARE(ended[0].timeUs, 10000 - 4 * c);
        QCOMPARE(ended[0].endUs, last);
        QVERIFY(!framer.hasPending());
        // A line that never falls silent is cut.
        const QVector<BusFrame> cut = framer.feed(QByteArray(600, 'x'), 900000);
        QCOMPARE(cut.size(), 1);
        QCOMPARE(cut[0].bytes.size(), BusFramer::maxFrameBytes);
        QCOMPARE(cut[0].flags & BusFrame::Overlong, int(BusFrame::Overlong));
        QCOMPARE(framer.finish().value(0).bytes.size(), 600 - BusFramer::maxFrameBytes);
    }

    void pairing_data()
    {
        QTest::addColumn<QList<QByteArray>>("frames");
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<QStringList>("ended");
        // The frames in order, the kind each is taken for, the requests they end ("|" between).
        const auto row = [](const char *name, const QList<QByteArray> &frames, const char *kinds,
                            const char *ended) {
            QTest::newRow(name) << frames << QString(kinds).split(' ')
                                << QString(ended).split(" | ", Qt::SkipEmptyParts);
        };
        row("read and its values", {readRequest, readReply}, "request reply<-0", "0 Values 1,10");
        row("a request nobody answers",
            {readRequest, withCrc("02 03 00 10 00 01"), withCrc("02 03 02 FF FF")},
            "request request reply<-1", "0 NoReply | 1 Values -1");
        // Its register address (04 00) begins as a reply's byte count would: still a request.
        const QByteArray readAt1024 = withCrc("01 03 04 00 00 02");
        row("the same read asked again", {readAt1024, readAt1024}, "request request", "0 NoReply");
        row("exception", {readRequest, withCrc("01 83 02")}, "request exception<-0", "0 Exception");
        const QByteArray write = withCrc("01 06 00 01 00 03");
        row("write echoed", {write, write}, "request reply<-0", "0 Written");
        row("write of registers",
            {withCrc("01 10 00 01 00 02 04 00 0A 01 02"), withCrc("01 10 00 01 00 02")},
            "request reply<-0", "0 Written");
        row("damaged reply", {readRequest, damaged(readReply)}, "request reply<-0",
            "0 BadCrc 1,10");
        // 20 coils: a reply of 8 bytes, as long as a request, and one by its shape too.
        row("coils, reply as long as a request",
            {withCrc("01 01 00 00 00 14"), withCrc("01 01 03 0F 00 05")}, "request reply<-0",
            "0 Values 1,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,1,0,1,0");
        row("reply nobody asked for", {readReply}, "reply", "");
        row("broadcast waits for nothing", {withCrc("00 06 00 01 00 03"), readRequest, readReply},
            "request request reply<-1", "1 Values 1,10");
        row("another slave's reply is not paired",
            {readRequest, withCrc("02 03 04 00 01 00 0A"), readReply}, "request reply reply<-0",
            "0 Values 1,10");
        row("noise", {hexBytes("00 11 22 33")}, "unknown", "");
    }

    void pairing()
    {
        QFETCH(QList<QByteArray>, frames);
        BusPairer pairer;
        pairer.setCharacterUs(1000);
        QStringList kinds;
        QStringList ended;
        QVector<qint64> endsAt;
        for (int i = 0; i < frames.size(); ++i) {
            BusFrame f;
            f.bytes = frames[i];
            f.crcOk = hasGoodCrc(f.bytes);
            f.timeUs = 20000 * (i + 1);
            f.endUs = f.timeUs + 5000;
            endsAt << f.endUs;
            QVector<BusRequestEnd> ends;
            const BusFrameInfo info = pairer.take(f, i, &ends);
            kinds << describedInfo(info);
            for (const BusRequestEnd &e : ends) {
                ended << describedEnd(e.requestNumber, e.outcome);
            }
            if (info.paired) {
                QCOMPARE(info.responseUs, f.timeUs - 1000 - endsAt[int(info.requestNumber)]);
                QCOMPARE(info.outcome.responseMs, (info.responseUs + 500) / 1000);
            }
        }
        QTEST(kinds, "kinds");
        QTEST(ended, "ended");
    }

    void monitorFeedsTablesAndGivesUpInTime()
    {
        // Pieces fed by hand, as the port would: the register tables count what they see.
        BusMonitor monitor;
        RegisterTables tables;
        connect(&monitor, &BusMonitor::requestSeen, &tables, &RegisterTables::requestSent);
        connect(&monitor, &BusMonitor::requestEnded, &tables, &RegisterTables::requestEnded);
        QSignalSpy frames(&monitor, &BusMonitor::frameSeen);
        monitor.setReplyTimeoutUs(500000);
        monitor.takePiece(readRequest, 1000000);
        monitor.takePiece(readReply, 1030000);
        monitor.takePiece(withCrc("01 03 00 05 00 01"), 1100000);
        monitor.checkSilence(1100000 + 499999);
        QCOMPARE(frames.size(), 3);
        QCOMPARE(tables.statistics().slave(1).requests, 2);
        QCOMPARE(tables.statistics().slave(1).good, 1);
        QCOMPARE(tables.statistics().slave(1).timeouts, 0);
        monitor.checkSilence(1100000 + 500000);
        QCOMPARE(tables.statistics().slave(1).timeouts, 1);
        // The last read's table holds the values the monitor heard.
        QCOMPARE(tables.table(0)->read().address, 5);
    }

    void captureReadsBack()
    {
        BusFrame a;
        a.timeUs = 1765135801123456;
        a.endUs = a.timeUs;
        a.bytes = readRequest;
        a.crcOk = true;
        BusFrame b = a;
        b.timeUs += 2003;
        b.gapUs = 0; // read together with the frame before
        b.bytes = damaged(readReply);
        b.crcOk = false;
        b.flags = BusFrame::ShortGap | BusFrame::Split;
        const QString path = dir.filePath("capture.csv");
        QString error;
        QVERIFY2(saveFramesCsv(path, {{a, BusKind::Request}, {b, BusKind::Reply}}, &error),
                 qPrintable(error));
        const QStringList lines = QString::fromUtf8(readFile(path)).split('\n');
        QCOMPARE(lines.value(0), QString("time,gap_ms,length,hex,crc,kind,direction,timing"));
        QVERIFY2(lines.value(2).endsWith(",0.000,9," + damaged(readReply).toHex().toUpper()
                                         + ",bad,reply,to-master,short-gap split"),
                 qPrintable(lines.value(2)));
        const QVector<BusFrame> loaded = loadFramesCsv(path, &error);
        QCOMPARE(loaded.size(), 2);
        for (int i = 0; i < 2; ++i) {
            const BusFrame &want = i == 0 ? a : b;
            QCOMPARE(loaded[i].timeUs, want.timeUs);
            QCOMPARE(loaded[i].gapUs, want.gapUs);
            QCOMPARE(loaded[i].bytes, want.bytes);
            QCOMPARE(loaded[i].crcOk, want.crcOk);
            QCOMPARE(loaded[i].flags, want.flags);
        }
        // Refused: the line that is wrong is named.
        writeFile(path, "time,hex\n2026-12-07T19:30:01.000001,0103\n2026-12-07T19:30:01,0103\n");
        QVERIFY(loadFramesCsv(path, &error).isEmpty());
        QVERIFY2(error.contains("第 3 行"), qPrintable(error));
        writeFile(path, "time,hex\n2026-13-07T19:30:01.000001,0103\n");
        QVERIFY(loadFramesCsv(path, &error).isEmpty());
        QVERIFY2(error.contains("第 2 行"), qPrintable(error));
        writeFile(path, "time,hex\n2026-12-07T19:30:01.000001,01X3\n");
        QVERIFY(loadFramesCsv(path, &error).isEmpty());
        QVERIFY2(error.contains("第 2 行"), qPrintable(error));
        writeFile(path, "when,bytes\n");
        QVERIFY(loadFramesCsv(path, &error).isEmpty());
        QVERIFY2(error.contains("time"), qPrintable(error));
    }

    void tableKeepsTheNewestFrames()
    {
        // Beyond its bound the table lets the oldest frames go, those of a single batch too;
        // the decoded text is whole in its tooltip, the other columns name the frame.
        BusMonitorModel model;
        int badRemovals = 0;
        connect(&model, &QAbstractItemModel::rowsRemoved, this,
                [&](const QModelIndex &, int first, int last) { badRemovals += first > last; });
        BusFrame frame;
        frame.bytes = readRequest;
        frame.crcOk = true;
        BusFrameInfo info;
        info.kind = BusKind::Request;
        for (int i = 0; i < BusMonitorModel::maxRows + 2; ++i) {
            model.addFrame(i, frame, info);
        }
        QTRY_COMPARE(model.rowCount(), BusMonitorModel::maxRows);
        QCOMPARE(model.index(0, 0).data(Qt::ToolTipRole).toString(), QString("帧 #2"));
        for (int i = 0; i < 3; ++i) {
            model.addFrame(BusMonitorModel::maxRows + 2 + i, frame, info);
        }
        QTRY_COMPARE(model.index(0, 0).data(Qt::ToolTipRole).toString(), QString("帧 #5"));
        QCOMPARE(model.rowCount(), BusMonitorModel::maxRows);
        QCOMPARE(badRemovals, 0);
        const QModelIndex decoded = model.index(0, BusMonitorModel::DecodedColumn);
        QCOMPARE(decoded.data(Qt::ToolTipRole), decoded.data());
        // Nothing of a good frame is marked.
        QVERIFY(!model.index(0, BusMonitorModel::CrcColumn).data(Qt::ForegroundRole).isValid());
        QVERIFY(!decoded.data(Qt::ForegroundRole).isValid());
    }

    void commandLineMonitorsUntilTerminated()
    {
        VirtualSerialPair pair(dir.path(), 120);
        QVERIFY(pair.start());
        const QString pcap = dir.filePath("cli.pcap");
        QProcess program;
        program.start(NORVANE_BINARY, {"--monitor", pair.consoleEnd(), "--baud", "9600", "--parity",
                                       "e", "--stop", "2", "--pcap", pcap});
        QVERIFY(program.waitForReadyRead(10000)); // the header, once the port is open
        QCOMPARE(program.readLine(), QByteArray("time,gap_ms,length,hex,crc,kind\n"));
        ThreadedPeer peer;
        QVERIFY(peer.open(pair.peerEnd()));
        const QList<QByteArray> line{readRequest, readReply, damaged(readRequest)};
        for (const QByteArray &frame : line) {
            peer.write(frame);
            waitUntil([] { return false; }, 40);
        }
        QTRY_COMPARE_WITH_TIMEOUT(
            program.bytesAvailable() > 0 && program.peek(4096).count('\n') >= 2, true, 5000);
        program.terminate(); // SIGTERM: the program ends as after Ctrl+C
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QList<QByteArray> out = program.readAll().trimmed().split('\n');
        QCOMPARE(out.size(), line.size());
        const QStringList ends{",8," + readRequest.toHex().toUpper() + ",ok,request",
                               ",9," + readReply.toHex().toUpper() + ",ok,reply",
                               ",8," + damaged(readRequest).toHex().toUpper() + ",bad,unknown"};
        for (int i = 0; i < line.size(); ++i) {
            QVERIFY2(QString(out[i]).endsWith(ends[i]), out[i].constData());
        }
        QVERIFY(out[0].split(',').value(1).isEmpty());
        QVERIFY(out[1].split(',').value(1).toDouble() > 4.375); // more than 3.5 characters of 8E2
        if (QStandardPaths::findExecutable("tshark").isEmpty()) {
            QSKIP("tshark is not installed (Debian package tshark): the pcap is not read back");
        }
        QCOMPARE(tsharkFrameCount(pcap), line.size());
    }
};

QTEST_MAIN(TestBusMonitor)
#include "tst_busmonitor.moc"
