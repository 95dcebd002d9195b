#include "portnames.h"

#include "seriallink.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>

#include <climits>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {
// tr() for this file's texts.
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(PortNames)
};
} // namespace

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

bool isSerialDevice(const QString &path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISCHR(st.st_mode)) {
        return false;
    }
    const unsigned int kind = major(st.st_rdev);
    // Pseudo-terminal ends have no entry in sysfs; the controlling terminal, the console and
    // the pty multiplexer (major 5) are no ports.
    if (kind >= 136 && kind <= 143) {
        return true;
    }
    const QString subsystem =
        QStringLiteral("/sys/dev/char/%1:%2/subsystem").arg(kind).arg(minor(st.st_rdev));
    return kind != 5
           && QFileInfo(QFileInfo(subsystem).canonicalFilePath()).fileName()
                  == QLatin1String("tty");
}

QStringList updatedPortChoices(const QStringList &present, const QStringList &keep)
{
    QStringList names = fixedPortNames();
    for (const QString &name : present + keep) {
        if (!name.isEmpty() && !names.contains(name)) {
            names << name;
        }
    }
    return names;
}

QString portNameProblem(const QString &name)
{
    if (name.trimmed().isEmpty()) {
        return Texts::tr("请选择或输入串口");
    }
    const QByteArray path = QFile::encodeName(SerialLink::systemLocation(name));
    bool tooLong = path.size() >= PATH_MAX;
    for (const QByteArray &part : path.split('/')) {
        tooLong = tooLong || part.size() > NAME_MAX;
    }
    if (tooLong) {
        return Texts::tr("串口名过长");
    }
    struct stat st {};
    if (::stat(path.constData(), &st) == 0 && !S_ISCHR(st.st_mode)) {
        return Texts::tr("不是串口设备");
    }
    return QString();
}

QString openFailureText(int qtError, const QString &systemText, bool accessDenied)
{
    switch (qtError) {
    case QSerialPort::DeviceNotFoundError:
        return Texts::tr("没有该设备");
    case QSerialPort::PermissionError:
        // A port held by another program comes back as a permission error as well.
        if (accessDenied) {
            return Texts::tr("没有权限: 把用户加入 dialout 组 (sudo usermod -aG dialout $USER), "
                             "重新登录后生效");
        }
        return Texts::tr("设备忙或被占用");
    default:
        return systemText;
    }
}
