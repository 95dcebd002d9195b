#include "consoletest.h"

#include "appsettings.h"
#include "frmtolvan.h"
#include "startup.h"
#include "trafficlog.h"

#include <QDir>
#include <QTest>

void ConsoleTest::initTestCase()
{
    prepareApplication(file("norvane.ini"), dir.path());
    pair = new VirtualSerialPair(dir.path());
    QVERIFY(pair->start());
}

void ConsoleTest::cleanupTestCase()
{
    delete pair;
}

void ConsoleTest::init()
{
    AppSettings::resetToDefaults();
    AppSettings::SendList.clear();
    AppSettings::DeviceKeys.clear();
    AppSettings::DeviceValues.clear();
    AppSettings::Notices.clear();
    AppSettings::ConfigFile = file("norvane.ini");
    AppSettings::DataDir = AppSettings::LogDir = dir.path();
    AppSettings::PortName = pair->consoleEnd();
    QVERIFY(pair->isRunning() || pair->start());
    QVERIFY(peer.open(pair->peerEnd()));
}

void ConsoleTest::cleanup()
{
    delete form;
    form = nullptr;
    peer.close();
    savedLogs();
    for (const char *name : {"send.txt", "device.txt", "norvane.ini", "history.txt", "polls.txt",
                             "register_names.txt"}) {
        QFile::remove(file(name));
    }
}

QWidget *ConsoleTest::makeForm()
{
    delete form;
    form = new frmTolvan;
    return form;
}

void ConsoleTest::click(const char *name) const
{
    QAbstractButton *b = find<QAbstractButton>(name);
    if (!b->isEnabled()) {
        qFatal("button %s is disabled", name);
    }
    b->click();
}

QStringList ConsoleTest::lines() const
{
    // Taken as it is: a line break after the last line would show as an empty line.
    const QString all = log()->toPlainText();
    return all.isEmpty() ? QStringList() : all.split(QLatin1Char('\n'));
}

QString ConsoleTest::lastLine(const QString &part) const
{
    const QStringList found = lines().filter(part);
    return found.isEmpty() ? QString() : found.last();
}

int ConsoleTest::count(const QString &part) const
{
    return lines().filter(part).size();
}

void ConsoleTest::appendLog(int type, const QString &data) const
{
    find<TrafficLog>("")->append(type, data);
}

bool ConsoleTest::openPort() const
{
    click("btnOpen");
    return text("btnOpen") == QStringLiteral("关闭串口");
}

QByteArray ConsoleTest::savedLogs() const
{
    QByteArray all;
    QDir folder(dir.path());
    for (const QString &name : folder.entryList({"20*.txt"}, QDir::Files, QDir::Name)) {
        all += readFile(folder.filePath(name)); // each ends with its line break
        folder.remove(name);
    }
    return all;
}
