// The console session on a virtual serial port, with no widget: requests and their replies,
// text, device answers, a port that goes and comes back; and the line settings it opens with.
#include "appsettings.h"
#include "consolesession.h"
#include "logformat.h"
#include "modbusdevice.h"
#include "receivepipeline.h"
#include "requestframe.h"
#include "seriallink.h"
#include "tavihelper.h"
#include "testsupport.h"
#include "threadedpeer.h"
#include "virtualserial.h"

#include <QRegularExpression>
#include <QSerialPort>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QtTest>

namespace {
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
    PortSettings port() const { return {pair->consoleEnd()}; }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<ReplyDecode>();
        pair = new VirtualSerialPair(dir.path());
        QVERIFY(pair->start());
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
        // A session and its decoded replies without a window: a real device answers slave 1.
        ModbusDevice device;
        QVERIFY(device.start(pair->peerEnd(), {"--holding", "123,65535,10"}));
        session->setOptions(hexOptions());
        QSignalSpy decoded(session, &ConsoleSession::replyDecoded);
        // The port is read as bytes come only while a reply is awaited (its time counts from
        // its arrival); otherwise at the ticks.
        const auto reading = [&] {
            int on = 0;
            for (QSocketNotifier *n : session->findChildren<QSocketNotifier *>()) {
                on += n->type() == QSocketNotifier::Read && n->isEnabled();
            }
            return on;
        };
        QVERIFY(session->open(port()));
        QCOMPARE(reading(), 0);
        QVERIFY(session->sendText(hexText(withCrc("01 03 00 00 00 03")), true));
        QCOMPARE(reading(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(decoded.size(), 1, 5000);
        const auto reply = decoded.takeFirst().at(0).value<ReplyDecode>();
        QCOMPARE(reply.kind, ReplyDecode::Values);
        QCOMPARE(reply.numbers, (QVector<double>{123, -1, 10}));
        QVERIFY(reply.trusted);
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
        QCOMPARE(reading(), 0);
        QCOMPARE(session->sentBytes(), 16);
        QCOMPARE(session->receivedBytes(), 11);
    }

    void textAndDeviceAnswers()
    {
        QVERIFY(peer.open(pair->peerEnd()));
        QSignalSpy sent(session, &ConsoleSession::sent);
        QVERIFY(session->open(port()));
        QVERIFY(session->sendText("AT+CSQ")); // a command gets its carriage return
        QCOMPARE(peer.take(7), QByteArray("AT+CSQ\r"));
        QCOMPARE(sent.takeFirst().at(0).toByteArray(), QByteArray("AT+CSQ\r"));
        QCOMPARE(log.last(), QString("0 AT+CSQ\\CR"));
        QVERIFY(session->sendText("") && sent.isEmpty()); // nothing went out: nothing told
        QVERIFY(session->sendText("世界"));               // the log shows what went on the wire
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

    void receptionsShown()
    {
        // Text up to a NUL, controls and direction marks by name; a character cut between two
        // receptions shown whole with the later one.
        ReceivePipeline pipeline;
        const auto shown = [&](const QByteArray &bytes, bool hex = false) {
            return pipeline.receive({{bytes, 0}}, hex, {}).display;
        };
        QCOMPARE(shown(QByteArray("AB\0CD", 5)), QString("AB"));
        QCOMPARE(shown("\x1b[31mred\xe2\x80\xae!\tok"),
                 QString("\\ESC[31mred\\xe2\\x80\\xae!\tok"));
        const QByteArray word = QString("温度").toUtf8();
        QCOMPARE(shown("t=" + word.left(4)), QString("t=温"));
        QCOMPARE(shown(word.mid(4) + "\xff!"), QString("度\uFFFD!"));
    }

    void lostPortComesBack()
    {
        QSignalSpy closed(session, &ConsoleSession::closed);
        QSignalSpy opened(session, &ConsoleSession::opened);
        QVERIFY(session->open(port()));
        QVERIFY(session->open(port())); // open already: nothing more happens
        pair->stop();
        QTRY_COMPARE_WITH_TIMEOUT(closed.size(), 1, 3000);
        QCOMPARE(closed.at(0).at(0).toBool(), true);
        QCOMPARE(log.mid(1), (QStringList{"6 关闭串口!!", "6 串口中断异常!!"}));
        QVERIFY(pair->start());
        QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 2, 4000);
        // A port replaced faster than the presence check looks is still found: the device
        // node changed. Bytes written into the hung-up port are neither counted nor logged.
        QVERIFY(peer.open(pair->peerEnd()));
        peer.close();
        QElapsedTimer gap;
        gap.start();
        pair->stop();
        log.clear();
        QVERIFY(!session->sendText("AA"));
        QVERIFY(pair->start());
        if (gap.elapsed() >= 500) { // socat takes about 0.1 s; a very busy machine may not manage
            QSKIP(qPrintable(QString("replacing the port took %1 ms").arg(gap.elapsed())));
        }
        QCOMPARE(session->sentBytes(), 0);
        QVERIFY(log.filter(QRegularExpression("^0 ")).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(opened.size(), 3, 4000);
        QVERIFY(peer.open(pair->peerEnd()));
        QVERIFY(session->sendText("hello"));
        QCOMPARE(peer.take(5), QByteArray("hello"));
        // Idle again, the process sleeps (a session left on the old device spun a core).
        const double before = processCpuSeconds();
        waitUntil([] { return false; }, 2000);
        QVERIFY2(processCpuSeconds() - before < 0.3,
                 qPrintable(QString::number(processCpuSeconds() - before)));
        // Closed by the user while the retries run, it stays closed.
        auto *retries = session->findChild<QTimer *>("reopenTimer");
        peer.close();
        pair->stop();
        QTRY_VERIFY_WITH_TIMEOUT(retries->isActive(), 3000);
        session->close();
        QVERIFY(!retries->isActive());
        QVERIFY(pair->start());
    }

    void portErrorsThatEndTheSession_data()
    {
        // A device that stops working ends the session; a refused setting or a timeout does not.
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("lost");
        QTest::newRow("resource") << int(QSerialPort::ResourceError) << true;
        QTest::newRow("read") << int(QSerialPort::ReadError) << true;
        QTest::newRow("write") << int(QSerialPort::WriteError) << true;
        QTest::newRow("unsupported") << int(QSerialPort::UnsupportedOperationError) << false;
        QTest::newRow("timeout") << int(QSerialPort::TimeoutError) << false;
    }
    void portErrorsThatEndTheSession()
    {
        QFETCH(int, error);
        QFETCH(bool, lost);
        SerialLink link;
        QSignalSpy failed(&link, &SerialLink::failed);
        auto *serial = link.findChild<QSerialPort *>();
        emit serial->errorOccurred(QSerialPort::SerialPortError(error)); // not open: nothing ends
        QVERIFY(link.open(port()));
        emit serial->errorOccurred(QSerialPort::SerialPortError(error));
        QCOMPARE(link.isOpen(), !lost);
        QCOMPARE(failed.size(), int(lost));
    }

    void linkReadsWhenPolledOrWoken()
    {
        // Off, nothing reads the port between polls (a paced line woke the console for every
        // chunk); on, it is read as bytes come. Every byte comes once and in order, also from
        // a stream far beyond what one poll holds, read partly as it comes.
        SerialLink link;
        QSignalSpy arrived(&link, &SerialLink::arrived);
        QVERIFY(link.open(port()));
        QVERIFY(peer.open(pair->peerEnd()));
        QByteArray stream;
        for (int i = 0; i < 3 * 1024 * 1024; ++i) {
            stream += char(i * 7 + i / 251);
        }
        const auto readers = [&] {
            int on = 0;
            for (QSocketNotifier *n : link.findChildren<QSocketNotifier *>()) {
                on += n->type() == QSocketNotifier::Read && n->isEnabled();
            }
            return on;
        };
        const auto take = [&] {
            QByteArray bytes;
            for (const ReceivedPiece &piece : link.readAll()) {
                bytes += piece.bytes;
            }
            return bytes;
        };
        peer.write(stream.left(100));
        waitUntil([] { return false; }, 200);
        QCOMPARE(arrived.size() + readers(), 0);
        const qint64 polled = monotonicMs();
        QCOMPARE(link.bytesAvailable(), 100);
        const QVector<ReceivedPiece> pieces = link.readAll();
        QCOMPARE(pieces.size(), 1);
        QVERIFY(pieces.at(0).arrivedMs >= polled);
        QCOMPARE(pieces.at(0).bytes, stream.left(100));
        QCOMPARE(readers(), 0);
        link.setWakeOnArrival(true);
        peer.write(stream.mid(100, 100));
        QVERIFY(waitUntil([&] { return !arrived.isEmpty(); }, 3000));
        QCOMPARE(take(), stream.mid(100, 100));
        link.setWakeOnArrival(false);
        QCOMPARE(readers(), 0);
        peer.write(stream.mid(200));
        QSignalSpy held(&link, &SerialLink::held);
        QSignalSpy failed(&link, &SerialLink::failed);
        const auto pause = [](int ms) { waitUntil([] { return false; }, ms); };
        // Polls that find a stream make the link read it as it comes: with nothing taken, it
        // fills more than a poll holds, says so and stops there.
        const auto heldAfterPolls = [&] {
            for (int i = 0; i < 5 && held.isEmpty(); ++i) {
                pause(20);
                link.bytesAvailable();
            }
            return waitUntil([&] { return !held.isEmpty(); }, 10000);
        };
        QVERIFY(heldAfterPolls());
        const qint64 holding = link.bytesAvailable();
        QVERIFY(holding > SerialLink::readBufferBytes);
        pause(100);
        QCOMPARE(link.bytesAvailable(), holding);
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (got.size() < stream.size() - 200 && clock.elapsed() < 30000) {
            pause(20);
            got += take();
        }
        QCOMPARE(got.size(), stream.size() - 200);
        QVERIFY(got == stream.mid(200));
        QCOMPARE(arrived.size(), 1);
        // A device that hangs up while its stream is read as it comes ends the session.
        held.clear();
        peer.write(stream);
        QVERIFY(heldAfterPolls());
        pair->stop();
        take();
        QVERIFY(waitUntil([&] { return !failed.isEmpty(); }, 5000));
        QVERIFY(!link.isOpen());
        QVERIFY(pair->start());
    }

    void sessionTakesAFastStreamWhole()
    {
        // Far beyond what the link holds, read as it comes while the session shows it: every
        // byte once and in order. Closed mid-stream, it closes without waiting for the stream.
        session->setOptions(hexOptions());
        QVERIFY(session->open(port()));
        QVERIFY(peer.open(pair->peerEnd()));
        QByteArray got;
        connect(session, &ConsoleSession::received, session,
                [&](const QByteArray &bytes) { got += bytes; });
        QByteArray stream(4 * 1024 * 1024, Qt::Uninitialized);
        QRandomGenerator(3).fillRange(reinterpret_cast<quint32 *>(stream.data()),
                                      stream.size() / 4);
        peer.write(stream);
        QVERIFY(waitUntil([&] { return got.size() >= stream.size(); }, 30000));
        QVERIFY(got == stream);
        QCOMPARE(session->receivedBytes(), qint64(stream.size()));
        peer.write(stream);
        QVERIFY(waitUntil([&] { return got.size() > stream.size() * 3 / 2; }, 30000));
        session->close();
        QVERIFY(!session->isOpen());
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
        const QString port = QString::number(freePort());
        const QStringList args = {"--holding", "5,6",
                                  transport == "rtu-tcp" ? "--rtu-over-tcp" : "--tcp"};
        auto device = std::make_unique<ModbusDevice>();
        QVERIFY(device->start(port, args));
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
        QVERIFY(device->start(port, args));
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

    void lineSettings()
    {
        // As stored, and the time of a character at 1200 baud; what the file should not hold
        // keeps the defaults.
        const struct {
            const char *parity;
            double stopBits;
            int dataBits;
            QSerialPort::Parity qtParity;
            QSerialPort::StopBits qtStop;
            double charMs;
        } rows[] = {{"偶", 2, 7, QSerialPort::EvenParity, QSerialPort::TwoStop, 11 / 1.2},
                    {"奇", 1.5, 5, QSerialPort::OddParity, QSerialPort::OneAndHalfStop, 8.5 / 1.2},
                    {"空格", 1, 8, QSerialPort::SpaceParity, QSerialPort::OneStop, 11 / 1.2},
                    {"none", 3, 9, QSerialPort::NoParity, QSerialPort::OneStop, 10 / 1.2}};
        for (const auto &r : rows) {
            AppSettings::PortName = "/dev/ttyUSB7";
            AppSettings::BaudRate = 1200;
            AppSettings::Parity = r.parity;
            AppSettings::StopBit = r.stopBits;
            AppSettings::DataBit = r.dataBits;
            const PortSettings line = portSettingsFromConfig();
            QCOMPARE(line.name + QString::number(line.baudRate), QString("/dev/ttyUSB71200"));
            QCOMPARE(line.parity, r.qtParity);
            QCOMPARE(line.stopBits, r.qtStop);
            QCOMPARE(characterMs(line), r.charMs);
        }
    }
};

QTEST_GUILESS_MAIN(TestConsoleSession)
#include "tst_console_session.moc"
