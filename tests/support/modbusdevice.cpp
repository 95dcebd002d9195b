#include "modbusdevice.h"

#include <QTest>

ModbusDevice::~ModbusDevice()
{
    process.kill();
    process.waitForFinished(3000);
}

bool ModbusDevice::start(const QString &port, const QStringList &args, QString *error)
{
    // pymodbus's serial server also needs serial_asyncio, which Debian only recommends.
    QProcess probe;
    probe.start(QStringLiteral("/usr/bin/python3"),
                {"-c",
                 "import importlib.util as u\n"
                 "for m, p in [('pymodbus', 'python3-pymodbus'), ('serial', 'python3-serial'),"
                 " ('serial_asyncio', 'python3-serial-asyncio')]:\n"
                 "    print(p if u.find_spec(m) is None else '')"});
    if (!probe.waitForFinished(20000) || probe.exitCode() != 0) {
        *error = QStringLiteral("/usr/bin/python3 does not run (Debian package python3-pymodbus)");
        return false;
    }
    const QString missing = QString::fromUtf8(probe.readAllStandardOutput()).simplified();
    if (!missing.isEmpty()) {
        *error = QStringLiteral("the Modbus device needs Debian packages: %1").arg(missing);
        return false;
    }
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
        *error = QStringLiteral("the Modbus device did not come up: %1")
                     .arg(QString::fromUtf8(said).trimmed());
        return false;
    }
    return true;
}
