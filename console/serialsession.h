#ifndef SERIALSESSION_H
#define SERIALSESSION_H

#include "receivepipeline.h"
#include "seriallink.h"

#include <QObject>
#include <QPointer>

// The serial side of the console between opening a port and closing it: the port, what is
// sent through it and what is made of what it receives.
class SerialSession : public QObject
{
    Q_OBJECT
public:
    explicit SerialSession(QObject *parent = nullptr);
    ~SerialSession() override;

    bool open(const PortSettings &settings);
    // Why the last open failed, in words for the user.
    QString openFailure() const { return failure; }
    void close();
    bool isOpen() const;
    // The port is still listed (`enumerated`) or its node exists, and it is the device that
    // was opened.
    bool stillThere(const QStringList &enumerated) const;

    // Sends typed or stored text: "AT" commands get a carriage return, the text becomes
    // bytes as hexadecimal or named text. Returns the bytes the port took (`sent` holds
    // them), 0 when it refused them, -1 when it failed. A Modbus `request` (other sends are
    // answers or plain text) makes the following receptions its reply.
    qint64 send(QString text, bool hex, QByteArray *sent, bool request = false);
    // Bytes from elsewhere (the network), as they are; false unless all were taken.
    bool forward(const QByteArray &data);
    qint64 bytesToWrite() const;

    // Whatever arrived, after waiting `delayMs` (events flow) for the rest of a frame; empty
    // when nothing did. `bytes` of the result holds the raw reception.
    struct Received : ReceivePipeline::Reception {
        QByteArray bytes;
    };
    Received receive(bool hex, RegisterFormat format, int delayMs);
    // Requests whose time is up: what arrived for them, or the silence.
    QVector<ReplyDecode> expire(RegisterFormat format);

signals:
    void failed();
    void bytesWritten();
    void refused();

private:
    QPointer<SerialLink> link;
    ReceivePipeline pipeline;
    QString failure;
};

#endif // SERIALSESSION_H
