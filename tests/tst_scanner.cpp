// The scanner against devices on a pseudo-terminal that answer only at their own line
// settings, its window and its command line.
#include "scanner.h"
#include "scanwindow.h"
#include "tavihelper.h"
#include "threadedpeer.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <random>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

// A pty refuses parity (and clears PARENB), so the device cannot read the line settings off
// the pty: these two record what the program under test asked of the watched device node,
// take it and tell it back, as a real UART would.
namespace asked {
std::mutex lock;
dev_t watched = 0;
bool known = false;
termios line{};

bool isWatched(int fd)
{
    struct stat st {};
    return ::fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == watched;
}
} // namespace asked

extern "C" int tcsetattr(int fd, int action, const termios *t)
{
    using Real = int (*)(int, int, const termios *);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "tcsetattr"));
    const int rc = real(fd, action, t);
    std::lock_guard<std::mutex> hold(asked::lock);
    if (!asked::isWatched(fd)) {
        return rc;
    }
    asked::line = *t;
    asked::known = true;
    return 0; // a pty refuses parity, which the device takes
}

extern "C" int tcgetattr(int fd, termios *t)
{
    using Real = int (*)(int, termios *);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "tcgetattr"));
    const int rc = real(fd, t);
    std::lock_guard<std::mutex> hold(asked::lock);
    if (rc == 0 && asked::known && asked::isWatched(fd)) {
        *t = asked::line;
    }
    return rc;
}

