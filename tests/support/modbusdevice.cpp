#include "modbusdevice.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

namespace {
const char python[] = "/usr/bin/python3";
}

QString ModbusDevice::missingPackages()
{
    if (!QFileInfo::exists(QLatin1String(python))) {
        return QStringLiteral("/usr/bin/python3 is missing (Debian packages python3-pymodbus python3-serial "
                              "python3-serial-asyncio)");
    }
    // pymodbus's serial server also needs serial_asyncio, which Debian only recommends.
    const QList<QPair<QString, QString>> modules = {{"pymodbus", "python3-pymodbus"},
                                                   {"serial", "python3-serial"},
                                                   {"serial_asyncio", "python3-serial-asyncio"}};
    QStringList names;
    for (const auto &m : modules) {
        names << m.first;
    }
    QProcess probe;
    probe.start(QLatin1String(python),
                {"-c", QStringLiteral("import importlib.util as u\nfor m in '%1'.split(): "
                                      "print(m) if u.find_spec(m) is None else None")
                           .arg(names.join(' '))});
    if (!probe.waitForFinished(20000) || probe.exitCode() != 0) {
        return QStringLiteral("/usr/bin/python3 does not run: %1").arg(probe.errorString());
    }
    const QStringList absent = QString::fromUtf8(probe.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    QStringList packages;
    for (const auto &m : modules) {
        if (absent.contains(m.first)) {
            packages << m.second;
        }
    }
    return packages.isEmpty() ? QString()
                              : QStringLiteral("the Modbus device needs Debian packages: %1").arg(packages.join(' '));
}

bool ModbusDevice::start(const QString &port, const QStringList &args, QString *error)
{
    *error = missingPackages();
    if (!error->isEmpty()) {
        return false;
    }
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QLatin1String(python), QStringList{QStringLiteral(MODBUS_DEVICE_SCRIPT), port} + args);
    if (!process.waitForStarted(5000)) {
        *error = QStringLiteral("the Modbus device did not start: %1").arg(process.errorString());
        return false;
    }
    QByteArray said;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 20000) {
        said += process.readAll();
        if (said.contains("serving")) {
            return true;
        }
        if (process.state() == QProcess::NotRunning) {
            *error = QStringLiteral("the Modbus device ended: %1").arg(QString::fromUtf8(said).trimmed());
            return false;
        }
        QTest::qWait(20);
    }
    *error = QStringLiteral("the Modbus device did not come up within 20 s: %1").arg(QString::fromUtf8(said));
    stop();
    return false;
}

void ModbusDevice::stop()
{
    if (process.state() == QProcess::NotRunning) {
        return;
    }
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(3000);
    }
}
