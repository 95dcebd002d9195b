#include "modbusdevice.h"

#include "testsupport.h"

#include <QTest>

ModbusDevice::~ModbusDevice()
{
    process.kill();
    process.waitForFinished(3000);
}

bool ModbusDevice::start(const QString &port, const QStringList &args, QString *error)
{
    // A missing module (pymodbus, serial, serial_asyncio) ends it at once with its name.
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("/usr/bin/python3"),
                  QStringList{QStringLiteral(MODBUS_DEVICE_SCRIPT), port} + args);
    QByteArray said;
    const bool up = QTest::qWaitFor(
        [&] {
            return (said += process.readAll()).contains("serving")
                   || process.state() == QProcess::NotRunning;
        },
        20000);
    if (!up || !said.contains("serving")) {
        failWith(error, "the Modbus device (Debian packages python3-pymodbus, "
                        "python3-serial-asyncio) did not come up: "
                            + QString::fromUtf8(said).trimmed());
        return false;
    }
    return true;
}
