#include "appsettings.h"
#include "commandline.h"
#include "frmtolvan.h"
#include "logformat.h"
#include "startup.h"
#include "testsupport.h"
#include "trafficlog.h"
#include "virtualserial.h"

#include <QTextEdit>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

class TestInstall : public QObject
{
    Q_OBJECT
    QTemporaryDir dir;
    QString path(const QString &name) const { return dir.filePath(name); }

    // The real program with a clean environment: no display unless `platform` names one.
    static QProcess *program(const QStringList &args, const QString &platform = QString())
    {
        auto *p = new QProcess;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            env.remove(name);
        }
        if (!platform.isEmpty()) {
            env.insert("QT_QPA_PLATFORM", platform);
        }
        p->setProcessEnvironment(env);
        p->start(QStringLiteral(NORVANE_BINARY), args);
        return p;
    }

private slots:
    void initTestCase()
    {
        // The user's folders, as QStandardPaths finds them, lie in the test's own folder.
        QCoreApplication::setApplicationName("norvane");
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(path("home/config")));
        qputenv("XDG_DATA_HOME", QFile::encodeName(path("home/data")));
        QVERIFY(writeFile(path("plain"), "x")); // a folder below a file is unwritable, even by root
    }

    void folderChoice()
    {
        const QString exe = path("portable");
        QVERIFY(QDir().mkpath(exe));
        QVERIFY(folderWritable(exe) && !folderWritable(path("plain/bin")));
        QVERIFY(!folderWritable(path("missing")));
        const QString config = path("home/config/norvane");
        const QString data = path("home/data/norvane");
        QDir::setCurrent(dir.path());
        const struct {
            QString exeDir, option, configDir, logDir, configFile, reason;
        } cases[] = {
            {exe, "", exe, exe, exe + "/tool.ini", ""}, // as a portable copy always did
            {path("plain/bin"), "", config, data, config + "/norvane.ini", "不可写"},
            // Even where root could write, an installed copy stays out of its installation folder.
            {installedProgramDir(), "", config, data, config + "/norvane.ini", "程序安装在"},
            {exe, "d/../mine", path("mine"), path("mine"), path("mine/norvane.ini"), "--data-dir"},
            {path("plain/bin"), path("x/"), path("x"), path("x"), path("x/norvane.ini"), "--data-dir"},
        };
        for (const auto &c : cases) {
            const DataLocations where = chooseDataLocations(c.exeDir, c.option, "tool");
            const QStringList got{where.configDir, where.logDir, where.configFile};
            QCOMPARE(got, QStringList({c.configDir, c.logDir, c.configFile}));
            QVERIFY2(c.reason.isEmpty() ? where.reason.isEmpty() : where.reason.contains(c.reason),
                     qPrintable(where.reason));
        }
    }

    void startUpUsesTheChosenFolders()
    {
        // Lists and settings in one folder, logs in another that start-up creates.
        const QString config = path("user/config");
        const QString logs = path("user/data/norvane");
        QVERIFY(QDir().mkpath(config) && writeFile(config + "/send.txt", "AT\n"));
        AppSettings::Notices.clear();
        AppSettings::resetToDefaults();
        prepareApplication(DataLocations{config, logs, config + "/norvane.ini", "原因"});
        QCOMPARE(AppSettings::SendList, QStringList{"AT"});
        QVERIFY(QFileInfo(logs).isDir() && QFileInfo::exists(config + "/norvane.ini"));
        QCOMPARE(AppSettings::dataFilePath("device.txt"), config + "/device.txt");
        QCOMPARE(AppSettings::Notices.filter(config).filter(logs).filter("原因").size(), 1);

        QTextEdit view;
        TrafficLog log(&view);
        log.append(LogInfo, "saved where logs go");
        QVERIFY(log.save());
        QCOMPARE(QDir(logs).entryList(QDir::Files).size(), 1);
        QCOMPARE(QDir(config).entryList({"20*.txt"}, QDir::Files).size(), 0);

        // A folder that cannot be made is said once, and nothing is read or written there.
        AppSettings::Notices.clear();
        const QString bad = path("plain/data");
        prepareApplication(DataLocations{bad, bad, bad + "/norvane.ini", "原因"});
        QCOMPARE(AppSettings::Notices.filter("数据文件夹 " + bad + " 不可写 (Not a directory)").size(), 1);
        QVERIFY(AppSettings::SendList.isEmpty());
    }

    void commandLine()
    {
        using C = CommandLine;
        const QStringList rates = frmTolvan::baudRates();
        const struct {
            QStringList args;
            C::Action action;
            QString port, dataDir;
            int baud;
            QString error;
        } cases[] = {
            {{}, C::Run, "", "", 0, ""},
            {{"--port", "/dev/ttyUSB0", "--baud", "115200"}, C::Run, "/dev/ttyUSB0", "", 115200, ""},
            {{"--port=/dev/ttyS1", "--baud=50", "--data-dir=/x"}, C::Run, "/dev/ttyS1", "/x", 50, ""},
            {{"--port", "a", "--port", "b", "--data-dir", "d"}, C::Run, "b", "d", 0, ""}, // the last counts
            {{"-platform", "offscreen", "-reverse", "--baud", "9600"}, C::Run, "", "", 9600, ""}, // Qt's
            {{"--version", "--bogus"}, C::ShowVersion, "", "", 0, ""},
            {{"--port", "x", "-h"}, C::ShowHelp, "", "", 0, ""},
            {{"--bogus", "--help"}, C::Refuse, "", "", 0, "未知的选项 --bogus"},
            {{"--baud", "fast"}, C::Refuse, "", "", 0, "波特率 fast 不可用"},
            {{"--baud", "12345"}, C::Refuse, "", "", 0, "波特率 12345 不可用"},
            {{"--baud=-9600"}, C::Refuse, "", "", 0, "波特率 -9600"},
            {{"--baud", " 9600"}, C::Refuse, "", "", 0, "波特率  9600"},
            {{"--port"}, C::Refuse, "", "", 0, "--port 缺少值"},
            {{"--port", "--baud", "9600"}, C::Refuse, "", "", 0, "--port 缺少值"},
            {{"--data-dir="}, C::Refuse, "", "", 0, "--data-dir 缺少值"},
            {{"-style"}, C::Refuse, "", "", 0, "-style 缺少值"},
            {{"/dev/ttyUSB0"}, C::Refuse, "", "", 0, "多余的参数 /dev/ttyUSB0"},
            {{"--portx=1"}, C::Refuse, "", "", 0, "未知的选项 --portx=1"},
        };
        for (const auto &c : cases) {
            const C line = parseCommandLine(c.args, rates);
            const QString row = c.args.join(' ');
            QVERIFY2(line.action == c.action && line.portName == c.port && line.dataDir == c.dataDir
                         && line.baudRate == c.baud, qPrintable(row));
            QVERIFY2(c.error.isEmpty() ? line.error.isEmpty() : line.error.startsWith(c.error),
                     qPrintable(row + ": " + line.error));
        }
    }

    void programAnswersWithoutDisplay()
    {
        const struct {
            QStringList args;
            int exitCode;
            QByteArray out, errPart;
        } cases[] = {
            {{"--version"}, 0, ("norvane " + programVersion() + "\n").toUtf8(), ""},
            {{"--help", "--port", "x"}, 0, usageText().toUtf8(), ""},
            {{"--baud", "fast"}, 2, "", "norvane: 波特率 fast 不可用"},
            {{"--nope"}, 2, "", "norvane: 未知的选项 --nope\n\n" + usageText().toUtf8()},
        };
        QVERIFY(QRegularExpression("^\\d+\\.\\d+\\.\\d+$").match(programVersion()).hasMatch());
        for (const auto &c : cases) {
            QScopedPointer<QProcess> p(program(c.args));
            QVERIFY(p->waitForFinished(10000));
            const QByteArray err = p->readAllStandardError();
            QCOMPARE(p->exitStatus(), QProcess::NormalExit);
            QCOMPARE(p->exitCode(), c.exitCode);
            QCOMPARE(p->readAllStandardOutput(), c.out);
            const bool refused = err.contains(c.errPart) && err.contains(usageText().toUtf8());
            QVERIFY2(c.errPart.isEmpty() ? err.isEmpty() : refused, err.constData());
        }
    }

    void programOpensTheNamedPortInItsDataDir()
    {
        VirtualSerialPair pair(dir.path(), 60);
        QString error;
        QVERIFY2(pair.start(&error), qPrintable(error));
        const QString data = path("run/data");
        const QStringList args{"--data-dir", data, "--port", pair.consoleEnd(), "--baud", "115200"};
        QScopedPointer<QProcess> p(program(args, "offscreen"));
        QVERIFY(p->waitForStarted());
        const QString device = QFileInfo(pair.consoleEnd()).canonicalFilePath();
        const QString fds = QStringLiteral("/proc/%1/fd").arg(p->processId());
        const auto portHeld = [&] {
            for (const QFileInfo &fd : QDir(fds).entryInfoList(QDir::System)) {
                if (fd.symLinkTarget() == device) {
                    return true;
                }
            }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(portHeld(), 15000);
        QVERIFY(QFileInfo::exists(data + "/norvane.ini"));
        QCOMPARE(p->state(), QProcess::Running);
        // The line settings belong to the terminal, which Qt holds exclusively; root may look.
        const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (fd < 0 && errno == EBUSY && ::geteuid() != 0) {
            QSKIP("only root may look at the rate of a port held exclusively");
        }
        QVERIFY(fd >= 0);
        termios tio{};
        QCOMPARE(::tcgetattr(fd, &tio), 0);
        ::close(fd);
        QCOMPARE(cfgetospeed(&tio), speed_t(B115200));
        p->terminate();
        QVERIFY(p->waitForFinished(5000));
    }
};

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
