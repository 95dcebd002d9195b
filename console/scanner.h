#ifndef SCANNER_H
#define SCANNER_H

#include "modbusreply.h"
#include "portsettings.h"

#include <QByteArray>
#include <QMetaType>
#include <QObject>
#include <QPointer>
#include <QVector>

class QTimer;
class SerialLink;

// What a scan tries: one small read to each address of a range, at each line setting of
// bauds x parities x stop bits (8 data bits), the line settings in that order.
struct ScanPlan {
    QString port;
    int function = 3; // 1-4: coils, discrete inputs, holding or input registers
    int reg = 0;      // the one coil or register read
    int firstAddress = 1;
    int lastAddress = 247;
    QVector<qint32> bauds{9600};
    QVector<QSerialPort::Parity> parities{QSerialPort::NoParity};
    QVector<QSerialPort::StopBits> stopBits{QSerialPort::OneStop};
    // What a device may take to answer, on top of the wire time of the request and the reply.
    int answerMs = deviceAnswerMs;
    // Ends after the first line setting at which anything answered (all its addresses tried).
    bool stopAtFirst = false;

    QVector<PortSettings> lines() const;
    int addressCount() const { return lastAddress - firstAddress + 1; }
    int attempts() const { return lines().size() * qMax(0, addressCount()); }
    // Empty when the plan can be run, else why not.
    QString problem() const;
};

// 1200 to 115200, the rates devices are usually set to.
QVector<qint32> standardScanBauds();

// How long an attempt at `line` waits for its reply, from the request's write.
int scanTimeoutMs(const PortSettings &line, int function, int answerMs);

// A device that answered: a good CRC, the address and function asked, and values or an
// exception. Where every address of the range answered alike (a gateway or a relay answering
// for all), one result stands for them all, from `address` to `lastAddress`.
struct ScanResult {
    int address = 0;
    int lastAddress = 0;
    PortSettings line;
    bool exception = false;
    int exceptionCode = 0;
    QString text;     // the values or the exception, as the console's log shows them
    QByteArray reply; // the whole reply frame
    qint64 responseMs = 0;
    bool everyAddress() const { return lastAddress > address; }
};

struct ScanProgress {
    int address = 0;
    PortSettings line;
    int done = 0; // attempts finished
    int total = 0;
    qint64 msLeft = 0; // at most: the remaining attempts' timeouts
};

int stopBitCount(QSerialPort::StopBits stopBits);
// "address,baud,parity,stop,response"; a line of it per device, the address a range
// ("1-247") for one answering for every address, the response its values or its exception.
QString scanCsvHeader();
QString scanCsvLine(const ScanResult &result);

Q_DECLARE_METATYPE(ScanResult)
Q_DECLARE_METATYPE(ScanProgress)

// Finds devices on a line by asking each address at each line setting of a plan. It opens
// the port itself (whoever held it must have let go), reopening it for each line setting,
// and closes it when done. The window and the command line both run it.
class Scanner : public QObject
{
    Q_OBJECT
public:
    explicit Scanner(QObject *parent = nullptr);
    ~Scanner() override;

    // False, with finished(why), when the plan is wrong or the port does not open.
    bool start(const ScanPlan &plan);
    // Stops at once; what was found stays.
    void cancel();
    bool isRunning() const { return running; }
    const QVector<ScanResult> &results() const { return found; }
    const ScanPlan &plan() const { return current; }

signals:
    // At the start of each attempt.
    void progress(const ScanProgress &progress);
    void deviceFound(const ScanResult &result);
    // `problem` is empty unless the port failed or would not open.
    void finished(const QString &problem, bool cancelled);

private:
    void dropLink();
    bool openLine();
    void next();
    void attempt();
    void takeBytes();
    void attemptEnded(const ScanResult *answer);
    void endLine();
    void flushHeld();
    void report(const ScanResult &result);
    void finish(const QString &problem, bool cancelled);
    qint64 msLeft() const;

    ScanPlan current;
    QVector<PortSettings> lines;
    QVector<int> timeouts; // per line
    QPointer<SerialLink> link;
    QTimer *deadline;
    QTimer *pause;
    QVector<ScanResult> found;
    // Replies at this line setting held back while every address so far answered alike.
    QVector<ScanResult> held;
    bool alike = true;
    bool lineAnswered = false;
    bool running = false;
    bool waiting = false;
    int lineIndex = 0;
    int address = 0;
    int done = 0;
    QByteArray request;
    QByteArray buffer;
    int replyLength = 0;
    qint64 sentAtMs = 0;
};

#endif // SCANNER_H
