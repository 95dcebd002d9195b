#include "monitorlink.h"

#include "portnames.h"
#include "seriallink.h"

#include <QDateTime>
#include <QFile>
#include <QSerialPort>

#include <cerrno>
#include <chrono>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
qint64 monotonicUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

MonitorLink::MonitorLink(QObject *parent) : QObject(parent), serial(new QSerialPort(this))
{
    connect(serial, &QSerialPort::readyRead, this, &MonitorLink::takeAll);
    connect(serial, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError error) {
        if (serial->isOpen()
            && (error == QSerialPort::ResourceError || error == QSerialPort::ReadError)) {
            serial->close();
            emit failed();
        }
    });
}

MonitorLink::~MonitorLink()
{
    close();
}

bool MonitorLink::open(const PortSettings &wanted)
{
    settings = wanted;
    nameProblem = portNameProblem(settings.name);
    if (!nameProblem.isEmpty()) {
        return false;
    }
    serial->setPortName(settings.name);
    if (!serial->open(QIODevice::ReadOnly)) {
        return false;
    }
    serial->clear();
    serial->setBaudRate(settings.baudRate);
    serial->setDataBits(settings.dataBits);
    serial->setParity(settings.parity);
    serial->setStopBits(settings.stopBits);
    serial->setFlowControl(QSerialPort::NoFlowControl);
    settings.baudRate = serial->baudRate();
    settings.dataBits = serial->dataBits();
    settings.parity = serial->parity();
    settings.stopBits = serial->stopBits();
    settings.flowControl = serial->flowControl();
    epochOffsetUs = QDateTime::currentMSecsSinceEpoch() * 1000 - monotonicUs();
    return true;
}

QString MonitorLink::openFailure() const
{
    if (!nameProblem.isEmpty()) {
        return nameProblem;
    }
    const QByteArray path = QFile::encodeName(SerialLink::systemLocation(serial->portName()));
    const bool denied = ::access(path.constData(), R_OK) != 0 && errno == EACCES;
    return openFailureText(serial->error(), serial->errorString(), denied);
}

bool MonitorLink::isOpen() const
{
    return serial->isOpen();
}

void MonitorLink::close()
{
    if (serial->isOpen()) {
        serial->close();
    }
}

qint64 MonitorLink::nowUs() const
{
    return monotonicUs() + epochOffsetUs;
}

void MonitorLink::readNow()
{
    int queued = 0;
    if (serial->isOpen() && ::ioctl(int(serial->handle()), FIONREAD, &queued) == 0 && queued > 0) {
        serial->waitForReadyRead(0);
    }
    takeAll();
}

void MonitorLink::takeAll()
{
    const qint64 at = nowUs();
    const QByteArray bytes = serial->readAll();
    if (!bytes.isEmpty()) {
        emit piece(bytes, at);
    }
}
