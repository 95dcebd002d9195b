#ifndef MODBUSDEVICE_H
#define MODBUSDEVICE_H

#include <QProcess>
#include <QString>
#include <QStringList>

// scripts/modbus_device.py, a pymodbus RTU device, on one end of a virtual serial pair.
class ModbusDevice
{
public:
    ~ModbusDevice();
    // Starts the device with extra arguments (--holding ..., --input ...) and waits until it
    // serves. False, with its own words (failWith), when it ended instead.
    bool start(const QString &port, const QStringList &args, QString *error = nullptr);

private:
    QProcess process;
};

#endif // MODBUSDEVICE_H
