// The register-map simulator: the map file, every function code and its exceptions, live
// values, faults; and on a line, to mbpoll, from the console session (serial and
// Modbus TCP through the bridge's server) and from the command line.
#include "consolesession.h"
#include "logformat.h"
#include "modbustcp.h"
#include "seriallink.h"
#include "simulator.h"
#include "simulatorwindow.h"
#include "testsupport.h"
#include "threadedpeer.h"
#include "virtualserial.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const char *const mapText = "slave,table,address,value\n"
                            "# coils 0-9: 1 0 1 1 0 0 0 0 1 1\n"
                            "1,coil,0,1\n1,coil,1,0\n1,coil,2,1\n1,coil,3,1\n1,coil,4,0\n"
                            "1,coil,5,0\n1,coil,6,0\n1,coil,7,0\n1,coil,8,1\n1,coil,9,1\n"
                            "1,discrete,0,1\n1,discrete,1,1\n"
                            "1,holding,0,0x1234\n1,holding,1,2\n1,holding,2,3\n"
                            "1,input,5,500\n"
                            "2,holding,0,7\n";

QString hexOf(const QByteArray &bytes)
{
    return QString(bytes.toHex(' ').toUpper());
}

QString mbpoll(const QStringList &arguments)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start("mbpoll",
            QStringList{"-m", "rtu", "-b", "19200", "-P", "none", "-o", "0.5", "-1"} + arguments);
    // The event loop runs meanwhile: the simulator may be in this process.
    const bool done = waitUntil([&] { return p.state() == QProcess::NotRunning; }, 10000);
    return done ? QString::fromUtf8(p.readAll()) : QString("mbpoll hangs");
}
} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;

    // The simulator on the console end of a pty pair, reading as bytes arrive.
    struct OnLine {
        VirtualSerialPair pair;
        SerialLink link;
        DeviceSimulator device;
        explicit OnLine(const QString &dir) : pair(dir) {}
        bool start(int baud)
        {
            QString error;
            const PortSettings line{pair.consoleEnd(), baud};
            if (!pair.start() || !device.registers().parse(mapText, "map", &error)
                || !link.open(line)) {
                return false;
            }
            link.setWakeOnArrival(true);
            device.setLine(line);
            QObject::connect(&link, &SerialLink::arrived, &device, [this] {
                for (const ReceivedPiece &piece : link.readAll()) {
                    device.feed(piece.bytes);
                }
            });
            QObject::connect(&device, &DeviceSimulator::reply, &link,
                             [this](const QByteArray &bytes) { link.write(bytes); });
            return true;
        }
    };

