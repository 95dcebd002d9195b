// Where an installed or a portable copy keeps its files, and the command line.
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
        QVERIFY(QDir().mkpath(path("portable")));
        QDir::setCurrent(dir.path());
    }

    void folderChoice_data()
    {
        QTest::addColumn<QString>("exeDir");
        QTest::addColumn<QString>("option");     // --data-dir
        QTest::addColumn<QStringList>("chosen"); // settings and lists, logs, settings file
        QTest::addColumn<QString>("reason");
        const QString exe = path("portable"), blocked = path("plain/bin");
        const QString config = path("home/config/norvane"), data = path("home/data/norvane");
        const QStringList user{config, data, config + "/norvane.ini"};
        QTest::newRow("portable") << exe << "" << QStringList{exe, exe, exe + "/tool.ini"} << "";
        QTest::newRow("unwritable") << blocked << "" << user << "不可写";
        // Even where root could write, an installed copy stays out of its installation folder.
        QTest::newRow("installed") << installedProgramDir() << "" << user << "程序安装在";
        const QStringList mine{path("mine"), path("mine"), path("mine/norvane.ini")};
        QTest::newRow("relative option") << exe << "d/../mine" << mine << "--data-dir";
        const QStringList x{path("x"), path("x"), path("x/norvane.ini")};
        QTest::newRow("option, unwritable") << blocked << path("x/") << x << "--data-dir";
    }

    void folderChoice()
    {
        QFETCH(QString, exeDir);
        QFETCH(QString, option);
        QFETCH(QStringList, chosen);
        QFETCH(QString, reason);
        const DataLocations where = chooseDataLocations(exeDir, option, "tool");
        QCOMPARE(where.configDir, chosen[0]);
        QCOMPARE(where.logDir, chosen[1]);
        QCOMPARE(where.configFile, chosen[2]);
        QVERIFY2(where.reason.contains(reason), qPrintable(where.reason));
        QCOMPARE(where.reason.isEmpty(), reason.isEmpty());
    }

    void writableFolders()
    {
        QVERIFY(folderWritable(path("portable")));
        QVERIFY(!folderWritable(path("plain/bin")));
        QVERIFY(!folderWritable(path("missing")));
    }

    void startUpUsesTheChosenFolders()
    {
        // Lists and settings in one folder, logs in another that start-up creates.
        const QString config = path("user/config"), logs = path("user/data/norvane");
        QVERIFY(QDir().mkpath(config));
        QVERIFY(writeFile(config + "/send.txt", "AT\n"));
        AppSettings::Notices.clear();
        AppSettings::resetToDefaults();
        prepareApplication(DataLocations{config, logs, config + "/norvane.ini", "原因"});
        QCOMPARE(AppSettings::SendList, QStringList{"AT"});
        QVERIFY(QFileInfo(logs).isDir());
        QVERIFY(QFileInfo::exists(config + "/norvane.ini"));
        QCOMPARE(AppSettings::dataFilePath("device.txt"), config + "/device.txt");
        QCOMPARE(AppSettings::Notices.filter(config).filter(logs).filter("原因").size(), 1);
        QTextEdit view;
        TrafficLog log(&view);
        log.append(LogInfo, "saved where logs go");
        QVERIFY(log.save());
        QCOMPARE(QDir(logs).entryList(QDir::Files).size(), 1);
        QCOMPARE(QDir(config).entryList({"20*.txt"}, QDir::Files).size(), 0);
        // One folder for both that cannot be made is said once.
        AppSettings::Notices.clear();
        const QString bad = path("plain/data");
        prepareApplication(DataLocations{bad, bad, bad + "/norvane.ini", "原因"});
        QCOMPARE(
            AppSettings::Notices.filter("数据文件夹 " + bad + " 不可写 (Not a directory)").size(),
            1);
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("dataDir");
        QTest::addColumn<int>("baud");
        const auto row = [](const char *name, const QStringList &args, const char *port,
                            const char *dataDir,
                            int baud) { QTest::newRow(name) << args << port << dataDir << baud; };
        row("none", {}, "", "", 0);
        row("separate values", {"--port", "/dev/ttyUSB0", "--baud", "115200"}, "/dev/ttyUSB0", "",
            115200);
        row("joined values", {"--port=/dev/ttyS1", "--baud=50", "--data-dir=/x"}, "/dev/ttyS1",
            "/x", 50);
        row("the last counts", {"--port", "a", "--port", "b", "--data-dir", "d"}, "b", "d", 0);
        row("Qt's options", {"-platform", "offscreen", "-reverse", "--baud", "9600"}, "", "", 9600);
    }

    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, port);
        QFETCH(QString, dataDir);
        QFETCH(int, baud);
        const CommandLine line = parseCommandLine(args, frmTolvan::baudRates());
        QCOMPARE(line.action, CommandLine::Run);
        QCOMPARE(line.portName, port);
        QCOMPARE(line.dataDir, dataDir);
        QCOMPARE(line.baudRate, baud);
        QCOMPARE(line.error, QString());
    }

    void commandLineAnswers()
    {
        // The first answer counts; what came before it is dropped.
        const CommandLine version = parseCommandLine({"--version", "--bogus"}, {});
        QCOMPARE(version.action, CommandLine::ShowVersion);
        const CommandLine help = parseCommandLine({"--port", "x", "-h"}, {});
        QCOMPARE(help.action, CommandLine::ShowHelp);
        QCOMPARE(help.portName, QString());
    }

    void refusedCommandLines_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("error"); // how it begins
        QTest::newRow("unknown first") << QStringList{"--bogus", "--help"} << "未知的选项 --bogus";
        QTest::newRow("rate not offered")
            << QStringList{"--baud", "12345"} << "波特率 12345 不可用";
        QTest::newRow("blank in the rate") << QStringList{"--baud", " 9600"} << "波特率  9600";
        QTest::newRow("no value") << QStringList{"--port"} << "--port 缺少值";
        QTest::newRow("an option next")
            << QStringList{"--port", "--baud", "9600"} << "--port 缺少值";
        QTest::newRow("empty value") << QStringList{"--data-dir="} << "--data-dir 缺少值";
        QTest::newRow("Qt's, no value") << QStringList{"-style"} << "-style 缺少值";
        QTest::newRow("extra") << QStringList{"/dev/ttyUSB0"} << "多余的参数 /dev/ttyUSB0";
        QTest::newRow("longer name") << QStringList{"--portx=1"} << "未知的选项 --portx=1";
    }

    void refusedCommandLines()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, error);
        const CommandLine line = parseCommandLine(args, frmTolvan::baudRates());
        QCOMPARE(line.action, CommandLine::Refuse);
        QVERIFY2(line.error.startsWith(error), qPrintable(line.error));
    }

    void programAnswersWithoutDisplay_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        const QByteArray usage = usageText().toUtf8();
        QTest::newRow("version") << QStringList{"--version"} << 0
                                 << ("norvane " + programVersion() + "\n").toUtf8() << QByteArray();
        QTest::newRow("help") << QStringList{"--help", "--port", "x"} << 0 << usage << QByteArray();
        QTest::newRow("refused") << QStringList{"--nope"} << 2 << QByteArray()
                                 << "norvane: 未知的选项 --nope\n\n" + usage;
    }

    void programAnswersWithoutDisplay()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QScopedPointer<QProcess> p(program(args));
        QVERIFY(p->waitForFinished(10000));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QCOMPARE(p->exitCode(), exitCode);
        QCOMPARE(p->readAllStandardOutput(), out);
        QCOMPARE(p->readAllStandardError(), err);
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
        const int fd =
            ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
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
