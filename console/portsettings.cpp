#include "portsettings.h"

#include "appsettings.h"
#include "settingsbinding.h"

PortSettings portSettingsFromConfig()
{
    PortSettings line;
    line.name = AppSettings::PortName;
    if (AppSettings::BaudRate > 0) {
        line.baudRate = AppSettings::BaudRate;
    }
    if (AppSettings::DataBit >= 5 && AppSettings::DataBit <= 8) {
        line.dataBits = static_cast<QSerialPort::DataBits>(AppSettings::DataBit);
    }
    // The file keeps the texts the box shows; their order is the port's.
    static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                   QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                   QSerialPort::SpaceParity};
    const int parity = parityChoices().indexOf(AppSettings::Parity);
    if (parity >= 0) {
        line.parity = parities[parity];
    }
    if (AppSettings::StopBit == 1.5) {
        line.stopBits = QSerialPort::OneAndHalfStop;
    } else if (AppSettings::StopBit == 2) {
        line.stopBits = QSerialPort::TwoStop;
    }
    static const QSerialPort::FlowControl flows[] = {
        QSerialPort::NoFlowControl, QSerialPort::HardwareControl, QSerialPort::SoftwareControl};
    const int flow = flowControlChoices().indexOf(AppSettings::FlowControl);
    if (flow >= 0) {
        line.flowControl = flows[flow];
    }
    return line;
}

double characterMs(const PortSettings &line)
{
    const bool parity = line.parity != QSerialPort::NoParity;
    const double stop = line.stopBits == QSerialPort::TwoStop          ? 2
                        : line.stopBits == QSerialPort::OneAndHalfStop ? 1.5
                                                                       : 1;
    return (1 + int(line.dataBits) + (parity ? 1 : 0) + stop) * 1000.0 / qMax(1, line.baudRate);
}

char parityLetter(QSerialPort::Parity parity)
{
    switch (parity) {
    case QSerialPort::EvenParity:
        return 'E';
    case QSerialPort::OddParity:
        return 'O';
    case QSerialPort::MarkParity:
        return 'M';
    case QSerialPort::SpaceParity:
        return 'S';
    default:
        return 'N';
    }
}

QSerialPort::Parity parityFromLetter(char letter)
{
    switch (letter) {
    case 'E':
        return QSerialPort::EvenParity;
    case 'O':
        return QSerialPort::OddParity;
    case 'M':
        return QSerialPort::MarkParity;
    case 'S':
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}
