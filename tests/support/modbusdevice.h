#ifndef MODBUSDEVICE_H
#define MODBUSDEVICE_H

#include <QProcess>
#include <QString>
#include <QStringList>

// scripts/modbus_device.py (a pymodbus RTU device) on one end of a virtual serial pair.
class ModbusDevice
{
public:
    ~ModbusDevice() { stop(); }

    // Empty when Debian's python can run the device; otherwise one line that names the
    // missing packages, so a test can fail at once instead of waiting for a reply.
    static QString missingPackages();

    // Starts the device with extra arguments (--holding ..., --input ...) and waits until it
    // serves; false with the reason (its own output when it died) otherwise.
    bool start(const QString &port, const QStringList &args, QString *error);
    void stop();

private:
    QProcess process;
};

#endif // MODBUSDEVICE_H