namespace {
// A device: its address (0 answers every address, as a relay), line and answer.
struct Device {
    int address;
    int baud;
    char parity;
    int stop;
    int exception = 0; // answers every read with this exception code when not 0
};

speed_t speedOf(int baud)
{
    const std::map<int, speed_t> speeds{
        {9600, B9600}, {19200, B19200}, {38400, B38400}, {115200, B115200}};
    return speeds.at(baud);
}

QByteArray withCrc(const QByteArray &frame)
{
    return frame + TaviHelper::crc16ModbusBytes(frame);
}

QByteArray frameOf(std::initializer_list<int> bytes)
{
    QByteArray frame;
    for (const int b : bytes) {
        frame += char(b);
    }
    return withCrc(frame);
}

// Devices on one line: the program under test opens `path()`; a thread answers each read
// request, with the reply when the port is set as the device is and with garbage otherwise.
// Without a recorded line (another process) the pty's own settings are read, parity as none.
class LineDevices
{
public:
    explicit LineDevices(const QVector<Device> &devices) : devices(devices)
    {
        ::openpty(&master, &slave, nullptr, nullptr, nullptr);
        termios raw{};
        ::tcgetattr(slave, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(slave, TCSANOW, &raw);
        struct stat st {};
        ::fstat(slave, &st);
        std::lock_guard<std::mutex> hold(asked::lock);
        asked::watched = st.st_rdev;
        asked::known = false;
        worker = std::thread([this] { run(); });
    }
    ~LineDevices()
    {
        stopping = true;
        worker.join();
        ::close(master);
        ::close(slave);
    }
    QString path() const { return QString::fromLatin1(::ptsname(master)); }
    int requests() const { return count; }

private:
    bool lineIs(const Device &d)
    {
        termios t{};
        bool known = false;
        {
            std::lock_guard<std::mutex> hold(asked::lock);
            known = asked::known;
            t = asked::line;
        }
        if (!known) {
            ::tcgetattr(master, &t);
        }
        const char parity = !(t.c_cflag & PARENB) ? 'N' : (t.c_cflag & PARODD) ? 'O' : 'E';
        return ::cfgetospeed(&t) == speedOf(d.baud) && parity == d.parity
               && ((t.c_cflag & CSTOPB) ? 2 : 1) == d.stop;
    }

    void answer(const QByteArray &request)
    {
        ++count;
        const int address = quint8(request.at(0));
        const int function = quint8(request.at(1));
        for (const Device &d : qAsConst(devices)) {
            if (d.address != address && d.address != 0) {
                continue;
            }
            QByteArray reply = d.exception ? frameOf({address, function | 0x80, d.exception})
                                           : frameOf({address, function, 2, 0x03, 0xE8 + address});
            if (!lineIs(d)) {
                for (char &c : reply) {
                    c = char(c ^ 0xA5);
                }
            }
            [[maybe_unused]] const ssize_t n = ::write(master, reply.constData(), reply.size());
        }
    }

    void run()
    {
        QByteArray buffer;
        while (!stopping) {
            pollfd p{master, POLLIN, 0};
            char bytes[256];
            if (::poll(&p, 1, 5) == 1 && (p.revents & POLLIN)) {
                const ssize_t n = ::read(master, bytes, sizeof bytes);
                buffer += QByteArray(bytes, int(qMax<ssize_t>(0, n)));
            }
            while (buffer.size() >= 8) {
                if (withCrc(buffer.left(6)) == buffer.left(8)) {
                    answer(buffer.left(8));
                    buffer.remove(0, 8);
                } else {
                    buffer.remove(0, 1);
                }
            }
        }
    }

    QVector<Device> devices;
    int master = -1;
    int slave = -1;
    std::thread worker;
    std::atomic<bool> stopping{false};
    std::atomic<int> count{0};
};

QString described(const ScanResult &r)
{
    return QStringLiteral("%1-%2 %3%4%5 %6")
        .arg(r.address)
        .arg(r.lastAddress)
        .arg(r.line.baudRate)
        .arg(QLatin1Char(parityLetter(r.line.parity)))
        .arg(stopBitCount(r.line.stopBits))
        .arg(r.exception ? QStringLiteral("exception %1").arg(r.exceptionCode) : r.text);
}

const QVector<int> testBauds{9600, 19200, 115200};
constexpr int lastTestAddress = 6;
// Time enough for a thread on a busy machine; the wire time comes on top.
constexpr int testAnswerMs = 60;
} // namespace

Q_DECLARE_METATYPE(QVector<Device>)

class TestScanner : public QObject
{
    Q_OBJECT
private slots:
    void scan_data();
    void scan();
    void cancelHalfway();
    void csvQuotesAResponse();
    void windowListsTheDevicesFound();
    void commandLine_data();
    void commandLine();
};

void TestScanner::scan_data()
{
    QTest::addColumn<QVector<Device>>("devices");
    QTest::addColumn<QStringList>("expected");
    const quint32 seed = QRandomGenerator::global()->generate();
    qInfo("device seed %u", seed);
    QRandomGenerator random(seed);
    const auto randomLine = [&](Device d) {
        d.baud = testBauds.at(random.bounded(testBauds.size()));
        d.parity = "NEO"[random.bounded(3)];
        d.stop = 1 + random.bounded(2);
        return d;
    };
    // Three devices at distinct addresses, one of them answering with an exception.
    QVector<int> addresses{1, 2, 3, 4, 5, 6};
    std::shuffle(addresses.begin(), addresses.end(), std::mt19937(seed));
    QVector<Device> three;
    QStringList found;
    for (int i = 0; i < 3; ++i) {
        three << randomLine({addresses[i], 0, 'N', 1, i == 0 ? 2 : 0});
        const Device &d = three.last();
        found << QStringLiteral("%1-%1 %2%3%4 %5")
                     .arg(d.address)
                     .arg(d.baud)
                     .arg(QLatin1Char(d.parity))
                     .arg(d.stop)
                     .arg(d.exception ? QStringLiteral("exception 2")
                                      : QString::number(1000 + d.address));
    }
    QTest::newRow("three devices") << three << found;
    const Device relay = randomLine({0, 0, 'N', 1, 11});
    QTest::newRow("relay answering every address")
        << QVector<Device>{relay}
        << QStringList{QStringLiteral("1-%1 %2%3%4 exception 11")
                           .arg(lastTestAddress)
                           .arg(relay.baud)
                           .arg(QLatin1Char(relay.parity))
                           .arg(relay.stop)};
}

void TestScanner::scan()
{
    QFETCH(QVector<Device>, devices);
    QFETCH(QStringList, expected);
    LineDevices line(devices);
    ScanPlan plan;
    plan.port = line.path();
    plan.lastAddress = lastTestAddress;
    plan.bauds = testBauds;
    plan.parities = {QSerialPort::NoParity, QSerialPort::EvenParity, QSerialPort::OddParity};
    plan.stopBits = {QSerialPort::OneStop, QSerialPort::TwoStop};
    plan.answerMs = testAnswerMs;
    Scanner scanner;
    QSignalSpy finished(&scanner, &Scanner::finished);
    QVERIFY(scanner.start(plan));
    QVERIFY(waitUntil([&] { return !finished.isEmpty(); }, 120000));
    QCOMPARE(finished.first().at(0).toString(), QString());
    QCOMPARE(line.requests(), plan.attempts());
    QStringList seen;
    for (const ScanResult &r : scanner.results()) {
        seen << described(r);
    }
    seen.sort();
    expected.sort();
    QVERIFY2(seen == expected, qPrintable(seen.join(" / ") + " <> " + expected.join(" / ")));
}

void TestScanner::cancelHalfway()
{
    LineDevices line({});
    ScanPlan plan;
    plan.port = line.path();
    Scanner scanner;
    QVector<ScanProgress> steps;
    connect(&scanner, &Scanner::progress, this, [&](const ScanProgress &p) { steps << p; });
    QSignalSpy finished(&scanner, &Scanner::finished);
    ScanPlan wrong = plan;
    wrong.firstAddress = 0;
    QVERIFY(!scanner.start(wrong));
    QCOMPARE(finished.takeFirst().at(1).toBool(), false); // refused, not cancelled
    wrong = plan;
    wrong.reg = 65536;
    QVERIFY(wrong.problem().contains("寄存器地址"));
    QVERIFY(scanner.start(plan));
    const int timeout = scanTimeoutMs(plan.lines().first(), 3, deviceAnswerMs);
    QCOMPARE(steps.first().total, 247);
    QCOMPARE(steps.first().msLeft, 247LL * timeout);
    QVERIFY(waitUntil([&] { return steps.size() == 4; }, 10 * timeout));
    QCOMPARE(steps.last().msLeft, 244LL * timeout);
    QCOMPARE(steps.last().address, 4);
    QElapsedTimer clock;
    clock.start();
    scanner.cancel();
    QVERIFY(waitUntil([&] { return !finished.isEmpty(); }, timeout));
    QVERIFY(clock.elapsed() <= timeout);
    QCOMPARE(finished.first().at(1).toBool(), true);
    const int asked = line.requests();
    waitUntil([] { return false; }, 2 * timeout);
    QCOMPARE(line.requests(), asked);
    QVERIFY(!scanner.isRunning());
    QSerialPort again(line.path());
    QVERIFY2(again.open(QIODevice::ReadWrite), "the port was left open");
}

void TestScanner::csvQuotesAResponse()
{
    // A response with a comma or a quote stays one field.
    ScanResult r;
    r.address = 7;
    r.line.baudRate = 9600;
    const QString quote = "say \"hi\"";
    for (const auto &[text, field] : {std::pair<QString, QString>{"1 2", "1 2"},
                                      {"1,2", "\"1,2\""},
                                      {quote, "\"say \"\"hi\"\"\""}}) {
        r.text = text;
        QCOMPARE(scanCsvLine(r), "7,9600,N,1," + field);
    }
}

void TestScanner::windowListsTheDevicesFound()
{
    // Each device found is a row of the window's table, its answer in the fifth column.
    Scanner scanner;
    ScanWindow window(&scanner);
    ScanResult r;
    r.address = 5;
    r.text = "1005";
    emit scanner.deviceFound(r);
    QCOMPARE(window.findChild<QTableWidget *>()->item(0, 4)->text(), QString("1005"));
}

void TestScanner::commandLine_data()
{
    QTest::addColumn<QVector<Device>>("devices");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("withPort"); // --scan PORT before the arguments
    const QString header = scanCsvHeader() + '\n';
    const QStringList twoRates{"--bauds", "9600,19200", "--stops", "1,2", "--ids", "1-4"};
    QTest::newRow("found") << QVector<Device>{{3, 19200, 'N', 2}} << twoRates << 0
                           << header + "3,19200,N,2,1003\n"
                           << true;
    QTest::newRow("exception, input registers")
        << QVector<Device>{{2, 9600, 'N', 1, 1}}
        << QStringList{"--ids", "2-2", "--function", "4", "--register", "7"} << 0
        << header + "2,9600,N,1,exception 1 非法功能\n"
        << true;
    // Fewer than three addresses answering alike are not taken for one relay.
    QTest::newRow("two alike") << QVector<Device>{{0, 9600, 'N', 1, 1}}
                               << QStringList{"--ids", "1-2"} << 0
                               << header
                                      + "1,9600,N,1,exception 1 非法功能\n"
                                        "2,9600,N,1,exception 1 非法功能\n"
                               << true;
    QTest::newRow("nothing answers")
        << QVector<Device>{{3, 38400, 'N', 1}} << twoRates << 1 << header << true;
    for (const char *wrong : {"--ids=0-5", "--bauds=9600,7", "--parities=X", "--function=6"}) {
        QTest::newRow(wrong) << QVector<Device>{} << QStringList{wrong} << 2 << QString() << true;
    }
    QTest::newRow("--ids without --scan")
        << QVector<Device>{} << QStringList{"--ids", "1-3"} << 2 << QString() << false;
}

void TestScanner::commandLine()
{
    QFETCH(QVector<Device>, devices);
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(bool, withPort);
    LineDevices line(devices);
    QProcess norvane;
    norvane.start(NORVANE_BINARY,
                  (withPort ? QStringList{"--scan", line.path()} : QStringList()) + arguments);
    QVERIFY(norvane.waitForFinished(60000));
    QCOMPARE(norvane.exitCode(), exitCode);
    QCOMPARE(QString::fromUtf8(norvane.readAllStandardOutput()), output);
    const QString errors = QString::fromUtf8(norvane.readAllStandardError());
    QVERIFY2(exitCode == 2 ? errors.contains("--scan PORT") : errors.contains("扫描完成"),
             qPrintable(errors));
}

QTEST_MAIN(TestScanner)
#include "tst_scanner.moc"
