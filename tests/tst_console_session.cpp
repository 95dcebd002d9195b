// The console session on a virtual serial port, with no widget: requests and their replies,
// text, device answers, a port that goes and comes back; and the line settings it opens with.
#include "appsettings.h"
#include "consolesession.h"
#include "logformat.h"
#include "modbusdevice.h"
#include "requestframe.h"
#include "tavihelper.h"
#include "testsupport.h"
#include "threadedpeer.h"
#include "virtualserial.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray withCrc(const char *hex)
{
    const QByteArray frame = hexBytes(hex);
    return frame + TaviHelper::crc16ModbusBytes(frame);
}

QString hexText(const QByteArray &bytes)
{
    return TaviHelper::bytesToHexText(bytes);
}
} // namespace

class TestConsoleSession : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    VirtualSerialPair *pair = nullptr;
    ThreadedPeer peer;
    ConsoleSession *session = nullptr;
    QStringList log; // "<type> <text>" of every log line

    ConsoleSession::Options hexOptions() const
    {
        ConsoleSession::Options o;
        o.hexSend = o.hexReceive = true;
        return o;
    }
    PortSettings port() const
    {
        PortSettings line;
        line.name = pair->consoleEnd();
        return line;
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<ReplyDecode>();
        pair = new VirtualSerialPair(dir.path());
        QString error;
        QVERIFY2(pair->start(&error), qPrintable(error));
    }
    void cleanupTestCase() { delete pair; }
    void init()
    {
        session = new ConsoleSession;
        log.clear();
        connect(session, &ConsoleSession::logLine, session, [this](int type, const QString &text) {
            log << QString("%1 %2").arg(type).arg(text);
        });
    }
    void cleanup()
    {
        delete session;
        peer.close();
    }

    void requestsToAPymodbusDevice()
    {
        ModbusDevice device;
        QString error;
        QVERIFY2(device.start(pair->peerEnd(), {"--holding", "123,65535,10"}, &error),
                 qPrintable(error));
        session->setOptions(hexOptions());
        QSignalSpy decoded(session, &ConsoleSession::replyDecoded);
        QVERIFY(session->open(port()));
        QVERIFY(session->sendText(hexText(withCrc("01 03 00 00 00 03")), true));
        QTRY_COMPARE_WITH_TIMEOUT(decoded.size(), 1, 5000);
        const auto reply = decoded.takeFirst().at(0).value<ReplyDecode>();
        QCOMPARE(reply.kind, ReplyDecode::Values);
        QCOMPARE(reply.numbers, (QVector<double>{123, -1, 10}));
        QVERIFY(reply.trusted);
        QCOMPARE(log.filter(QString::number(LogValues)).last(), QString("7 123 -1 10 "));
        // Another slave is silent: told once the request's time is up, not much later.
        QElapsedTimer clock;
        clock.start();
        QVERIFY(session->sendText(hexText(withCrc("02 03 00 00 00 01")), true));
        QTRY_COMPARE_WITH_TIMEOUT(decoded.size(), 1, 5000);
        const qint64 waited = clock.elapsed();
        QCOMPARE(decoded.at(0).at(0).value<ReplyDecode>().text,
                 QString("无应答: 从站 2, 功能码 03, 等待 220 ms"));
        QVERIFY2(waited >= 220 && waited < 220 + 3 * ConsoleSession::readIntervalMs,
                 qPrintable(QString::number(waited)));
        QCOMPARE(session->sentBytes(), 16);
        QCOMPARE(session->receivedBytes(), 11);
    }

    void textAndDeviceAnswers()
    {
        QString error;
        QVERIFY2(peer.open(pair->peerEnd(), &error), qPrintable(error));
        QSignalSpy sent(session, &ConsoleSession::sent);
        QVERIFY(session->open(port()));
        QVERIFY(session->sendText("AT+CSQ")); // a command gets its carriage return
        QCOMPARE(peer.take(7), QByteArray("AT+CSQ\r"));
        QCOMPARE(sent.takeFirst().at(0).toByteArray(), QByteArray("AT+CSQ\r"));
        QCOMPARE(log.last(), QString("0 AT+CSQ\\CR"));
        QVERIFY(session->sendText("世界")); // the log shows what went on the wire
        QCOMPARE(peer.take(2), QByteArray("??"));
        QCOMPARE(log.last(), QString("0 ??"));
        // Device simulation answers the first key the reception starts with, hex in any case.
        ConsoleSession::Options o = hexOptions();
        o.autoPrint = false;
        o.deviceSimulation = true;
        o.deviceKeys = QStringList{"01 03 00 00 00 01 84 0a", "01"};
        o.deviceValues = QStringList{"01 03 02 00 01", "EE"};
        session->setOptions(o);
        log.clear();
        peer.write(withCrc("01 03 00 00 00 01"));
        QCOMPARE(peer.take(5), hexBytes("01 03 02 00 01"));
        QCOMPARE(log, QStringList{"1 01 03 00 00 00 01 84 0A"}); // answers are not printed
        QCOMPARE(session->sentBytes(), 14);
        o.deviceSimulation = false;
        session->setOptions(o);
        peer.write(withCrc("01 03 00 00 00 01"));
        QCOMPARE(peer.takeFor(300), QByteArray());
        // Closed by the user: nothing goes out.
        QSignalSpy closed(session, &ConsoleSession::closed);
        session->close();
        QCOMPARE(closed.takeFirst().at(0).toBool(), false);
        QCOMPARE(log.last(), QString("6 关闭串口!!"));
        QVERIFY(!session->sendText("AT"));
    }

    void receptionsShown_data()
    {
        QTest::addColumn<bool>("hex");
        QTest::addColumn<QByteArrayList>("receptions");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("hex") << true << QByteArrayList{"\x01\x03"} << QStringList{"01 03"};
        QTest::newRow("text up to a NUL")
            << false << QByteArrayList{QByteArray("AB\0CD", 5)} << QStringList{"AB"};
        QTest::newRow("controls by name") << false << QByteArrayList{"\x1b[31mred\xe2\x80\xae!\tok"}
                                          << QStringList{"\\ESC[31mred\\xe2\\x80\\xae!\tok"};
        QTest::newRow("direction marks") << false
                                         << QByteArrayList{"a\xe2\x80\x8e\xe2\x81\xa9"
                                                           "b"}
                                         << QStringList{"a\\xe2\\x80\\x8e\\xe2\\x81\\xa9b"};
        // A character cut between two receptions is shown whole with the later one.
        const QByteArray word = QString("温度").toUtf8();
        QTest::newRow("cut character")
            << false << QByteArrayList{"t=" + word.left(4), word.mid(4) + "\xff!"}
            << QStringList{"t=温", QString("度\uFFFD!")};
    }
    void receptionsShown()
    {
        QFETCH(bool, hex);
        QFETCH(QByteArrayList, receptions);
        QFETCH(QStringList, shown);
        QString error;
        QVERIFY2(peer.open(pair->peerEnd(), &error), qPrintable(error));
        ConsoleSession::Options o;
        o.hexReceive = hex;
        session->setOptions(o);
        QVERIFY(session->open(port()));
        QStringList lines;
        for (const QByteArray &bytes : receptions) {
            peer.write(bytes);
            QTRY_COMPARE(log.filter(QRegularExpression("^1 ")).size(), lines.size() + 1);
            lines << log.filter(QRegularExpression("^1 ")).last().mid(2);
        }
        QCOMPARE(lines, shown);
    }

    void repliesInPieces()
    {
        QString error;
        QVERIFY2(peer.open(pair->peerEnd(), &error), qPrintable(error));
        session->setOptions(hexOptions());
        QSignalSpy decoded(session, &ConsoleSession::replyDecoded);
        QVERIFY(session->open(port()));
        const QString request = hexText(withCrc("01 03 00 00 00 02"));
        const QByteArray reply = withCrc("01 03 04 00 0A 00 14");
        // Whole after two pieces: decoded once.
        QVERIFY(session->sendText(request, true));
        peer.write(reply.left(4));
        waitUntil([] { return false; }, 150);
        peer.write(reply.mid(4));
        QTRY_COMPARE(decoded.size(), 1);
        QCOMPARE(decoded.takeFirst().at(0).value<ReplyDecode>().text, QString("10 20 "));
        // Still short at its time limit: what arrived, said so.
        QVERIFY(session->sendText(request, true));
        peer.write(reply.left(5));
        QTRY_COMPARE(decoded.size(), 1);
        QCOMPARE(decoded.takeFirst().at(0).value<ReplyDecode>().text,
                 QString("10 (不完整: 收到 5/9 字节)"));
        // After the silence was told, a reply is late, not the next request's.
        QVERIFY(session->sendText(request, true));
        QTRY_COMPARE(decoded.size(), 1);
        QCOMPARE(decoded.takeFirst().at(0).value<ReplyDecode>().kind, ReplyDecode::NoReply);
        peer.write(reply);
        QTRY_COMPARE(decoded.size(), 1);
        QCOMPARE(decoded.takeFirst().at(0).value<ReplyDecode>().text,
                 QString("迟到的应答 (已判无应答): 10 20 "));
    }

    void lostPortComesBack()
    {
        QSignalSpy failed(session, &ConsoleSession::openFailed);
        PortSettings missing = port();
        missing.name = dir.filePath("none");
        QVERIFY(!session->open(missing));
        QCOMPARE(failed.takeFirst().at(0).toString(), QString("没有该设备"));
        QVERIFY(log.isEmpty()); // said where the port is chosen, not in the log
        QSignalSpy closed(session, &ConsoleSession::closed);
        QSignalSpy opened(session, &ConsoleSession::opened);
        QVERIFY(session->open(port()));
        pair->stop();
        QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, 3000);
        QCOMPARE(closed.at(0).at(0).toBool(), true);
        QCOMPARE(log.mid(1), (QStringList{"6 关闭串口!!", "6 串口中断异常!!"}));
        QString error;
        QVERIFY2(pair->start(&error), qPrintable(error));
        QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 2, 4000);
        // A port replaced faster than the presence check looks is still found: the device
        // node changed. Bytes written into the hung-up port are neither counted nor logged.
        QVERIFY2(peer.open(pair->peerEnd(), &error), qPrintable(error));
        peer.close();
        QElapsedTimer gap;
        gap.start();
        pair->stop();
        log.clear();
        QVERIFY(!session->sendText("AA"));
        QVERIFY2(pair->start(&error), qPrintable(error));
        if (gap.elapsed() >= 500) { // socat takes about 0.1 s; a very busy machine may not manage
            QSKIP(qPrintable(QString("replacing the port took %1 ms").arg(gap.elapsed())));
        }
        QCOMPARE(session->sentBytes(), 0);
        QVERIFY(log.filter(QRegularExpression("^0 ")).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 3, 4000);
        QVERIFY2(peer.open(pair->peerEnd(), &error), qPrintable(error));
        QVERIFY(session->sendText("hello"));
        QCOMPARE(peer.take(5), QByteArray("hello"));
        // Idle again, the process sleeps (a session left on the old device spun a core).
        const double before = processCpuSeconds();
        waitUntil([] { return false; }, 2000);
        QVERIFY2(processCpuSeconds() - before < 0.3,
                 qPrintable(QString::number(processCpuSeconds() - before)));
    }

    // No serial port at all: requests to a pymodbus device over TCP, as Modbus TCP or as RTU
    // frames in the stream; a device that goes away and comes back.
    void requestsOverTcp_data()
    {
        QTest::addColumn<QString>("transport");
        QTest::newRow("Modbus TCP") << "modbus-tcp";
        QTest::newRow("RTU over TCP") << "rtu-tcp";
    }
    void requestsOverTcp()
    {
        QFETCH(QString, transport);
        QTcpServer probe; // a free port, given back at once
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const QString port = QString::number(probe.serverPort());
        probe.close();
        const QStringList args = {"--holding", "5,6",
                                  transport == "rtu-tcp" ? "--rtu-over-tcp" : "--tcp"};
        auto device = std::make_unique<ModbusDevice>();
        QString error;
        QVERIFY2(device->start(port, args, &error), qPrintable(error));
        ConsoleSession::Options o = hexOptions();
        o.transport = transport;
        o.serverIP = "127.0.0.1";
        o.serverPort = port.toInt();
        session->setOptions(o);
        QVERIFY(!session->isOpen() && session->canSendRequests());
        QSignalSpy ended(session, &ConsoleSession::requestEnded);
        const auto outcome = [&](const RequestRow &row) {
            const int before = ended.size();
            return session->sendRequest(row)
                           && waitUntil([&] { return ended.size() > before; }, 3000)
                       ? ended.last().at(0).value<ReplyDecode>()
                       : ReplyDecode();
        };
        QCOMPARE(outcome(checkRequest("1", "16", "0", "", "7, 0x0102")).kind, ReplyDecode::Written);
        const ReplyDecode read = outcome(checkRequest("1", "3", "0", "3", ""));
        QCOMPARE(read.kind, ReplyDecode::Values);
        QCOMPARE(read.numbers, (QVector<double>{7, 258, 0}));
        QVERIFY(read.responseMs >= 0 && read.responseMs < ConsoleSession::tcpReplyMs);
        QCOMPARE(outcome(checkRequest("1", "3", "500", "1", "")).kind, ReplyDecode::Exception);
        for (int type : {LogNetSend, LogNetReceive}) {
            QCOMPARE(log.filter(QRegularExpression(QString("^%1 ").arg(type))).size(), 3);
        }
        device.reset();
        QTRY_VERIFY(log.last().endsWith("下次请求时重连"));
        QVERIFY(!session->sendRequest(checkRequest("1", "3", "0", "1", "")));
        QVERIFY(log.last().contains("无法连接 127.0.0.1:" + port));
        device = std::make_unique<ModbusDevice>();
        QVERIFY2(device->start(port, args, &error), qPrintable(error));
        // A new device: its own values.
        QCOMPARE(outcome(checkRequest("1", "3", "1", "1", "")).numbers, QVector<double>{6});
        QVERIFY(!log.filter("已连接 127.0.0.1:" + port).isEmpty());
    }

    void pieceTimes()
    {
        // A reply's time runs from when its last piece arrived, not from when it was read.
        ReceivePipeline pipeline;
        ModbusRequest request;
        QVERIFY(parseRequest(withCrc("01 03 00 00 00 02"), &request));
        pipeline.sent(request, 0, 50);
        const QByteArray reply = withCrc("01 03 04 00 0A 00 14");
        const auto first = pipeline.receive({{reply.left(4), 40}}, true, {});
        QVERIFY(first.decoded.isEmpty());
        QVERIFY(pipeline.expire(89, {}).isEmpty());
        const auto late = pipeline.expire(90, {});
        QCOMPARE(late.size(), 1);
        QCOMPARE(late.at(0).kind, ReplyDecode::Incomplete);
        // Pieces read together are one line; each still counts from its own arrival.
        pipeline.sent(request, 100, 50);
        const auto whole = pipeline.receive({{reply.left(3), 120}, {reply.mid(3), 160}}, true, {});
        QCOMPARE(whole.display, hexText(reply));
        QCOMPARE(whole.decoded.size(), 1);
        QCOMPARE(whole.decoded.at(0).numbers, (QVector<double>{10, 20}));
    }

    void lineSettings_data()
    {
        QTest::addColumn<QString>("parity");
        QTest::addColumn<double>("stopBits");
        QTest::addColumn<int>("dataBits");
        QTest::addColumn<int>("qtParity");
        QTest::addColumn<int>("qtStop");
        QTest::addColumn<double>("charMs"); // at 1200 baud
        QTest::newRow("8N1") << "无" << 1.0 << 8 << int(QSerialPort::NoParity)
                             << int(QSerialPort::OneStop) << 10 / 1.2;
        QTest::newRow("7E2") << "偶" << 2.0 << 7 << int(QSerialPort::EvenParity)
                             << int(QSerialPort::TwoStop) << 11 / 1.2;
        QTest::newRow("5O1.5") << "奇" << 1.5 << 5 << int(QSerialPort::OddParity)
                               << int(QSerialPort::OneAndHalfStop) << 8.5 / 1.2;
        QTest::newRow("space") << "空格" << 1.0 << 8 << int(QSerialPort::SpaceParity)
                               << int(QSerialPort::OneStop) << 11 / 1.2;
        // What the file should not hold keeps the defaults.
        QTest::newRow("unknown") << "none" << 3.0 << 9 << int(QSerialPort::NoParity)
                                 << int(QSerialPort::OneStop) << 10 / 1.2;
    }
    void lineSettings()
    {
        QFETCH(QString, parity);
        QFETCH(double, stopBits);
        QFETCH(int, dataBits);
        AppSettings::PortName = "/dev/ttyUSB7";
        AppSettings::BaudRate = 1200;
        AppSettings::Parity = parity;
        AppSettings::StopBit = stopBits;
        AppSettings::DataBit = dataBits;
        const PortSettings line = portSettingsFromConfig();
        QCOMPARE(line.name, QString("/dev/ttyUSB7"));
        QCOMPARE(line.baudRate, 1200);
        QFETCH(int, qtParity);
        QFETCH(int, qtStop);
        QCOMPARE(int(line.parity), qtParity);
        QCOMPARE(int(line.stopBits), qtStop);
        QFETCH(double, charMs);
        QCOMPARE(characterMs(line), charMs);
    }
};

QTEST_GUILESS_MAIN(TestConsoleSession)
#include "tst_console_session.moc"
