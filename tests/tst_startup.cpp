#include "appsettings.h"
#include "frmtolvan.h"
#include "startup.h"
#include "startuphelpers.h"
#include "tavihelper.h"
#include "testsupport.h"

#include <QApplication>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTextCodec>
#include <QWidget>
#include <QtTest>

class TestStartup : public QObject
{
    Q_OBJECT
private slots:
    void baseNames_data();
    void baseNames();
    void seedFormula();
    void prepareSetsTheProcessUp();
    void centring();
    void windowTitle();
    void programCreatesItsSettingsFile();
    void hugeFilesDoNotSlowStartUp();

private:
    QTemporaryDir dir;
};

void TestStartup::baseNames_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("base");
    QTest::newRow("exe") << "D:/tools/SerialTool.exe" << "SerialTool";
    QTest::newRow("several dots") << "C:/x/a.b.exe" << "a";
    QTest::newRow("no dot") << "/usr/bin/norvane" << "norvane";
    QTest::newRow("renamed") << "C:/tools/Other.exe" << "Other";
}

void TestStartup::baseNames()
{
    QFETCH(QString, path);
    QFETCH(QString, base);
    QCOMPARE(baseNameOf(path), base);
}

void TestStartup::seedFormula()
{
    QCOMPARE(randomSeedFor(QTime(10, 20, 59, 999)), 59999u);
    QCOMPARE(randomSeedFor(QTime(23, 0, 0, 0)), 0u);
    QCOMPARE(randomSeedFor(QTime(1, 2, 3, 45)), 3045u);
    QCOMPARE(TaviHelper::appBaseName(), QString("tst_startup"));
    QCOMPARE(TaviHelper::appDir(), QCoreApplication::applicationDirPath());
}

void TestStartup::prepareSetsTheProcessUp()
{
    QVERIFY(dir.isValid());
    QVERIFY(writeFile(dir.filePath("send.txt"), "01 03 00 00 00 01\n"));
    QVERIFY(writeFile(dir.filePath("device.txt"), "A;B\n"));
    const QString ini = dir.filePath("SerialTool.ini");
    prepareApplication(ini, dir.path());

    QCOMPARE(AppSettings::Intervals, (QStringList{"1", "10", "20", "50", "100", "200", "300", "500", "1000",
                                                  "1500", "2000", "3000", "5000", "10000"}));
    QCOMPARE(AppSettings::ConfigFile, ini);
    QVERIFY(QFile::exists(ini));
    QCOMPARE(AppSettings::SendList, QStringList{"01 03 00 00 00 01"});
    QCOMPARE(AppSettings::DeviceKeys, QStringList{"A"});
    QCOMPARE(QApplication::font().family(), QString("Microsoft Yahei"));
    QCOMPARE(QApplication::font().pixelSize(), 12);
    QVERIFY(!QApplication::windowIcon().isNull());
    QCOMPARE(QTextCodec::codecForLocale()->name(), QByteArray("UTF-8"));
    // The two translation files are absent: texts stay as written.
    QCOMPARE(QCoreApplication::translate("QDialogButtonBox", "Cancel"), QString("Cancel"));
}

void TestStartup::centring()
{
    QWidget w;
    w.resize(201, 101);
    TaviHelper::centerOnDesktop(&w);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(w.pos(), QPoint(area.width() / 2 - 201 / 2, area.height() / 2 - 101 / 2));
}

void TestStartup::windowTitle()
{
    const QString title = mainWindowTitle();
    QVERIFY(title.startsWith(QString("Norvane串口调试助手  技术支持: ")));
    QVERIFY(title.size() > QString("Norvane串口调试助手  技术支持: ").size());
}

void TestStartup::programCreatesItsSettingsFile()
{
    // The real program, copied into an empty folder under a name with dots.
    QTemporaryDir home;
    const QString exe = home.filePath("a.b");
    QVERIFY(QFile::copy(QStringLiteral(NORVANE_BINARY), exe));
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.start(exe, QStringList());
    QVERIFY(program.waitForStarted());
    const QString ini = home.filePath("a.ini");
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(ini) && QSettings(ini, QSettings::IniFormat).allKeys().size() == 21, 15000);
    QCOMPARE(program.state(), QProcess::Running);
    program.terminate();
    QVERIFY(program.waitForFinished(5000));
    QSettings set(ini, QSettings::IniFormat);
    QCOMPARE(set.value("ComConfig/PortName").toString(), QString("COM1"));
    QCOMPARE(set.value("NetConfig/ServerPort").toInt(), 6000);
}

void TestStartup::hugeFilesDoNotSlowStartUp()
{
    QTemporaryDir home;
    QFile ini(home.filePath("huge.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    const QByteArray block = QByteArray("[ComConfig]\nBaudRate=115200\n").repeated(1000);
    for (int i = 0; i < 50 * 1024 * 1024 / block.size(); ++i) {
        ini.write(block);
    }
    ini.close();
    QVERIFY(writeFile(home.filePath("send.txt"), "AT\n" + QByteArray(15 * 1024 * 1024, 'A') + "\nAT+GMR\n"));
    QVERIFY(writeFile(home.filePath("device.txt"), QByteArray(20 * 1024 * 1024, 'B')));
    AppSettings::resetToDefaults();
    AppSettings::ConfigFile = ini.fileName();
    AppSettings::DataDir = home.path();
    AppSettings::Notices.clear();

    QElapsedTimer clock;
    clock.start();
    AppSettings::readConfig();
    AppSettings::readSendData();
    AppSettings::readDeviceData();
    frmTolvan form;
    const qint64 took = clock.elapsed();
    QVERIFY2(took < 1000, qPrintable(QString("%1 ms").arg(took)));

    QCOMPARE(AppSettings::BaudRate, 9600); // the file is refused, not read
    QCOMPARE(AppSettings::SendList, (QStringList{"AT", "AT+GMR"}));
    QVERIFY(AppSettings::DeviceKeys.isEmpty());
    const QString log = form.findChild<QTextEdit *>("txtMain")->toPlainText();
    QVERIFY2(log.contains("huge.ini 过大") && log.contains("使用默认设置"), qPrintable(log));
    QVERIFY2(log.contains("send.txt: 跳过 1 行过长的行"), qPrintable(log));
    QVERIFY2(log.contains("device.txt 过大"), qPrintable(log));
    QCOMPARE(QFileInfo(ini.fileName()).size(), qint64(50 * 1024 * 1024 / block.size()) * block.size());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
