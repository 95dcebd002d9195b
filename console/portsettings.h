#ifndef PORTSETTINGS_H
#define PORTSETTINGS_H

#include <QSerialPort>
#include <QString>

// What a session opens: the port's name (or full path) and its line settings.
struct PortSettings {
    QString name;
    qint32 baudRate = 9600;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
    QSerialPort::FlowControl flowControl = QSerialPort::NoFlowControl;
};

// The port the settings file names, with the line settings it stores (parity as its text
// "无", "奇", ...; stop bits as 1, 1.5 or 2). A value the file should not hold keeps the
// default of PortSettings.
PortSettings portSettingsFromConfig();

// Milliseconds one character takes on the line: start bit, data, parity and stop bits.
double characterMs(const PortSettings &line);

// The letter the command line and the scan's CSV name a parity by: 'N', 'E', 'O', 'M' or 'S';
// and back, anything else being no parity.
char parityLetter(QSerialPort::Parity parity);
QSerialPort::Parity parityFromLetter(char letter);

#endif // PORTSETTINGS_H