private slots:
    void mapFile_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("error");
        const QString head = "slave,table,address,value\n";
        const auto row = [](const char *name, const QString &text, const char *error) {
            QTest::newRow(name) << text << QString(error);
        };
        row("header", "slave,address,table,value\n", "map:1:");
        row("empty", "\n# nothing\n", "map: ");
        row("slave", head + "248,coil,0,1\n", "map:2:");
        row("table", head + "1,coils,0,1\n", "map:2:");
        row("bit", head + "\n1,coil,0,2\n", "map:3:");
        row("register", head + "1,input,0,65536\n", "map:2:");
        row("address", head + "1,input,0x10000,1\n", "map:2:");
        row("fields", head + "1,input,0\n", "map:2:");
        row("twice", head + "1,input,1,1\n1,input,0x1,2\n", "map:3:");
        const QString generators = "slave,table,address,value,generator\n";
        row("generator on a coil", generators + "1,coil,0,1,counter\n", "map:2:");
        row("generator", generators + "1,input,0,1,sine:5\n", "map:2:");
    }

    void mapFile()
    {
        QFETCH(QString, text);
        QFETCH(QString, error);
        RegisterMap map;
        QString why;
        QVERIFY(map.parse(mapText, "map", &why));
        QVERIFY(!map.parse(text, "map", &why));
        QVERIFY2(why.startsWith(error), qPrintable(why));
        QCOMPARE(map.size(), 17); // a refused file leaves the map as it was
    }

    void mapFileRoundTrip()
    {
        RegisterMap map;
        QString error;
        QVERIFY(map.parse(QString(mapText)
                              + "1,holding,9,-2,walk:-5:5:1\n3,input,0,1,counter:2\n"
                                "3,input,1,0,sine:0:100:2.5\n3,input,65535,1\n",
                          "map", &error));
        const QString path = dir.filePath("map.csv");
        QVERIFY(map.save(path, &error));
        RegisterMap again;
        QVERIFY2(again.load(path, &error), qPrintable(error));
        QCOMPARE(again.toCsv(), map.toCsv());
        QCOMPARE(again.entryAt(again.indexOf(1, RegisterMap::Holding, 9)).value, 65534);
        QCOMPARE(again.entryAt(again.indexOf(3, RegisterMap::Input, 1)).generator.text(),
                 "sine:0:100:2.5");
        // An entry put by itself, as the simulator's window does, takes the file's bounds.
        QVERIFY(again.put({247, RegisterMap::Input, 65535, 1, {}}));
        QVERIFY(!again.put({1, RegisterMap::Coil, 0, 2, {}}));
    }

    void answers_data()
    {
        QTest::addColumn<QStringList>("requests"); // without their CRC
        QTest::addColumn<QStringList>("replies");  // without their CRC; "" for none
        const auto row = [](const char *name, QStringList req, QStringList rep) {
            QTest::newRow(name) << req << rep;
        };
        row("coils", {"01 01 00 00 00 0A"}, {"01 01 02 0D 03"});
        row("discrete inputs", {"01 02 00 00 00 02"}, {"01 02 01 03"});
        row("holding", {"01 03 00 00 00 03"}, {"01 03 06 12 34 00 02 00 03"});
        row("input", {"01 04 00 05 00 01"}, {"01 04 02 01 F4"});
        row("past the map", {"01 03 00 02 00 02", "01 04 00 04 00 01"}, {"01 83 02", "01 84 02"});
        row("no registers", {"01 03 00 00 00 00"}, {"01 83 03"});
        row("126 registers", {"01 03 00 00 00 7E"}, {"01 83 03"});
        row("2001 coils", {"01 01 00 00 07 D1"}, {"01 81 03"});
        row("unknown function", {"01 07", "01 2B 0E 01 00"}, {"01 87 01", "01 AB 01"});
        row("coil value", {"01 05 00 01 12 34"}, {"01 85 03"});
        row("coil on", {"01 05 00 01 FF 00", "01 01 00 00 00 02"},
            {"01 05 00 01 FF 00", "01 01 01 03"});
        row("register", {"01 06 00 01 AB CD", "01 03 00 01 00 01"},
            {"01 06 00 01 AB CD", "01 03 02 AB CD"});
        row("no such register", {"01 06 00 03 00 01"}, {"01 86 02"});
        row("registers", {"01 10 00 01 00 02 04 00 0A 00 0B", "01 03 00 00 00 03"},
            {"01 10 00 01 00 02", "01 03 06 12 34 00 0A 00 0B"});
        row("byte count", {"01 10 00 00 00 02 03 00 0A 00"}, {"01 90 03"});
        // 123 registers may be written at once (then the map is asked), 124 not.
        row("123 registers written", {"01 10 00 00 00 7B F6" + QString(" 00").repeated(246)},
            {"01 90 02"});
        row("124 registers written", {"01 10 00 00 00 7C F8" + QString(" 00").repeated(248)},
            {"01 90 03"});
        row("coils written", {"01 0F 00 00 00 0A 02 F0 00", "01 01 00 00 00 0A"},
            {"01 0F 00 00 00 0A", "01 01 02 F0 00"});
        row("other slave", {"02 03 00 00 00 01", "03 03 00 00 00 01"}, {"02 03 02 00 07", ""});
        row("broadcast", {"00 06 00 00 00 09", "01 03 00 00 00 01", "02 03 00 00 00 01"},
            {"", "01 03 02 00 09", "02 03 02 00 09"});
        row("broadcast where one has it", {"00 06 00 02 00 09", "01 03 00 02 00 01"},
            {"", "01 03 02 00 09"});
    }
    void answers()
    {
        QFETCH(QStringList, requests);
        QFETCH(QStringList, replies);
        RegisterMap map;
        QString error;
        QVERIFY(map.parse(mapText, "map", &error));
        SlaveSimulator slaves(&map);
        for (int i = 0; i < requests.size(); ++i) {
            const SimAnswer a = slaves.answer(withCrc(qPrintable(requests[i])), 0);
            const QByteArray expected =
                replies[i].isEmpty() ? QByteArray() : withCrc(qPrintable(replies[i]));
            QCOMPARE(hexOf(a.reply ? a.bytes : QByteArray()), hexOf(expected));
        }
        QByteArray badCrc = withCrc("01 03 00 00 00 01");
        badCrc[7] = char(badCrc.at(7) ^ 1);
        QVERIFY(!slaves.answer(badCrc, 0).reply);
    }

    void mapModelEdits()
    {
        // The window's table edits the map itself, values and generators checked as in the
        // file; the other columns and other roles change nothing.
        DeviceSimulator device;
        QString error;
        QVERIFY(device.registers().parse(mapText, "map", &error));
        RegisterMapModel model(&device);
        int row = 0;
        while (row < model.rowCount()
               && !(model.index(row, RegisterMapModel::TableColumn).data() == "holding"
                    && model.index(row, RegisterMapModel::AddressColumn).data() == 1)) {
            ++row;
        }
        const QModelIndex value = model.index(row, RegisterMapModel::ValueColumn);
        const QModelIndex generator = model.index(row, RegisterMapModel::GeneratorColumn);
        const auto held = [&] { return device.registers().value(1, RegisterMap::Holding, 1, 0); };
        QVERIFY(model.setData(value, "0x00FF", Qt::EditRole));
        QCOMPARE(held(), 255);
        QVERIFY(!model.setData(value, "7", Qt::DisplayRole));
        QVERIFY(!model.setData(value, "70000", Qt::EditRole));
        QVERIFY(!model.setData(model.index(row, RegisterMapModel::AddressColumn), 5, Qt::EditRole));
        QCOMPARE(held(), 255);
        QCOMPARE(value.data().toInt(), 255);
        QVERIFY(!model.setData(generator, "sometimes", Qt::EditRole));
        QVERIFY(model.setData(generator, "counter", Qt::EditRole));
        QCOMPARE(generator.data().toString(), QString("counter"));
    }

    void liveValues()
    {
        RegisterMap map;
        QString error;
        QVERIFY(map.parse("slave,table,address,value,generator\n1,input,0,65534,counter\n"
                          "1,input,1,0,sine:100:300:4\n1,input,2,50,walk:40:60:5\n",
                          "map", &error));
        map.seed(7);
        QCOMPARE(map.value(1, RegisterMap::Input, 0, 10000), 65534); // from the first read
        QCOMPARE(map.value(1, RegisterMap::Input, 0, 10999), 65534);
        QCOMPARE(map.value(1, RegisterMap::Input, 0, 12500), 0); // two seconds on, wrapped
        map.write(1, RegisterMap::Input, 0, 100, 12600);
        QCOMPARE(map.value(1, RegisterMap::Input, 0, 13000), 101); // counts on from a write
        QCOMPARE(map.value(1, RegisterMap::Input, 1, 0), 200);
        QCOMPARE(map.value(1, RegisterMap::Input, 1, 1000), 300); // a quarter of the period
        QCOMPARE(map.value(1, RegisterMap::Input, 1, 3000), 100);
        QSet<int> seen;
        for (qint64 t = 0; t < 200000; t += 1000) {
            const int v = map.value(1, RegisterMap::Input, 2, t);
            QVERIFY2(v >= 40 && v <= 60, qPrintable(QString::number(v)));
            seen << v;
        }
        QVERIFY(seen.size() > 5);
    }

    void faults()
    {
        RegisterMap map;
        QString error;
        QVERIFY(map.parse(mapText, "map", &error));
        SlaveSimulator slaves(&map);
        slaves.seed(1);
        SlaveFaults f;
        f.noReplyPercent = 30;
        slaves.setFaults(1, f);
        int answered = 0;
        for (int i = 0; i < 500; ++i) {
            answered += slaves.answer(withCrc("01 03 00 00 00 01"), 0).reply ? 1 : 0;
        }
        QVERIFY2(answered > 315 && answered < 385, qPrintable(QString::number(answered)));
        QCOMPARE(slaves.counts(1).noReply, 500 - answered);
        QCOMPARE(slaves.counts(2).requests, 0);

        f = SlaveFaults();
        f.exceptionFunction = 3;
        f.exceptionCode = 4;
        f.wrongSlavePercent = 100;
        f.delayMinMs = f.delayMaxMs = 20;
        f.splitPercent = 100;
        f.splitGapMs = 15;
        slaves.setFaults(1, f);
        SimAnswer a = slaves.answer(withCrc("01 03 00 00 00 01"), 0);
        QCOMPARE(hexOf(a.bytes), hexOf(withCrc("02 83 04")));
        QCOMPARE(a.delayMs, 20);
        QCOMPARE(a.splitAt, 2);
        QCOMPARE(a.gapMs, 15);
        a = slaves.answer(withCrc("01 06 00 01 00 05"), 0); // other functions are served
        QCOMPARE(hexOf(a.bytes), hexOf(withCrc("02 06 00 01 00 05")));
        f = SlaveFaults();
        f.badCrcPercent = 100;
        slaves.setFaults(2, f);
        a = slaves.answer(withCrc("02 03 00 00 00 01"), 0);
        QCOMPARE(hexOf(a.bytes.left(5)), "02 03 02 00 07");
        QVERIFY(!hasGoodCrc(a.bytes));
        QCOMPARE(slaves.counts(1).forcedException, 1);
        QCOMPARE(slaves.counts(2).badCrc, 1);
    }

    // Requests are cut from the stream by their shape, at once; garbage waits for a silence.
    void requestsFromTheStream()
    {
        DeviceSimulator device;
        QString error;
        QVERIFY(device.registers().parse(mapText, "map", &error));
        QSignalSpy replies(&device, &DeviceSimulator::reply);
        QSignalSpy writes(&device, &DeviceSimulator::written);
        const QByteArray read = withCrc("01 03 00 00 00 01");
        for (char c : read) {
            device.feed(QByteArray(1, c));
        }
        QCOMPARE(replies.size(), 1); // no wait for a silence
        device.feed(read.left(3));   // the rest late, as a USB adapter may deliver it
        QTest::qWait(20);
        device.feed(read.mid(3));
        QCOMPARE(replies.size(), 2);
        device.feed(read + withCrc("01 10 00 01 00 01 02 00 05"));
        QCOMPARE(replies.size(), 4);
        QCOMPARE(writes.size(), 1);
        device.feed(hexBytes("55 AA") + read); // out of step: dropped until the line is quiet
        QTest::qWait(20);
        device.feed(withCrc("01 41 00"));
        QCOMPARE(replies.size(), 4);
        QTRY_COMPARE(replies.size(), 5);
        QCOMPARE(hexOf(replies.last().first().toByteArray()), hexOf(withCrc("01 C1 01")));

        SlaveFaults f;
        f.splitPercent = 100;
        f.splitGapMs = 30;
        f.delayMinMs = f.delayMaxMs = 10;
        device.slaves().setFaults(1, f);
        QElapsedTimer clock;
        clock.start();
        QVector<qint64> at;
        connect(&device, &DeviceSimulator::reply, this, [&] { at << clock.elapsed(); });
        device.feed(read);
        QTRY_COMPARE(at.size(), 2);
        QVERIFY(at[0] >= 10 && at[1] - at[0] >= 30);
        QCOMPARE(hexOf(replies[5].first().toByteArray() + replies[6].first().toByteArray()),
                 hexOf(withCrc("01 03 02 12 34")));
        // Refused writes leave the map as it was: outside it, another slave, a forced exception.
        f.exceptionFunction = 5;
        f.exceptionCode = 4;
        device.slaves().setFaults(1, f);
        device.feed(withCrc("01 06 00 03 00 01") + withCrc("05 06 00 01 00 01")
                    + withCrc("01 05 00 01 FF 00") + withCrc("00 06 00 07 00 01"));
        QCOMPARE(writes.size(), 1);
        device.feed(withCrc("00 06 00 00 00 09")); // a broadcast that some slave takes
        QCOMPARE(writes.size(), 2);
    }

    void toMbpoll()
    {
        OnLine sim(dir.path());
        QVERIFY(sim.start(19200));
        const QString port = sim.pair.peerEnd();
        QVERIFY(mbpoll({"-a", "1", "-t", "0", "-r", "1", "-c", "10", port})
                    .contains(QRegularExpression("\\[9\\]:\\s+1\\s+\\[10\\]:\\s+1")));
        QVERIFY(mbpoll({"-a", "1", "-t", "1", "-r", "1", "-c", "2", port}).contains("[2]: \t1"));
        QVERIFY(mbpoll({"-a", "1", "-t", "3", "-r", "6", port}).contains("[6]: \t500"));
        QVERIFY(mbpoll({"-a", "1", "-t", "4", "-r", "2", port, "11", "12"}).contains("Written 2"));
        QVERIFY(mbpoll({"-a", "1", "-t", "0", "-r", "2", port, "1"}).contains("Written 1"));
        QVERIFY(mbpoll({"-a", "1", "-t", "4", "-r", "1", "-c", "3", port})
                    .contains(QRegularExpression(
                        "\\[1\\]:\\s+4660\\s+\\[2\\]:\\s+11\\s+\\[3\\]:\\s+12")));
        QCOMPARE(sim.device.registers().value(1, RegisterMap::Coil, 1, 0), 1);
        QVERIFY(mbpoll({"-a", "1", "-t", "4", "-r", "3", "-c", "2", port})
                    .contains("Illegal data address"));
        SlaveFaults f;
        f.badCrcPercent = 100;
        sim.device.slaves().setFaults(2, f);
        QVERIFY(mbpoll({"-a", "2", "-t", "4", "-r", "1", port}).contains("CRC"));

        // A slave that never answers leaves the line silent.
        f = SlaveFaults();
        f.noReplyPercent = 100;
        sim.device.slaves().setFaults(1, f);
        QVERIFY(mbpoll({"-a", "1", "-t", "4", "-r", "1", port}).contains("timed out"));
    }

    // The session answers on its port and for Modbus TCP clients of its bridge's server.
    void fromTheSession()
    {
        VirtualSerialPair pair(dir.path());
        QString error;
        QVERIFY(pair.start());
        ConsoleSession session;
        DeviceSimulator device;
        QVERIFY(device.registers().parse(mapText, "map", &error));
        ConsoleSession::Options o;
        o.hexReceive = o.hexSend = true;
        o.netMode = "Tcp_Server";
        o.listenAddress = "127.0.0.1";
        o.listenPort = freePort();
        session.setOptions(o);
        QStringList log;
        connect(&session, &ConsoleSession::logLine, this, [&](int type, const QString &text) {
            log << QString("%1 %2").arg(type).arg(text);
        });
        QVERIFY(session.open({pair.consoleEnd()}));
        session.setSimulator(&device);
        session.toggleBridge();
        QVERIFY(session.bridgeConnected());

        ThreadedPeer peer;
        QVERIFY(peer.open(pair.peerEnd()));
        peer.write(withCrc("01 06 00 01 00 2A"));
        QCOMPARE(hexOf(peer.take(8)), hexOf(withCrc("01 06 00 01 00 2A")));
        QVERIFY(waitUntil([&] { return log.size() >= 4; }, 1000));
        const QString frame = hexOf(withCrc("01 06 00 01 00 2A"));
        QCOMPARE(log.mid(log.size() - 2),
                 QStringList({QString("%1 %2").arg(LogSerialReceive).arg(frame),
                              QString("%1 %2").arg(LogSerialSend).arg(frame)}));

        QTcpSocket master;
        master.connectToHost(QHostAddress::LocalHost, quint16(o.listenPort));
        QVERIFY(master.waitForConnected(2000));
        master.write(rtuToMbap(withCrc("01 03 00 00 00 02"), 0x0102));
        QVERIFY(waitUntil([&] { return master.bytesAvailable() >= 13; }, 2000));
        QCOMPARE(hexOf(master.readAll()), "01 02 00 00 00 07 01 03 04 12 34 00 2A");
        QVERIFY(peer.takeFor(100).isEmpty()); // nothing of it reaches the serial line
    }

    void commandLine()
    {
        const QString map = dir.filePath("cli.csv");
        QVERIFY(writeFile(map, QByteArray(mapText) + "1,holding,x,1\n"));
        QProcess run;
        run.start(NORVANE_BINARY, {"--simulate", "/dev/null", "--map", map});
        QVERIFY(run.waitForFinished(10000));
        QCOMPARE(run.exitCode(), 2);
        QVERIFY(run.readAllStandardError().contains(qPrintable(map + ":20:")));

        QVERIFY(writeFile(map, mapText));
        VirtualSerialPair pair(dir.path());
        QVERIFY(pair.start());
        run.start(NORVANE_BINARY, {"--simulate", pair.consoleEnd(), "--map", map, "--baud", "19200",
                                   "--parity", "N"});
        QVERIFY(run.waitForStarted());
        QVERIFY(waitUntil(
            [&] {
                return mbpoll({"-a", "2", "-t", "4", "-r", "1", pair.peerEnd()})
                    .contains("[1]: \t7");
            },
            5000));
        run.terminate();
        QVERIFY(run.waitForFinished(5000));
        QCOMPARE(run.exitCode(), 0);
        const QString served =
            hexOf(withCrc("02 03 00 00 00 01")) + " -> " + hexOf(withCrc("02 03 02 00 07"));
        QVERIFY(QString(run.readAllStandardOutput()).contains(served));
    }
};

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
