// Start-up: where an installed or a portable copy keeps its files, the command line, the
// first settings file, files too large to read, the language.
#include "appsettings.h"
#include "commandline.h"
#include "frmtolvan.h"
#include "logformat.h"
#include "startup.h"
#include "startuphelpers.h"
#include "tavihelper.h"
#include "testsupport.h"
#include "virtualserial.h"

#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTextCodec>
#include <QTextEdit>
#include <QtTest>

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
        QCOMPARE(AppSettings::LogDir, logs);
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
        // What is run with: "port|data folder|rate"; or the answer given, or how a refusal
        // begins.
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("result");
        const auto row = [](const char *name, const QStringList &args, const QString &result) {
            QTest::newRow(name) << args << result;
        };
        row("none", {}, "||0");
        row("separate values", {"--port", "/dev/ttyUSB0", "--baud", "115200"},
            "/dev/ttyUSB0||115200");
        row("joined values", {"--port=/dev/ttyS1", "--baud=50", "--data-dir=/x"},
            "/dev/ttyS1|/x|50");
        row("the last counts", {"--port", "a", "--port", "b", "--data-dir", "d"}, "b|d|0");
        row("Qt's options", {"-platform", "offscreen", "-reverse", "--baud", "9600"}, "||9600");
        // The first answer counts; what came before it is dropped.
        row("version", {"--version", "--bogus"}, "version");
        row("help", {"--port", "x", "-h"}, "help");
        row("unknown first", {"--bogus", "--help"}, "未知的选项 --bogus");
        row("rate not offered", {"--baud", "12345"}, "波特率 12345 不可用");
        row("no value", {"--port"}, "--port 缺少值");
        row("Qt's, no value", {"-style"}, "-style 缺少值");
        row("extra", {"/dev/ttyUSB0"}, "多余的参数 /dev/ttyUSB0");
        // The monitor's and the simulator's options: their own tests run them.
        row("monitored parity", {"--monitor", "x", "--baud", "9600", "--parity", "M"},
            "校验位 M 不可用");
        row("monitored stop bits", {"--monitor", "x", "--baud", "9600", "--stop", "3"},
            "停止位 3 不可用");
        row("monitored, no rate", {"--monitor", "x"}, "--monitor 需要 --baud");
        row("pcap alone", {"--pcap", "f"}, "--pcap 只用于 --monitor");
        row("simulated, no map", {"--simulate", "x"}, "--simulate 需要 --map");
        row("monitor and port", {"--monitor", "x", "--port", "y", "--baud", "9600"},
            "--monitor 不能与 --port");
    }

    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, result);
        const CommandLine line = parseCommandLine(args, frmTolvan::baudRates());
        const QString got =
            line.action == CommandLine::ShowVersion ? "version"
            : line.action == CommandLine::ShowHelp  ? "help"
            : line.action == CommandLine::Refuse
                ? line.error
                : QString("%1|%2|%3").arg(line.portName, line.dataDir).arg(line.baudRate);
        QVERIFY2(got.startsWith(result) && (line.action == CommandLine::Refuse || got == result),
                 qPrintable(got));
        QCOMPARE(line.error.isEmpty(), line.action != CommandLine::Refuse);
    }

    void programAnswersWithoutDisplay()
    {
        QScopedPointer<QProcess> version(program({"--version"})), refused(program({"--nope"}));
        QVERIFY(version->waitForFinished(10000) && refused->waitForFinished(10000));
        QCOMPARE(version->readAllStandardOutput(), ("norvane " + programVersion() + "\n").toUtf8());
        QCOMPARE(refused->exitCode(), 2);
        QCOMPARE(refused->readAllStandardError(),
                 "norvane: 未知的选项 --nope\n\n" + usageText().toUtf8());
    }

    void programOpensTheNamedPortInItsDataDir()
    {
        VirtualSerialPair pair(dir.path(), 60);
        QVERIFY(pair.start());
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
        p->terminate();
        QVERIFY(p->waitForFinished(5000));
    }

    void programNames()
    {
        QCOMPARE(baseNameOf("D:/tools/SerialTool.exe"), QString("SerialTool"));
        QCOMPARE(baseNameOf("C:/x/SerialTool.b.exe"), QString("SerialTool"));
        QCOMPARE(baseNameOf("/usr/bin/SerialTool"), QString("SerialTool"));
        QCOMPARE(TaviHelper::appBaseName(), QString("tst_install"));
    }

    void startUpSkipsHugeFilesAndSaysSo()
    {
        // What the readers skip (tst_settings) is said in the log.
        QTemporaryDir home;
        QVERIFY(writeFile(home.filePath("device.txt"),
                          QByteArray(AppSettings::maxDataFileBytes + 1, 'B')));
        AppSettings::resetToDefaults();
        prepareApplication(home.filePath("norvane.ini"), home.path());
        frmTolvan form;
        QCOMPARE(AppSettings::DeviceKeys, QStringList());
        const QString log = form.findChild<QTextEdit *>("txtMain")->toPlainText();
        QVERIFY2(log.contains("device.txt 过大"), qPrintable(log));
        // And the locale start-up sets, so that file names and texts are UTF-8.
        QCOMPARE(QTextCodec::codecForLocale()->name(), QByteArray("UTF-8"));
    }

    void languageSetting()
    {
        // The built-in English translation covers the form's own texts and those made in code;
        // a language without a translation leaves the Chinese source texts.
        QTemporaryDir home;
        const struct {
            const char *language, *title, *openButton, *prefix;
        } cases[] = {
            {"en", "Norvane Serial Debug Assistant  Support: ", "Open port", "Serial TX >>"},
            {"fr", "Norvane串口调试助手  技术支持: ", "打开串口", "串口发送 >>"},
        };
        for (const auto &c : cases) {
            const QString ini = home.filePath(QString("%1.ini").arg(c.language));
            QVERIFY(writeFile(ini, QByteArray("[ComConfig]\nLanguage=") + c.language + "\n"));
            prepareApplication(ini, home.path());
            QCOMPARE(AppSettings::Language, QString(c.language)); // kept as stored
            QVERIFY2(mainWindowTitle().startsWith(c.title), qPrintable(mainWindowTitle()));
            QCOMPARE(logPrefix(LogSerialSend), QString(c.prefix));
            frmTolvan form;
            QCOMPARE(form.findChild<QPushButton *>("btnOpen")->text(), QString(c.openButton));
            // The longer English texts fit the default size too: it does not grow, every tab shows.
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QCOMPARE(form.size(), QSize(800, 600));
            const auto *tabs = form.findChild<QTabWidget *>("tabWidget");
            QVERIFY(tabs->tabBar()->sizeHint().width() <= tabs->width());
        }
    }
};

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
