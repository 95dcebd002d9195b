#include "portnames.h"

#include "seriallink.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QSerialPortInfo>

QStringList fixedPortNames()
{
    QStringList names;
    for (int i = 1; i <= 20; ++i) {
        names << QStringLiteral("COM%1").arg(i);
    }
    names << QStringLiteral("ttyUSB0") << QStringLiteral("ttyS0") << QStringLiteral("ttyS1")
          << QStringLiteral("ttyS2") << QStringLiteral("ttyS3") << QStringLiteral("ttyS4")
          << QStringLiteral("ttymxc1") << QStringLiteral("ttymxc2") << QStringLiteral("ttymxc3")
          << QStringLiteral("ttymxc4") << QStringLiteral("ttySAC1") << QStringLiteral("ttySAC2")
          << QStringLiteral("ttySAC3") << QStringLiteral("ttySAC4");
    return names;
}

QStringList portNameChoices(const QStringList &presentPorts, const QString &storedName)
{
    QStringList names = fixedPortNames();
    for (const QString &name : presentPorts) {
        if (!names.contains(name)) {
            names << name;
        }
    }
    if (!storedName.isEmpty() && !names.contains(storedName)) {
        names << storedName;
    }
    return names;
}

bool portIsPresent(const QString &name, const QStringList &enumerated)
{
    if (enumerated.contains(name)) {
        return true;
    }
    return !name.isEmpty() && QFileInfo::exists(SerialLink::systemLocation(name));
}

QStringList presentPortNames(int maxAgeMs)
{
    static QStringList names;
    static QElapsedTimer age;
    if (!age.isValid() || age.elapsed() >= maxAgeMs) {
        names.clear();
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
            names << info.portName();
        }
        age.start();
    }
    return names;
}
