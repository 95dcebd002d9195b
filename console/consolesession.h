#ifndef CONSOLESESSION_H
#define CONSOLESESSION_H

#include "portsettings.h"
#include "receivepipeline.h"
#include "requestframe.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

class DeviceSimulator;
class NetBridge;
class TcpTransport;
class QTimer;
class SerialLink;

// The console without its window: the serial port and what goes through it, the replies to
// its requests, device simulation and the bridge to a TCP server. It reads the port on its
// own tick and tells everything through signals; a window (or a test) only listens and asks.
class ConsoleSession : public QObject
{
    Q_OBJECT
public:
    // The choices that shape what is sent and shown; the settings file holds them.
    struct Options {
        bool hexSend = false;
        bool hexReceive = false;
        bool autoPrint = true;         // log what is sent
        bool deviceSimulation = false; // answer from the device table
        RegisterFormat format;
        QStringList deviceKeys;
        QStringList deviceValues;
        QString netMode; // "Tcp_Client", "Tcp_Server", "Udp_Client" or "Udp_Server"
        QString serverIP;
        int serverPort = 0;
        QString listenAddress;
        int listenPort = 0;
        int netSleepMs = 0; // wait for the rest of a network message
        bool autoConnect = false;
        // Where requests go: "serial", or to serverIP:serverPort as "rtu-tcp" or "modbus-tcp".
        QString transport = QStringLiteral("serial");
    };
    static Options optionsFromConfig();

    static constexpr int readIntervalMs = 100;
    // How long a reception waits for the rest of its frame before it is read.
    static constexpr int readDelayMs = 10;
    // How long a reply over TCP may take: the device's time and the network's.
    static constexpr int tcpReplyMs = 1000;

    explicit ConsoleSession(QObject *parent = nullptr);
    ~ConsoleSession() override;

    // New network choices stop a bridge that runs with the old ones.
    void setOptions(const Options &options);
    const Options &options() const { return opts; }

    // opened() or openFailed() tells how it went.
    bool open(const PortSettings &line);
    // The user's close; also ends retrying a port that was lost.
    void close();
    bool isOpen() const;
    // Whether requests can be sent: the port is open, or they go over TCP.
    bool canSendRequests() const { return isOpen() || viaTcp(); }

    // Sends typed or stored text: "AT" commands get a carriage return, the text becomes
    // bytes as hexadecimal or named text (Options::hexSend). A Modbus `request` first takes
    // what has arrived (it answers earlier requests), and the receptions after it are paired
    // with it. False when nothing or not all was sent.
    bool sendText(QString text, bool request = false);

    // Sends a line typed in the send box, as its bytes are (typedLineBytes); a Modbus request
    // among them awaits its reply. False when no port is open or not all was sent.
    bool sendTyped(const QByteArray &bytes) { return sendBytes(bytes, true, opts.hexSend); }

    // Sends the request row's frame as its text (requestText) would be sent, awaiting the
    // reply; a row with a wrong field sends nothing and says why in the log, once for as
    // long as the same mistake is met (auto-send meets it at every tick).
    bool sendRequest(const RequestRow &row);
    // The same for requests made by the tools (polls, writes from a table): the frame goes as
    // bytes and is logged in hexadecimal, whatever the text settings.
    bool sendFrame(const RequestRow &row);

    // Bytes as they are, counted but not logged (a file being sent); what the port took, or
    // -1 when the port failed or none is open.
    qint64 writeRaw(const QByteArray &bytes) { return write(bytes, true); }
    qint64 bytesToWrite() const;
    // The settings the open port really has (those asked for when none is open).
    PortSettings lineSettings() const;

    // RTS and DTR; a refusal is said in the log. modemLinesChanged() tells the lines' state.
    void setRequestToSend(bool on);
    void setDataTerminalReady(bool on);

    qint64 sentBytes() const { return sentCount; }
    qint64 receivedBytes() const { return receivedCount; }
    void resetSentBytes() { sentCount = 0; }
    void resetReceivedBytes() { receivedCount = 0; }

    // While a bus monitor holds the port: the console's own port is closed and stays closed
    // (open() refuses), so that nothing is sent, answered or passed on to the line.
    void setMonitoring(bool on);
    bool isMonitoring() const { return monitoring; }

    // A simulated device answering on the port, and for the bridge's TCP clients in server
    // mode; nullptr stops it. While it runs, the port is read as soon as bytes arrive and
    // what the port receives is not passed on to the network.
    void setSimulator(DeviceSimulator *device);

    bool bridgeConnected() const;
    // Connects to Options' server (or listens, as the mode says), or stops.
    void toggleBridge();

public slots:
    // The read tick: takes what arrived, then tells the requests whose time is up.
    void readData();
    // Whether the open port is still there; closes it as lost when not.
    void checkComStatus();
    // The bridge's automatic reconnection, when Options ask for it.
    void connectNet();
    void readDataNet();
    void readErrorNet();

signals:
    void opened();
    void openFailed(const QString &reason);
    // `lost`: the device failed or vanished, and opening is retried once a second.
    void closed(bool lost);
    // Bytes the port took, whatever sent them (sentBytes() counts the console's own).
    void sent(const QByteArray &bytes);
    void received(const QByteArray &bytes);
    // A "数值解析" line's content: values of a reply, or the verdict on what came instead.
    void replyDecoded(const ReplyDecode &reply);
    // A Modbus request written (broadcasts too), and how each request that awaited a reply
    // ended, whatever the log shows: for tables and statistics.
    void requestSent(const ModbusRequest &request);
    void requestEnded(const ReplyDecode &outcome);
    // A line for the traffic log, of a type of logformat.h.
    void logLine(int type, const QString &text);
    void bridgeStateChanged(bool connected);
    // QSerialPort::PinoutSignals of the open port when they change; -1 when the port cannot
    // tell them (a pseudo-terminal) or is closed.
    void modemLinesChanged(int lines);
    void monitoringChanged(bool on);

private:
    bool viaTcp() const { return opts.transport != QLatin1String("serial"); }
    bool sendOverTcp(const QByteArray &bytes);
    void tcpReceived(const QByteArray &bytes);
    void takeReception(int delayMs);
    // Reads the port; the simulated device answers as soon as a request is whole.
    void pullArrived();
    // Logs, decodes and passes on what was read and not yet shown.
    void showReceived();
    void answerSimulated(const QByteArray &bytes);
    // Whether the port wakes the session as bytes arrive.
    void updateWake();
    void showDecoded(const QVector<ReplyDecode> &decoded);
    void portLost();
    void closeLink();
    qint64 write(const QByteArray &bytes, bool counted);
    // Counts and tells what the port took of `bytes`.
    void noteWritten(const QByteArray &bytes, qint64 written, bool counted);
    bool sendBytes(const QByteArray &bytes, bool request, bool hexLog);
    // False, saying why once, for a row with a wrong field.
    bool rowIsGood(const RequestRow &row);

    Options opts;
    PortSettings line;
    QPointer<SerialLink> link;
    QPointer<DeviceSimulator> simulator;
    QVector<ReceivedPiece> unshown;
    quint64 linkCount = 0; // links made so far: tells a late failure of an old one
    ReceivePipeline pipeline;
    NetBridge *bridge;
    TcpTransport *tcp;
    QTimer *readTimer;
    QTimer *portCheckTimer;
    QTimer *reopenTimer;
    QTimer *connectTimer;
    QString rowError; // the request row's mistake last said
    void readModemLines();
    int modemLines = -1;
    qint64 sentCount = 0;
    qint64 receivedCount = 0;
    bool monitoring = false;
};

#endif // CONSOLESESSION_H
